#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/bytes.h"

namespace vantrel {

// The printer settings the tool can change, in the order a port run sends them.
enum class SettingKey : int {
  Language,
  BlackMarkPosition,
  Font,
  BlackMarkDetection,
  CommandSet,
  PaperSensitivity,
  PrintDirection,
  CodePage,
  PrintDensity,
  CutterMechanism,
  PaperOutReprint,
  CarriageReturn,
  PrintWidth,
  Buzzer,
  PrintSpeed,
  ManufacturerName,
  ModelName,
  TargetSerialLine,
  BluetoothName,
  BluetoothPassword,
  RadioAddress,
  LcdBacklight,
  PaperNearEnd,
  PrintPasses,
  BidAdjustment,
  CharsPerLine,
  StartOffset,
  CutOffset,
};

inline constexpr std::size_t kSettingCount = 28;

// Every key in port order.
constexpr std::array<SettingKey, kSettingCount> AllSettingKeys() {
  std::array<SettingKey, kSettingCount> keys{};
  for (std::size_t i = 0; i < kSettingCount; ++i)
    keys[i] = static_cast<SettingKey>(i);
  return keys;
}

// The key's name as written here ("CodePage"), for reports meant for programs.
std::string_view KeyName(SettingKey key);

// A snapshot of every setting control, taken when a Set run starts. List values are the selected
// item's index (-1 for no selection; item 0 leaves the printer's setting unchanged). Texts are the
// fields' bytes in the system's code page; they count only while their check box is ticked.
// The member defaults are the dialog's initial state, which sends nothing.
struct SettingSelection {
  std::int32_t language = 0;
  std::int32_t blackMarkPosition = 0;
  std::int32_t font = 0;
  std::int32_t blackMarkDetection = 0;
  std::int32_t commandSet = 0;
  std::int32_t paperSensitivity = 0;
  std::int32_t printDirection = 0;
  std::int32_t codePage = 0;
  std::int32_t printDensity = 0;
  std::int32_t cutter = 0;
  std::int32_t mechanism = 0;
  std::int32_t paperOutReprint = 0;
  std::int32_t carriageReturn = 0;
  std::int32_t printWidth = 0;
  std::int32_t buzzer = 0;
  std::int32_t printSpeed = 0;
  bool sendManufacturer = false;
  std::string manufacturerText;
  bool sendModel = false;
  std::string modelText;
  std::int32_t targetBaud = 0;
  std::int32_t targetParity = 0;
  std::int32_t targetDataBits = 1;
  std::int32_t targetFlow = 1;
  bool sendBluetoothName = false;
  std::string bluetoothNameText;
  bool sendBluetoothPassword = false;
  std::string bluetoothPasswordText;
  bool sendRadioAddress = false;
  std::array<std::string, 4> radioAddressText{"00", "84", "00", "01"};
  std::int32_t lcdBacklight = 0;
  std::int32_t paperNearEnd = 0;
  std::int32_t printPasses = 0;
  std::int32_t bidAdjustment = 0;
  std::int32_t charsPerLine = 0;
  bool sendStartOffset = false;
  std::string startOffsetText;
  bool sendCutOffset = false;
  std::string cutOffsetText;
};

// The frame commands around a Set run and a bitmap download.
inline constexpr std::array<std::uint8_t, 2> SetupBegin{0x1B, 0x09};
inline constexpr std::array<std::uint8_t, 2> SetupEnd{0x1B, 0x15};

// One setting's command, with the value the printer's answer is compared with where the setting
// has one: v for the choice settings and the cutter, the first text byte for the two names, the
// fourth address byte for the radio address.
struct EncodedSetting {
  Bytes command;
  std::optional<std::uint8_t> reference;
};

// The command of one setting, or nothing when the selection leaves it unchanged. The selection is
// expected to have passed CheckSelection; out-of-range texts are still encoded without fault.
std::optional<EncodedSetting> EncodeSetting(SettingKey key, const SettingSelection& selection);

// A text the printer protocol cannot carry faithfully.
enum class SelectionProblem {
  RadioAddressNotHex,    // a field does not begin with two hexadecimal digits
  BluetoothNameTooLong,  // more than 255 bytes: the length byte cannot hold it
  BluetoothPasswordTooLong,
  StartOffsetOutOfRange,  // negative, or its position count does not fit 16 bits
  CutOffsetOutOfRange,
};

struct SelectionRefusal {
  SelectionProblem problem;
  int field = 0;  // the radio-address field (0 to 3) for RadioAddressNotHex
};

// The first setting that is to be sent but cannot be, or nothing when every chosen setting can be.
std::optional<SelectionRefusal> CheckSelection(const SettingSelection& selection);

// The first two characters of a radio-address field as one byte (high nibble first), or nothing
// when they are not both hexadecimal digits.
std::optional<std::uint8_t> ParseHexPair(const std::string& text);

// An offset field read as a signed decimal number of millimetres: leading blanks, an optional
// sign, digits up to the first other character; no digits give 0. Saturates far beyond any
// offset a printer takes.
std::int64_t ParseMillimetres(const std::string& text);

// The printer's position count for an offset: millimetres times 5.68, truncated toward zero.
std::int64_t OffsetPositionCount(std::int64_t millimetres);

// The largest offset in millimetres whose position count still fits 16 bits.
std::int64_t MaxOffsetMillimetres();

}  // namespace vantrel
