#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/lib/discover.h"
#include "cli/lib/http_service.h"
#include "cli/lib/inputs.h"
#include "cli/lib/metrics_text.h"

namespace vantrel::cli {

// What one status query found. Each condition is there when the printer answered the question
// that carries it.
struct PrinterConditions {
  std::optional<bool> paperNearEnd;
  std::optional<bool> paperOut;
  std::optional<bool> coverOpen;
  std::optional<bool> offline;
  std::optional<bool> error;
  std::optional<bool> drawerOpen;
};

struct ProbeResult {
  bool up = false;      // the printer answered its status in time
  std::string failure;  // when not up, one word: "open-failed", "no-answer", ...
  PrinterConditions conditions;
  MetricLabels identity;  // what the printer says it is, when it says (label name, text)
};

// Asks the printer for its status within the bound, opening and closing its own connection.
using ProbeFunction =
    std::function<ProbeResult(const InterfaceChoice& target, std::chrono::milliseconds bound)>;

// Whether the address is in the subnet.
bool InSubnet(const Ipv4Subnet& subnet, const std::array<std::uint8_t, 4>& address);

// "127.0.0.1:9873": an IPv4 address and a port 1 to 65535.
std::optional<Ipv4Endpoint> ParseListenAddress(std::string_view text);

struct ExporterLimits {
  // Taken off the scrape's own time-out, so the answer reaches Prometheus before it gives up.
  std::chrono::milliseconds timeoutOffset{500};
  std::chrono::milliseconds defaultTimeout{10000};  // when the scrape names none
  std::chrono::milliseconds maxTimeout{60000};
  std::size_t maxProbes = 64;  // probes at once; a scrape beyond them is answered 503
  std::vector<Ipv4Subnet> allowed{{{127, 0, 0, 0}, 8}};  // the clients let in
};

// How long a probe may take: the scrape's time-out (X-Prometheus-Scrape-Timeout-Seconds, or the
// default when it is missing or not a positive number) up to the maximum, less the offset (or
// half of it when it is shorter than twice the offset).
std::chrono::milliseconds ProbeBound(const std::optional<std::string>& scrapeTimeout,
                                     const ExporterLimits& limits);

// The exporter: GET /probe?target=... asks one printer and answers its metrics; GET /metrics
// answers the exporter's own. At most one probe per printer runs at a time: a scrape that finds
// its printer being asked waits for the other probe within its own bound. A scrape is answered
// by its deadline whatever the link does; its probe goes on to its own end on its own thread.
class Exporter {
 public:
  Exporter(ProbeFunction probe, Resolver resolve, ExporterLimits limits, std::string version);
  // Waits for the probes still running (each within its bound).
  ~Exporter();
  Exporter(const Exporter&) = delete;
  Exporter& operator=(const Exporter&) = delete;

  HttpResponse Handle(const HttpRequest& request);

  // The bucket bounds of the probe duration histogram, in seconds.
  static const std::vector<double>& DurationBounds();

 private:
  using Clock = std::chrono::steady_clock;

  HttpResponse Probe(const HttpRequest& request);
  std::optional<ProbeResult> Ask(const InterfaceChoice& choice, const std::string& key,
                                 Clock::time_point deadline);
  HttpResponse OwnMetrics();
  bool Allowed(const std::string& remoteAddress) const;
  bool TakeSlot(const std::string& key, Clock::time_point deadline);
  void FreeSlot(const std::string& key);
  void Count(const ProbeResult& result, double seconds);
  void ProbeEnded();

  struct Slot {
    bool busy = false;
    int users = 0;  // the probe that holds it and those waiting for it
    std::condition_variable freed;
  };

  ProbeFunction probe_;
  Resolver resolve_;
  ExporterLimits limits_;
  std::string version_;

  std::mutex mutex_;
  std::map<std::string, Slot> slots_;
  std::size_t inFlight_ = 0;  // probes running, each until its own thread ends
  std::condition_variable idle_;
  unsigned long long probes_ = 0;
  std::map<std::string, unsigned long long> failures_;
  unsigned long long refused_ = 0;
  unsigned long long overloaded_ = 0;
  HistogramValues durations_;
};

}  // namespace vantrel::cli
