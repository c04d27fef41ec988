#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/lib/completion_words.h"
#include "cli/lib/open_hint.h"
#include "link/posix/posix_system.h"

namespace vantrel::cli {
namespace {

struct HintCase {
  std::string name;
  FailedOpen failure;
  InterfaceType chosen;
  std::vector<std::string> says;     // every one of these is in the hint
  std::vector<std::string> saysNot;  // none of these
};

void PrintTo(const HintCase& c, std::ostream* out) {
  *out << c.name;
}

class OpenHintTest : public testing::TestWithParam<HintCase> {};

// A refused open names what grants the device: dialout for serial lines, lp for printer nodes,
// the package's udev rule for the two USB printers; a held device is called busy.
TEST_P(OpenHintTest, NamesWhatGrantsTheDevice) {
  const std::string hint = OpenFailureHint(GetParam().failure, GetParam().chosen);
  for (const std::string& word : GetParam().says)
    EXPECT_NE(hint.find(word), std::string::npos) << hint << "\nlacks: " << word;
  for (const std::string& word : GetParam().saysNot)
    EXPECT_EQ(hint.find(word), std::string::npos) << hint << "\nholds: " << word;
}

constexpr InterfaceType kCom1 = 0;
constexpr InterfaceType kCom10 = 9;

INSTANTIATE_TEST_SUITE_P(
    Causes, OpenHintTest,
    testing::Values(HintCase{"com1_denied",
                             {"/dev/ttyS0", OpenError::PermissionDenied},
                             kCom1,
                             {"permission denied on /dev/ttyS0", "group dialout",
                              "usermod -aG dialout"},
                             {"group lp", "udev"}},
                    HintCase{"serial_path_denied",
                             {"/dev/ttyUSB0", OpenError::PermissionDenied},
                             kCom10,
                             {"/dev/ttyUSB0", "group dialout"},
                             {"group lp"}},
                    HintCase{"lpt1_denied",
                             {"/dev/lp0", OpenError::PermissionDenied},
                             kParallelInterface,
                             {"permission denied on /dev/lp0", "group lp", "usermod -aG lp"},
                             {"dialout", "udev"}},
                    HintCase{"usb_denied",
                             {"/dev/usb/lp1", OpenError::PermissionDenied},
                             kUsbInterface,
                             {"/dev/usb/lp1", "udev rule", "70-vantrel.rules", "0483:5720",
                              "067b:2305", "group lp"},
                             {"dialout"}},
                    HintCase{"usb_node_by_path_denied",
                             {"/dev/usb/lp0", OpenError::PermissionDenied},
                             kParallelInterface,
                             {"udev rule", "0483:5720", "group lp"},
                             {"dialout"}},
                    HintCase{"serial_busy",
                             {"/dev/ttyS1", OpenError::Busy},
                             1,
                             {"/dev/ttyS1 is busy", "another program", "exclusively"},
                             {"permission", "group"}},
                    HintCase{"usb_busy",
                             {"/dev/usb/lp0", OpenError::Busy},
                             kUsbInterface,
                             {"/dev/usb/lp0 is busy", "another program"},
                             {"permission", "group"}}),
    [](const auto& tested) { return tested.param.name; });

// A missing node or an unknown cause adds nothing to the run's own message.
TEST(OpenHint, SaysNothingOfAMissingNodeOrAnUnknownCause) {
  EXPECT_EQ(OpenFailureHint({"/dev/ttyS4", OpenError::Missing}, 4), "");
  EXPECT_EQ(OpenFailureHint({"/dev/usb/lp0", OpenError::Other}, kUsbInterface), "");
}

// The POSIX system keeps the node and the cause of its latest failed open.
TEST(PosixOpenFailure, RemembersTheNodeAndTheCause) {
  std::unique_ptr<System> system = CreatePosixSystem({});
  EXPECT_EQ(system->LastFailedOpen(), std::nullopt);

  EXPECT_EQ(system->OpenSerialDevice("/nonexistent/ttyS9"), nullptr);
  EXPECT_EQ(system->LastFailedOpen(), (FailedOpen{"/nonexistent/ttyS9", OpenError::Missing}));

  // A folder cannot be opened for writing: a cause the hints do not name.
  const std::string folder = testing::TempDir();
  EXPECT_EQ(system->OpenSerialDevice(folder), nullptr);
  EXPECT_EQ(system->LastFailedOpen(), (FailedOpen{folder, OpenError::Other}));
}

// The completion's values come from the same tables the options accept.
TEST(CompletionValues, OfferWhatTheOptionsAccept) {
  const auto interfaces = CompletionValues("interface");
  ASSERT_TRUE(interfaces);
  EXPECT_EQ(interfaces->front(), "COM1");
  EXPECT_EQ(interfaces->size(), 13u);  // COM1-COM10, LPT1, USB, Ethernet
  EXPECT_EQ(CompletionValues("baud"),
            (std::vector<std::string>{"1200", "2400", "4800", "9600", "19200", "38400", "57600",
                                      "115200"}));
  const auto codePages = CompletionValues("code-page");
  ASSERT_TRUE(codePages);
  EXPECT_NE(std::find(codePages->begin(), codePages->end(), "cp437"), codePages->end());
  EXPECT_EQ(CompletionValues("profile"), std::nullopt);                  // a file
  EXPECT_EQ(CompletionValues("bt-name"), (std::vector<std::string>{}));  // any text
}

}  // namespace
}  // namespace vantrel::cli
