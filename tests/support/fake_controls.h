#pragma once

#include <map>

#include "ui/dialog_controls.h"

namespace vantrel::test {

// Dialog controls held in maps. A list nobody set reads as item 0, a box as unticked, a field as
// empty, a control as enabled.
class FakeControls : public DialogControls {
 public:
  int GetSelection(int id) override;
  void SetSelection(int id, int index) override { selection_[id] = index; }
  bool IsChecked(int id) override { return checked_[id]; }
  void SetChecked(int id, bool checked) override { checked_[id] = checked; }
  std::string GetText(int id) override { return text_[id]; }
  void SetText(int id, std::string_view text) override { text_[id] = std::string(text); }
  bool IsEnabled(int id) override;
  void Enable(int id, bool enabled) override { enabled_[id] = enabled; }
  std::array<std::uint8_t, 4> GetIpAddress(int id) override { return ip_[id]; }
  void SetIpAddress(int id, std::uint32_t packed) override;
  void SetDroppedWidth(int id, int pixels) override { droppedWidth_[id] = pixels; }

  int DroppedWidth(int id) const;

 private:
  std::map<int, int> selection_;
  std::map<int, bool> checked_;
  std::map<int, std::string> text_;
  std::map<int, bool> enabled_;
  std::map<int, std::array<std::uint8_t, 4>> ip_;
  std::map<int, int> droppedWidth_;
};

}  // namespace vantrel::test
