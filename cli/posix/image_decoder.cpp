// Image decoding on Linux: libpng, libjpeg-turbo and giflib, each reading from memory, each
// asked for the image's size first, and decoding row by row into the grey image.
//
// libpng and libjpeg report a fatal error by a jump back to a setjmp. The functions that call
// setjmp below hold no object with a destructor across a library call, and the callbacks that
// jump are plain functions, so the jump skips no destructor.

// jpeglib.h needs FILE declared first.
#include <cstdio>

#include <gif_lib.h>
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <memory>

#include "cli/lib/image.h"

namespace vantrel::cli {
namespace {

// --- PNG ---

struct PngState {
  std::span<const std::uint8_t> file;
  std::size_t at = 0;
  std::array<char, 200> message{};
};

[[noreturn]] void PngFailed(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::strncpy(state->message.data(), message ? message : "unknown error",
               state->message.size() - 1);
  png_longjmp(png, 1);
}

void PngWarned(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep into, png_size_t length) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  if (length > state->file.size() - state->at)
    png_error(png, "the file ends early");
  std::memcpy(into, state->file.data() + state->at, length);
  state->at += length;
}

// The whole decode between the header and the end chunk; false after a libpng error (message in
// the state) or with `refusal` set when the size is refused.
bool ReadPng(png_structp png, png_infop info, GreyImage& image, std::vector<std::uint8_t>& row,
             std::string& refusal) {
  if (setjmp(png_jmpbuf(png)))
    return false;
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);  // the pixel count is ours to judge
  png_set_chunk_malloc_max(png, 8'000'000);
  png_set_chunk_cache_max(png, 1000);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (auto problem = CheckImageSize(width, height)) {
    refusal = *problem;
    return false;
  }
  // Every kind of PNG as 8-bit red, green, blue and alpha.
  png_set_expand(png);  // palette to colour, small greys to 8 bits, transparency to alpha
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{width} * 4)
    png_error(png, "unexpected row layout");

  image = GreyImage{width, height, std::vector<std::uint8_t>(std::size_t{width} * height, 255)};
  row.resize(std::size_t{width} * 4);
  const bool interlaced = passes > 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, row.data(), nullptr);
      // An interlaced pass fills only its own rows and columns.
      if (interlaced && !PNG_ROW_IN_INTERLACE_PASS(y, pass))
        continue;
      const auto first = static_cast<png_uint_32>(interlaced ? PNG_PASS_START_COL(pass) : 0);
      const auto step = static_cast<png_uint_32>(interlaced ? PNG_PASS_COL_OFFSET(pass) : 1);
      std::uint8_t* out = image.pixels.data() + std::size_t{y} * width;
      for (png_uint_32 x = first; x < width; x += step) {
        const std::uint8_t* p = row.data() + std::size_t{x} * 4;
        out[x] = OnPaper(GreyOf(p[0], p[1], p[2]), p[3]);
      }
    }
  }
  png_read_end(png, nullptr);
  return true;
}

std::variant<GreyImage, std::string> DecodePng(std::span<const std::uint8_t> file) {
  PngState state{file, 0, {}};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, PngFailed, PngWarned);
  if (!png)
    return std::string("the PNG reader could not start");
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return std::string("the PNG reader could not start");
  }
  png_set_read_fn(png, &state, PngRead);
  GreyImage image;
  std::vector<std::uint8_t> row;
  std::string refusal;
  const bool read = ReadPng(png, info, image, row, refusal);
  png_destroy_read_struct(&png, &info, nullptr);
  if (!refusal.empty())
    return refusal;
  if (!read)
    return "the PNG file is damaged or cut short (" + std::string(state.message.data()) + ")";
  return image;
}

// --- JPEG ---

// A JPEG with more scans than this is refused: real progressive files have about ten.
constexpr int kMaxJpegScans = 500;
// What libjpeg may take for a progressive image's coefficients.
constexpr long kMaxJpegMemory = 256L * 1024 * 1024;

struct JpegErrors {
  jpeg_error_mgr manager{};
  std::jmp_buf jump{};
  std::array<char, JMSG_LENGTH_MAX> message{};
};

[[noreturn]] void JpegFailed(j_common_ptr jpeg) {
  auto* errors = reinterpret_cast<JpegErrors*>(jpeg->err);
  (*jpeg->err->format_message)(jpeg, errors->message.data());
  std::longjmp(errors->jump, 1);
}

// Warnings pass, except the one for a file that ends early: libjpeg would fill the rest grey.
void JpegMessage(j_common_ptr jpeg, int level) {
  if (level < 0 && jpeg->err->msg_code == JWRN_JPEG_EOF)
    JpegFailed(jpeg);
}

void JpegOutput(j_common_ptr) {}

[[noreturn]] void JpegGiveUp(j_common_ptr jpeg, const char* why) {
  auto* errors = reinterpret_cast<JpegErrors*>(jpeg->err);
  std::strncpy(errors->message.data(), why, errors->message.size() - 1);
  std::longjmp(errors->jump, 1);
}

void JpegProgress(j_common_ptr jpeg) {
  if (jpeg->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(jpeg)->input_scan_number > kMaxJpegScans)
    JpegGiveUp(jpeg, "too many scans");
}

bool ReadJpeg(jpeg_decompress_struct& jpeg, JpegErrors& errors, jpeg_progress_mgr& progress,
              std::span<const std::uint8_t> file, GreyImage& image, std::vector<std::uint8_t>& row,
              std::string& refusal) {
  jpeg.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JpegFailed;
  errors.manager.emit_message = JpegMessage;
  errors.manager.output_message = JpegOutput;
  if (setjmp(errors.jump))
    return false;
  jpeg_create_decompress(&jpeg);
  jpeg.mem->max_memory_to_use = kMaxJpegMemory;
  progress.progress_monitor = JpegProgress;
  jpeg.progress = &progress;
  jpeg_mem_src(&jpeg, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&jpeg, TRUE);
  if (auto problem = CheckImageSize(jpeg.image_width, jpeg.image_height)) {
    refusal = *problem;
    return false;
  }
  const bool cmyk = jpeg.jpeg_color_space == JCS_CMYK || jpeg.jpeg_color_space == JCS_YCCK;
  jpeg.out_color_space = cmyk ? JCS_CMYK : JCS_GRAYSCALE;
  jpeg_start_decompress(&jpeg);
  const std::uint32_t width = jpeg.output_width;
  const std::uint32_t height = jpeg.output_height;
  const auto channels = static_cast<std::size_t>(jpeg.output_components);
  if (width != jpeg.image_width || height != jpeg.image_height || channels != (cmyk ? 4u : 1u))
    JpegGiveUp(reinterpret_cast<j_common_ptr>(&jpeg), "unexpected output layout");
  image = GreyImage{width, height, std::vector<std::uint8_t>(std::size_t{width} * height, 255)};
  row.resize(std::size_t{width} * channels);
  // Adobe's CMYK files store the inks inverted (255 is no ink).
  const bool inverted = jpeg.saw_Adobe_marker;
  while (jpeg.output_scanline < height) {
    JSAMPROW rows[] = {row.data()};
    if (jpeg_read_scanlines(&jpeg, rows, 1) != 1)
      JpegGiveUp(reinterpret_cast<j_common_ptr>(&jpeg), "a row could not be read");
    std::uint8_t* out = image.pixels.data() + std::size_t{jpeg.output_scanline - 1} * width;
    if (!cmyk) {
      std::copy_n(row.data(), width, out);
      continue;
    }
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint8_t* p = row.data() + std::size_t{x} * 4;
      const auto paper = [&](std::uint8_t ink) -> std::uint8_t {
        const unsigned left = inverted ? ink : 255u - ink;
        const unsigned black = inverted ? p[3] : 255u - p[3];
        return static_cast<std::uint8_t>((left * black + 127u) / 255u);
      };
      out[x] = GreyOf(paper(p[0]), paper(p[1]), paper(p[2]));
    }
  }
  jpeg_finish_decompress(&jpeg);
  return true;
}

std::variant<GreyImage, std::string> DecodeJpeg(std::span<const std::uint8_t> file) {
  jpeg_decompress_struct jpeg{};
  JpegErrors errors;
  jpeg_progress_mgr progress{};
  GreyImage image;
  std::vector<std::uint8_t> row;
  std::string refusal;
  const bool read = ReadJpeg(jpeg, errors, progress, file, image, row, refusal);
  jpeg_destroy_decompress(&jpeg);
  if (!refusal.empty())
    return refusal;
  if (!read)
    return "the JPEG file is damaged or cut short (" + std::string(errors.message.data()) + ")";
  return image;
}

// --- GIF ---

struct GifInput {
  std::span<const std::uint8_t> file;
  std::size_t at = 0;
};

int GifRead(GifFileType* gif, GifByteType* into, int length) {
  auto* input = static_cast<GifInput*>(gif->UserData);
  const std::size_t n =
      std::min(static_cast<std::size_t>(std::max(length, 0)), input->file.size() - input->at);
  std::memcpy(into, input->file.data() + input->at, n);
  input->at += n;
  return static_cast<int>(n);
}

std::string GifProblem(int error) {
  const char* text = GifErrorString(error);
  return std::string("the GIF file is damaged or cut short (") + (text ? text : "unknown error") +
         ")";
}

// The frame whose descriptor comes next, on the logical screen; what it leaves uncovered, and
// its `transparent` colour (or none, -1), is white paper.
std::variant<GreyImage, std::string> DecodeFrame(GifFileType* gif, int transparent) {
  if (DGifGetImageDesc(gif) != GIF_OK)
    return GifProblem(gif->Error);
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!colours || !colours->Colors)
    return std::string("the GIF file has no colour table");
  if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
    return std::string("the GIF file's first picture is empty");
  if (auto problem = CheckImageSize(static_cast<std::uint32_t>(frame.Width),
                                    static_cast<std::uint32_t>(frame.Height)))
    return *problem;
  // Colours the table does not hold print black.
  std::array<std::uint8_t, 256> grey{};
  for (int i = 0; i < colours->ColorCount && i < 256; ++i) {
    const GifColorType& c = colours->Colors[i];
    grey[static_cast<std::size_t>(i)] = GreyOf(c.Red, c.Green, c.Blue);
  }
  if (transparent >= 0)
    grey[static_cast<std::size_t>(transparent)] = 255;

  const auto width = static_cast<std::uint32_t>(gif->SWidth);
  const auto height = static_cast<std::uint32_t>(gif->SHeight);
  GreyImage image{width, height, std::vector<std::uint8_t>(std::size_t{width} * height, 255)};
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  // An interlaced frame sends every 8th row from 0, every 8th from 4, every 4th from 2, then
  // every 2nd from 1.
  constexpr std::array<std::array<int, 2>, 4> kInterlaced{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
  constexpr std::array<std::array<int, 2>, 1> kInOrder{{{0, 1}}};
  const std::span<const std::array<int, 2>> passes =
      frame.Interlace ? std::span<const std::array<int, 2>>(kInterlaced)
                      : std::span<const std::array<int, 2>>(kInOrder);
  for (const auto& [start, step] : passes) {
    for (int r = start; r < frame.Height; r += step) {
      if (DGifGetLine(gif, line.data(), frame.Width) != GIF_OK)
        return GifProblem(gif->Error);
      const std::int64_t y = std::int64_t{frame.Top} + r;
      if (y >= height)
        continue;
      std::uint8_t* out = image.pixels.data() + static_cast<std::size_t>(y) * width;
      for (int x = 0; x < frame.Width && std::int64_t{frame.Left} + x < width; ++x)
        out[frame.Left + x] = grey[line[static_cast<std::size_t>(x)]];
    }
  }
  return image;
}

// The first frame on the logical screen; what it leaves uncovered, and its transparent colour,
// is white paper.
std::variant<GreyImage, std::string> DecodeFirstFrame(GifFileType* gif) {
  int transparent = -1;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) != GIF_OK)
      return GifProblem(gif->Error);
    if (type == TERMINATE_RECORD_TYPE)
      return std::string("the GIF file holds no picture");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* data = nullptr;
      if (DGifGetExtension(gif, &code, &data) != GIF_OK)
        return GifProblem(gif->Error);
      if (code == GRAPHICS_EXT_FUNC_CODE && data && data[0] >= 4 && (data[1] & 0x01))
        transparent = data[4];
      while (data) {
        if (DGifGetExtensionNext(gif, &data) != GIF_OK)
          return GifProblem(gif->Error);
      }
      continue;
    }
    if (type == IMAGE_DESC_RECORD_TYPE)
      return DecodeFrame(gif, transparent);
  }
}

std::variant<GreyImage, std::string> DecodeGif(std::span<const std::uint8_t> file) {
  GifInput input{file, 0};
  int error = 0;
  GifFileType* opened = DGifOpen(&input, GifRead, &error);
  if (!opened)
    return GifProblem(error);
  const auto close = [](GifFileType* gif) {
    int ignored = 0;
    DGifCloseFile(gif, &ignored);
  };
  const std::unique_ptr<GifFileType, decltype(close)> gif(opened, close);
  // The logical screen is the image: refused by its size before anything is decoded.
  if (gif->SWidth < 0 || gif->SHeight < 0)
    return std::string("the GIF file's size is not a picture's");
  if (auto problem = CheckImageSize(static_cast<std::uint32_t>(gif->SWidth),
                                    static_cast<std::uint32_t>(gif->SHeight)))
    return *problem;
  return DecodeFirstFrame(gif.get());
}

}  // namespace

std::variant<GreyImage, std::string> DecodeImage(std::span<const std::uint8_t> file) {
  switch (FormatOf(file)) {
    case ImageFormat::Png:
      return DecodePng(file);
    case ImageFormat::Jpeg:
      return DecodeJpeg(file);
    case ImageFormat::Gif:
      return DecodeGif(file);
    case ImageFormat::Bmp:
      return DecodeBmpImage(file);
    case ImageFormat::Other:
      break;
  }
  return UnknownFormatMessage();
}

}  // namespace vantrel::cli
