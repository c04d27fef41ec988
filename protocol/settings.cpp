#include "protocol/settings.h"

#include <algorithm>
#include <string_view>

namespace vantrel {
namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kFs = 0x1C;
constexpr std::uint8_t kGs = 0x1D;

constexpr std::size_t kNameLimit = 16;
constexpr std::size_t kBluetoothLimit = 255;
constexpr double kPositionsPerMillimetre = 5.68;
constexpr std::int64_t kMillimetreSaturation = std::int64_t{1} << 40;

std::uint8_t Low8(std::int64_t value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

// Family 1: prefix, code and the list index minus one, sent for index 1 and above.
struct ChoiceSetting {
  SettingKey key;
  std::uint8_t prefix;
  std::uint8_t code;
  std::int32_t SettingSelection::*index;
};

constexpr ChoiceSetting kChoiceSettings[] = {
    {SettingKey::Language, kEsc, 0x16, &SettingSelection::language},
    {SettingKey::BlackMarkPosition, kEsc, 0x17, &SettingSelection::blackMarkPosition},
    {SettingKey::Font, kEsc, 0x21, &SettingSelection::font},
    {SettingKey::BlackMarkDetection, kEsc, 0x22, &SettingSelection::blackMarkDetection},
    {SettingKey::CommandSet, kEsc, 0x18, &SettingSelection::commandSet},
    {SettingKey::PaperSensitivity, kEsc, 0x28, &SettingSelection::paperSensitivity},
    {SettingKey::PrintDirection, kEsc, 0x63, &SettingSelection::printDirection},
    {SettingKey::CodePage, kEsc, 0x74, &SettingSelection::codePage},
    {SettingKey::PrintDensity, kEsc, 0xFD, &SettingSelection::printDensity},
    {SettingKey::PaperOutReprint, kEsc, 0x2A, &SettingSelection::paperOutReprint},
    {SettingKey::CarriageReturn, kEsc, 0x2B, &SettingSelection::carriageReturn},
    {SettingKey::PrintWidth, kEsc, 0x20, &SettingSelection::printWidth},
    {SettingKey::Buzzer, kEsc, 0x1F, &SettingSelection::buzzer},
    {SettingKey::PrintSpeed, kEsc, 0x1E, &SettingSelection::printSpeed},
    {SettingKey::LcdBacklight, kFs, 0xBC, &SettingSelection::lcdBacklight},
    {SettingKey::PaperNearEnd, kEsc, 0x35, &SettingSelection::paperNearEnd},
    {SettingKey::PrintPasses, kEsc, 0x55, &SettingSelection::printPasses},
    {SettingKey::BidAdjustment, kEsc, 0x1A, &SettingSelection::bidAdjustment},
    {SettingKey::CharsPerLine, kEsc, 0x39, &SettingSelection::charsPerLine},
};

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

// 0x1B code n, then the text bytes.
Bytes TextCommand(std::uint8_t code, std::uint8_t n, std::string_view text) {
  Bytes command;
  command.reserve(3 + text.size() + 1);
  command.push_back(kEsc);
  command.push_back(code);
  command.push_back(n);
  command.insert(command.end(), text.begin(), text.end());
  return command;
}

// 0x1B code n text 0x00, the text cut to its first 16 bytes.
EncodedSetting NameCommand(std::uint8_t code, const std::string& text) {
  const std::string_view kept = std::string_view(text).substr(0, kNameLimit);
  EncodedSetting encoded{TextCommand(code, static_cast<std::uint8_t>(kept.size()), kept),
                         std::nullopt};
  encoded.command.push_back(0x00);
  if (!kept.empty())
    encoded.reference = static_cast<std::uint8_t>(kept[0]);
  return encoded;
}

// 0x1B code n text: the whole text, n its length's low byte, no terminator.
EncodedSetting BluetoothCommand(std::uint8_t code, const std::string& text) {
  return {TextCommand(code, Low8(static_cast<std::int64_t>(text.size())), text), std::nullopt};
}

EncodedSetting RadioAddressCommand(const std::array<std::string, 4>& fields) {
  EncodedSetting encoded{{kFs, 0xBD}, std::nullopt};
  for (const std::string& field : fields) {
    // A field that fails the check has been refused before a run; encode it as 0 all the same.
    encoded.command.push_back(ParseHexPair(field).value_or(0));
  }
  encoded.reference = encoded.command.back();
  return encoded;
}

EncodedSetting OffsetCommand(std::uint8_t which, const std::string& text) {
  const double positions = static_cast<double>(ParseMillimetres(text)) * kPositionsPerMillimetre;
  const auto count = static_cast<std::int64_t>(positions);
  const auto high = static_cast<std::int64_t>(positions / 256.0);
  return {{kGs, 0x28, 0x46, 0x04, 0x00, which, 0x00, Low8(count), Low8(high)}, std::nullopt};
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
  static constexpr std::array<std::string_view, kSettingCount> kNames{"Language",
                                                                      "BlackMarkPosition",
                                                                      "Font",
                                                                      "BlackMarkDetection",
                                                                      "CommandSet",
                                                                      "PaperSensitivity",
                                                                      "PrintDirection",
                                                                      "CodePage",
                                                                      "PrintDensity",
                                                                      "CutterMechanism",
                                                                      "PaperOutReprint",
                                                                      "CarriageReturn",
                                                                      "PrintWidth",
                                                                      "Buzzer",
                                                                      "PrintSpeed",
                                                                      "ManufacturerName",
                                                                      "ModelName",
                                                                      "TargetSerialLine",
                                                                      "BluetoothName",
                                                                      "BluetoothPassword",
                                                                      "RadioAddress",
                                                                      "LcdBacklight",
                                                                      "PaperNearEnd",
                                                                      "PrintPasses",
                                                                      "BidAdjustment",
                                                                      "CharsPerLine",
                                                                      "StartOffset",
                                                                      "CutOffset"};
  return kNames[static_cast<std::size_t>(key)];
}

std::optional<EncodedSetting> EncodeSetting(SettingKey key, const SettingSelection& s) {
  for (const ChoiceSetting& choice : kChoiceSettings) {
    if (choice.key != key)
      continue;
    const std::int32_t index = s.*choice.index;
    if (index < 1)
      return std::nullopt;
    return ValueCommand(choice.prefix, choice.code, Low8(index - 1));
  }
  switch (key) {
    case SettingKey::CutterMechanism:
      if (s.cutter < 1)
        return std::nullopt;
      return ValueCommand(kEsc, 0x19, CutterMechanismValue(s));
    case SettingKey::TargetSerialLine:
      if (s.targetBaud < 1)
        return std::nullopt;
      return EncodedSetting{{kEsc, 0x23, TargetSerialLineValue(s)}, std::nullopt};
    case SettingKey::ManufacturerName:
      if (!s.sendManufacturer)
        return std::nullopt;
      return NameCommand(0x1B, s.manufacturerText);
    case SettingKey::ModelName:
      if (!s.sendModel)
        return std::nullopt;
      return NameCommand(0x1C, s.modelText);
    case SettingKey::BluetoothName:
      if (!s.sendBluetoothName)
        return std::nullopt;
      return BluetoothCommand(0x13, s.bluetoothNameText);
    case SettingKey::BluetoothPassword:
      if (!s.sendBluetoothPassword)
        return std::nullopt;
      return BluetoothCommand(0x10, s.bluetoothPasswordText);
    case SettingKey::RadioAddress:
      if (!s.sendRadioAddress)
        return std::nullopt;
      return RadioAddressCommand(s.radioAddressText);
    case SettingKey::StartOffset:
      if (!s.sendStartOffset)
        return std::nullopt;
      return OffsetCommand(0x01, s.startOffsetText);
    case SettingKey::CutOffset:
      if (!s.sendCutOffset)
        return std::nullopt;
      return OffsetCommand(0x02, s.cutOffsetText);
    default:
      return std::nullopt;
  }
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
