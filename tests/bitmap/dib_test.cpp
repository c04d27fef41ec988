#include "bitmap/dib.h"

#include <gtest/gtest.h>

#include "bitmap/bitmap_texts.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/param_name.h"
#include "tests/support/recording_prompts.h"
#include "tests/support/scripted_files.h"

namespace vantrel {
namespace {

using namespace test;
using namespace test::bitmaps;

std::uint32_t BlockClrUsed(const CDib& dib) {
  const auto block = dib.Block();
  return static_cast<std::uint32_t>(block[32] | block[33] << 8 | block[34] << 16 | block[35] << 24);
}

// --- The colour count, its write-back and where the pixel rows begin -------------------------

struct ColourCase {
  std::string name;
  std::uint16_t bitCount;
  std::uint32_t clrUsed;
  std::uint32_t tableEntries;  // entries written to the file
  std::uint32_t expectedCount;
};

class ColourCountTest : public testing::TestWithParam<ColourCase> {};

TEST_P(ColourCountTest, RecordsTheCountAndPlacesTheRowsAfterTheTable) {
  const ColourCase& c = GetParam();
  BmpLayout layout;
  layout.width = 8;
  layout.height = 2;
  layout.bitCount = c.bitCount;
  layout.clrUsed = c.clrUsed;
  layout.palette.assign(c.tableEntries, 0x00123456);
  layout.pixels = {0x11, 0, 0, 0, 0x22, 0, 0, 0};
  // Enough bytes for the rows at any bit count in this table.
  layout.pixels.resize(2 * 32, 0x33);

  Script script{OpenFile("a.bmp")};
  ScriptedFiles files(script);
  files.Add("a.bmp", MakeBmp(layout));
  RecordingPrompts prompts(script);
  CDib dib;
  EXPECT_EQ(dib.LoadFile("a.bmp", files, prompts, UiVariant::English), DibLoad::Loaded);
  script.ExpectDone();

  ASSERT_TRUE(dib.IsLoaded());
  EXPECT_EQ(dib.InfoHeader().biClrUsed, c.expectedCount);
  EXPECT_EQ(BlockClrUsed(dib), c.expectedCount);
  EXPECT_EQ(dib.PixelRowOffset(), 40 + 4 * c.expectedCount);
  ASSERT_FALSE(dib.PixelRows().empty());
  EXPECT_EQ(dib.PixelRows()[0], 0x11);
}

INSTANTIATE_TEST_SUITE_P(Load, ColourCountTest,
                         testing::Values(ColourCase{"OneBitCountFromBitCount", 1, 0, 2, 2},
                                         ColourCase{"OneBitDeclaredTwo", 1, 2, 2, 2},
                                         ColourCase{"FourBitFromBitCount", 4, 0, 16, 16},
                                         ColourCase{"FourBitDeclaredTwoWins", 4, 2, 2, 2},
                                         ColourCase{"EightBitFromBitCount", 8, 0, 256, 256},
                                         ColourCase{"TrueColourHasNoTable", 24, 0, 0, 0},
                                         ColourCase{"ThirtyTwoBitHasNoTable", 32, 0, 0, 0},
                                         ColourCase{"BitCountTwoGivesNone", 2, 0, 0, 0},
                                         ColourCase{"BitCountZeroGivesNone", 0, 0, 0, 0},
                                         ColourCase{"OneBitDeclaringOne", 1, 1, 1, 1}),
                         ParamName<ColourCase>);

TEST(DibLoad, DeclaredCountIsNotWrittenBack) {
  Script script{OpenFile("a.bmp")};
  ScriptedFiles files(script);
  const Bytes file = MonoBmp(PatternPicture(8, 2), {kBlack, kWhite}, 2);
  files.Add("a.bmp", file);
  RecordingPrompts prompts(script);
  CDib dib;
  dib.LoadFile("a.bmp", files, prompts, UiVariant::Chinese);
  ASSERT_TRUE(dib.IsLoaded());
  // The block is the file after its 14-byte header, byte for byte.
  EXPECT_TRUE(std::equal(dib.Block().begin(), dib.Block().end(), file.begin() + 14, file.end()));
}

TEST(DibLoad, PixelRowsFollowTheColourTableWhateverTheOffsetSays) {
  const Picture picture = PatternPicture(16, 3);
  BmpLayout layout;
  layout.width = 16;
  layout.height = 3;
  layout.gap = 6;
  layout.pixels = StoredMonoRows(picture);
  const Bytes file = MakeBmp(layout);
  ASSERT_EQ(file[10], 14 + 40 + 8 + 6);  // bfOffBits points past the gap

  Script script{OpenFile("gap.bmp")};
  ScriptedFiles files(script);
  files.Add("gap.bmp", file);
  RecordingPrompts prompts(script);
  CDib dib;
  dib.LoadFile("gap.bmp", files, prompts, UiVariant::English);
  ASSERT_TRUE(dib.IsLoaded());
  EXPECT_EQ(dib.PixelRowOffset(), 48u);
  EXPECT_EQ(dib.PixelRows()[0], 0xEE);  // the gap is read as pixels
  EXPECT_EQ(dib.FileHeader().bfOffBits, 68u);
}

TEST(DibLoad, VersionFourHeaderPutsTheTableAfterItsOwnSize) {
  BmpLayout layout;
  layout.infoSize = 108;
  layout.pixels = {0x5A, 0, 0, 0};
  Script script{OpenFile("v4.bmp")};
  ScriptedFiles files(script);
  files.Add("v4.bmp", MakeBmp(layout));
  RecordingPrompts prompts(script);
  CDib dib;
  dib.LoadFile("v4.bmp", files, prompts, UiVariant::English);
  ASSERT_TRUE(dib.IsLoaded());
  EXPECT_EQ(dib.PixelRowOffset(), 116u);
  EXPECT_EQ(dib.PixelRows()[0], 0x5A);
}

// --- Files the load refuses ---------------------------------------------------------------

Bytes Patched(Bytes file, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i)
    file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return file;
}

Bytes Mono(int width, int height) {
  return MonoBmp(PatternPicture(width, height));
}

Bytes Text(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

Bytes Cut(Bytes file, std::size_t length) {
  file.resize(length);
  return file;
}

struct RefusalCase {
  std::string name;
  Bytes file;
  LoadProblem problem;
};

class LoadRefusalTest : public testing::TestWithParam<std::tuple<RefusalCase, UiVariant>> {};

TEST_P(LoadRefusalTest, ShowsOneWarningAndStaysEmpty) {
  const auto& [c, variant] = GetParam();
  Script script{OpenFile("x.bmp"), Warning(LoadProblemText(variant, c.problem))};
  ScriptedFiles files(script);
  files.Add("x.bmp", c.file);
  RecordingPrompts prompts(script);
  CDib dib;
  EXPECT_EQ(dib.LoadFile("x.bmp", files, prompts, variant), DibLoad::Refused);
  script.ExpectDone();
  EXPECT_FALSE(dib.IsLoaded());
  EXPECT_EQ(dib.LastProblem(), c.problem);
  EXPECT_TRUE(dib.Block().empty());
  EXPECT_TRUE(dib.PixelRows().empty());
}

std::vector<RefusalCase> RefusalCases() {
  const Bytes good = Mono(32, 4);  // 14 + 40 + 8 + 16 bytes
  // Files the two-colour or the width test refuses load, so that the test's own message is
  // shown: see the refusal-order table of the bitmap actions.
  return {
      {"EmptyFile", {}, LoadProblem::NotBitmap},
      {"ThirteenBytes", Cut(good, 13), LoadProblem::NotBitmap},
      {"TextFile", Text("This is only text, named .bmp"), LoadProblem::NotBitmap},
      {"LowerCaseBm",
       [&] {
         Bytes f = good;
         f[0] = 'b';
         f[1] = 'm';
         return f;
       }(),
       LoadProblem::NotBitmap},
      {"SwappedMagic",
       [&] {
         Bytes f = good;
         f[0] = 'M';
         f[1] = 'B';
         return f;
       }(),
       LoadProblem::NotBitmap},
      {"FileHeaderOnly", Cut(good, 14), LoadProblem::InfoHeaderTruncated},
      {"InfoSizeCutShort", Cut(good, 17), LoadProblem::InfoHeaderTruncated},
      {"InfoHeaderCut", Cut(good, 14 + 39), LoadProblem::InfoHeaderTruncated},
      {"InfoSizeBeyondFile", Patched(good, 14, 0xFFFFFFF0), LoadProblem::InfoHeaderTruncated},
      {"Os2CoreHeader", Patched(good, 14, 12), LoadProblem::UnsupportedHeader},
      {"InfoSizeZero", Patched(good, 14, 0), LoadProblem::UnsupportedHeader},
      // The selection has no height test: a two-colour file is judged by the rows it holds,
      // counted whichever way they are stored.
      {"MostNegativeHeight", Patched(good, 22, 0x80000000), LoadProblem::PixelRowsTruncated},
      {"Height65536", Patched(good, 22, 65536), LoadProblem::PixelRowsTruncated},
      {"ColourTableCut", Cut(good, 14 + 40 + 7), LoadProblem::ColourTableTruncated},
      {"LastRowOneByteShort", Cut(good, good.size() - 1), LoadProblem::PixelRowsTruncated},
      {"NoPixels", Cut(good, 14 + 48), LoadProblem::PixelRowsTruncated},
      {"HeightBeyondRows", Patched(good, 22, 5), LoadProblem::PixelRowsTruncated},
      {"WidthBeyondRows", Patched(good, 18, 33), LoadProblem::PixelRowsTruncated},
  };
}

std::string RefusalName(const testing::TestParamInfo<std::tuple<RefusalCase, UiVariant>>& param) {
  return std::get<0>(param.param).name +
         (std::get<1>(param.param) == UiVariant::Chinese ? "Chinese" : "English");
}

INSTANTIATE_TEST_SUITE_P(Load, LoadRefusalTest,
                         testing::Combine(testing::ValuesIn(RefusalCases()),
                                          testing::Values(UiVariant::Chinese, UiVariant::English)),
                         RefusalName);

TEST(DibLoad, NotABitmapReadsTheSameInBothVariants) {
  EXPECT_EQ(LoadProblemText(UiVariant::Chinese, LoadProblem::NotBitmap),
            "This isn't a bitmap file!");
  EXPECT_EQ(LoadProblemText(UiVariant::English, LoadProblem::NotBitmap),
            "This isn't a bitmap file!");
}

TEST(DibLoad, EveryProblemHasItsOwnTextInEachLanguage) {
  const LoadProblem problems[] = {
      LoadProblem::FileTooLarge,         LoadProblem::OutOfMemory,
      LoadProblem::InfoHeaderTruncated,  LoadProblem::UnsupportedHeader,
      LoadProblem::TopDownRows,          LoadProblem::TooTall,
      LoadProblem::ColourTableTruncated, LoadProblem::PixelRowsTruncated};
  std::set<std::string_view> seen;
  for (LoadProblem problem : problems) {
    const std::string_view chinese = LoadProblemText(UiVariant::Chinese, problem);
    const std::string_view english = LoadProblemText(UiVariant::English, problem);
    EXPECT_NE(chinese, english);
    EXPECT_TRUE(seen.insert(chinese).second) << chinese;
    EXPECT_TRUE(seen.insert(english).second) << english;
  }
}

// Height and width at the edges the load lets through.
TEST(DibLoad, AcceptsTheTallestImageAndLeavesANegativeWidthToTheWidthTest) {
  Script script{OpenFile("tall.bmp"), OpenFile("neg.bmp")};
  ScriptedFiles files(script);
  files.Add("tall.bmp", Mono(1, 65535));
  files.Add("neg.bmp", Patched(Mono(8, 1), 18, static_cast<std::uint32_t>(-8)));
  RecordingPrompts prompts(script);
  CDib dib;
  dib.LoadFile("tall.bmp", files, prompts, UiVariant::Chinese);
  EXPECT_TRUE(dib.IsLoaded());
  EXPECT_EQ(dib.InfoHeader().biHeight, 65535);
  dib.LoadFile("neg.bmp", files, prompts, UiVariant::Chinese);
  EXPECT_TRUE(dib.IsLoaded());
  EXPECT_EQ(dib.InfoHeader().biWidth, -8);
  script.ExpectDone();
}

TEST(DibLoad, ZeroSizedImageNeedsNoRows) {
  Script script{OpenFile("empty.bmp")};
  ScriptedFiles files(script);
  BmpLayout layout;
  layout.width = 0;
  layout.height = 0;
  files.Add("empty.bmp", MakeBmp(layout));
  RecordingPrompts prompts(script);
  CDib dib;
  dib.LoadFile("empty.bmp", files, prompts, UiVariant::Chinese);
  EXPECT_TRUE(dib.IsLoaded());
  EXPECT_TRUE(dib.PixelRows().empty());
}

// --- Memory, size and file errors ---------------------------------------------------------

class NoMemory : public BlockAllocator {
 public:
  std::unique_ptr<std::uint8_t[]> Allocate(std::size_t length) override {
    asked = length;
    return nullptr;
  }
  std::size_t asked = 0;
};

TEST(DibLoad, FailedAllocationIsAFailedLoad) {
  for (UiVariant variant : {UiVariant::Chinese, UiVariant::English}) {
    Script script{OpenFile("a.bmp"), Warning(LoadProblemText(variant, LoadProblem::OutOfMemory))};
    ScriptedFiles files(script);
    const Bytes file = Mono(8, 1);
    files.Add("a.bmp", file);
    RecordingPrompts prompts(script);
    NoMemory allocator;
    CDib dib(allocator);
    EXPECT_EQ(dib.LoadFile("a.bmp", files, prompts, variant), DibLoad::Refused);
    script.ExpectDone();
    EXPECT_EQ(allocator.asked, file.size() - 14);
    EXPECT_FALSE(dib.IsLoaded());
  }
}

TEST(DibLoad, RefusesAFileBeyondTheLargestBlockWithoutAllocating) {
  Script script{OpenFile("huge.bmp"),
                Warning(LoadProblemText(UiVariant::English, LoadProblem::FileTooLarge))};
  ScriptedFiles files(script);
  files.AddWithLength("huge.bmp", Mono(8, 1), kMaxBlockLength + 15);
  RecordingPrompts prompts(script);
  NoMemory allocator;
  CDib dib(allocator);
  dib.LoadFile("huge.bmp", files, prompts, UiVariant::English);
  script.ExpectDone();
  EXPECT_EQ(allocator.asked, 0u);
  EXPECT_FALSE(dib.IsLoaded());
}

TEST(DibLoad, AFileThatShrankIsJudgedByWhatWasRead) {
  const Bytes file = Mono(32, 4);
  Script script{OpenFile("a.bmp"),
                Warning(LoadProblemText(UiVariant::English, LoadProblem::PixelRowsTruncated))};
  ScriptedFiles files(script);
  files.AddWithLength("a.bmp", Cut(file, file.size() - 4), file.size());
  RecordingPrompts prompts(script);
  CDib dib;
  dib.LoadFile("a.bmp", files, prompts, UiVariant::English);
  script.ExpectDone();
}

TEST(DibLoad, FileErrorsGoToTheFileErrorReport) {
  Script script{OpenFile("missing.bmp"), FileError("missing.bmp", FileErrorCause::NotFound),
                OpenFile("locked.bmp"),  FileError("locked.bmp", FileErrorCause::AccessDenied),
                OpenFile("bad.bmp"),     FileError("bad.bmp", FileErrorCause::ReadFailed)};
  ScriptedFiles files(script);
  files.AddRefused("locked.bmp", FileErrorCause::AccessDenied);
  files.AddUnreadable("bad.bmp");
  RecordingPrompts prompts(script);
  CDib dib;
  for (const char* path : {"missing.bmp", "locked.bmp", "bad.bmp"}) {
    EXPECT_EQ(dib.LoadFile(path, files, prompts, UiVariant::Chinese), DibLoad::FileError);
    EXPECT_FALSE(dib.IsLoaded());
    EXPECT_FALSE(dib.LastProblem().has_value());
  }
  script.ExpectDone();
}

TEST(DibLoad, EveryLoadStartsEmpty) {
  Script script{OpenFile("a.bmp"),
                OpenFile("b.bmp"),
                Warning("This isn't a bitmap file!"),
                OpenFile("a.bmp"),
                OpenFile("missing.bmp"),
                FileError("missing.bmp", FileErrorCause::NotFound)};
  ScriptedFiles files(script);
  files.Add("a.bmp", Mono(8, 1));
  files.Add("b.bmp", Text("plain text"));
  RecordingPrompts prompts(script);
  CDib dib;
  EXPECT_FALSE(dib.IsLoaded());
  dib.LoadFile("a.bmp", files, prompts, UiVariant::English);
  EXPECT_TRUE(dib.IsLoaded());
  dib.LoadFile("b.bmp", files, prompts, UiVariant::English);
  EXPECT_FALSE(dib.IsLoaded());  // the earlier image is gone too
  EXPECT_TRUE(dib.Block().empty());
  dib.LoadFile("a.bmp", files, prompts, UiVariant::English);
  EXPECT_TRUE(dib.IsLoaded());
  dib.LoadFile("missing.bmp", files, prompts, UiVariant::English);
  EXPECT_FALSE(dib.IsLoaded());
  EXPECT_TRUE(dib.Block().empty());
  script.ExpectDone();
}

}  // namespace
}  // namespace vantrel
