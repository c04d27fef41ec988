#pragma once

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ui_variant.h"
#include "protocol/setting_lists.h"
#include "protocol/settings.h"

namespace vantrel::cli {

// How an option's value reaches the setting selection.
enum class OptionKind {
  List,          // a drop-down list: item text, short name or index
  Text,          // a check box with its text field: the text is sent
  RadioAddress,  // four hexadecimal pairs
  Offset,        // whole millimetres
};

// One option of `set`, named as on the command line and in profiles ("code-page").
struct SettingOption {
  std::string_view name;
  OptionKind kind;
  std::optional<SettingList> list;  // the catalogue's list, for List options
  SettingKey key;
  std::string_view help;
};

// Every option in the order the settings are sent.
std::span<const SettingOption> SettingOptions();
const SettingOption* FindSettingOption(std::string_view name);

// The option that names a setting in reports: the first of its options ("cutter" for the cutter
// and mechanism, "target-baud" for the target serial line).
std::string_view OptionNameOf(SettingKey key);

// The items of a list option as people may name them, per list index.
struct ListItem {
  int index = 0;
  std::string_view chinese;
  std::string_view english;
  std::vector<std::string> shortNames;
};
std::vector<ListItem> ListItems(const SettingOption& option);

// A value that names nothing, with the accepted names that come nearest.
struct ValueError {
  std::string message;
};

// The list index a value names: an item's text in either language (case and surrounding blanks
// ignored), a short name, or else a number taken as the list index (0 leaves the setting as it
// is where the list has such an item).
std::optional<int> MatchListValue(const SettingOption& option, std::string_view value);

// Up to `count` accepted names nearest to `value` (edit distance, ties in list order).
std::vector<std::string> NearestNames(std::span<const std::string> names, std::string_view value,
                                      std::size_t count = 3);

// Converts a text field's UTF-8 value to the bytes the printer gets, or says why it cannot.
using TextEncoder = std::function<std::optional<std::string>(std::string_view utf8)>;

// Writes the named values into the selection. The first value that cannot be taken gives the
// message that explains it, in the variant's language where the dialog has one.
std::optional<std::string> ApplySettingValues(const std::map<std::string, std::string>& values,
                                              UiVariant variant, const TextEncoder& encode,
                                              SettingSelection& selection);

// `vantrel settings`: every option with its accepted values in both languages.
std::string DescribeSettings();

}  // namespace vantrel::cli
