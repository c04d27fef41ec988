#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/set_run.h"
#include "tests/support/param_name.h"
#include "tests/support/print_case.h"
#include "tests/ui/dialog_world.h"
#include "ui/option_lists.h"

namespace vantrel {
namespace {

using namespace test;
using namespace ctl;
using test::PrintTo;
using UiVariant::Chinese;
using UiVariant::English;

const char* const kTestLine = "50 72 69 6E 74 20 74 65 73 74 20 4F 4B 21 0A 0D";

// Everything the user can see of the controls' state, to show that device actions leave it alone.
std::string Snapshot(TemplateControls& c) {
  std::string state;
  auto add = [&state](int id, const std::string& what) {
    state += std::to_string(id) + ":" + what + " ";
  };
  for (int id : ListControlIds())
    add(id, std::to_string(c.GetSelection(id)) + (c.IsEnabled(id) ? "e" : "d"));
  for (int id : {kManufacturerCheck, kModelCheck, kBluetoothNameCheck, kBluetoothPasswordCheck,
                 kRadioAddressCheck, kStartOffsetCheck, kCutOffsetCheck})
    add(id, std::string(c.IsChecked(id) ? "x" : "o") + (c.IsEnabled(id) ? "e" : "d"));
  for (int id : {kManufacturerText, kModelText, kBluetoothNameText, kBluetoothPasswordText,
                 kStartOffsetText, kCutOffsetText, kRadioAddress1, kRadioAddress2, kRadioAddress3,
                 kRadioAddress4, kNetworkPort})
    add(id, c.GetText(id) + (c.IsEnabled(id) ? "e" : "d"));
  for (int id : {kDownloadBitmap, kPrintStoredBitmap, kSelectBitmap})
    add(id, c.IsEnabled(id) ? "e" : "d");
  return state;
}

// --- Which click runs which button ---

struct ClickCase {
  std::string name;
  UiVariant variant;
  int id;
  std::vector<Step> steps;  // over Ethernet, which the case selects
  CommandResult result = CommandResult::Handled;
};

class ClickRoutingTest : public testing::TestWithParam<ClickCase> {};

TEST_P(ClickRoutingTest, RunsTheButtonOfThisTemplate) {
  const ClickCase& c = GetParam();
  DialogWorld w(c.variant);
  w.controls.SetSelection(kInterface, kNetworkInterface);
  w.controls.SetSelection(kBitmapSlot, 5);
  w.script.Then(c.steps);
  const std::string before = Snapshot(w.controls);
  EXPECT_EQ(w.dialog->OnCommand(c.id, Notification::Clicked), c.result);
  w.script.ExpectDone();
  EXPECT_EQ(Snapshot(w.controls), before) << "no device action changes a control";
}

std::vector<Step> SendsOverItsOwnLink(const char* bytes) {
  return NetworkOpened() + std::vector<Step>{Send(bytes), Sleep(500)} + NetworkLinkRelease();
}

std::vector<Step> SendsAndTells(const char* bytes, const char* text) {
  return NetworkOpened() + std::vector<Step>{Send(bytes), Message(text)} + NetworkLinkRelease();
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ClickRoutingTest,
    testing::Values(
        // The bottom row: Chinese 6, 5, 4 are drawer, cut, test; English 3, 4, 5.
        ClickCase{"Chinese6IsTheDrawer", Chinese, 6, SendsOverItsOwnLink("1B 70 00 32 32")},
        ClickCase{"Chinese5IsTheCutter", Chinese, 5, SendsOverItsOwnLink("1D 56 42 00")},
        ClickCase{"Chinese4IsTheTest", Chinese, 4, SendsOverItsOwnLink(kTestLine)},
        ClickCase{"English3IsTheDrawer", English, 3, SendsOverItsOwnLink("1B 70 00 32 32")},
        ClickCase{"English4IsTheCutter", English, 4, SendsOverItsOwnLink("1D 56 42 00")},
        ClickCase{"English5IsTheTest", English, 5, SendsOverItsOwnLink(kTestLine)},
        ClickCase{"Chinese3IsNoButton", Chinese, 3, {}, CommandResult::Ignored},
        ClickCase{"English6IsNoButton", English, 6, {}, CommandResult::Ignored},
        ClickCase{"PrintStoredBitmap", English, kPrintStoredBitmap,
                  SendsOverItsOwnLink("1C 50 05") +
                      std::vector<Step>{Message("Bitmap print completed!")}},
        ClickCase{"BidTest", Chinese, kBidTest,
                  SendsAndTells("1B 09 1B 1A FF 1B 15", "BID调整测试样条打印完成!")},
        ClickCase{"FeedToNext", English, kFeedToNext,
                  SendsAndTells("1D 0C C6 F0 CA BC B4 F2 D3 A1 CE BB D6 C3 0A 0D",
                                "print and walk paper to next position completed!")},
        ClickCase{"FeedToCut", Chinese, kFeedToCut,
                  SendsAndTells("B4 F2 D3 A1 BD E1 CA F8 B2 A2 D7 DF D6 BD B5 BD CB BA 20 2F 20 "
                                "C7 D0 D6 BD CF DF 0A 0D 1D 56 42 00",
                                "打印并走纸到切/撕纸位置完成!")},
        // The Set button (and the Enter key, which presses it): the network run.
        ClickCase{"SetChinese", Chinese, kSet,
                  NetworkOpened() +
                      std::vector<Step>{Send("1B 09"), Sleep(1000), Send("1B 15"), Message("")} +
                      NetworkLinkRelease()},
        // Close, Escape and the close box end the dialog; no device is touched.
        ClickCase{"CloseChinese", Chinese, kClose, {}, CommandResult::EndDialog},
        ClickCase{"CloseEnglish", English, kClose, {}, CommandResult::EndDialog},
        ClickCase{"PreviewFrameIsNoButton", English, kPreviewFrame, {}, CommandResult::Ignored}),
    ParamName<ClickCase>);

TEST(CommandRouting, OnlyTheRuleListsReactToASelectionChange) {
  DialogWorld w(English);
  for (int id : {kInterface, kLanguage, kMechanism, kCurrentBaud, kBitmapSlot})
    EXPECT_EQ(w.dialog->OnCommand(id, Notification::SelectionChanged), CommandResult::Ignored)
        << id;
  for (int id : {kCutter, kTargetBaud, kCodePage})
    EXPECT_EQ(w.dialog->OnCommand(id, Notification::SelectionChanged), CommandResult::Handled)
        << id;
  EXPECT_EQ(w.dialog->OnCommand(kCutter, Notification::DropDown), CommandResult::Ignored);
  EXPECT_EQ(w.dialog->OnCommand(kMechanism, Notification::DropDown), CommandResult::Handled);
  w.script.ExpectDone();
}

// --- OnSet ---

struct SetCase {
  std::string name;
  UiVariant variant;
  InterfaceType interface;
  std::vector<Step> steps;
  bool isNetwork;
  bool usbPrinterAttached = true;
};

class SetTest : public testing::TestWithParam<SetCase> {};

TEST_P(SetTest, OpensRunsAndReleases) {
  const SetCase& c = GetParam();
  DialogWorld w(c.variant);
  w.controls.SetSelection(kInterface, c.interface);
  if (c.usbPrinterAttached)
    w.system.usbDevices = {
        {"\\\\?\\usb#vid_067b&pid_2305#7&3c4d5e6&0&3#{a5dcbf10}", {{0x067B, 0x2305}}}};
  w.script.Then(c.steps);
  w.dialog->OnSet();
  w.script.ExpectDone();
  EXPECT_EQ(w.dialog->connection().isNetwork, c.isNetwork);
  EXPECT_EQ(w.dialog->connection().handle, nullptr);
  EXPECT_EQ(w.dialog->connection().socket, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, SetTest,
    testing::Values(
        SetCase{"NothingChosenOverLpt1Chinese",
                Chinese,
                kParallelInterface,
                {OpenParallel(), Write("1B 09"), Write("1B 15"), Message("设置完成"), ClosePort()},
                false},
        SetCase{"NothingChosenOverUsbEnglish",
                English,
                kUsbInterface,
                {ListUsbDevices(), OpenUsb("\\\\?\\usb#vid_067b&pid_2305#7&3c4d5e6&0&3#{a5dcbf10}"),
                 Timeouts({kMaxDword, 0, 0, 50, 2000}), Write("1B 09"), Write("1B 15"),
                 Message("set completed."), ClosePort()},
                false},
        SetCase{"NothingChosenOverEthernetEnglish", English, kNetworkInterface,
                NetworkOpened() +
                    std::vector<Step>{Send("1B 09"), Sleep(1000), Send("1B 15"), Message("")} +
                    NetworkLinkRelease(),
                true},
        // A failed open ends the action with the opener's one message.
        SetCase{"HeldSerialPort",
                Chinese,
                0,
                {Failing(OpenSerial("COM1")), Message("串口打开失败!")},
                false},
        SetCase{"NoUsbPrinter",
                English,
                kUsbInterface,
                {ListUsbDevices(), Message("Failed to open USB port!")},
                false,
                false},
        SetCase{"EthernetUnreachableChinese",
                Chinese,
                kNetworkInterface,
                {StartSockets(), CreateSocket(), Failing(Connect("192.168.1.114:9100")),
                 CloseSocket(), StopSockets(), Message("网络连接失败 请检查网络连接!")},
                true}),
    ParamName<SetCase>);

TEST(Set, AnUnsendableSelectionIsRefusedBeforeAnythingIsOpened) {
  for (UiVariant v : {Chinese, English}) {
    DialogWorld w(v);
    w.controls.SetSelection(kInterface, kNetworkInterface);
    w.user.Click(kRadioAddressCheck);
    w.user.Type(kRadioAddress3, "G0");
    w.script.Then(Message(v == Chinese ? "射频地址第3栏须以两位十六进制数字(0-9, A-F)开头!"
                                       : "Radio Address field 3 must begin with two hexadecimal "
                                         "digits (0-9, A-F)!"));
    w.dialog->OnCommand(kSet, Notification::Clicked);
    w.script.ExpectDone();
    EXPECT_FALSE(w.dialog->connection().isNetwork) << "nothing was opened, not even chosen";
  }
}

TEST(Set, TheEnglishDialogStartsOnUsbAndReportsAMissingPrinterOnce) {
  DialogWorld w(English);
  w.script.Then({ListUsbDevices(), Message("Failed to open USB port!")});
  w.user.Click(kSet);
  w.script.ExpectDone();
}

TEST(Set, TheWriteOnlyUsbPrinterIsRememberedForLaterActions) {
  DialogWorld w(Chinese);
  w.controls.SetSelection(kInterface, kUsbInterface);
  w.system.usbDevices = {{"\\\\?\\usb#vid_067b&pid_2305#1", {{0x067B, 0x2305}}}};
  w.script.Then({ListUsbDevices(), OpenUsb("\\\\?\\usb#vid_067b&pid_2305#1"),
                 Timeouts({kMaxDword, 0, 0, 25, 50}), Write("1B 09"), Write("1B 15"),
                 Message("设置完成"), ClosePort()});
  w.user.Click(kSet);
  w.controls.SetSelection(kInterface, kParallelInterface);
  w.script.Then({OpenParallel(), Write("1B 09"), Write("1B 15"), Message("设置完成"), ClosePort()});
  w.user.Click(kSet);
  w.script.ExpectDone();
  EXPECT_TRUE(w.dialog->connection().usbWriteOnly);
}

// --- The download opener of the dialog ---

TEST(DialogDownloadOpener, KeepsItsNetworkLinkOutOfTheDialogsRecord) {
  DialogWorld w(Chinese);
  w.controls.SetSelection(kInterface, kNetworkInterface);
  w.script.Then(NetworkOpened());
  auto target = w.dialog->OpenDownloadTarget();
  w.script.ExpectDone();
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(w.dialog->connection().socket, nullptr);
  EXPECT_FALSE(w.dialog->connection().isNetwork);
  w.script.Then(NetworkLinkRelease());
  target.reset();
  w.script.ExpectDone();
}

// --- Variant data and the minimised window ---

TEST(Profile, EachVariantHasItsTemplateCaptionAndButtons) {
  const DialogProfile zh = ProfileFor(Chinese);
  EXPECT_EQ(zh.templateId, 102);
  EXPECT_EQ(zh.caption, "VantrelV2.05");
  EXPECT_EQ(zh.deviceButtons.cashDrawer, 6);
  EXPECT_EQ(zh.deviceButtons.cut, 5);
  EXPECT_EQ(zh.deviceButtons.printTest, 4);
  const DialogProfile en = ProfileFor(English);
  EXPECT_EQ(en.templateId, 103);
  EXPECT_EQ(en.caption, "VantrelsV2.05");
  EXPECT_EQ(en.deviceButtons.cashDrawer, 3);
  EXPECT_EQ(en.deviceButtons.cut, 4);
  EXPECT_EQ(en.deviceButtons.printTest, 5);
  EXPECT_EQ(CZelSetupDlg::IDD, 102);
  EXPECT_EQ(CZelSetupDlgEn::IDD, 103);
}

struct IconCase {
  std::string name;
  int clientWidth, clientHeight, iconWidth, iconHeight;
  int x, y;
};

class MinimisedIconTest : public testing::TestWithParam<IconCase> {};

TEST_P(MinimisedIconTest, IsCentredWithHalvesTruncatedTowardZero) {
  const IconCase& c = GetParam();
  const IconOrigin origin =
      MinimisedIconOrigin(c.clientWidth, c.clientHeight, c.iconWidth, c.iconHeight);
  EXPECT_EQ(origin.x, c.x);
  EXPECT_EQ(origin.y, c.y);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MinimisedIconTest,
                         testing::Values(IconCase{"EvenSpare", 100, 50, 32, 32, 34, 9},
                                         IconCase{"OddSpare", 101, 51, 32, 32, 35, 10},
                                         IconCase{"SameSize", 32, 32, 32, 32, 0, 0},
                                         // (20 - 32 + 1) / 2 = -5.5, truncated to -5.
                                         IconCase{"SmallerThanTheIcon", 20, 20, 32, 32, -5, -5}),
                         ParamName<IconCase>);

}  // namespace
}  // namespace vantrel
