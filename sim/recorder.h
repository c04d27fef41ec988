#pragma once

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "sim/paper.h"
#include "sim/printer.h"

namespace vantrel::sim {

// Writes a raster as a two-colour PNG: dots black, paper white. False when the file cannot be
// written.
bool WritePng(const std::filesystem::path& path, const StoredBitmap& bitmap);

// Shows what the printer was told: log.txt (and the console), PNGs of stored and printed bitmaps
// and the receipt journal, journal.html, all in one output folder.
class Recorder : public PaperSink {
 public:
  // What the output folder may take: the journal's bytes and the number of pictures.
  static constexpr std::size_t kMaxJournalBytes = std::size_t{32} << 20;
  static constexpr int kMaxPictures = 2000;

  Recorder(std::filesystem::path dir, bool quiet, std::ostream& console, TextConverter toUtf8);

  const std::filesystem::path& Dir() const { return dir_; }
  const TextConverter& ToUtf8() const { return toUtf8_; }

  void Log(const std::string& line);

  // Saves a bitmap as "<kind>-<sequence>-slot<n>.png" and returns the file name.
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

  std::filesystem::path dir_;
  bool quiet_;
  std::ostream& console_;
  TextConverter toUtf8_;
  std::ofstream log_;
  std::ofstream journal_;
  int sequence_ = 0;
  std::size_t journalBytes_ = 0;
  bool journalFull_ = false;
  int pictures_ = 0;
  int paperWidth_ = 576;
};

}  // namespace vantrel::sim
