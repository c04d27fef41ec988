#pragma once

namespace vantrel::cli {

// The system the tool runs on, for the few texts that name its devices: a POSIX machine's device
// paths and drivers, or Windows' port names and SetupAPI.
enum class Platform { Posix, Windows };

}  // namespace vantrel::cli
