#include "ui/prompt_texts.h"

namespace vantrel {

std::string FileDialogFilter(std::string_view barSeparated) {
  std::string filter(barSeparated);
  for (char& c : filter) {
    if (c == '|')
      c = '\0';
  }
  // Whatever the text ended with, the list ends in two NULs.
  filter.append(2, '\0');
  return filter;
}

namespace {

bool IsFullPath(std::string_view name) {
  const bool drive = name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/');
  const bool unc = name.size() >= 2 && name[0] == '\\' && name[1] == '\\';
  return drive || unc;
}

}  // namespace

std::vector<std::string> SplitFileSelection(std::string_view buffer) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start < buffer.size()) {
    const std::size_t end = buffer.find('\0', start);
    const std::string_view part =
        buffer.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (part.empty())
      break;
    parts.push_back(part);
    if (end == std::string_view::npos)
      break;
    start = end + 1;
  }
  if (parts.size() <= 1)
    return {parts.begin(), parts.end()};

  std::string folder(parts.front());
  if (folder.back() != '\\' && folder.back() != '/')
    folder += '\\';
  std::vector<std::string> paths;
  for (std::size_t i = 1; i < parts.size(); ++i)
    paths.push_back(IsFullPath(parts[i]) ? std::string(parts[i]) : folder + std::string(parts[i]));
  return paths;
}

std::string FileErrorText(UiVariant variant, std::string_view path, FileErrorCause cause) {
  const std::string file(path);
  if (variant == UiVariant::Chinese) {
    switch (cause) {
      case FileErrorCause::NotFound:
        return "找不到文件 " + file + "。";
      case FileErrorCause::AccessDenied:
        return "无权访问文件 " + file + "。";
      case FileErrorCause::ReadFailed:
        return "读取文件 " + file + " 时出错。";
      case FileErrorCause::NotAFile:
      case FileErrorCause::Other:
        break;
    }
    return "打开文件 " + file + " 时发生意外错误。";
  }
  switch (cause) {
    case FileErrorCause::NotFound:
      return file + " was not found.";
    case FileErrorCause::AccessDenied:
      return "Access to " + file + " was denied.";
    case FileErrorCause::ReadFailed:
      return "An error occurred while reading " + file + ".";
    case FileErrorCause::NotAFile:
    case FileErrorCause::Other:
      break;
  }
  return "An unexpected error occurred while opening " + file + ".";
}

std::string ProgramDisplayName(std::string_view programPath) {
  const std::size_t slash = programPath.find_last_of("\\/");
  std::string_view name =
      slash == std::string_view::npos ? programPath : programPath.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0)
    name = name.substr(0, dot);
  return std::string(name);
}

std::string DialogOpenFailedText(UiVariant variant, std::uint32_t error, std::string_view reason) {
  std::string text = variant == UiVariant::Chinese ? "无法打开对话框 (错误 "
                                                   : "The dialog could not be opened (error ";
  text += std::to_string(error);
  text += ')';
  // The system's descriptions end in a line break.
  while (!reason.empty() &&
         (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
    reason.remove_suffix(1);
  if (!reason.empty()) {
    text += ": ";
    text += reason;
  }
  return text;
}

}  // namespace vantrel
