#include <gtest/gtest.h>

#include <string>

#include "protocol/setting_lists.h"
#include "tests/support/param_name.h"
#include "ui/control_ids.h"
#include "ui/option_lists.h"

namespace vantrel {
namespace {

struct ListCase {
  const char* name;
  int id;
  std::size_t count;
  const char* firstChinese;
  const char* firstEnglish;
  const char* lastChinese;
  const char* lastEnglish;
};

class OptionListsTest : public testing::TestWithParam<ListCase> {};

// A setting's value is its item's index, so the item counts and ends are protocol.
TEST_P(OptionListsTest, HoldTheItemsInTemplateOrder) {
  const ListCase& c = GetParam();
  const auto zh = OptionItems(UiVariant::Chinese, c.id);
  const auto en = OptionItems(UiVariant::English, c.id);
  ASSERT_EQ(zh.size(), c.count);
  ASSERT_EQ(en.size(), c.count);
  EXPECT_EQ(zh.front(), c.firstChinese);
  EXPECT_EQ(en.front(), c.firstEnglish);
  EXPECT_EQ(zh.back(), c.lastChinese);
  EXPECT_EQ(en.back(), c.lastEnglish);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, OptionListsTest,
    testing::Values(
        ListCase{"Interface", ctl::kInterface, 13, "COM1", "COM1", "以太网", "Ethernet"},
        ListCase{"CurrentBaud", ctl::kCurrentBaud, 8, "1200", "1200", "115200", "115200"},
        ListCase{"TargetBaud", ctl::kTargetBaud, 9, "不设置", "Default", "115200", "115200"},
        ListCase{"TargetParity", ctl::kTargetParity, 3, "NONE", "NONE", "EVEN", "EVEN"},
        ListCase{"CurrentDataBits", ctl::kCurrentDataBits, 2, "7", "7", "8", "8"},
        ListCase{"TargetFlow", ctl::kTargetFlow, 2, "XON/XOFF", "XON/XOFF", "RTS/CTS", "RTS/CTS"},
        ListCase{"Language", ctl::kLanguage, 4, "不设置", "Default", "繁体中文",
                 "Traditional Chinese"},
        ListCase{"LcdBacklight", ctl::kLcdBacklight, 3, "不设置", "Default", "开", "On"},
        ListCase{"Buzzer", ctl::kBuzzer, 5, "不设置", "Default", "缺纸、错误、切纸时允许", "Valid"},
        ListCase{"PrintSpeed", ctl::kPrintSpeed, 5, "不设置", "Default", "250mm/S", "250mm/S"},
        ListCase{"Cutter", ctl::kCutter, 4, "不设置", "Default", "ACS-230切刀", "ACS-230"},
        ListCase{"MechanismHasNoDefaultItem", ctl::kMechanism, 3, "Rv-5500/318机芯/DP330双色机芯",
                 "Rv-5500/318/DP330Two-color movement", "M-U110II机芯", "M-U110II"},
        ListCase{"CharsPerLineNotSet", ctl::kCharsPerLine, 4, "不设置", "Not Set",
                 "42CPL/35CPL(3 space)", "42CPL/35CPL(3 space)"},
        ListCase{"Slots", ctl::kBitmapSlot, 8, "第一张", "1st", "第八张", "8th"},
        ListCase{"BidAdjustment", ctl::kBidAdjustment, 26, "不设置", "Default", "24", "24"},
        ListCase{"CodePage", ctl::kCodePage, 49, "不设置", "Default", "CP874", "CP874"}),
    test::ParamName<ListCase>);

TEST(OptionLists, CodePageItemsKeepTheirBlanks) {
  const auto items = OptionItems(UiVariant::English, ctl::kCodePage);
  ASSERT_EQ(items.size(), 49u);
  EXPECT_EQ(items[8], "CP866 Cyrilliec #2 ");
  EXPECT_EQ(items[11], "Iran ");
  EXPECT_EQ(items[24], "ISO-8859-1 [West Europe]      ");
  for (std::size_t i = 12; i <= 15; ++i)
    EXPECT_EQ(items[i], "reserve") << i;
  EXPECT_EQ(items[10], "CP755 [East Europe，Latvian 2]");
  EXPECT_EQ(items[20], "CP858 Multilingual Latin Ⅰ+Euro)");
}

TEST(OptionLists, EveryEnglishSettingListStartsWithDefaultButCharsPerLine) {
  for (int id : ListControlIds()) {
    const auto zh = OptionItems(UiVariant::Chinese, id);
    const auto en = OptionItems(UiVariant::English, id);
    ASSERT_FALSE(zh.empty()) << id;
    EXPECT_EQ(zh.size(), en.size()) << id;
    if (zh.front() != "不设置")
      continue;
    EXPECT_EQ(en.front(), id == ctl::kCharsPerLine ? "Not Set" : "Default") << id;
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
