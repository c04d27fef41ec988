#include "sim/recorder.h"

#include <png.h>

#include <cstdio>
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
body { background: #ddd; font-family: "WenQuanYi Micro Hei Mono", "DejaVu Sans Mono", monospace; }
.paper { background: #fff; width: 576px; margin: 16px auto; padding: 12px 8px; box-shadow: 0 1px 4px #888; }
.line { white-space: pre; font-size: 20px; line-height: 26px; min-height: 26px; }
.image img { display: block; image-rendering: pixelated; }
.caption, .note { font: 12px sans-serif; color: #777; margin: 4px 0; }
.cut { border-top: 2px dashed #999; margin: 14px -8px; position: relative; }
.cut::after { content: "\2702\00a0cut"; position: absolute; right: 4px; top: -9px; background: #fff;
  font: 12px sans-serif; color: #777; padding: 0 4px; }
</style></head><body><div class="paper">
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

bool WritePng(const std::filesystem::path& path, const StoredBitmap& bitmap) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                       &std::fclose);
  if (!file)
    return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr)
    return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  WritePngBody(png, info, file.get(), bitmap);
  png_destroy_write_struct(&png, &info);
  return true;
}

Recorder::Recorder(std::filesystem::path dir, bool quiet, std::ostream& console,
                   TextConverter toUtf8)
    : dir_(std::move(dir)), quiet_(quiet), console_(console), toUtf8_(std::move(toUtf8)) {
  std::filesystem::create_directories(dir_);
  log_.open(dir_ / "log.txt", std::ios::out | std::ios::trunc);
  journal_.open(dir_ / "journal.html", std::ios::out | std::ios::trunc);
  journal_ << kJournalHead;
  journal_.flush();
}

void Recorder::Log(const std::string& line) {
  log_ << line << '\n';
  log_.flush();
  if (!quiet_)
    console_ << line << std::endl;
}

std::string Recorder::SaveBitmap(std::string_view kind, std::size_t slot,
                                 const StoredBitmap& bitmap) {
  char name[64];
  std::snprintf(name, sizeof name, "%.*s-%03d-slot%zu.png", static_cast<int>(kind.size()),
                kind.data(), ++sequence_, slot + 1);
  if (!WritePng(dir_ / name, bitmap))
    Log(std::string("could not write ") + name);
  return name;
}

void Recorder::JournalAppend(const std::string& html) {
  journal_ << html << '\n';
  journal_.flush();
}

void Recorder::JournalText(std::string_view printerBytes) {
  JournalAppend("<div class=\"line\">" + HtmlEscape(toUtf8_(printerBytes)) + "</div>");
}

void Recorder::JournalImage(const std::string& png, std::string_view caption) {
  JournalAppend("<div class=\"image\"><div class=\"caption\">" + HtmlEscape(caption) +
                "</div><img src=\"" + HtmlEscape(png) + "\" alt=\"" + HtmlEscape(caption) +
                "\"></div>");
}

void Recorder::JournalCut() {
  JournalAppend("<div class=\"cut\"></div>");
}

void Recorder::JournalNote(std::string_view note) {
  JournalAppend("<div class=\"note\">" + HtmlEscape(note) + "</div>");
}

}  // namespace vantrel::sim
