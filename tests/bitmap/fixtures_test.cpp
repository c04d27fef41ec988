// Real BMP files written by ImageMagick (scripts/make-bmp-fixtures), read from disk through the
// system's file reader.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "bitmap/bitmap_checks.h"
#include "bitmap/bitmap_texts.h"
#include "bitmap/dib.h"
#include "bitmap/download_command.h"
#include "tests/support/param_name.h"
#include "tests/support/recording_prompts.h"

namespace vantrel {
namespace {

using namespace test;

std::string FixturePath(const std::string& name) {
  return std::string(VANTREL_BMP_FIXTURES) + "/" + name;
}

Bytes ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The bits of a raw PBM (P4): rows top first, 1 = black, each row padded to whole bytes.
Bytes PbmBits(const Bytes& pbm) {
  std::size_t at = 0;
  int fields = 0;
  while (at < pbm.size() && fields < 3) {
    while (at < pbm.size() && std::isspace(pbm[at]))
      ++at;
    while (at < pbm.size() && !std::isspace(pbm[at]))
      ++at;
    ++fields;
  }
  return Bytes(pbm.begin() + static_cast<std::ptrdiff_t>(at + 1), pbm.end());
}

// HeightRefused: accepted by the load and the tests, refused by the download's height test.
enum class Expect { Accepted, Refused, NotTwoColour, TooWide, HeightRefused };

struct FixtureCase {
  std::string name;
  std::string file;
  Expect expect;
  std::optional<LoadProblem> problem;  // for Refused and HeightRefused
  std::string pbm;                     // for Accepted: the same picture as bits
  bool printsAsDrawn = true;           // colour entry 0 is black
};

class FixtureTest : public testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureTest, IsJudgedByTheRules) {
  const FixtureCase& c = GetParam();
  const std::string path = FixturePath(c.file);
  Script script;
  if (c.expect == Expect::Refused)
    script.Then(Warning(LoadProblemText(UiVariant::English, *c.problem)));
  RecordingPrompts prompts(script);
  const std::unique_ptr<FileReader> files = CreateSystemFileReader();
  CDib dib;
  dib.LoadFile(path, *files, prompts, UiVariant::English);
  script.ExpectDone();
  if (c.expect == Expect::Refused) {
    EXPECT_FALSE(dib.IsLoaded());
    return;
  }
  ASSERT_TRUE(dib.IsLoaded());
  const std::optional<BitmapRefusal> refusal = CheckPrintable(dib.InfoHeader());
  switch (c.expect) {
    case Expect::NotTwoColour:
      EXPECT_EQ(refusal, BitmapRefusal::NotTwoColour);
      return;
    case Expect::TooWide:
      EXPECT_EQ(refusal, BitmapRefusal::TooWide);
      return;
    case Expect::HeightRefused:
      EXPECT_FALSE(refusal.has_value());
      EXPECT_EQ(CheckDownloadHeight(dib.InfoHeader()), c.problem);
      EXPECT_FALSE(BuildDownloadCommand(dib, 0).has_value());
      return;
    default:
      break;
  }
  ASSERT_FALSE(refusal.has_value());
  ASSERT_FALSE(CheckDownloadHeight(dib.InfoHeader()).has_value());
  const std::optional<Bytes> command = BuildDownloadCommand(dib, 0);
  ASSERT_TRUE(command.has_value());
  Bytes expected = PbmBits(ReadWhole(FixturePath(c.pbm)));
  const auto width = static_cast<std::uint32_t>(dib.InfoHeader().biWidth);
  const std::uint32_t x = RasterRowBytes(width);
  if (!c.printsAsDrawn) {
    // Colour entry 0 is white: what prints is the negative, fill bits still clear.
    for (std::size_t i = 0; i < expected.size(); ++i) {
      expected[i] = static_cast<std::uint8_t>(~expected[i]);
      if (i % x == x - 1)
        expected[i] &= FillMask(width);
    }
  }
  ASSERT_EQ(command->size(), 7 + expected.size());
  EXPECT_EQ(Hex(ByteView(*command).subspan(7)), Hex(expected));
}

FixtureCase Accepted(std::string name, std::string file, std::string pbm, bool asDrawn) {
  return {std::move(name), std::move(file), Expect::Accepted,
          std::nullopt,    std::move(pbm),  asDrawn};
}
FixtureCase Checked(std::string name, std::string file, Expect expect) {
  return {std::move(name), std::move(file), expect, std::nullopt, "", true};
}
FixtureCase HeightRefused(std::string name, std::string file, LoadProblem problem) {
  return {std::move(name), std::move(file), Expect::HeightRefused, problem, "", true};
}
FixtureCase Refused(std::string name, std::string file, LoadProblem problem) {
  return {std::move(name), std::move(file), Expect::Refused, problem, "", true};
}

INSTANTIATE_TEST_SUITE_P(
    ImageMagick, FixtureTest,
    testing::Values(Accepted("OneBit", "mono-100x50.bmp", "mono-100x50.pbm", false),
                    Accepted("OneBitVersion4Header", "mono-v4-100x50.bmp", "mono-100x50.pbm",
                             false),
                    Accepted("OneBit576", "mono-576x8.bmp", "mono-576x8.pbm", true),
                    Checked("OneBit577", "mono-577x8.bmp", Expect::TooWide),
                    Checked("FourBit", "palette-4bit.bmp", Expect::NotTwoColour),
                    Checked("EightBit", "palette-8bit.bmp", Expect::NotTwoColour),
                    Checked("TrueColour", "truecolor-24bit.bmp", Expect::NotTwoColour),
                    Checked("RleLongerThanOneBitRows", "rle8-gradient.bmp", Expect::NotTwoColour),
                    Checked("RleShorterThanOneBitRows", "rle8-runs.bmp", Expect::NotTwoColour),
                    HeightRefused("TopDown", "topdown-100x50.bmp", LoadProblem::TopDownRows),
                    Refused("Os2Header", "os2-100x50.bmp", LoadProblem::UnsupportedHeader),
                    Refused("PbmIsNotABitmap", "mono-100x50.pbm", LoadProblem::NotBitmap)),
    ParamName<FixtureCase>);

TEST(SystemFileReader, MissingFileAndDirectoryGoToTheFileErrorReport) {
  const std::string missing = FixturePath("no-such-file.bmp");
  const std::string directory = FixturePath("");
  Script script{FileError(missing, FileErrorCause::NotFound),
                FileError(directory, FileErrorCause::ReadFailed)};
  RecordingPrompts prompts(script);
  const std::unique_ptr<FileReader> files = CreateSystemFileReader();
  CDib dib;
  EXPECT_EQ(dib.LoadFile(missing, *files, prompts, UiVariant::Chinese), DibLoad::FileError);
  EXPECT_EQ(dib.LoadFile(directory, *files, prompts, UiVariant::Chinese), DibLoad::FileError);
  script.ExpectDone();
}

TEST(SystemFileReader, ReadsInFullAndReportsTheLength) {
  const std::string path = FixturePath("mono-100x50.bmp");
  const std::unique_ptr<FileReader> files = CreateSystemFileReader();
  FileOpenResult opened = files->Open(path);
  ASSERT_TRUE(opened.file);
  EXPECT_EQ(opened.file->Length(), 862u);
  Bytes all(1000);
  EXPECT_EQ(opened.file->Read(all), 862u);
  EXPECT_EQ(opened.file->Read(all), 0u);
}

}  // namespace
}  // namespace vantrel
