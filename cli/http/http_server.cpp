// Binds the exporter's request handler to cpp-httplib. The library keeps the sockets, the
// parsing and its worker threads; this file only copies a request in and a response out.

#include "cli/http/http_server.h"

#include <httplib.h>

#include <memory>

namespace vantrel::cli {

std::string ServeHttp(const HttpService& service) {
  httplib::Server server;
  const std::size_t workers = service.workers;
  server.new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
  // A scrape is one short GET; nothing larger is read, and a client that sends nothing is let go.
  server.set_payload_max_length(0);
  server.set_read_timeout(std::chrono::seconds(5));
  server.set_write_timeout(std::chrono::seconds(5));
  server.set_keep_alive_timeout(30);
  server.set_keep_alive_max_count(100);

  const HttpHandler handler = service.handler;
  server.Get(".*", [handler](const httplib::Request& in, httplib::Response& out) {
    HttpRequest request;
    request.path = in.path;
    for (const auto& [name, value] : in.params)
      request.query.emplace_back(name, value);
    if (in.has_header("X-Prometheus-Scrape-Timeout-Seconds"))
      request.scrapeTimeout = in.get_header_value("X-Prometheus-Scrape-Timeout-Seconds");
    request.remoteAddress = in.remote_addr;
    const HttpResponse response = handler(request);
    out.status = response.status;
    out.set_content(response.body, response.contentType.c_str());
  });

  if (!server.bind_to_port(service.address.c_str(), service.port))
    return "cannot listen on " + service.address + ":" + std::to_string(service.port) +
           " (in use, or not an address of this machine)";
  if (service.listening)
    service.listening();
  if (!server.listen_after_bind())
    return "the server stopped listening";
  return "the server stopped";
}

}  // namespace vantrel::cli
