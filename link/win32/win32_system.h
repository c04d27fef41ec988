#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "link/system.h"

namespace vantrel::win32 {

// The operating system as the connections use it: device files, SetupAPI, Winsock and the shell.
// A connect waits as long as Winsock does, or at most connectTimeout when one is given (the
// command-line tool's --connect-timeout).
std::unique_ptr<System> CreateWin32System(
    std::optional<std::chrono::milliseconds> connectTimeout = std::nullopt);

}  // namespace vantrel::win32
