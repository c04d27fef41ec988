#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/decoder.h"
#include "sim/font.h"
#include "sim/printer.h"

namespace vantrel::sim {

// Converts printed bytes in a character set (an iconv name: "CP858", "GBK", ...) to UTF-8, one
// code point per printed character (U+FFFD for a byte the set has no character for).
using CharsetConverter = std::function<std::string(std::string_view charset, std::string_view)>;

// The character set of a code table (the value of ESC t and of the stored code page); empty for
// a table no converter knows.
std::string_view CodeTableCharset(std::uint8_t table);
// The table as the tool's code-page list names it.
std::string CodeTableName(std::uint8_t table);

enum class PrinterLanguage { English, SimplifiedChinese, TraditionalChinese };

// What the stored settings make of the paper.
struct PageSetup {
  int widthDots = 576;
  int charsPerLine = 48;  // font A characters on a line
  int cellWidth = 12;     // font A; font B is three quarters of it
  bool fontB = false;
  std::uint8_t codeTable = 0;
  PrinterLanguage language = PrinterLanguage::SimplifiedChinese;
  bool carriageReturnPrints = true;  // unless "0D Invalid" is stored
  std::string Words() const;         // "576 dots, 48 characters a line, font A 12 x 24, ..."
};
PageSetup SetupOf(const Printer& printer);

// One piece of a printed line: text in one style, or a picture.
struct LineRun {
  int x = 0;  // dots from the left edge of the paper
  int y = 0;  // dots from the top of its line (runs stand on the line's bottom)
  int width = 0;
  int height = 0;    // of its characters or picture
  std::string text;  // UTF-8
  int cell = 12;     // dots per character (a Chinese character takes two)
  int wide = 1;
  int high = 1;
  bool bold = false;
  bool underline = false;
  bool reverse = false;
  bool chinese = false;  // a character beyond ASCII takes two cells
  bool label = false;    // the printer's own words (a barcode's or a symbol's data)
  std::optional<StoredBitmap> picture;
};

struct PrintedLine {
  int height = 0;  // the paper it takes
  std::vector<LineRun> runs;
};

// Where the paper goes: the journal and the receipt pictures.
class PaperSink {
 public:
  virtual ~PaperSink() = default;
  virtual void ReceiptBegin(int number, const PageSetup& setup) = 0;
  virtual void ReceiptLine(const PrintedLine& line) = 0;
  // A stored bitmap printed from a slot (saved under the slot's name) or an image of the job.
  virtual void ReceiptPicture(const StoredBitmap& picture, std::optional<std::size_t> slot, int x,
                              std::string_view caption) = 0;
  virtual void ReceiptNote(std::string_view note) = 0;
  // The receipt is cut (or the printer stops): the paper as one picture, and how it ended.
  virtual void ReceiptEnd(int number, const StoredBitmap& page, std::string_view ending,
                          std::string_view printedWith) = 0;
};

// The paper and the print under way: every print command changes only this, never the stored
// settings, which it reads at each receipt's start and after initialise or the setup frame.
class Paper {
 public:
  static constexpr int kMaxRows = 8192;  // dots of one receipt's picture

  Paper(CharsetConverter convert, GlyphSource* glyphs);

  void Take(const Command& command, const Printer& printer, PaperSink& sink);
  // The printer stops: a receipt not cut yet is shown as it is.
  void Finish(PaperSink& sink);

  int Receipts() const { return receipts_; }
  bool InReceipt() const { return open_; }

 private:
  struct Style {
    bool bold = false;
    bool underline = false;
    bool reverse = false;
    bool fontB = false;
    int wide = 1;
    int high = 1;
  };
  struct Piece {
    int x = 0;
    int width = 0;
    Style style;
    bool chinese = false;
    std::string charset;
    std::string tableName;  // for a table without a character set
    std::string bytes;
    std::optional<StoredBitmap> picture;
  };

  void Reset(const Printer& printer);
  // The commands of Take, by what they change.
  void CutBy(const Command& c, PaperSink& sink);
  void PrintSlot(std::uint8_t slot, const Printer& printer, PaperSink& sink);
  void TakePrint(const Command& c, const Printer& printer, PaperSink& sink);
  void FeedBy(const Command& c, PaperSink& sink);
  void SetMode(const Command& c);  // style, code table, Chinese, line spacing
  void Move(const Command& c);     // position, margin, area, tab
  void PrintGraphics(const Command& c, PaperSink& sink);
  void Open(PaperSink& sink);
  void AddText(std::string_view bytes, PaperSink& sink);
  void AddCharacter(std::string_view bytes, int cells, PaperSink& sink);
  void AddPicture(StoredBitmap picture, PaperSink& sink);
  // Prints the line (a line `height` dots high, or by the line spacing); an empty line feeds
  // when `feed` is set.
  void PrintLine(bool feed, int height, PaperSink& sink);
  void Feed(int dots, PaperSink& sink);
  int Grow(int dots, PaperSink& sink);  // returns the top of the new rows
  void PrintImage(StoredBitmap image, std::optional<std::size_t> slot, std::string_view caption,
                  PaperSink& sink);
  void PrintLabel(const std::string& text, PaperSink& sink);
  void Cut(std::string_view how, PaperSink& sink);
  void Draw(const PrintedLine& line, int top);
  void DrawPicture(const StoredBitmap& picture, int x, int top);
  int CellWidth(const Style& style) const;
  int CellHeight(const Style& style) const;
  int AreaLeft() const;
  int AreaWidth() const;
  int AlignedX(int width) const;

  CharsetConverter convert_;
  GlyphSource* glyphs_;
  const Printer* printer_ = nullptr;
  bool started_ = false;
  PageSetup setup_;
  // The print under way.
  Style style_;
  std::optional<std::uint8_t> jobTable_;
  bool chinese_ = true;
  int align_ = 0;
  int lineSpacing_ = 30;
  int leftMargin_ = 0;
  int areaWidth_ = 0;  // 0: to the right edge
  std::string lead_;   // the first byte of a Chinese character
  std::vector<Piece> line_;
  int x_ = 0;
  std::string symbol_;  // the stored 2D symbol's data
  std::optional<StoredBitmap> graphics_;
  // The receipt.
  bool open_ = false;
  int receipts_ = 0;
  int pendingFeed_ = 0;  // paper fed before anything is printed on it
  StoredBitmap page_;
  bool pageFull_ = false;
  std::set<std::string> charsets_;
};

// UTF-8 to code points; a broken sequence gives U+FFFD for its first byte.
std::u32string CodePoints(std::string_view utf8);

}  // namespace vantrel::sim
