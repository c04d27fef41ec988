#pragma once

namespace vantrel::cli {

// The system the tool runs on, for the few texts that name its devices: a POSIX machine's device
// paths and drivers, or Windows' port names and SetupAPI.
enum class Platform { Posix, Windows };

// How vantrel-cli.exe writes a standard stream. A console gets UTF-16, so every character shows.
// A pipe while a console is attached is what Windows PowerShell 5.1 captures ($r = vantrel-cli
// ..., a pipeline, > file): it decodes it in the console's output code page, so the text goes in
// that code page (a character it lacks becomes '?'), except --json, which stays UTF-8 for
// programs. A file, or a pipe with no console (another program), gets UTF-8.
enum class StreamEncoding { ConsoleUnicode, ConsoleCodePage, Utf8 };

constexpr StreamEncoding ChooseStreamEncoding(bool console, bool pipe, bool consoleAttached,
                                              bool json) {
  if (console)
    return StreamEncoding::ConsoleUnicode;
  if (pipe && consoleAttached && !json)
    return StreamEncoding::ConsoleCodePage;
  return StreamEncoding::Utf8;
}

}  // namespace vantrel::cli
