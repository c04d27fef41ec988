#include "tests/support/bmp_builder.h"

namespace vantrel::test::bitmaps {
namespace {

void Put16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::size_t PictureWidth(const Picture& picture) {
  return picture.empty() ? 0 : picture[0].size();
}

}  // namespace

Bytes MakeBmp(const BmpLayout& layout) {
  const std::uint32_t tableBytes = static_cast<std::uint32_t>(layout.palette.size() * 4);
  const std::uint32_t offBits =
      14 + layout.infoSize + tableBytes + static_cast<std::uint32_t>(layout.gap);
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offBits + static_cast<std::uint32_t>(layout.pixels.size()));
  Put32(out, 0);
  Put32(out, offBits);

  Put32(out, layout.infoSize);
  Put32(out, static_cast<std::uint32_t>(layout.width));
  Put32(out, static_cast<std::uint32_t>(layout.height));
  Put16(out, 1);
  Put16(out, layout.bitCount);
  Put32(out, layout.compression);
  Put32(out, static_cast<std::uint32_t>(layout.pixels.size()));
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, layout.clrUsed);
  Put32(out, 0);
  for (std::uint32_t i = 40; i < layout.infoSize; ++i)
    out.push_back(0);
  for (std::uint32_t colour : layout.palette)
    Put32(out, colour);
  out.insert(out.end(), layout.gap, 0xEE);
  out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
  return out;
}

Picture PatternPicture(int width, int height) {
  Picture picture;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x)
      row += ((x * 7 + y * 3) % 5 < 2 || x == y) ? '#' : '.';
    picture.push_back(row);
  }
  return picture;
}

Bytes StoredMonoRows(const Picture& picture) {
  const std::size_t width = PictureWidth(picture);
  const std::size_t stride = (width + 31) / 32 * 4;
  Bytes rows;
  for (auto row = picture.rbegin(); row != picture.rend(); ++row) {
    Bytes stored(stride, 0x00);
    for (std::size_t x = 0; x < width; ++x) {
      if ((*row)[x] != '#')
        stored[x / 8] = static_cast<std::uint8_t>(stored[x / 8] | (0x80 >> (x % 8)));
    }
    rows.insert(rows.end(), stored.begin(), stored.end());
  }
  return rows;
}

Bytes MonoBmp(const Picture& picture, std::vector<std::uint32_t> palette, std::uint32_t clrUsed) {
  BmpLayout layout;
  layout.width = static_cast<std::int32_t>(PictureWidth(picture));
  layout.height = static_cast<std::int32_t>(picture.size());
  layout.palette = std::move(palette);
  layout.clrUsed = clrUsed;
  layout.pixels = StoredMonoRows(picture);
  return MakeBmp(layout);
}

Bytes ExpectedRaster(const Picture& picture) {
  const std::size_t width = PictureWidth(picture);
  const std::size_t x = (width + 7) / 8;
  Bytes raster;
  for (const std::string& row : picture) {
    Bytes bytes(x, 0);
    for (std::size_t i = 0; i < width; ++i) {
      if (row[i] == '#')
        bytes[i / 8] = static_cast<std::uint8_t>(bytes[i / 8] | (0x80 >> (i % 8)));
    }
    raster.insert(raster.end(), bytes.begin(), bytes.end());
  }
  return raster;
}

}  // namespace vantrel::test::bitmaps
