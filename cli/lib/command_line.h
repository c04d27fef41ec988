#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/ui_variant.h"
#include "bitmap/file_reader.h"
#include "cli/lib/discover.h"
#include "cli/lib/http_service.h"
#include "cli/lib/inputs.h"
#include "cli/lib/platform.h"
#include "cli/lib/setting_options.h"
#include "cli/lib/usb_listing.h"
#include "link/system.h"

namespace vantrel::cli {

// How the links of one run are to be set up on the machine.
struct LinkSetup {
  std::optional<std::string> parallelPath;  // a printer node given by path, for LPT1
  std::optional<std::chrono::milliseconds> connectTimeout;
  std::function<void(std::size_t done, std::size_t total)> progress;
};

// What the program needs of the machine it runs on.
struct Machine {
  std::function<const char*(const char*)> getenv;
  Resolver resolve;
  // Converts a UTF-8 text to the variant's code page (GBK, Windows-1252).
  std::function<std::optional<std::string>(std::string_view utf8, UiVariant)> encode;
  std::function<std::unique_ptr<System>(const LinkSetup&)> makeSystem;
  std::function<std::optional<std::vector<UsbListing>>()> listUsb;
  FileReader& files;
  bool errorIsTerminal = false;
  std::ostream& out;
  std::ostream& err;
  Platform platform = Platform::Posix;
  // The user's language id where the system keeps one (Windows); else the locale's is taken.
  std::function<std::uint16_t()> languageId;
  // discover: the serial lines there are, and the machine's own IPv4 subnets.
  std::function<std::optional<std::vector<SerialListing>>()> listSerial;
  std::function<std::vector<Ipv4Subnet>()> ownSubnets;
  // The HTTP server the exporter runs in.
  HttpServe serveHttp;
};

// The whole program: parses the arguments, runs the command, prints, returns the exit status.
int RunCommandLine(const std::vector<std::string>& arguments, Machine& machine);

}  // namespace vantrel::cli
