#include "app/zel_setup_app.h"

#include "ui/zel_setup_dlg.h"

namespace vantrel {

bool CZelSetupApp::InitInstance(AppFramework& framework) {
  framework.InitCommonControls(kCommonControlsStructSize, kWin95ControlClasses);
  framework.RunBaseStartUp();
  framework.EnableControlContainer();
  framework.SetRegistryKey(kRegistryKeyName);
  const UiVariant variant = ChooseUiVariant(framework.UserDefaultLanguageId());

  // Both objects exist for the whole run; constructing them creates no window. Leaving the
  // scope destroys the English one first, then the Chinese one.
  CZelSetupDlg chinese(framework.SeamsFor(UiVariant::Chinese));
  CZelSetupDlgEn english(framework.SeamsFor(UiVariant::English));
  MainDialog& chosen = variant == UiVariant::Chinese ? static_cast<MainDialog&>(chinese)
                                                     : static_cast<MainDialog&>(english);
  framework.RunModal(chosen);
  return false;
}

}  // namespace vantrel
