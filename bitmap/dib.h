#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/ui_variant.h"
#include "bitmap/bitmap_prompts.h"
#include "bitmap/file_reader.h"
#include "bitmap/image_block.h"

namespace vantrel {

// The 14 bytes a BMP file starts with. Only the type is looked at: the pixel data is taken to
// follow the colour table directly, whatever bfOffBits says.
struct BitmapFileHeader {
  std::uint16_t bfType = 0;
  std::uint32_t bfSize = 0;
  std::uint16_t bfReserved1 = 0;
  std::uint16_t bfReserved2 = 0;
  std::uint32_t bfOffBits = 0;
};

inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::uint16_t kBitmapFileType = 0x4D42;  // "BM"

// The Windows info header at the start of the image block (little-endian in the file).
struct BitmapInfoHeader {
  std::uint32_t biSize = 0;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

inline constexpr std::uint32_t kInfoHeaderSize = 40;
// The offset of biClrUsed within the info header.
inline constexpr std::size_t kClrUsedOffset = 32;
// A colour-table entry: blue, green, red, reserved.
inline constexpr std::uint32_t kColourEntrySize = 4;

// The widest image the printer takes: the dots of the widest print width, 72 mm.
inline constexpr std::uint32_t kMaxBitmapWidth = 576;
// The most rows the download command can carry in its two row-count bytes.
inline constexpr std::uint32_t kMaxBitmapHeight = 65535;
// No file larger than this is read: it is far beyond the largest image a printer slot takes, even
// at 32 bits a pixel, and keeps a stray choice from taking the machine's memory.
inline constexpr std::uint64_t kMaxBlockLength = std::uint64_t{256} * 1024 * 1024;

// Why a file that could be read is refused, each shown as a warning in the running variant's
// language (LoadProblemText). The load refuses for the first six; the colour table and the rows
// are judged only for a file the two-colour and width tests pass. The selection has no height
// test: TopDownRows and TooTall are the download's, whose command carries rows bottom-up and
// counts them in two bytes.
enum class LoadProblem {
  NotBitmap,             // shorter than 14 bytes, or not starting with "BM"
  FileTooLarge,          // more than kMaxBlockLength bytes after the file header
  OutOfMemory,           // the block could not be allocated
  InfoHeaderTruncated,   // the file ends inside the info header
  UnsupportedHeader,     // biSize below 40: an OS/2 header, whose fields lie elsewhere
  ColourTableTruncated,  // the colour table passes the end of the file
  PixelRowsTruncated,    // fewer bytes than height rows of the 1-bit row length
  TopDownRows,           // negative biHeight: refused by the download
  TooTall,               // biHeight above 65535: refused by the download
};

// How a load ended: loaded, refused with a warning, or stopped by the file-error report (a file
// that could not be opened or read), which ends the user's whole action.
enum class DibLoad { Loaded, Refused, FileError };

// The colour count of an info header: biClrUsed when it is not 0, else 2, 16 or 256 for 1, 4 or
// 8 bits a pixel, and 0 for every other bit count.
std::uint32_t ColourCount(const BitmapInfoHeader& header);

// The length of one stored row of a 1-bit BMP of this width: whole multiples of 4 bytes.
constexpr std::uint64_t OneBitStride(std::uint32_t width) {
  return (std::uint64_t{width} + 31) / 32 * 4;
}

// One BMP file in memory: the file header, and everything after it in one block, read through
// two views, the info header at the block's start and the pixel rows after the colour table.
class CDib {
 public:
  CDib() : allocator_(SystemBlockAllocator()) {}
  explicit CDib(BlockAllocator& allocator) : allocator_(allocator) {}
  CDib(const CDib&) = delete;
  CDib& operator=(const CDib&) = delete;
  ~CDib() = default;

  // Drops any earlier image, then reads the file at `path`. A file that cannot be opened or read
  // gets the file-error report; a file the image cannot be taken from gets one warning naming the
  // problem, in the variant's language. Afterwards IsLoaded tells whether the image is there.
  DibLoad LoadFile(std::string_view path, FileReader& files, BitmapPrompts& prompts,
                   UiVariant variant);

  bool IsLoaded() const { return loaded_; }

  // The views; meaningful only while IsLoaded. biClrUsed holds the colour count.
  BitmapInfoHeader InfoHeader() const;
  std::span<const std::uint8_t> PixelRows() const;
  std::size_t PixelRowOffset() const { return pixelRowOffset_; }

  const BitmapFileHeader& FileHeader() const { return fileHeader_; }
  // Every byte of the file after the file header (biClrUsed as the load recorded it).
  std::span<const std::uint8_t> Block() const { return block_.Bytes(); }

  // Why the last load refused its file; nothing after a load that succeeded or hit a file error.
  std::optional<LoadProblem> LastProblem() const { return lastProblem_; }

 private:
  void Release();
  std::optional<LoadProblem> TakeLayout();

  BlockAllocator& allocator_;
  std::size_t pixelRowOffset_ = 0;
  bool loaded_ = false;
  BitmapFileHeader fileHeader_;
  ImageBlock block_;
  std::optional<LoadProblem> lastProblem_;
};

}  // namespace vantrel
