#include "protocol/settings.h"

#include <algorithm>
#include <string_view>

#include "protocol/catalogue.h"

namespace vantrel {
namespace {

constexpr std::size_t kNameLimit = 16;
constexpr std::size_t kBluetoothLimit = 255;
constexpr double kPositionsPerMillimetre = 5.68;
constexpr std::int64_t kMillimetreSaturation = std::int64_t{1} << 40;

std::uint8_t Low8(std::int64_t value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

EncodedSetting ValueCommand(std::uint8_t prefix, std::uint8_t code, std::uint8_t value) {
  return {{prefix, code, value}, value};
}

std::uint8_t CutterMechanismValue(const SettingSelection& s) {
  std::uint8_t v = 0;
  if (s.cutter == 2)
    v |= 0x10;
  if (s.cutter == 3)
    v |= 0x20;
  if (s.mechanism >= 0 && s.mechanism <= 2)
    v |= static_cast<std::uint8_t>(s.mechanism);
  return v;
}

std::uint8_t TargetSerialLineValue(const SettingSelection& s) {
  std::uint8_t v = static_cast<std::uint8_t>((s.targetBaud - 1) & 0x07);
  if (s.targetFlow == 1)
    v |= 0x08;
  if (s.targetDataBits == 1)
    v |= 0x10;
  if (s.targetParity == 0)
    v |= 0x20;
  if (s.targetParity == 1)
    v |= 0x40;
  return v;
}

// prefix code n, then the text bytes.
Bytes TextCommand(const SettingRow& row, std::uint8_t n, std::string_view text) {
  Bytes command;
  command.reserve(3 + text.size() + 1);
  command.push_back(row.prefix);
  command.push_back(row.code);
  command.push_back(n);
  command.insert(command.end(), text.begin(), text.end());
  return command;
}

// prefix code n text 0x00, the text cut to its first 16 bytes.
EncodedSetting NameCommand(const SettingRow& row, const std::string& text) {
  const std::string_view kept = std::string_view(text).substr(0, kNameLimit);
  EncodedSetting encoded{TextCommand(row, static_cast<std::uint8_t>(kept.size()), kept),
                         std::nullopt};
  encoded.command.push_back(0x00);
  if (!kept.empty())
    encoded.reference = static_cast<std::uint8_t>(kept[0]);
  return encoded;
}

// prefix code n text: the whole text, n its length's low byte, no terminator.
EncodedSetting BluetoothCommand(const SettingRow& row, const std::string& text) {
  return {TextCommand(row, Low8(static_cast<std::int64_t>(text.size())), text), std::nullopt};
}

EncodedSetting RadioAddressCommand(const SettingRow& row,
                                   const std::array<std::string, 4>& fields) {
  EncodedSetting encoded{{row.prefix, row.code}, std::nullopt};
  for (const std::string& field : fields) {
    // A field that fails the check has been refused before a run; encode it as 0 all the same.
    encoded.command.push_back(ParseHexPair(field).value_or(0));
  }
  encoded.reference = encoded.command.back();
  return encoded;
}

EncodedSetting OffsetCommand(const SettingRow& row, const std::string& text) {
  const double positions = static_cast<double>(ParseMillimetres(text)) * kPositionsPerMillimetre;
  const auto count = static_cast<std::int64_t>(positions);
  const auto high = static_cast<std::int64_t>(positions / 256.0);
  Bytes command = CommandHead(row.key);
  command.push_back(Low8(count));
  command.push_back(Low8(high));
  return {std::move(command), std::nullopt};
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

bool OffsetFits(const std::string& text) {
  const std::int64_t count = OffsetPositionCount(ParseMillimetres(text));
  return count >= 0 && count <= 0xFFFF;
}

}  // namespace

std::string_view KeyName(SettingKey key) {
  return RowOf(key).name;
}

std::optional<EncodedSetting> EncodeSetting(SettingKey key, const SettingSelection& s) {
  if (!IsChosen(key, s))
    return std::nullopt;
  const SettingRow& row = RowOf(key);
  switch (row.family) {
    case SettingFamily::Choice:
      return ValueCommand(row.prefix, row.code, Low8(s.*SelectionFieldOf(*row.list) - 1));
    case SettingFamily::Cutter:
      return ValueCommand(row.prefix, row.code, CutterMechanismValue(s));
    case SettingFamily::SerialLine:
      return EncodedSetting{{row.prefix, row.code, TargetSerialLineValue(s)}, std::nullopt};
    case SettingFamily::Name:
      return NameCommand(row, s.*row.text);
    case SettingFamily::BluetoothText:
      return BluetoothCommand(row, s.*row.text);
    case SettingFamily::RadioAddress:
      return RadioAddressCommand(row, s.radioAddressText);
    case SettingFamily::Offset:
      return OffsetCommand(row, s.*row.text);
  }
  return std::nullopt;
}

std::optional<SelectionRefusal> CheckSelection(const SettingSelection& s) {
  if (s.sendBluetoothName && s.bluetoothNameText.size() > kBluetoothLimit) {
    return SelectionRefusal{SelectionProblem::BluetoothNameTooLong};
  }
  if (s.sendBluetoothPassword && s.bluetoothPasswordText.size() > kBluetoothLimit) {
    return SelectionRefusal{SelectionProblem::BluetoothPasswordTooLong};
  }
  if (s.sendRadioAddress) {
    for (std::size_t i = 0; i < s.radioAddressText.size(); ++i) {
      if (!ParseHexPair(s.radioAddressText[i])) {
        return SelectionRefusal{SelectionProblem::RadioAddressNotHex, static_cast<int>(i)};
      }
    }
  }
  if (s.sendStartOffset && !OffsetFits(s.startOffsetText)) {
    return SelectionRefusal{SelectionProblem::StartOffsetOutOfRange};
  }
  if (s.sendCutOffset && !OffsetFits(s.cutOffsetText)) {
    return SelectionRefusal{SelectionProblem::CutOffsetOutOfRange};
  }
  return std::nullopt;
}

std::optional<std::uint8_t> ParseHexPair(const std::string& text) {
  if (text.size() < 2)
    return std::nullopt;
  const int high = HexDigit(text[0]);
  const int low = HexDigit(text[1]);
  if (high < 0 || low < 0)
    return std::nullopt;
  return static_cast<std::uint8_t>(high * 16 + low);
}

std::int64_t ParseMillimetres(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min(value * 10 + (text[i] - '0'), kMillimetreSaturation);
  }
  return negative ? -value : value;
}

std::int64_t OffsetPositionCount(std::int64_t millimetres) {
  return static_cast<std::int64_t>(static_cast<double>(millimetres) * kPositionsPerMillimetre);
}

std::int64_t MaxOffsetMillimetres() {
  std::int64_t mm = static_cast<std::int64_t>(0xFFFF / kPositionsPerMillimetre);
  while (OffsetPositionCount(mm + 1) <= 0xFFFF)
    ++mm;
  while (OffsetPositionCount(mm) > 0xFFFF)
    --mm;
  return mm;
}

}  // namespace vantrel
