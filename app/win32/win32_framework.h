#pragma once

#include <windows.h>

#include <memory>

#include "app/zel_setup_app.h"
#include "ui/win32/win32_dialog_controls.h"
#include "ui/win32/win32_prompts.h"

namespace vantrel::win32 {

// Start-up on Windows: common controls, the user's language, and the modal run of a dialog
// object in its window. Each variant has its own controls and prompts; the operating system and
// the file reader are shared.
class Win32Framework final : public AppFramework {
 public:
  explicit Win32Framework(HINSTANCE instance);
  ~Win32Framework() override;

  void InitCommonControls(std::uint32_t structSize, std::uint32_t classes) override;
  void RunBaseStartUp() override {}
  void EnableControlContainer() override {}
  void SetRegistryKey(std::string_view) override {}
  std::uint16_t UserDefaultLanguageId() override;
  DialogSeams SeamsFor(UiVariant variant) override;
  void RunModal(MainDialog& dialog) override;

 private:
  struct VariantShell {
    explicit VariantShell(UiVariant variant) : prompts(variant) {}
    Win32DialogControls controls;
    Win32Prompts prompts;
  };
  VariantShell& ShellFor(UiVariant variant);

  HINSTANCE instance_;
  std::unique_ptr<System> system_;
  std::unique_ptr<FileReader> files_;
  VariantShell chinese_{UiVariant::Chinese};
  VariantShell english_{UiVariant::English};
  HICON icon_;
};

}  // namespace vantrel::win32
