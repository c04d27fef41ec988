#include "protocol/catalogue.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kFs = 0x1C;
constexpr std::uint8_t kGs = 0x1D;

using S = SettingSelection;
using K = SettingKey;
using L = SettingList;
using F = SettingFamily;
using A = AckRule;

constexpr SettingRow Choice(K key, std::string_view name, std::uint8_t prefix, std::uint8_t code,
                            L list, SettingRule rule) {
  return {key, name, F::Choice, prefix, code, list, nullptr, nullptr, rule};
}

constexpr SettingRow Texted(K key, std::string_view name, F family, std::uint8_t prefix,
                            std::uint8_t code, bool S::*flag, std::string S::*text,
                            SettingRule rule) {
  return {key, name, family, prefix, code, std::nullopt, flag, text, rule};
}

constexpr SettingRule kEcho{A::EchoValue, true};
constexpr SettingRule kEchoAlways{A::EchoValue, false};

// In port order, one row per setting.
constexpr SettingRow kCatalogue[] = {
    Choice(K::Language, "Language", kEsc, 0x16, L::Language, kEcho),
    Choice(K::BlackMarkPosition, "BlackMarkPosition", kEsc, 0x17, L::BlackMarkPosition, kEcho),
    Choice(K::Font, "Font", kEsc, 0x21, L::Font, kEcho),
    Choice(K::BlackMarkDetection, "BlackMarkDetection", kEsc, 0x22, L::BlackMarkDetection, kEcho),
    Choice(K::CommandSet, "CommandSet", kEsc, 0x18, L::CommandSet, kEcho),
    Choice(K::PaperSensitivity, "PaperSensitivity", kEsc, 0x28, L::PaperSensitivity, kEcho),
    Choice(K::PrintDirection, "PrintDirection", kEsc, 0x63, L::PrintDirection, kEcho),
    Choice(K::CodePage, "CodePage", kEsc, 0x74, L::CodePage, kEcho),
    Choice(K::PrintDensity, "PrintDensity", kEsc, 0xFD, L::PrintDensity, kEcho),
    {K::CutterMechanism, "CutterMechanism", F::Cutter, kEsc, 0x19, L::Cutter, nullptr, nullptr,
     kEcho},
    Choice(K::PaperOutReprint, "PaperOutReprint", kEsc, 0x2A, L::PaperOutReprint, kEcho),
    Choice(K::CarriageReturn, "CarriageReturn", kEsc, 0x2B, L::CarriageReturn, kEcho),
    Choice(K::PrintWidth, "PrintWidth", kEsc, 0x20, L::PrintWidth, kEcho),
    Choice(K::Buzzer, "Buzzer", kEsc, 0x1F, L::Buzzer, kEcho),
    Choice(K::PrintSpeed, "PrintSpeed", kEsc, 0x1E, L::PrintSpeed, kEcho),
    Texted(K::ManufacturerName, "ManufacturerName", F::Name, kEsc, 0x1B, &S::sendManufacturer,
           &S::manufacturerText, {A::EchoFirstByte, true}),
    Texted(K::ModelName, "ModelName", F::Name, kEsc, 0x1C, &S::sendModel, &S::modelText,
           {A::EchoFirstByte, true}),
    {K::TargetSerialLine,
     "TargetSerialLine",
     F::SerialLine,
     kEsc,
     0x23,
     L::TargetBaud,
     nullptr,
     nullptr,
     {A::AnyReply, true}},
    Texted(K::BluetoothName, "BluetoothName", F::BluetoothText, kEsc, 0x13, &S::sendBluetoothName,
           &S::bluetoothNameText, {A::PollOk, true}),
    Texted(K::BluetoothPassword, "BluetoothPassword", F::BluetoothText, kEsc, 0x10,
           &S::sendBluetoothPassword, &S::bluetoothPasswordText, {A::PollOk, false}),
    Texted(K::RadioAddress, "RadioAddress", F::RadioAddress, kFs, 0xBD, &S::sendRadioAddress,
           nullptr, {A::PollFourthByte, false}),
    Choice(K::LcdBacklight, "LcdBacklight", kFs, 0xBC, L::LcdBacklight, kEchoAlways),
    Choice(K::PaperNearEnd, "PaperNearEnd", kEsc, 0x35, L::PaperNearEnd, kEchoAlways),
    Choice(K::PrintPasses, "PrintPasses", kEsc, 0x55, L::PrintPasses, kEchoAlways),
    Choice(K::BidAdjustment, "BidAdjustment", kEsc, 0x1A, L::BidAdjustment, kEchoAlways),
    Choice(K::CharsPerLine, "CharsPerLine", kEsc, 0x39, L::CharsPerLine, kEchoAlways),
    Texted(K::StartOffset, "StartOffset", F::Offset, kGs, 0x01, &S::sendStartOffset,
           &S::startOffsetText, {A::NoAck, false}),
    Texted(K::CutOffset, "CutOffset", F::Offset, kGs, 0x02, &S::sendCutOffset, &S::cutOffsetText,
           {A::NoAck, false}),
};

static_assert(std::size(kCatalogue) == kSettingCount);

constexpr bool RowsInKeyOrder() {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (static_cast<std::size_t>(kCatalogue[i].key) != i)
      return false;
  }
  return true;
}
static_assert(RowsInKeyOrder());

}  // namespace

std::span<const SettingRow> SettingCatalogue() {
  return kCatalogue;
}

const SettingRow& RowOf(SettingKey key) {
  return kCatalogue[static_cast<std::size_t>(key)];
}

SettingRule RuleFor(SettingKey key) {
  return RowOf(key).rule;
}

bool IsChosen(SettingKey key, const SettingSelection& selection) {
  const SettingRow& row = RowOf(key);
  if (row.list)
    return selection.*SelectionFieldOf(*row.list) >= 1;
  return selection.*row.flag;
}

Bytes CommandHead(SettingKey key) {
  const SettingRow& row = RowOf(key);
  if (row.family == SettingFamily::Offset)
    return {row.prefix, 0x28, 0x46, 0x04, 0x00, row.code, 0x00};
  return {row.prefix, row.code};
}

}  // namespace vantrel
