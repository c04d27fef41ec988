#include "bitmap/dib.h"

#include <algorithm>
#include <array>

#include "bitmap/bitmap_texts.h"

namespace vantrel {
namespace {

std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::int32_t LeSigned32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::int32_t>(Le32(bytes, at));
}

void PutLe32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

BitmapFileHeader DecodeFileHeader(std::span<const std::uint8_t, kFileHeaderSize> bytes) {
  BitmapFileHeader header;
  header.bfType = Le16(bytes, 0);
  header.bfSize = Le32(bytes, 2);
  header.bfReserved1 = Le16(bytes, 6);
  header.bfReserved2 = Le16(bytes, 8);
  header.bfOffBits = Le32(bytes, 10);
  return header;
}

}  // namespace

std::uint32_t ColourCount(const BitmapInfoHeader& header) {
  if (header.biClrUsed != 0)
    return header.biClrUsed;
  switch (header.biBitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

BitmapInfoHeader CDib::InfoHeader() const {
  BitmapInfoHeader header;
  const std::span<const std::uint8_t> bytes = block_.Bytes();
  if (!loaded_ || bytes.size() < kInfoHeaderSize)
    return header;
  header.biSize = Le32(bytes, 0);
  header.biWidth = LeSigned32(bytes, 4);
  header.biHeight = LeSigned32(bytes, 8);
  header.biPlanes = Le16(bytes, 12);
  header.biBitCount = Le16(bytes, 14);
  header.biCompression = Le32(bytes, 16);
  header.biSizeImage = Le32(bytes, 20);
  header.biXPelsPerMeter = LeSigned32(bytes, 24);
  header.biYPelsPerMeter = LeSigned32(bytes, 28);
  header.biClrUsed = Le32(bytes, kClrUsedOffset);
  header.biClrImportant = Le32(bytes, 36);
  return header;
}

std::span<const std::uint8_t> CDib::PixelRows() const {
  if (!loaded_)
    return {};
  return block_.Bytes().subspan(pixelRowOffset_);
}

void CDib::Release() {
  block_.Release();
  loaded_ = false;
  pixelRowOffset_ = 0;
  lastProblem_.reset();
}

DibLoad CDib::LoadFile(std::string_view path, FileReader& files, BitmapPrompts& prompts,
                       UiVariant variant) {
  Release();
  fileHeader_ = {};

  const auto fileError = [&](FileErrorCause cause) {
    Release();
    prompts.ReportFileError(path, cause);
    return DibLoad::FileError;
  };
  const auto refuse = [&](LoadProblem problem) {
    Release();
    lastProblem_ = problem;
    prompts.ShowWarning(LoadProblemText(variant, problem));
    return DibLoad::Refused;
  };

  FileOpenResult opened = files.Open(path);
  if (!opened.file)
    return fileError(opened.cause);

  std::array<std::uint8_t, kFileHeaderSize> head{};
  const std::optional<std::size_t> headRead = opened.file->Read(head);
  if (!headRead)
    return fileError(FileErrorCause::ReadFailed);
  fileHeader_ = DecodeFileHeader(head);
  if (*headRead < kFileHeaderSize || fileHeader_.bfType != kBitmapFileType)
    return refuse(LoadProblem::NotBitmap);

  const std::optional<std::uint64_t> fileLength = opened.file->Length();
  if (!fileLength)
    return fileError(FileErrorCause::ReadFailed);
  const std::uint64_t blockLength =
      *fileLength > kFileHeaderSize ? *fileLength - kFileHeaderSize : 0;
  if (blockLength > kMaxBlockLength)
    return refuse(LoadProblem::FileTooLarge);

  const auto length = static_cast<std::size_t>(blockLength);
  block_ = ImageBlock(allocator_.Allocate(length), length);
  if (!block_.Held())
    return refuse(LoadProblem::OutOfMemory);

  const std::optional<std::size_t> blockRead = opened.file->Read(block_.Bytes());
  if (!blockRead)
    return fileError(FileErrorCause::ReadFailed);
  // A file that shrank since its length was taken: only what was read is the image.
  block_.Shorten(*blockRead);
  opened.file.reset();

  if (const std::optional<LoadProblem> problem = TakeLayout())
    return refuse(*problem);
  loaded_ = true;
  return DibLoad::Loaded;
}

// Reads the info header, records the colour count in biClrUsed and places the pixel-row view
// directly after the colour table. A problem that leaves the header unreadable refuses the file.
// Whether the block holds the colour table and the rows the header describes is only judged for a
// file that the two-colour and width tests pass: any other file goes to its caller, whose test
// refuses it with the message made for it, and nothing is read of its rows.
std::optional<LoadProblem> CDib::TakeLayout() {
  const std::span<std::uint8_t> bytes = block_.Bytes();
  const std::uint64_t length = bytes.size();
  if (length < 4)
    return LoadProblem::InfoHeaderTruncated;
  const std::uint32_t infoSize = Le32(bytes, 0);
  if (infoSize < kInfoHeaderSize)
    return LoadProblem::UnsupportedHeader;
  if (infoSize > length)
    return LoadProblem::InfoHeaderTruncated;

  const std::uint32_t declared = Le32(bytes, kClrUsedOffset);
  BitmapInfoHeader counted;
  counted.biClrUsed = declared;
  counted.biBitCount = Le16(bytes, 14);
  const std::uint32_t colours = ColourCount(counted);
  const std::uint64_t tableEnd =
      std::uint64_t{infoSize} + std::uint64_t{colours} * kColourEntrySize;
  const auto width = static_cast<std::uint32_t>(LeSigned32(bytes, 4));

  if (colours == 2 && width <= kMaxBitmapWidth) {
    if (tableEnd > length)
      return LoadProblem::ColourTableTruncated;
    // The rows the download reads: as many rows of the 1-bit row length as the height counts,
    // whichever way they are stored.
    const std::int64_t height = LeSigned32(bytes, 8);
    const auto rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    if (rows * OneBitStride(width) > length - tableEnd)
      return LoadProblem::PixelRowsTruncated;
  }

  if (declared == 0)
    PutLe32(bytes, kClrUsedOffset, colours);
  pixelRowOffset_ = static_cast<std::size_t>(std::min(tableEnd, length));
  return std::nullopt;
}

}  // namespace vantrel
