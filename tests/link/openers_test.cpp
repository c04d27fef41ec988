// The openers and the runs as a program without a dialog uses them: parameters in, a port or a
// link out, the failure shown through the caller's prompts, then a run over what was opened.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/connections.h"
#include "protocol/operations.h"
#include "protocol/set_run.h"
#include "tests/support/link_world.h"
#include "tests/support/param_name.h"

namespace vantrel {
namespace {

using namespace test;  // NOLINT
using UiVariant::Chinese;
using UiVariant::English;

struct Terminal {
  explicit Terminal(UiVariant v) : variant(v) {}
  UiVariant variant;
  Script script;
  RecordingPrompts prompts{script};
  FakeSystem system{script};
  LinkContext Link() { return {variant, prompts, system}; }
  RunContext Run() { return {variant, prompts, system}; }
};

const Ipv4Endpoint kLoopbackPrinter{{127, 0, 0, 1}, 9100};

struct OpenerCase {
  std::string name;
  UiVariant variant;
  std::vector<UsbDevice> usbDevices;
  // Opens, runs over what was opened when anything was, and releases it.
  std::function<void(Terminal&)> use;
  std::vector<Step> steps;
};

class OpenWithoutDialog : public testing::TestWithParam<OpenerCase> {};

TEST_P(OpenWithoutDialog, OpensRunsAndReleasesWithTheCallersParameters) {
  const OpenerCase& c = GetParam();
  Terminal terminal(c.variant);
  terminal.system.usbDevices = c.usbDevices;
  for (const Step& step : c.steps)
    terminal.script.Then(step);
  c.use(terminal);
  terminal.script.ExpectDone();
}

SettingSelection CutterAndCutOffset() {
  SettingSelection s;
  s.blackMarkDetection = 1;
  s.lcdBacklight = 1;
  s.sendCutOffset = true;
  s.cutOffsetText = "12";
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OpenWithoutDialog,
    testing::Values(
        OpenerCase{"SerialByPathWithTheCallersLine",
                   English,
                   {},
                   [](Terminal& tool) {
                     auto port = OpenSerialPort(tool.Link(), "/dev/ttyUSB0", {115200, Parity::Odd});
                     ASSERT_NE(port, nullptr);
                     RunDirectOperation(tool.Run(), std::move(port), DeviceOperation::Cut, 0);
                   },
                   {OpenSerial("/dev/ttyUSB0"), SerialQueues(4096, 4096),
                    Timeouts(SerialTimeouts(English, 115200)), ReadLineSettings(),
                    WriteLineSettings(FixedLine(115200, 1)), Write("1D 56 42 00"), Sleep(500),
                    ClosePort()}},
        OpenerCase{
            "SerialKeepsThePortsOwnRateAndParity",
            Chinese,
            {},
            [](Terminal& tool) { EXPECT_NE(OpenSerialPort(tool.Link(), "COM3", {}), nullptr); },
            {OpenSerial("COM3"), SerialQueues(4096, 4096), Timeouts(SerialTimeouts(Chinese, 1200)),
             ReadLineSettings(), WriteLineSettings(FixedLine(4800, 2)), ClosePort()}},
        OpenerCase{
            "SerialFailureShownInTheVariant",
            English,
            {},
            [](Terminal& tool) {
              EXPECT_EQ(OpenSerialPort(tool.Link(), "/dev/ttyS9", {9600, Parity::None}), nullptr);
            },
            {Failing(OpenSerial("/dev/ttyS9")), Message("Failed to open serial port!")}},
        OpenerCase{"ParallelSetRunFromASelection",
                   Chinese,
                   {},
                   [](Terminal& tool) {
                     auto port = OpenParallelPort(tool.Link());
                     ASSERT_NE(port, nullptr);
                     RunSetOverPort(tool.Run(), std::move(port), CutterAndCutOffset(),
                                    kParallelInterface, false);
                   },
                   {OpenParallel(), Write("1B 09"), Write("1B 22 00"), Write("1C BC 00"),
                    ReadNothing(1), Sleep(100), Write("1D 28 46 04 00 02 00 44 00"), Write("1B 15"),
                    Message("黑标检测设置完成!\r\nLCD背光设置失败!\r\n切/撕纸偏移量设置完成!\r\n"),
                    ClosePort()}},
        OpenerCase{"UsbFindsTheWriteOnlyPrinter",
                   English,
                   {kWriteOnlyUsbPrinter},
                   [](Terminal& tool) {
                     bool writeOnly = false;
                     auto port = OpenUsbPort(tool.Link(), writeOnly);
                     EXPECT_NE(port, nullptr);
                     EXPECT_TRUE(writeOnly);
                     RunFixedCommand(tool.Run(), std::move(port), FixedCommand::BidTest);
                   },
                   UsbOpened(English, kWriteOnlyUsbPrinter) +
                       std::vector<Step>{Write("1B 09 1B 1A FF 1B 15"),
                                         Message("print BID adjust demo completed!"), ClosePort()}},
        OpenerCase{"UsbWithoutAPrinterSaysSo",
                   Chinese,
                   {},
                   [](Terminal& tool) {
                     bool writeOnly = true;
                     EXPECT_EQ(OpenUsbPort(tool.Link(), writeOnly), nullptr);
                     EXPECT_TRUE(writeOnly) << "left alone when no printer was found";
                   },
                   {ListUsbDevices(), Message("USB接口打开失败!")}},
        OpenerCase{"NetworkStoredBitmapPrint",
                   English,
                   {},
                   [](Terminal& tool) {
                     auto link = OpenNetworkLink(tool.Link(), kLoopbackPrinter);
                     ASSERT_NE(link, nullptr);
                     RunDirectOperationOverNetwork(tool.Run(), std::move(link),
                                                   DeviceOperation::PrintStoredBitmap, 7);
                   },
                   std::vector<Step>{StartSockets(), CreateSocket(), Connect("127.0.0.1:9100"),
                                     Send("1C 50 07"), Sleep(500)} +
                       NetworkLinkRelease() +
                       std::vector<Step>{Message("Bitmap print completed!")}},
        OpenerCase{"NetworkUnreachableInTheVariant",
                   Chinese,
                   {},
                   [](Terminal& tool) {
                     EXPECT_EQ(OpenNetworkLink(tool.Link(), kLoopbackPrinter), nullptr);
                   },
                   {StartSockets(), CreateSocket(), Failing(Connect("127.0.0.1:9100")),
                    CloseSocket(), StopSockets(), Message("网络连接失败 请检查网络连接!")}}),
    ParamName<OpenerCase>);

// The port number as the address field gives it.
struct PortTextCase {
  std::string name;
  std::string text;
  std::uint16_t port;
};

class PortNumberTest : public testing::TestWithParam<PortTextCase> {};

TEST_P(PortNumberTest, ReadsLikeASignedDialogNumberTruncatedTo16Bits) {
  EXPECT_EQ(ParsePortNumber(GetParam().text), GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PortNumberTest,
    testing::Values(PortTextCase{"Default", "9100", 9100}, PortTextCase{"Empty", "", 0},
                    PortTextCase{"Word", "abc", 0}, PortTextCase{"TrailingLetters", "91a", 0},
                    PortTextCase{"Blanks", " 9100 ", 9100}, PortTextCase{"Plus", "+80", 80},
                    PortTextCase{"PlusMinus", "+-80", 0}, PortTextCase{"MinusOne", "-1", 65535},
                    PortTextCase{"Above16Bits", "70000", 4464},
                    PortTextCase{"Beyond32Bits", "99999999999", 0}),
    ParamName<PortTextCase>);

}  // namespace
}  // namespace vantrel
