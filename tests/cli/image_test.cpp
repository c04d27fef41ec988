// Image decoding: small files of known pixels in every accepted kind, files that must be refused,
// and the area filter that fits an image to the paper.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/lib/image.h"
#include "tests/support/param_name.h"

namespace vantrel::cli {
namespace {

Bytes ReadImage(const std::string& name) {
  std::ifstream in(std::string(VANTREL_IMAGES) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Grey of red, green and blue by the BT.601 weights: 0.299 * 255, 0.587 * 255, 0.114 * 255.
constexpr std::uint8_t kRed = 76;
constexpr std::uint8_t kGreen = 150;
constexpr std::uint8_t kBlue = 29;

// The 10 x 10 ramp of the interlaced files: 25 x + 2 y.
std::vector<std::uint8_t> Ramp() {
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x)
      pixels.push_back(static_cast<std::uint8_t>(25 * x + 2 * y));
  }
  return pixels;
}

struct DecodeCase {
  std::string name;
  std::string file;
  std::uint32_t width;
  std::uint32_t height;
  std::vector<std::uint8_t> pixels;
  int tolerance = 0;  // JPEG is lossy
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
  *os << c.name;
}

class Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, GivesTheKnownGreys) {
  const DecodeCase& c = GetParam();
  const Bytes file = ReadImage(c.file);
  ASSERT_FALSE(file.empty()) << c.file;
  const auto decoded = DecodeImage(file);
  ASSERT_TRUE(std::holds_alternative<GreyImage>(decoded)) << std::get<std::string>(decoded);
  const GreyImage& image = std::get<GreyImage>(decoded);
  EXPECT_EQ(image.width, c.width);
  EXPECT_EQ(image.height, c.height);
  ASSERT_EQ(image.pixels.size(), c.pixels.size());
  for (std::size_t i = 0; i < c.pixels.size(); ++i)
    EXPECT_NEAR(image.pixels[i], c.pixels[i], c.tolerance) << "pixel " << i;
}

std::vector<std::uint8_t> Halves(std::uint8_t left, std::uint8_t right) {
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < 8; ++y) {
    pixels.insert(pixels.end(), 8, left);
    pixels.insert(pixels.end(), 8, right);
  }
  return pixels;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Decode,
    testing::Values(
        DecodeCase{"PngColour", "rgb.png", 4, 1, {kRed, kGreen, kBlue, 255}},
        // Opaque black, transparent black, black at alpha 128: transparency is white paper.
        DecodeCase{"PngGreyAndAlpha", "grey-alpha.png", 3, 1, {0, 255, 127}},
        // Red, black, white and a transparent entry of a 2-bit palette.
        DecodeCase{"PngPalette", "palette.png", 4, 1, {kRed, 0, 255, 255}},
        // 16-bit greys 0x8080 and 0xFFFF.
        DecodeCase{"Png16Bit", "grey16.png", 2, 1, {128, 255}},
        DecodeCase{"PngInterlaced", "interlaced.png", 10, 10, Ramp()},
        DecodeCase{"GifPaletteWithTransparency", "palette.gif", 4, 1, {kRed, 0, 255, 255}},
        DecodeCase{"GifInterlaced", "interlaced.gif", 10, 10, Ramp()},
        DecodeCase{"JpegGrey", "black-white.jpg", 16, 8, Halves(0, 255), 3},
        DecodeCase{"JpegColour", "red.jpg", 8, 8, std::vector<std::uint8_t>(64, kRed), 3},
        DecodeCase{"Bmp24Bit", "rgb-24bit.bmp", 4, 1, {kRed, kGreen, kBlue, 255}}),
    test::ParamName<DecodeCase>);

TEST(Decode, ReadsBmpPalettesAndTopDownRowsWhereTheDialogsLoaderTakesThem) {
  // 3 x 2, 4 bits a pixel, two colours declared (black, white), rows top-down; the pixel data
  // follows the colour table, though bfOffBits points elsewhere.
  Bytes bmp{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0};
  const auto put = [&bmp](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
      bmp.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  put(40, 4);
  put(3, 4);
  put(static_cast<std::uint32_t>(-2), 4);
  put(1, 2);
  put(4, 2);
  put(0, 4);
  put(0, 4);
  put(0, 4);
  put(0, 4);
  put(2, 4);
  put(0, 4);
  put(0x000000, 4);
  put(0xFFFFFF, 4);
  bmp.insert(bmp.end(), {0x01, 0x00, 0, 0, 0x10, 0x10, 0, 0});
  const auto decoded = DecodeImage(bmp);
  ASSERT_TRUE(std::holds_alternative<GreyImage>(decoded)) << std::get<std::string>(decoded);
  EXPECT_EQ(std::get<GreyImage>(decoded).pixels,
            (std::vector<std::uint8_t>{0, 255, 0, 255, 0, 255}));
}

struct RefusalCase {
  std::string name;
  Bytes file;
  std::string message;  // a part of it
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

class Refuse : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refuse, WithAMessage) {
  const auto decoded = DecodeImage(GetParam().file);
  ASSERT_TRUE(std::holds_alternative<std::string>(decoded));
  EXPECT_NE(std::get<std::string>(decoded).find(GetParam().message), std::string::npos)
      << std::get<std::string>(decoded);
}

Bytes Cut(const std::string& name, std::size_t keep) {
  Bytes file = ReadImage(name);
  file.resize(std::min(file.size(), keep));
  return file;
}

// red.jpg declaring 20000 x 20000 in its frame header (the bytes after the 0xFFC0 marker's
// length and precision: height, then width).
Bytes HugeJpeg() {
  Bytes file = ReadImage("red.jpg");
  for (std::size_t i = 0; i + 9 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      file[i + 5] = 0x4E;
      file[i + 6] = 0x20;
      file[i + 7] = 0x4E;
      file[i + 8] = 0x20;
      break;
    }
  }
  return file;
}

const std::string kFormats = "it reads PNG, JPEG, GIF and BMP files";

INSTANTIATE_TEST_SUITE_P(
    Files, Refuse,
    testing::Values(
        RefusalCase{"Text", Bytes{'n', 'o', 'p', 'e'}, kFormats},
        RefusalCase{"Pnm16Bit", ReadImage("grey16.pnm"), kFormats},
        // 48 bytes of GIF declaring a 21588 x 21588 screen and picture.
        RefusalCase{"HugeGifHeader", ReadImage("huge-header.gif"),
                    "21588 x 21588 pixels; at most 50000000 pixels"},
        RefusalCase{"HugeJpegHeader", HugeJpeg(), "20000 x 20000 pixels; at most 50000000"},
        RefusalCase{"CutPng", Cut("interlaced.png", 70), "the PNG file is damaged or cut short"},
        RefusalCase{"CutJpeg", Cut("red.jpg", 200), "the JPEG file is damaged or cut short"},
        RefusalCase{"CutGif", Cut("interlaced.gif", 300), "the GIF file is damaged or cut short"},
        RefusalCase{"CutBmp", Cut("rgb-24bit.bmp", 60), "the BMP file is cut short"}),
    test::ParamName<RefusalCase>);

TEST(ImageSize, IsJudgedByThePixelCount) {
  EXPECT_EQ(CheckImageSize(10'000, 5'000), std::nullopt);
  EXPECT_EQ(CheckImageSize(10'000, 5'001),
            "the image is too large (10000 x 5001 pixels; at most 50000000 pixels are read)");
  EXPECT_EQ(CheckImageSize(0, 5), "the image is empty (0 x 5 pixels)");
  EXPECT_NE(CheckImageSize(65'535, 65'535), std::nullopt);
}

TEST(FitWidth, AveragesTheAreaEachDotCovers) {
  // 6 x 2 to 4 x 1: each dot covers 1.5 columns and both rows.
  const GreyImage image{6, 2, {0, 90, 30, 150, 60, 240, 10, 100, 40, 160, 70, 250}};
  const GreyImage fitted = FitWidth(image, 4);
  EXPECT_EQ(fitted.width, 4u);
  EXPECT_EQ(fitted.height, 1u);
  // (0 + 90 / 2) / 1.5 = 30, (90 / 2 + 30) / 1.5 = 50, ... and the second row 10 more.
  EXPECT_EQ(fitted.pixels, (std::vector<std::uint8_t>{35, 55, 125, 185}));
}

}  // namespace
}  // namespace vantrel::cli
