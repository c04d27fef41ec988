#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/link/link_world.h"
#include "tests/support/param_name.h"
#include "tests/support/print_case.h"
#include "ui/dialog_connections.h"

namespace vantrel {
namespace {

using namespace test;
using test::PrintTo;
using UiVariant::Chinese;
using UiVariant::English;

struct OpenCase {
  std::string name;
  UiVariant variant;
  InterfaceType interface;
  std::vector<Step> opening;
  bool network = false;
};

class DownloadOpenerTest : public testing::TestWithParam<OpenCase> {};

// The download gets the connection for itself; the dialog's record holds nothing afterwards and
// its last connection kind is not changed.
TEST_P(DownloadOpenerTest, HandsTheOpenedConnectionToTheDownload) {
  const OpenCase& c = GetParam();
  LinkWorld w(c.variant);
  w.system.usbPaths = {kAnsweringUsbPrinter};
  w.Select(c.interface);
  w.connection.isNetwork = !c.network;
  w.script.Then(c.opening);

  std::optional<DownloadTarget> target = OpenDownloadTarget(w.context, w.connection);
  w.script.ExpectDone();
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(w.connection.handle, nullptr);
  EXPECT_EQ(w.connection.socket, nullptr);
  EXPECT_EQ(w.connection.isNetwork, !c.network);

  if (c.network) {
    ASSERT_NE(target->link, nullptr);
    EXPECT_EQ(target->port, nullptr);
    w.script.Then(Send("1B 09")).Then(NetworkLinkRelease());
    target->link->Send(FromHex("1B 09"));
  } else {
    ASSERT_NE(target->port, nullptr);
    EXPECT_EQ(target->link, nullptr);
    w.script.Then({Write("1B 09"), ClosePort()});
    target->port->Write(FromHex("1B 09"));
  }
  target.reset();
  w.script.ExpectDone();
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DownloadOpenerTest,
    testing::Values(OpenCase{"Com3", Chinese, 2, SerialOpened(Chinese, "\\\\.\\COM3")},
                    OpenCase{"Lpt1", English, kParallelInterface, {OpenLpt1()}},
                    OpenCase{"Usb", English, kUsbInterface,
                             UsbOpened(English, kAnsweringUsbPrinter)},
                    OpenCase{"Ethernet", Chinese, kNetworkInterface, NetworkOpened(), true}),
    ParamName<OpenCase>);

class DownloadOpenerFailureTest : public testing::TestWithParam<OpenCase> {};

TEST_P(DownloadOpenerFailureTest, ShowsTheKindsMessageAndOpensNothing) {
  const OpenCase& c = GetParam();
  LinkWorld w(c.variant);
  w.Select(c.interface);
  w.script.Then(c.opening);
  EXPECT_FALSE(OpenDownloadTarget(w.context, w.connection).has_value());
  w.script.ExpectDone();
  EXPECT_EQ(w.connection.handle, nullptr);
  EXPECT_EQ(w.connection.socket, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DownloadOpenerFailureTest,
    testing::Values(
        OpenCase{"HeldSerialPort",
                 English,
                 0,
                 {Failing(OpenSerial("\\\\.\\COM1")), Message("Failed to open serial port!")}},
        OpenCase{"SerialStateUnreadable",
                 Chinese,
                 0,
                 {OpenSerial("\\\\.\\COM1"), SerialQueues(4096, 4096), Timeouts(kSerialTimeoutsZh),
                  Failing(ReadLineSettings()), ClosePort(), Message("配置串口失败!")}},
        OpenCase{"NoLpt1Chinese",
                 Chinese,
                 kParallelInterface,
                 {Failing(OpenLpt1()), Message("并口打开失败!")}},
        OpenCase{"NoLpt1English",
                 English,
                 kParallelInterface,
                 {Failing(OpenLpt1()), Message("Failed to configure parallel port!")}},
        OpenCase{"NoUsbPrinterChinese",
                 Chinese,
                 kUsbInterface,
                 {ListUsbDevices(), Message("USB接口打开失败!")}},
        OpenCase{"NoUsbDeviceListEnglish",
                 English,
                 kUsbInterface,
                 {Failing(ListUsbDevices()), Warning("获取相关的设备信息集GUID句柄失败！"),
                  Message("Failed to open USB port!")}},
        // The network opener's own texts, in the dialog's language.
        OpenCase{"EthernetStartChinese",
                 Chinese,
                 kNetworkInterface,
                 {Failing(StartSockets()), Message("初始化网络失败 请检查网络连接!")}},
        OpenCase{"EthernetSocketChinese",
                 Chinese,
                 kNetworkInterface,
                 {StartSockets(), Failing(CreateSocket()),
                  Message("WSAStartup失败 请检查网络连接!"), StopSockets()}},
        OpenCase{"EthernetUnreachableChinese",
                 Chinese,
                 kNetworkInterface,
                 {StartSockets(), CreateSocket(), Failing(Connect("192.168.1.114:9100")),
                  CloseSocket(), StopSockets(), Message("网络连接失败 请检查网络连接!")}},
        OpenCase{"EthernetUnreachableEnglish",
                 English,
                 kNetworkInterface,
                 {StartSockets(), CreateSocket(), Failing(Connect("192.168.1.114:9100")),
                  CloseSocket(), StopSockets(),
                  Message("IP addr error or net error, please reset and make sure the printer "
                          "connected properly!")}}),
    ParamName<OpenCase>);

TEST(DownloadOpener, AUsbDiscoveryStillUpdatesTheWriteOnlyFlag) {
  LinkWorld w(Chinese);
  w.system.usbPaths = {kWriteOnlyUsbPrinter};
  w.Select(kUsbInterface);
  w.script.Then(UsbOpened(Chinese, kWriteOnlyUsbPrinter)).Then(ClosePort());
  EXPECT_TRUE(OpenDownloadTarget(w.context, w.connection).has_value());
  w.script.ExpectDone();
  EXPECT_TRUE(w.connection.usbWriteOnly);
}

}  // namespace
}  // namespace vantrel
