#include "tests/support/recording_prompts.h"

#include <cstdio>

namespace vantrel::test {
namespace {

Step FileDialog(const FileDialogRequest& request) {
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%X", static_cast<unsigned>(request.flags));
  return Other("choose files ext=" + std::string(request.defaultExtension) +
               " name=" + std::string(request.initialName) +
               " filter=" + std::string(request.filter) + " flags=" + flags);
}

}  // namespace

Step Warning(std::string_view text) {
  return Other("warning \"" + std::string(text) + "\"");
}
Step FileError(std::string_view path, FileErrorCause cause) {
  return Other("file error " + std::string(path) + " (" + std::string(CauseName(cause)) + ")");
}
Step WaitCursorOn() {
  return Other("wait cursor on");
}
Step WaitCursorOff() {
  return Other("wait cursor off");
}

FileDialogRequest BitmapFileRequest(UiVariant variant) {
  return {"bmp", ".bmp",
          variant == UiVariant::Chinese ? "位图文件(*.BMP)|*.BMP||" : "Bitmap file(*.BMP)|*.BMP||",
          0x80206};
}

Step ChooseFiles(const FileDialogRequest& request, std::vector<std::string> paths) {
  Step step = FileDialog(request);
  step.paths = std::move(paths);
  return step;
}
Step ChooseFiles(UiVariant variant, std::vector<std::string> paths) {
  return ChooseFiles(BitmapFileRequest(variant), std::move(paths));
}
Step CancelFileDialog(const FileDialogRequest& request) {
  Step step = FileDialog(request);
  step.ok = false;
  return step;
}
Step CancelFileDialog(UiVariant variant) {
  return CancelFileDialog(BitmapFileRequest(variant));
}

Step DrawPreview(std::string_view path, int frameId, bool drawn) {
  Step step = Other("draw preview " + std::string(path) + " in " + std::to_string(frameId));
  step.ok = drawn;
  return step;
}

std::string_view CauseName(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::NotFound:
      return "not found";
    case FileErrorCause::AccessDenied:
      return "access denied";
    case FileErrorCause::ReadFailed:
      return "read failed";
    case FileErrorCause::NotAFile:
      return "not a file";
    case FileErrorCause::Other:
      return "other";
  }
  return "?";
}

void RecordingPrompts::ShowMessage(std::string_view text) {
  script_.Take(Message(text));
}

void RecordingPrompts::ShowWarning(std::string_view text) {
  script_.Take(Warning(text));
}

void RecordingPrompts::ReportFileError(std::string_view path, FileErrorCause cause) {
  script_.Take(FileError(path, cause));
}

void RecordingPrompts::BeginWaitCursor() {
  script_.Take(WaitCursorOn());
}

void RecordingPrompts::EndWaitCursor() {
  script_.Take(WaitCursorOff());
}

std::optional<std::vector<std::string>> RecordingPrompts::ChooseFiles(
    const FileDialogRequest& request) {
  const Step* step = script_.Take(FileDialog(request));
  if (step == nullptr || !step->ok)
    return std::nullopt;
  return step->paths;
}

bool RecordingPrompts::DrawPreview(std::string_view path, int frameId) {
  const Step* step = script_.Take(test::DrawPreview(path, frameId));
  return step != nullptr && step->ok;
}

}  // namespace vantrel::test
