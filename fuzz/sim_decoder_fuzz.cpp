// Fuzzes the simulator's streaming decoder and printer model: any bytes, cut into any chunks,
// decode without fault, to the same commands as in one piece, in bounded memory; every command
// is described, answered and stored.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/decoder.h"
#include "sim/printer.h"

namespace {

using vantrel::sim::Command;
using vantrel::sim::Decoder;

constexpr std::size_t kBound = std::size_t{72} * 65535 + Decoder::kMaxLine + 300;

bool Same(const Command& a, const Command& b) {
  return a.kind == b.kind && a.bytes == b.bytes && a.text == b.text && a.raster == b.raster &&
         a.key == b.key && a.value == b.value;
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
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (!Same(whole[i], cut[i]))
      std::abort();
    (void)vantrel::sim::Describe(whole[i], &vantrel::sim::EscapeNonAscii);
    (void)vantrel::sim::AnswerFor(whole[i]);
    printer.Apply(whole[i]);
  }
  (void)printer.State(&vantrel::sim::EscapeNonAscii)
      .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return 0;
}
