#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "base/ui_variant.h"
#include "protocol/setting_lists.h"

namespace vantrel {

// The items of a drop-down list of the main dialog, in template order (never sorted), in the
// variant's language. A setting's value is the index of its selected item, so these lists are
// part of the printer protocol. Empty for an id that is not a list.
// The setting lists are the catalogue's; the dialog adds the interface, the current serial line
// and the bitmap slot.
std::span<const std::string_view> OptionItems(UiVariant variant, int controlId);

// The catalogue's list a drop-down list shows, or nothing for the dialog's own lists.
std::optional<SettingList> SettingListOfControl(int controlId);

// The ids of every drop-down list of the dialog, in tab order.
std::span<const int> ListControlIds();

// A text or offset setting's check box and the field it enables. The radio address has four
// fields (kRadioAddressFields) and is not among them.
struct TextSettingControls {
  SettingKey key;
  int checkBox;
  int field;
};
std::span<const TextSettingControls> TextSettingControlList();

}  // namespace vantrel
