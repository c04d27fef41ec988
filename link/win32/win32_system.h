#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "link/system.h"

namespace vantrel::win32 {

// How "arp -d" is started after a network action: through the shell with its console window
// shown (the dialog), or without any window (the command-line tool, whose fleet mode would
// otherwise flash one per printer).
enum class ArpWindow { Shown, None };

// The operating system as the connections use it: device files, SetupAPI, Winsock and the shell.
// A connect waits as long as Winsock does, or at most connectTimeout when one is given.
std::unique_ptr<System> CreateWin32System(
    std::optional<std::chrono::milliseconds> connectTimeout = std::nullopt,
    ArpWindow arp = ArpWindow::Shown);

}  // namespace vantrel::win32
