#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ui_variant.h"
#include "ui/prompts.h"

namespace vantrel {

// The file dialog's filter from its "description|pattern||" form: every bar becomes a NUL, so the
// result is the pairs of NUL-ended strings the system's dialog reads, ending in an empty one.
std::string FileDialogFilter(std::string_view barSeparated);

// The paths of a multiple-selection file dialog from its result buffer, in the order the dialog
// reports them. The buffer holds NUL-ended strings up to an empty one: either one full path, or
// the folder followed by the names chosen in it. A name that is itself a full path stays whole.
std::vector<std::string> SplitFileSelection(std::string_view buffer);

// The file-error report: names the file and says why it could not be read.
std::string FileErrorText(UiVariant variant, std::string_view path, FileErrorCause cause);

// Shown when the dialog's window could not be created, with the system's error number and its
// description ("" when it has none): "无法打开对话框 (错误 1813): ..." / "The dialog could not be
// opened (error 1813): ...".
std::string DialogOpenFailedText(UiVariant variant, std::uint32_t error, std::string_view reason);

// The caption of every message box: the program file's base name, without folder or extension
// ("C:\Tools\Vantrel.exe" gives "Vantrel").
std::string ProgramDisplayName(std::string_view programPath);

}  // namespace vantrel
