#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::cli {

// One HTTP request as the exporter sees it: a GET of a path with its query, the one header it
// reads, and the client's address.
struct HttpRequest {
  std::string path;
  std::vector<std::pair<std::string, std::string>> query;  // decoded, in order, repeats kept
  std::optional<std::string> scrapeTimeout;                // X-Prometheus-Scrape-Timeout-Seconds
  std::string remoteAddress;                               // "127.0.0.1"
};

struct HttpResponse {
  int status = 200;
  std::string contentType = "text/plain; charset=utf-8";
  std::string body;
};

using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;

// What the platform's HTTP server is asked to do: listen on an IPv4 address and port, answer
// every GET with the handler on at most `workers` requests at once, and say where it listens.
struct HttpService {
  std::string address;  // "127.0.0.1"
  std::uint16_t port = 0;
  std::size_t workers = 8;
  HttpHandler handler;
  std::function<void()> listening;  // called once the socket is bound and listening
};

// Runs the server until the process ends; returns only when it could not listen, with why.
using HttpServe = std::function<std::string(const HttpService&)>;

}  // namespace vantrel::cli
