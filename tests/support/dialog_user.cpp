#include "tests/support/dialog_user.h"

namespace vantrel::test {

bool DialogUser::Choose(int listId, int index) {
  if (!controls_.IsEnabled(listId))
    return false;
  controls_.SetSelection(listId, index);
  lastResult_ = dialog_.OnCommand(listId, Notification::SelectionChanged);
  return true;
}

bool DialogUser::Click(int id) {
  if (!controls_.IsEnabled(id))
    return false;
  if (IsCheckBox(id))
    controls_.SetChecked(id, !controls_.IsChecked(id));
  lastResult_ = dialog_.OnCommand(id, Notification::Clicked);
  return true;
}

bool DialogUser::Open(int listId) {
  if (!controls_.IsEnabled(listId))
    return false;
  lastResult_ = dialog_.OnCommand(listId, Notification::DropDown);
  return true;
}

bool DialogUser::Type(int fieldId, std::string_view text) {
  if (!controls_.IsEnabled(fieldId))
    return false;
  controls_.SetText(fieldId, text);
  return true;
}

}  // namespace vantrel::test
