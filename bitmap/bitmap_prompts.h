#pragma once

#include <string_view>

#include "base/message_prompt.h"
#include "bitmap/file_reader.h"

namespace vantrel {

// What loading and downloading a bitmap ask of the user: messages and warnings, the file-error
// report and the wait cursor. A terminal program can answer all of it with printed lines.
class BitmapPrompts : public AlertPrompts {
 public:
  // The standard file-error report; it names the file.
  virtual void ReportFileError(std::string_view path, FileErrorCause cause) = 0;

  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
};

// The wait cursor from construction until the end of the scope.
class WaitCursor {
 public:
  explicit WaitCursor(BitmapPrompts& prompts) : prompts_(prompts) { prompts_.BeginWaitCursor(); }
  ~WaitCursor() { prompts_.EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  BitmapPrompts& prompts_;
};

}  // namespace vantrel
