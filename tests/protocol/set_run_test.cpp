#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/printer_connection.h"
#include "protocol/operations.h"
#include "protocol/set_run.h"
#include "tests/support/expected_tables.h"
#include "tests/support/param_name.h"
#include "tests/support/script.h"

namespace vantrel {
namespace {

using namespace vantrel::test;  // NOLINT: the script vocabulary reads best unqualified

// Every setting chosen, and its command as the printer is to get it, from the typed table.
SettingSelection EverySetting() {
  return expected::ExtremeSelection();
}

std::string Command(SettingKey key) {
  return Hex(expected::Extreme(key).command);
}

// A reply poll that finds `answer` waiting at once on a link that can count.
std::vector<Step> PollAnswered(std::size_t cap, std::string_view answer) {
  const std::size_t n = FromHex(answer).size();
  return {Count(n), Read(std::min(n, cap), answer)};
}

// A reply poll that never gets a byte: 40 reads, each followed by a 300 ms wait.
std::vector<Step> PollSilent(std::optional<std::size_t> waiting, std::size_t cap) {
  std::vector<Step> steps;
  for (int i = 0; i < 40; ++i) {
    steps.push_back(Count(waiting));
    steps.push_back(ReadNothing(waiting ? 0 : cap));
    steps.push_back(Sleep(300));
  }
  return steps;
}

// After an answer judged wrong, the run waits 100 ms for the rest of a late answer before it
// discards what came and sends the next setting.
Step Settle() {
  return Sleep(100);
}

struct CoreRun {
  Script script;
  ScriptedSleeper sleeper{script};

  SetupReport OverPort(const SettingSelection& s, PortRunOptions options) {
    ScriptedPort port(script);
    return SendSettingsOverPort(s, options, port, sleeper);
  }
  SetupReport OverNetwork(const SettingSelection& s, UiVariant variant) {
    ScriptedLink link(script);
    return SendSettingsOverNetwork(s, variant, link, sleeper);
  }
};

// The printer echoes every value byte on a serial port.
TEST(PortRun, EverySettingOverSerialWithAnAnsweringPrinterChinese) {
  CoreRun run;
  run.script.Then(Write("1B 09"));
  for (int k = 0; k <= static_cast<int>(SettingKey::PrintSpeed); ++k) {
    const Bytes command = expected::Extreme(static_cast<SettingKey>(k)).command;
    run.script.Then(Write(command)).Then(Read(1, Hex(ByteView(command).last(1))));
  }
  run.script.Then({Write(Command(SettingKey::ManufacturerName)), Read(16, "41 42"),
                   Write(Command(SettingKey::ModelName)), Read(4, "B4"),
                   Write(Command(SettingKey::TargetSerialLine)), Sleep(1000), Read(1, "77"),
                   Write(Command(SettingKey::BluetoothName))});
  run.script.Then(PollAnswered(10, "4F 4B"));
  run.script.Then(Write(Command(SettingKey::BluetoothPassword)));
  run.script.Then(PollAnswered(10, "4F 4B 0D 0A"));
  run.script.Then(Write(Command(SettingKey::RadioAddress)));
  run.script.Then(PollAnswered(4, "07"));
  run.script.Then({Write(Command(SettingKey::LcdBacklight)), Read(1, "01"),
                   Write(Command(SettingKey::PaperNearEnd)), Read(1, "01"),
                   Write(Command(SettingKey::PrintPasses)), Read(1, "01"),
                   Write(Command(SettingKey::BidAdjustment)), Sleep(1500), Read(1, "18"),
                   Write(Command(SettingKey::CharsPerLine)), Read(1, "02"),
                   Write(Command(SettingKey::StartOffset)), Write(Command(SettingKey::CutOffset)),
                   Write("1B 15"), ClosePort()});

  const SetupReport report = run.OverPort(EverySetting(), {UiVariant::Chinese, 0, false});
  run.script.ExpectDone();
  EXPECT_EQ(report.Text(), expected::Report(UiVariant::Chinese, "ssssssssssssssssssssssssss cc"));
}

// A printer that never answers, in English: no 1500 ms wait before the alignment read, the
// serial driver counts no waiting byte, every judged setting fails.
TEST(PortRun, EverySettingOverSerialWithASilentPrinterEnglish) {
  CoreRun run;
  run.script.Then(Write("1B 09"));
  for (int k = 0; k <= static_cast<int>(SettingKey::PrintSpeed); ++k) {
    if (k > 0)
      run.script.Then(Settle());
    run.script.Then(Write(Command(static_cast<SettingKey>(k)))).Then(ReadNothing(1));
  }
  run.script.Then({Settle(), Write(Command(SettingKey::ManufacturerName)), ReadNothing(16),
                   Settle(), Write(Command(SettingKey::ModelName)), Read(4, "", false), Settle(),
                   Write(Command(SettingKey::TargetSerialLine)), Sleep(1000), ReadNothing(1),
                   Settle(), Write(Command(SettingKey::BluetoothName))});
  run.script.Then(PollSilent(0, 10));
  run.script.Then({Settle(), Write(Command(SettingKey::BluetoothPassword))});
  run.script.Then(PollSilent(0, 10));
  run.script.Then({Settle(), Write(Command(SettingKey::RadioAddress))});
  run.script.Then(PollSilent(0, 4));
  for (SettingKey key :
       {SettingKey::LcdBacklight, SettingKey::PaperNearEnd, SettingKey::PrintPasses,
        SettingKey::BidAdjustment, SettingKey::CharsPerLine}) {
    run.script.Then(Settle()).Then(Write(Command(key))).Then(ReadNothing(1));
  }
  run.script.Then(Settle());
  run.script.Then({Write(Command(SettingKey::StartOffset)), Write(Command(SettingKey::CutOffset)),
                   Write("1B 15"), ClosePort()});

  const SetupReport report = run.OverPort(EverySetting(), {UiVariant::English, 3, false});
  run.script.ExpectDone();
  EXPECT_EQ(report.Text(), expected::Report(UiVariant::English, "ffffffffffffffffffffffffff cc"));
}

// Over LPT1 and to the USB printer that never answers, settings 1 to 19 are not read back;
// 20 to 26 still are, asking for the cap where the link cannot count waiting bytes.
struct LinkCase {
  const char* name;
  PortRunOptions options;
};

class WriteOnlyLinkRun : public testing::TestWithParam<LinkCase> {};

TEST_P(WriteOnlyLinkRun, SkipsTheReadBackOfTheFirstNineteenSettings) {
  const PortRunOptions options = GetParam().options;
  CoreRun run;
  run.script.Then(Write("1B 09"));
  for (int k = 0; k <= static_cast<int>(SettingKey::BluetoothName); ++k) {
    run.script.Then(Write(Command(static_cast<SettingKey>(k))));
    if (static_cast<SettingKey>(k) == SettingKey::TargetSerialLine)
      run.script.Then(Sleep(1000));
  }
  run.script.Then(Write(Command(SettingKey::BluetoothPassword)));
  run.script.Then(PollSilent(std::nullopt, 10));
  run.script.Then({Settle(), Write(Command(SettingKey::RadioAddress))});
  run.script.Then({Count(std::nullopt), Read(4, "07 02")});
  run.script.Then({Write(Command(SettingKey::LcdBacklight)), ReadNothing(1), Settle(),
                   Write(Command(SettingKey::PaperNearEnd)), Read(1, "01"),
                   Write(Command(SettingKey::PrintPasses)), Read(1, "00"), Settle(),
                   Write(Command(SettingKey::BidAdjustment))});
  if (options.variant == UiVariant::Chinese)
    run.script.Then(Sleep(1500));
  run.script.Then({Read(1, "18"), Write(Command(SettingKey::CharsPerLine)), Read(1, "02"),
                   Write(Command(SettingKey::StartOffset)), Write(Command(SettingKey::CutOffset)),
                   Write("1B 15"), ClosePort()});

  const SetupReport report = run.OverPort(EverySetting(), options);
  run.script.ExpectDone();
  EXPECT_EQ(report.Text(), expected::Report(options.variant, "ccccccccccccccccccc fsfsfss cc"));
  // One result per sent setting, in port order: settings 1 to 19 are not read back on these
  // links; the English success text of CharsPerLine reads "completed" but was judged.
  using O = SettingOutcome;
  constexpr O C = O::Completed, S = O::Succeeded, F = O::Failed;
  const std::vector<O> outcomes{C, C, C, C, C, C, C, C, C, C, C, C, C, C,
                                C, C, C, C, C, F, S, F, S, F, S, S, C, C};
  ASSERT_EQ(report.Results().size(), outcomes.size());
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    EXPECT_EQ(report.Results()[i].key, static_cast<SettingKey>(i)) << i;
    EXPECT_EQ(report.Results()[i].outcome, outcomes[i]) << i;
  }
  EXPECT_EQ(report.Results()[25].line, options.variant == UiVariant::Chinese
                                           ? "字符打印列数设置成功!\r\n"
                                           : "character print columns setting completed!\r\n");
  EXPECT_TRUE(report.AnyFailed());
}

INSTANTIATE_TEST_SUITE_P(
    Links, WriteOnlyLinkRun,
    testing::Values(LinkCase{"ParallelChinese", {UiVariant::Chinese, kParallelInterface, false}},
                    LinkCase{"ParallelEnglish", {UiVariant::English, kParallelInterface, false}},
                    LinkCase{"WriteOnlyUsbChinese", {UiVariant::Chinese, kUsbInterface, true}},
                    LinkCase{"WriteOnlyUsbEnglish", {UiVariant::English, kUsbInterface, true}},
                    // The flag outlives the USB action that set it.
                    LinkCase{"SerialAfterWriteOnlyUsb", {UiVariant::Chinese, 2, true}}),
    ParamName<LinkCase>);

// One setting, one answer: how each rule judges what the printer said.
struct JudgeCase {
  const char* name;
  std::function<void(SettingSelection&)> choose;
  std::vector<Step> steps;  // the command and its answer, before SetupEnd
  const char* line;
};

class AckJudging : public testing::TestWithParam<JudgeCase> {};

TEST_P(AckJudging, ReportsWhatTheAnswerShows) {
  const JudgeCase& c = GetParam();
  SettingSelection s;
  c.choose(s);
  CoreRun run;
  run.script.Then(Write("1B 09")).Then(c.steps).Then({Write("1B 15"), ClosePort()});
  const SetupReport report = run.OverPort(s, {UiVariant::English, 0, false});
  run.script.ExpectDone();
  EXPECT_EQ(report.Text(), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AckJudging,
    testing::Values(JudgeCase{"EchoOfAnotherValue",
                              [](auto& s) { s.language = 1; },
                              {Write("1B 16 00"), Read(1, "01")},
                              "Language setting failed!\r\n"},
                    JudgeCase{"EchoFromAFailedRead",
                              [](auto& s) { s.language = 1; },
                              {Write("1B 16 00"), Read(1, "00", false)},
                              "Language setting failed!\r\n"},
                    JudgeCase{"NameEchoesFirstByteOnly",
                              [](auto& s) {
                                s.sendModel = true;
                                s.modelText = "ABCDEFGHIJKLMNOPQRS";
                              },
                              {Write("1B 1C 10 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 00"),
                               Read(16, "41")},
                              "Printer model setting succeed!\r\n"},
                    JudgeCase{"NameEchoWrongFirstByte",
                              [](auto& s) {
                                s.sendManufacturer = true;
                                s.manufacturerText = "AB";
                              },
                              {Write("1B 1B 02 41 42 00"), Read(2, "42 41")},
                              "Manufacturer setting failed!\r\n"},
                    JudgeCase{"EmptyNameReadsNothingAndFails",
                              [](auto& s) { s.sendManufacturer = true; },
                              {Write("1B 1B 00 00"), Read(0, "")},
                              "Manufacturer setting failed!\r\n"},
                    JudgeCase{"TargetLineTakesAnyByte",
                              [](auto& s) { s.targetBaud = 1; },
                              {Write("1B 23 38"), Sleep(1000), Read(1, "FF")},
                              "Serial setting succeed!\r\n"},
                    JudgeCase{"OkAnswer",
                              [](auto& s) { s.sendBluetoothName = true; },
                              {Write("1B 13 00"), Count(2), Read(2, "4F 4B")},
                              "Bluetooth name setting succeed!\r\n"},
                    JudgeCase{"LoneOIsNotOk",
                              [](auto& s) { s.sendBluetoothName = true; },
                              {Write("1B 13 00"), Count(1), Read(1, "4F")},
                              "Bluetooth name setting failed!\r\n"},
                    JudgeCase{"OkAfterTwoEmptyPolls",
                              [](auto& s) { s.sendBluetoothPassword = true; },
                              {Write("1B 10 00"), Count(0), Read(0, ""), Sleep(300), Count(0),
                               Read(0, ""), Sleep(300), Count(5), Read(5, "4F 4B 21 0D 0A")},
                              "Bluetooth password setting succeed!\r\n"},
                    JudgeCase{"PollAsksAtMostTheCap",
                              [](auto& s) { s.sendBluetoothPassword = true; },
                              {Write("1B 10 00"), Count(30), Read(10, "4F 4B")},
                              "Bluetooth password setting succeed!\r\n"},
                    JudgeCase{"OnlyTheReadThatEndsThePollIsJudged",
                              [](auto& s) { s.sendBluetoothName = true; },
                              {Write("1B 13 00"), Count(1), Read(1, "4F")},
                              "Bluetooth name setting failed!\r\n"},
                    JudgeCase{"RadioFourthByteFirst",
                              [](auto& s) { s.sendRadioAddress = true; },
                              {Write("1C BD 00 84 00 01"), Count(9), Read(4, "01 00 00 00")},
                              "Radio address setting succeed!\r\n"},
                    JudgeCase{"RadioOtherByte",
                              [](auto& s) { s.sendRadioAddress = true; },
                              {Write("1C BD 00 84 00 01"), Count(1), Read(1, "84")},
                              "Radio address setting failed!\r\n"}),
    ParamName<JudgeCase>);

// The password's own poll decides, whatever the name's poll got before.
TEST(PortRun, EachPollJudgesOnlyItsOwnSetting) {
  SettingSelection s;
  s.sendBluetoothName = true;
  s.sendBluetoothPassword = true;
  CoreRun run;
  run.script.Then(
      {Write("1B 09"), Write("1B 13 00"), Count(2), Read(2, "4F 4B"), Write("1B 10 00")});
  run.script.Then(PollSilent(0, 10));
  run.script.Then({Write("1B 15"), ClosePort()});
  const SetupReport report = run.OverPort(s, {UiVariant::Chinese, 0, false});
  run.script.ExpectDone();
  EXPECT_EQ(report.Text(), expected::Report(UiVariant::Chinese, "------------------ sf"));
}

TEST(NetworkRun, EnglishSendsInPortOrder) {
  CoreRun run;
  run.script.Then(Send("1B 09"));
  for (SettingKey key : AllSettingKeys()) {
    run.script.Then(Send(Command(key)));
    if (key == SettingKey::TargetSerialLine)
      run.script.Then(Sleep(1000));
  }
  run.script.Then({Sleep(1000), Send("1B 15"), CloseLink()});
  const SetupReport report = run.OverNetwork(EverySetting(), UiVariant::English);
  run.script.ExpectDone();
  EXPECT_EQ(report.Text(), expected::Report(UiVariant::English, "nnnnnnnnnnnnnnnnnnnnnnnnnnnn"));
}

TEST(NetworkRun, ChineseSendsTheTargetSerialLineLast) {
  CoreRun run;
  run.script.Then(Send("1B 09"));
  for (SettingKey key : AllSettingKeys()) {
    if (key != SettingKey::TargetSerialLine)
      run.script.Then(Send(Command(key)));
  }
  run.script.Then({Send(Command(SettingKey::TargetSerialLine)), Sleep(1000), Sleep(1000),
                   Send("1B 15"), CloseLink()});
  const SetupReport report = run.OverNetwork(EverySetting(), UiVariant::Chinese);
  run.script.ExpectDone();
  EXPECT_EQ(report.Text(),
            expected::Report(UiVariant::Chinese, "nnnnnnnnnnnnnnnnn-nnnnnnnnnn") +
                expected::NetworkLine(UiVariant::Chinese, SettingKey::TargetSerialLine));
}

// A serial line with XON/XOFF to a printer that echoes every value byte and never sends XON:
// while output flow control is on, an echoed 0x13 is taken by the line and holds our output
// until it is resumed, and an echoed 0x11 or 0x13 never reaches a read. A write while held does
// not reach the printer.
class XoffHoldingLine : public OpenPort {
 public:
  bool Write(ByteView data) override {
    if (held_) {
      lost.push_back(Hex(data));
      return false;
    }
    arrived.push_back(Hex(data));
    if (data.size() == 3 && data[0] == 0x1B) {
      const std::uint8_t echo = data[2];
      if (flowControl_ && (echo == 0x11 || echo == 0x13))
        held_ = echo == 0x13;
      else
        echo_ = echo;
    }
    return true;
  }
  void SetOutputFlowControl(bool on) override { flowControl_ = on; }
  PortRead Read(std::size_t) override {
    PortRead read{true, {}};
    if (echo_)
      read.bytes.push_back(*echo_);
    echo_.reset();
    return read;
  }
  std::optional<std::size_t> ClearErrorsAndCountReceived() override { return 0; }
  void ResumeOutput() override { held_ = false; }

  std::vector<std::string> arrived;
  std::vector<std::string> lost;

 private:
  bool held_ = false;
  bool flowControl_ = true;
  std::optional<std::uint8_t> echo_;
};

class NoSleep : public Sleeper {
 public:
  void Sleep(std::chrono::milliseconds) override {}
};

TEST(PortRun, AnEchoedXoffHoldsBackNoCommandAndNotTheClosingFrame) {
  SettingSelection s;
  s.codePage = 20;  // CP858: the value 0x13
  s.printSpeed = 1;
  s.bidAdjustment = 20;  // the alignment value 19
  s.charsPerLine = 1;
  XoffHoldingLine line;
  NoSleep sleeper;
  const SetupReport report = SendSettingsOverPort(s, {UiVariant::English, 0, false}, line, sleeper);
  EXPECT_EQ(line.arrived, (std::vector<std::string>{"1B 09", "1B 74 13", "1B 1E 00", "1B 1A 13",
                                                    "1B 39 00", "1B 15"}));
  EXPECT_TRUE(line.lost.empty());
  // The echo 0x13 is read with output flow control off, so it reaches the judge.
  EXPECT_EQ(report.Text(),
            "Codepage setting succeed!\r\nPrint speed setting succeed!\r\ndouble side print adjust "
            "setting succeed!\r\ncharacter print columns setting completed!\r\n");
}

// --- What a real line and a real printer do: input left over, echoes of 0x11 and 0x13, writes
// that do not go out ---

// Language (value 1) and code page CP858 (value 0x13, the XOFF byte), and their report letters
// in port order, for expected::Report.
SettingSelection LanguageAndCp858() {
  SettingSelection s;
  s.language = 2;
  s.codePage = 20;
  return s;
}
std::string Letters(char language, char codePage) {
  std::string letters(kSettingCount, '-');
  letters[static_cast<std::size_t>(SettingKey::Language)] = language;
  letters[static_cast<std::size_t>(SettingKey::CodePage)] = codePage;
  return letters;
}

// Input left waiting is dropped before each setting command, so a late answer is never judged as
// the next setting's; an echo that may be 0x11 or 0x13 is read with output flow control off,
// and it is on again before the next write.
TEST(PortRun, DropsWaitingInputAndReadsAFlowByteEchoWithFlowControlOff) {
  CoreRun run;
  run.script.Then({Write("1B 09"), DiscardInput(),
                   Write(expected::ChoiceCommand(SettingKey::Language, 2)), Read(1, "01"),
                   DiscardInput(), OutputFlow(false),
                   Write(expected::ChoiceCommand(SettingKey::CodePage, 20)), Read(1, "13"),
                   OutputFlow(true), Write("1B 15"), ClosePort()});
  SetupReport report;
  {
    ScriptedPort port(run.script, /*lineControl=*/true);
    report =
        SendSettingsOverPort(LanguageAndCp858(), {UiVariant::English, 0, false}, port, run.sleeper);
  }
  run.script.ExpectDone();
  EXPECT_EQ(report.Text(), expected::Report(UiVariant::English, Letters('s', 's')));
}

struct NotSentCase {
  const char* name;
  bool network;
  std::vector<Step> steps;
  std::string letters;
};

class WritesThatDidNotGoOut : public testing::TestWithParam<NotSentCase> {};

// A write or send that did not go out is the setting's failure line, and its answer is not read;
// a frame command that did not go out, or a network printer that did not take the data before
// the close, fails every line.
TEST_P(WritesThatDidNotGoOut, AreReportedAsFailed) {
  const NotSentCase& c = GetParam();
  Script script;
  ScriptedSleeper sleeper(script);
  script.Then(c.steps);
  SetupReport report;
  if (c.network) {
    ScriptedLink link(script, /*finishing=*/true);
    report = SendSettingsOverNetwork(LanguageAndCp858(), UiVariant::English, link, sleeper);
  } else {
    ScriptedPort port(script);
    report =
        SendSettingsOverPort(LanguageAndCp858(), {UiVariant::English, 0, false}, port, sleeper);
  }
  script.ExpectDone();
  EXPECT_EQ(report.Text(), expected::Report(UiVariant::English, c.letters));
}

Step NotSent(Step step) {
  step.ok = false;
  return step;
}

const Bytes kLanguage = expected::ChoiceCommand(SettingKey::Language, 2);
const Bytes kCp858 = expected::ChoiceCommand(SettingKey::CodePage, 20);

INSTANTIATE_TEST_SUITE_P(
    Cases, WritesThatDidNotGoOut,
    testing::Values(NotSentCase{"SettingWrite",
                                false,
                                {Write("1B 09"), Write(kLanguage, false), Write(kCp858),
                                 Read(1, "13"), Write("1B 15"), ClosePort()},
                                Letters('f', 's')},
                    NotSentCase{"OpeningFrame",
                                false,
                                {Write("1B 09", false), Write(kLanguage), Read(1, "01"),
                                 Write(kCp858), Read(1, "13"), Write("1B 15"), ClosePort()},
                                Letters('f', 'f')},
                    NotSentCase{"ClosingFrame",
                                false,
                                {Write("1B 09"), Write(kLanguage), Read(1, "01"), Write(kCp858),
                                 Read(1, "13"), Write("1B 15", false), ClosePort()},
                                Letters('f', 'f')},
                    NotSentCase{"SettingSend",
                                true,
                                {Send("1B 09"), NotSent(Send(kLanguage)), Send(kCp858), Sleep(1000),
                                 Send("1B 15"), FinishSending(), CloseLink()},
                                Letters('f', 'n')},
                    NotSentCase{"NotTakenBeforeTheClose",
                                true,
                                {Send("1B 09"), Send(kLanguage), Send(kCp858), Sleep(1000),
                                 Send("1B 15"), NotSent(FinishSending()), CloseLink()},
                                Letters('f', 'f')}),
    ParamName<NotSentCase>);

}  // namespace
}  // namespace vantrel
