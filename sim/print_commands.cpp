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

  PrintParse Esc();
  PrintParse Fs();
  PrintParse Gs();
  PrintParse Graphics(std::size_t head, std::uint64_t size);
};

PrintParse Parser::Esc() {
  switch (b[1]) {
    case '@':
      return Op(PrintOp::Initialise, 2);
    case 'd':
      return Op(PrintOp::FeedLines, 3, 2);
    case 'J':
      return Op(PrintOp::FeedDots, 3, 2);
    case 'a':
      return Op(PrintOp::Align, 3, 2);
    case 'E':
    case 'G':
      return Op(PrintOp::Emphasis, 3, 2);
    case '-':
      return Op(PrintOp::Underline, 3, 2);
    case '!':
      return Op(PrintOp::PrintMode, 3, 2);
    case 't':
      return Op(PrintOp::CodeTable, 3, 2);
    case 'M':
      return Op(PrintOp::Font, 3, 2);
    case '3':
      return Op(PrintOp::LineSpacing, 3, 2);
    case '2':
      return Op(PrintOp::DefaultLineSpacing, 2);
    case '$':
      return Op16(PrintOp::AbsolutePosition, 4, 2);
    case '\\':
      return Op16(PrintOp::RelativePosition, 4, 2);
    // Character spacing, unidirectional printing, upside-down, international set, peripheral
    // device, rotation, colour, panel buttons: nothing the paper here shows.
    case ' ':
    case 'U':
    case '{':
    case 'R':
    case '=':
    case 'V':
    case 'r':
    case 'e':
      return Op(PrintOp::Ignored, 3, 2);
    case 'c':
      return Op(PrintOp::Ignored, 4, 3);
    case 'i':
    case 'm':
      if (b.size() < 2)
        return NeedMore();
      command.kind = Command::Kind::Cut;
      command.value = b[1];
      result.step = Step::Done;
      result.length = 2;
      return result;
    case '*': {
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
    case '(': {
      if (b.size() < 5)
        return NeedMore();
      return Skip(PrintOp::Ignored, 5, Number(b, 3));
    }
    default:
      return NoMatch();
  }
}

PrintParse Parser::Fs() {
  switch (b[1]) {
    case '&':
      return Op(PrintOp::ChineseOn, 2);
    case '.':
      return Op(PrintOp::ChineseOff, 2);
    case '!':
    case '-':
    case 'C':
    case 'W':
      return Op(PrintOp::Ignored, 3, 2);
    case 'S':
    case 'p':
      return Op(PrintOp::Ignored, 4, 2);
    case '(': {
      if (b.size() < 5)
        return NeedMore();
      return Skip(PrintOp::Ignored, 5, Number(b, 3));
    }
    default:
      return NoMatch();
  }
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

PrintParse Parser::Gs() {
  switch (b[1]) {
    case '!':
      return Op(PrintOp::CharacterSize, 3, 2);
    case 'B':
      return Op(PrintOp::Reverse, 3, 2);
    case 'L':
      return Op16(PrintOp::LeftMargin, 4, 2);
    case 'W':
      return Op16(PrintOp::AreaWidth, 4, 2);
    // Barcode height, width, text position and font; automatic status, status and identity
    // requests (a network printer's answers go nowhere), smoothing.
    case 'H':
    case 'h':
    case 'w':
    case 'f':
    case 'a':
    case 'r':
    case 'I':
    case 'b':
    case 'E':
      return Op(PrintOp::Ignored, 3, 2);
    case 'P':
    case '$':
    case '\\':
      return Op(PrintOp::Ignored, 4, 2);
    case 'V': {
      if (b.size() < 3)
        return NeedMore();
      const std::uint8_t m = b[2];
      std::size_t length = 0;
      if (m == 0 || m == 1 || m == 48 || m == 49)
        length = 3;
      else if (m == 65 || m == 66 || m == 97 || m == 98 || m == 103 || m == 104)
        length = 4;
      else
        return NoMatch();
      if (b.size() < length)
        return NeedMore();
      command.kind = Command::Kind::Cut;
      command.value = m;
      command.count = length == 4 ? b[3] : 0;
      result.step = Step::Done;
      result.length = length;
      return result;
    }
    case 'v': {
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
    case 'k': {
      if (b.size() < 3)
        return NeedMore();
      const std::uint8_t m = b[2];
      if (m <= 6) {
        // The data ends at a zero byte.
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
    case '(': {
      if (b.size() < 5)
        return NeedMore();
      const std::uint64_t size = Number(b, 3);
      if (b[2] == 'L')
        return Graphics(5, size);
      if (b[2] != 'k' || size < 2)
        return Skip(PrintOp::Ignored, 5, size);
      // cn fn [m] data
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
    case '8': {
      if (b.size() < 7)
        return NeedMore();
      const std::uint64_t size = Number(b, 3, 4);
      if (b[2] == 'L')
        return Graphics(7, size);
      return NoMatch();
    }
    case '*': {
      if (b.size() < 4)
        return NeedMore();
      return Skip(PrintOp::Ignored, 4, std::uint64_t{b[2]} * b[3] * 8);
    }
    case '/':
      return Op(PrintOp::Ignored, 3, 2);
    default:
      return NoMatch();
  }
}

}  // namespace

std::string_view PrintOpName(PrintOp op) {
  switch (op) {
    case PrintOp::Initialise:
      return "initialise";
    case PrintOp::FeedLines:
      return "print and feed lines";
    case PrintOp::FeedDots:
      return "print and feed dots";
    case PrintOp::Align:
      return "alignment";
    case PrintOp::Emphasis:
      return "emphasis";
    case PrintOp::Underline:
      return "underline";
    case PrintOp::PrintMode:
      return "print mode";
    case PrintOp::CharacterSize:
      return "character size";
    case PrintOp::Reverse:
      return "white on black";
    case PrintOp::CodeTable:
      return "code table";
    case PrintOp::ChineseOn:
      return "Chinese characters on";
    case PrintOp::ChineseOff:
      return "Chinese characters off";
    case PrintOp::Font:
      return "font";
    case PrintOp::LineSpacing:
      return "line spacing";
    case PrintOp::DefaultLineSpacing:
      return "default line spacing";
    case PrintOp::AbsolutePosition:
      return "absolute position";
    case PrintOp::RelativePosition:
      return "relative position";
    case PrintOp::LeftMargin:
      return "left margin";
    case PrintOp::AreaWidth:
      return "print area width";
    case PrintOp::Tab:
      return "tab";
    case PrintOp::Raster:
      return "raster image";
    case PrintOp::BitImage:
      return "bit image";
    case PrintOp::GraphicsStore:
      return "store graphics";
    case PrintOp::GraphicsPrint:
      return "print graphics";
    case PrintOp::Barcode:
      return "barcode";
    case PrintOp::TwoDStore:
      return "store 2D symbol data";
    case PrintOp::TwoDPrint:
      return "print 2D symbol";
    case PrintOp::Ignored:
      break;
  }
  return "no effect on the paper";
}

PrintParse ParsePrintCommand(ByteView bytes, Command& command) {
  Parser parser{bytes, command, {}};
  if (bytes.size() < 2)
    return parser.NeedMore();
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
