#include "sim/paper.h"

#include <algorithm>
#include <array>

namespace vantrel::sim {
namespace {

constexpr int kFontAHeight = 24;
constexpr int kFontBHeight = 17;
constexpr int kDefaultLineSpacing = 30;
constexpr int kMaxPendingFeed = 2000;
// Pieces of one line: positions that move back could otherwise pile them up without end.
constexpr std::size_t kMaxPieces = 512;
constexpr char32_t kReplacement = 0xFFFD;

// The character sets of the printer's code tables, in the order of its code-page list.
constexpr std::array<std::string_view, 48> kCharsets = {
    "CP437",      "",           "CP850",      "CP860",      "CP863",
    "CP865",      "CP1251",     "CP866",      "MIK",        "",
    "",           "",           "",           "",           "",
    "CP862",      "CP1252",     "CP1253",     "CP852",      "CP858",
    "",           "",           "CP864",      "ISO-8859-1", "CP737",
    "CP1257",     "CP874",      "",           "CP855",      "CP857",
    "CP1250",     "CP775",      "CP1254",     "CP1255",     "CP1256",
    "CP1258",     "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5",
    "ISO-8859-6", "ISO-8859-7", "ISO-8859-8", "ISO-8859-9", "ISO-8859-15",
    "",           "CP856",      "CP874"};

void SetDot(StoredBitmap& page, int x, int y) {
  if (x < 0 || y < 0 || x >= page.rowBytes * 8 || y >= page.rows)
    return;
  page.raster[static_cast<std::size_t>(y) * page.rowBytes + static_cast<std::size_t>(x / 8)] |=
      static_cast<std::uint8_t>(0x80 >> (x % 8));
}

void FlipDot(StoredBitmap& page, int x, int y) {
  if (x < 0 || y < 0 || x >= page.rowBytes * 8 || y >= page.rows)
    return;
  page.raster[static_cast<std::size_t>(y) * page.rowBytes + static_cast<std::size_t>(x / 8)] ^=
      static_cast<std::uint8_t>(0x80 >> (x % 8));
}

bool Dot(const StoredBitmap& bitmap, int x, int y) {
  const std::size_t at =
      static_cast<std::size_t>(y) * bitmap.rowBytes + static_cast<std::size_t>(x / 8);
  return at < bitmap.raster.size() && (bitmap.raster[at] & (0x80 >> (x % 8))) != 0;
}

// A picture drawn `wide` x `high` times its size, cut to the widest paper and the image cap.
StoredBitmap Scaled(const StoredBitmap& picture, int wide, int high) {
  if (wide == 1 && high == 1)
    return picture;
  StoredBitmap out;
  const int width =
      std::min<int>(picture.rowBytes * 8 * wide, static_cast<int>(kMaxPrintRowBytes) * 8);
  out.rowBytes = static_cast<std::uint16_t>((width + 7) / 8);
  out.rows = static_cast<std::uint16_t>(
      std::min<int>(picture.rows * high, static_cast<int>(kMaxPrintRows)));
  out.raster.assign(std::size_t{out.rowBytes} * out.rows, 0);
  for (int y = 0; y < out.rows; ++y) {
    for (int x = 0; x < width; ++x) {
      if (Dot(picture, x / wide, y / high))
        SetDot(out, x, y);
    }
  }
  return out;
}

std::string BarcodeName(std::uint8_t m) {
  static constexpr std::string_view kNames[] = {"UPC-A", "UPC-E",   "EAN13",  "EAN8",   "CODE39",
                                                "ITF",   "CODABAR", "CODE93", "CODE128"};
  const int index = m <= 6 ? m : m - 65;
  if (index >= 0 && index < static_cast<int>(std::size(kNames)))
    return std::string(kNames[index]);
  return "type " + std::to_string(m);
}

// One band of ESC *: columns of 8 or 24 dots, the top dot in bit 7 of a column's first byte.
StoredBitmap BitImageBand(const Command& c) {
  const int n = c.value;
  const int perColumn = n < 32 ? 1 : 3;
  const int columns = static_cast<int>(c.raster.size()) / perColumn;
  const int dotWidth = (n == 0 || n == 32) ? 2 : 1;
  StoredBitmap band;
  band.rowBytes = static_cast<std::uint16_t>((columns * dotWidth + 7) / 8);
  band.rows = static_cast<std::uint16_t>(8 * perColumn);
  band.raster.assign(std::size_t{band.rowBytes} * band.rows, 0);
  for (int column = 0; column < columns; ++column) {
    for (int y = 0; y < band.rows; ++y) {
      const std::uint8_t byte = c.raster[static_cast<std::size_t>(column * perColumn + y / 8)];
      if ((byte & (0x80 >> (y % 8))) != 0) {
        for (int d = 0; d < dotWidth; ++d)
          SetDot(band, column * dotWidth + d, y);
      }
    }
  }
  return band;
}

}  // namespace

std::string_view CodeTableCharset(std::uint8_t table) {
  return table < kCharsets.size() ? kCharsets[table] : std::string_view{};
}

std::string CodeTableName(std::uint8_t table) {
  if (const auto item = ChoiceItem(SettingKey::CodePage, table)) {
    std::string name(item->en);
    while (!name.empty() && name.back() == ' ')
      name.pop_back();
    return name;
  }
  return "table " + std::to_string(table) + " (not in the list)";
}

std::string PageSetup::Words() const {
  std::string words = std::to_string(widthDots) + " dots, " + std::to_string(charsPerLine) +
                      " characters a line (" + std::to_string(cellWidth) + " dots each), font " +
                      (fontB ? "B" : "A") + ", ";
  switch (language) {
    case PrinterLanguage::English:
      words += "English, code page " + CodeTableName(codeTable);
      break;
    case PrinterLanguage::SimplifiedChinese:
      words += "Simplified Chinese (GBK), code page " + CodeTableName(codeTable);
      break;
    case PrinterLanguage::TraditionalChinese:
      words += "Traditional Chinese (Big5), code page " + CodeTableName(codeTable);
      break;
  }
  return words;
}

PageSetup SetupOf(const Printer& printer) {
  PageSetup setup;
  if (const auto width = printer.Stored(SettingKey::PrintWidth))
    setup.widthDots = *width == 1 ? 512 : 576;
  // The characters a line of the character-column list; without one the font's own 12 dots.
  setup.charsPerLine = setup.widthDots / 12;
  if (const auto columns = printer.Stored(SettingKey::CharsPerLine); columns && *columns <= 2)
    setup.charsPerLine = *columns == 1 ? 40 : 42;
  setup.cellWidth = setup.widthDots / setup.charsPerLine;
  if (const auto font = printer.Stored(SettingKey::Font))
    setup.fontB = *font == 1;
  if (const auto table = printer.Stored(SettingKey::CodePage))
    setup.codeTable = *table;
  if (const auto language = printer.Stored(SettingKey::Language)) {
    setup.language = *language == 0   ? PrinterLanguage::English
                     : *language == 2 ? PrinterLanguage::TraditionalChinese
                                      : PrinterLanguage::SimplifiedChinese;
  }
  if (const auto cr = printer.Stored(SettingKey::CarriageReturn))
    setup.carriageReturnPrints = *cr == 1;
  return setup;
}

std::u32string CodePoints(std::string_view utf8) {
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const int extra = byte < 0x80         ? 0
                      : (byte >> 5) == 6  ? 1
                      : (byte >> 4) == 14 ? 2
                      : (byte >> 3) == 30 ? 3
                                          : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= utf8.size()) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t code = extra == 0 ? char32_t{byte} : static_cast<char32_t>(byte & (0x3F >> extra));
    bool broken = false;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80)
        broken = true;
      code = (code << 6) | (next & 0x3F);
    }
    if (broken) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(code);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

Paper::Paper(CharsetConverter convert, GlyphSource* glyphs)
    : convert_(std::move(convert)), glyphs_(glyphs) {}

void Paper::Reset(const Printer& printer) {
  const int width = setup_.widthDots;
  setup_ = SetupOf(printer);
  if (open_)
    setup_.widthDots = width;  // the paper under way keeps its width
  style_ = Style{};
  style_.fontB = setup_.fontB;
  jobTable_.reset();
  chinese_ = setup_.language != PrinterLanguage::English;
  align_ = 0;
  lineSpacing_ = kDefaultLineSpacing;
  leftMargin_ = 0;
  areaWidth_ = 0;
  lead_.clear();
  line_.clear();
  x_ = 0;
}

int Paper::CellWidth(const Style& style) const {
  const int cell = style.fontB ? setup_.cellWidth * 3 / 4 : setup_.cellWidth;
  return std::max(1, cell);
}

int Paper::CellHeight(const Style& style) const {
  return (style.fontB ? kFontBHeight : kFontAHeight) * style.high;
}

int Paper::AreaLeft() const {
  return std::min(leftMargin_, setup_.widthDots - 1);
}

int Paper::AreaWidth() const {
  const int room = setup_.widthDots - AreaLeft();
  return areaWidth_ > 0 ? std::min(areaWidth_, room) : room;
}

int Paper::AlignedX(int width) const {
  const int room = std::max(0, AreaWidth() - width);
  return AreaLeft() + (align_ == 1 ? room / 2 : align_ == 2 ? room : 0);
}

void Paper::Open(PaperSink& sink) {
  if (open_)
    return;
  // A receipt takes the stored settings as they are when it starts.
  if (printer_ != nullptr)
    setup_ = SetupOf(*printer_);
  open_ = true;
  ++receipts_;
  page_ = StoredBitmap{static_cast<std::uint16_t>(setup_.widthDots / 8), 0, {}, {}};
  pageFull_ = false;
  charsets_.clear();
  sink.ReceiptBegin(receipts_, setup_);
  if (pendingFeed_ > 0) {
    const int feed = pendingFeed_;
    pendingFeed_ = 0;
    Feed(feed, sink);
  }
}

int Paper::Grow(int dots, PaperSink& sink) {
  const int top = page_.rows;
  const int room = kMaxRows - top;
  const int take = std::clamp(dots, 0, std::max(0, room));
  if (take < dots && !pageFull_) {
    pageFull_ = true;
    sink.ReceiptNote("the receipt is longer than " + std::to_string(kMaxRows) +
                     " dots: its picture ends here");
  }
  page_.rows = static_cast<std::uint16_t>(top + take);
  page_.raster.resize(std::size_t{page_.rows} * page_.rowBytes, 0);
  return top;
}

void Paper::Feed(int dots, PaperSink& sink) {
  if (dots <= 0)
    return;
  if (!open_) {
    pendingFeed_ = std::min(kMaxPendingFeed, pendingFeed_ + dots);
    return;
  }
  Grow(dots, sink);
  PrintedLine blank;
  blank.height = dots;
  sink.ReceiptLine(blank);
}

void Paper::AddCharacter(std::string_view bytes, int cells, PaperSink& sink) {
  const int width = cells * CellWidth(style_) * style_.wide;
  if (x_ + width > AreaWidth() && x_ > 0)
    PrintLine(true, 0, sink);  // the line is full: it prints, the text goes on below
  const std::string charset(chinese_ ? (setup_.language == PrinterLanguage::TraditionalChinese
                                            ? std::string_view("BIG5")
                                            : std::string_view("GBK"))
                                     : CodeTableCharset(jobTable_.value_or(setup_.codeTable)));
  if (!line_.empty()) {
    Piece& last = line_.back();
    const Style& s = last.style;
    if (!last.picture && last.x + last.width == x_ && last.chinese == chinese_ &&
        last.charset == charset && s.bold == style_.bold && s.underline == style_.underline &&
        s.reverse == style_.reverse && s.fontB == style_.fontB && s.wide == style_.wide &&
        s.high == style_.high) {
      last.bytes += bytes;
      last.width += width;
      x_ += width;
      return;
    }
  }
  if (line_.size() >= kMaxPieces)
    PrintLine(false, 0, sink);
  Piece piece;
  piece.x = x_;
  piece.width = width;
  piece.style = style_;
  piece.chinese = chinese_;
  piece.charset = charset;
  if (charset.empty())
    piece.tableName = CodeTableName(jobTable_.value_or(setup_.codeTable));
  piece.bytes = bytes;
  line_.push_back(std::move(piece));
  x_ += width;
}

void Paper::AddText(std::string_view bytes, PaperSink& sink) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (!lead_.empty()) {
      std::string character = lead_ + c;
      lead_.clear();
      AddCharacter(character, 2, sink);
    } else if (chinese_ && byte >= 0x81 && byte <= 0xFE) {
      lead_.push_back(c);
    } else {
      AddCharacter(std::string_view(&c, 1), 1, sink);
    }
  }
}

void Paper::AddPicture(StoredBitmap picture, PaperSink& sink) {
  const int width = picture.rowBytes * 8;
  if (x_ + width > AreaWidth() && x_ > 0)
    PrintLine(true, 0, sink);
  if (line_.size() >= kMaxPieces)
    PrintLine(false, 0, sink);
  Piece piece;
  piece.x = x_;
  piece.width = width;
  piece.picture = std::move(picture);
  line_.push_back(std::move(piece));
  x_ += width;
}

void Paper::PrintLine(bool feed, int height, PaperSink& sink) {
  lead_.clear();
  if (line_.empty()) {
    x_ = 0;
    if (feed)
      Feed(height > 0 ? height : lineSpacing_, sink);
    return;
  }
  Open(sink);
  PrintedLine line;
  int right = 0;
  int tallest = 0;
  for (const Piece& piece : line_) {
    right = std::max(right, piece.x + piece.width);
    tallest = std::max(tallest, piece.picture ? piece.picture->rows : CellHeight(piece.style));
  }
  const int shift = AlignedX(right);
  for (Piece& piece : line_) {
    LineRun run;
    run.x = shift + piece.x;
    run.width = piece.width;
    if (piece.picture) {
      run.height = piece.picture->rows;
      run.picture = std::move(piece.picture);
    } else {
      run.height = CellHeight(piece.style);
      run.cell = CellWidth(piece.style);
      run.wide = piece.style.wide;
      run.high = piece.style.high;
      run.bold = piece.style.bold;
      run.underline = piece.style.underline;
      run.reverse = piece.style.reverse;
      run.chinese = piece.chinese;
      if (!piece.charset.empty() && convert_) {
        run.text = convert_(piece.charset, piece.bytes);
      } else {
        for (const char c : piece.bytes)
          run.text += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : "\xEF\xBF\xBD";
      }
      charsets_.insert(piece.charset.empty() ? piece.tableName + " (characters not known here)"
                                             : piece.charset);
    }
    line.runs.push_back(std::move(run));
  }
  for (LineRun& run : line.runs)
    run.y = tallest - run.height;
  line.height = std::max(height > 0 ? height : lineSpacing_, tallest);
  const int top = Grow(line.height, sink);
  Draw(line, top);
  sink.ReceiptLine(line);
  line_.clear();
  x_ = 0;
}

void Paper::DrawPicture(const StoredBitmap& picture, int x, int top) {
  // Nothing is drawn past the end of the page.
  for (int y = 0; y < picture.rows && top + y < page_.rows; ++y) {
    for (int dx = 0; dx < picture.rowBytes * 8; ++dx) {
      if (Dot(picture, dx, y))
        SetDot(page_, x + dx, top + y);
    }
  }
}

void Paper::Draw(const PrintedLine& line, int top) {
  for (const LineRun& run : line.runs) {
    const int y0 = top + run.y;
    if (run.picture) {
      DrawPicture(*run.picture, run.x, y0);
      continue;
    }
    int x = run.x;
    const int baseHeight = run.height / run.high;
    for (const char32_t code : CodePoints(run.text)) {
      const int cells = run.chinese && code >= 0x80 ? 2 : 1;
      const int baseWidth = run.cell * cells;
      const int width = baseWidth * run.wide;
      if (run.reverse) {
        for (int y = 0; y < run.height; ++y)
          for (int dx = 0; dx < width; ++dx)
            SetDot(page_, x + dx, y0 + y);
      }
      const Glyph* glyph = glyphs_ != nullptr ? glyphs_->Get(code, baseWidth, baseHeight) : nullptr;
      if (glyph != nullptr) {
        for (int gy = 0; gy < glyph->height; ++gy) {
          for (int gx = 0; gx < glyph->width; ++gx) {
            if (glyph->dots[static_cast<std::size_t>(gy * glyph->width + gx)] == 0)
              continue;
            for (int sy = 0; sy < run.high; ++sy) {
              for (int sx = 0; sx < run.wide + (run.bold ? 1 : 0); ++sx) {
                const int px = x + gx * run.wide + sx;
                const int py = y0 + gy * run.high + sy;
                if (run.reverse)
                  FlipDot(page_, px, py);
                else
                  SetDot(page_, px, py);
              }
            }
          }
        }
      }
      if (run.underline) {
        for (int dx = 0; dx < width; ++dx)
          SetDot(page_, x + dx, y0 + run.height - 1);
      }
      x += width;
    }
  }
}

void Paper::PrintImage(StoredBitmap image, std::optional<std::size_t> slot,
                       std::string_view caption, PaperSink& sink) {
  PrintLine(false, 0, sink);
  Open(sink);
  const int x = AlignedX(image.rowBytes * 8);
  const int top = Grow(image.rows, sink);
  const int room = page_.rows - top;
  if (room <= 0) {
    sink.ReceiptNote(std::string(caption) + ": not printed, the receipt is full");
    return;
  }
  if (room < image.rows) {
    // Only what went on the page is drawn and kept.
    image.rows = static_cast<std::uint16_t>(room);
    image.raster.resize(std::size_t{image.rowBytes} * image.rows);
  }
  DrawPicture(image, x, top);
  sink.ReceiptPicture(image, slot, x, caption);
}

void Paper::PrintLabel(const std::string& text, PaperSink& sink) {
  PrintLine(false, 0, sink);
  Open(sink);
  PrintedLine line;
  LineRun run;
  run.text = "[" + text + "]";
  run.cell = setup_.cellWidth;
  run.height = kFontAHeight;
  run.width = static_cast<int>(CodePoints(run.text).size()) * run.cell;
  run.x = AlignedX(run.width);
  run.label = true;
  line.runs.push_back(run);
  line.height = std::max(lineSpacing_, run.height);
  const int top = Grow(line.height, sink);
  Draw(line, top);
  sink.ReceiptLine(line);
}

void Paper::Cut(std::string_view how, PaperSink& sink) {
  PrintLine(false, 0, sink);
  pendingFeed_ = 0;
  if (!open_) {
    sink.ReceiptNote(std::string(how) + ": nothing printed since the last cut");
    return;
  }
  std::string with;
  for (const std::string& charset : charsets_)
    with += (with.empty() ? "" : ", ") + charset;
  sink.ReceiptEnd(receipts_, page_, how, with);
  open_ = false;
  page_ = StoredBitmap{};
}

void Paper::Finish(PaperSink& sink) {
  PrintLine(false, 0, sink);
  if (open_)
    Cut("not cut: the printer stopped", sink);
}

void Paper::Take(const Command& c, const Printer& printer, PaperSink& sink) {
  using Kind = Command::Kind;
  printer_ = &printer;
  if (!started_) {
    started_ = true;
    Reset(printer);
  }
  switch (c.kind) {
    case Kind::TextLine:
      AddText(c.text, sink);
      // A carriage return prints the line unless the printer is set to ignore it.
      if (c.value != 0x0D || setup_.carriageReturnPrints)
        PrintLine(true, 0, sink);
      return;
    case Kind::Text:
      AddText(c.text, sink);
      return;
    case Kind::Cut:
      return CutBy(c, sink);
    case Kind::PrintStoredBitmap:
      return PrintSlot(c.value, printer, sink);
    case Kind::CashDrawer:
      sink.ReceiptNote("cash drawer opened");
      return;
    case Kind::FeedToNextPosition:
      PrintLine(false, 0, sink);
      sink.ReceiptNote("fed to the next print start position");
      return;
    case Kind::AlignmentTest:
      sink.ReceiptNote("bidirectional alignment test printed");
      return;
    case Kind::SetupEnd:
      // The new settings take effect: the print starts over from them.
      PrintLine(false, 0, sink);
      Reset(printer);
      return;
    case Kind::Print:
      return TakePrint(c, printer, sink);
    default:
      return;
  }
}

void Paper::CutBy(const Command& c, PaperSink& sink) {
  const std::uint8_t m = c.value;
  const bool partial = m == 1 || m == 49 || m == 66 || m == 98 || m == 104 || m == 'm';
  std::string how = partial ? "partial cut" : "full cut";
  if (m == 65 || m == 66 || (m >= 97 && m <= 104)) {
    PrintLine(false, 0, sink);
    Feed(c.count, sink);
    how += " after a feed of " + std::to_string(c.count) + " dots";
  }
  Cut(how, sink);
}

void Paper::PrintSlot(std::uint8_t slot, const Printer& printer, PaperSink& sink) {
  const std::string caption = "stored bitmap, slot " + std::to_string(slot + 1);
  if (slot < 8 && printer.Slot(slot))
    PrintImage(*printer.Slot(slot), slot, caption, sink);
  else
    sink.ReceiptNote(caption + ": empty, nothing printed");
}

void Paper::TakePrint(const Command& c, const Printer& printer, PaperSink& sink) {
  switch (c.op) {
    case PrintOp::Initialise:
      // The buffer's unprinted data is discarded.
      line_.clear();
      Reset(printer);
      return;
    case PrintOp::FeedLines:
    case PrintOp::FeedDots:
      return FeedBy(c, sink);
    case PrintOp::Align:
    case PrintOp::Emphasis:
    case PrintOp::Underline:
    case PrintOp::PrintMode:
    case PrintOp::CharacterSize:
    case PrintOp::Reverse:
    case PrintOp::CodeTable:
    case PrintOp::ChineseOn:
    case PrintOp::ChineseOff:
    case PrintOp::Font:
    case PrintOp::LineSpacing:
    case PrintOp::DefaultLineSpacing:
      return SetMode(c);
    case PrintOp::AbsolutePosition:
    case PrintOp::RelativePosition:
    case PrintOp::LeftMargin:
    case PrintOp::AreaWidth:
    case PrintOp::Tab:
      return Move(c);
    case PrintOp::Raster:
    case PrintOp::BitImage:
    case PrintOp::GraphicsStore:
    case PrintOp::GraphicsPrint:
    case PrintOp::Barcode:
    case PrintOp::TwoDStore:
    case PrintOp::TwoDPrint:
      return PrintGraphics(c, sink);
    case PrintOp::Ignored:
      return;
  }
}

void Paper::FeedBy(const Command& c, PaperSink& sink) {
  const int n = c.value;
  if (c.op == PrintOp::FeedLines) {
    if (!line_.empty()) {
      PrintLine(false, 0, sink);
      Feed((n - 1) * lineSpacing_, sink);
    } else {
      Feed(n * lineSpacing_, sink);
    }
  } else if (!line_.empty()) {
    PrintLine(false, n, sink);
  } else {
    Feed(n, sink);
  }
}

void Paper::SetMode(const Command& c) {
  const int n = c.value;
  switch (c.op) {
    case PrintOp::Align:
      align_ = (n == 1 || n == '1') ? 1 : (n == 2 || n == '2') ? 2 : 0;
      return;
    case PrintOp::Emphasis:
      style_.bold = (n & 1) != 0;
      return;
    case PrintOp::Underline:
      style_.underline = (n & 3) != 0;
      return;
    case PrintOp::PrintMode:
      style_.fontB = (n & 1) != 0;
      style_.bold = (n & 8) != 0;
      style_.high = (n & 16) != 0 ? 2 : 1;
      style_.wide = (n & 32) != 0 ? 2 : 1;
      style_.underline = (n & 128) != 0;
      return;
    case PrintOp::CharacterSize:
      style_.wide = ((n >> 4) & 7) + 1;
      style_.high = (n & 7) + 1;
      return;
    case PrintOp::Reverse:
      style_.reverse = (n & 1) != 0;
      return;
    case PrintOp::CodeTable:
      jobTable_ = c.value;
      return;
    case PrintOp::ChineseOn:
    case PrintOp::ChineseOff:
      chinese_ = c.op == PrintOp::ChineseOn;
      if (!chinese_)
        lead_.clear();
      return;
    case PrintOp::Font:
      style_.fontB = n == 1 || n == '1';
      return;
    case PrintOp::LineSpacing:
    case PrintOp::DefaultLineSpacing:
      lineSpacing_ = c.op == PrintOp::LineSpacing ? n : kDefaultLineSpacing;
      return;
    default:
      return;
  }
}

void Paper::Move(const Command& c) {
  switch (c.op) {
    case PrintOp::AbsolutePosition:
      if (c.count < AreaWidth())
        x_ = c.count;
      return;
    case PrintOp::RelativePosition: {
      const int moved = x_ + static_cast<std::int16_t>(c.count);
      if (moved >= 0 && moved < AreaWidth())
        x_ = moved;
      return;
    }
    case PrintOp::LeftMargin:
      if (line_.empty())
        leftMargin_ = c.count;
      return;
    case PrintOp::AreaWidth:
      if (line_.empty())
        areaWidth_ = c.count;
      return;
    case PrintOp::Tab: {
      const int stop = CellWidth(style_) * style_.wide * 8;
      const int next = (x_ / stop + 1) * stop;
      if (next < AreaWidth())
        x_ = next;
      return;
    }
    default:
      return;
  }
}

void Paper::PrintGraphics(const Command& c, PaperSink& sink) {
  const int n = c.value;
  switch (c.op) {
    case PrintOp::Raster: {
      const int scale = n & 3;
      StoredBitmap image{c.rowBytes, c.rows, c.raster, {}};
      PrintImage(Scaled(image, (scale & 1) != 0 ? 2 : 1, (scale & 2) != 0 ? 2 : 1), std::nullopt,
                 "raster image", sink);
      return;
    }
    case PrintOp::BitImage:
      AddPicture(BitImageBand(c), sink);
      return;
    case PrintOp::GraphicsStore:
      graphics_ = StoredBitmap{c.rowBytes, c.rows, c.raster, {}};
      return;
    case PrintOp::GraphicsPrint:
      if (graphics_)
        PrintImage(*graphics_, std::nullopt, "graphics", sink);
      return;
    case PrintOp::Barcode:
      PrintLabel("barcode " + BarcodeName(c.value) + ": " + EscapeNonAscii(c.text), sink);
      return;
    case PrintOp::TwoDStore:
      symbol_ = c.text;
      return;
    case PrintOp::TwoDPrint: {
      const std::string kind = n == 0x31 ? "QR code" : n == 0x30 ? "PDF417 code" : "2D code";
      PrintLabel(kind + ": " + EscapeNonAscii(symbol_), sink);
      return;
    }
    default:
      return;
  }
}

}  // namespace vantrel::sim
