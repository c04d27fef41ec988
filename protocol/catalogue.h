#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "protocol/setting_lists.h"
#include "protocol/settings.h"

namespace vantrel {

// How a port run judges the printer's answer to one setting.
enum class AckRule {
  EchoValue,       // one 1-byte read that returns the value byte
  EchoFirstByte,   // one read of the text's length whose first byte is the first text byte
  AnyReply,        // one 1-byte read that returns any byte
  PollOk,          // the reply poll (10 bytes a read) gets "OK"
  PollFourthByte,  // the reply poll (4 bytes a read) gets the fourth address byte first
  NoAck,           // nothing is read
};

struct SettingRule {
  AckRule ack;
  // Not read back over LPT1 or from the write-only USB printer.
  bool skippedOnWriteOnlyLinks;
};

// The shapes of the setting commands, after their head of prefix and code.
enum class SettingFamily {
  Choice,         // v: the list index minus one
  Cutter,         // v: the cutter in bits 4 and 5, the mechanism in bits 0 and 1
  SerialLine,     // v: baud rate, flow control, data bits and parity of the target line
  Name,           // n, the text's first 16 bytes, 0x00
  BluetoothText,  // n (the length's low byte), the whole text
  RadioAddress,   // four address bytes
  Offset,         // GS ( F 04 00, code, 00, the 16-bit position count low byte first
};

// One setting as the protocol knows it: its key and name, the shape and head of its command,
// what of the selection it reads and how its answer is judged. Its report lines are found by
// its key in report_texts.cpp, its lists' items in setting_lists.cpp.
struct SettingRow {
  SettingKey key;
  std::string_view name;  // as written here ("CodePage"), for reports meant for programs
  SettingFamily family;
  std::uint8_t prefix;
  std::uint8_t code;
  // The list whose item 0 leaves the setting unchanged: the setting's list for a choice, the
  // cutter, the target baud rate. Its other lists are the ones KeyOf gives this key.
  std::optional<SettingList> list;
  // For the text, address and offset settings: the check box that sends it, and its text.
  bool SettingSelection::*flag;
  std::string SettingSelection::*text;
  SettingRule rule;
};

// Every setting in port order.
std::span<const SettingRow> SettingCatalogue();
const SettingRow& RowOf(SettingKey key);

SettingRule RuleFor(SettingKey key);

// Whether the selection sends the setting: its deciding list past item 0, or its check box.
bool IsChosen(SettingKey key, const SettingSelection& selection);

// The bytes that open a setting's command: prefix and code, or for the offsets the seven bytes up
// to the position count (their code is in the head).
Bytes CommandHead(SettingKey key);

}  // namespace vantrel
