// The paper: receipts as the printer lays them out from the print commands, with the stored
// settings in force and never changed by a print.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "sim/decoder.h"
#include "sim/paper.h"
#include "sim/printer.h"
#include "tests/support/param_name.h"
#include "tests/support/script.h"

namespace vantrel::sim {
namespace {

using test::FromHex;

// The few characters these receipts print, typed from the code tables: CP858 0xD5 is the euro
// sign, CP437 0xD5 a box corner; GBK D6D0 CEC4 is "中文".
std::string TypedTables(std::string_view charset, std::string_view bytes) {
  static const std::map<std::pair<std::string, std::string>, std::string> kTable = {
      {{"CP858", "\xD5"}, "€"},
      {{"CP437", "\xD5"}, "╒"},
      {{"GBK", "\xD6\xD0"}, "中"},
      {{"GBK", "\xCE\xC4"}, "文"},
  };
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      out.push_back(bytes[i]);
      continue;
    }
    const std::size_t length = charset == "GBK" && i + 1 < bytes.size() ? 2 : 1;
    const auto found = kTable.find({std::string(charset), std::string(bytes.substr(i, length))});
    out += found != kTable.end() ? found->second : "\xEF\xBF\xBD";
    i += length - 1;
  }
  return out;
}

// Every character a solid block, so that printed text must mark the paper.
class BlockGlyphs : public GlyphSource {
 public:
  const Glyph* Get(char32_t, int width, int height) override {
    glyph_ = Glyph{width, height, std::vector<std::uint8_t>(std::size_t(width * height), 1)};
    return &glyph_;
  }

 private:
  Glyph glyph_;
};

struct Receipt {
  PageSetup setup;
  std::vector<PrintedLine> lines;
  std::vector<std::string> pictures;
  StoredBitmap page;
  std::string ending;
  std::string printedWith;
};

class Journal : public PaperSink {
 public:
  void ReceiptBegin(int, const PageSetup& setup) override {
    receipts.emplace_back();
    receipts.back().setup = setup;
  }
  void ReceiptLine(const PrintedLine& line) override {
    if (!line.runs.empty())
      receipts.back().lines.push_back(line);
  }
  void ReceiptPicture(const StoredBitmap& picture, std::optional<std::size_t>, int x,
                      std::string_view caption) override {
    receipts.back().pictures.push_back(std::string(caption) + " " +
                                       std::to_string(picture.rowBytes * 8) + "x" +
                                       std::to_string(picture.rows) + " at " + std::to_string(x));
  }
  void ReceiptNote(std::string_view note) override { notes.emplace_back(note); }
  void ReceiptEnd(int, const StoredBitmap& page, std::string_view ending,
                  std::string_view printedWith) override {
    receipts.back().page = page;
    receipts.back().ending = ending;
    receipts.back().printedWith = printedWith;
  }
  std::vector<Receipt> receipts;
  std::vector<std::string> notes;
};

// The texts of a receipt's lines, one string a line (runs joined by " | ").
std::vector<std::string> Texts(const Receipt& receipt) {
  std::vector<std::string> texts;
  for (const PrintedLine& line : receipt.lines) {
    std::string text;
    for (const LineRun& run : line.runs)
      text += (text.empty() ? "" : " | ") + (run.picture ? "(picture)" : run.text);
    texts.push_back(text);
  }
  return texts;
}

bool Blank(const StoredBitmap& page) {
  return std::all_of(page.raster.begin(), page.raster.end(), [](std::uint8_t b) { return b == 0; });
}

// A printer fed with a stream over one connection, as the simulator runs it.
struct Run1 {
  Printer printer{SerialLine{}};
  BlockGlyphs glyphs;
  Paper paper{&TypedTables, &glyphs};
  Journal journal;
  Decoder decoder;

  void Feed(const std::string& hex) {
    std::vector<Command> commands;
    decoder.Feed(FromHex(hex), commands);
    for (const Command& command : commands) {
      printer.Apply(command);
      paper.Take(command, printer, journal);
    }
  }
};

constexpr const char* kSetEnglishCp858Width512 = "1B 09 1B 16 00 1B 74 13 1B 20 01 1B 15";

struct ReceiptCase {
  const char* name;
  const char* setup;  // sent first (a Set run), may be empty
  const char* receipt;
  std::vector<std::string> lines;
  int widthDots;
  std::string printedWith;
};

class Receipts : public testing::TestWithParam<ReceiptCase> {};

TEST_P(Receipts, PrintInTheCodePageAndWidthInForce) {
  Run1 run;
  run.Feed(GetParam().setup);
  const nlohmann::json stored = run.printer.State(&EscapeNonAscii)["settings"];
  run.Feed(GetParam().receipt);
  // Nothing a receipt sends changes what the printer stores.
  EXPECT_EQ(run.printer.State(&EscapeNonAscii)["settings"], stored);
  ASSERT_EQ(run.journal.receipts.size(), 1u);
  const Receipt& receipt = run.journal.receipts[0];
  EXPECT_EQ(Texts(receipt), GetParam().lines);
  EXPECT_EQ(receipt.setup.widthDots, GetParam().widthDots);
  EXPECT_EQ(receipt.page.rowBytes * 8, GetParam().widthDots);
  EXPECT_EQ(receipt.printedWith, GetParam().printedWith);
  EXPECT_FALSE(Blank(receipt.page));
}

INSTANTIATE_TEST_SUITE_P(
    Paper, Receipts,
    testing::Values(
        // Nothing stored: a Chinese printer, GBK text.
        ReceiptCase{"ChineseByDefault", "", "D6 D0 CE C4 0A 1D 56 00", {"中文"}, 576, "GBK"},
        ReceiptCase{"StoredCodePage",
                    kSetEnglishCp858Width512,
                    "33 2E 35 30 20 D5 0A 1D 56 01",
                    {"3.50 €"},
                    512,
                    "CP858"},
        // A code table chosen for the job; initialise returns to the stored one.
        ReceiptCase{"JobCodeTable",
                    "1B 09 1B 16 00 1B 15",
                    "1B 74 13 D5 0A 1B 40 D5 0A 1D 56 41 00",
                    {"€", "╒"},
                    576,
                    "CP437, CP858"},
        // The settings' own bytes outside the frame: a print mode, a code table, a spacing.
        ReceiptCase{"SettingBytesPrint",
                    "1B 09 1B 16 00 1B 15",
                    "1B 21 00 1B 74 13 1B 20 00 1B 35 01 D5 0A 1D 56 42 00",
                    {"€"},
                    576,
                    "CP858"},
        // Chinese characters switched on for the job on an English printer.
        ReceiptCase{"ChineseForTheJob",
                    kSetEnglishCp858Width512,
                    "1C 26 D6 D0 1C 2E D5 0A 1D 56 31",
                    {"中 | €"},
                    512,
                    "CP858, GBK"},
        // 48 characters: one line at 576 dots, two at 512 (42 a line).
        ReceiptCase{"WrapsAtTheStoredWidth",
                    kSetEnglishCp858Width512,
                    "31 32 33 34 35 36 37 38 39 30 31 32 33 34 35 36 37 38 39 30 31 32 33 34 35 36 "
                    "37 38 39 30 31 32 33 34 35 36 37 38 39 30 41 42 43 44 45 46 47 48 0A 1D 56 00",
                    {"1234567890123456789012345678901234567890AB", "CDEFGH"},
                    512,
                    "CP858"},
        ReceiptCase{"Unwrapped",
                    "1B 09 1B 16 00 1B 15",
                    "31 32 33 34 35 36 37 38 39 30 31 32 33 34 35 36 37 38 39 30 31 32 33 34 35 36 "
                    "37 38 39 30 31 32 33 34 35 36 37 38 39 30 41 42 43 44 45 46 47 48 0A 1D 56 00",
                    {"1234567890123456789012345678901234567890ABCDEFGH"},
                    576,
                    "CP437"},
        // A carriage return prints a line, unless "0D Invalid" is stored.
        ReceiptCase{"CarriageReturnPrints",
                    "1B 09 1B 16 00 1B 2B 01 1B 15",
                    "41 0D 42 0A 1B 69",
                    {"A", "B"},
                    576,
                    "CP437"},
        ReceiptCase{"CarriageReturnIgnored",
                    "1B 09 1B 16 00 1B 2B 00 1B 15",
                    "41 0D 42 0A 1B 69",
                    {"AB"},
                    576,
                    "CP437"},
        ReceiptCase{"BarcodeAndQrAsLabels",
                    "1B 09 1B 16 00 1B 15",
                    "1D 6B 04 41 42 00 1D 28 6B 06 00 31 50 30 61 62 63 1D 28 6B 03 00 31 51 30 "
                    "1B 69",
                    {"[barcode CODE39: AB]", "[QR code: abc]"},
                    576,
                    ""}),
    test::ParamName<ReceiptCase>);

TEST(Paper, LaysOutAlignmentSizesAndEmphasis) {
  Run1 run;
  // Centred "AB" at double size, then emphasised "C" on the left after initialise.
  run.Feed("1B 09 1B 16 00 1B 15 1B 61 01 1D 21 11 41 42 0A 1B 40 1B 45 01 43 1B 64 02 1D 56 00");
  ASSERT_EQ(run.journal.receipts.size(), 1u);
  const Receipt& receipt = run.journal.receipts[0];
  ASSERT_EQ(receipt.lines.size(), 2u);
  const LineRun& big = receipt.lines[0].runs[0];
  EXPECT_EQ(big.width, 48);  // two characters of 12 dots, twice as wide
  EXPECT_EQ(big.x, (576 - 48) / 2);
  EXPECT_EQ(big.height, 48);
  EXPECT_EQ(receipt.lines[0].height, 48);
  const LineRun& bold = receipt.lines[1].runs[0];
  EXPECT_EQ(bold.x, 0);
  EXPECT_TRUE(bold.bold);
  EXPECT_EQ(bold.wide, 1);
  // The page: the big line, the bold line with its two fed lines, at 30 dots a line.
  EXPECT_EQ(receipt.page.rows, 48 + 30 + 30);
}

TEST(Paper, EveryCutEndsAReceiptAndImagesArePictures) {
  Run1 run;
  // An 8 x 2 raster image, centred; a band of a column image; cuts of every form.
  run.Feed("1B 61 01 1D 76 30 00 01 00 02 00 FF 81 1D 56 00");
  run.Feed("1B 2A 21 02 00 FF FF FF 80 00 01 0A 1D 56 01");
  for (const char* cut : {"1D 56 30", "1D 56 31", "1D 56 41 00", "1D 56 42 10", "1B 69", "1B 6D"})
    run.Feed(std::string("58 0A ") + cut);
  run.Feed("1D 56 00");  // nothing printed since the last cut
  ASSERT_EQ(run.journal.receipts.size(), 8u);
  EXPECT_EQ(run.journal.receipts[0].pictures, std::vector<std::string>{"raster image 8x2 at 284"});
  EXPECT_EQ(run.journal.receipts[0].page.rows, 2);
  EXPECT_EQ(Texts(run.journal.receipts[1]), std::vector<std::string>{"(picture)"});
  EXPECT_EQ(run.journal.receipts[1].page.rows, 30);  // a 24-dot band on a 30-dot line
  EXPECT_EQ(run.journal.receipts[5].ending, "partial cut after a feed of 16 dots");
  EXPECT_EQ(run.journal.receipts[5].page.rows, 30 + 16);
  EXPECT_EQ(run.journal.notes,
            std::vector<std::string>{"full cut: nothing printed since the last cut"});
  EXPECT_EQ(run.printer.State(&EscapeNonAscii)["counters"]["cuts"], 9);
}

TEST(Paper, AReceiptsPictureStaysBounded) {
  Run1 run;
  std::string lines;
  for (int i = 0; i < 400; ++i)
    lines += "41 0A ";
  for (int i = 0; i < 2; ++i)
    run.Feed(lines);
  run.Feed("1D 56 00");
  ASSERT_EQ(run.journal.receipts.size(), 1u);
  EXPECT_EQ(run.journal.receipts[0].page.rows, Paper::kMaxRows);
  EXPECT_EQ(run.journal.notes.size(), 1u);

  // Text sent again and again to the line's start never piles up in one line.
  std::string back;
  for (int i = 0; i < 600; ++i)
    back += "41 1B 24 00 00 ";
  run.Feed(back + "0A 1D 56 00");
  ASSERT_EQ(run.journal.receipts.size(), 2u);
  EXPECT_EQ(run.journal.receipts[1].lines.size(), 2u);
  EXPECT_LE(run.journal.receipts[1].lines[0].runs.size(), 512u);
}

}  // namespace
}  // namespace vantrel::sim
