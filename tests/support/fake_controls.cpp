#include "tests/support/fake_controls.h"

#include "ui/control_ids.h"
#include "ui/option_lists.h"

namespace vantrel::test {

FakeControls::FakeControls(UiVariant variant) : variant_(variant) {
  enabled_[ctl::kDownloadBitmap] = false;
  enabled_[ctl::kPrintStoredBitmap] = false;
}

int FakeControls::GetSelection(int id) {
  const auto it = selection_.find(id);
  return it == selection_.end() ? -1 : it->second;
}

void FakeControls::SetSelection(int id, int index) {
  selection_[id] = index >= 0 && index < ItemCount(id) ? index : -1;
}

bool FakeControls::IsChecked(int id) {
  const auto it = checked_.find(id);
  return it != checked_.end() && it->second;
}

void FakeControls::SetChecked(int id, bool checked) {
  checked_[id] = checked;
}

std::string FakeControls::GetText(int id) {
  const auto it = text_.find(id);
  return it == text_.end() ? std::string() : it->second;
}

void FakeControls::SetText(int id, std::string_view text) {
  text_[id] = std::string(text);
}

bool FakeControls::IsEnabled(int id) {
  const auto it = enabled_.find(id);
  return it == enabled_.end() || it->second;
}

void FakeControls::Enable(int id, bool enabled) {
  enabled_[id] = enabled;
}

std::array<std::uint8_t, 4> FakeControls::GetIpAddress(int id) {
  const auto it = ip_.find(id);
  return it == ip_.end() ? std::array<std::uint8_t, 4>{} : it->second;
}

void FakeControls::SetIpAddress(int id, std::uint32_t packed) {
  ip_[id] = {static_cast<std::uint8_t>(packed >> 24), static_cast<std::uint8_t>(packed >> 16),
             static_cast<std::uint8_t>(packed >> 8), static_cast<std::uint8_t>(packed)};
}

void FakeControls::SetDroppedWidth(int id, int pixels) {
  droppedWidth_[id] = pixels;
}

int FakeControls::ItemCount(int id) const {
  return static_cast<int>(OptionItems(variant_, id).size());
}

int FakeControls::DroppedWidth(int id) const {
  const auto it = droppedWidth_.find(id);
  return it == droppedWidth_.end() ? 0 : it->second;
}

bool IsCheckBox(int id) {
  using namespace ctl;
  switch (id) {
    case kManufacturerCheck:
    case kModelCheck:
    case kBluetoothNameCheck:
    case kBluetoothPasswordCheck:
    case kRadioAddressCheck:
    case kStartOffsetCheck:
    case kCutOffsetCheck:
      return true;
    default:
      return false;
  }
}

}  // namespace vantrel::test
