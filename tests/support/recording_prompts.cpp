#include "tests/support/recording_prompts.h"

#include <cstdio>

namespace vantrel::test {

Step Warning(std::string_view text) {
  return Other("warning \"" + std::string(text) + "\"");
}
Step FileError(std::string_view path) {
  return Other("file error " + std::string(path));
}
Step WaitCursorOn() {
  return Other("wait cursor on");
}
Step WaitCursorOff() {
  return Other("wait cursor off");
}
Step ChooseFiles(const FileDialogRequest& request) {
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%X", static_cast<unsigned>(request.flags));
  return Other("choose files ext=" + std::string(request.defaultExtension) +
               " name=" + std::string(request.initialName) +
               " filter=" + std::string(request.filter) + " flags=" + flags);
}
Step DrawPreview(std::string_view path, int frameId) {
  return Other("draw preview " + std::string(path) + " in " + std::to_string(frameId));
}

void RecordingPrompts::ShowMessage(std::string_view text) {
  script_.Take(Message(text));
}

void RecordingPrompts::ShowWarning(std::string_view text) {
  script_.Take(Warning(text));
}

void RecordingPrompts::ReportFileError(std::string_view path, FileErrorCause) {
  script_.Take(FileError(path));
}

void RecordingPrompts::BeginWaitCursor() {
  script_.Take(WaitCursorOn());
}

void RecordingPrompts::EndWaitCursor() {
  script_.Take(WaitCursorOff());
}

std::optional<std::vector<std::string>> RecordingPrompts::ChooseFiles(
    const FileDialogRequest& request) {
  script_.Take(test::ChooseFiles(request));
  if (nextChoice_ >= fileChoices.size())
    return std::nullopt;
  return fileChoices[nextChoice_++];
}

bool RecordingPrompts::DrawPreview(std::string_view path, int frameId) {
  const Step* step = script_.Take(test::DrawPreview(path, frameId));
  return step != nullptr && step->ok;
}

}  // namespace vantrel::test
