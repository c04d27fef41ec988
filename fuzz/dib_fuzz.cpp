// libFuzzer target: any bytes as a .bmp file, through the load, the printable checks, the
// conversion and the whole selection and download over a port.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bitmap/bitmap_actions.h"
#include "bitmap/bitmap_checks.h"
#include "bitmap/download_command.h"
#include "fuzz/memory_files.h"
#include "ui/bitmap_handlers.h"

namespace vantrel {
namespace {

using fuzz::MemoryFiles;
using fuzz::Require;

// Counts what the user would see; the file dialog always returns the one fuzzed file.
class CountingPrompts : public UserPrompts {
 public:
  void ShowMessage(std::string_view text) override { Seen(text); }
  void ShowWarning(std::string_view text) override { Seen(text); }
  void ReportFileError(std::string_view, FileErrorCause) override { std::abort(); }
  void BeginWaitCursor() override { ++cursorDepth; }
  void EndWaitCursor() override {
    Require(cursorDepth > 0);
    --cursorDepth;
  }
  std::optional<std::vector<std::string>> ChooseFiles(const FileDialogRequest&) override {
    return std::vector<std::string>{"fuzz.bmp"};
  }
  bool DrawPreview(std::string_view, int) override {
    ++previews;
    return true;
  }

  int messages = 0;
  int previews = 0;
  int cursorDepth = 0;

 private:
  void Seen(std::string_view text) {
    Require(!text.empty());
    ++messages;
  }
};

class NullControls : public DialogControls {
 public:
  int GetSelection(int) override { return 3; }
  void SetSelection(int, int) override {}
  bool IsChecked(int) override { return false; }
  void SetChecked(int, bool) override {}
  std::string GetText(int) override { return {}; }
  void SetText(int, std::string_view) override {}
  bool IsEnabled(int) override { return false; }
  void Enable(int id, bool) override { enabled.push_back(id); }
  std::array<std::uint8_t, 4> GetIpAddress(int) override { return {}; }
  void SetIpAddress(int, std::uint32_t) override {}
  void SetDroppedWidth(int, int) override {}

  std::vector<int> enabled;
};

class NoSleep : public Sleeper {
 public:
  void Sleep(std::chrono::milliseconds) override {}
};

class RecordingPort : public OpenPort {
 public:
  explicit RecordingPort(std::vector<std::size_t>& writes) : writes_(writes) {}
  bool Write(ByteView data) override {
    writes_.push_back(data.size());
    return true;
  }
  PortRead Read(std::size_t) override { return {}; }
  std::optional<std::size_t> ClearErrorsAndCountReceived() override { return std::nullopt; }

 private:
  std::vector<std::size_t>& writes_;
};

void CheckLoadedImage(const CDib& dib) {
  const BitmapInfoHeader header = dib.InfoHeader();
  Require(header.biSize >= kInfoHeaderSize && header.biSize <= dib.Block().size());
  Require(dib.PixelRowOffset() <= dib.Block().size());
  if (CheckPrintable(header))
    return;  // refused by its tests before any row is read
  // A file the tests pass holds its whole colour table and every row its height counts.
  Require(dib.PixelRowOffset() == header.biSize + std::size_t{ColourCount(header)} * 4);
  const std::int64_t height = header.biHeight;
  const auto rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
  Require(dib.PixelRows().size() >=
          rows * OneBitStride(static_cast<std::uint32_t>(header.biWidth)));
}

void CheckCommand(const CDib& dib, const Bytes& command, int slot) {
  const BitmapInfoHeader header = dib.InfoHeader();
  const auto width = static_cast<std::uint32_t>(header.biWidth);
  const auto height = static_cast<std::uint32_t>(header.biHeight);
  const std::uint32_t x = RasterRowBytes(width);
  Require(command.size() == DownloadCommandSize(width, height));
  Require(command[0] == 0x1B && command[1] == 0xFE && command[2] == (slot & 0xFF));
  Require(command[3] == x && command[4] == 0);
  Require(command[5] == (height & 0xFF) && command[6] == height >> 8);
  const std::uint8_t fill = static_cast<std::uint8_t>(~FillMask(width));
  for (std::size_t row = 0; x > 0 && row < height; ++row)
    Require((command[kDownloadHeaderSize + row * x + x - 1] & fill) == 0);
}

}  // namespace
}  // namespace vantrel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantrel;
  const std::span<const std::uint8_t> bytes(data, size);
  const UiVariant variant = size % 2 == 0 ? UiVariant::Chinese : UiVariant::English;
  MemoryFiles files(bytes);
  CountingPrompts prompts;
  NullControls controls;
  NoSleep sleeper;
  const BitmapContext context{variant, controls, prompts, sleeper, files};

  // The load alone: one warning exactly when it refuses.
  CDib dib;
  const DibLoad load = dib.LoadFile("fuzz.bmp", files, prompts, variant);
  Require((load == DibLoad::Loaded) == dib.IsLoaded());
  Require(prompts.messages == (load == DibLoad::Refused ? 1 : 0));
  if (!dib.IsLoaded()) {
    Require(dib.Block().empty() && dib.PixelRows().empty());
    return 0;
  }
  CheckLoadedImage(dib);

  const bool printable = !CheckPrintable(dib.InfoHeader()).has_value();
  const bool sendable = printable && !CheckDownloadHeight(dib.InfoHeader()).has_value();
  const int slot = static_cast<int>(size % 9) - 1;
  const std::optional<Bytes> command = BuildDownloadCommand(dib, slot);
  if (printable)
    Require(sendable == command.has_value());  // only the height stops a printable file
  if (sendable) {
    Require(command.has_value());
    CheckCommand(dib, *command, slot);
  }

  // The selection: accepted (path recorded, Download enabled) exactly when printable.
  std::string bitmapPath;
  prompts.messages = 0;
  OnSelectBitmap(context, dib, bitmapPath);
  Require(prompts.cursorDepth == 0);
  Require(printable == (bitmapPath == "fuzz.bmp"));
  Require(printable == (controls.enabled.size() == 1));

  // The download over a port: three writes of 2, 7 + x * y and 2 bytes when it can be sent.
  std::vector<std::size_t> writes;
  const DownloadOpener open = [&writes]() -> std::optional<DownloadTarget> {
    DownloadTarget target;
    target.port = std::make_unique<RecordingPort>(writes);
    return target;
  };
  prompts.messages = 0;
  OnDownloadBitmap(context, dib, "fuzz.bmp", open);
  Require(prompts.cursorDepth == 0);
  Require(prompts.messages == 1);
  if (sendable) {
    Require(writes.size() == 3 && writes[0] == 2 && writes[2] == 2);
    Require(writes[1] == command->size());
  } else {
    Require(writes.empty());
  }
  return 0;
}
