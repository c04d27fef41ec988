#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/lib/status.h"
#include "protocol/printer_status.h"
#include "tests/support/param_name.h"
#include "tests/support/script.h"

namespace vantrel {
namespace {

using namespace vantrel::test;  // NOLINT

// The status bytes as a receipt printer sends them: bits 1 and 4 always set; DLE EOT 1 bit 2 the
// drawer connector, bit 3 offline; DLE EOT 2 bit 2 cover open, bit 5 stopped at paper end, bit 6
// error; DLE EOT 3 bit 3 cutter error, bit 5 unrecoverable, bit 6 auto-recoverable; DLE EOT 4
// bits 2-3 near end, bits 5-6 paper out.
struct DecodeCase {
  const char* name;
  std::array<std::uint8_t, 4> bytes;
  PrinterState state;
  std::vector<std::string> conditions;
  cli::ExitStatus exit;
};

class StatusBytes : public testing::TestWithParam<DecodeCase> {};

TEST_P(StatusBytes, GiveTheStateItsWordsAndItsExitStatus) {
  const DecodeCase& c = GetParam();
  const std::optional<PrinterStatus> status = DecodeStatus(c.bytes);
  EXPECT_EQ(StateOf(status), c.state);
  if (status) {
    EXPECT_EQ(StatusConditions(*status), c.conditions);
  }
  EXPECT_EQ(cli::StatusExit(StateOf(status)), c.exit);
  EXPECT_EQ(cli::StateOfExit(c.exit), c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Printers, StatusBytes,
    testing::Values(
        DecodeCase{"Ready", {0x12, 0x12, 0x12, 0x12}, PrinterState::Ready, {}, cli::ExitStatus::Ok},
        DecodeCase{"DrawerOpenStillReady",
                   {0x16, 0x12, 0x12, 0x12},
                   PrinterState::Ready,
                   {"drawer open"},
                   cli::ExitStatus::Ok},
        DecodeCase{"PaperNearEnd",
                   {0x12, 0x12, 0x12, 0x1E},
                   PrinterState::PaperNearEnd,
                   {"paper near its end"},
                   cli::ExitStatus::PaperNearEnd},
        DecodeCase{"PaperOut",
                   {0x1A, 0x32, 0x12, 0x7E},
                   PrinterState::NeedsAttention,
                   {"paper out", "offline", "paper near its end"},
                   cli::ExitStatus::NeedsAttention},
        DecodeCase{"CoverOpen",
                   {0x1A, 0x16, 0x12, 0x12},
                   PrinterState::NeedsAttention,
                   {"cover open", "offline"},
                   cli::ExitStatus::NeedsAttention},
        DecodeCase{"CutterJammed",
                   {0x3A, 0x52, 0x1A, 0x12},
                   PrinterState::NeedsAttention,
                   {"cutter error", "offline", "waiting to go online again"},
                   cli::ExitStatus::NeedsAttention},
        DecodeCase{"OfflineWithoutCause",
                   {0x1A, 0x12, 0x12, 0x12},
                   PrinterState::NeedsAttention,
                   {"offline"},
                   cli::ExitStatus::NeedsAttention},
        DecodeCase{"EchoIsNoAnswer",
                   {0x10, 0x12, 0x12, 0x12},
                   PrinterState::NoAnswer,
                   {},
                   cli::ExitStatus::NoAnswer},
        DecodeCase{"HighBitIsNoAnswer",
                   {0x12, 0x12, 0x92, 0x12},
                   PrinterState::NoAnswer,
                   {},
                   cli::ExitStatus::NoAnswer}),
    ParamName<DecodeCase>);

TEST(StatusBytes, SeveralPrintersEndWithTheMostPressing) {
  using cli::ExitStatus;
  using cli::Worst;
  EXPECT_EQ(Worst(ExitStatus::Ok, ExitStatus::PaperNearEnd), ExitStatus::PaperNearEnd);
  EXPECT_EQ(Worst(ExitStatus::NeedsAttention, ExitStatus::PaperNearEnd),
            ExitStatus::NeedsAttention);
  EXPECT_EQ(Worst(ExitStatus::NeedsAttention, ExitStatus::NoAnswer), ExitStatus::NoAnswer);
  EXPECT_EQ(Worst(ExitStatus::OpenFailed, ExitStatus::NoAnswer), ExitStatus::OpenFailed);
  // The statuses of the other commands keep their order.
  EXPECT_EQ(Worst(ExitStatus::SettingFailed, ExitStatus::OpenFailed), ExitStatus::OpenFailed);
  EXPECT_EQ(Worst(ExitStatus::BadFile, ExitStatus::BadUsage), ExitStatus::BadFile);
}

// The answer of an identity request: 0x5F, the text, NUL.
std::vector<Step> Answer(std::string_view hex) {
  std::vector<Step> steps;
  for (const std::uint8_t byte : FromHex(hex))
    steps.push_back(Read(1, Hex(ByteView(&byte, 1))));
  return steps;
}

// Asks over a scripted port, which is released at the end as a command's port is.
StatusAnswer Ask(Script& script, const StatusAsking& asking = {}) {
  ScriptedSleeper sleeper(script);
  ScriptedPort port(script);
  return AskPrinterStatus(port, sleeper, asking);
}

std::vector<Step> Asked(std::string_view request, std::string_view answer) {
  return std::vector<Step>{Write(request)} + Answer(answer);
}

TEST(AskPrinterStatus, AsksEachStatusThenModelAndMakerOfAnOnlinePrinter) {
  Script script;
  script.Then(Asked("10 04 01", "12") + Asked("10 04 02", "12") + Asked("10 04 03", "12") +
              Asked("10 04 04", "1E") + Asked("1D 49 43", "5F 54 4D 2D 31 00") +
              Asked("1D 49 42", "5F 56 61 6E 74 72 65 6C 00"));
  script.Then(ClosePort());
  const StatusAnswer answer = Ask(script);
  script.ExpectDone();
  ASSERT_TRUE(answer.status);
  EXPECT_EQ(StateOf(answer.status), PrinterState::PaperNearEnd);
  EXPECT_EQ(answer.status->identity, "Vantrel TM-1");
  EXPECT_EQ(cli::StatusLine(answer), "paper near its end: paper near its end [Vantrel TM-1]");
}

TEST(AskPrinterStatus, AnOfflinePrinterIsNotAskedItsIdentity) {
  Script script;
  script.Then(Asked("10 04 01", "1A") + Asked("10 04 02", "32") + Asked("10 04 03", "12") +
              Asked("10 04 04", "7E"));
  script.Then(ClosePort());
  const StatusAnswer answer = Ask(script);
  script.ExpectDone();
  EXPECT_EQ(StateOf(answer.status), PrinterState::NeedsAttention);
  EXPECT_FALSE(answer.status->identity);
}

TEST(AskPrinterStatus, ASilentPrinterCostsOneAnswersWaitAndNoMore) {
  Script script;
  script.Then(
      {Write("10 04 01"), ReadNothing(1), Sleep(50), ReadNothing(1), Sleep(50), ReadNothing(1)});
  script.Then(ClosePort());
  const StatusAnswer answer = Ask(script, {3, std::chrono::milliseconds(50)});
  script.ExpectDone();
  EXPECT_FALSE(answer.status);
  EXPECT_TRUE(answer.received.empty());
  EXPECT_EQ(cli::StatusLine(answer), "no answer");
}

TEST(AskPrinterStatus, BytesThatAreNoStatusEndTheQuestionsAsNoAnswer) {
  Script script;
  script.Then({Write("10 04 01"), Read(1, "12"), Write("10 04 02"), Read(1, "4F")});
  script.Then(ClosePort());
  const StatusAnswer answer = Ask(script);
  script.ExpectDone();
  EXPECT_FALSE(answer.status);
  EXPECT_EQ(Hex(answer.received), "12 4F");
  EXPECT_EQ(cli::StatusLine(answer), "no answer: what came back is not a status answer");
}

TEST(AskPrinterStatus, AModelAnswerThatIsNoIdentityIsLeftOut) {
  Script script;
  // An answer with a control byte in it is no identity.
  script.Then(Asked("10 04 01", "12") + Asked("10 04 02", "12") + Asked("10 04 03", "12") +
              Asked("10 04 04", "12") + Asked("1D 49 43", "5F 54 07 00"));
  script.Then(ClosePort());
  const StatusAnswer answer = Ask(script);
  script.ExpectDone();
  EXPECT_EQ(StateOf(answer.status), PrinterState::Ready);
  EXPECT_FALSE(answer.status->identity);
}

}  // namespace
}  // namespace vantrel
