#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/connections.h"
#include "link/win32/device_paths.h"
#include "tests/support/link_world.h"
#include "tests/support/param_name.h"
#include "tests/support/print_case.h"

namespace vantrel {
namespace {

using namespace test;
using test::PrintTo;
using UiVariant::Chinese;
using UiVariant::English;

const CommTimeouts kSerialZh = kSerialTimeoutsZh;
const CommTimeouts kSerialEn = kSerialTimeoutsEn;
const CommTimeouts kUsbZh = kUsbTimeoutsZh;
const CommTimeouts kUsbEn = kUsbTimeoutsEn;

// --- OpenSerialPort ---

struct SerialCase {
  std::string name;
  UiVariant variant;
  InterfaceType port;
  int baudIndex;
  int parityIndex;
  std::string path;
  SerialLine line;
  CommTimeouts timeouts;
  int dataBitsIndex = 1;
  int flowIndex = 1;
};

class SerialOpenTest : public testing::TestWithParam<SerialCase> {};

TEST_P(SerialOpenTest, OpensTheNamedPortAndSetsItsLine) {
  const SerialCase& c = GetParam();
  LinkWorld w(c.variant);
  w.Select(c.port);
  w.controls.SetSelection(ctl::kCurrentBaud, c.baudIndex);
  w.controls.SetSelection(ctl::kCurrentParity, c.parityIndex);
  w.controls.SetSelection(ctl::kCurrentDataBits, c.dataBitsIndex);
  w.controls.SetSelection(ctl::kCurrentFlow, c.flowIndex);
  w.script.Then({OpenSerial(c.path), SerialQueues(4096, 4096), Timeouts(c.timeouts),
                 ReadLineSettings(), WriteLineSettings(c.line)});

  EXPECT_TRUE(OpenSerialPort(w.context, w.connection));
  w.script.ExpectDone();
  EXPECT_NE(w.connection.handle, nullptr);

  w.script.Then(ClosePort());
  w.connection.handle.reset();
  w.script.ExpectDone();
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SerialOpenTest,
    testing::Values(
        SerialCase{"ChineseCom1At9600", Chinese, 0, 3, 0, "COM1", FixedLine(9600, 0), kSerialZh},
        SerialCase{"EnglishCom1At9600", English, 0, 3, 0, "COM1", FixedLine(9600, 0), kSerialEn},
        SerialCase{"Com10SameRuleAsOneDigit", Chinese, 9, 0, 0, "COM10", FixedLine(1200, 0),
                   SerialTimeouts(Chinese, 1200)},
        SerialCase{"Com5At115200Even", English, 4, 7, 2, "COM5", FixedLine(115200, 2),
                   SerialTimeouts(English, 115200)},
        SerialCase{"OddParity", Chinese, 1, 1, 1, "COM2", FixedLine(2400, 1),
                   SerialTimeouts(Chinese, 2400)},
        // No rate selected: the port's own rate (4800 as the fake reads it) stays.
        SerialCase{"NoRateKeepsThePortsRate", English, 2, -1, 0, "COM3", FixedLine(4800, 0),
                   SerialTimeouts(English, 1200)},
        // 7 data bits and XON/XOFF in the dialog's lists change nothing.
        SerialCase{"DataBitsAndFlowListsIgnored", Chinese, 0, 4, 0, "COM1", FixedLine(19200, 0),
                   SerialTimeouts(Chinese, 19200), 0, 0}),
    ParamName<SerialCase>);

struct FailureCase {
  std::string name;
  UiVariant variant;
  std::vector<Step> steps;
};

class SerialFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(SerialFailureTest, ShowsOneMessageAndHoldsNothing) {
  const FailureCase& c = GetParam();
  LinkWorld w(c.variant);
  w.Select(2);
  w.script.Then(c.steps);
  EXPECT_FALSE(OpenSerialPort(w.context, w.connection));
  w.script.ExpectDone();
  EXPECT_EQ(w.connection.handle, nullptr);
}

std::vector<Step> OpenFails(std::string_view message) {
  return {Failing(OpenSerial("COM3")), Message(message)};
}

// The port is released before the message, so the next action can open it again.
std::vector<Step> StateUnreadable(UiVariant v, std::string_view message) {
  return {OpenSerial("COM3"),
          SerialQueues(4096, 4096),
          Timeouts(v == Chinese ? kSerialZh : kSerialEn),
          Failing(ReadLineSettings()),
          ClosePort(),
          Message(message)};
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SerialFailureTest,
    testing::Values(
        FailureCase{"HeldPortChinese", Chinese, OpenFails("串口打开失败!")},
        FailureCase{"HeldPortEnglish", English, OpenFails("Failed to open serial port!")},
        FailureCase{"StateUnreadableChinese", Chinese, StateUnreadable(Chinese, "配置串口失败!")},
        FailureCase{"StateUnreadableEnglish", English,
                    StateUnreadable(English, "Failed to configure serial port!")}),
    ParamName<FailureCase>);

TEST(SerialOpen, APortWhoseStateWasUnreadableOpensAgainNextTime) {
  LinkWorld w(Chinese);
  w.script.Then(StateUnreadable(Chinese, "配置串口失败!"))
      .Then({OpenSerial("COM1"), SerialQueues(4096, 4096), Timeouts(kSerialZh), ReadLineSettings(),
             WriteLineSettings(FixedLine(9600, 0))});
  w.Select(2);
  EXPECT_FALSE(OpenSerialPort(w.context, w.connection));
  w.Select(0);
  EXPECT_TRUE(OpenSerialPort(w.context, w.connection));
  w.script.ExpectDone();
  w.script.Then(ClosePort());
}

TEST(SerialOpen, AnIndexThatIsNoSerialPortOpensNothing) {
  LinkWorld w(English);
  w.controls.SetSelection(ctl::kInterface, -1);
  w.script.Then(Message("Failed to open serial port!"));
  EXPECT_FALSE(OpenSerialPort(w.context, w.connection));
  w.script.ExpectDone();
}

// --- OpenParallelPort ---

struct ParallelCase {
  std::string name;
  UiVariant variant;
  std::string failure;
};

class ParallelOpenTest : public testing::TestWithParam<ParallelCase> {};

TEST_P(ParallelOpenTest, OpensLpt1WithNoLineSettings) {
  LinkWorld w(GetParam().variant);
  w.script.Then(OpenParallel());
  EXPECT_TRUE(OpenParallelPort(w.context, w.connection));
  w.script.ExpectDone();
  w.script.Then(ClosePort());
}

TEST_P(ParallelOpenTest, ReportsAMissingPort) {
  LinkWorld w(GetParam().variant);
  w.script.Then({Failing(OpenParallel()), Message(GetParam().failure)});
  EXPECT_FALSE(OpenParallelPort(w.context, w.connection));
  w.script.ExpectDone();
  EXPECT_EQ(w.connection.handle, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Variants, ParallelOpenTest,
                         testing::Values(ParallelCase{"Chinese", Chinese, "并口打开失败!"},
                                         ParallelCase{"English", English,
                                                      "Failed to configure parallel port!"}),
                         ParamName<ParallelCase>);

// --- OpenUsbPrinter ---

const std::string kMouse = "\\\\?\\usb#vid_046d&pid_c52b#5&2c1a0e6&0&2#{a5dcbf10-6530-11d2-901f}";
const std::string kAnswering = "\\\\?\\usb#vid_0483&pid_5720#6&1b2c3d4&0&1#{a5dcbf10-6530-11d2}";
const std::string kWriteOnly = "\\\\?\\usb#vid_067b&pid_2305#7&3c4d5e6&0&3#{a5dcbf10-6530-11d2}";
const std::string kUpperCase = "\\\\?\\USB#VID_0483&PID_5720#6&1B2C3D4&0&1#{A5DCBF10-6530-11D2}";

struct UsbCase {
  std::string name;
  UiVariant variant;
  std::vector<std::string> devices;  // listed as the Windows system lists them
  std::string opened;                // the listed path opened, empty when nothing is opened
  bool openOk = true;
  bool writeOnlyAfter = false;
  bool writeOnlyBefore = false;
};

// A device as the Win32 system lists it: its path and the identifiers the path names.
UsbDevice Listed(const std::string& path) {
  return {path, win32::UsbIdsOfPath(path)};
}

class UsbOpenTest : public testing::TestWithParam<UsbCase> {};

TEST_P(UsbOpenTest, OpensTheFirstListedPrinter) {
  const UsbCase& c = GetParam();
  LinkWorld w(c.variant);
  w.connection.usbWriteOnly = c.writeOnlyBefore;
  for (const std::string& path : c.devices)
    w.system.usbDevices.push_back(Listed(path));
  w.script.Then(ListUsbDevices());
  if (!c.opened.empty()) {
    w.script.Then(c.openOk ? OpenUsb(c.opened) : Failing(OpenUsb(c.opened)));
    if (c.openOk)
      w.script.Then(Timeouts(c.variant == Chinese ? kUsbZh : kUsbEn));
  }
  const bool expectOpen = !c.opened.empty() && c.openOk;

  EXPECT_EQ(OpenUsbPrinter(w.context, w.connection), expectOpen);
  w.script.ExpectDone();
  EXPECT_EQ(w.connection.usbWriteOnly, c.writeOnlyAfter);
  EXPECT_EQ(w.connection.handle != nullptr, expectOpen);
  if (expectOpen)
    w.script.Then(ClosePort());
}

INSTANTIATE_TEST_SUITE_P(
    Discovery, UsbOpenTest,
    testing::Values(
        UsbCase{"NoDeviceKeepsTheFlag", Chinese, {}, "", true, true, true},
        UsbCase{"OtherDevicesOnly", English, {kMouse}, "", true, false, false},
        UsbCase{"AnsweringPrinterChinese",
                Chinese,
                {kMouse, kAnswering},
                kAnswering,
                true,
                false,
                true},
        UsbCase{"WriteOnlyPrinterEnglish", English, {kWriteOnly}, kWriteOnly, true, true, false},
        UsbCase{"BothAttachedWriteOnlyListedFirst",
                Chinese,
                {kWriteOnly, kAnswering},
                kWriteOnly,
                true,
                true,
                false},
        UsbCase{"BothAttachedAnsweringListedFirst",
                English,
                {kAnswering, kWriteOnly},
                kAnswering,
                true,
                false,
                true},
        // Windows makes no promise about the case of a device path: found all the same.
        UsbCase{"UpperCaseIdentifiersMatch", Chinese, {kUpperCase}, kUpperCase, true, false, true},
        // The flag follows the device found even when it then cannot be opened.
        UsbCase{"FoundButNotOpened", English, {kWriteOnly}, kWriteOnly, false, true, false},
        UsbCase{"BothIdentifiersInOnePath",
                Chinese,
                {"\\\\?\\usb#vid_0483&pid_5720&vid_067b&pid_2305#x"},
                "\\\\?\\usb#vid_0483&pid_5720&vid_067b&pid_2305#x",
                true,
                true,
                false}),
    ParamName<UsbCase>);

TEST(UsbOpen, AnUnobtainableDeviceListIsAWarningInChineseInBothVariants) {
  for (UiVariant v : {Chinese, English}) {
    SCOPED_TRACE(VariantText(v));
    LinkWorld w(v);
    w.connection.usbWriteOnly = true;
    w.script.Then({Failing(ListUsbDevices()), Warning("获取相关的设备信息集GUID句柄失败！")});
    EXPECT_FALSE(OpenUsbPrinter(w.context, w.connection));
    w.script.ExpectDone();
    EXPECT_TRUE(w.connection.usbWriteOnly);
  }
}

// --- The network opener and the close sequence ---

struct NetworkFailureCase {
  std::string name;
  UiVariant variant;
  std::vector<Step> steps;
};

class NetworkOpenFailureTest : public testing::TestWithParam<NetworkFailureCase> {};

TEST_P(NetworkOpenFailureTest, CleansUpAsFarAsItGotAndNeverStartsArp) {
  const NetworkFailureCase& c = GetParam();
  LinkWorld w(c.variant);
  w.script.Then(c.steps);
  EXPECT_FALSE(OpenNetworkConnection(w.context, w.connection));
  w.script.ExpectDone();
  EXPECT_EQ(w.connection.socket, nullptr);
}

std::vector<Step> StartFails(std::string_view message) {
  return {Failing(StartSockets()), Message(message)};
}
std::vector<Step> SocketFails(std::string_view message) {
  return {StartSockets(), Failing(CreateSocket()), Message(message), StopSockets()};
}
std::vector<Step> ConnectFails(std::string_view message) {
  return {StartSockets(), CreateSocket(), Failing(Connect("192.168.1.114:9100")),
          CloseSocket(),  StopSockets(),  Message(message)};
}

const char* const kConnectFailedEn =
    "IP addr error or net error, please reset and make sure the printer connected properly!";

INSTANTIATE_TEST_SUITE_P(
    Failures, NetworkOpenFailureTest,
    testing::Values(
        NetworkFailureCase{"StartChinese", Chinese, StartFails("初始化网络失败 请检查网络连接!")},
        NetworkFailureCase{"StartEnglish", English,
                           StartFails("WSAStartup failed, please check net!")},
        NetworkFailureCase{"SocketChinese", Chinese, SocketFails("WSAStartup失败 请检查网络连接!")},
        NetworkFailureCase{"SocketEnglish", English,
                           SocketFails("WSAStartup failed, please check net!")},
        NetworkFailureCase{"ConnectChinese", Chinese, ConnectFails("网络连接失败 请检查网络连接!")},
        NetworkFailureCase{"ConnectEnglish", English, ConnectFails(kConnectFailedEn)}),
    ParamName<NetworkFailureCase>);

TEST(NetworkOpen, ConnectsToTheDialogsAddressAndReleasesWithArpLast) {
  LinkWorld w(Chinese);
  w.script.Then({StartSockets(), CreateSocket(), Connect("192.168.1.114:9100")});
  ASSERT_TRUE(OpenNetworkConnection(w.context, w.connection));
  w.script.ExpectDone();

  w.script.Then(Send("1B 09"));
  w.connection.socket->Send(FromHex("1B 09"));
  w.script.Then(NetworkLinkRelease());
  w.connection.socket.reset();
  w.script.ExpectDone();
  EXPECT_EQ(w.connection.socket, nullptr);
}

TEST(NetworkOpen, EmptyAddressFieldsAndABadPortGoToZero) {
  LinkWorld w(English);
  w.controls.TypeIpAddress(ctl::kIpAddress, {0, 0, 0, 0});
  w.controls.SetText(ctl::kNetworkPort, "print");
  w.script.Then({StartSockets(), CreateSocket(), Failing(Connect("0.0.0.0:0")), CloseSocket(),
                 StopSockets(), Message(kConnectFailedEn)});
  EXPECT_FALSE(OpenNetworkConnection(w.context, w.connection));
  w.script.ExpectDone();
}

// --- OpenSelectedConnection ---

// Every failure in both variants: the opener's message once, and the kind recorded first.
TEST(SelectedConnection, AFailedOpenShowsTheKindsMessage) {
  for (const OpenFailure f : kOpenFailures) {
    for (const UiVariant v : {Chinese, English}) {
      SCOPED_TRACE(std::string(VariantText(v)) + " failure " + std::to_string(static_cast<int>(f)));
      LinkWorld w(v);
      const bool network = OpenFailureInterface(f) == kNetworkInterface;
      w.connection.isNetwork = !network;
      w.Select(OpenFailureInterface(f));
      w.script.Then(OpenFailureSteps(f, v));
      EXPECT_FALSE(OpenSelectedConnection(w.context, w.connection));
      w.script.ExpectDone();
      EXPECT_EQ(w.connection.isNetwork, network);
    }
  }
}

TEST(SelectedConnection, OpensTheUsbPrinterWithoutAMessage) {
  LinkWorld w(English);
  w.Select(11);
  w.system.usbDevices = {Listed(kAnswering)};
  w.script.Then({ListUsbDevices(), OpenUsb(kAnswering), Timeouts(kUsbEn)});
  EXPECT_TRUE(OpenSelectedConnection(w.context, w.connection));
  w.script.ExpectDone();
  EXPECT_FALSE(w.connection.isNetwork);
  w.script.Then(ClosePort());
}

TEST(SelectedConnection, TheWriteOnlyFlagOutlivesLaterSerialActions) {
  LinkWorld w(Chinese);
  w.Select(11);
  w.system.usbDevices = {Listed(kWriteOnly)};
  w.script.Then({ListUsbDevices(), OpenUsb(kWriteOnly), Timeouts(kUsbZh), ClosePort()});
  ASSERT_TRUE(OpenSelectedConnection(w.context, w.connection));
  w.connection.handle.reset();

  w.Select(0);
  w.script.Then({OpenSerial("COM1"), SerialQueues(4096, 4096), Timeouts(kSerialZh),
                 ReadLineSettings(), WriteLineSettings(FixedLine(9600, 0)), ClosePort()});
  ASSERT_TRUE(OpenSelectedConnection(w.context, w.connection));
  w.connection.handle.reset();
  w.script.ExpectDone();
  EXPECT_TRUE(w.connection.usbWriteOnly);
}

// --- WriteToPort ---

TEST(WriteToPort, ClearsTheLineErrorThenWritesTheBlockOnce) {
  LinkWorld w(Chinese);
  w.script.Then({OpenParallel(), Count(std::nullopt), Write("1B FE 00", false), Count(std::nullopt),
                 Write("01 02")});
  ASSERT_TRUE(OpenParallelPort(w.context, w.connection));
  EXPECT_FALSE(WriteToPort(*w.connection.handle, FromHex("1B FE 00")));
  EXPECT_TRUE(WriteToPort(*w.connection.handle, FromHex("01 02")));
  w.script.ExpectDone();
  w.script.Then(ClosePort());
}

}  // namespace
}  // namespace vantrel
