#include "sim/printer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "protocol/set_run.h"
#include "protocol/setting_lists.h"

namespace vantrel::sim {
namespace {

constexpr std::string_view kOk = "OK";
constexpr std::size_t kSlots = 8;

// The list that holds a choice setting's items (item 0 leaves the setting unchanged, so a value
// v is item v + 1).
// The cutter and the serial line pack several lists into one value and have none.
std::optional<SettingList> ListOf(SettingKey key) {
  if (key == SettingKey::CutterMechanism || key == SettingKey::TargetSerialLine)
    return std::nullopt;
  return DecidingListOf(key);
}

std::optional<ItemTexts> Item(SettingList list, std::size_t index) {
  const auto zh = SettingItems(UiVariant::Chinese, list);
  const auto en = SettingItems(UiVariant::English, list);
  if (index >= zh.size() || index >= en.size())
    return std::nullopt;
  return ItemTexts{zh[index], en[index]};
}

std::string Both(const std::optional<ItemTexts>& item) {
  if (!item)
    return "(not in the list)";
  if (item->zh == item->en)
    return std::string(item->en);
  return std::string(item->en) + " / " + std::string(item->zh);
}

nlohmann::json ItemJson(const std::optional<ItemTexts>& item) {
  if (!item)
    return nullptr;
  return {{"en", item->en}, {"zh", item->zh}};
}

// The cutter item (1 to 3) and the mechanism item whose command carries this value, found by
// the tool's own encoder.
std::optional<std::pair<std::size_t, std::size_t>> CutterChoice(std::uint8_t value) {
  SettingSelection s;
  const auto cutters = SettingItems(UiVariant::English, SettingList::Cutter);
  const auto mechanisms = SettingItems(UiVariant::English, SettingList::Mechanism);
  for (s.cutter = 1; s.cutter < static_cast<int>(cutters.size()); ++s.cutter) {
    for (s.mechanism = 0; s.mechanism < static_cast<int>(mechanisms.size()); ++s.mechanism) {
      const auto encoded = EncodeSetting(SettingKey::CutterMechanism, s);
      if (encoded && encoded->command.back() == value)
        return std::pair{static_cast<std::size_t>(s.cutter), static_cast<std::size_t>(s.mechanism)};
    }
  }
  return std::nullopt;
}
std::optional<ItemTexts> CutterItem(std::uint8_t value) {
  const auto choice = CutterChoice(value);
  return choice ? Item(SettingList::Cutter, choice->first) : std::nullopt;
}
std::optional<ItemTexts> MechanismItem(std::uint8_t value) {
  const auto choice = CutterChoice(value);
  return choice ? Item(SettingList::Mechanism, choice->second) : std::nullopt;
}

std::string Quoted(const std::string& text, const TextConverter& toUtf8) {
  return "\"" + toUtf8(text) + "\"";
}

std::string LineWords(const SerialLine& line) {
  return std::to_string(line.baud) + " baud, parity " + std::string(ParityName(line.parity)) +
         ", " + std::to_string(line.dataBits) + " data bits, " +
         (line.rtsCts ? "RTS/CTS" : "XON/XOFF");
}

// The printer's positions per millimetre, as the tool counts them.
double PositionsPerMillimetre() {
  constexpr std::int64_t kMany = 100000;
  return static_cast<double>(OffsetPositionCount(kMany)) / kMany;
}

double Millimetres(std::uint16_t positions) {
  // The whole millimetres the tool turned into this count, where there are any.
  const auto guess = static_cast<std::int64_t>(positions / PositionsPerMillimetre());
  for (std::int64_t mm = std::max<std::int64_t>(0, guess - 1); mm <= guess + 2; ++mm) {
    if (OffsetPositionCount(mm) == positions)
      return static_cast<double>(mm);
  }
  return std::round(positions / PositionsPerMillimetre() * 10.0) / 10.0;
}

std::string MillimetreText(std::uint16_t positions) {
  const double mm = Millimetres(positions);
  char buffer[32];
  if (mm == std::floor(mm))
    std::snprintf(buffer, sizeof buffer, "%.0f mm", mm);
  else
    std::snprintf(buffer, sizeof buffer, "about %.1f mm", mm);
  return buffer;
}

nlohmann::json TextJson(const std::string& text, const TextConverter& toUtf8) {
  return {{"text", toUtf8(text)}, {"hex", Hex(Bytes(text.begin(), text.end()), 1024)}};
}

}  // namespace

std::string EscapeNonAscii(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out.push_back(c);
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", byte);
      out += buffer;
    }
  }
  return out;
}

std::string_view ParityName(Parity parity) {
  switch (parity) {
    case Parity::Odd:
      return "odd";
    case Parity::Even:
      return "even";
    case Parity::None:
      break;
  }
  return "none";
}

std::optional<Parity> ParseParity(std::string_view name) {
  if (name == "none")
    return Parity::None;
  if (name == "odd")
    return Parity::Odd;
  if (name == "even")
    return Parity::Even;
  return std::nullopt;
}

std::optional<SerialLine> DecodeTargetLine(std::uint8_t value) {
  // The list items whose command carries this value, found by the tool's own encoder.
  SettingSelection s;
  const auto bauds = SettingItems(UiVariant::English, SettingList::TargetBaud);
  const auto parities = SettingItems(UiVariant::English, SettingList::TargetParity);
  const auto dataBits = SettingItems(UiVariant::English, SettingList::TargetDataBits);
  const auto flows = SettingItems(UiVariant::English, SettingList::TargetFlow);
  for (s.targetBaud = 1; s.targetBaud < static_cast<int>(bauds.size()); ++s.targetBaud) {
    for (s.targetParity = 0; s.targetParity < static_cast<int>(parities.size()); ++s.targetParity) {
      for (s.targetDataBits = 0; s.targetDataBits < static_cast<int>(dataBits.size());
           ++s.targetDataBits) {
        for (s.targetFlow = 0; s.targetFlow < static_cast<int>(flows.size()); ++s.targetFlow) {
          const auto encoded = EncodeSetting(SettingKey::TargetSerialLine, s);
          if (!encoded || encoded->command.back() != value)
            continue;
          SerialLine line;
          const std::string_view baud = bauds[static_cast<std::size_t>(s.targetBaud)];
          std::from_chars(baud.data(), baud.data() + baud.size(), line.baud);
          const std::string_view bits = dataBits[static_cast<std::size_t>(s.targetDataBits)];
          std::from_chars(bits.data(), bits.data() + bits.size(), line.dataBits);
          const std::string_view parity = parities[static_cast<std::size_t>(s.targetParity)];
          line.parity = parity == "ODD"    ? Parity::Odd
                        : parity == "EVEN" ? Parity::Even
                                           : Parity::None;
          line.rtsCts = flows[static_cast<std::size_t>(s.targetFlow)] == "RTS/CTS";
          return line;
        }
      }
    }
  }
  return std::nullopt;
}

std::string_view SettingName(SettingKey key) {
  return KeyName(key);
}

std::optional<ItemTexts> ChoiceItem(SettingKey key, std::uint8_t value) {
  const std::optional<SettingList> list = ListOf(key);
  if (!list)
    return std::nullopt;
  return Item(*list, std::size_t{value} + 1);
}

std::optional<Bytes> AnswerFor(const Command& command) {
  if (command.kind != Command::Kind::Setting)
    return std::nullopt;
  switch (RuleFor(command.key).ack) {
    case AckRule::EchoValue:
    case AckRule::AnyReply:
      return Bytes{command.value};
    case AckRule::EchoFirstByte:
      if (command.text.empty())
        return std::nullopt;
      return Bytes{static_cast<std::uint8_t>(command.text[0])};
    case AckRule::PollOk:
      return Bytes(kOk.begin(), kOk.end());
    case AckRule::PollFourthByte:
      return Bytes{command.address[3]};
    case AckRule::NoAck:
      break;
  }
  return std::nullopt;
}

std::string Hex(ByteView bytes, std::size_t limit) {
  std::string out;
  char buffer[4];
  for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
    std::snprintf(buffer, sizeof buffer, "%02X", bytes[i]);
    if (!out.empty())
      out.push_back(' ');
    out += buffer;
  }
  if (bytes.size() > limit)
    out += " ... (" + std::to_string(bytes.size()) + " bytes)";
  return out;
}

namespace {

// A setting command in words: its name and the value it stores.
std::string DescribeSetting(const Command& c, const TextConverter& toUtf8) {
  std::string words(SettingName(c.key));
  words += " = ";
  switch (LayoutOf(c.key)) {
    case SettingLayout::Value:
      if (c.key == SettingKey::CutterMechanism) {
        return words + "cutter " + Both(CutterItem(c.value)) + ", mechanism " +
               Both(MechanismItem(c.value));
      }
      if (c.key == SettingKey::TargetSerialLine) {
        const auto line = DecodeTargetLine(c.value);
        return words + (line ? LineWords(*line) : "(no line the printer knows)");
      }
      return words + std::to_string(c.value) + " (" + Both(ChoiceItem(c.key, c.value)) + ")";
    case SettingLayout::Name:
    case SettingLayout::BluetoothText:
      return words + Quoted(c.text, toUtf8) + (c.malformed ? " (no terminating zero)" : "");
    case SettingLayout::Address:
      return words + Hex(c.address);
    case SettingLayout::Offset:
      return words + std::to_string(c.positions) + " positions (" + MillimetreText(c.positions) +
             ")";
  }
  return words;
}

}  // namespace

std::string Describe(const Command& c, const TextConverter& toUtf8) {
  using Kind = Command::Kind;
  switch (c.kind) {
    case Kind::SetupBegin:
      return "setup begin";
    case Kind::SetupEnd:
      return "setup end";
    case Kind::AlignmentTest:
      return "print the bidirectional alignment test";
    case Kind::BitmapDownload:
      return "store bitmap in slot " + std::to_string(c.value + 1) + ": " +
             std::to_string(c.rowBytes * 8) + " x " + std::to_string(c.rows) + " dots" +
             (c.value < kSlots ? "" : " (no such slot: nothing stored)");
    case Kind::PrintStoredBitmap:
      return "print stored bitmap of slot " + std::to_string(c.value + 1) +
             (c.value < kSlots ? "" : " (no such slot)");
    case Kind::CashDrawer:
      return "open cash drawer";
    case Kind::Cut: {
      const std::uint8_t m = c.value;
      const bool partial = m == 1 || m == 49 || m == 66 || m == 98 || m == 104 || m == 'm';
      const bool feed = m == 65 || m == 66 || (m >= 97 && m <= 104);
      return std::string("cut paper (") + (partial ? "partial" : "full") +
             (feed ? ", after a feed of " + std::to_string(c.count) + " dots" : "") + ")";
    }
    case Kind::Text:
      return "print text " + Quoted(c.text, toUtf8);
    case Kind::Print:
      return DescribePrint(c);
    case Kind::FeedToNextPosition:
      return "feed to next print start position";
    case Kind::TextLine:
      return "print line " + Quoted(c.text, toUtf8);
    case Kind::Unknown:
      return c.text.empty() ? "unknown bytes" : "unknown bytes: " + c.text;
    case Kind::Setting:
      break;
  }
  return DescribeSetting(c, toUtf8);
}

void Printer::Apply(const Command& c) {
  using Kind = Command::Kind;
  switch (c.kind) {
    case Kind::Setting:
      break;
    case Kind::BitmapDownload:
      if (c.value < slots_.size())
        slots_[c.value] = StoredBitmap{c.rowBytes, c.rows, c.raster, {}};
      return;
    case Kind::PrintStoredBitmap:
      if (c.value < slots_.size() && slots_[c.value])
        ++bitmapsPrinted_;
      return;
    case Kind::CashDrawer:
      ++drawerPulses_;
      return;
    case Kind::Cut:
      ++cuts_;
      return;
    case Kind::TextLine:
      ++linesPrinted_;
      return;
    case Kind::AlignmentTest:
      ++alignmentTests_;
      return;
    case Kind::Unknown:
      unknownBytes_ += static_cast<int>(c.bytes.size());
      return;
    default:
      return;
  }
  switch (LayoutOf(c.key)) {
    case SettingLayout::Value:
      values_[c.key] = c.value;
      if (c.key == SettingKey::TargetSerialLine) {
        if (const auto line = DecodeTargetLine(c.value))
          line_ = *line;
      }
      break;
    case SettingLayout::Name:
    case SettingLayout::BluetoothText:
      texts_[c.key] = c.text;
      break;
    case SettingLayout::Address:
      radioAddress_ = c.address;
      break;
    case SettingLayout::Offset:
      (c.key == SettingKey::StartOffset ? startOffset_ : cutOffset_) = c.positions;
      break;
  }
}

nlohmann::json Printer::State(const TextConverter& toUtf8) const {
  nlohmann::json settings = nlohmann::json::object();
  for (const auto& [key, value] : values_) {
    nlohmann::json entry = {{"value", value}};
    if (key == SettingKey::CutterMechanism) {
      entry["cutter"] = ItemJson(CutterItem(value));
      entry["mechanism"] = ItemJson(MechanismItem(value));
    } else if (key != SettingKey::TargetSerialLine) {
      const auto item = ChoiceItem(key, value);
      entry["en"] = item ? nlohmann::json(item->en) : nlohmann::json(nullptr);
      entry["zh"] = item ? nlohmann::json(item->zh) : nlohmann::json(nullptr);
    }
    settings[std::string(SettingName(key))] = entry;
  }
  for (const auto& [key, text] : texts_)
    settings[std::string(SettingName(key))] = TextJson(text, toUtf8);
  if (radioAddress_)
    settings["RadioAddress"] = {{"bytes", *radioAddress_}, {"hex", Hex(*radioAddress_)}};
  auto offset = [](std::uint16_t positions) {
    return nlohmann::json{{"positions", positions}, {"mm", Millimetres(positions)}};
  };
  if (startOffset_)
    settings["StartOffset"] = offset(*startOffset_);
  if (cutOffset_)
    settings["CutOffset"] = offset(*cutOffset_);

  nlohmann::json slots = nlohmann::json::array();
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i]) {
      slots.push_back(nullptr);
      continue;
    }
    slots.push_back({{"slot", i + 1},
                     {"widthDots", slots_[i]->rowBytes * 8},
                     {"rows", slots_[i]->rows},
                     {"png", slots_[i]->png}});
  }
  return {{"settings", settings},
          {"serialLine",
           {{"baud", line_.baud},
            {"parity", ParityName(line_.parity)},
            {"dataBits", line_.dataBits},
            {"flow", line_.rtsCts ? "RTS/CTS" : "XON/XOFF"}}},
          {"slots", slots},
          {"counters",
           {{"cuts", cuts_},
            {"drawerPulses", drawerPulses_},
            {"linesPrinted", linesPrinted_},
            {"bitmapsPrinted", bitmapsPrinted_},
            {"alignmentTests", alignmentTests_},
            {"unknownBytes", unknownBytes_}}}};
}

}  // namespace vantrel::sim
