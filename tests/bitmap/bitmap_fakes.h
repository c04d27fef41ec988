#pragma once

// The dialog controls the bitmap actions touch, with enabling recorded as an Other step
// ("enable 1018") into the same Script as the port, the link and the prompts.

#include <map>
#include <string>

#include "tests/support/script.h"
#include "tests/support/scripted_files.h"
#include "ui/dialog_controls.h"

namespace vantrel::test::bitmaps {

Step EnableControl(int id);

// List selections are plain state set by the test; enabling is scripted.
class ScriptedControls : public DialogControls {
 public:
  explicit ScriptedControls(Script& script) : script_(script) {}

  int GetSelection(int id) override;
  void SetSelection(int id, int index) override { selections_[id] = index; }
  bool IsChecked(int) override { return false; }
  void SetChecked(int, bool) override {}
  std::string GetText(int) override { return {}; }
  void SetText(int, std::string_view) override {}
  bool IsEnabled(int id) override;
  void Enable(int id, bool enabled) override;
  std::array<std::uint8_t, 4> GetIpAddress(int) override { return {}; }
  void SetIpAddress(int, std::uint32_t) override {}
  void SetDroppedWidth(int, int) override {}

 private:
  Script& script_;
  std::map<int, int> selections_;
  std::map<int, bool> enabled_;
};

}  // namespace vantrel::test::bitmaps
