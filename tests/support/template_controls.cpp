#include "tests/support/template_controls.h"

#include "ui/control_ids.h"
#include "ui/option_lists.h"

namespace vantrel::test {

Step EnableControl(int id) {
  return Other("enable " + std::to_string(id));
}

TemplateControls::TemplateControls(UiVariant variant) : variant_(variant) {
  enabled_[ctl::kDownloadBitmap] = false;
  enabled_[ctl::kPrintStoredBitmap] = false;
}

int TemplateControls::GetSelection(int id) {
  const auto it = selection_.find(id);
  return it == selection_.end() ? -1 : it->second;
}

void TemplateControls::SetSelection(int id, int index) {
  selection_[id] = index >= 0 && index < ItemCount(id) ? index : -1;
}

bool TemplateControls::IsChecked(int id) {
  const auto it = checked_.find(id);
  return it != checked_.end() && it->second;
}

void TemplateControls::SetChecked(int id, bool checked) {
  checked_[id] = checked;
}

std::string TemplateControls::GetText(int id) {
  const auto it = text_.find(id);
  return it == text_.end() ? std::string() : it->second;
}

void TemplateControls::SetText(int id, std::string_view text) {
  text_[id] = std::string(text);
}

bool TemplateControls::IsEnabled(int id) {
  const auto it = enabled_.find(id);
  return it == enabled_.end() || it->second;
}

void TemplateControls::Enable(int id, bool enabled) {
  enabled_[id] = enabled;
  if (enablingScript_ != nullptr)
    enablingScript_->Take(enabled ? EnableControl(id) : Other("disable " + std::to_string(id)));
}

std::array<std::uint8_t, 4> TemplateControls::GetIpAddress(int id) {
  const auto it = ip_.find(id);
  return it == ip_.end() ? std::array<std::uint8_t, 4>{} : it->second;
}

void TemplateControls::SetIpAddress(int id, std::uint32_t packed) {
  ip_[id] = {static_cast<std::uint8_t>(packed >> 24), static_cast<std::uint8_t>(packed >> 16),
             static_cast<std::uint8_t>(packed >> 8), static_cast<std::uint8_t>(packed)};
}

void TemplateControls::SetDroppedWidth(int id, int pixels) {
  droppedWidth_[id] = pixels;
}

int TemplateControls::ItemCount(int id) const {
  return static_cast<int>(OptionItems(variant_, id).size());
}

int TemplateControls::DroppedWidth(int id) const {
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
