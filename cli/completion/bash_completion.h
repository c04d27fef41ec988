#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::completion {

// The words an option's value may be, for completing it: nothing offered when the list is empty
// (any text goes), file names when there is no list.
using ValueLister = std::function<std::optional<std::vector<std::string>>(
    const CLI::App& command, const CLI::Option& option)>;

// A bash completion script for the program whose option table is `app` (its name is the
// program's): its subcommands, each command's options (hidden ones left out) and, after an
// option that takes a value, the values `values` lists for it (a path when the word begins like
// one), or file names. Written from the
// table itself, so it follows every option added or renamed.
std::string BashCompletion(const CLI::App& app, const ValueLister& values);

// The switch both programs answer with their completion script instead of running.
inline constexpr const char* kCompletionSwitch = "--bash-completion";

}  // namespace vantrel::completion
