#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "base/bytes.h"
#include "sim/decoder.h"

namespace vantrel::sim {

// Turns printer text (GBK on Chinese systems) into UTF-8 for people.
using TextConverter = std::function<std::string(std::string_view)>;

// Keeps printable ASCII and shows every other byte as \xNN; for when no converter is at hand.
std::string EscapeNonAscii(std::string_view bytes);

enum class Parity { None, Odd, Even };

std::string_view ParityName(Parity parity);  // "none", "odd", "even"
std::optional<Parity> ParseParity(std::string_view name);

// A serial line as the printer itself runs it.
struct SerialLine {
  int baud = 9600;
  Parity parity = Parity::None;
  int dataBits = 8;
  bool rtsCts = false;
  friend bool operator==(const SerialLine&, const SerialLine&) = default;
};

// The line a target-serial value asks for; nothing for a parity code no printer knows.
std::optional<SerialLine> DecodeTargetLine(std::uint8_t value);

// The name of a setting as the protocol names it ("Language", "CutterMechanism", ...).
std::string_view SettingName(SettingKey key);

// The item texts of a choice setting's value in both languages; nothing outside the list.
struct ItemTexts {
  std::string_view zh;
  std::string_view en;
};
std::optional<ItemTexts> ChoiceItem(SettingKey key, std::uint8_t value);

// What the printer answers on a serial line by the acknowledgement rules, or nothing.
std::optional<Bytes> AnswerFor(const Command& command);

// A command in words (without its bytes).
std::string Describe(const Command& command, const TextConverter& toUtf8);

// The bytes in hex, the raster of a download left out.
std::string Hex(ByteView bytes, std::size_t limit = 48);

// A stored bitmap: raster rows top first, bit 7 the leftmost dot, 1 prints.
struct StoredBitmap {
  std::uint16_t rowBytes = 0;
  std::uint16_t rows = 0;
  Bytes raster;
  std::string png;  // the file it was saved as
};

// The printer's memory: everything the commands change.
class Printer {
 public:
  explicit Printer(SerialLine line) : line_(line) {}

  // Stores what a command sets; direct operations only count.
  void Apply(const Command& command);

  const SerialLine& Line() const { return line_; }
  // The value a choice setting holds, or nothing when it was never set.
  std::optional<std::uint8_t> Stored(SettingKey key) const {
    const auto found = values_.find(key);
    return found == values_.end() ? std::nullopt : std::optional<std::uint8_t>(found->second);
  }
  const std::optional<StoredBitmap>& Slot(std::size_t slot) const { return slots_.at(slot); }
  void SetSlotPng(std::size_t slot, std::string png) { slots_.at(slot)->png = std::move(png); }

  nlohmann::json State(const TextConverter& toUtf8) const;

 private:
  std::map<SettingKey, std::uint8_t> values_;  // value settings by key
  std::map<SettingKey, std::string> texts_;    // names and Bluetooth texts
  std::optional<std::array<std::uint8_t, 4>> radioAddress_;
  std::optional<std::uint16_t> startOffset_;
  std::optional<std::uint16_t> cutOffset_;
  SerialLine line_;
  std::array<std::optional<StoredBitmap>, 8> slots_;
  int cuts_ = 0;
  int drawerPulses_ = 0;
  int linesPrinted_ = 0;
  int bitmapsPrinted_ = 0;
  int alignmentTests_ = 0;
  int unknownBytes_ = 0;
};

}  // namespace vantrel::sim
