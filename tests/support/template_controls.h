#pragma once

// The main dialog's controls as plain state, as the template creates them: every list filled with
// its variant's items and nothing selected, check boxes clear, texts empty, everything enabled but
// Download (1018) and Print (1027). Setting a value raises no notification, as on the platform.
// A test that checks when a control is enabled among the other steps can have enabling recorded
// into its script as well.

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "base/ui_variant.h"
#include "tests/support/script.h"
#include "ui/dialog_controls.h"

namespace vantrel::test {

// Enabling a control, as a step of the script: "enable 1018".
Step EnableControl(int id);

class TemplateControls : public DialogControls {
 public:
  explicit TemplateControls(UiVariant variant);

  int GetSelection(int id) override;
  // Like the platform: an index outside the list clears the selection.
  void SetSelection(int id, int index) override;
  bool IsChecked(int id) override;
  void SetChecked(int id, bool checked) override;
  std::string GetText(int id) override;
  void SetText(int id, std::string_view text) override;
  bool IsEnabled(int id) override;
  void Enable(int id, bool enabled) override;
  std::array<std::uint8_t, 4> GetIpAddress(int id) override;
  void SetIpAddress(int id, std::uint32_t packed) override;
  void SetDroppedWidth(int id, int pixels) override;

  // The number of items of a list, 0 for any other control.
  int ItemCount(int id) const;
  // The open-list width last set, 0 when never set.
  int DroppedWidth(int id) const;
  // The four fields of an IP-address control, as the user typed them.
  void TypeIpAddress(int id, std::array<std::uint8_t, 4> fields) { ip_[id] = fields; }
  // From now on every Enable is also a step of `script` ("enable 1018", "disable 1018").
  void RecordEnablingInto(Script& script) { enablingScript_ = &script; }

 private:
  UiVariant variant_;
  std::map<int, int> selection_;
  std::map<int, bool> checked_;
  std::map<int, std::string> text_;
  std::map<int, bool> enabled_;
  std::map<int, std::array<std::uint8_t, 4>> ip_;
  std::map<int, int> droppedWidth_;
  Script* enablingScript_ = nullptr;
};

// The check boxes of the dialog, each toggling itself when clicked.
bool IsCheckBox(int id);

}  // namespace vantrel::test
