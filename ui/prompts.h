#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Texts handed to prompts are UTF-8; the shell converts them for display. Paths are UTF-8 too.

// The dialog's modal message box: owned by the dialog, captioned with the application's display
// name, an OK button only and no icon. Returns when the user has closed it.
class MessagePrompt {
 public:
  virtual ~MessagePrompt() = default;
  virtual void ShowMessage(std::string_view text) = 0;
};

// Why a file could not be read, for the file-error report.
enum class FileErrorCause { NotFound, AccessDenied, ReadFailed, Other };

// What the file-open dialog is asked for.
struct FileDialogRequest {
  std::string_view defaultExtension;  // appended to a typed name that has none
  std::string_view initialName;       // the file-name box's initial text
  std::string_view filter;            // "Description|pattern||"
  std::uint32_t flags = 0;            // the open-file-name flags (explorer, multi-select, ...)
};

// Everything the dialog asks of the user beyond its controls.
class UserPrompts : public MessagePrompt {
 public:
  // The application-wide message box: OK button, exclamation icon, the application's title.
  virtual void ShowWarning(std::string_view text) = 0;
  // The standard file-error report; it names the file.
  virtual void ReportFileError(std::string_view path, FileErrorCause cause) = 0;

  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;

  // Runs the file-open dialog modally. The chosen paths in the order the dialog reports them,
  // or nothing when the user cancelled.
  virtual std::optional<std::vector<std::string>> ChooseFiles(const FileDialogRequest& request) = 0;

  // Loads the file as a drawable image and stretches it over the client area of the picture frame
  // frameId, once. False when the image could not be loaded: nothing is drawn.
  virtual bool DrawPreview(std::string_view path, int frameId) = 0;
};

}  // namespace vantrel
