#pragma once

// The user's screen as part of the script: message boxes are Message steps, the rest are Other
// steps named after what the user sees ("warning ...", "wait cursor on", ...).

#include <optional>
#include <string>
#include <vector>

#include "tests/support/script.h"
#include "ui/prompts.h"

namespace vantrel::test {

Step Warning(std::string_view text);
Step FileError(std::string_view path);
Step WaitCursorOn();
Step WaitCursorOff();
// "choose files ext=bmp name=.bmp filter=... flags=0x80206"
Step ChooseFiles(const FileDialogRequest& request);
Step DrawPreview(std::string_view path, int frameId);  // Failing(): the image did not load

class RecordingPrompts : public UserPrompts {
 public:
  explicit RecordingPrompts(Script& script) : script_(script) {}

  // What the file dialog answers, in turn; nothing left: the user cancels.
  std::vector<std::optional<std::vector<std::string>>> fileChoices;

  void ShowMessage(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  void ReportFileError(std::string_view path, FileErrorCause cause) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  std::optional<std::vector<std::string>> ChooseFiles(const FileDialogRequest& request) override;
  bool DrawPreview(std::string_view path, int frameId) override;

 private:
  Script& script_;
  std::size_t nextChoice_ = 0;
};

}  // namespace vantrel::test
