#pragma once

#include <windows.h>

#include "ui/dialog_controls.h"

namespace vantrel::win32 {

// The controls of a running dialog window, reached through their ids. Attached to the window
// when it is created; before that no control is touched.
class Win32DialogControls final : public DialogControls {
 public:
  void Attach(HWND dialog) { dialog_ = dialog; }
  HWND window() const { return dialog_; }

  int GetSelection(int id) override;
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

 private:
  LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  HWND dialog_ = nullptr;
};

}  // namespace vantrel::win32
