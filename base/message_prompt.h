#pragma once

#include <string_view>

namespace vantrel {

// Texts handed to prompts are UTF-8; the shell converts them for display. Paths are UTF-8 too.

// The dialog's modal message box: owned by the dialog, captioned with the application's display
// name, an OK button only and no icon. Returns when the user has closed it.
class MessagePrompt {
 public:
  virtual ~MessagePrompt() = default;
  virtual void ShowMessage(std::string_view text) = 0;
};

// The message box and the application-wide warning box: what the openers report failures with.
class AlertPrompts : public MessagePrompt {
 public:
  // The application-wide message box: OK button, exclamation icon, the application's title.
  virtual void ShowWarning(std::string_view text) = 0;
};

}  // namespace vantrel
