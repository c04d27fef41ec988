// The image decoder on Windows: the system's own Windows Imaging Component.
#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <limits>

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

// The formats the tool takes on every platform; WIC would read more (TIFF, icons, ...).
bool IsTakenFormat(const GUID& format) {
  return IsEqualGUID(format, GUID_ContainerFormatPng) ||
         IsEqualGUID(format, GUID_ContainerFormatJpeg) ||
         IsEqualGUID(format, GUID_ContainerFormatGif) ||
         IsEqualGUID(format, GUID_ContainerFormatBmp);
}

constexpr UINT kBandRows = 256;

}  // namespace

std::variant<GreyImage, std::string> DecodeImage(std::span<const std::uint8_t> file) {
  const std::string unreadable = "not an image this tool can read";
  if (file.size() > std::numeric_limits<DWORD>::max())
    return std::string("the file is too large");
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
    return unreadable + " (unknown format)";
  GUID format{};
  if (FAILED(decoder->GetContainerFormat(&format)) || !IsTakenFormat(format))
    return unreadable + " (not PNG, JPEG, GIF or BMP)";
  Held<IWICBitmapFrameDecode> frame;  // the first frame of an animated GIF
  if (FAILED(decoder->GetFrame(0, frame.put())))
    return unreadable + " (no picture in it)";
  UINT width = 0;
  UINT height = 0;
  if (FAILED(frame->GetSize(&width, &height)))
    return unreadable + " (no size)";
  if (auto refused = CheckImageSize(width, height))
    return *refused;

  Held<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return unreadable + " (its pixels cannot be converted)";

  GreyImage image{width, height, {}};
  image.pixels.resize(std::size_t{width} * height);
  // A band of rows at a time, so the colour pixels never take four times the grey image.
  const UINT stride = width * 4;
  std::vector<BYTE> band(std::size_t{stride} * std::min(height, kBandRows));
  for (UINT top = 0; top < height; top += kBandRows) {
    const UINT rows = std::min(kBandRows, height - top);
    const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(rows)};
    if (FAILED(converter->CopyPixels(&rect, stride, stride * rows, band.data())))
      return unreadable + " (the file is damaged)";
    std::uint8_t* grey = &image.pixels[std::size_t{top} * width];
    for (std::size_t i = 0; i < std::size_t{width} * rows; ++i) {
      const unsigned blue = band[4 * i];
      const unsigned green = band[4 * i + 1];
      const unsigned red = band[4 * i + 2];
      const unsigned alpha = band[4 * i + 3];
      // ITU-R BT.601 luma weights in 256ths; then transparent parts count as white paper.
      const unsigned luma = (red * 77u + green * 150u + blue * 29u) >> 8;
      grey[i] = static_cast<std::uint8_t>((luma * alpha + 255u * (255u - alpha)) / 255u);
    }
  }
  return image;
}

}  // namespace vantrel::cli
