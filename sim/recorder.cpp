#include "sim/recorder.h"

#include <png.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

namespace vantrel::sim {
namespace {

std::string HtmlEscape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

constexpr std::string_view kJournalHead = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>vantrel-sim receipt journal</title>
<style>
body { background: #cfcac0; margin: 0; padding: 16px;
  font-family: "WenQuanYi Micro Hei Mono", "DejaVu Sans Mono", monospace; }
.receipt { width: fit-content; margin: 8px auto 32px; }
.settings, .caption, .note { font: 12px sans-serif; color: #555; margin: 4px 0; max-width: 576px; }
.paper { background: #fff; width: 576px; padding: 12px 0 4px; box-shadow: 0 2px 4px #999; }
.line { position: relative; white-space: pre; font-size: 24px; line-height: 1; min-height: 1px; }
.line span { position: absolute; transform-origin: 0 0; color: #111; }
.line .b { font-weight: bold; }
.line .u { text-decoration: underline; }
.line .r { background: #111; color: #fff; }
.line .label { font-family: sans-serif; font-weight: bold; outline: 1px solid #111; }
.line .picture { background: repeating-linear-gradient(45deg, #333 0 2px, #fff 2px 4px); }
.image img { display: block; image-rendering: pixelated; }
.paper > .note { padding: 0 8px; }
.cut { height: 10px; width: 576px;
  background: linear-gradient(45deg, #fff 50%, transparent 50%) 0 0 / 12px 10px repeat-x,
              linear-gradient(-45deg, #fff 50%, transparent 50%) 0 0 / 12px 10px repeat-x; }
.receipt > .settings a { color: #555; }
</style>
<script>
// Each run of text is as wide on the screen as on the paper, whatever font the browser has.
addEventListener("DOMContentLoaded", () => {
  for (const run of document.querySelectorAll(".line span[data-w]")) {
    const natural = run.getBoundingClientRect().width;
    if (natural > 0)
      run.style.transform = `scale(${run.dataset.w / natural}, ${run.dataset.h})`;
  }
});
</script></head><body>
)";

}  // namespace

namespace {

// The rows of the image; libpng reports a failure by a long jump back to WritePng.
void WritePngBody(png_structp png, png_infop info, std::FILE* file, const StoredBitmap& bitmap) {
  png_init_io(png, file);
  // A PNG image needs at least one dot each way; an empty bitmap shows as one blank dot.
  const png_uint_32 width = std::max<png_uint_32>(1, png_uint_32{bitmap.rowBytes} * 8);
  const png_uint_32 height = std::max<png_uint_32>(1, bitmap.rows);
  png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // In a one-bit grey PNG 0 is black; a printed dot is 1 in the raster.
  png_set_invert_mono(png);
  std::vector<png_byte> row((width + 7) / 8, 0);
  for (png_uint_32 y = 0; y < height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    if (y < bitmap.rows) {
      const std::size_t start = std::size_t{y} * bitmap.rowBytes;
      for (std::size_t x = 0; x < bitmap.rowBytes && start + x < bitmap.raster.size(); ++x)
        row[x] = bitmap.raster[start + x];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
}

}  // namespace

bool WritePng(std::FILE* file, const StoredBitmap& bitmap) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr)
    return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  WritePngBody(png, info, file, bitmap);
  png_destroy_write_struct(&png, &info);
  return std::fflush(file) == 0 && std::ferror(file) == 0;
}

bool WritePng(const std::filesystem::path& path, const StoredBitmap& bitmap) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                       &std::fclose);
  return file && WritePng(file.get(), bitmap);
}

std::uint64_t PngBound(const StoredBitmap& bitmap) {
  const std::uint64_t width = std::max<std::uint64_t>(1, bitmap.rowBytes);
  const std::uint64_t rows = std::max<std::uint64_t>(1, bitmap.rows);
  // A filter byte a row, deflate's stored blocks (5 bytes in 65535), the chunks around them.
  const std::uint64_t raw = rows * (width + 1);
  return raw + raw / 65535 * 5 + 1024;
}

namespace {

// FNV-1a over a picture's size and dots: pictures with the same digest are the same picture.
std::uint64_t Digest(const StoredBitmap& bitmap) {
  std::uint64_t hash = 14695981039346656037ull;
  auto add = [&](std::uint8_t byte) {
    hash ^= byte;
    hash *= 1099511628211ull;
  };
  for (const int shift : {0, 8})
    add(static_cast<std::uint8_t>(bitmap.rowBytes >> shift));
  for (const int shift : {0, 8})
    add(static_cast<std::uint8_t>(bitmap.rows >> shift));
  for (const std::uint8_t byte : bitmap.raster)
    add(byte);
  return hash;
}

}  // namespace

Recorder::Recorder(std::filesystem::path dir, bool quiet, std::ostream& console,
                   TextConverter toUtf8, OutputOpener open, OutputBudget budget)
    : dir_(std::move(dir)),
      quiet_(quiet),
      console_(console),
      toUtf8_(std::move(toUtf8)),
      open_(std::move(open)),
      budget_(budget) {
  if (!open_) {
    std::filesystem::create_directories(dir_);
    open_ = [this](const std::string& name) { return std::fopen((dir_ / name).c_str(), "wb"); };
  }
  log_ = open_("log.txt");
  journal_ = open_("journal.html");
  if (log_ == nullptr || journal_ == nullptr)
    std::cerr << "vantrel-sim: cannot write the log and the journal in " << dir_.string() << '\n';
  Put(journal_, kJournalHead, "journal.html");
}

Recorder::~Recorder() {
  for (std::FILE* file : {log_, journal_}) {
    if (file != nullptr && std::fclose(file) != 0 && !writeFailed_) {
      writeFailed_ = true;
      std::cerr << "vantrel-sim: the last lines of the log or the journal were not written\n";
    }
  }
}

bool Recorder::Fits(std::uint64_t bytes, const std::string& what) {
  if (written_ + bytes <= budget_.totalBytes)
    return true;
  if (!budgetSpent_) {
    budgetSpent_ = true;
    const std::string note = "the output folder's budget of " + std::to_string(budget_.totalBytes) +
                             " bytes is spent: nothing more is written there (" + what + ")";
    if (log_ != nullptr) {
      std::fputs((note + "\n").c_str(), log_);
      std::fflush(log_);
    }
    std::cerr << "vantrel-sim: " << note << '\n';
  }
  return false;
}

bool Recorder::Put(std::FILE* file, std::string_view text, const char* what) {
  if (file == nullptr || !Fits(text.size(), what))
    return false;
  // Written out by Flush, once a round of the printer's loop, not a system call a line.
  const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written_ += text.size();
  if (!ok)
    WriteFailed(what);
  return ok;
}

void Recorder::WriteFailed(const char* what) {
  if (writeFailed_)
    return;
  writeFailed_ = true;
  std::cerr << "vantrel-sim: could not write " << what << " in " << dir_.string()
            << " (is the disk full?)\n";
}

void Recorder::Flush() {
  if (log_ != nullptr && std::fflush(log_) != 0)
    WriteFailed("log.txt");
  if (journal_ != nullptr && std::fflush(journal_) != 0)
    WriteFailed("journal.html");
}

void Recorder::Log(const std::string& line) {
  if (!quiet_)
    console_ << line << std::endl;
  if (logFull_)
    return;
  if (logWritten_ + line.size() + 1 > budget_.logBytes) {
    logFull_ = true;
    Put(log_,
        "log.txt is full (" + std::to_string(budget_.logBytes) +
            " bytes): nothing more is logged\n",
        "log.txt");
    return;
  }
  logWritten_ += line.size() + 1;
  Put(log_, line + "\n", "log.txt");
}

std::string Recorder::SaveBitmap(std::string_view kind, std::size_t slot,
                                 const StoredBitmap& bitmap) {
  char name[64];
  std::snprintf(name, sizeof name, "%.*s-%03d-slot%zu.png", static_cast<int>(kind.size()),
                kind.data(), ++sequence_, slot + 1);
  return SavePicture(name, bitmap) ? name : "";
}

void Recorder::JournalAppend(const std::string& html) {
  if (journalFull_)
    return;
  if (journalBytes_ + html.size() > kMaxJournalBytes) {
    journalFull_ = true;
    Put(journal_, "<div class=\"note\">the journal is full: nothing more is shown</div>\n",
        "journal.html");
    Log("journal.html is full (" + std::to_string(kMaxJournalBytes) + " bytes)");
    return;
  }
  journalBytes_ += html.size() + 1;
  Put(journal_, html + "\n", "journal.html");
}

bool Recorder::SavePicture(const std::string& name, const StoredBitmap& bitmap) {
  if (pictures_ >= kMaxPictures) {
    if (pictures_ == kMaxPictures)
      Log("no more pictures are written (" + std::to_string(kMaxPictures) + " written)");
    ++pictures_;
    return false;
  }
  if (!Fits(PngBound(bitmap), name))
    return false;
  ++pictures_;
  std::FILE* file = open_(name);
  bool ok = file != nullptr && WritePng(file, bitmap);
  if (file != nullptr) {
    const long size = std::ftell(file);
    written_ += size > 0 ? static_cast<std::uint64_t>(size) : 0;
    ok = std::fclose(file) == 0 && ok;
  }
  if (!ok) {
    Log("could not write " + name);
    return false;
  }
  saved_[Digest(bitmap)] = name;
  return true;
}

void Recorder::ReceiptBegin(int number, const PageSetup& setup) {
  paperWidth_ = setup.widthDots;
  JournalAppend("<section class=\"receipt\" id=\"receipt-" + std::to_string(number) +
                "\"><div class=\"settings\">Receipt " + std::to_string(number) + ": " +
                HtmlEscape(setup.Words()) + "</div><div class=\"paper\" style=\"width:" +
                std::to_string(setup.widthDots) + "px\">");
}

void Recorder::ReceiptLine(const PrintedLine& line) {
  std::string html = "<div class=\"line\" style=\"height:" + std::to_string(line.height) + "px\">";
  for (const LineRun& run : line.runs) {
    const std::string place =
        "left:" + std::to_string(run.x) + "px;top:" + std::to_string(run.y) + "px;";
    if (run.picture) {
      html += "<span class=\"picture\" title=\"bit image: see the receipt's PNG\" style=\"" +
              place + "width:" + std::to_string(run.width) +
              "px;height:" + std::to_string(run.height) + "px\"></span>";
      continue;
    }
    std::string classes = run.label ? "label" : "";
    for (const auto& [on, name] :
         {std::pair{run.bold, "b"}, std::pair{run.underline, "u"}, std::pair{run.reverse, "r"}}) {
      if (on)
        classes += (classes.empty() ? "" : " ") + std::string(name);
    }
    // A cell of the paper is run.cell dots; the page's font draws a half-width character in half
    // its height.
    const int base = run.height / run.high;
    const std::string style = place + "font-size:" + std::to_string(base) + "px";
    const std::string fit = run.label ? std::string()
                                      : " data-w=\"" + std::to_string(run.width) + "\" data-h=\"" +
                                            std::to_string(run.high) + "\"";
    html += "<span" + (classes.empty() ? std::string() : " class=\"" + classes + "\"") + fit +
            " style=\"" + style + "\">" + HtmlEscape(run.text) + "</span>";
  }
  JournalAppend(html + "</div>");
}

void Recorder::ReceiptPicture(const StoredBitmap& picture, std::optional<std::size_t> slot, int x,
                              std::string_view caption) {
  std::string name;
  // A picture already saved (the stored bitmap a slot prints as it is) is not saved again.
  if (const auto found = saved_.find(Digest(picture)); found != saved_.end()) {
    name = found->second;
  } else if (slot) {
    name = SaveBitmap("printed", *slot, picture);
  } else {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "image-%03d.png", ++sequence_);
    name = buffer;
    if (!SavePicture(name, picture))
      name.clear();
  }
  JournalAppend("<div class=\"image\" style=\"margin-left:" + std::to_string(x) +
                "px\"><div class=\"caption\">" + HtmlEscape(caption) + "</div><img src=\"" +
                HtmlEscape(name) + "\" alt=\"" + HtmlEscape(caption) + "\"></div>");
}

void Recorder::ReceiptNote(std::string_view note) {
  JournalNote(note);
}

void Recorder::ReceiptEnd(int number, const StoredBitmap& page, std::string_view ending,
                          std::string_view printedWith) {
  char name[32];
  std::snprintf(name, sizeof name, "receipt-%03d.png", number);
  const bool saved = SavePicture(name, page);
  JournalAppend(
      "</div><div class=\"cut\" title=\"" + HtmlEscape(ending) +
      "\" style=\"width:" + std::to_string(paperWidth_) + "px\"></div><div class=\"settings\">" +
      HtmlEscape(ending) + (printedWith.empty() ? "" : "; text in ") + HtmlEscape(printedWith) +
      (saved ? std::string("; <a href=\"") + name + "\">" + name + "</a>" : std::string()) +
      "</div></section>");
  Log("receipt " + std::to_string(number) + " " + std::string(ending) + ": " +
      (saved ? std::string(name) : std::string("(no picture)")) + ", " + std::to_string(page.rows) +
      " dots long");
}

void Recorder::JournalNote(std::string_view note) {
  JournalAppend("<div class=\"note\">" + HtmlEscape(note) + "</div>");
}

}  // namespace vantrel::sim
