#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "protocol/catalogue.h"
#include "protocol/settings.h"
#include "sim/print_commands.h"

namespace vantrel::sim {

// One thing the printer was told, as the decoder recognised it.
struct Command {
  enum class Kind {
    SetupBegin,
    SetupEnd,
    Setting,            // key, value / text / address / positions
    AlignmentTest,      // the bidirectional alignment code with its test value
    BitmapDownload,     // slot, rowBytes, rows, raster
    PrintStoredBitmap,  // slot
    CashDrawer,
    Cut,  // value: the mode byte of GS V (or 'i' / 'm'), count: its feed
    FeedToNextPosition,
    TextLine,  // text: the printed bytes of one line, without its line end (value: LF or CR)
    Text,      // text: printed bytes that a command interrupts before the line ends
    Print,     // op: an ordinary print command
    Unknown,   // bytes that are no command the printer knows
  };

  Kind kind = Kind::Unknown;
  SettingKey key = SettingKey::Language;
  std::uint8_t value = 0;  // value byte, slot, offset selector
  std::string text;        // name and Bluetooth texts, printed lines
  std::array<std::uint8_t, 4> address{};
  std::uint16_t positions = 0;  // offsets
  std::uint16_t rowBytes = 0;   // bitmap download
  std::uint16_t rows = 0;
  PrintOp op = PrintOp::Ignored;
  std::uint16_t count = 0;  // a print command's 16-bit number (positions, margins)
  Bytes raster;             // rows top first, bit 7 the leftmost dot, 1 prints
  bool malformed = false;   // a name without its terminating zero
  // The command's bytes as received; for a download only its 7-byte header.
  Bytes bytes;
};

// The layouts of the setting commands after their two-byte head (a single value byte, a counted
// text with or without a zero, four address bytes, a 16-bit position count), by the setting's
// family in the catalogue. A command's head is the catalogue's CommandHead.
enum class SettingLayout { Value, Name, BluetoothText, Address, Offset };
SettingLayout LayoutOf(SettingKey key);

// A streaming decoder of what a printer receives. Feed it chunks of any size: the commands it
// returns do not depend on how the stream was cut. Inside the setup frame (SetupBegin ...
// SetupEnd) the setting commands are settings; outside it the same bytes are read as the print
// commands they are on a receipt printer. Memory stays bounded on any input: a partial command
// holds at most a few hundred bytes, a download at most 72 x 65535 raster bytes, a printed image
// 72 x 4096, a text line and a run of unknown bytes are cut at fixed lengths.
class Decoder {
 public:
  static constexpr std::size_t kMaxLine = 1024;
  static constexpr std::size_t kMaxUnknownRun = 32;

  // Decodes a chunk, appending every command completed in it.
  void Feed(ByteView chunk, std::vector<Command>& out);
  // Hands out a pending run of unknown bytes (the stream is idle).
  void FlushUnknown(std::vector<Command>& out);
  // The stream ended: a pending text line is printed, an unfinished command is unknown bytes.
  void Finish(std::vector<Command>& out);

  // Bytes held for a command not yet complete (for the bounded-memory check).
  std::size_t Held() const { return pending_.size() + raster_.size() + line_.size(); }
  bool InFrame() const { return inFrame_; }
  // Inside a command: its head not yet whole, or its image or download data under way. Every
  // byte that comes now belongs to it.
  bool MidCommand() const { return inRaster_ || !pending_.empty(); }

 private:
  enum class Step { NeedMore, Done, Unknown, Text };
  struct Parse {
    Step step = Step::NeedMore;
    std::size_t length = 0;
    Command command;
    Payload payload;
  };

  Parse TryParse(ByteView bytes) const;
  // The parts of TryParse, by the kind of command.
  static Parse Done(Parse parse, ByteView bytes, Command::Kind kind, std::size_t length);
  static Parse ParseSetting(ByteView bytes, SettingKey key, const Bytes& head);
  static Parse ParseCountedText(ByteView bytes, SettingKey key, std::size_t headLength);
  static std::optional<Parse> ParseOperation(ByteView bytes);
  static Parse ParsePrint(ByteView bytes);
  void Emit(Command command, std::vector<Command>& out);
  void AddUnknown(std::uint8_t byte, std::vector<Command>& out);
  void AddText(std::uint8_t byte, std::vector<Command>& out);
  void EndLine(bool always, std::vector<Command>& out, std::uint8_t ending = 0x0A);
  void DrainPending(bool finishing, std::vector<Command>& out);
  // A byte outside any command: a line end, printed text or an unknown byte.
  void TakePlainByte(std::uint8_t byte, std::vector<Command>& out);
  // Hands the download or print command on once its payload is whole.
  void FinishRasterWhenComplete(std::vector<Command>& out);
  // Takes payload bytes from the front of `bytes`; returns how many.
  std::size_t TakePayload(ByteView bytes);
  void StartPayload(Command command, const Payload& payload);
  void EmitTab(std::vector<Command>& out);

  Bytes pending_;
  Bytes unknown_;
  std::string line_;
  bool inFrame_ = false;
  // A download or image in progress: its header command and what of its payload is kept.
  bool inRaster_ = false;
  Command download_;
  Bytes raster_;
  Payload payload_;
  std::uint64_t payloadTaken_ = 0;
};

}  // namespace vantrel::sim
