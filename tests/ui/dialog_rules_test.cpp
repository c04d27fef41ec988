#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/param_name.h"
#include "tests/support/print_case.h"
#include "tests/ui/dialog_world.h"
#include "ui/dialog_rules.h"

namespace vantrel {
namespace {

using namespace test;
using namespace ctl;
using test::PrintTo;
using UiVariant::Chinese;
using UiVariant::English;

// --- The state the dialog opens with ---

struct ListState {
  int id;
  int index;
  bool enabled;
};

class InitialStateTest : public testing::TestWithParam<UiVariant> {};

TEST_P(InitialStateTest, EveryListOpensAtItsDefault) {
  DialogWorld w(GetParam());
  const int interface = GetParam() == Chinese ? 0 : 11;
  const std::vector<ListState> lists = {
      {kInterface, interface, true}, {kCurrentBaud, 3, true},
      {kCurrentParity, 0, true},     {kCurrentDataBits, 1, true},
      {kCurrentFlow, 1, true},       {kTargetBaud, 0, true},
      {kTargetParity, 0, false},     {kTargetDataBits, 1, false},
      {kTargetFlow, 1, false},       {kCutter, 0, true},
      {kMechanism, 0, false},        {kBitmapSlot, 0, true},
  };
  for (const ListState& list : lists) {
    SCOPED_TRACE(list.id);
    EXPECT_EQ(w.controls.GetSelection(list.id), list.index);
    EXPECT_EQ(w.controls.IsEnabled(list.id), list.enabled);
  }
  for (int id : {kLanguage, kPrintSpeed, kBidAdjustment, kBlackMarkPosition, kFont,
                 kBlackMarkDetection, kCommandSet, kPaperSensitivity, kPrintDirection, kCodePage,
                 kPrintDensity, kPaperOutReprint, kCarriageReturn, kPrintWidth, kBuzzer,
                 kCharsPerLine, kLcdBacklight, kPaperNearEnd, kPrintPasses}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(w.controls.GetSelection(id), 0);
    EXPECT_TRUE(w.controls.IsEnabled(id));
  }
}

TEST_P(InitialStateTest, FieldsBoxesAndAddressOpenAtTheirDefaults) {
  DialogWorld w(GetParam());
  EXPECT_EQ(w.controls.GetIpAddress(kIpAddress), (std::array<std::uint8_t, 4>{192, 168, 1, 114}));
  EXPECT_EQ(w.controls.GetText(kNetworkPort), "9100");
  const char* radio[] = {"00", "84", "00", "01"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(w.controls.GetText(kRadioAddressFields[i]), radio[i]);
    EXPECT_FALSE(w.controls.IsEnabled(kRadioAddressFields[i]));
  }
  for (int id : {kManufacturerText, kModelText, kBluetoothNameText, kBluetoothPasswordText,
                 kStartOffsetText, kCutOffsetText}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(w.controls.GetText(id), "");
    EXPECT_FALSE(w.controls.IsEnabled(id));
  }
  for (int id : {kManufacturerCheck, kModelCheck, kBluetoothNameCheck, kBluetoothPasswordCheck,
                 kRadioAddressCheck, kStartOffsetCheck, kCutOffsetCheck}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(w.controls.IsChecked(id));
    EXPECT_TRUE(w.controls.IsEnabled(id));
  }
  EXPECT_FALSE(w.controls.IsEnabled(kDownloadBitmap));
  EXPECT_FALSE(w.controls.IsEnabled(kPrintStoredBitmap));
  EXPECT_EQ(w.dialog->connection().usbWriteOnly, false);
  EXPECT_EQ(w.dialog->bitmapPath(), "");
}

TEST_P(InitialStateTest, AsksForTheDefaultFocusAndTouchesNoDevice) {
  Script script;
  TemplateControls controls(GetParam());
  RecordingPrompts prompts(script);
  FakeSystem system(script);
  ScriptedFiles files(script);
  auto dialog = MakeDialog(GetParam(), {controls, prompts, system, files});
  EXPECT_TRUE(dialog->OnInitDialog());
  script.ExpectDone();
}

INSTANTIATE_TEST_SUITE_P(Variants, InitialStateTest, testing::Values(Chinese, English),
                         VariantName);

// --- The rules, as the user meets them ---

struct RuleCase {
  std::string name;
  std::function<void(DialogWorld&)> act;
  std::function<void(DialogWorld&)> check;
};

struct VariantRuleCase {
  RuleCase rule;
  UiVariant variant;
  std::string name;
};

class RuleTest : public testing::TestWithParam<VariantRuleCase> {};

TEST_P(RuleTest, ChangesOnlyWhatTheRuleNames) {
  DialogWorld w(GetParam().variant);
  GetParam().rule.act(w);
  GetParam().rule.check(w);
  w.script.ExpectDone();  // no rule reaches a device or the user
}

const RuleCase kRules[] = {
    {"NoCutEnablesTheMechanism", [](DialogWorld& w) { w.user.Choose(kCutter, 1); },
     [](DialogWorld& w) { EXPECT_TRUE(w.controls.IsEnabled(kMechanism)); }},
    {"BackToDefaultDisablesTheMechanismAndKeepsItsChoice",
     [](DialogWorld& w) {
       w.user.Choose(kCutter, 3);
       w.user.Choose(kMechanism, 2);
       w.user.Choose(kCutter, 0);
     },
     [](DialogWorld& w) {
       EXPECT_FALSE(w.controls.IsEnabled(kMechanism));
       EXPECT_EQ(w.controls.GetSelection(kMechanism), 2);
     }},
    {"ABaudRateToStoreEnablesItsLine", [](DialogWorld& w) { w.user.Choose(kTargetBaud, 1); },
     [](DialogWorld& w) {
       for (int id : {kTargetParity, kTargetDataBits, kTargetFlow})
         EXPECT_TRUE(w.controls.IsEnabled(id)) << id;
     }},
    {"NoBaudRateToStoreDisablesItsLineAndKeepsTheChoices",
     [](DialogWorld& w) {
       w.user.Choose(kTargetBaud, 8);
       w.user.Choose(kTargetParity, 2);
       w.user.Choose(kTargetDataBits, 0);
       w.user.Choose(kTargetFlow, 0);
       w.user.Choose(kTargetBaud, 0);
     },
     [](DialogWorld& w) {
       for (int id : {kTargetParity, kTargetDataBits, kTargetFlow})
         EXPECT_FALSE(w.controls.IsEnabled(id)) << id;
       EXPECT_EQ(w.controls.GetSelection(kTargetParity), 2);
       EXPECT_EQ(w.controls.GetSelection(kTargetDataBits), 0);
       EXPECT_EQ(w.controls.GetSelection(kTargetFlow), 0);
     }},
    {"ACodePageForcesEnglishAndLocksTheLanguage",
     [](DialogWorld& w) {
       w.user.Choose(kLanguage, 2);
       w.user.Choose(kCodePage, 2);
     },
     [](DialogWorld& w) {
       EXPECT_EQ(w.controls.GetSelection(kLanguage), 1);
       EXPECT_FALSE(w.controls.IsEnabled(kLanguage));
     }},
    {"NoCodePageUnlocksTheLanguageAtDefaultNotTheEarlierChoice",
     [](DialogWorld& w) {
       w.user.Choose(kLanguage, 2);
       w.user.Choose(kCodePage, 2);
       w.user.Choose(kCodePage, 0);
     },
     [](DialogWorld& w) {
       EXPECT_EQ(w.controls.GetSelection(kLanguage), 0);
       EXPECT_TRUE(w.controls.IsEnabled(kLanguage));
     }},
    {"AReserveCodePageForcesEnglishToo", [](DialogWorld& w) { w.user.Choose(kCodePage, 12); },
     [](DialogWorld& w) {
       EXPECT_EQ(w.controls.GetSelection(kLanguage), 1);
       EXPECT_FALSE(w.controls.IsEnabled(kLanguage));
     }},
    {"TheLastCodePageForcesEnglish", [](DialogWorld& w) { w.user.Choose(kCodePage, 48); },
     [](DialogWorld& w) { EXPECT_FALSE(w.controls.IsEnabled(kLanguage)); }},
    {"TickingTheRadioAddressEnablesItsFourFieldsWithTheirTexts",
     [](DialogWorld& w) { w.user.Click(kRadioAddressCheck); },
     [](DialogWorld& w) {
       const char* texts[] = {"00", "84", "00", "01"};
       for (int i = 0; i < 4; ++i) {
         EXPECT_TRUE(w.controls.IsEnabled(kRadioAddressFields[i]));
         EXPECT_EQ(w.controls.GetText(kRadioAddressFields[i]), texts[i]);
       }
     }},
    {"UntickingTheRadioAddressKeepsEditedTexts",
     [](DialogWorld& w) {
       w.user.Click(kRadioAddressCheck);
       w.user.Type(kRadioAddress2, "7F");
       w.user.Click(kRadioAddressCheck);
     },
     [](DialogWorld& w) {
       for (int id : kRadioAddressFields)
         EXPECT_FALSE(w.controls.IsEnabled(id));
       EXPECT_EQ(w.controls.GetText(kRadioAddress2), "7F");
     }},
    {"TheMechanismListOpens200PixelsWide",
     [](DialogWorld& w) {
       w.user.Choose(kCutter, 1);
       w.user.Open(kMechanism);
     },
     [](DialogWorld& w) { EXPECT_EQ(w.controls.DroppedWidth(kMechanism), 200); }},
    {"OtherListsChangeNothingElse",
     [](DialogWorld& w) {
       w.user.Choose(kLanguage, 3);
       w.user.Choose(kInterface, 12);
       w.user.Choose(kFont, 2);
       w.user.Open(kCutter);
     },
     [](DialogWorld& w) {
       EXPECT_EQ(w.controls.GetSelection(kLanguage), 3);
       EXPECT_FALSE(w.controls.IsEnabled(kMechanism));
       EXPECT_EQ(w.controls.DroppedWidth(kCutter), 0);
     }},
};

std::vector<VariantRuleCase> RulesInBothVariants() {
  std::vector<VariantRuleCase> cases;
  for (const RuleCase& rule : kRules) {
    cases.push_back({rule, Chinese, rule.name + "_Chinese"});
    cases.push_back({rule, English, rule.name + "_English"});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Rules, RuleTest, testing::ValuesIn(RulesInBothVariants()),
                         ParamName<VariantRuleCase>);

struct CheckBoxCase {
  std::string name;
  int checkBox;
  int field;
};

class CheckBoxRuleTest : public testing::TestWithParam<CheckBoxCase> {};

TEST_P(CheckBoxRuleTest, TheBoxGovernsItsFieldAndTheTextStays) {
  for (UiVariant v : {Chinese, English}) {
    DialogWorld w(v);
    const CheckBoxCase& c = GetParam();
    ASSERT_TRUE(w.user.Click(c.checkBox));
    EXPECT_TRUE(w.controls.IsEnabled(c.field));
    ASSERT_TRUE(w.user.Type(c.field, "ZEL-80"));
    ASSERT_TRUE(w.user.Click(c.checkBox));
    EXPECT_FALSE(w.controls.IsEnabled(c.field));
    EXPECT_EQ(w.controls.GetText(c.field), "ZEL-80");
    EXPECT_FALSE(w.user.Type(c.field, "x")) << "a disabled field takes no typing";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, CheckBoxRuleTest,
    testing::Values(CheckBoxCase{"Manufacturer", kManufacturerCheck, kManufacturerText},
                    CheckBoxCase{"Model", kModelCheck, kModelText},
                    CheckBoxCase{"BluetoothName", kBluetoothNameCheck, kBluetoothNameText},
                    CheckBoxCase{"BluetoothPassword", kBluetoothPasswordCheck,
                                 kBluetoothPasswordText},
                    CheckBoxCase{"StartOffset", kStartOffsetCheck, kStartOffsetText},
                    CheckBoxCase{"CutOffset", kCutOffsetCheck, kCutOffsetText}),
    ParamName<CheckBoxCase>);

TEST(CheckBoxRule, AnIdThatIsNoBoxGovernsNothing) {
  EXPECT_FALSE(FieldOfCheckBox(kRadioAddressCheck).has_value());
  EXPECT_FALSE(FieldOfCheckBox(kLanguage).has_value());
}

// The open mechanism list: 200 pixels at 96 dpi, scaled with the dialog's resolution.
TEST(PixelsForDpi, ScalesTheDroppedListWidthWithTheResolution) {
  const std::pair<int, int> cases[] = {{96, 200},  {120, 250}, {144, 300}, {192, 400},
                                       {168, 350}, {0, 200},   {-1, 200}};
  for (const auto& [dpi, width] : cases)
    EXPECT_EQ(PixelsForDpi(kMechanismListWidth, dpi), width) << dpi;
  EXPECT_EQ(PixelsForDpi(3, 144), 5);  // 4.5 rounds up
}

}  // namespace
}  // namespace vantrel
