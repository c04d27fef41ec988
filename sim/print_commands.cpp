#include "sim/print_commands.h"

#include <algorithm>

#include "sim/decoder.h"

namespace vantrel::sim {
namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kFs = 0x1C;
constexpr std::uint8_t kGs = 0x1D;

using Step = PrintParse::Step;

// A little-endian number of `bytes` bytes at `at`.
std::size_t Number(ByteView b, std::size_t at, std::size_t bytes = 2) {
  std::size_t value = 0;
  for (std::size_t i = bytes; i-- > 0;)
    value = (value << 8) | b[at + i];
  return value;
}

// The print commands of a fixed length, as data: the prefix and the command byte, what it does,
// its length and where its number is (the byte at `at`, or the 16-bit number there when `wide`).
struct FixedCommand {
  std::uint8_t prefix;
  std::uint8_t code;
  PrintOp op;
  std::uint8_t length;
  std::uint8_t at = 0;
  bool wide = false;
};

constexpr FixedCommand kFixedCommands[] = {
    {kEsc, '@', PrintOp::Initialise, 2},
    {kEsc, 'd', PrintOp::FeedLines, 3, 2},
    {kEsc, 'J', PrintOp::FeedDots, 3, 2},
    {kEsc, 'a', PrintOp::Align, 3, 2},
    {kEsc, 'E', PrintOp::Emphasis, 3, 2},
    {kEsc, 'G', PrintOp::Emphasis, 3, 2},
    {kEsc, '-', PrintOp::Underline, 3, 2},
    {kEsc, '!', PrintOp::PrintMode, 3, 2},
    {kEsc, 't', PrintOp::CodeTable, 3, 2},
    {kEsc, 'M', PrintOp::Font, 3, 2},
    {kEsc, '3', PrintOp::LineSpacing, 3, 2},
    {kEsc, '2', PrintOp::DefaultLineSpacing, 2},
    {kEsc, '$', PrintOp::AbsolutePosition, 4, 2, true},
    {kEsc, '\\', PrintOp::RelativePosition, 4, 2, true},
    // Character spacing, unidirectional printing, upside-down, international set, peripheral
    // device, rotation, colour, panel buttons: nothing the paper here shows.
    {kEsc, ' ', PrintOp::Ignored, 3, 2},
    {kEsc, 'U', PrintOp::Ignored, 3, 2},
    {kEsc, '{', PrintOp::Ignored, 3, 2},
    {kEsc, 'R', PrintOp::Ignored, 3, 2},
    {kEsc, '=', PrintOp::Ignored, 3, 2},
    {kEsc, 'V', PrintOp::Ignored, 3, 2},
    {kEsc, 'r', PrintOp::Ignored, 3, 2},
    {kEsc, 'e', PrintOp::Ignored, 3, 2},
    {kEsc, 'c', PrintOp::Ignored, 4, 3},
    {kFs, '&', PrintOp::ChineseOn, 2},
    {kFs, '.', PrintOp::ChineseOff, 2},
    {kFs, '!', PrintOp::Ignored, 3, 2},
    {kFs, '-', PrintOp::Ignored, 3, 2},
    {kFs, 'C', PrintOp::Ignored, 3, 2},
    {kFs, 'W', PrintOp::Ignored, 3, 2},
    {kFs, 'S', PrintOp::Ignored, 4, 2},
    {kFs, 'p', PrintOp::Ignored, 4, 2},
    {kGs, '!', PrintOp::CharacterSize, 3, 2},
    {kGs, 'B', PrintOp::Reverse, 3, 2},
    {kGs, 'L', PrintOp::LeftMargin, 4, 2, true},
    {kGs, 'W', PrintOp::AreaWidth, 4, 2, true},
    // Barcode height, width, text position and font; automatic status, status and identity
    // requests (a network printer's answers go nowhere), smoothing.
    {kGs, 'H', PrintOp::Ignored, 3, 2},
    {kGs, 'h', PrintOp::Ignored, 3, 2},
    {kGs, 'w', PrintOp::Ignored, 3, 2},
    {kGs, 'f', PrintOp::Ignored, 3, 2},
    {kGs, 'a', PrintOp::Ignored, 3, 2},
    {kGs, 'r', PrintOp::Ignored, 3, 2},
    {kGs, 'I', PrintOp::Ignored, 3, 2},
    {kGs, 'b', PrintOp::Ignored, 3, 2},
    {kGs, 'E', PrintOp::Ignored, 3, 2},
    {kGs, '/', PrintOp::Ignored, 3, 2},
    {kGs, 'P', PrintOp::Ignored, 4, 2},
    {kGs, '$', PrintOp::Ignored, 4, 2},
    {kGs, '\\', PrintOp::Ignored, 4, 2},
};

const FixedCommand* FindFixed(std::uint8_t prefix, std::uint8_t code) {
  const auto found = std::find_if(
      std::begin(kFixedCommands), std::end(kFixedCommands),
      [&](const FixedCommand& fixed) { return fixed.prefix == prefix && fixed.code == code; });
  return found == std::end(kFixedCommands) ? nullptr : found;
}

struct Parser {
  ByteView b;
  Command& command;
  PrintParse result;

  // A command of `length` bytes; its number (if any) is the byte at `at`.
  PrintParse Op(PrintOp op, std::size_t length, std::size_t at = 0) {
    if (b.size() < length) {
      result.step = Step::NeedMore;
      return result;
    }
    command.kind = Command::Kind::Print;
    command.op = op;
    if (at != 0)
      command.value = b[at];
    result.step = Step::Done;
    result.length = length;
    return result;
  }
  // A command whose 16-bit little-endian number starts at `at`.
  PrintParse Op16(PrintOp op, std::size_t length, std::size_t at) {
    PrintParse parse = Op(op, length);
    if (parse.step == Step::Done)
      command.count = static_cast<std::uint16_t>(Number(b, at));
    return parse;
  }
  PrintParse NeedMore() {
    result.step = Step::NeedMore;
    return result;
  }
  PrintParse NoMatch() {
    result.step = Step::NoMatch;
    return result;
  }
  // A head of `length` bytes followed by `size` bytes that are read and dropped.
  PrintParse Skip(PrintOp op, std::size_t length, std::uint64_t size) {
    PrintParse parse = Op(op, length);
    if (parse.step == Step::Done)
      parse.payload = Payload{1, size, 0, 0, false};
    return parse;
  }

  PrintParse Fixed(const FixedCommand& fixed);
  PrintParse Cut(std::size_t length, std::uint8_t mode, std::uint16_t feed);
  PrintParse BitImage();
  PrintParse CountedBlock();
  PrintParse GsCut();
  PrintParse Raster();
  PrintParse Barcode();
  PrintParse Symbol(std::uint64_t size);
  PrintParse Esc();
  PrintParse Fs();
  PrintParse Gs();
  PrintParse Graphics(std::size_t head, std::uint64_t size);
};

PrintParse Parser::Fixed(const FixedCommand& fixed) {
  if (fixed.wide)
    return Op16(fixed.op, fixed.length, fixed.at);
  return Op(fixed.op, fixed.length, fixed.at);
}

// ESC i and ESC m: the cuts without a feed.
PrintParse Parser::Cut(std::size_t length, std::uint8_t mode, std::uint16_t feed) {
  if (b.size() < length)
    return NeedMore();
  command.kind = Command::Kind::Cut;
  command.value = mode;
  command.count = feed;
  result.step = Step::Done;
  result.length = length;
  return result;
}

// ESC *: one band of a column image.
PrintParse Parser::BitImage() {
  if (b.size() < 5)
    return NeedMore();
  const std::uint8_t m = b[2];
  if (m != 0 && m != 1 && m != 32 && m != 33)
    return NoMatch();
  const std::size_t columns = Number(b, 3);
  PrintParse parse = Op(PrintOp::BitImage, 5, 2);
  const std::size_t perColumn = m < 32 ? 1 : 3;
  // Kept as columns of one to three bytes; at most the widest paper's dots.
  parse.payload = Payload{columns, perColumn, perColumn, std::min<std::size_t>(columns, 576)};
  return parse;
}

// ESC ( and FS (: a counted block that changes nothing on the paper.
PrintParse Parser::CountedBlock() {
  if (b.size() < 5)
    return NeedMore();
  return Skip(PrintOp::Ignored, 5, Number(b, 3));
}

// The ESC commands of a variable length.
PrintParse Parser::Esc() {
  switch (b[1]) {
    case 'i':
    case 'm':
      return Cut(2, b[1], 0);
    case '*':
      return BitImage();
    case '(':
      return CountedBlock();
    default:
      return NoMatch();
  }
}

// The FS commands of a variable length.
PrintParse Parser::Fs() {
  return b[1] == '(' ? CountedBlock() : NoMatch();
}

// GS ( L and GS 8 L: `head` bytes up to and including the length, then `size` bytes, the first
// two of which are m and the function.
PrintParse Parser::Graphics(std::size_t head, std::uint64_t size) {
  if (size < 2)
    return Skip(PrintOp::Ignored, head, size);
  if (b.size() < head + 2)
    return NeedMore();
  const std::uint8_t function = b[head + 1];
  if (function == 50 || function == 2)
    return Skip(PrintOp::GraphicsPrint, head, size);
  if (function != 112 || size < 10)
    return Skip(PrintOp::Ignored, head, size);
  // m fn a bx by c xL xH yL yH, then the dots, rows of (x + 7) / 8 bytes.
  constexpr std::size_t kFields = 10;
  if (b.size() < head + kFields)
    return NeedMore();
  const std::size_t x = Number(b, head + 6);
  const std::size_t y = Number(b, head + 8);
  const std::uint64_t rowBytes = (x + 7) / 8;
  const std::uint64_t data = size - kFields;
  PrintParse parse = Op(PrintOp::GraphicsStore, head + kFields);
  if (parse.step != Step::Done)
    return parse;
  if (rowBytes == 0 || rowBytes * y != data) {
    // Dots that do not fill the rows the header gives: read and dropped.
    command.op = PrintOp::Ignored;
    parse.payload = Payload{1, data, 0, 0, false};
    return parse;
  }
  command.rowBytes =
      static_cast<std::uint16_t>(std::min<std::uint64_t>(rowBytes, kMaxPrintRowBytes));
  command.rows = static_cast<std::uint16_t>(std::min<std::size_t>(y, kMaxPrintRows));
  parse.payload = Payload{y, rowBytes, command.rowBytes, command.rows, false};
  return parse;
}

// GS V: a cut, with a feed for the modes that take one.
PrintParse Parser::GsCut() {
  if (b.size() < 3)
    return NeedMore();
  const std::uint8_t m = b[2];
  if (m == 0 || m == 1 || m == 48 || m == 49)
    return Cut(3, m, 0);
  if (m == 65 || m == 66 || m == 97 || m == 98 || m == 103 || m == 104)
    return Cut(4, m, b.size() < 4 ? std::uint16_t{0} : std::uint16_t{b[3]});
  return NoMatch();
}

// GS v 0: a raster image.
PrintParse Parser::Raster() {
  if (b.size() < 8)
    return NeedMore();
  const std::uint8_t m = b[3];
  if (b[2] != '0' || !(m <= 3 || (m >= 48 && m <= 51)))
    return NoMatch();
  const std::size_t x = Number(b, 4);
  const std::size_t y = Number(b, 6);
  PrintParse parse = Op(PrintOp::Raster, 8, 3);
  command.rowBytes = static_cast<std::uint16_t>(std::min(x, kMaxPrintRowBytes));
  command.rows = static_cast<std::uint16_t>(std::min(y, kMaxPrintRows));
  parse.payload = Payload{y, x, command.rowBytes, command.rows, false};
  return parse;
}

// GS k: a barcode, its data ended by a zero (m 0 to 6) or counted (m 65 to 79).
PrintParse Parser::Barcode() {
  if (b.size() < 3)
    return NeedMore();
  const std::uint8_t m = b[2];
  if (m <= 6) {
    const std::size_t limit = std::min<std::size_t>(b.size(), 3 + 256);
    for (std::size_t i = 3; i < limit; ++i) {
      if (b[i] == 0) {
        PrintParse parse = Op(PrintOp::Barcode, i + 1, 2);
        command.text.assign(b.begin() + 3, b.begin() + static_cast<std::ptrdiff_t>(i));
        return parse;
      }
    }
    return b.size() < 3 + 256 ? NeedMore() : NoMatch();
  }
  if (m >= 65 && m <= 79) {
    if (b.size() < 4)
      return NeedMore();
    const std::size_t n = b[3];
    PrintParse parse = Op(PrintOp::Barcode, 4 + n, 2);
    if (parse.step == Step::Done)
      command.text.assign(b.begin() + 4, b.begin() + static_cast<std::ptrdiff_t>(4 + n));
    return parse;
  }
  return NoMatch();
}

// GS ( k: a 2D symbol, `size` bytes of cn fn [m] data after the five-byte head.
PrintParse Parser::Symbol(std::uint64_t size) {
  if (size < 2)
    return Skip(PrintOp::Ignored, 5, size);
  if (b.size() < 7)
    return NeedMore();
  const std::uint8_t function = b[6];
  if (function == 80 && size >= 3) {
    PrintParse parse = Op(PrintOp::TwoDStore, 8, 5);
    if (parse.step == Step::Done)
      parse.payload =
          Payload{1, size - 3, std::min<std::size_t>(size - 3, kMaxSymbolData), 1, true};
    return parse;
  }
  if (function == 81) {
    PrintParse parse = Skip(PrintOp::TwoDPrint, 7, size - 2);
    if (parse.step == Step::Done)
      command.value = b[5];
    return parse;
  }
  return Skip(PrintOp::Ignored, 5, size);
}

// The GS commands of a variable length.
PrintParse Parser::Gs() {
  switch (b[1]) {
    case 'V':
      return GsCut();
    case 'v':
      return Raster();
    case 'k':
      return Barcode();
    case '(': {
      if (b.size() < 5)
        return NeedMore();
      const std::uint64_t size = Number(b, 3);
      if (b[2] == 'L')
        return Graphics(5, size);
      return b[2] == 'k' ? Symbol(size) : Skip(PrintOp::Ignored, 5, size);
    }
    case '8':
      if (b.size() < 7)
        return NeedMore();
      return b[2] == 'L' ? Graphics(7, Number(b, 3, 4)) : NoMatch();
    case '*':
      if (b.size() < 4)
        return NeedMore();
      return Skip(PrintOp::Ignored, 4, std::uint64_t{b[2]} * b[3] * 8);
    default:
      return NoMatch();
  }
}

}  // namespace

std::string_view PrintOpName(PrintOp op) {
  // In the order of PrintOp; the last for Ignored.
  static constexpr std::string_view kNames[] = {
      "initialise",
      "print and feed lines",
      "print and feed dots",
      "alignment",
      "emphasis",
      "underline",
      "print mode",
      "character size",
      "white on black",
      "code table",
      "Chinese characters on",
      "Chinese characters off",
      "font",
      "line spacing",
      "default line spacing",
      "absolute position",
      "relative position",
      "left margin",
      "print area width",
      "tab",
      "raster image",
      "bit image",
      "store graphics",
      "print graphics",
      "barcode",
      "store 2D symbol data",
      "print 2D symbol",
      "no effect on the paper",
  };
  static_assert(std::size(kNames) == static_cast<std::size_t>(PrintOp::Ignored) + 1);
  const auto index = static_cast<std::size_t>(op);
  return kNames[std::min(index, std::size(kNames) - 1)];
}

PrintParse ParsePrintCommand(ByteView bytes, Command& command) {
  Parser parser{bytes, command, {}};
  if (bytes.size() < 2)
    return parser.NeedMore();
  if (bytes[0] != kEsc && bytes[0] != kFs && bytes[0] != kGs)
    return parser.NoMatch();
  if (const FixedCommand* fixed = FindFixed(bytes[0], bytes[1]))
    return parser.Fixed(*fixed);
  switch (bytes[0]) {
    case kEsc:
      return parser.Esc();
    case kFs:
      return parser.Fs();
    case kGs:
      return parser.Gs();
    default:
      return parser.NoMatch();
  }
}

}  // namespace vantrel::sim

namespace vantrel::sim {

std::string DescribePrint(const Command& c) {
  const std::string name(PrintOpName(c.op));
  const std::string n = std::to_string(c.value);
  switch (c.op) {
    case PrintOp::Initialise:
    case PrintOp::ChineseOn:
    case PrintOp::ChineseOff:
    case PrintOp::DefaultLineSpacing:
    case PrintOp::Tab:
    case PrintOp::GraphicsPrint:
      return name;
    case PrintOp::AbsolutePosition:
    case PrintOp::RelativePosition:
    case PrintOp::LeftMargin:
    case PrintOp::AreaWidth:
      return name + " " + std::to_string(c.count) + " dots";
    case PrintOp::Raster:
    case PrintOp::GraphicsStore:
      return name + " " + std::to_string(c.rowBytes * 8) + " x " + std::to_string(c.rows) +
             " dots (as kept)";
    case PrintOp::BitImage:
      return name + " mode " + n + ", " + std::to_string(c.raster.size() / (c.value < 32 ? 1 : 3)) +
             " columns";
    case PrintOp::Barcode:
    case PrintOp::TwoDStore:
      return name + " " + n + ": " + std::to_string(c.text.size()) + " bytes of data";
    case PrintOp::TwoDPrint:
      return name + " " + n;
    case PrintOp::Ignored:
      return "print command with " + name;
    default:
      return name + " " + n + " (this print only)";
  }
}

}  // namespace vantrel::sim
