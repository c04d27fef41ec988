#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::cli {

// The words the shell offers after an option of vantrel ("interface", "code-page"): the
// interfaces, rates, parities, languages and slots, and every list setting's short names; an
// empty list for an option that takes any text or a number, nothing for a file.
std::optional<std::vector<std::string>> CompletionValues(std::string_view optionName);

}  // namespace vantrel::cli
