#pragma once

// Scripted fakes of what the bitmap actions ask of the dialog: the prompts, the controls and the
// files, recorded as Other steps into the same Script as the port and the link, so that a test
// reads as the steps the user and the printer see.
//
//   "wait cursor on" / "wait cursor off"
//   "choose files: ext bmp, name .bmp, filter ..., flags 0x80206"  (answer: ChooseFilesStep)
//   "open file a.bmp"
//   "warning: This isn't a bitmap file!"
//   "file error: a.bmp (not found)"
//   "draw preview a.bmp in 1016"                                   (answer: DrawPreviewStep)
//   "enable 1018"
//   message "..."  (an ordinary message box)

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/ui_variant.h"
#include "bitmap/file_reader.h"
#include "protocol/bytes.h"
#include "tests/support/script.h"
#include "tests/support/scripted_files.h"
#include "ui/dialog_controls.h"
#include "ui/prompts.h"

namespace vantrel::test::bitmaps {

Step WaitCursorOn();
Step WaitCursorOff();
// The file dialog of the variant, answered with these paths (in dialog order).
Step ChooseFilesStep(UiVariant variant, const std::vector<std::string>& paths);
Step CancelFileDialog(UiVariant variant);
Step Warning(std::string_view text);
Step FileError(const std::string& path, FileErrorCause cause);
// The preview of a file; `drawn` is what DrawPreview answers.
Step DrawPreviewStep(const std::string& path, bool drawn = true);
Step EnableControl(int id);

class ScriptedPrompts : public UserPrompts {
 public:
  explicit ScriptedPrompts(Script& script) : script_(script) {}
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

// List selections are plain state set by the test; enabling is scripted.
class ScriptedControls : public DialogControls {
 public:
  explicit ScriptedControls(Script& script) : script_(script) {}

  int GetSelection(int id) override;
  void SetSelection(int id, int index) override { selections_[id] = index; }
  bool IsChecked(int) override { return false; }
  void SetChecked(int, bool) override {}
  std::string GetText(int) override { return {}; }
  void SetText(int, std::string_view) override {}
  bool IsEnabled(int id) override;
  void Enable(int id, bool enabled) override;
  std::array<std::uint8_t, 4> GetIpAddress(int) override { return {}; }
  void SetIpAddress(int, std::uint32_t) override {}
  void SetDroppedWidth(int, int) override {}

 private:
  Script& script_;
  std::map<int, int> selections_;
  std::map<int, bool> enabled_;
};

std::string_view CauseName(FileErrorCause cause);

}  // namespace vantrel::test::bitmaps
