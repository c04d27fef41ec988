#include "cli/lib/image.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "bitmap/dib.h"

namespace vantrel::cli {
namespace {

void PutLittle(Bytes& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
}

std::uint32_t Little(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

bool StartsWith(std::span<const std::uint8_t> file, std::initializer_list<std::uint8_t> magic) {
  return file.size() >= magic.size() && std::equal(magic.begin(), magic.end(), file.begin());
}

// One channel of a bit-field pixel, scaled to 0..255.
class Channel {
 public:
  explicit Channel(std::uint32_t mask)
      : mask_(mask),
        shift_(mask == 0 ? 0 : std::countr_zero(mask)),
        top_(mask == 0 ? 0 : (std::uint64_t{1} << std::popcount(mask)) - 1) {}
  bool Present() const { return mask_ != 0; }
  std::uint8_t Of(std::uint32_t pixel) const {
    if (top_ == 0)
      return 0;
    const std::uint64_t value = (pixel & mask_) >> shift_;
    return static_cast<std::uint8_t>((value * 255 + top_ / 2) / top_);
  }

 private:
  std::uint32_t mask_;
  int shift_;
  std::uint64_t top_;
};

constexpr std::uint32_t kRgbCompression = 0;
constexpr std::uint32_t kBitFieldsCompression = 3;

}  // namespace

std::optional<std::string> CheckImageSize(std::uint32_t width, std::uint32_t height) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
  if (width == 0 || height == 0)
    return "the image is empty (" + size + ")";
  if (std::uint64_t{width} * height > kMaxImagePixels) {
    return "the image is too large (" + size + "; at most " + std::to_string(kMaxImagePixels) +
           " pixels are read)";
  }
  return std::nullopt;
}

ImageFormat FormatOf(std::span<const std::uint8_t> file) {
  if (StartsWith(file, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
    return ImageFormat::Png;
  if (StartsWith(file, {0xFF, 0xD8, 0xFF}))
    return ImageFormat::Jpeg;
  if (StartsWith(file, {'G', 'I', 'F', '8', '7', 'a'}) ||
      StartsWith(file, {'G', 'I', 'F', '8', '9', 'a'}))
    return ImageFormat::Gif;
  if (IsBmpFile(file))
    return ImageFormat::Bmp;
  return ImageFormat::Other;
}

std::string UnknownFormatMessage() {
  return "not an image this tool reads (it reads PNG, JPEG, GIF and BMP files)";
}

bool IsBmpFile(std::span<const std::uint8_t> file) {
  return file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
}

std::uint8_t GreyOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint8_t>((299u * red + 587u * green + 114u * blue + 500u) / 1000u);
}

std::uint8_t OnPaper(std::uint8_t grey, std::uint8_t alpha) {
  return static_cast<std::uint8_t>((grey * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

namespace {

// Where the rows of a checked BMP file are and how its pixels are stored.
struct BmpLayout {
  std::uint16_t bits;
  bool bitFields;
  std::uint32_t width;
  std::uint32_t height;
  bool topDown;
  std::uint64_t colours;
  std::uint64_t rowsAt;
  std::uint64_t stride;
};

// The pixels in grey, top row first.
GreyImage ReadBmpRows(std::span<const std::uint8_t> block, const BitmapInfoHeader& header,
                      const BmpLayout& layout) {
  const std::uint16_t bits = layout.bits;
  const std::uint32_t width = layout.width;
  const std::uint32_t height = layout.height;
  const bool topDown = layout.topDown;
  const std::uint64_t colours = layout.colours;
  const std::uint64_t rowsAt = layout.rowsAt;
  const std::uint64_t stride = layout.stride;
  std::vector<std::uint8_t> palette(std::size_t{1} << (bits <= 8 ? bits : 0), 0);
  for (std::size_t i = 0; bits <= 8 && i < palette.size() && i < colours; ++i) {
    const std::size_t at = header.biSize + i * kColourEntrySize;
    palette[i] = GreyOf(block[at + 2], block[at + 1], block[at]);
  }
  const bool masked = layout.bitFields;
  const Channel red(masked ? Little(block, 40, 4) : (bits == 16 ? 0x7C00u : 0xFF0000u));
  const Channel green(masked ? Little(block, 44, 4) : (bits == 16 ? 0x03E0u : 0x00FF00u));
  const Channel blue(masked ? Little(block, 48, 4) : (bits == 16 ? 0x001Fu : 0x0000FFu));
  const Channel alpha(masked && header.biSize >= kInfoHeaderSize + 16 ? Little(block, 52, 4) : 0);

  GreyImage image{width, height, std::vector<std::uint8_t>(std::size_t{width} * height)};
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint32_t stored = topDown ? y : height - 1 - y;
    const std::span<const std::uint8_t> row =
        block.subspan(static_cast<std::size_t>(rowsAt + stride * stored), stride);
    std::uint8_t* out = image.pixels.data() + std::size_t{y} * width;
    for (std::uint32_t x = 0; x < width; ++x) {
      if (bits <= 8) {
        const std::size_t bit = std::size_t{x} * bits;
        const std::size_t shift = 8u - bits - bit % 8;
        const unsigned index = (unsigned{row[bit / 8]} >> shift) & ((1u << bits) - 1u);
        out[x] = palette[index];
        continue;
      }
      const std::uint32_t pixel = Little(row, std::size_t{x} * (bits / 8), bits / 8);
      const std::uint8_t grey = GreyOf(red.Of(pixel), green.Of(pixel), blue.Of(pixel));
      out[x] = alpha.Present() ? OnPaper(grey, alpha.Of(pixel)) : grey;
    }
  }
  return image;
}

}  // namespace

std::variant<GreyImage, std::string> DecodeBmpImage(std::span<const std::uint8_t> file) {
  if (!IsBmpFile(file) || file.size() < kFileHeaderSize + kInfoHeaderSize)
    return std::string("the BMP file ends inside its header");
  const std::span<const std::uint8_t> block = file.subspan(kFileHeaderSize);
  BitmapInfoHeader header;
  header.biSize = Little(block, 0, 4);
  header.biWidth = static_cast<std::int32_t>(Little(block, 4, 4));
  header.biHeight = static_cast<std::int32_t>(Little(block, 8, 4));
  header.biBitCount = static_cast<std::uint16_t>(Little(block, 14, 2));
  header.biCompression = Little(block, 16, 4);
  header.biClrUsed = Little(block, 32, 4);
  if (header.biSize < kInfoHeaderSize || header.biSize > block.size())
    return std::string("the BMP file's header is not a Windows info header");
  const std::uint16_t bits = header.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return "BMP files of " + std::to_string(bits) + " bits a pixel are not read";
  const bool bitFields = header.biCompression == kBitFieldsCompression &&
                         (bits == 16 || bits == 32) && header.biSize >= kInfoHeaderSize + 12;
  if (header.biCompression != kRgbCompression && !bitFields)
    return std::string("compressed BMP files are not read (save it uncompressed)");
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN)
    return std::string("the BMP file's size is not a picture's");
  const auto width = static_cast<std::uint32_t>(header.biWidth);
  const bool topDown = header.biHeight < 0;
  const auto height = static_cast<std::uint32_t>(topDown ? -header.biHeight : header.biHeight);
  if (auto problem = CheckImageSize(width, height))
    return *problem;

  // The colour table and the rows, laid out as the dialog's loader takes them.
  const std::uint64_t colours = bits <= 8 ? ColourCount(header) : 0;
  const std::uint64_t rowsAt = std::uint64_t{header.biSize} + colours * kColourEntrySize;
  const std::uint64_t stride = (std::uint64_t{width} * bits + 31) / 32 * 4;
  if (rowsAt > block.size() || (block.size() - rowsAt) / stride < height)
    return std::string("the BMP file is cut short");

  return ReadBmpRows(block, header,
                     {bits, bitFields, width, height, topDown, colours, rowsAt, stride});
}

GreyImage FitWidth(GreyImage image, std::uint32_t maxWidth) {
  if (image.width <= maxWidth || maxWidth == 0)
    return image;
  const std::uint32_t w = image.width;
  const std::uint32_t h = image.height;
  GreyImage fitted;
  fitted.width = maxWidth;
  fitted.height = std::max<std::uint32_t>(
      1, static_cast<std::uint32_t>(std::lround(static_cast<double>(h) * maxWidth / w)));
  fitted.pixels.resize(std::size_t{fitted.width} * fitted.height);

  // Each output pixel is the mean of the source area it covers, partly covered pixels weighed by
  // the part covered. An output column or row covers [begin, end) in source pixels.
  struct Cover {
    double begin = 0;
    double end = 0;
    std::uint32_t first = 0;
    std::uint32_t last = 0;  // one past the last source pixel touched
    double Weight(std::uint32_t s) const {
      return std::min<double>(s + 1, end) - std::max<double>(s, begin);
    }
  };
  const auto covers = [](std::uint32_t from, std::uint32_t to) {
    std::vector<Cover> out(to);
    const double step = static_cast<double>(from) / to;
    for (std::uint32_t i = 0; i < to; ++i) {
      Cover& cover = out[i];
      cover.begin = i * step;
      cover.end = i + 1 == to ? from : std::min<double>(from, (i + 1) * step);
      cover.first = std::min(static_cast<std::uint32_t>(cover.begin), from - 1);
      cover.last =
          std::clamp(static_cast<std::uint32_t>(std::ceil(cover.end)), cover.first + 1, from);
    }
    return out;
  };
  const std::vector<Cover> columns = covers(w, fitted.width);
  const std::vector<Cover> rows = covers(h, fitted.height);

  std::vector<double> sum(fitted.width);
  for (std::uint32_t y = 0; y < fitted.height; ++y) {
    std::fill(sum.begin(), sum.end(), 0.0);
    double rowWeights = 0;
    for (std::uint32_t r = rows[y].first; r < rows[y].last; ++r) {
      const double rowWeight = rows[y].Weight(r);
      rowWeights += rowWeight;
      const std::uint8_t* source = image.pixels.data() + std::size_t{r} * w;
      for (std::uint32_t x = 0; x < fitted.width; ++x) {
        double across = 0;
        for (std::uint32_t c = columns[x].first; c < columns[x].last; ++c)
          across += columns[x].Weight(c) * source[c];
        sum[x] += rowWeight * across / (columns[x].end - columns[x].begin);
      }
    }
    for (std::uint32_t x = 0; x < fitted.width; ++x) {
      fitted.pixels[std::size_t{y} * fitted.width + x] =
          static_cast<std::uint8_t>(std::clamp(std::lround(sum[x] / rowWeights), 0L, 255L));
    }
  }
  return fitted;
}

Bytes DitherToBmp(const GreyImage& image) {
  const std::uint32_t w = image.width;
  const std::uint32_t h = image.height;
  const std::size_t stride = (std::size_t{w} + 31) / 32 * 4;
  // The error carried into this row and the next, one spare cell on either side.
  std::vector<float> here(std::size_t{w} + 2, 0.0f);
  std::vector<float> next(std::size_t{w} + 2, 0.0f);
  std::vector<std::uint8_t> rows(stride * h, 0);
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      const float old = image.pixels[std::size_t{y} * w + x] + here[x + 1];
      const bool white = old >= 128.0f;
      const float error = old - (white ? 255.0f : 0.0f);
      if (x + 1 < w)
        here[x + 2] += error * 7.0f / 16.0f;
      if (x > 0)
        next[x] += error * 3.0f / 16.0f;
      next[x + 1] += error * 5.0f / 16.0f;
      if (x + 1 < w)
        next[x + 2] += error * 1.0f / 16.0f;
      if (white) {
        // Stored bottom row first; bit 7 is the leftmost pixel; 1 selects colour entry 1.
        rows[std::size_t{h - 1 - y} * stride + x / 8] |=
            static_cast<std::uint8_t>(0x80u >> (x % 8));
      }
    }
    std::swap(here, next);
    std::fill(next.begin(), next.end(), 0.0f);
  }
  constexpr std::uint32_t kHeaders = 14 + 40 + 8;
  Bytes file;
  file.reserve(kHeaders + rows.size());
  file.push_back('B');
  file.push_back('M');
  PutLittle(file, kHeaders + rows.size(), 4);
  PutLittle(file, 0, 4);
  PutLittle(file, kHeaders, 4);
  PutLittle(file, 40, 4);
  PutLittle(file, w, 4);
  PutLittle(file, h, 4);
  PutLittle(file, 1, 2);  // planes
  PutLittle(file, 1, 2);  // bits a pixel
  PutLittle(file, 0, 4);  // no compression
  PutLittle(file, rows.size(), 4);
  PutLittle(file, 2835, 4);  // 72 dots an inch
  PutLittle(file, 2835, 4);
  PutLittle(file, 2, 4);  // two colours used
  PutLittle(file, 2, 4);
  PutLittle(file, 0x00000000, 4);  // black
  PutLittle(file, 0x00FFFFFF, 4);  // white
  file.insert(file.end(), rows.begin(), rows.end());
  return file;
}

}  // namespace vantrel::cli
