#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <sstream>

#include "protocol/set_run.h"
#include "sim/session.h"
#include "tests/support/expected_tables.h"
#include "tests/support/param_name.h"

namespace vantrel::sim {
namespace {

namespace expected = test::expected;

// A serial port with the simulated printer at its other end; waits cost nothing.
class SimulatedPort : public OpenPort {
 public:
  explicit SimulatedPort(Session& session) : session_(session) {}

  bool Write(ByteView data) override {
    FeedResult result = session_.Feed(data);
    for (const Reply& reply : result.replies) {
      delays_.push_back(reply.delay);
      received_.insert(received_.end(), reply.bytes.begin(), reply.bytes.end());
    }
    return !dropped_;
  }
  PortRead Read(std::size_t maxBytes) override {
    PortRead read{true, {}};
    while (read.bytes.size() < maxBytes && !received_.empty()) {
      read.bytes.push_back(received_.front());
      received_.pop_front();
    }
    return read;
  }
  std::optional<std::size_t> ClearErrorsAndCountReceived() override { return received_.size(); }

  std::vector<std::chrono::milliseconds> delays_;

 private:
  Session& session_;
  std::deque<std::uint8_t> received_;
  bool dropped_ = false;
};

class NoWait : public Sleeper {
 public:
  void Sleep(std::chrono::milliseconds) override {}
};

// Every setting chosen, as a technician setting up a printer from scratch would.
SettingSelection EverySetting() {
  SettingSelection s;
  s.language = s.blackMarkPosition = s.font = s.blackMarkDetection = s.commandSet = 2;
  s.paperSensitivity = s.printDirection = s.printDensity = s.cutter = 2;
  s.codePage = 17;  // a value byte that is no flow-control character
  s.paperOutReprint = s.carriageReturn = s.printWidth = s.buzzer = s.printSpeed = 2;
  s.sendManufacturer = s.sendModel = true;
  s.manufacturerText = "Vantrel";
  s.modelText = "V-80";
  s.targetBaud = 4;
  s.sendBluetoothName = s.sendBluetoothPassword = s.sendRadioAddress = true;
  s.bluetoothNameText = "till-3";
  s.bluetoothPasswordText = "0000";
  s.lcdBacklight = s.paperNearEnd = s.printPasses = s.bidAdjustment = s.charsPerLine = 2;
  s.sendStartOffset = s.sendCutOffset = true;
  s.startOffsetText = "10";
  s.cutOffsetText = "20";
  return s;
}

struct FaultCase {
  const char* name;
  const char* fault;
  // The settings the run reports as failed; every other one succeeds (or is completed).
  std::vector<SettingKey> failed;
  std::chrono::milliseconds delay{0};
};

class SetRunAgainstSimulator : public testing::TestWithParam<FaultCase> {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vantrel-sim-test-" + std::string(GetParam().name));
    std::filesystem::remove_all(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_P(SetRunAgainstSimulator, ReportsWhatTheFaultMakesOfEachSetting) {
  const FaultCase& c = GetParam();
  const auto fault = ParseFault(c.fault);
  ASSERT_TRUE(fault) << c.fault;
  std::ostringstream console;
  Recorder recorder(dir_, true, console, &EscapeNonAscii);
  Printer printer(SerialLine{});
  Session session(ChannelOptions{"com1", true, *fault}, printer, recorder);
  SimulatedPort port(session);
  NoWait sleeper;

  const SettingSelection selection = EverySetting();
  const SetupReport report =
      SendSettingsOverPort(selection, {UiVariant::English, 0, false}, port, sleeper);
  std::string want;
  for (const SettingKey key : AllSettingKeys()) {
    const bool failed = std::find(c.failed.begin(), c.failed.end(), key) != c.failed.end();
    want += expected::Line(UiVariant::English, key,
                           expected::Ack(key) == "NoAck" ? expected::Outcome::Completed
                           : failed                      ? expected::Outcome::Failure
                                                         : expected::Outcome::Success);
  }
  EXPECT_EQ(report.Text(), want);
  for (const auto delay : port.delays_)
    EXPECT_EQ(delay, c.delay);
}

std::vector<SettingKey> AllAnsweredBut(std::vector<SettingKey> spared) {
  std::vector<SettingKey> keys;
  for (const SettingKey key : AllSettingKeys()) {
    if (expected::Ack(key) != "NoAck" &&
        std::find(spared.begin(), spared.end(), key) == spared.end())
      keys.push_back(key);
  }
  return keys;
}

// From the Bluetooth name on, nothing gets through.
std::vector<SettingKey> FromBluetoothName() {
  return {SettingKey::BluetoothName, SettingKey::BluetoothPassword, SettingKey::RadioAddress,
          SettingKey::LcdBacklight,  SettingKey::PaperNearEnd,      SettingKey::PrintPasses,
          SettingKey::BidAdjustment, SettingKey::CharsPerLine};
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SetRunAgainstSimulator,
    testing::Values(
        FaultCase{"Healthy", "slow:0", {}}, FaultCase{"Silent", "silent", AllAnsweredBut({})},
        FaultCase{"WrongEcho", "wrong-echo", AllAnsweredBut({SettingKey::TargetSerialLine})},
        FaultCase{"Garbage", "garbage", AllAnsweredBut({SettingKey::TargetSerialLine})},
        FaultCase{
            "OWithoutK", "o-without-k", {SettingKey::BluetoothName, SettingKey::BluetoothPassword}},
        // The frame's 2 bytes, 15 value settings, names of 7 and 4 letters and the line: the
        // printer hangs up right after the target-serial command.
        FaultCase{"DropAfter", "drop-after:69", FromBluetoothName()},
        // The port here does not wait, so a slow printer's answers still arrive; the delay is
        // what the shell waits before it sends each one.
        FaultCase{"Slow", "slow:300", {}, std::chrono::milliseconds(300)}),
    test::ParamName<FaultCase>);

// Over LPT1 the settings under the skip rule are not read back and the printer does not answer
// them there, so each setting read after them gets its own answer.
TEST(SetRunAgainstSimulatorOnLpt1, ReadsEachAnswerOfItsOwnSetting) {
  const auto dir = std::filesystem::temp_directory_path() / "vantrel-sim-test-lpt1";
  std::ostringstream console;
  Recorder recorder(dir, true, console, &EscapeNonAscii);
  Printer printer(SerialLine{});
  Session session(ChannelOptions{"lpt1", true, Fault{}, true}, printer, recorder);
  SimulatedPort port(session);
  NoWait sleeper;

  const SetupReport report =
      SendSettingsOverPort(EverySetting(), {UiVariant::English, 10, false}, port, sleeper);
  EXPECT_EQ(report.Text(), expected::Report(UiVariant::English, "ccccccccccccccccccc sssssss cc"));
  std::filesystem::remove_all(dir);
}

// A device sends no XON after its echo of 0x13; the fault mode xon-after-xoff does.
TEST(EchoedXoff, GetsAnXonOnlyInItsFaultMode) {
  const auto dir = std::filesystem::temp_directory_path() / "vantrel-sim-test-xoff";
  std::ostringstream console;
  Recorder recorder(dir, true, console, &EscapeNonAscii);
  for (const auto& [fault, answer] :
       {std::pair{"slow:0", Bytes{0x13}}, std::pair{"xon-after-xoff", Bytes{0x13, 0x11}}}) {
    Printer printer(SerialLine{});
    Session session(ChannelOptions{"com1", true, *ParseFault(fault)}, printer, recorder);
    session.Feed(Bytes{0x1B, 0x09});
    const FeedResult result = session.Feed(Bytes{0x1B, 0x74, 0x13});  // code page CP858
    ASSERT_EQ(result.replies.size(), 1u) << fault;
    EXPECT_EQ(result.replies[0].bytes, answer) << fault;
  }
  std::filesystem::remove_all(dir);
}

TEST(ParseFault, RefusesWhatItDoesNotKnow) {
  for (const char* text :
       {"", "slow", "slow:", "slow:x", "drop-after:-1", "loud", "silent ", "late:", "hold-xoff:1"})
    EXPECT_FALSE(ParseFault(text)) << text;
}

// The help, the error and the completion list every fault and condition --fault takes, and each
// is taken (an amount in place of MS and N).
TEST(ParseFault, ListsAndTakesEveryMode) {
  const std::string modes =
      "silent | wrong-echo | slow:MS | late:MS | o-without-k | drop-after:N | garbage | "
      "xon-after-xoff | hold-xoff | paper-near-end | paper-out | cover-open | offline";
  EXPECT_EQ(FaultChoices(" | "), modes);
  std::istringstream words(modes);
  for (std::string word; words >> word;) {
    if (word == "|")
      continue;
    if (word.ends_with(":MS") || word.ends_with(":N"))
      word.replace(word.rfind(':') + 1, std::string::npos, "5");
    EXPECT_TRUE(ParseFault(word) || ParseCondition(word)) << word;
  }
}

// late:MS delays the first answer of each setup frame only; hold-xoff takes in a download up to
// its first two bytes, then holds, on a serial line and over TCP alike.
TEST(PrinterFaults, LateFirstAnswerAndHeldXoff) {
  const auto dir = std::filesystem::temp_directory_path() / "vantrel-sim-test-late-hold";
  std::ostringstream console;
  Recorder recorder(dir, true, console, &EscapeNonAscii);
  Printer printer(SerialLine{});
  Session late(ChannelOptions{"com1", true, *ParseFault("late:150")}, printer, recorder);
  for (int frame = 0; frame < 2; ++frame) {
    late.Feed(Bytes{0x1B, 0x09});
    for (const auto delay : {150, 0}) {
      const FeedResult result = late.Feed(Bytes{0x1B, 0x74, 0x02});
      ASSERT_EQ(result.replies.size(), 1u);
      EXPECT_EQ(result.replies[0].delay, std::chrono::milliseconds(delay));
    }
  }
  for (const bool answers : {true, false}) {
    Session held(ChannelOptions{"com1", answers, *ParseFault("hold-xoff")}, printer, recorder);
    EXPECT_FALSE(held.Feed(Bytes{0x1B, 0x09, 0x1B}).hold);
    EXPECT_TRUE(held.Feed(Bytes{0xFE, 0x00, 0x01, 0x00}).hold);
    EXPECT_EQ(held.Received(), 4u) << "took in past the download's first bytes";
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vantrel::sim
