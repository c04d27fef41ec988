// Fuzzes the simulator's streaming decoder, printer model and paper: any bytes, cut into any
// chunks, decode without fault, to the same commands as in one piece, in bounded memory; every
// command is described, answered, stored and printed (receipts laid out and drawn). Seeded with
// receipt streams and Set runs (fuzz/sim_seeds).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/decoder.h"
#include "sim/paper.h"
#include "sim/printer.h"

namespace {

using vantrel::sim::Command;
using vantrel::sim::Decoder;

constexpr std::size_t kBound = std::size_t{72} * 65535 + Decoder::kMaxLine + 300;

// Every character a box; every printed byte its own character.
class Boxes : public vantrel::sim::GlyphSource {
 public:
  const vantrel::sim::Glyph* Get(char32_t, int width, int height) override {
    glyph_.width = width;
    glyph_.height = height;
    glyph_.dots.assign(static_cast<std::size_t>(width * height), 1);
    return &glyph_;
  }

 private:
  vantrel::sim::Glyph glyph_;
};

std::string Latin1(std::string_view, std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return out;
}

// Keeps what the paper hands on within bounds.
class Sink : public vantrel::sim::PaperSink {
 public:
  void ReceiptBegin(int, const vantrel::sim::PageSetup& setup) override {
    if (setup.widthDots != 576 && setup.widthDots != 512)
      std::abort();
  }
  void ReceiptLine(const vantrel::sim::PrintedLine& line) override {
    for (const auto& run : line.runs) {
      if (run.picture && run.picture->raster.size() > std::size_t{72} * 4096)
        std::abort();
    }
  }
  void ReceiptPicture(const vantrel::sim::StoredBitmap& picture, std::optional<std::size_t>, int,
                      std::string_view) override {
    if (picture.raster.size() > std::size_t{72} * 65535)
      std::abort();
  }
  void ReceiptNote(std::string_view) override {}
  void ReceiptEnd(int, const vantrel::sim::StoredBitmap& page, std::string_view,
                  std::string_view) override {
    if (page.rows > vantrel::sim::Paper::kMaxRows)
      std::abort();
  }
};

bool Same(const Command& a, const Command& b) {
  return a.kind == b.kind && a.bytes == b.bytes && a.text == b.text && a.raster == b.raster &&
         a.key == b.key && a.value == b.value && a.op == b.op && a.count == b.count;
}

std::vector<Command> Decode(const std::uint8_t* data, std::size_t size, std::size_t seed) {
  Decoder decoder;
  std::vector<Command> out;
  std::size_t i = 0;
  while (i < size) {
    // Chunk lengths from 1 to 16 taken from the seed's bits, or the whole input at once.
    std::size_t chunk = seed == 0 ? size : 1 + (seed % 16);
    seed = seed / 16 + (seed % 16) * 97;
    chunk = chunk > size - i ? size - i : chunk;
    decoder.Feed({data + i, chunk}, out);
    if (decoder.Held() > kBound)
      std::abort();
    i += chunk;
  }
  decoder.Finish(out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<Command> whole = Decode(data, size, 0);
  const std::vector<Command> cut = Decode(data, size, size * 2654435761u + 1);
  if (whole.size() != cut.size())
    std::abort();
  vantrel::sim::Printer printer(vantrel::sim::SerialLine{});
  Boxes boxes;
  vantrel::sim::Paper paper(&Latin1, &boxes);
  Sink sink;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (!Same(whole[i], cut[i]))
      std::abort();
    (void)vantrel::sim::Describe(whole[i], &vantrel::sim::EscapeNonAscii);
    (void)vantrel::sim::AnswerFor(whole[i]);
    printer.Apply(whole[i]);
    paper.Take(whole[i], printer, sink);
  }
  paper.Finish(sink);
  (void)printer.State(&vantrel::sim::EscapeNonAscii)
      .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return 0;
}
