#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::driver {

// One step of a driver script: a verb and its arguments, as written on one line.
struct Command {
  int line = 0;
  std::string verb;
  std::vector<std::string> args;
};

struct ParsedScript {
  std::vector<Command> commands;
  std::string error;  // empty when every line parsed
};

// One command per line; words split at blanks; "double quotes" keep blanks and understand
// \" \\ \r \n \t and \xHH; a line whose first word starts with '#' is a comment. Texts are UTF-8.
ParsedScript ParseScript(std::string_view text);

}  // namespace vantrel::driver
