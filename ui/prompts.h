#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/message_prompt.h"
#include "bitmap/bitmap_prompts.h"

namespace vantrel {

// Texts handed to prompts are UTF-8; the shell converts them for display. Paths are UTF-8 too.
//
// The whole seam, from the narrowest part up: MessagePrompt (ShowMessage) and AlertPrompts
// (ShowWarning) in base/message_prompt.h, BitmapPrompts (ReportFileError, the wait cursor) in
// bitmap/bitmap_prompts.h, and UserPrompts here. The lower folders ask only for the part they
// use, so a program without the dialog implements no more than that.

// What the file-open dialog is asked for.
struct FileDialogRequest {
  std::string_view defaultExtension;  // appended to a typed name that has none
  std::string_view initialName;       // the file-name box's initial text
  std::string_view filter;            // "Description|pattern||"
  std::uint32_t flags = 0;            // the open-file-name flags (explorer, multi-select, ...)
};

// Everything the dialog asks of the user beyond its controls.
class UserPrompts : public BitmapPrompts {
 public:
  // Runs the file-open dialog modally. The chosen paths in the order the dialog reports them,
  // or nothing when the user cancelled.
  virtual std::optional<std::vector<std::string>> ChooseFiles(const FileDialogRequest& request) = 0;

  // Loads the file as a drawable image and stretches it over the client area of the picture frame
  // frameId, once. False when the image could not be loaded: nothing is drawn.
  virtual bool DrawPreview(std::string_view path, int frameId) = 0;
};

}  // namespace vantrel
