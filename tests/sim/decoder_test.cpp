#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bitmap/download_command.h"
#include "protocol/operations.h"
#include "protocol/set_run.h"
#include "sim/decoder.h"
#include "sim/printer.h"
#include "tests/support/expected_tables.h"
#include "tests/support/param_name.h"
#include "tests/support/script.h"

namespace vantrel::sim {
namespace {

namespace expected = test::expected;
using test::FromHex;
using Kind = Command::Kind;

// Decodes a stream; `framed`: as the printer takes it inside the setup frame.
std::vector<Command> Decode(ByteView bytes, std::size_t chunk = 0, bool framed = false) {
  Decoder decoder;
  std::vector<Command> out;
  if (framed) {
    decoder.Feed(SetupBegin, out);
    out.clear();
  }
  if (chunk == 0) {
    decoder.Feed(bytes, out);
  } else {
    for (std::size_t i = 0; i < bytes.size(); i += chunk)
      decoder.Feed(bytes.subspan(i, std::min(chunk, bytes.size() - i)), out);
  }
  decoder.Finish(out);
  return out;
}

// A command in words with its bytes and the serial answer: what the log shows.
std::string Line(const Command& command) {
  const auto answer = AnswerFor(command);
  return Describe(command, &EscapeNonAscii) + " [" + Hex(command.bytes) + "]" +
         (answer ? " -> " + Hex(*answer) : "");
}

std::vector<std::string> Lines(const std::vector<Command>& commands) {
  std::vector<std::string> lines;
  for (const Command& command : commands)
    lines.push_back(Line(command));
  return lines;
}

struct DecodeCase {
  const char* name;
  const char* bytes;
  std::vector<std::string> lines;
  bool framed = true;  // decoded inside the setup frame
};

class DecodeTable : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTable, NamesEachCommandAndItsAnswer) {
  const Bytes bytes = FromHex(GetParam().bytes);
  const bool framed = GetParam().framed;
  EXPECT_EQ(Lines(Decode(bytes, 0, framed)), GetParam().lines);
  // Any cut of the stream gives the same commands.
  for (std::size_t chunk = 1; chunk < bytes.size(); ++chunk)
    EXPECT_EQ(Lines(Decode(bytes, chunk, framed)), GetParam().lines) << "chunks of " << chunk;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DecodeTable,
    testing::Values(
        DecodeCase{"Frame", "1B 09 1B 15", {"setup begin [1B 09]", "setup end [1B 15]"}},
        DecodeCase{"ChoiceWithBothTexts",
                   "1B 16 01 1C BC 00",
                   {"Language = 1 (Simplified Chinese / 简体中文) [1B 16 01] -> 01",
                    "LcdBacklight = 0 (Off / 关) [1C BC 00] -> 00"}},
        DecodeCase{
            "ValueOutsideTheList", "1B 21 07", {"Font = 7 ((not in the list)) [1B 21 07] -> 07"}},
        DecodeCase{"CutterAndMechanism",
                   "1B 19 22",
                   {"CutterMechanism = cutter ACS-230 / ACS-230切刀, mechanism M-U110II / "
                    "M-U110II机芯 [1B 19 22] -> 22"}},
        DecodeCase{"TargetLine",
                   "1B 23 07",
                   {"TargetSerialLine = 115200 baud, parity even, 7 data bits, XON/XOFF "
                    "[1B 23 07] -> 07"}},
        DecodeCase{"NamesAndBluetooth",
                   "1B 1B 02 41 42 00 1B 1C 00 00 1B 13 00 1B 10 02 31 32",
                   {"ManufacturerName = \"AB\" [1B 1B 02 41 42 00] -> 41",
                    "ModelName = \"\" [1B 1C 00 00]", "BluetoothName = \"\" [1B 13 00] -> 4F 4B",
                    "BluetoothPassword = \"12\" [1B 10 02 31 32] -> 4F 4B"}},
        DecodeCase{"NameWithoutItsZero",
                   "1B 1B 01 41 0A",
                   {"ManufacturerName = \"A\" (no terminating zero) [1B 1B 01 41] -> 41",
                    "print line \"\" []"}},
        DecodeCase{"AddressAndOffsets",
                   "1C BD AB EF 00 07 1D 28 46 04 00 01 00 38 02 1D 28 46 04 00 02 00 E4 00",
                   {"RadioAddress = AB EF 00 07 [1C BD AB EF 00 07] -> 07",
                    "StartOffset = 568 positions (100 mm) [1D 28 46 04 00 01 00 38 02]",
                    "CutOffset = 228 positions (about 40.1 mm) [1D 28 46 04 00 02 00 E4 00]"}},
        DecodeCase{"DirectOperations",
                   "1C 50 07 1B 70 00 32 32 1D 56 42 00",
                   {"print stored bitmap of slot 8 [1C 50 07]", "open cash drawer [1B 70 00 32 32]",
                    "cut paper (partial, after a feed of 0 dots) [1D 56 42 00]"}},
        DecodeCase{"TestLineEndsAtLineFeed",
                   "50 72 69 6E 74 20 74 65 73 74 20 4F 4B 21 0A 0D",
                   {"print line \"Print test OK!\" [50 72 69 6E 74 20 74 65 73 74 20 4F 4B 21]"}},
        DecodeCase{"AlignmentTest",
                   "1B 09 1B 1A FF 1B 15",
                   {"setup begin [1B 09]", "print the bidirectional alignment test [1B 1A FF]",
                    "setup end [1B 15]"}},
        DecodeCase{"NoSuchSlot",
                   "1B FE 08 00 00 00 00 1C 50 08",
                   {"store bitmap in slot 9: 0 x 0 dots (no such slot: nothing stored) "
                    "[1B FE 08 00 00 00 00]",
                    "print stored bitmap of slot 9 (no such slot) [1C 50 08]"}},
        DecodeCase{"SmallDownload",
                   "1B FE 01 01 00 02 00 F0 0F",
                   {"store bitmap in slot 2: 8 x 2 dots [1B FE 01 01 00 02 00]"}},
        DecodeCase{
            "TooWideForAnyPrinter",
            "1B FE 00 49 00 01 00",
            {"unknown bytes [1B FE 00]", "unknown bytes [00 01 00]", "print line \"I\" [49]"}},
        DecodeCase{"UnknownEscapeAndControls",
                   "01 02 1B 40 1D 1D 0C",
                   {"unknown bytes [01 02]", "initialise [1B 40]", "unknown bytes [1D]",
                    "feed to next print start position [1D 0C]"}},
        DecodeCase{"CutShort", "1B 09 1B 16", {"setup begin [1B 09]", "unknown bytes [1B 16]"}},
        // Outside the frame the same bytes are the print commands of a receipt printer.
        DecodeCase{"SettingsOnlyInsideTheFrame",
                   "1B 74 13 1B 15 1B 74 13",
                   {"CodePage = 19 (CP858 Multilingual Latin \xE2\x85\xA0+Euro)) [1B 74 13] -> 13",
                    "setup end [1B 15]", "code table 19 (this print only) [1B 74 13]"}},
        DecodeCase{
            "PrintModesNotSettings",
            "1B 21 08 1B 20 00 1B 16 01 1B 28 41 02 00 30 31 1D 28 46 04 00 01 00 38 02",
            {"print mode 8 (this print only) [1B 21 08]",
             "print command with no effect on the paper [1B 20 00]", "unknown bytes [1B 16 01]",
             "print command with no effect on the paper [1B 28 41 02 00]",
             "print command with no effect on the paper [1D 28 46 04 00]"},
            false},
        DecodeCase{"EveryCut",
                   "1D 56 00 1D 56 01 1D 56 30 1D 56 31 1D 56 41 05 1D 56 42 00 1B 69 1B 6D",
                   {"cut paper (full) [1D 56 00]", "cut paper (partial) [1D 56 01]",
                    "cut paper (full) [1D 56 30]", "cut paper (partial) [1D 56 31]",
                    "cut paper (full, after a feed of 5 dots) [1D 56 41 05]",
                    "cut paper (partial, after a feed of 0 dots) [1D 56 42 00]",
                    "cut paper (full) [1B 69]", "cut paper (partial) [1B 6D]"},
                   false},
        DecodeCase{"TextAroundModes",
                   "54 6F 1B 45 01 74 61 6C 0A 1B 61 01 1D 21 11 1B 64 02",
                   {"print text \"To\" [54 6F]", "emphasis 1 (this print only) [1B 45 01]",
                    "print line \"tal\" [74 61 6C]", "alignment 1 (this print only) [1B 61 01]",
                    "character size 17 (this print only) [1D 21 11]",
                    "print and feed lines 2 (this print only) [1B 64 02]"},
                   false},
        DecodeCase{"ImagesAndSymbols",
                   "1D 76 30 00 01 00 02 00 F0 0F 1D 6B 04 41 42 00 1D 6B 49 02 7B 42 "
                   "1D 28 6B 05 00 31 50 30 61 62 1D 28 6B 03 00 31 51 30",
                   {"raster image 8 x 2 dots (as kept) [1D 76 30 00 01 00 02 00]",
                    "barcode 4: 2 bytes of data [1D 6B 04 41 42 00]",
                    "barcode 73: 2 bytes of data [1D 6B 49 02 7B 42]",
                    "store 2D symbol data 49: 2 bytes of data [1D 28 6B 05 00 31 50 30]",
                    "print 2D symbol 49 [1D 28 6B 03 00 31 51]"},
                   false},
        DecodeCase{"ImageCutShort",
                   "1D 76 30 00 02 00 02 00 FF",
                   {"unknown bytes: raster image cut short after 1 of 4 data bytes "
                    "[1D 76 30 00 02 00 02 00]"},
                   false},
        DecodeCase{"DownloadCutShort",
                   "1B FE 00 02 00 02 00 FF",
                   {"unknown bytes: download cut short after 1 of 4 raster bytes "
                    "[1B FE 00 02 00 02 00]"}}),
    test::ParamName<DecodeCase>);

// Every command the tool builds decodes to its setting, and the simulated answer is the one the
// Set run judges a success.
TEST(DecoderAgreesWithTheEncoder, EveryChosenSettingRoundTripsAndIsAcknowledged) {
  const SettingSelection s = expected::ExtremeSelection();
  // The encoder and the decoder each against the typed commands, never against each other.
  for (const SettingKey key : AllSettingKeys()) {
    const expected::SettingCommand want = expected::Extreme(key);
    const auto sent = EncodeSetting(key, s);
    ASSERT_TRUE(sent) << SettingName(key);
    EXPECT_EQ(Hex(sent->command), Hex(want.command)) << SettingName(key);
    EXPECT_EQ(sent->reference, want.reference) << SettingName(key);
    const auto commands = Decode(want.command, 0, true);
    ASSERT_EQ(commands.size(), 1u) << SettingName(key);
    const Command& got = commands[0];
    EXPECT_EQ(got.kind, Kind::Setting);
    EXPECT_EQ(got.key, key) << SettingName(key);
    EXPECT_EQ(got.bytes, want.command);
    const auto answer = AnswerFor(got);
    const std::string ack = expected::Ack(key);
    if (ack == "EchoValue" || ack == "PollFourthByte") {
      EXPECT_EQ(answer, Bytes{*want.reference}) << SettingName(key);
    } else if (ack == "EchoFirstByte") {
      ASSERT_TRUE(answer && !answer->empty());
      EXPECT_EQ((*answer)[0], *want.reference);
    } else if (ack == "AnyReply") {
      EXPECT_EQ(answer ? answer->size() : 0u, 1u);
    } else if (ack == "PollOk") {
      EXPECT_EQ(answer, FromHex("4F 4B"));
    } else {
      EXPECT_FALSE(answer) << SettingName(key);
    }
  }
}

TEST(DecoderAgreesWithTheEncoder, DirectAndFixedCommandsAndDownloads) {
  Bytes stream;
  for (const char* name : {"TestLine", "BidTest", "FeedToNextPosition", "FeedToCutPosition",
                           "DownloadHeader576x300Slot7"}) {
    const Bytes bytes = expected::Direct(name);
    stream.insert(stream.end(), bytes.begin(), bytes.end());
  }
  // A 576 x 300 image, every row a different pattern, into the eighth slot.
  Bytes rows(std::size_t{300} * 72);
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i] = static_cast<std::uint8_t>(i * 7 + i / 72);
  stream.insert(stream.end(), rows.begin(), rows.end());

  std::vector<Kind> kinds;
  const auto commands = Decode(stream, 1000);
  for (const Command& command : commands)
    kinds.push_back(command.kind);
  EXPECT_EQ(kinds, (std::vector<Kind>{Kind::TextLine, Kind::SetupBegin, Kind::AlignmentTest,
                                      Kind::SetupEnd, Kind::FeedToNextPosition, Kind::TextLine,
                                      Kind::TextLine, Kind::Cut, Kind::BitmapDownload}));
  const Command& stored = commands.back();
  EXPECT_EQ(stored.value, 7);
  EXPECT_EQ(stored.rowBytes, 72);
  EXPECT_EQ(stored.rows, 300);
  EXPECT_EQ(stored.raster, rows);
  EXPECT_EQ(EscapeNonAscii(commands[6].text),
            EscapeNonAscii("\xB4\xF2\xD3\xA1\xBD\xE1\xCA\xF8\xB2\xA2\xD7\xDF\xD6\xBD\xB5\xBD\xCB"
                           "\xBA / \xC7\xD0\xD6\xBD\xCF\xDF"));
}

TEST(Decoder, HoldsBoundedMemoryOnNoise) {
  std::mt19937 random(7);
  Decoder decoder;
  std::vector<Command> out;
  std::size_t most = 0;
  Bytes chunk(4096);
  for (int round = 0; round < 256; ++round) {
    for (std::uint8_t& byte : chunk)
      byte = static_cast<std::uint8_t>(random());
    decoder.Feed(chunk, out);
    most = std::max(most, decoder.Held());
    out.clear();
  }
  EXPECT_LE(most, std::size_t{72} * 65535 + Decoder::kMaxLine + 300);
}

// An image header announcing 65535 x 65535 bytes: its data is read, and only the widest paper's
// rows up to the image cap are kept.
TEST(Decoder, AHugeImageKeepsOnlyWhatThePaperShows) {
  Decoder decoder;
  std::vector<Command> out;
  decoder.Feed(FromHex("1D 76 30 00 FF FF 03 00"), out);
  Bytes rows(std::size_t{3} * 65535, 0x81);
  decoder.Feed(rows, out);
  decoder.Feed(FromHex("0A"), out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].op, PrintOp::Raster);
  EXPECT_EQ(out[0].rowBytes, 72);
  EXPECT_EQ(out[0].rows, 3);
  EXPECT_EQ(out[0].raster, Bytes(std::size_t{3} * 72, 0x81));
  EXPECT_EQ(out[1].kind, Kind::TextLine);

  decoder.Feed(FromHex("1D 76 30 00 FF FF FF FF"), out);
  Bytes chunk(1 << 20, 0xFF);
  for (int i = 0; i < 8; ++i)
    decoder.Feed(chunk, out);
  EXPECT_LE(decoder.Held(), kMaxPrintRowBytes * kMaxPrintRows);
}

TEST(TargetLine, TheValuesOfTheToolsLists) {
  EXPECT_EQ(DecodeTargetLine(0x3B), (SerialLine{9600, Parity::None, 8, true}));
  EXPECT_EQ(DecodeTargetLine(0x47), (SerialLine{115200, Parity::Odd, 7, false}));
  EXPECT_EQ(DecodeTargetLine(0x60), std::nullopt);
}

}  // namespace
}  // namespace vantrel::sim
