#include "ui/option_lists.h"

#include <array>
#include <optional>

#include "protocol/setting_lists.h"
#include "ui/control_ids.h"

namespace vantrel {
namespace {

constexpr std::string_view kInterfaceZh[] = {"COM1", "COM2", "COM3",  "COM4", "COM5",
                                             "COM6", "COM7", "COM8",  "COM9", "COM10",
                                             "LPT1", "USB",  "以太网"};
constexpr std::string_view kInterfaceEn[] = {"COM1", "COM2", "COM3",    "COM4", "COM5",
                                             "COM6", "COM7", "COM8",    "COM9", "COM10",
                                             "LPT1", "USB",  "Ethernet"};

constexpr std::string_view kSlotZh[] = {"第一张", "第二张", "第三张", "第四张",
                                        "第五张", "第六张", "第七张", "第八张"};
constexpr std::string_view kSlotEn[] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th"};

// A list of the dialog: one of the setting catalogue's, or the dialog's own items.
struct OptionList {
  int id;
  std::optional<SettingList> setting;
  std::span<const std::string_view> chinese;
  std::span<const std::string_view> english;
};

constexpr OptionList Setting(int id, SettingList list) {
  return {id, list, {}, {}};
}

// In tab order.
const OptionList kLists[] = {
    {ctl::kInterface, std::nullopt, kInterfaceZh, kInterfaceEn},
    {ctl::kCurrentBaud, std::nullopt, BaudRateItems(), BaudRateItems()},
    {ctl::kCurrentParity, std::nullopt, ParityItems(), ParityItems()},
    {ctl::kCurrentDataBits, std::nullopt, DataBitsItems(), DataBitsItems()},
    {ctl::kCurrentFlow, std::nullopt, FlowItems(), FlowItems()},
    Setting(ctl::kTargetBaud, SettingList::TargetBaud),
    Setting(ctl::kTargetParity, SettingList::TargetParity),
    Setting(ctl::kTargetDataBits, SettingList::TargetDataBits),
    Setting(ctl::kTargetFlow, SettingList::TargetFlow),
    Setting(ctl::kBlackMarkDetection, SettingList::BlackMarkDetection),
    Setting(ctl::kBlackMarkPosition, SettingList::BlackMarkPosition),
    Setting(ctl::kLanguage, SettingList::Language),
    Setting(ctl::kFont, SettingList::Font),
    Setting(ctl::kPaperSensitivity, SettingList::PaperSensitivity),
    Setting(ctl::kPrintDirection, SettingList::PrintDirection),
    Setting(ctl::kPrintDensity, SettingList::PrintDensity),
    Setting(ctl::kCommandSet, SettingList::CommandSet),
    Setting(ctl::kCodePage, SettingList::CodePage),
    Setting(ctl::kPaperOutReprint, SettingList::PaperOutReprint),
    Setting(ctl::kCarriageReturn, SettingList::CarriageReturn),
    Setting(ctl::kPrintWidth, SettingList::PrintWidth),
    Setting(ctl::kBuzzer, SettingList::Buzzer),
    Setting(ctl::kPrintSpeed, SettingList::PrintSpeed),
    Setting(ctl::kLcdBacklight, SettingList::LcdBacklight),
    Setting(ctl::kCutter, SettingList::Cutter),
    Setting(ctl::kMechanism, SettingList::Mechanism),
    {ctl::kBitmapSlot, std::nullopt, kSlotZh, kSlotEn},
    Setting(ctl::kBidAdjustment, SettingList::BidAdjustment),
    Setting(ctl::kPaperNearEnd, SettingList::PaperNearEnd),
    Setting(ctl::kPrintPasses, SettingList::PrintPasses),
    Setting(ctl::kCharsPerLine, SettingList::CharsPerLine),
};

constexpr TextSettingControls kTextSettings[] = {
    {SettingKey::ManufacturerName, ctl::kManufacturerCheck, ctl::kManufacturerText},
    {SettingKey::ModelName, ctl::kModelCheck, ctl::kModelText},
    {SettingKey::BluetoothName, ctl::kBluetoothNameCheck, ctl::kBluetoothNameText},
    {SettingKey::BluetoothPassword, ctl::kBluetoothPasswordCheck, ctl::kBluetoothPasswordText},
    {SettingKey::StartOffset, ctl::kStartOffsetCheck, ctl::kStartOffsetText},
    {SettingKey::CutOffset, ctl::kCutOffsetCheck, ctl::kCutOffsetText},
};

const auto kListIds = [] {
  std::array<int, std::size(kLists)> ids{};
  for (std::size_t i = 0; i < ids.size(); ++i)
    ids[i] = kLists[i].id;
  return ids;
}();

}  // namespace

std::span<const std::string_view> OptionItems(UiVariant variant, int controlId) {
  for (const OptionList& list : kLists) {
    if (list.id != controlId)
      continue;
    if (list.setting)
      return SettingItems(variant, *list.setting);
    return variant == UiVariant::Chinese ? list.chinese : list.english;
  }
  return {};
}

std::optional<SettingList> SettingListOfControl(int controlId) {
  for (const OptionList& list : kLists) {
    if (list.id == controlId)
      return list.setting;
  }
  return std::nullopt;
}

std::span<const int> ListControlIds() {
  return kListIds;
}

std::span<const TextSettingControls> TextSettingControlList() {
  return kTextSettings;
}

}  // namespace vantrel
