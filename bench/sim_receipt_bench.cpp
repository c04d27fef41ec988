// Receipts a second that the virtual printer decodes and lays out on its paper: a typical
// point-of-sale receipt (initialise, a double-size centred header, twenty item lines placed by
// absolute positions, an emphasised total, a barcode, a QR code, a 256 x 64 logo, feed and cut),
// drawn with the real font and character sets; once without and once with the output folder
// (journal and one PNG a receipt).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "sim/decoder.h"
#include "sim/font.h"
#include "sim/paper.h"
#include "sim/posix/charset.h"
#include "sim/printer.h"
#include "sim/recorder.h"

namespace vantrel::sim {
namespace {

constexpr const char* kFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

void Append(Bytes& out, std::initializer_list<int> bytes) {
  for (const int byte : bytes)
    out.push_back(static_cast<std::uint8_t>(byte));
}
void Append(Bytes& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

Bytes Receipt() {
  Bytes r;
  Append(r, {0x1B, 0x40, 0x1B, 0x74, 19, 0x1B, 0x61, 1, 0x1D, 0x21, 0x11});
  Append(r, "Caf\x82 Vantrel\n");
  Append(r, {0x1D, 0x21, 0x00, 0x1B, 0x61, 0});
  for (int i = 0; i < 20; ++i) {
    Append(r, "Item " + std::to_string(i + 1) + " espresso");
    Append(r, {0x1B, 0x24, 0xB0, 0x01});  // 432 dots
    Append(r, std::to_string(i + 1) + ".50 \xD5\n");
  }
  Append(r, {0x1B, 0x45, 1});
  Append(r, "TOTAL");
  Append(r, {0x1B, 0x24, 0xB0, 0x01});
  Append(r, "230.00 \xD5\n");
  Append(r, {0x1B, 0x45, 0, 0x1B, 0x61, 1});
  Append(r, {0x1D, 0x6B, 0x49, 10});
  Append(r, "{B12345678");
  Append(r, {0x1D, 0x28, 0x6B, 0x13, 0x00, 0x31, 0x50, 0x30});
  Append(r, "https://vantrel.test");
  Append(r, {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30});
  Append(r, {0x1D, 0x76, 0x30, 0x00, 32, 0, 64, 0});
  for (int i = 0; i < 32 * 64; ++i)
    r.push_back(static_cast<std::uint8_t>(i * 37));
  Append(r, {0x1B, 0x64, 4, 0x1D, 0x56, 0x42, 0x00});
  return r;
}

class Discard : public PaperSink {
 public:
  void ReceiptBegin(int, const PageSetup&) override {}
  void ReceiptLine(const PrintedLine&) override {}
  void ReceiptPicture(const StoredBitmap&, std::optional<std::size_t>, int,
                      std::string_view) override {}
  void ReceiptNote(std::string_view) override {}
  void ReceiptEnd(int, const StoredBitmap& page, std::string_view, std::string_view) override {
    benchmark::DoNotOptimize(page.raster.data());
  }
};

void PrintReceipts(benchmark::State& state, PaperSink& sink) {
  const Bytes receipt = Receipt();
  Printer printer{SerialLine{}};
  FontGlyphs glyphs(kFont);
  if (!glyphs.Loaded())
    state.SkipWithError("no font");
  Paper paper(&ConvertCharset, &glyphs);
  Decoder decoder;
  std::vector<Command> commands;
  for (auto _ : state) {
    decoder.Feed(receipt, commands);
    for (const Command& command : commands) {
      printer.Apply(command);
      paper.Take(command, printer, sink);
    }
    commands.clear();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(receipt.size()));
  state.counters["receipts/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void DecodeAndLayOut(benchmark::State& state) {
  Discard sink;
  PrintReceipts(state, sink);
}
BENCHMARK(DecodeAndLayOut)->Unit(benchmark::kMicrosecond);

void DecodeLayOutAndRecord(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() / "vantrel-sim-bench";
  std::filesystem::remove_all(dir);
  std::ostringstream console;
  {
    Recorder recorder(dir, true, console, &EscapeNonAscii);
    PrintReceipts(state, recorder);
  }
  std::filesystem::remove_all(dir);
}
// The output folder takes at most kMaxPictures PNGs, so a run stays below that.
BENCHMARK(DecodeLayOutAndRecord)->Unit(benchmark::kMicrosecond)->Iterations(1500);

}  // namespace
}  // namespace vantrel::sim

BENCHMARK_MAIN();
