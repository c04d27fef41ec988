#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "sim/paper.h"
#include "sim/printer.h"

namespace vantrel::sim {

// Writes a raster as a two-colour PNG: dots black, paper white. False when the file cannot be
// written.
bool WritePng(const std::filesystem::path& path, const StoredBitmap& bitmap);
bool WritePng(std::FILE* file, const StoredBitmap& bitmap);

// The most bytes a PNG of the bitmap can take (rows stored uncompressed at the worst).
std::uint64_t PngBound(const StoredBitmap& bitmap);

// Opens a file of the output folder by its name for writing, truncated; null when it cannot.
using OutputOpener = std::function<std::FILE*(const std::string& name)>;

// What the output folder may take altogether (log, journal and pictures), and the log of it.
struct OutputBudget {
  std::uint64_t totalBytes = std::uint64_t{256} << 20;
  std::uint64_t logBytes = std::uint64_t{16} << 20;
};

// Shows what the printer was told: log.txt (and the console), PNGs of stored and printed bitmaps
// and the receipt journal, journal.html, all in one output folder.
class Recorder : public PaperSink {
 public:
  // What the output folder may take: the journal's bytes and the number of pictures.
  static constexpr std::size_t kMaxJournalBytes = std::size_t{32} << 20;
  static constexpr int kMaxPictures = 2000;

  // `open` opens the folder's files (by default plainly, by their path in `dir`).
  Recorder(std::filesystem::path dir, bool quiet, std::ostream& console, TextConverter toUtf8,
           OutputOpener open = {}, OutputBudget budget = {});
  ~Recorder() override;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Bytes written to the output folder so far.
  std::uint64_t Written() const { return written_; }

  const std::filesystem::path& Dir() const { return dir_; }
  const TextConverter& ToUtf8() const { return toUtf8_; }

  void Log(const std::string& line);
  // Hands what was logged and journalled to the files (a write failure is reported once).
  void Flush();

  // Saves a bitmap as "<kind>-<sequence>-slot<n>.png" and returns the file name, empty when it
  // was not saved (the folder's budget, the number of pictures).
  std::string SaveBitmap(std::string_view kind, std::size_t slot, const StoredBitmap& bitmap);

  // A note in the receipt journal, in the order the printer did things.
  void JournalNote(std::string_view note);

  // The paper, receipt by receipt: lines placed as printed, pictures, the cut as a torn edge and
  // a PNG of the whole receipt.
  void ReceiptBegin(int number, const PageSetup& setup) override;
  void ReceiptLine(const PrintedLine& line) override;
  void ReceiptPicture(const StoredBitmap& picture, std::optional<std::size_t> slot, int x,
                      std::string_view caption) override;
  void ReceiptNote(std::string_view note) override;
  void ReceiptEnd(int number, const StoredBitmap& page, std::string_view ending,
                  std::string_view printedWith) override;

 private:
  void JournalAppend(const std::string& html);
  bool SavePicture(const std::string& name, const StoredBitmap& bitmap);
  // Writes to an open file of the folder within the budget; false (reported once) when not.
  bool Put(std::FILE* file, std::string_view text, const char* what);
  bool Fits(std::uint64_t bytes, const std::string& what);
  void WriteFailed(const char* what);

  std::filesystem::path dir_;
  bool quiet_;
  std::ostream& console_;
  TextConverter toUtf8_;
  OutputOpener open_;
  OutputBudget budget_;
  std::FILE* log_ = nullptr;
  std::FILE* journal_ = nullptr;
  std::uint64_t written_ = 0;
  std::uint64_t logWritten_ = 0;
  bool logFull_ = false;
  bool budgetSpent_ = false;
  bool writeFailed_ = false;
  // The pictures saved so far, by a digest of their size and dots: one file each.
  std::map<std::uint64_t, std::string> saved_;
  int sequence_ = 0;
  std::size_t journalBytes_ = 0;
  bool journalFull_ = false;
  int pictures_ = 0;
  int paperWidth_ = 576;
};

}  // namespace vantrel::sim
