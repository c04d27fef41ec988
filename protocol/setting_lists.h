#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ui_variant.h"
#include "protocol/settings.h"

namespace vantrel {

// The lists a setting's value is chosen from, one per list index of the selection. Most settings
// have one list; the cutter setting also carries the mechanism, and the target serial line its
// parity, data bits and flow control.
enum class SettingList : int {
  Language,
  BlackMarkPosition,
  Font,
  BlackMarkDetection,
  CommandSet,
  PaperSensitivity,
  PrintDirection,
  CodePage,
  PrintDensity,
  Cutter,
  Mechanism,
  PaperOutReprint,
  CarriageReturn,
  PrintWidth,
  Buzzer,
  PrintSpeed,
  TargetBaud,
  TargetParity,
  TargetDataBits,
  TargetFlow,
  LcdBacklight,
  PaperNearEnd,
  PrintPasses,
  BidAdjustment,
  CharsPerLine,
};

inline constexpr std::size_t kSettingListCount = 25;

// Every list, in the order of the settings they belong to.
std::span<const SettingList> AllSettingLists();

// The setting a list's index goes into.
SettingKey KeyOf(SettingList list);

// The list whose item 0 decides whether a setting is sent (the cutter, the target baud rate), or
// nothing for the text, address and offset settings.
std::optional<SettingList> DecidingListOf(SettingKey key);

// Whether the list's items are numbers, which name their item only as that number.
bool IsNumberList(SettingList list);

// The field of the selection that holds the list's index.
std::int32_t SettingSelection::*SelectionFieldOf(SettingList list);

// The items of a list in the variant's language, in the printer's order (never sorted): the value
// sent is the item's index, so the lists are part of the protocol. Item 0 of a deciding list
// leaves the printer's setting unchanged.
std::span<const std::string_view> SettingItems(UiVariant variant, SettingList list);

// The short names the command-line tool also takes for an item ("en", "cp437", "115200"); none
// for item 0 of a deciding list, which is named by its text.
std::vector<std::string> ItemShortNames(SettingList list, std::size_t index);

// The serial line's own lists, shared by the line of the connection and the target line.
std::span<const std::string_view> BaudRateItems();
std::span<const std::string_view> ParityItems();
std::span<const std::string_view> DataBitsItems();
std::span<const std::string_view> FlowItems();

}  // namespace vantrel
