#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "protocol/setting_lists.h"
#include "tests/support/expected_tables.h"
#include "ui/control_ids.h"
#include "ui/option_lists.h"

namespace vantrel {
namespace {

namespace expected = test::expected;

// A setting's value is its item's index, so every item of every list, in order and with its
// blanks, is protocol.
TEST(OptionLists, HoldTheTemplateItemsInOrderInBothVariants) {
  std::vector<int> ids(ListControlIds().begin(), ListControlIds().end());
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, expected::ListIds());
  for (int id : expected::ListIds()) {
    for (UiVariant v : {UiVariant::Chinese, UiVariant::English}) {
      const auto items = OptionItems(v, id);
      EXPECT_EQ(std::vector<std::string>(items.begin(), items.end()), expected::Items(v, id))
          << id << (v == UiVariant::Chinese ? " Chinese" : " English");
    }
  }
  EXPECT_TRUE(OptionItems(UiVariant::Chinese, ctl::kSet).empty());
}

// The catalogue's lists go with their settings: the list that decides whether a setting is sent,
// its real items (after item 0), and the dialog list that shows it.
struct DecidingCase {
  SettingKey key;
  int id;
  std::size_t realItems;
};

TEST(SettingLists, AreTheSettingsOwnAndTheDialogShowsThem) {
  const DecidingCase cases[] = {
      {SettingKey::Language, ctl::kLanguage, 3},
      {SettingKey::BlackMarkPosition, ctl::kBlackMarkPosition, 2},
      {SettingKey::Font, ctl::kFont, 2},
      {SettingKey::BlackMarkDetection, ctl::kBlackMarkDetection, 2},
      {SettingKey::CommandSet, ctl::kCommandSet, 3},
      {SettingKey::PaperSensitivity, ctl::kPaperSensitivity, 3},
      {SettingKey::PrintDirection, ctl::kPrintDirection, 2},
      {SettingKey::CodePage, ctl::kCodePage, 48},
      {SettingKey::PrintDensity, ctl::kPrintDensity, 3},
      {SettingKey::CutterMechanism, ctl::kCutter, 3},
      {SettingKey::PaperOutReprint, ctl::kPaperOutReprint, 2},
      {SettingKey::CarriageReturn, ctl::kCarriageReturn, 2},
      {SettingKey::PrintWidth, ctl::kPrintWidth, 2},
      {SettingKey::Buzzer, ctl::kBuzzer, 4},
      {SettingKey::PrintSpeed, ctl::kPrintSpeed, 4},
      {SettingKey::TargetSerialLine, ctl::kTargetBaud, 8},
      {SettingKey::LcdBacklight, ctl::kLcdBacklight, 2},
      {SettingKey::PaperNearEnd, ctl::kPaperNearEnd, 2},
      {SettingKey::PrintPasses, ctl::kPrintPasses, 2},
      {SettingKey::BidAdjustment, ctl::kBidAdjustment, 25},
      {SettingKey::CharsPerLine, ctl::kCharsPerLine, 3},
  };
  for (const DecidingCase& c : cases) {
    const std::optional<SettingList> list = DecidingListOf(c.key);
    ASSERT_TRUE(list) << static_cast<int>(c.key);
    EXPECT_EQ(KeyOf(*list), c.key);
    EXPECT_EQ(SettingListOfControl(c.id), list);
    for (UiVariant variant : {UiVariant::Chinese, UiVariant::English}) {
      EXPECT_EQ(SettingItems(variant, *list).size(), c.realItems + 1) << c.id;
      const auto shown = OptionItems(variant, c.id);
      EXPECT_EQ(shown.data(), SettingItems(variant, *list).data()) << c.id;
    }
  }
  for (SettingKey key : {SettingKey::ManufacturerName, SettingKey::ModelName,
                         SettingKey::BluetoothName, SettingKey::BluetoothPassword,
                         SettingKey::RadioAddress, SettingKey::StartOffset, SettingKey::CutOffset})
    EXPECT_FALSE(DecidingListOf(key)) << static_cast<int>(key);
  // The lists that only add detail: the mechanism to the cutter, the rest to the target line.
  EXPECT_EQ(SettingListOfControl(ctl::kMechanism), SettingList::Mechanism);
  EXPECT_EQ(KeyOf(SettingList::Mechanism), SettingKey::CutterMechanism);
  for (SettingList detail :
       {SettingList::TargetParity, SettingList::TargetDataBits, SettingList::TargetFlow})
    EXPECT_EQ(KeyOf(detail), SettingKey::TargetSerialLine);
  // The dialog's own lists are not settings.
  for (int id : {ctl::kInterface, ctl::kCurrentBaud, ctl::kCurrentParity, ctl::kBitmapSlot})
    EXPECT_FALSE(SettingListOfControl(id)) << id;
}

TEST(DeviceButtonIds, SwapBetweenTheVariants) {
  constexpr auto zh = ctl::DeviceButtonIdsFor(UiVariant::Chinese);
  constexpr auto en = ctl::DeviceButtonIdsFor(UiVariant::English);
  EXPECT_EQ(zh.cashDrawer, 6);
  EXPECT_EQ(zh.cut, 5);
  EXPECT_EQ(zh.printTest, 4);
  EXPECT_EQ(en.cashDrawer, 3);
  EXPECT_EQ(en.cut, 4);
  EXPECT_EQ(en.printTest, 5);
}

}  // namespace
}  // namespace vantrel
