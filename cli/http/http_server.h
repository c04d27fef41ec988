#pragma once

#include <string>

#include "cli/lib/http_service.h"

namespace vantrel::cli {

// The HTTP server behind the exporter (cpp-httplib), on POSIX machines and Windows alike: only
// GET, a request line and headers within the library's caps, no body, idle connections closed.
// Returns only when it could not listen, with why.
std::string ServeHttp(const HttpService& service);

}  // namespace vantrel::cli
