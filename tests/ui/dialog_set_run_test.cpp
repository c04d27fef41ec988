// The Set run as the dialog starts it: the interface and the settings read from the controls,
// the refusal of what cannot be sent, then the report box and the release. The dialog's controls
// start as it opens, every setting left unchanged.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "protocol/set_run.h"
#include "protocol/settings.h"
#include "tests/support/expected_tables.h"
#include "tests/support/param_name.h"
#include "tests/support/script.h"
#include "tests/support/template_controls.h"
#include "ui/control_ids.h"
#include "ui/device_actions.h"
#include "ui/dialog_rules.h"

namespace vantrel {
namespace {

using namespace vantrel::test;  // NOLINT: the script vocabulary reads best unqualified

// After an answer judged wrong, the run waits 100 ms for the rest of a late answer before it
// discards what came and sends the next setting.
Step Settle() {
  return Sleep(100);
}

struct DialogRun {
  explicit DialogRun(UiVariant v) : variant(v), controls(v) { InitialiseControls(v, controls); }

  UiVariant variant;
  Script script;
  ScriptedSleeper sleeper{script};
  ScriptedMessages messages{script};
  TemplateControls controls;
  PrinterConnection connection;

  DeviceContext Context() { return {variant, controls, messages, sleeper}; }
  void OpenPort() { connection.handle = std::make_unique<ScriptedPort>(script); }
  void OpenLink() { connection.socket = std::make_unique<ScriptedLink>(script); }
};

class EmptyRun : public testing::TestWithParam<UiVariant> {};

TEST_P(EmptyRun, OverAPortFramesNothingAndSaysSo) {
  DialogRun d(GetParam());
  d.OpenPort();
  d.script = {Write("1B 09"), Write("1B 15"), Message(expected::EmptyPortReport(GetParam())),
              ClosePort()};
  EXPECT_EQ(OperationDispatcher(d.Context(), d.connection, DeviceOperation::SetOverPort), 1);
  d.script.ExpectDone();
  EXPECT_EQ(d.connection.handle, nullptr);
}

TEST_P(EmptyRun, OverTheNetworkShowsAnEmptyBoxBeforeTheLinkCloses) {
  DialogRun d(GetParam());
  d.OpenLink();
  d.script = {Send("1B 09"), Sleep(1000), Send("1B 15"), Message(""), CloseLink()};
  OperationDispatcher(d.Context(), d.connection, DeviceOperation::SetOverNetwork);
  d.script.ExpectDone();
}

INSTANTIATE_TEST_SUITE_P(Variants, EmptyRun,
                         testing::Values(UiVariant::Chinese, UiVariant::English), VariantName);

TEST(DialogSetRun, ReadsTheInterfaceAndSettingsFromTheDialog) {
  DialogRun d(UiVariant::Chinese);
  d.controls.SetSelection(ctl::kInterface, kParallelInterface);
  d.controls.SetSelection(ctl::kBlackMarkDetection, 1);
  d.controls.SetSelection(ctl::kLcdBacklight, 1);
  d.controls.SetChecked(ctl::kCutOffsetCheck, true);
  d.controls.SetText(ctl::kCutOffsetText, "12");
  d.OpenPort();
  d.script = {Write("1B 09"),
              Write("1B 22 00"),
              Write("1C BC 00"),
              ReadNothing(1),
              Settle(),
              Write("1D 28 46 04 00 02 00 44 00"),
              Write("1B 15"),
              Message(expected::Report(UiVariant::Chinese, "---c ----------------- f ----- c")),
              ClosePort()};
  OperationDispatcher(d.Context(), d.connection, DeviceOperation::SetOverPort);
  d.script.ExpectDone();
}

// Family 1, every item of every list as the dialog reads it: the prefix, then the index minus 1.
TEST(ReadSettingSelection, EveryItemOfEveryChoiceListSendsItsIndexMinusOne) {
  for (SettingKey key : AllSettingKeys()) {
    for (int index = 1; index <= expected::ChoiceItems(key); ++index) {
      TemplateControls controls(UiVariant::English);
      controls.SetSelection(expected::Control(key), index);
      const auto encoded = EncodeSetting(key, ReadSettingSelection(controls));
      ASSERT_TRUE(encoded.has_value()) << expected::Name(key) << " " << index;
      EXPECT_EQ(Hex(encoded->command), Hex(expected::ChoiceCommand(key, index)))
          << expected::Name(key) << " " << index;
      EXPECT_EQ(encoded->reference, index - 1) << expected::Name(key);
    }
  }
}

TEST(ReadSettingSelection, TakesEveryControlWhateverItsEnabledState) {
  TemplateControls c(UiVariant::Chinese);
  c.SetSelection(ctl::kCutter, 3);
  c.SetSelection(ctl::kMechanism, 2);
  c.Enable(ctl::kMechanism, false);
  c.SetSelection(ctl::kTargetBaud, 8);
  c.SetSelection(ctl::kTargetParity, 2);
  c.SetSelection(ctl::kTargetDataBits, 0);
  c.SetSelection(ctl::kTargetFlow, 0);
  c.SetChecked(ctl::kRadioAddressCheck, true);
  c.SetText(ctl::kRadioAddress1, "ab");
  c.SetText(ctl::kRadioAddress2, "EF");
  c.SetText(ctl::kRadioAddress3, "840");
  c.SetText(ctl::kRadioAddress4, "07");
  c.SetText(ctl::kModelText, "unticked");
  const SettingSelection s = ReadSettingSelection(c);
  EXPECT_EQ(Hex(EncodeSetting(SettingKey::CutterMechanism, s)->command), "1B 19 22");
  EXPECT_EQ(Hex(EncodeSetting(SettingKey::TargetSerialLine, s)->command), "1B 23 07");
  EXPECT_EQ(Hex(EncodeSetting(SettingKey::RadioAddress, s)->command), "1C BD AB EF 84 07");
  EXPECT_FALSE(EncodeSetting(SettingKey::ModelName, s));
}

struct RefusalMessageCase {
  const char* name;
  UiVariant variant;
  std::function<void(TemplateControls&)> enter;
  const char* message;
};

class RefusedRun : public testing::TestWithParam<RefusalMessageCase> {};

// A refused selection sends no byte: the set-up refuses before anything is opened, and a run
// handed an open connection anyway releases it untouched after the message.
TEST_P(RefusedRun, SendsNothingAndNamesTheField) {
  const RefusalMessageCase& c = GetParam();
  {
    DialogRun d(c.variant);
    c.enter(d.controls);
    d.script = {Message(c.message)};
    EXPECT_TRUE(RefuseUnsendableSelection(d.Context()));
    d.script.ExpectDone();
  }
  {
    DialogRun d(c.variant);
    c.enter(d.controls);
    d.OpenPort();
    d.script = {Message(c.message), ClosePort()};
    OperationDispatcher(d.Context(), d.connection, DeviceOperation::SetOverPort);
    d.script.ExpectDone();
  }
  {
    DialogRun d(c.variant);
    c.enter(d.controls);
    d.OpenLink();
    d.script = {Message(c.message), CloseLink()};
    OperationDispatcher(d.Context(), d.connection, DeviceOperation::SetOverNetwork);
    d.script.ExpectDone();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RefusedRun,
    testing::Values(RefusalMessageCase{"RadioChinese", UiVariant::Chinese,
                                       [](TemplateControls& c) {
                                         c.SetSelection(ctl::kLanguage, 1);
                                         c.SetChecked(ctl::kRadioAddressCheck, true);
                                         c.SetText(ctl::kRadioAddress1, "00");
                                         c.SetText(ctl::kRadioAddress2, "8");
                                       },
                                       "射频地址第2栏须以两位十六进制数字(0-9, A-F)开头!"},
                    RefusalMessageCase{
                        "RadioEnglish", UiVariant::English,
                        [](TemplateControls& c) {
                          c.SetChecked(ctl::kRadioAddressCheck, true);
                          c.SetText(ctl::kRadioAddress1, "zz");
                        },
                        "Radio Address field 1 must begin with two hexadecimal digits (0-9, "
                        "A-F)!"},
                    RefusalMessageCase{"BluetoothPasswordChinese", UiVariant::Chinese,
                                       [](TemplateControls& c) {
                                         c.SetChecked(ctl::kBluetoothPasswordCheck, true);
                                         c.SetText(ctl::kBluetoothPasswordText,
                                                   std::string(256, '9'));
                                       },
                                       "蓝牙密码不能超过255字节!"},
                    RefusalMessageCase{"BluetoothNameEnglish", UiVariant::English,
                                       [](TemplateControls& c) {
                                         c.SetChecked(ctl::kBluetoothNameCheck, true);
                                         c.SetText(ctl::kBluetoothNameText, std::string(400, 'n'));
                                       },
                                       "BT Name must not exceed 255 bytes!"},
                    RefusalMessageCase{"StartOffsetNegativeChinese", UiVariant::Chinese,
                                       [](TemplateControls& c) {
                                         c.SetChecked(ctl::kStartOffsetCheck, true);
                                         c.SetText(ctl::kStartOffsetText, "-5");
                                       },
                                       "起始偏移量须在0到11538mm之间!"},
                    RefusalMessageCase{"CutOffsetTooLargeEnglish", UiVariant::English,
                                       [](TemplateControls& c) {
                                         c.SetChecked(ctl::kCutOffsetCheck, true);
                                         c.SetText(ctl::kCutOffsetText, "20000");
                                       },
                                       "Cut paper offset must be between 0 and 11538 mm!"}),
    ParamName<RefusalMessageCase>);

TEST(RefuseUnsendableSelection, LetsASendableSelectionThrough) {
  DialogRun d(UiVariant::Chinese);
  d.controls.SetChecked(ctl::kRadioAddressCheck, true);
  for (int id : ctl::kRadioAddressFields)
    d.controls.SetText(id, "0F");
  EXPECT_FALSE(RefuseUnsendableSelection(d.Context()));
  d.script.ExpectDone();
}

}  // namespace
}  // namespace vantrel
