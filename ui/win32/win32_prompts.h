#pragma once

#include <windows.h>

#include <string>

#include "base/ui_variant.h"
#include "ui/prompts.h"

namespace vantrel::win32 {

// Message boxes, the wait cursor, the file-open dialog and the bitmap preview of one dialog
// window. Every box is owned by the dialog and captioned with the program file's base name. The
// wait cursor stays up until its end, over the dialog and the file-open dialog, whatever the
// mouse does.
class Win32Prompts final : public UserPrompts {
 public:
  explicit Win32Prompts(UiVariant variant);
  void Attach(HWND dialog) { dialog_ = dialog; }

  void ShowMessage(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  void ReportFileError(std::string_view path, FileErrorCause cause) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  std::optional<std::vector<std::string>> ChooseFiles(const FileDialogRequest& request) override;
  bool DrawPreview(std::string_view path, int frameId) override;

 private:
  UiVariant variant_;
  std::wstring caption_;
  HWND dialog_ = nullptr;
  int waitDepth_ = 0;
  HCURSOR cursorBeforeWait_ = nullptr;
  HHOOK waitHook_ = nullptr;
};

}  // namespace vantrel::win32
