#include "tests/wine/driver/script.h"

#include <cctype>

namespace vantrel::driver {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// Splits one line into words; false with `error` set on a malformed quote or escape.
bool SplitLine(std::string_view line, std::vector<std::string>& words, std::string& error) {
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i]))
      ++i;
    if (i == line.size() || (words.empty() && line[i] == '#'))
      return true;
    std::string word;
    if (line[i] != '"') {
      while (i < line.size() && !IsBlank(line[i]))
        word += line[i++];
      words.push_back(word);
      continue;
    }
    ++i;
    bool closed = false;
    while (i < line.size()) {
      const char c = line[i++];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c != '\\') {
        word += c;
        continue;
      }
      if (i == line.size())
        break;
      const char e = line[i++];
      switch (e) {
        case 'n':
          word += '\n';
          break;
        case 'r':
          word += '\r';
          break;
        case 't':
          word += '\t';
          break;
        case '"':
        case '\\':
          word += e;
          break;
        case 'x': {
          const int hi = i < line.size() ? HexDigit(line[i]) : -1;
          const int lo = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
          if (hi < 0 || lo < 0) {
            error = "bad \\x escape";
            return false;
          }
          word += static_cast<char>(hi * 16 + lo);
          i += 2;
          break;
        }
        default:
          error = std::string("unknown escape \\") + e;
          return false;
      }
    }
    if (!closed) {
      error = "unclosed quote";
      return false;
    }
    words.push_back(word);
  }
  return true;
}

}  // namespace

ParsedScript ParseScript(std::string_view text) {
  ParsedScript parsed;
  int lineNumber = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    ++lineNumber;
    std::vector<std::string> words;
    std::string error;
    if (!SplitLine(text.substr(start, end - start), words, error)) {
      parsed.error = "line " + std::to_string(lineNumber) + ": " + error;
      return parsed;
    }
    if (!words.empty()) {
      Command command{lineNumber, words.front(), {}};
      command.args.assign(words.begin() + 1, words.end());
      parsed.commands.push_back(std::move(command));
    }
    start = end + 1;
  }
  return parsed;
}

}  // namespace vantrel::driver
