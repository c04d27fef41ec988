#pragma once

namespace vantrel::cli {

// The exit statuses of vantrel (the man page's table).
enum class ExitStatus : int {
  Ok = 0,  // done; every setting read back as succeeded, or was sent (network, LPT)
  // the run went through, but at least one setting reported failure, or a download's or a
  // command's bytes did not all go out
  SettingFailed = 1,
  BadUsage = 2,    // an unknown option, setting or value; nothing was opened
  BadFile = 3,     // the image or profile could not be read or cannot be printed; nothing opened
  OpenFailed = 4,  // the connection could not be opened; nothing was sent
  // status: what the printer answered (0 is ready)
  PaperNearEnd = 5,    // it prints, but its roll is near the end
  NeedsAttention = 6,  // paper out, cover open, an error or offline: it does not print
  NoAnswer = 7,        // opened, but no status came back
  // discover: nothing was found
  NothingFound = 8,
};

// Several runs (fleet mode) end with the most pressing status of any of them: a printer's state
// (ready, paper near its end, needs a person, no answer) before a failed run, before bad usage,
// before an unusable file, before a connection that did not open.
constexpr int Severity(ExitStatus status) {
  switch (status) {
    case ExitStatus::Ok:
      return 0;
    case ExitStatus::PaperNearEnd:
      return 1;
    case ExitStatus::NeedsAttention:
      return 2;
    case ExitStatus::NoAnswer:
      return 3;
    default:
      return 3 + static_cast<int>(status);
  }
}

constexpr ExitStatus Worst(ExitStatus a, ExitStatus b) {
  return Severity(a) >= Severity(b) ? a : b;
}

}  // namespace vantrel::cli
