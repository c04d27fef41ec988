#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/ui_variant.h"

namespace vantrel::driver {

// What the driver reads back from one child window of the running dialog.
struct ControlState {
  int id = 0;
  std::string className;
  std::uint32_t style = 0;
  bool visible = false;
  bool enabled = false;
  std::string text;  // UTF-8
  std::vector<std::string> items;
  int selection = -1;
  bool checked = false;
  std::array<std::string, 4> addressFields;  // IP-address control: its four fields' texts
};

// The running dialog: caption, direct children in their window order (the tab order), and the
// control that holds the keyboard focus (0 when none).
struct DialogSnapshot {
  std::string caption;
  std::vector<ControlState> controls;
  int focusId = 0;
};

// Compares the dialog as read back with the variant's template and its initial state as the
// core sets them. One line per difference; empty when they agree.
std::vector<std::string> CompareWithInitialState(UiVariant variant, const DialogSnapshot& dialog);

// The snapshot as JSON, texts in UTF-8.
std::string ToJson(const DialogSnapshot& dialog);

}  // namespace vantrel::driver
