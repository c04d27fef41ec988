#pragma once

#include <memory>

#include "link/system.h"

namespace vantrel::win32 {

// The operating system as the connections use it: device files, SetupAPI, Winsock and the shell.
std::unique_ptr<System> CreateWin32System();

}  // namespace vantrel::win32
