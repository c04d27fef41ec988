#pragma once

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "sim/printer.h"

namespace vantrel::sim {

// Writes a raster as a two-colour PNG: dots black, paper white. False when the file cannot be
// written.
bool WritePng(const std::filesystem::path& path, const StoredBitmap& bitmap);

// Shows what the printer was told: log.txt (and the console), PNGs of stored and printed bitmaps
// and the receipt journal, journal.html, all in one output folder.
class Recorder {
 public:
  Recorder(std::filesystem::path dir, bool quiet, std::ostream& console, TextConverter toUtf8);

  const std::filesystem::path& Dir() const { return dir_; }
  const TextConverter& ToUtf8() const { return toUtf8_; }

  void Log(const std::string& line);

  // Saves a bitmap as "<kind>-<sequence>-slot<n>.png" and returns the file name.
  std::string SaveBitmap(std::string_view kind, std::size_t slot, const StoredBitmap& bitmap);

  // The receipt journal, in the order the printer did things.
  void JournalText(std::string_view printerBytes);
  void JournalImage(const std::string& png, std::string_view caption);
  void JournalCut();
  void JournalNote(std::string_view note);

 private:
  void JournalAppend(const std::string& html);

  std::filesystem::path dir_;
  bool quiet_;
  std::ostream& console_;
  TextConverter toUtf8_;
  std::ofstream log_;
  std::ofstream journal_;
  int sequence_ = 0;
};

}  // namespace vantrel::sim
