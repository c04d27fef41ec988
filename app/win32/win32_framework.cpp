#include "app/win32/win32_framework.h"

#include <commctrl.h>

#include "link/connections.h"
#include "link/system.h"
#include "ui/win32/dialog_window.h"

namespace vantrel::win32 {

namespace {
constexpr ULONG_PTR kIconGroup = 128;

// A connect gives up at the dialog's bound; "arp -d" shows its window as the shell starts it.
SystemOptions DialogSystemOptions() {
  SystemOptions options;
  options.connectTimeout = kConnectBound;
  return options;
}
}  // namespace

Win32Framework::Win32Framework(HINSTANCE instance)
    : instance_(instance),
      system_(CreateSystem(DialogSystemOptions())),
      files_(CreateSystemFileReader()),
      // At the system's standard icon size; the same handle serves the large and small icon.
      icon_(LoadIconW(instance, reinterpret_cast<LPCWSTR>(kIconGroup))) {}

Win32Framework::~Win32Framework() = default;

void Win32Framework::InitCommonControls(std::uint32_t structSize, std::uint32_t classes) {
  // The asked-for classes, and the IP-address control that the dialog holds.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = structSize;
  controls.dwICC = classes | ICC_INTERNET_CLASSES;
  InitCommonControlsEx(&controls);
}

std::uint16_t Win32Framework::UserDefaultLanguageId() {
  return GetUserDefaultLangID();
}

Win32Framework::VariantShell& Win32Framework::ShellFor(UiVariant variant) {
  return variant == UiVariant::Chinese ? chinese_ : english_;
}

DialogSeams Win32Framework::SeamsFor(UiVariant variant) {
  VariantShell& shell = ShellFor(variant);
  return {shell.controls, shell.prompts, *system_, *files_};
}

void Win32Framework::RunModal(MainDialog& dialog) {
  VariantShell& shell = ShellFor(dialog.variant());
  DialogWindow window(dialog, shell.controls, shell.prompts, icon_);
  window.RunModal(instance_);
}

}  // namespace vantrel::win32
