#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// The main dialog's controls, addressed by id. Setting a value here raises no change
// notification: the dialog's rules run only on the user's own actions.
class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // Drop-down lists: the selected index, or -1 when nothing is selected.
  virtual int GetSelection(int id) = 0;
  virtual void SetSelection(int id, int index) = 0;

  // Check boxes: ticked when the check state is nonzero.
  virtual bool IsChecked(int id) = 0;
  virtual void SetChecked(int id, bool checked) = 0;

  // Text fields: the window text as bytes in the system's code page, no terminator.
  virtual std::string GetText(int id) = 0;
  virtual void SetText(int id, std::string_view text) = 0;

  virtual bool IsEnabled(int id) = 0;
  virtual void Enable(int id, bool enabled) = 0;

  // The IP-address control: four fields, leftmost first; an empty field reads as 0.
  virtual std::array<std::uint8_t, 4> GetIpAddress(int id) = 0;
  // Packed with the first field in the highest byte.
  virtual void SetIpAddress(int id, std::uint32_t packed) = 0;

  // Width of a drop-down list while it is open, in pixels at 96 dots per inch: the platform
  // scales it with the dialog's resolution (PixelsForDpi).
  virtual void SetDroppedWidth(int id, int pixels) = 0;
};

}  // namespace vantrel
