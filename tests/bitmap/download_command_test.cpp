#include "bitmap/download_command.h"

#include <gtest/gtest.h>

#include "tests/support/bmp_builder.h"
#include "tests/support/param_name.h"
#include "tests/support/recording_prompts.h"
#include "tests/support/scripted_files.h"

namespace vantrel {
namespace {

using namespace test;
using namespace test::bitmaps;

// Loads a file from memory into a fresh image.
class Loaded {
 public:
  explicit Loaded(const Bytes& file) : files_(script_), prompts_(script_) {
    script_.Then(OpenFile("image.bmp"));
    files_.Add("image.bmp", file);
    dib.LoadFile("image.bmp", files_, prompts_, UiVariant::Chinese);
    script_.ExpectDone();
  }
  CDib dib;

 private:
  Script script_;
  ScriptedFiles files_;
  RecordingPrompts prompts_;
};

Bytes Raster(const Bytes& command) {
  return Bytes(command.begin() + 7, command.end());
}

// --- Golden vectors -------------------------------------------------------------------------

struct GoldenCase {
  std::string name;
  int width;
  int height;
  int slot;
  std::string header;  // the seven header bytes
  std::size_t length;
  std::uint8_t lastByteMask;  // what the fill mask keeps of every row's last byte
};

class GoldenCommandTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenCommandTest, HeaderLengthAndRasterRows) {
  const GoldenCase& c = GetParam();
  const Picture picture = PatternPicture(c.width, c.height);
  BmpLayout layout;
  layout.width = c.width;  // also when there are no rows to tell it
  layout.height = c.height;
  layout.pixels = StoredMonoRows(picture);
  const Loaded image(MakeBmp(layout));
  ASSERT_TRUE(image.dib.IsLoaded());

  const std::optional<Bytes> command = BuildDownloadCommand(image.dib, c.slot);
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(command->size(), c.length);
  EXPECT_EQ(Hex(ByteView(*command).first(7)), c.header);
  EXPECT_EQ(Hex(Raster(*command)), Hex(ExpectedRaster(picture)));

  const std::size_t x = (static_cast<std::size_t>(c.width) + 7) / 8;
  for (std::size_t row = 0; x > 0 && row < static_cast<std::size_t>(c.height); ++row) {
    const std::uint8_t last = (*command)[7 + row * x + x - 1];
    EXPECT_EQ(last & ~c.lastByteMask & 0xFF, 0) << "row " << row;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Download, GoldenCommandTest,
    testing::Values(
        GoldenCase{"Width100Height50Slot0", 100, 50, 0, "1B FE 00 0D 00 32 00", 657, 0xF0},
        GoldenCase{"Width576Height300Slot7", 576, 300, 7, "1B FE 07 48 00 2C 01", 21607, 0xFF},
        GoldenCase{"Width8NoFillBits", 8, 3, 1, "1B FE 01 01 00 03 00", 10, 0xFF},
        GoldenCase{"Width1", 1, 4, 2, "1B FE 02 01 00 04 00", 11, 0x80},
        GoldenCase{"Width0IsTheHeaderAlone", 0, 5, 3, "1B FE 03 00 00 05 00", 7, 0xFF},
        GoldenCase{"Height0", 16, 0, 4, "1B FE 04 02 00 00 00", 7, 0xFF},
        GoldenCase{"Height256UsesTheHighByte", 9, 256, 5, "1B FE 05 02 00 00 01", 519, 0x80},
        GoldenCase{"Width31", 31, 2, 6, "1B FE 06 04 00 02 00", 15, 0xFE},
        GoldenCase{"Width33NeedsTwoWords", 33, 2, 6, "1B FE 06 05 00 02 00", 17, 0x80}),
    ParamName<GoldenCase>);

TEST(FillMask, KeepsTheTopBitsOfTheLastByte) {
  const std::uint8_t expected[8] = {0xFF, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
  for (std::uint32_t width = 1; width <= 16; ++width)
    EXPECT_EQ(FillMask(width), expected[width % 8]) << "width " << width;
}

// The 100 x 50 example bit for bit: the bottom stored row becomes the last raster row, and every
// bit is inverted, so colour entry 0 prints.
TEST(DownloadCommand, FlipsAndInvertsTheStoredRows) {
  const Picture picture = PatternPicture(100, 50);
  const Bytes stored = StoredMonoRows(picture);
  const Loaded image(MonoBmp(picture));
  const Bytes command = *BuildDownloadCommand(image.dib, 0);
  const std::size_t x = 13;
  const std::size_t stride = 16;
  for (std::size_t r = 0; r < 50; ++r) {
    for (std::size_t i = 0; i < x; ++i) {
      std::uint8_t want = static_cast<std::uint8_t>(~stored[r * stride + i]);
      if (i == x - 1)
        want &= 0xF0;
      ASSERT_EQ(command[7 + (49 - r) * x + i], want) << "stored row " << r << " byte " << i;
    }
  }
}

TEST(DownloadCommand, PaletteIsNotLookedAtSoWhiteFirstPrintsANegative) {
  const Picture picture = PatternPicture(20, 6);
  const Loaded usual(MonoBmp(picture, {kBlack, kWhite}));
  const Loaded negative(MonoBmp(picture, {kWhite, kBlack}));
  EXPECT_EQ(BuildDownloadCommand(usual.dib, 0), BuildDownloadCommand(negative.dib, 0));
}

TEST(DownloadCommand, UsesTheOneBitStrideWhateverTheBitCount) {
  // A 4-bit file declaring two colours: its rows are read as 1-bit rows of 4 bytes.
  BmpLayout layout;
  layout.width = 16;
  layout.height = 2;
  layout.bitCount = 4;
  layout.clrUsed = 2;
  layout.pixels = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0,
                   0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F};
  const Loaded image(MakeBmp(layout));
  ASSERT_TRUE(image.dib.IsLoaded());
  const Bytes command = *BuildDownloadCommand(image.dib, 0);
  EXPECT_EQ(Hex(Raster(command)), "65 43 ED CB");
}

TEST(DownloadCommand, SlotIsSentAsItsLowByte) {
  const Loaded image(MonoBmp(PatternPicture(8, 1)));
  EXPECT_EQ((*BuildDownloadCommand(image.dib, 7))[2], 0x07);
  EXPECT_EQ((*BuildDownloadCommand(image.dib, 0x107))[2], 0x07);
}

TEST(DownloadCommand, NothingForImagesItCannotCarry) {
  CDib empty;
  EXPECT_FALSE(BuildDownloadCommand(empty, 0).has_value());

  const Loaded wide(MonoBmp(PatternPicture(577, 1)));
  ASSERT_TRUE(wide.dib.IsLoaded());
  EXPECT_FALSE(BuildDownloadCommand(wide.dib, 0).has_value());

  BmpLayout negativeWidth;
  negativeWidth.width = -8;
  const Loaded negative(MakeBmp(negativeWidth));
  ASSERT_TRUE(negative.dib.IsLoaded());
  EXPECT_FALSE(BuildDownloadCommand(negative.dib, 0).has_value());
}

TEST(WriteDownloadCommand, RefusesShortRowsAndAWrongBuffer) {
  const Bytes rows(4 * 3 - 1, 0);
  Bytes command(7 + 3, 0xAA);
  EXPECT_FALSE(WriteDownloadCommand({8, 3, rows}, 0, command));
  EXPECT_EQ(command, Bytes(10, 0xAA));  // nothing written

  const Bytes enough(12, 0);
  Bytes tooShort(9, 0);
  EXPECT_FALSE(WriteDownloadCommand({8, 3, enough}, 0, tooShort));
  EXPECT_TRUE(WriteDownloadCommand({8, 3, enough}, 0, command));
  EXPECT_EQ(Hex(command), "1B FE 00 01 00 03 00 FF FF FF");

  Bytes tall(DownloadCommandSize(1, kMaxBitmapHeight + 1));
  const Bytes tallRows(4 * (kMaxBitmapHeight + 1), 0);
  EXPECT_FALSE(WriteDownloadCommand({1, kMaxBitmapHeight + 1, tallRows}, 0, tall));
}

TEST(DownloadCommand, LargestImageIsOneBufferOfSevenPlusXTimesY) {
  const Picture picture = PatternPicture(576, 65535);
  const Loaded image(MonoBmp(picture));
  ASSERT_TRUE(image.dib.IsLoaded());
  const std::optional<Bytes> command = BuildDownloadCommand(image.dib, 7);
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(command->size(), 7u + 72u * 65535u);
  EXPECT_EQ(Hex(ByteView(*command).first(7)), "1B FE 07 48 00 FF FF");
  EXPECT_TRUE(Raster(*command) == ExpectedRaster(picture));
}

}  // namespace
}  // namespace vantrel
