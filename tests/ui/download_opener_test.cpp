#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/link_world.h"
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
  w.system.usbDevices = {kAnsweringUsbPrinter};
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
    testing::Values(OpenCase{"Com3", Chinese, 2, SerialOpened(Chinese, "COM3")},
                    OpenCase{"Lpt1", English, kParallelInterface, {OpenParallel()}},
                    OpenCase{"Usb", English, kUsbInterface,
                             UsbOpened(English, kAnsweringUsbPrinter)},
                    OpenCase{"Ethernet", Chinese, kNetworkInterface, NetworkOpened(), true}),
    ParamName<OpenCase>);

// Every failure in both variants: the kind's message, in the dialog's language, and nothing open.
TEST(DownloadOpener, AFailedOpenShowsTheKindsMessageAndOpensNothing) {
  for (const OpenFailure f : kOpenFailures) {
    for (const UiVariant v : {Chinese, English}) {
      SCOPED_TRACE(std::string(VariantText(v)) + " failure " + std::to_string(static_cast<int>(f)));
      LinkWorld w(v);
      w.Select(OpenFailureInterface(f));
      w.script.Then(OpenFailureSteps(f, v));
      EXPECT_FALSE(OpenDownloadTarget(w.context, w.connection).has_value());
      w.script.ExpectDone();
      EXPECT_EQ(w.connection.handle, nullptr);
      EXPECT_EQ(w.connection.socket, nullptr);
    }
  }
}

TEST(DownloadOpener, AUsbDiscoveryStillUpdatesTheWriteOnlyFlag) {
  LinkWorld w(Chinese);
  w.system.usbDevices = {kWriteOnlyUsbPrinter};
  w.Select(kUsbInterface);
  w.script.Then(UsbOpened(Chinese, kWriteOnlyUsbPrinter)).Then(ClosePort());
  EXPECT_TRUE(OpenDownloadTarget(w.context, w.connection).has_value());
  w.script.ExpectDone();
  EXPECT_TRUE(w.connection.usbWriteOnly);
}

}  // namespace
}  // namespace vantrel
