#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/bytes.h"

namespace vantrel::sim {

// The ordinary print commands of a receipt printer, as a point-of-sale program sends them. They
// change only the print under way, never what the printer stores.
enum class PrintOp : std::uint8_t {
  Initialise,          // ESC @
  FeedLines,           // ESC d n
  FeedDots,            // ESC J n
  Align,               // ESC a n
  Emphasis,            // ESC E n, ESC G n
  Underline,           // ESC - n
  PrintMode,           // ESC ! n
  CharacterSize,       // GS ! n
  Reverse,             // GS B n
  CodeTable,           // ESC t n
  ChineseOn,           // FS &
  ChineseOff,          // FS .
  Font,                // ESC M n
  LineSpacing,         // ESC 3 n
  DefaultLineSpacing,  // ESC 2
  AbsolutePosition,    // ESC $ nL nH
  RelativePosition,    // ESC \ nL nH
  LeftMargin,          // GS L nL nH
  AreaWidth,           // GS W nL nH
  Tab,                 // HT
  Raster,              // GS v 0: raster image
  BitImage,            // ESC *: one band of a column image
  GraphicsStore,       // GS ( L / GS 8 L, function 112: raster graphics into the buffer
  GraphicsPrint,       // GS ( L / GS 8 L, function 50: print the buffered graphics
  Barcode,             // GS k
  TwoDStore,           // GS ( k, function 80: the symbol's data
  TwoDPrint,           // GS ( k, function 81: print the stored symbol
  Ignored,             // understood, and without effect on the simulated paper
};

// What follows a command's head in the stream: `rows` rows of `rowLength` bytes, of which the
// first `keepPerRow` bytes of the first `keepRows` rows are kept (the rest is read and dropped,
// so that a huge image costs no memory).
struct Payload {
  std::uint64_t rows = 0;
  std::uint64_t rowLength = 0;
  std::size_t keepPerRow = 0;
  std::size_t keepRows = 0;
  bool intoText = false;  // the kept bytes are the command's text (a symbol's data)
  std::uint64_t Size() const { return rows * rowLength; }
  std::size_t KeepSize() const { return keepPerRow * keepRows; }
};

// Caps on what a print command keeps.
inline constexpr std::size_t kMaxPrintRowBytes = 72;  // 576 dots, the widest paper
inline constexpr std::size_t kMaxPrintRows = 4096;    // per image
inline constexpr std::size_t kMaxSymbolData = 512;    // a barcode's or a 2D symbol's text

std::string_view PrintOpName(PrintOp op);

struct Command;

// Decodes a print command at the start of `bytes` (which open with ESC, FS or GS).
struct PrintParse {
  enum class Step { NoMatch, NeedMore, Done };
  Step step = Step::NoMatch;
  std::size_t length = 0;  // the head, payload excluded
  Payload payload;
};
PrintParse ParsePrintCommand(ByteView bytes, Command& command);

// A print command in words.
std::string DescribePrint(const Command& command);

}  // namespace vantrel::sim
