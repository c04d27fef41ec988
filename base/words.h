#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// ASCII letters in lower case; other bytes (UTF-8 and GBK texts among them) stay as they are.
inline std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The non-empty parts of a text between marks.
inline std::vector<std::string> Split(std::string_view text, char mark) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(mark, start);
    const std::string_view part = text.substr(start, end - start);
    if (!part.empty())
      parts.emplace_back(part);
    if (end == std::string_view::npos)
      break;
    start = end + 1;
  }
  return parts;
}

}  // namespace vantrel
