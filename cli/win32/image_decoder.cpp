// The image decoder on Windows: the system's own Windows Imaging Component.
#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "cli/lib/image.h"

namespace vantrel::cli {
namespace {

// Holds one COM interface and releases it.
template <typename T>
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (p_)
      p_->Release();
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** put() { return &p_; }

 private:
  T* p_ = nullptr;
};

// COM for this thread, for as long as the decoding takes.
class ComScope {
 public:
  ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (started_)
      CoUninitialize();
  }

 private:
  bool started_;
};

std::string_view NameOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::Png:
      return "PNG";
    case ImageFormat::Jpeg:
      return "JPEG";
    default:
      return "GIF";
  }
}

// A frame's position on a GIF's logical screen, from the frame's image descriptor.
UINT GifOffset(IWICBitmapFrameDecode* frame, const wchar_t* name) {
  Held<IWICMetadataQueryReader> reader;
  if (FAILED(frame->GetMetadataQueryReader(reader.put())))
    return 0;
  PROPVARIANT value;
  PropVariantInit(&value);
  UINT offset = 0;
  if (SUCCEEDED(reader->GetMetadataByName(name, &value)) && value.vt == VT_UI2)
    offset = value.uiVal;
  PropVariantClear(&value);
  return offset;
}

constexpr UINT kBandRows = 256;

// A GIF's logical screen, the image its first frame is placed on: refused by its size before
// anything is decoded.
std::optional<std::string> ReadGifScreen(std::span<const std::uint8_t> file,
                                         const std::string& damaged, UINT& width, UINT& height) {
  if (file.size() < 10)
    return damaged;
  width = file[6] | (UINT{file[7]} << 8);
  height = file[8] | (UINT{file[9]} << 8);
  return CheckImageSize(width, height);
}

// The frame's pixels in grey onto `image`, `left` and `top` dots in; false when they cannot be
// read. A band of rows at a time, so the colour pixels never take four times the grey image.
bool DrawFrame(IWICFormatConverter* converter, UINT frameWidth, UINT frameHeight, UINT left,
               UINT top, GreyImage& image) {
  const UINT width = image.width;
  const UINT height = image.height;
  const UINT stride = frameWidth * 4;
  std::vector<BYTE> band(std::size_t{stride} * std::min(frameHeight, kBandRows));
  for (UINT first = 0; first < frameHeight && top + first < height; first += kBandRows) {
    const UINT rows = std::min(kBandRows, frameHeight - first);
    const WICRect rect{0, static_cast<INT>(first), static_cast<INT>(frameWidth),
                       static_cast<INT>(rows)};
    if (FAILED(converter->CopyPixels(&rect, stride, stride * rows, band.data())))
      return false;
    for (UINT r = 0; r < rows && top + first + r < height; ++r) {
      std::uint8_t* out = &image.pixels[std::size_t{top + first + r} * width];
      const BYTE* in = &band[std::size_t{r} * stride];
      for (UINT x = 0; x < frameWidth && left + x < width; ++x) {
        const BYTE* bgra = in + 4 * std::size_t{x};
        out[left + x] = OnPaper(GreyOf(bgra[2], bgra[1], bgra[0]), bgra[3]);
      }
    }
  }
  return true;
}

}  // namespace

std::variant<GreyImage, std::string> DecodeImage(std::span<const std::uint8_t> file) {
  const ImageFormat format = FormatOf(file);
  if (format == ImageFormat::Bmp)
    return DecodeBmpImage(file);
  if (format == ImageFormat::Other)
    return UnknownFormatMessage();
  const std::string damaged =
      "the " + std::string(NameOf(format)) + " file is damaged or cut short";
  if (file.size() > std::numeric_limits<DWORD>::max())
    return std::string("the file is too large");
  // A GIF's logical screen is the image, its first frame placed on it: refused by its size
  // before anything is decoded.
  UINT width = 0;
  UINT height = 0;
  if (format == ImageFormat::Gif) {
    if (auto refused = ReadGifScreen(file, damaged, width, height))
      return *refused;
  }

  const ComScope com;
  Held<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put()))))
    return std::string("the Windows Imaging Component is not available");
  Held<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()),
                                          static_cast<DWORD>(file.size()))))
    return std::string("the file could not be handed to the Windows Imaging Component");
  Held<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.put())))
    return damaged;
  Held<IWICBitmapFrameDecode> frame;  // the first frame of an animated GIF
  UINT frameWidth = 0;
  UINT frameHeight = 0;
  if (FAILED(decoder->GetFrame(0, frame.put())) ||
      FAILED(frame->GetSize(&frameWidth, &frameHeight)))
    return damaged;
  if (auto refused = CheckImageSize(frameWidth, frameHeight))
    return *refused;
  UINT left = 0;
  UINT top = 0;
  if (format == ImageFormat::Gif) {
    left = GifOffset(frame.get(), L"/imgdesc/Left");
    top = GifOffset(frame.get(), L"/imgdesc/Top");
  } else {
    width = frameWidth;
    height = frameHeight;
  }

  Held<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return damaged;

  // White paper where the frame does not reach.
  GreyImage image{width, height, std::vector<std::uint8_t>(std::size_t{width} * height, 255)};
  if (!DrawFrame(converter.get(), frameWidth, frameHeight, left, top, image))
    return damaged;
  return image;
}

}  // namespace vantrel::cli
