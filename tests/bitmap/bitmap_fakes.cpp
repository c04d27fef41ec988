#include "tests/bitmap/bitmap_fakes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vantrel::test::bitmaps {
namespace {

std::string DialogSignature(UiVariant variant) {
  return std::string("choose files: ext bmp, name .bmp, filter ") +
         (variant == UiVariant::Chinese ? "位图文件(*.BMP)|*.BMP||"
                                        : "Bitmap file(*.BMP)|*.BMP||") +
         ", flags 0x80206";
}

}  // namespace

Step WaitCursorOn() {
  return Other("wait cursor on");
}
Step WaitCursorOff() {
  return Other("wait cursor off");
}

Step ChooseFilesStep(UiVariant variant, const std::vector<std::string>& paths) {
  Step step = Other(DialogSignature(variant));
  // The answer rides in the step's bytes: the paths, each followed by a zero byte.
  for (const std::string& path : paths) {
    step.bytes.insert(step.bytes.end(), path.begin(), path.end());
    step.bytes.push_back(0);
  }
  return step;
}

Step CancelFileDialog(UiVariant variant) {
  Step step = Other(DialogSignature(variant));
  step.ok = false;
  return step;
}

Step Warning(std::string_view text) {
  return Other("warning: " + std::string(text));
}

Step FileError(const std::string& path, FileErrorCause cause) {
  return Other("file error: " + path + " (" + std::string(CauseName(cause)) + ")");
}

Step DrawPreviewStep(const std::string& path, bool drawn) {
  Step step = Other("draw preview " + path + " in 1016");
  step.ok = drawn;
  return step;
}

Step EnableControl(int id) {
  return Other("enable " + std::to_string(id));
}

std::string_view CauseName(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::NotFound:
      return "not found";
    case FileErrorCause::AccessDenied:
      return "access denied";
    case FileErrorCause::ReadFailed:
      return "read failed";
    case FileErrorCause::Other:
      return "other";
  }
  return "?";
}

void ScriptedPrompts::ShowMessage(std::string_view text) {
  script_.Take(Message(text));
}

void ScriptedPrompts::ShowWarning(std::string_view text) {
  script_.Take(Warning(text));
}

void ScriptedPrompts::ReportFileError(std::string_view path, FileErrorCause cause) {
  script_.Take(FileError(std::string(path), cause));
}

void ScriptedPrompts::BeginWaitCursor() {
  script_.Take(WaitCursorOn());
}

void ScriptedPrompts::EndWaitCursor() {
  script_.Take(WaitCursorOff());
}

std::optional<std::vector<std::string>> ScriptedPrompts::ChooseFiles(
    const FileDialogRequest& request) {
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%X", static_cast<unsigned>(request.flags));
  const std::string signature = "choose files: ext " + std::string(request.defaultExtension) +
                                ", name " + std::string(request.initialName) + ", filter " +
                                std::string(request.filter) + ", flags " + flags;
  const Step* step = script_.Take(Other(signature));
  if (step == nullptr || !step->ok)
    return std::nullopt;
  std::vector<std::string> paths;
  std::string path;
  for (std::uint8_t byte : step->bytes) {
    if (byte == 0) {
      paths.push_back(path);
      path.clear();
    } else {
      path += static_cast<char>(byte);
    }
  }
  return paths;
}

bool ScriptedPrompts::DrawPreview(std::string_view path, int frameId) {
  const Step* step =
      script_.Take(Other("draw preview " + std::string(path) + " in " + std::to_string(frameId)));
  return step != nullptr && step->ok;
}

int ScriptedControls::GetSelection(int id) {
  const auto found = selections_.find(id);
  return found == selections_.end() ? 0 : found->second;
}

bool ScriptedControls::IsEnabled(int id) {
  const auto found = enabled_.find(id);
  return found != enabled_.end() && found->second;
}

void ScriptedControls::Enable(int id, bool enabled) {
  enabled_[id] = enabled;
  script_.Take(Other((enabled ? "enable " : "disable ") + std::to_string(id)));
}

}  // namespace vantrel::test::bitmaps
