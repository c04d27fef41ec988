#pragma once

// Builds BMP files byte by byte for the tests, independently of the loader.

#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace vantrel::test::bitmaps {

inline constexpr std::uint32_t kBlack = 0x00000000;
inline constexpr std::uint32_t kWhite = 0x00FFFFFF;

struct BmpLayout {
  std::int32_t width = 8;
  std::int32_t height = 1;
  std::uint16_t bitCount = 1;
  std::uint32_t clrUsed = 0;
  std::uint32_t infoSize = 40;  // bytes past 40 are zero
  std::uint32_t compression = 0;
  std::vector<std::uint32_t> palette{kBlack, kWhite};  // the entries written, blue in the low byte
  std::size_t gap = 0;  // bytes of 0xEE between the colour table and the pixels, in bfOffBits
  Bytes pixels;
};

Bytes MakeBmp(const BmpLayout& layout);

// A two-colour picture, top row first: '#' is colour entry 0, any other character entry 1.
using Picture = std::vector<std::string>;

// A deterministic picture of any size with both colours in every row (empty rows for width 0).
Picture PatternPicture(int width, int height);

// The stored rows of a 1-bit BMP of the picture: bottom row first, each padded to 4 bytes with
// zero bits, which would print as dots if the fill bits were not cleared.
Bytes StoredMonoRows(const Picture& picture);

// A 1-bit BMP of the picture with the given palette and biClrUsed.
Bytes MonoBmp(const Picture& picture, std::vector<std::uint32_t> palette = {kBlack, kWhite},
              std::uint32_t clrUsed = 0);

// What the printer is to receive for the picture: rows top first, bit 7 the leftmost pixel,
// 1 for '#', the fill bits 0.
Bytes ExpectedRaster(const Picture& picture);

}  // namespace vantrel::test::bitmaps
