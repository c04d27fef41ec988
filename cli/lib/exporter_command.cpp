#include "cli/lib/exporter_command.h"

#include <algorithm>
#include <ostream>

#include "cli/lib/exit_status.h"
#include "cli/lib/exporter.h"
#include "cli/lib/status_probe.h"
#include "link/baud_rates.h"

#ifndef VANTREL_VERSION
#define VANTREL_VERSION "unknown"
#endif

namespace vantrel::cli {

CLI::App* AddExporterCommand(CLI::App& app, ExporterOptions& options) {
  CLI::App* exporter = app.add_subcommand(
      "exporter",
      "serve printers' status to Prometheus: GET /probe?target=HOST[:PORT] (or a device path, "
      "USB) asks that printer at scrape time; GET /metrics has the exporter's own metrics");
  exporter
      ->add_option("--listen", options.listen,
                   "IPv4 address and port to listen on (0.0.0.0 for every address)")
      ->capture_default_str()
      ->type_name("ADDR:PORT")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  exporter
      ->add_option("--allow", options.allow,
                   "clients let in, an IPv4 network or address, repeatable (default: "
                   "127.0.0.0/8, this machine only); others are answered 403")
      ->type_name("CIDR");
  exporter
      ->add_option("--timeout-offset", options.timeoutOffset,
                   "seconds taken off the scrape's time-out for a probe, so the answer arrives in "
                   "time")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 10.0));
  exporter
      ->add_option("--max-probes", options.maxProbes,
                   "probes at once, 1 to 4096; scrapes beyond them are answered 503")
      ->capture_default_str()
      ->check(CLI::Range(1, 4096));
  exporter->add_option("--baud", options.baud, "a serial target's current line rate")
      ->capture_default_str()
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  exporter->add_option("--parity", options.parity, "a serial target's parity: none, odd or even")
      ->capture_default_str()
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  return exporter;
}

int RunExporter(const ExporterOptions& options, Machine& machine) {
  const auto usage = [&](const std::string& message) {
    machine.err << "vantrel: " << message << "\n";
    return static_cast<int>(ExitStatus::BadUsage);
  };
  const std::optional<Ipv4Endpoint> listen = ParseListenAddress(options.listen);
  if (!listen)
    return usage("--listen: \"" + options.listen + "\" is not ADDR:PORT (an IPv4 address)");
  ExporterLimits limits;
  if (!options.allow.empty()) {
    limits.allowed.clear();
    for (const std::string& text : options.allow) {
      const auto parsed = ParseSubnet(text);
      if (const auto* why = std::get_if<std::string>(&parsed))
        return usage("--allow: " + *why);
      limits.allowed.push_back(std::get<Ipv4Subnet>(parsed));
    }
  }
  const std::optional<int> baud = BaudIndexOf(options.baud);
  if (!baud)
    return usage("--baud: \"" + options.baud + "\" is not one of " + BaudRateList(" "));
  const std::optional<int> parity = ParityIndexOf(options.parity);
  if (!parity)
    return usage("--parity: \"" + options.parity + "\" is not none, odd or even");
  if (!machine.serveHttp)
    return usage("this program has no HTTP server");
  limits.timeoutOffset =
      std::chrono::milliseconds(static_cast<long long>(options.timeoutOffset * 1000));
  limits.maxProbes = options.maxProbes;

  Exporter exporter(MakeStatusProbe(machine, *baud, *parity), machine.resolve, limits,
                    VANTREL_VERSION);
  HttpService service;
  service.address = listen->AddressText();
  service.port = listen->port;
  // Every probe holds a worker while it waits for its printer; /metrics gets a few of its own.
  service.workers = options.maxProbes + 4;
  service.handler = [&exporter](const HttpRequest& request) { return exporter.Handle(request); };
  service.listening = [&] {
    machine.out << "vantrel exporter: listening on http://" << options.listen << "/\n"
                << std::flush;
    const bool loopbackOnly = std::all_of(
        limits.allowed.begin(), limits.allowed.end(),
        [](const Ipv4Subnet& network) { return network.prefix >= 8 && network.address[0] == 127; });
    if (listen->address[0] != 127 && loopbackOnly)
      machine.err << "vantrel: only this machine's own clients are let in; add --allow with the "
                     "Prometheus server's address\n"
                  << std::flush;
  };
  const std::string why = machine.serveHttp(service);
  machine.err << "vantrel: " << why << "\n";
  return static_cast<int>(ExitStatus::OpenFailed);
}

}  // namespace vantrel::cli
