#pragma once

// The user's screen as part of the script: message boxes are Message steps, the rest are Other
// steps named after what the user sees, with the user's answer carried in the step:
//
//   warning "This isn't a bitmap file!"
//   file error a.bmp (not found)
//   wait cursor on / wait cursor off
//   choose files ext=bmp name=.bmp filter=... flags=0x80206   (answer: ChooseFiles/Cancel...)
//   draw preview a.bmp in 1016                                 (answer: drawn or not)

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ui_variant.h"
#include "tests/support/script.h"
#include "ui/prompts.h"

namespace vantrel::test {

Step Warning(std::string_view text);
Step FileError(std::string_view path, FileErrorCause cause);
Step WaitCursorOn();
Step WaitCursorOff();

// The file dialog the bitmap selection asks for in each variant.
FileDialogRequest BitmapFileRequest(UiVariant variant);
// The file dialog, answered with these paths (in the order the dialog reports them).
Step ChooseFiles(const FileDialogRequest& request, std::vector<std::string> paths);
Step ChooseFiles(UiVariant variant, std::vector<std::string> paths);  // the bitmap dialog
// The file dialog, cancelled by the user.
Step CancelFileDialog(const FileDialogRequest& request);
Step CancelFileDialog(UiVariant variant);  // the bitmap dialog
// The preview of a file in a frame; `drawn` is what DrawPreview answers (false: the image did
// not load).
Step DrawPreview(std::string_view path, int frameId, bool drawn = true);

std::string_view CauseName(FileErrorCause cause);

class RecordingPrompts : public UserPrompts {
 public:
  explicit RecordingPrompts(Script& script) : script_(script) {}

  void ShowMessage(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  void ReportFileError(std::string_view path, FileErrorCause cause) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  std::optional<std::vector<std::string>> ChooseFiles(const FileDialogRequest& request) override;
  bool DrawPreview(std::string_view path, int frameId) override;

 private:
  Script& script_;
};

}  // namespace vantrel::test
