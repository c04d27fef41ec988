#include "cli/lib/completion_words.h"

#include "cli/lib/setting_options.h"
#include "link/connections.h"

namespace vantrel::cli {

std::optional<std::vector<std::string>> CompletionValues(std::string_view optionName) {
  if (optionName == "profile" || optionName == "hosts")
    return std::nullopt;
  std::vector<std::string> words;
  if (optionName == "interface") {
    for (int port = 1; port <= 10; ++port)
      words.push_back("COM" + std::to_string(port));
    words.insert(words.end(), {"LPT1", "USB", "Ethernet"});
  } else if (optionName == "baud") {
    for (int index = 0; const auto rate = BaudRateForIndex(index); ++index)
      words.push_back(std::to_string(*rate));
  } else if (optionName == "parity") {
    words = {"none", "odd", "even"};
  } else if (optionName == "lang") {
    words = {"zh", "en"};
  } else if (optionName == "slot") {
    for (int slot = 1; slot <= 8; ++slot)
      words.push_back(std::to_string(slot));
  } else if (const SettingOption* option = FindSettingOption(optionName);
             option && option->kind == OptionKind::List) {
    for (const ListItem& item : ListItems(*option))
      words.insert(words.end(), item.shortNames.begin(), item.shortNames.end());
  }
  return words;
}

}  // namespace vantrel::cli
