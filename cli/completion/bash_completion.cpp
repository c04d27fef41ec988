#include "cli/completion/bash_completion.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <utility>

namespace vantrel::completion {
namespace {

struct ValuedOption {
  std::vector<std::string> names;                  // "-i", "--interface"
  std::optional<std::vector<std::string>> values;  // nothing: file names
};

struct CommandWords {
  std::string name;                  // empty for the program itself
  std::vector<std::string> options;  // every visible option name
  std::vector<ValuedOption> valued;  // the options that take a value
};

std::string Joined(const std::vector<std::string>& words, char separator) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty())
      text += separator;
    text += word;
  }
  return text;
}

// A word list for compgen -W inside single quotes; a quote in a value is closed, escaped and
// reopened.
std::string Quoted(const std::vector<std::string>& words) {
  std::string quoted = "'";
  for (const char c : Joined(words, ' ')) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

// The completion function's name: "vantrel-sim" gives "_vantrel_sim".
std::string FunctionName(const std::string& program) {
  std::string id = "_" + program;
  std::replace_if(
      id.begin(), id.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) == 0; },
      '_');
  return id;
}

CommandWords WordsOf(const CLI::App& command, std::string name, const ValueLister& values) {
  CommandWords words{std::move(name), {}, {}};
  for (const CLI::Option* option : command.get_options()) {
    // Positional arguments have no name to offer; an option without a group is hidden.
    if (!option->nonpositional() || option->get_group().empty())
      continue;
    ValuedOption named;
    for (const std::string& s : option->get_snames())
      named.names.push_back("-" + s);
    for (const std::string& l : option->get_lnames())
      named.names.push_back("--" + l);
    words.options.insert(words.options.end(), named.names.begin(), named.names.end());
    if (option->get_expected_max() > 0) {
      if (values)
        named.values = values(command, *option);
      words.valued.push_back(std::move(named));
    }
  }
  return words;
}

void WriteCommand(std::ostringstream& out, const CommandWords& words,
                  const std::vector<std::string>& subcommands) {
  out << "    " << (words.name.empty() ? "\"\"" : words.name) << ")\n";
  if (!words.valued.empty()) {
    out << "      case $prev in\n";
    for (const ValuedOption& option : words.valued) {
      out << "        " << Joined(option.names, '|') << ")\n";
      if (!option.values) {
        out << "          COMPREPLY=($(compgen -f -- \"$cur\"))\n";
      } else if (option.values->empty()) {
        out << "          COMPREPLY=()\n";
      } else {
        out << "          if [[ $cur == [/.~]* ]]; then\n";
        out << "            COMPREPLY=($(compgen -f -- \"$cur\"))\n";
        out << "          else\n";
        out << "            COMPREPLY=($(compgen -W " << Quoted(*option.values)
            << " -- \"$cur\"))\n";
        out << "          fi\n";
      }
      out << "          return ;;\n";
    }
    out << "      esac\n";
  }
  // The program itself offers its options and the commands; a command offers its options after
  // a dash and file names otherwise (a command's argument is a file).
  if (words.name.empty()) {
    std::vector<std::string> offered = words.options;
    offered.insert(offered.end(), subcommands.begin(), subcommands.end());
    out << "      COMPREPLY=($(compgen -W " << Quoted(offered) << " -- \"$cur\"))\n";
  } else {
    out << "      if [[ $cur == -* ]]; then\n";
    out << "        COMPREPLY=($(compgen -W " << Quoted(words.options) << " -- \"$cur\"))\n";
    out << "      else\n";
    out << "        COMPREPLY=($(compgen -f -- \"$cur\"))\n";
    out << "      fi\n";
  }
  out << "      ;;\n";
}

}  // namespace

std::string BashCompletion(const CLI::App& app, const ValueLister& values) {
  const std::string program = app.get_name();
  std::vector<CommandWords> commands;
  commands.push_back(WordsOf(app, "", values));
  std::vector<std::string> subcommands;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    if (sub->get_name().empty() || sub->get_group().empty())
      continue;
    subcommands.push_back(sub->get_name());
    commands.push_back(WordsOf(*sub, sub->get_name(), values));
  }

  std::ostringstream out;
  out << "# bash completion for " << program << ", written by \"" << program << " "
      << kCompletionSwitch << "\" from its own option table.\n";
  out << FunctionName(program) << "() {\n";
  out << "  local cur=${COMP_WORDS[COMP_CWORD]} prev=\"\" command=\"\" i\n";
  out << "  [ \"$COMP_CWORD\" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD - 1]}\n";
  if (!subcommands.empty()) {
    out << "  for ((i = 1; i < COMP_CWORD; i++)); do\n";
    out << "    case ${COMP_WORDS[i]} in\n";
    out << "      " << Joined(subcommands, '|') << ")\n";
    out << "        command=${COMP_WORDS[i]}\n";
    out << "        break ;;\n";
    out << "    esac\n";
    out << "  done\n";
  }
  out << "  case $command in\n";
  for (const CommandWords& words : commands)
    WriteCommand(out, words, subcommands);
  out << "  esac\n";
  out << "}\n";
  out << "complete -o filenames -F " << FunctionName(program) << " " << program << "\n";
  return out.str();
}

}  // namespace vantrel::completion
