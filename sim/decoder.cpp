#include "sim/decoder.h"

#include <algorithm>
#include <optional>

#include "bitmap/download_command.h"
#include "protocol/operations.h"

namespace vantrel::sim {
namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kFs = 0x1C;
constexpr std::uint8_t kGs = 0x1D;
constexpr std::uint8_t kLineFeed = 0x0A;
constexpr std::uint8_t kCarriageReturn = 0x0D;
constexpr std::uint8_t kTab = 0x09;

bool IsLead(std::uint8_t byte) {
  return byte == kEsc || byte == kFs || byte == kGs;
}

bool IsText(std::uint8_t byte) {
  return (byte >= 0x20 && byte != 0x7F);
}

// Every head the decoder knows, built once from the protocol's encoders.
struct Heads {
  std::array<Bytes, kSettingCount> settings;
  Bytes setupBegin{SetupBegin.begin(), SetupBegin.end()};
  Bytes setupEnd{SetupEnd.begin(), SetupEnd.end()};
  Bytes printStored;  // slot follows
  Bytes drawer;       // the whole pulse: pin and on/off times follow the head
  Bytes feedToNext;
  std::uint8_t alignmentValue = 0;
  std::uint16_t maxRowBytes = 0;
  Bytes download;

  Heads() {
    for (const SettingKey key : AllSettingKeys())
      settings[static_cast<std::size_t>(key)] = CommandHead(key);
    const Bytes print = DirectOperationCommand(DeviceOperation::PrintStoredBitmap, 0);
    printStored.assign(print.begin(), print.end() - 1);
    drawer = DirectOperationCommand(DeviceOperation::OpenCashDrawer, 0);
    const Bytes feed = FixedCommandBytes(FixedCommand::FeedToNextPosition);
    feedToNext.assign(feed.begin(), feed.begin() + 2);
    // The alignment test: the frame around the alignment code with its test value.
    const Bytes bid = FixedCommandBytes(FixedCommand::BidTest);
    alignmentValue = bid[SetupBegin.size() + 2];
    maxRowBytes = static_cast<std::uint16_t>(RasterRowBytes(kMaxBitmapWidth));
    std::array<std::uint8_t, kDownloadHeaderSize> header{};
    WriteDownloadCommand(StoredRows{}, 0, header);
    download.assign(header.begin(), header.begin() + 2);
  }
};

const Heads& KnownHeads() {
  static const Heads heads;
  return heads;
}

bool StartsWith(ByteView bytes, const Bytes& head) {
  const std::size_t n = std::min(bytes.size(), head.size());
  return std::equal(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(n), bytes.begin());
}

}  // namespace

SettingLayout LayoutOf(SettingKey key) {
  switch (RowOf(key).family) {
    case SettingFamily::Name:
      return SettingLayout::Name;
    case SettingFamily::BluetoothText:
      return SettingLayout::BluetoothText;
    case SettingFamily::RadioAddress:
      return SettingLayout::Address;
    case SettingFamily::Offset:
      return SettingLayout::Offset;
    case SettingFamily::Choice:
    case SettingFamily::Cutter:
    case SettingFamily::SerialLine:
      break;
  }
  return SettingLayout::Value;
}

Decoder::Parse Decoder::Done(Parse parse, ByteView b, Command::Kind kind, std::size_t length) {
  parse.step = Step::Done;
  parse.length = length;
  parse.command.kind = kind;
  parse.command.bytes.assign(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(length));
  return parse;
}

Decoder::Parse Decoder::TryParse(ByteView b) const {
  if (b.size() < 2)
    return Parse{};
  bool partial = false;  // some head matches as far as the bytes go
  // Outside the frame no setting is stored: the bytes are print commands.
  if (inFrame_) {
    const Heads& heads = KnownHeads();
    for (const SettingKey key : AllSettingKeys()) {
      const Bytes& head = heads.settings[static_cast<std::size_t>(key)];
      if (head.empty() || !StartsWith(b, head))
        continue;
      if (b.size() < head.size()) {
        partial = true;
        continue;
      }
      return ParseSetting(b, key, head);
    }
  }
  if (std::optional<Parse> operation = ParseOperation(b))
    return std::move(*operation);
  if (partial)
    return Parse{};
  return ParsePrint(b);
}

// A setting command whose whole head `head` opens `b`: its value, text, address or offset.
Decoder::Parse Decoder::ParseSetting(ByteView b, SettingKey key, const Bytes& head) {
  Parse parse;
  parse.command.key = key;
  const std::size_t h = head.size();
  switch (LayoutOf(key)) {
    case SettingLayout::Value:
      if (b.size() < h + 1)
        return parse;
      parse.command.value = b[h];
      if (key == SettingKey::BidAdjustment && b[h] == KnownHeads().alignmentValue)
        return Done(std::move(parse), b, Command::Kind::AlignmentTest, h + 1);
      return Done(std::move(parse), b, Command::Kind::Setting, h + 1);
    case SettingLayout::Name:
    case SettingLayout::BluetoothText:
      return ParseCountedText(b, key, h);
    case SettingLayout::Address:
      if (b.size() < h + 4)
        return parse;
      std::copy(b.begin() + static_cast<std::ptrdiff_t>(h),
                b.begin() + static_cast<std::ptrdiff_t>(h + 4), parse.command.address.begin());
      return Done(std::move(parse), b, Command::Kind::Setting, h + 4);
    case SettingLayout::Offset:
      if (b.size() < h + 2)
        return parse;
      parse.command.positions = static_cast<std::uint16_t>(b[h] | (b[h + 1] << 8));
      parse.command.value = head[5];
      return Done(std::move(parse), b, Command::Kind::Setting, h + 2);
  }
  return parse;
}

// A name (a counted text and its zero) or a Bluetooth text (counted only) after a head of `h`
// bytes.
Decoder::Parse Decoder::ParseCountedText(ByteView b, SettingKey key, std::size_t h) {
  Parse parse;
  parse.command.key = key;
  const bool name = LayoutOf(key) == SettingLayout::Name;
  if (b.size() < h + 1)
    return parse;
  const std::size_t n = b[h];
  if (b.size() < h + 1 + n + (name ? 1 : 0))
    return parse;
  parse.command.text.assign(b.begin() + static_cast<std::ptrdiff_t>(h + 1),
                            b.begin() + static_cast<std::ptrdiff_t>(h + 1 + n));
  if (!name)
    return Done(std::move(parse), b, Command::Kind::Setting, h + 1 + n);
  // A name without its zero ends at its text; the byte after it is decoded afresh.
  const bool terminated = b[h + 1 + n] == 0x00;
  parse.command.malformed = !terminated;
  return Done(std::move(parse), b, Command::Kind::Setting, h + 1 + n + (terminated ? 1 : 0));
}

// The frame, the device operations and the bitmap download; nothing when `b` opens none of them
// (a download wider than any printer row is none: only unknown bytes).
std::optional<Decoder::Parse> Decoder::ParseOperation(ByteView b) {
  const Heads& heads = KnownHeads();
  if (StartsWith(b, heads.setupBegin))
    return Done(Parse{}, b, Command::Kind::SetupBegin, 2);
  if (StartsWith(b, heads.setupEnd))
    return Done(Parse{}, b, Command::Kind::SetupEnd, 2);
  if (StartsWith(b, heads.feedToNext))
    return Done(Parse{}, b, Command::Kind::FeedToNextPosition, heads.feedToNext.size());
  if (StartsWith(b, heads.printStored)) {
    if (b.size() < heads.printStored.size() + 1)
      return Parse{};
    Parse parse;
    parse.command.value = b[heads.printStored.size()];
    return Done(std::move(parse), b, Command::Kind::PrintStoredBitmap,
                heads.printStored.size() + 1);
  }
  // The drawer pulse: the head 0x1B 0x70, then the pin and the two times, whatever they are.
  if (StartsWith(b, Bytes(heads.drawer.begin(), heads.drawer.begin() + 2))) {
    if (b.size() < heads.drawer.size())
      return Parse{};
    return Done(Parse{}, b, Command::Kind::CashDrawer, heads.drawer.size());
  }
  if (!StartsWith(b, heads.download))
    return std::nullopt;
  if (b.size() < kDownloadHeaderSize)
    return Parse{};
  const auto rowBytes = static_cast<std::uint16_t>(b[3] | (b[4] << 8));
  if (rowBytes > heads.maxRowBytes)
    return std::nullopt;
  Parse parse;
  parse.command.value = b[2];
  parse.command.rowBytes = rowBytes;
  parse.command.rows = static_cast<std::uint16_t>(b[5] | (b[6] << 8));
  parse.payload = Payload{parse.command.rows, rowBytes, rowBytes, parse.command.rows, false};
  return Done(std::move(parse), b, Command::Kind::BitmapDownload, kDownloadHeaderSize);
}

// An ordinary print command, or the unknown bytes at the start of `b`.
Decoder::Parse Decoder::ParsePrint(ByteView b) {
  Parse parse;
  Command print;
  const PrintParse printed = ParsePrintCommand(b, print);
  if (printed.step == PrintParse::Step::NeedMore)
    return parse;
  if (printed.step == PrintParse::Step::Done) {
    const Command::Kind kind = print.kind;
    parse.command = std::move(print);
    parse.payload = printed.payload;
    return Done(std::move(parse), b, kind, printed.length);
  }
  // No command: the lead byte is unknown, and its partner with it unless that opens a command.
  parse.step = Step::Unknown;
  parse.length = IsLead(b[1]) ? 1 : 2;
  return parse;
}

void Decoder::Emit(Command command, std::vector<Command>& out) {
  FlushUnknown(out);
  if (!line_.empty() && command.kind != Command::Kind::TextLine) {
    // A command within a line: the text before it is printed with the modes it was sent in.
    Command piece;
    piece.kind = Command::Kind::Text;
    piece.text = std::move(line_);
    line_.clear();
    piece.bytes.assign(piece.text.begin(), piece.text.end());
    out.push_back(std::move(piece));
  }
  if (command.kind == Command::Kind::SetupBegin)
    inFrame_ = true;
  else if (command.kind == Command::Kind::SetupEnd)
    inFrame_ = false;
  out.push_back(std::move(command));
}

void Decoder::AddUnknown(std::uint8_t byte, std::vector<Command>& out) {
  unknown_.push_back(byte);
  if (unknown_.size() >= kMaxUnknownRun)
    FlushUnknown(out);
}

void Decoder::FlushUnknown(std::vector<Command>& out) {
  if (unknown_.empty())
    return;
  Command command;
  command.kind = Command::Kind::Unknown;
  command.bytes = std::move(unknown_);
  unknown_.clear();
  out.push_back(std::move(command));
}

void Decoder::EndLine(bool always, std::vector<Command>& out, std::uint8_t ending) {
  if (line_.empty() && !always)
    return;
  Command command;
  command.kind = Command::Kind::TextLine;
  command.value = ending;
  command.text = std::move(line_);
  line_.clear();
  command.bytes.assign(command.text.begin(), command.text.end());
  Emit(std::move(command), out);
}

void Decoder::AddText(std::uint8_t byte, std::vector<Command>& out) {
  FlushUnknown(out);
  line_.push_back(static_cast<char>(byte));
  if (line_.size() >= kMaxLine)
    EndLine(true, out);
}

void Decoder::TakePlainByte(std::uint8_t byte, std::vector<Command>& out) {
  if (byte == kLineFeed)
    EndLine(true, out);
  else if (byte == kCarriageReturn)
    EndLine(false, out, kCarriageReturn);
  else if (byte == kTab)
    EmitTab(out);
  else if (IsText(byte))
    AddText(byte, out);
  else
    AddUnknown(byte, out);
}

void Decoder::EmitTab(std::vector<Command>& out) {
  Command tab;
  tab.kind = Command::Kind::Print;
  tab.op = PrintOp::Tab;
  tab.bytes = {kTab};
  Emit(std::move(tab), out);
}

void Decoder::StartPayload(Command command, const Payload& payload) {
  download_ = std::move(command);
  payload_ = payload;
  payloadTaken_ = 0;
  raster_.clear();
  // Reserved as the data comes: a header alone costs no memory.
  raster_.reserve(std::min<std::size_t>(payload.KeepSize(), std::size_t{1} << 16));
  inRaster_ = true;
}

std::size_t Decoder::TakePayload(ByteView bytes) {
  const std::uint64_t left = payload_.Size() - payloadTaken_;
  const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(left, bytes.size()));
  if (payload_.KeepSize() == payload_.Size()) {
    raster_.insert(raster_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
  } else if (payload_.KeepSize() > 0) {
    for (std::size_t i = 0; i < take; ++i) {
      const std::uint64_t at = payloadTaken_ + i;
      if (at / payload_.rowLength < payload_.keepRows &&
          at % payload_.rowLength < payload_.keepPerRow)
        raster_.push_back(bytes[i]);
    }
  }
  payloadTaken_ += take;
  return take;
}

void Decoder::FinishRasterWhenComplete(std::vector<Command>& out) {
  if (!inRaster_ || payloadTaken_ < payload_.Size())
    return;
  if (payload_.intoText)
    download_.text.assign(raster_.begin(), raster_.end());
  else
    download_.raster = std::move(raster_);
  raster_.clear();
  inRaster_ = false;
  Emit(std::move(download_), out);
}

void Decoder::DrainPending(bool finishing, std::vector<Command>& out) {
  // Decodes what pending_ holds; bytes left over after a command are decoded again.
  while (!pending_.empty()) {
    Parse parse = TryParse(pending_);
    if (parse.step == Step::NeedMore) {
      if (!finishing)
        return;
      // The stream ended inside a command: its lead byte is unknown, the rest decoded afresh.
      parse.step = Step::Unknown;
      parse.length = 1;
    }
    Bytes rest(pending_.begin() + static_cast<std::ptrdiff_t>(parse.length), pending_.end());
    if (parse.step == Step::Unknown) {
      for (std::size_t i = 0; i < parse.length; ++i)
        AddUnknown(pending_[i], out);
    } else if (parse.payload.Size() > 0) {
      StartPayload(std::move(parse.command), parse.payload);
    } else {
      Emit(std::move(parse.command), out);
    }
    pending_.clear();
    for (std::size_t i = 0; i < rest.size(); ++i) {
      if (inRaster_) {
        i += TakePayload(ByteView(rest).subspan(i)) - 1;
        FinishRasterWhenComplete(out);
        continue;
      }
      const std::uint8_t byte = rest[i];
      if (!pending_.empty() || IsLead(byte)) {
        pending_.push_back(byte);
      } else {
        TakePlainByte(byte, out);
      }
    }
    FinishRasterWhenComplete(out);
  }
}

void Decoder::Feed(ByteView chunk, std::vector<Command>& out) {
  std::size_t i = 0;
  while (i < chunk.size()) {
    if (inRaster_) {
      i += TakePayload(chunk.subspan(i));
      FinishRasterWhenComplete(out);
      continue;
    }
    const std::uint8_t byte = chunk[i++];
    if (!pending_.empty() || IsLead(byte)) {
      pending_.push_back(byte);
      DrainPending(false, out);
    } else {
      TakePlainByte(byte, out);
    }
  }
}

void Decoder::Finish(std::vector<Command>& out) {
  if (inRaster_) {
    // A download or image cut short stores and prints nothing: its head is unknown bytes.
    Command lost;
    lost.kind = Command::Kind::Unknown;
    lost.bytes = download_.bytes;
    const bool download = download_.kind == Command::Kind::BitmapDownload;
    lost.text = std::string(download ? "download" : PrintOpName(download_.op)) +
                " cut short after " + std::to_string(payloadTaken_) + " of " +
                std::to_string(payload_.Size()) + (download ? " raster bytes" : " data bytes");
    raster_.clear();
    inRaster_ = false;
    Emit(std::move(lost), out);
  }
  DrainPending(true, out);
  EndLine(false, out);
  FlushUnknown(out);
}

}  // namespace vantrel::sim
