#include "cli/lib/setting_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <set>
#include <sstream>

#include "base/words.h"
#include "protocol/catalogue.h"
#include "protocol/set_run.h"
#include "protocol/setting_lists.h"

namespace vantrel::cli {
namespace {

constexpr SettingOption kOptions[] = {
    {"language", OptionKind::List, SettingList::Language, SettingKey::Language, "printer language"},
    {"black-mark-position", OptionKind::List, SettingList::BlackMarkPosition,
     SettingKey::BlackMarkPosition, "black-mark position"},
    {"font", OptionKind::List, SettingList::Font, SettingKey::Font, "font"},
    {"black-mark", OptionKind::List, SettingList::BlackMarkDetection,
     SettingKey::BlackMarkDetection, "black-mark detection"},
    {"command-set", OptionKind::List, SettingList::CommandSet, SettingKey::CommandSet,
     "command set"},
    {"paper-sensitivity", OptionKind::List, SettingList::PaperSensitivity,
     SettingKey::PaperSensitivity, "paper-sensor sensitivity"},
    {"print-direction", OptionKind::List, SettingList::PrintDirection, SettingKey::PrintDirection,
     "print direction"},
    {"code-page", OptionKind::List, SettingList::CodePage, SettingKey::CodePage, "code page"},
    {"density", OptionKind::List, SettingList::PrintDensity, SettingKey::PrintDensity,
     "print density: low/1, medium/2, high/3"},
    {"cutter", OptionKind::List, SettingList::Cutter, SettingKey::CutterMechanism,
     "cutter (sent with --mechanism)"},
    {"mechanism", OptionKind::List, SettingList::Mechanism, SettingKey::CutterMechanism,
     "print mechanism (only with --cutter)"},
    {"paper-out-reprint", OptionKind::List, SettingList::PaperOutReprint,
     SettingKey::PaperOutReprint, "reprint after paper-out"},
    {"carriage-return", OptionKind::List, SettingList::CarriageReturn, SettingKey::CarriageReturn,
     "0D (carriage return) prints"},
    {"print-width", OptionKind::List, SettingList::PrintWidth, SettingKey::PrintWidth,
     "print width"},
    {"buzzer", OptionKind::List, SettingList::Buzzer, SettingKey::Buzzer, "buzzer"},
    {"speed", OptionKind::List, SettingList::PrintSpeed, SettingKey::PrintSpeed,
     "print speed: 150, 200, 220 or 250 mm/s"},
    {"manufacturer", OptionKind::Text, std::nullopt, SettingKey::ManufacturerName,
     "manufacturer name (first 16 bytes)"},
    {"model", OptionKind::Text, std::nullopt, SettingKey::ModelName,
     "printer model (first 16 bytes)"},
    {"target-baud", OptionKind::List, SettingList::TargetBaud, SettingKey::TargetSerialLine,
     "the printer's own serial line from now on: 1200 to 115200 baud (with --target-parity, "
     "--target-data-bits, --target-flow)"},
    {"target-parity", OptionKind::List, SettingList::TargetParity, SettingKey::TargetSerialLine,
     "target serial parity (only with --target-baud)"},
    {"target-data-bits", OptionKind::List, SettingList::TargetDataBits,
     SettingKey::TargetSerialLine, "target serial data bits: 7 or 8 (only with --target-baud)"},
    {"target-flow", OptionKind::List, SettingList::TargetFlow, SettingKey::TargetSerialLine,
     "target serial flow control (only with --target-baud)"},
    {"bt-name", OptionKind::Text, std::nullopt, SettingKey::BluetoothName,
     "Bluetooth name (at most 255 bytes)"},
    {"bt-password", OptionKind::Text, std::nullopt, SettingKey::BluetoothPassword,
     "Bluetooth password (at most 255 bytes)"},
    {"radio-address", OptionKind::RadioAddress, std::nullopt, SettingKey::RadioAddress,
     "radio address: four hexadecimal pairs, e.g. 00:84:00:01"},
    {"lcd-backlight", OptionKind::List, SettingList::LcdBacklight, SettingKey::LcdBacklight,
     "LCD backlight"},
    {"paper-near-end", OptionKind::List, SettingList::PaperNearEnd, SettingKey::PaperNearEnd,
     "paper-near-end sensor"},
    {"print-passes", OptionKind::List, SettingList::PrintPasses, SettingKey::PrintPasses,
     "single or double direction printing"},
    {"bid-adjust", OptionKind::List, SettingList::BidAdjustment, SettingKey::BidAdjustment,
     "bidirectional alignment value 0-24"},
    {"chars-per-line", OptionKind::List, SettingList::CharsPerLine, SettingKey::CharsPerLine,
     "characters per line"},
    {"start-offset", OptionKind::Offset, std::nullopt, SettingKey::StartOffset,
     "start offset in mm"},
    {"cut-offset", OptionKind::Offset, std::nullopt, SettingKey::CutOffset,
     "cut/tear offset in mm"},
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

std::optional<int> ParseIndex(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::vector<std::string> AcceptedNames(const SettingOption& option) {
  std::vector<std::string> names;
  for (const ListItem& item : ListItems(option)) {
    names.emplace_back(Trim(item.english));
    if (item.chinese != item.english)
      names.emplace_back(Trim(item.chinese));
    for (const std::string& name : item.shortNames)
      names.push_back(name);
  }
  return names;
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A list whose item 0 is "Default" (or "Not Set") and leaves the setting unchanged.
bool HasNoChangeItem(SettingList list) {
  return DecidingListOf(KeyOf(list)) == list;
}

// The number each real item of a number list is known by (its text, or a short name made of
// digits), by list index; empty for the other lists.
std::vector<std::pair<int, long long>> ItemNumbers(const SettingOption& option) {
  std::vector<std::pair<int, long long>> numbers;
  if (option.kind != OptionKind::List || !IsNumberList(*option.list))
    return numbers;
  for (const ListItem& item : ListItems(option)) {
    if (item.index == 0 && HasNoChangeItem(*option.list))
      continue;
    std::optional<std::string> digits;
    if (AllDigits(Trim(item.english)))
      digits = std::string(Trim(item.english));
    for (const std::string& name : item.shortNames) {
      if (!digits && AllDigits(name))
        digits = name;
    }
    if (!digits)
      return {};
    numbers.emplace_back(item.index, std::stoll(*digits));
  }
  return numbers;
}

std::optional<long long> ParseNumber(std::string_view text) {
  if (!AllDigits(text) || text.size() > 12)
    return std::nullopt;
  return std::stoll(std::string(text));
}

// "0 to 24" for numbers that follow each other, else "1200, 2400, 4800".
std::string NumbersText(const std::vector<std::pair<int, long long>>& numbers) {
  bool consecutive = numbers.size() > 2;
  for (std::size_t i = 1; i < numbers.size(); ++i)
    consecutive = consecutive && numbers[i].second == numbers[i - 1].second + 1;
  if (consecutive) {
    return std::to_string(numbers.front().second) + " to " + std::to_string(numbers.back().second);
  }
  std::string text;
  for (const auto& [index, number] : numbers)
    text += (text.empty() ? "" : ", ") + std::to_string(number);
  return text;
}

std::string ListValueError(const SettingOption& option, std::string_view value) {
  const std::string shown(Trim(value));
  std::string message =
      "unknown value \"" + std::string(value) + "\" for --" + std::string(option.name) + "; ";
  const bool negative = shown.size() > 1 && shown[0] == '-';
  if (ParseNumber(negative ? std::string_view(shown).substr(1) : std::string_view(shown))) {
    const auto numbers = ItemNumbers(option);
    if (!numbers.empty()) {
      message += "its values are " + NumbersText(numbers);
      if (HasNoChangeItem(*option.list))
        message += ", or default to leave it unchanged";
      return message;
    }
    return message + "its items are numbered 0 to " + std::to_string(ListItems(option).size() - 1) +
           " (all values: vantrel settings)";
  }
  message += "nearest: ";
  const std::vector<std::string> names = AcceptedNames(option);
  const std::vector<std::string> nearest = NearestNames(names, value);
  for (std::size_t i = 0; i < nearest.size(); ++i)
    message += (i ? ", " : "") + nearest[i];
  message += " (all values: vantrel settings)";
  return message;
}

// Options that only add detail to another option's setting, and that partner.
struct Partner {
  std::string_view option;
  std::string_view partner;
};

constexpr Partner kPartners[] = {
    {"mechanism", "cutter"},
    {"target-parity", "target-baud"},
    {"target-data-bits", "target-baud"},
    {"target-flow", "target-baud"},
};

// An option that would be dropped because its partner is missing or left unchanged.
std::optional<std::string> PartnerMissing(const std::map<std::string, std::string>& values,
                                          const SettingSelection& selection) {
  for (const Partner& pair : kPartners) {
    if (!values.count(std::string(pair.option)))
      continue;
    const SettingOption* partner = FindSettingOption(pair.partner);
    const std::string name = "--" + std::string(pair.option);
    const std::string partnerName = "--" + std::string(pair.partner);
    if (!values.count(std::string(pair.partner))) {
      return name + " is sent only together with " + partnerName + ": give " + partnerName +
             " as well";
    }
    if (selection.*SelectionFieldOf(*partner->list) <= 0) {
      return name + " is sent only together with " + partnerName + ", and " + partnerName +
             " leaves the setting unchanged: choose a value for " + partnerName;
    }
  }
  return std::nullopt;
}

}  // namespace

std::span<const SettingOption> SettingOptions() {
  return kOptions;
}

const SettingOption* FindSettingOption(std::string_view name) {
  for (const SettingOption& option : kOptions) {
    if (option.name == name)
      return &option;
  }
  return nullptr;
}

std::string_view OptionNameOf(SettingKey key) {
  for (const SettingOption& option : kOptions) {
    if (option.key == key)
      return option.name;
  }
  return {};
}

std::vector<ListItem> ListItems(const SettingOption& option) {
  std::vector<ListItem> items;
  if (option.kind != OptionKind::List)
    return items;
  const auto chinese = SettingItems(UiVariant::Chinese, *option.list);
  const auto english = SettingItems(UiVariant::English, *option.list);
  for (std::size_t i = 0; i < english.size(); ++i)
    items.push_back({static_cast<int>(i), chinese[i], english[i], ItemShortNames(*option.list, i)});
  return items;
}

std::optional<int> MatchListValue(const SettingOption& option, std::string_view value) {
  const std::string wanted = Lower(Trim(value));
  const std::vector<ListItem> items = ListItems(option);
  for (const ListItem& item : items) {
    if (wanted == Lower(Trim(item.english)) || wanted == Lower(Trim(item.chinese)))
      return item.index;
  }
  for (const ListItem& item : items) {
    for (const std::string& name : item.shortNames) {
      if (wanted == name)
        return item.index;
    }
  }
  const std::optional<long long> number = ParseNumber(wanted);
  if (!number)
    return std::nullopt;
  // A list of numbers takes only its own numbers (written with or without leading zeros).
  const auto numbers = ItemNumbers(option);
  if (!numbers.empty()) {
    for (const auto& [index, itemNumber] : numbers) {
      if (itemNumber == *number)
        return index;
    }
    return std::nullopt;
  }
  if (*number < static_cast<long long>(items.size()))
    return static_cast<int>(*number);
  return std::nullopt;
}

std::vector<std::string> NearestNames(std::span<const std::string> names, std::string_view value,
                                      std::size_t count) {
  const std::string wanted = Lower(Trim(value));
  std::vector<std::pair<std::size_t, std::size_t>> ranked;  // distance, position
  std::set<std::string> seen;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty() || !seen.insert(Lower(names[i])).second)
      continue;
    ranked.emplace_back(EditDistance(wanted, Lower(names[i])), i);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> nearest;
  for (std::size_t i = 0; i < ranked.size() && i < count; ++i)
    nearest.push_back(names[ranked[i].second]);
  return nearest;
}

namespace {

std::string UnknownSettingMessage(const std::string& name) {
  std::vector<std::string> names;
  for (const SettingOption& known : kOptions)
    names.emplace_back(known.name);
  std::string message = "unknown setting \"" + name + "\"; nearest: ";
  const auto nearest = NearestNames(names, name);
  for (std::size_t i = 0; i < nearest.size(); ++i)
    message += (i ? ", " : "") + nearest[i];
  return message;
}

// Each kind of option takes its value into the selection, or says why it cannot.
std::optional<std::string> ApplyList(const SettingOption& option, const std::string& value,
                                     SettingSelection& selection) {
  const std::optional<int> index = MatchListValue(option, value);
  if (!index)
    return ListValueError(option, value);
  selection.*SelectionFieldOf(*option.list) = *index;
  return std::nullopt;
}

std::optional<std::string> ApplyText(const SettingOption& option, const std::string& value,
                                     UiVariant variant, const TextEncoder& encode,
                                     SettingSelection& selection) {
  const std::optional<std::string> bytes = encode(value);
  if (!bytes) {
    return "--" + std::string(option.name) + ": \"" + value +
           "\" cannot be written in the printer's code page (" +
           std::string(ForVariant(variant, "GBK", "Windows-1252")) + ")";
  }
  const SettingRow& row = RowOf(option.key);
  selection.*row.flag = true;
  selection.*row.text = *bytes;
  return std::nullopt;
}

std::optional<std::string> ApplyRadioAddress(const SettingOption& option, const std::string& value,
                                             SettingSelection& selection) {
  std::string normalised = value;
  std::replace_if(
      normalised.begin(), normalised.end(),
      [](char c) { return c == '-' || c == ' ' || c == ',' || c == '.'; }, ':');
  std::vector<std::string> fields = Split(normalised, ':');
  if (fields.size() == 1 && fields[0].size() == 8) {
    const std::string packed = fields[0];
    fields = {packed.substr(0, 2), packed.substr(2, 2), packed.substr(4, 2), packed.substr(6, 2)};
  }
  if (fields.size() != 4)
    return "--radio-address: \"" + value +
           "\" is not four hexadecimal pairs (for example 00:84:00:01)";
  selection.*RowOf(option.key).flag = true;
  for (std::size_t i = 0; i < 4; ++i)
    selection.radioAddressText[i] = fields[i];
  return std::nullopt;
}

std::optional<std::string> ApplyOffset(const SettingOption& option, const std::string& value,
                                       SettingSelection& selection) {
  const std::string_view text = Trim(value);
  const std::optional<int> mm = ParseIndex(text.substr(text.starts_with('+') ? 1 : 0));
  if (!mm)
    return "--" + std::string(option.name) + ": \"" + value +
           "\" is not a whole number of millimetres";
  const SettingRow& row = RowOf(option.key);
  selection.*row.flag = true;
  selection.*row.text = std::to_string(*mm);
  return std::nullopt;
}

std::optional<std::string> ApplySettingValue(const SettingOption& option, const std::string& value,
                                             UiVariant variant, const TextEncoder& encode,
                                             SettingSelection& selection) {
  switch (option.kind) {
    case OptionKind::List:
      return ApplyList(option, value, selection);
    case OptionKind::Text:
      return ApplyText(option, value, variant, encode, selection);
    case OptionKind::RadioAddress:
      return ApplyRadioAddress(option, value, selection);
    case OptionKind::Offset:
      return ApplyOffset(option, value, selection);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ApplySettingValues(const std::map<std::string, std::string>& values,
                                              UiVariant variant, const TextEncoder& encode,
                                              SettingSelection& selection) {
  for (const auto& [name, value] : values) {
    const SettingOption* option = FindSettingOption(name);
    if (!option)
      return UnknownSettingMessage(name);
    if (auto refused = ApplySettingValue(*option, value, variant, encode, selection))
      return refused;
  }
  if (auto missing = PartnerMissing(values, selection))
    return missing;
  // The protocol's own limits: radio-address digits, Bluetooth lengths, offset range.
  if (const auto refusal = CheckSelection(selection))
    return RefusalMessage(variant, *refusal);
  return std::nullopt;
}

std::string DescribeSettings() {
  std::ostringstream out;
  for (const SettingOption& option : kOptions) {
    out << "--" << option.name << "  (" << option.help << ")\n";
    switch (option.kind) {
      case OptionKind::List:
        for (const ListItem& item : ListItems(option)) {
          out << "  " << item.index << "  ";
          std::string names;
          for (const std::string& name : item.shortNames)
            names += (names.empty() ? "" : ", ") + name;
          if (!names.empty())
            out << names << " | ";
          out << Trim(item.english);
          if (item.chinese != item.english)
            out << " | " << Trim(item.chinese);
          out << "\n";
        }
        break;
      case OptionKind::Text:
        out << "  TEXT\n";
        break;
      case OptionKind::RadioAddress:
        out << "  HH:HH:HH:HH\n";
        break;
      case OptionKind::Offset:
        out << "  MM (0-" << MaxOffsetMillimetres() << ")\n";
        break;
    }
  }
  return out.str();
}

}  // namespace vantrel::cli
