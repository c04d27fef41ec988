#pragma once

// The user at the main dialog: only enabled controls can be touched, and each touch hands the
// dialog the notification the platform would send.

#include <string_view>

#include "tests/support/template_controls.h"
#include "ui/main_dialog.h"

namespace vantrel::test {

class DialogUser {
 public:
  DialogUser(MainDialog& dialog, TemplateControls& controls)
      : dialog_(dialog), controls_(controls) {}

  // Picks an item of an enabled list and notifies the dialog; false when the list is disabled.
  bool Choose(int listId, int index);
  // Clicks an enabled control (a check box toggles first); false when it is disabled. The
  // dialog's answer is in lastResult().
  bool Click(int id);
  // Opens an enabled list.
  bool Open(int listId);
  // Types into an enabled text field.
  bool Type(int fieldId, std::string_view text);

  CommandResult lastResult() const { return lastResult_; }

 private:
  MainDialog& dialog_;
  TemplateControls& controls_;
  CommandResult lastResult_ = CommandResult::Ignored;
};

}  // namespace vantrel::test
