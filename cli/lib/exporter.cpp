#include "cli/lib/exporter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <future>
#include <system_error>
#include <thread>

#include "link/printer_connection.h"

namespace vantrel::cli {
namespace {

// What a probe leaves of its bound for the answer to be written.
constexpr std::chrono::milliseconds kAnswerMargin{20};

// A target longer than any host name, device path or port name is refused before it is parsed.
constexpr std::size_t kTargetCap = 256;

HttpResponse Text(int status, std::string body) {
  HttpResponse response;
  response.status = status;
  response.body = std::move(body);
  return response;
}

// The printer a target names, as one key whatever way it was written: "10.0.0.5" and
// "10.0.0.5:9100" are the same printer, and so are "usb" and "USB".
std::string SlotKey(const InterfaceChoice& choice) {
  if (choice.index == kNetworkInterface)
    return choice.endpoint.AddressText() + ":" + std::to_string(choice.endpoint.port);
  if (choice.devicePath)
    return *choice.devicePath;
  return "interface " + std::to_string(choice.index);
}

// A dotted IPv4 address ("10.0.0.5"), no prefix.
std::optional<std::array<std::uint8_t, 4>> AddressOf(std::string_view text) {
  if (text.find('/') != std::string_view::npos)
    return std::nullopt;
  const auto parsed = ParseSubnet(text);
  if (const auto* subnet = std::get_if<Ipv4Subnet>(&parsed))
    return subnet->address;
  return std::nullopt;
}

struct Condition {
  std::string_view name;
  std::optional<bool> PrinterConditions::*field;
  std::string_view help;
};

constexpr Condition kConditions[] = {
    {"vantrel_printer_paper_near_end", &PrinterConditions::paperNearEnd,
     "1 when the paper roll is near its end."},
    {"vantrel_printer_paper_out", &PrinterConditions::paperOut, "1 when the paper is out."},
    {"vantrel_printer_cover_open", &PrinterConditions::coverOpen, "1 when the cover is open."},
    {"vantrel_printer_offline", &PrinterConditions::offline, "1 when the printer is offline."},
    {"vantrel_printer_error", &PrinterConditions::error,
     "1 when the printer reports an error (cutter, mechanism, an unrecoverable or an automatically "
     "recoverable one)."},
    {"vantrel_printer_drawer_open", &PrinterConditions::drawerOpen,
     "1 when the cash drawer is open (its kick-out connector's pin 3 is high)."},
};

}  // namespace

bool InSubnet(const Ipv4Subnet& subnet, const std::array<std::uint8_t, 4>& address) {
  const auto value = [](const std::array<std::uint8_t, 4>& a) {
    return (std::uint32_t{a[0]} << 24) | (std::uint32_t{a[1]} << 16) | (std::uint32_t{a[2]} << 8) |
           std::uint32_t{a[3]};
  };
  const std::uint32_t mask = subnet.prefix <= 0 ? 0 : ~std::uint32_t{0} << (32 - subnet.prefix);
  return (value(subnet.address) & mask) == (value(address) & mask);
}

std::optional<Ipv4Endpoint> ParseListenAddress(std::string_view text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos)
    return std::nullopt;
  const auto address = AddressOf(text.substr(0, colon));
  const std::string_view portText = text.substr(colon + 1);
  unsigned port = 0;
  const auto [end, error] =
      std::from_chars(portText.data(), portText.data() + portText.size(), port);
  if (!address || portText.empty() || error != std::errc() ||
      end != portText.data() + portText.size() || port == 0 || port > 65535)
    return std::nullopt;
  return Ipv4Endpoint{*address, static_cast<std::uint16_t>(port)};
}

std::chrono::milliseconds ProbeBound(const std::optional<std::string>& scrapeTimeout,
                                     const ExporterLimits& limits) {
  using std::chrono::milliseconds;
  milliseconds timeout = limits.defaultTimeout;
  if (scrapeTimeout) {
    double seconds = 0;
    const char* first = scrapeTimeout->data();
    const char* last = first + scrapeTimeout->size();
    const auto [end, error] = std::from_chars(first, last, seconds);
    if (error == std::errc() && end == last && std::isfinite(seconds) && seconds > 0)
      timeout = milliseconds(static_cast<long long>(std::min(seconds, 86400.0) * 1000));
  }
  timeout = std::min(timeout, limits.maxTimeout);
  if (timeout > 2 * limits.timeoutOffset)
    return timeout - limits.timeoutOffset;
  return std::max(milliseconds(1), timeout / 2);
}

Exporter::Exporter(ProbeFunction probe, Resolver resolve, ExporterLimits limits,
                   std::string version)
    : probe_(std::move(probe)),
      resolve_(std::move(resolve)),
      limits_(std::move(limits)),
      version_(std::move(version)) {
  durations_.bounds = DurationBounds();
  durations_.counts.assign(durations_.bounds.size(), 0);
}

const std::vector<double>& Exporter::DurationBounds() {
  static const std::vector<double> bounds{0.005, 0.01, 0.025, 0.05, 0.1, 0.25,
                                          0.5,   1,    2.5,   5,    10,  30};
  return bounds;
}

bool Exporter::Allowed(const std::string& remoteAddress) const {
  const auto address = AddressOf(remoteAddress);
  if (!address)
    return false;
  return std::any_of(limits_.allowed.begin(), limits_.allowed.end(),
                     [&](const Ipv4Subnet& subnet) { return InSubnet(subnet, *address); });
}

HttpResponse Exporter::Handle(const HttpRequest& request) {
  if (!Allowed(request.remoteAddress)) {
    std::lock_guard lock(mutex_);
    ++refused_;
    return Text(403, "this client may not use the exporter (see --allow)\n");
  }
  if (request.path == "/probe")
    return Probe(request);
  if (request.path == "/metrics")
    return OwnMetrics();
  if (request.path == "/") {
    HttpResponse page;
    page.contentType = "text/html; charset=utf-8";
    page.body =
        "<!DOCTYPE html><html><head><title>vantrel exporter</title></head><body>"
        "<h1>vantrel exporter</h1><p><a href=\"/metrics\">/metrics</a>: the exporter's own "
        "metrics</p><p>/probe?target=HOST[:PORT] (or a device path, USB): one printer's "
        "status</p></body></html>\n";
    return page;
  }
  return Text(404, "no such page; try /probe?target=HOST[:PORT] or /metrics\n");
}

bool Exporter::TakeSlot(const std::string& key, Clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  Slot& slot = slots_[key];
  ++slot.users;
  while (slot.busy) {
    if (slot.freed.wait_until(lock, deadline) == std::cv_status::timeout && slot.busy) {
      if (--slot.users == 0)
        slots_.erase(key);
      return false;
    }
  }
  slot.busy = true;
  return true;
}

void Exporter::FreeSlot(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto found = slots_.find(key);
  if (found == slots_.end())
    return;
  found->second.busy = false;
  if (--found->second.users == 0)
    slots_.erase(found);
  else
    found->second.freed.notify_one();
}

void Exporter::ProbeEnded() {
  std::lock_guard lock(mutex_);
  if (--inFlight_ == 0)
    idle_.notify_all();
}

Exporter::~Exporter() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return inFlight_ == 0; });
}

void Exporter::Count(const ProbeResult& result, double seconds) {
  std::lock_guard lock(mutex_);
  ++probes_;
  if (!result.up)
    ++failures_[result.failure];
  const auto bucket = std::lower_bound(durations_.bounds.begin(), durations_.bounds.end(), seconds);
  if (bucket != durations_.bounds.end())
    ++durations_.counts[static_cast<std::size_t>(bucket - durations_.bounds.begin())];
  ++durations_.count;
  durations_.sum += seconds;
}

namespace {

// One probe's answer in the exposition format.
HttpResponse ProbeMetrics(const ProbeResult& result, double seconds) {
  MetricsText text;
  text.Family("vantrel_printer_up", "gauge",
              "1 when the printer answered its status within the scrape's time, else 0.");
  text.Sample("vantrel_printer_up", {}, result.up ? 1 : 0);
  text.Family("vantrel_printer_probe_duration_seconds", "gauge",
              "How long the probe took, connection included.");
  text.Sample("vantrel_printer_probe_duration_seconds", {}, seconds);
  if (!result.up) {
    text.Family("vantrel_printer_probe_failed", "gauge",
                "Why the printer did not answer: open-failed (no connection), no-answer (silent "
                "within the time), busy (another probe held it for the whole time).");
    text.Sample("vantrel_printer_probe_failed", {{"reason", result.failure}}, 1);
  }
  for (const Condition& condition : kConditions) {
    const std::optional<bool>& value = result.conditions.*condition.field;
    if (!result.up || !value)
      continue;
    text.Family(condition.name, "gauge", condition.help);
    text.Sample(condition.name, {}, *value ? 1 : 0);
  }
  if (result.up && !result.identity.empty()) {
    text.Family("vantrel_printer_info", "gauge",
                "What the printer says it is (its identity answers); always 1.");
    text.Sample("vantrel_printer_info", result.identity, 1);
  }
  HttpResponse response;
  response.contentType = std::string(kMetricsContentType);
  response.body = text.Text();
  return response;
}

}  // namespace

// The probe, on a thread of its own that keeps the printer's slot and its place among the probes
// until it ends: a link that waits longer than the scrape (a serial line's read, a printer
// answering slowly) is answered for at the deadline, and the printer is not asked again while it
// is still being asked. Nothing when no thread is to be had.
std::optional<ProbeResult> Exporter::Ask(const InterfaceChoice& choice, const std::string& key,
                                         Clock::time_point deadline) {
  ProbeResult result;
  if (!TakeSlot(key, deadline)) {
    result.failure = "busy";  // another probe of this printer held it for the whole bound
    ProbeEnded();
    return result;
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now() -
                                                                          kAnswerMargin);
  auto promise = std::make_shared<std::promise<ProbeResult>>();
  std::future<ProbeResult> future = promise->get_future();
  try {
    std::thread([this, promise, choice, key, left] {
      ProbeResult ran;
      try {
        ran = probe_(choice, std::max(left, std::chrono::milliseconds(1)));
      } catch (const std::exception&) {
        ran = ProbeResult{};
        ran.failure = "open-failed";
      }
      promise->set_value(std::move(ran));
      FreeSlot(key);
      ProbeEnded();
    }).detach();
  } catch (const std::system_error&) {  // no thread to be had
    FreeSlot(key);
    ProbeEnded();
    std::lock_guard lock(mutex_);
    ++overloaded_;
    return std::nullopt;
  }
  if (future.wait_until(deadline) == std::future_status::ready)
    result = future.get();
  else
    result.failure = "no-answer";
  return result;
}

HttpResponse Exporter::Probe(const HttpRequest& request) {
  const Clock::time_point start = Clock::now();
  std::optional<std::string> target;
  for (const auto& [name, value] : request.query) {
    if (name != "target")
      continue;
    if (target)
      return Text(400, "target is given more than once\n");
    target = value;
  }
  if (!target || target->empty())
    return Text(400, "no target: /probe?target=HOST[:PORT]\n");
  if (target->size() > kTargetCap)
    return Text(400, "the target is longer than " + std::to_string(kTargetCap) + " bytes\n");
  auto parsed = ParseInterface(*target, resolve_);
  if (const auto* why = std::get_if<std::string>(&parsed))
    return Text(400, ValidUtf8(*why) + "\n");
  const InterfaceChoice& choice = std::get<InterfaceChoice>(parsed);

  {
    std::lock_guard lock(mutex_);
    if (inFlight_ >= limits_.maxProbes) {
      ++overloaded_;
      return Text(503, "too many probes at once (--max-probes)\n");
    }
    ++inFlight_;
  }
  const std::chrono::milliseconds bound = ProbeBound(request.scrapeTimeout, limits_);
  const Clock::time_point deadline = start + bound;
  const std::string key = SlotKey(choice);
  const std::optional<ProbeResult> result = Ask(choice, key, deadline);
  if (!result)
    return Text(503, "no thread for the probe\n");
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  Count(*result, seconds);
  return ProbeMetrics(*result, seconds);
}

HttpResponse Exporter::OwnMetrics() {
  MetricsText text;
  std::lock_guard lock(mutex_);
  text.Family("vantrel_exporter_build_info", "gauge", "The exporter's version; always 1.");
  text.Sample("vantrel_exporter_build_info", {{"version", version_}}, 1);
  text.Family("vantrel_exporter_probes_total", "counter", "Probes run, answered or not.");
  text.Sample("vantrel_exporter_probes_total", {}, static_cast<double>(probes_));
  text.Family("vantrel_exporter_probe_failures_total", "counter",
              "Probes whose printer did not answer, by reason.");
  for (const std::string_view reason : {"open-failed", "no-answer", "busy"})
    failures_.try_emplace(std::string(reason), 0);
  for (const auto& [reason, count] : failures_)
    text.Sample("vantrel_exporter_probe_failures_total", {{"reason", reason}},
                static_cast<double>(count));
  text.Family("vantrel_exporter_probe_duration_seconds", "histogram",
              "How long probes took, waiting for the printer's turn included.");
  text.Histogram("vantrel_exporter_probe_duration_seconds", {}, durations_);
  text.Family("vantrel_exporter_probes_in_flight", "gauge", "Probes running now.");
  text.Sample("vantrel_exporter_probes_in_flight", {}, static_cast<double>(inFlight_));
  text.Family("vantrel_exporter_overloaded_total", "counter",
              "Scrapes answered 503 because --max-probes were running.");
  text.Sample("vantrel_exporter_overloaded_total", {}, static_cast<double>(overloaded_));
  text.Family("vantrel_exporter_refused_requests_total", "counter",
              "Requests from clients outside --allow, answered 403.");
  text.Sample("vantrel_exporter_refused_requests_total", {}, static_cast<double>(refused_));
  HttpResponse response;
  response.contentType = std::string(kMetricsContentType);
  response.body = text.Text();
  return response;
}

}  // namespace vantrel::cli
