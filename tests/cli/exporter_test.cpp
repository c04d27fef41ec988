// The exporter's logic without a socket: Prometheus' text format, the probe page and the
// exporter's own metrics, the access check, the scrape's bound and one probe per printer at a
// time. The exporter against real printers (simulators) and a real Prometheus is
// tests/exporter/run.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <limits>
#include <mutex>
#include <thread>

#include "cli/lib/exporter.h"
#include "cli/lib/metrics_text.h"

namespace vantrel::cli {
namespace {

using std::chrono::milliseconds;

// --- The text format ---

TEST(MetricsText, EscapesAndFormatsAsTheFormatSays) {
  struct {
    std::string raw, label, help;
  } const cases[] = {
      {"plain", "plain", "plain"},
      {"a\\b", "a\\\\b", "a\\\\b"},
      {"say \"hi\"", "say \\\"hi\\\"", "say \"hi\""},
      {"two\nlines", "two\\nlines", "two\\nlines"},
      {"\xFF"
       "ok\xC3",
       "\xEF\xBF\xBDok\xEF\xBF\xBD", "\xEF\xBF\xBDok\xEF\xBF\xBD"},
      {"\xE4\xB8\xAD", "\xE4\xB8\xAD", "\xE4\xB8\xAD"},  // UTF-8 stays as it is
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeLabelValue(c.raw), c.label) << c.raw;
    EXPECT_EQ(EscapeHelp(c.raw), c.help) << c.raw;
  }
  EXPECT_EQ(MetricValue(0.25), "0.25");
  EXPECT_EQ(MetricValue(3), "3");
  EXPECT_EQ(MetricValue(std::numeric_limits<double>::infinity()), "+Inf");
  EXPECT_EQ(MetricValue(-std::numeric_limits<double>::infinity()), "-Inf");
  EXPECT_EQ(MetricValue(std::numeric_limits<double>::quiet_NaN()), "NaN");

  MetricsText text;
  text.Family("x_seconds", "histogram", "help\\me");
  text.Histogram("x_seconds", {{"job", "a"}}, {{0.1, 1}, {2, 1}, 4, 2.5});
  EXPECT_EQ(text.Text(),
            "# HELP x_seconds help\\\\me\n"
            "# TYPE x_seconds histogram\n"
            "x_seconds_bucket{job=\"a\",le=\"0.1\"} 2\n"
            "x_seconds_bucket{job=\"a\",le=\"1\"} 3\n"
            "x_seconds_bucket{job=\"a\",le=\"+Inf\"} 4\n"
            "x_seconds_sum{job=\"a\"} 2.5\n"
            "x_seconds_count{job=\"a\"} 4\n");
}

// --- Addresses ---

TEST(ExporterAddresses, NetworksListenAddressesAndBounds) {
  const Ipv4Subnet network{{192, 168, 10, 0}, 24};
  EXPECT_TRUE(InSubnet(network, {192, 168, 10, 77}));
  EXPECT_FALSE(InSubnet(network, {192, 168, 11, 1}));
  EXPECT_TRUE(InSubnet({{0, 0, 0, 0}, 0}, {8, 8, 8, 8}));
  EXPECT_FALSE(InSubnet({{10, 0, 0, 5}, 32}, {10, 0, 0, 6}));

  EXPECT_EQ(ParseListenAddress("127.0.0.1:9873"), (Ipv4Endpoint{{127, 0, 0, 1}, 9873}));
  for (const char* bad : {"127.0.0.1", "127.0.0.1:0", "127.0.0.1:65536", ":9873", "localhost:1",
                          "10.0.0.0/8:1", "10.0.0.256:1"})
    EXPECT_FALSE(ParseListenAddress(bad)) << bad;

  const ExporterLimits limits;  // offset 0.5 s, default 10 s, at most 60 s
  struct {
    std::optional<std::string> header;
    milliseconds bound;
  } const bounds[] = {
      {"10", milliseconds(9500)},   {std::nullopt, milliseconds(9500)}, {"2.5", milliseconds(2000)},
      {"0.6", milliseconds(300)},   {"abc", milliseconds(9500)},        {"-3", milliseconds(9500)},
      {"1e9", milliseconds(59500)}, {"nan", milliseconds(9500)},
  };
  for (const auto& b : bounds)
    EXPECT_EQ(ProbeBound(b.header, limits), b.bound) << b.header.value_or("(none)");
}

// --- The exporter ---

std::optional<std::array<std::uint8_t, 4>> NoNames(std::string_view) {
  return std::nullopt;
}

HttpRequest Get(std::string path, std::vector<std::pair<std::string, std::string>> query = {},
                std::optional<std::string> timeout = std::nullopt, std::string from = "127.0.0.1") {
  return {std::move(path), std::move(query), std::move(timeout), std::move(from)};
}

HttpRequest ProbeOf(const std::string& target, std::optional<std::string> timeout = std::nullopt) {
  return Get("/probe", {{"target", target}}, std::move(timeout));
}

ProbeResult PaperOut() {
  ProbeResult result;
  result.up = true;
  result.conditions = {false, true, false, true, false, false};
  result.identity = {{"identity", "Vantrel \"TM\\1\"\n"}};
  return result;
}

TEST(Exporter, AnswersAPrinterInTheTextFormat) {
  Exporter exporter(
      [](const InterfaceChoice& target, milliseconds bound) {
        // The scrape's 2 s less the offset, less what the request took so far.
        EXPECT_LE(bound, milliseconds(1500));
        EXPECT_GT(bound, milliseconds(1000));
        if (target.endpoint.address[3] == 2)
          return PaperOut();
        ProbeResult failed;
        failed.failure = "no-answer";
        return failed;
      },
      NoNames, {}, "9.9");

  const HttpResponse answered = exporter.Handle(ProbeOf("127.0.0.2", "2"));
  EXPECT_EQ(answered.status, 200);
  EXPECT_EQ(answered.contentType, kMetricsContentType);
  const std::string& body = answered.body;
  for (const char* line : {"# TYPE vantrel_printer_up gauge\nvantrel_printer_up 1\n",
                           "# TYPE vantrel_printer_paper_out gauge\nvantrel_printer_paper_out 1\n",
                           "vantrel_printer_paper_near_end 0\n", "vantrel_printer_cover_open 0\n",
                           "vantrel_printer_offline 1\n", "vantrel_printer_error 0\n",
                           "vantrel_printer_drawer_open 0\n",
                           "vantrel_printer_info{identity=\"Vantrel \\\"TM\\\\1\\\"\\n\"} 1\n",
                           "# TYPE vantrel_printer_probe_duration_seconds gauge\n"})
    EXPECT_NE(body.find(line), std::string::npos) << line << " in\n" << body;
  EXPECT_EQ(body.find("probe_failed"), std::string::npos);

  const std::string silent = exporter.Handle(ProbeOf("127.0.0.3:9100", "2")).body;
  EXPECT_NE(silent.find("vantrel_printer_up 0\n"), std::string::npos) << silent;
  EXPECT_NE(silent.find("vantrel_printer_probe_failed{reason=\"no-answer\"} 1\n"),
            std::string::npos);
  EXPECT_EQ(silent.find("paper"), std::string::npos) << "no conditions without an answer";

  const std::string own = exporter.Handle(Get("/metrics")).body;
  for (const char* line :
       {"vantrel_exporter_build_info{version=\"9.9\"} 1\n", "vantrel_exporter_probes_total 2\n",
        "vantrel_exporter_probe_failures_total{reason=\"no-answer\"} 1\n",
        "vantrel_exporter_probe_failures_total{reason=\"busy\"} 0\n",
        "# TYPE vantrel_exporter_probe_duration_seconds histogram\n",
        "vantrel_exporter_probe_duration_seconds_bucket{le=\"+Inf\"} 2\n",
        "vantrel_exporter_probe_duration_seconds_count 2\n"})
    EXPECT_NE(own.find(line), std::string::npos) << line << " in\n" << own;
}

TEST(Exporter, RefusesWhatItShouldNotServe) {
  int probes = 0;
  ExporterLimits limits;
  limits.allowed = {{{127, 0, 0, 0}, 8}, {{10, 1, 0, 0}, 16}};
  Exporter exporter(
      [&](const InterfaceChoice&, milliseconds) {
        ++probes;
        return PaperOut();
      },
      NoNames, limits, "1");
  struct {
    HttpRequest request;
    int status;
  } const cases[] = {
      {Get("/probe", {{"target", "127.0.0.2"}}, {}, "10.1.4.5"), 200},
      {Get("/probe", {{"target", "127.0.0.2"}}, {}, "10.2.0.1"), 403},
      {Get("/metrics", {}, {}, "192.168.1.9"), 403},
      {Get("/probe", {{"target", "127.0.0.2"}}, {}, "::1"), 403},
      {Get("/probe"), 400},
      {Get("/probe", {{"target", ""}}), 400},
      {Get("/probe", {{"target", "127.0.0.2"}, {"target", "127.0.0.3"}}), 400},
      {Get("/probe", {{"target", std::string(300, 'a')}}), 400},
      {Get("/probe", {{"target", "no-such-host"}}), 400},
      {Get("/probe", {{"target", "COM0"}}), 400},
      {Get("/other"), 404},
      {Get("/"), 200},
  };
  for (const auto& c : cases)
    EXPECT_EQ(exporter.Handle(c.request).status, c.status)
        << c.request.path << " from " << c.request.remoteAddress;
  EXPECT_EQ(probes, 1);
  EXPECT_NE(
      exporter.Handle(Get("/metrics")).body.find("vantrel_exporter_refused_requests_total 3\n"),
      std::string::npos);
}

// A probe that holds its printer until the test lets it go.
struct HeldPrinter {
  std::promise<void> release;
  std::shared_future<void> released{release.get_future().share()};
  std::promise<void> enteredPromise;
  std::future<void> entered{enteredPromise.get_future()};
  std::once_flag once;
  std::atomic<int> running{0};
  std::atomic<int> most{0};
};

TEST(Exporter, AsksEachPrinterOnceAtATime) {
  HeldPrinter held;
  ExporterLimits limits;
  limits.maxProbes = 2;
  Exporter exporter(
      [&](const InterfaceChoice& target, milliseconds) {
        const int now = ++held.running;
        held.most = std::max(held.most.load(), now);
        if (target.endpoint.address[3] == 2 && target.endpoint.port == 9100) {
          std::call_once(held.once, [&] { held.enteredPromise.set_value(); });
          held.released.wait();
        }
        --held.running;
        return PaperOut();
      },
      NoNames, limits, "1");

  // The first scrape of 127.0.0.2 holds the printer; the same printer written another way waits
  // for it, and gets its turn only when its bound has run out: busy, and never asked.
  auto first =
      std::async(std::launch::async, [&] { return exporter.Handle(ProbeOf("127.0.0.2")); });
  held.entered.wait();
  const std::string second = exporter.Handle(ProbeOf("127.0.0.2:9100", "0.4")).body;
  EXPECT_NE(second.find("vantrel_printer_probe_failed{reason=\"busy\"} 1\n"), std::string::npos)
      << second;
  // Two probes run (the held one and the waiting one): a third is refused at once.
  auto waiting =
      std::async(std::launch::async, [&] { return exporter.Handle(ProbeOf("127.0.0.2", "30")); });
  while (exporter.Handle(Get("/metrics")).body.find("vantrel_exporter_probes_in_flight 2\n") ==
         std::string::npos)
    std::this_thread::yield();
  EXPECT_EQ(exporter.Handle(ProbeOf("127.0.0.4")).status, 503);
  held.release.set_value();
  EXPECT_NE(first.get().body.find("vantrel_printer_up 1\n"), std::string::npos);
  EXPECT_NE(waiting.get().body.find("vantrel_printer_up 1\n"), std::string::npos);
  EXPECT_EQ(held.most.load(), 1);
  // Another printer is asked while one is held.
  EXPECT_EQ(exporter.Handle(ProbeOf("127.0.0.5")).status, 200);
}

TEST(Exporter, AnswersByTheScrapesDeadlineWhateverTheLinkDoes) {
  HeldPrinter held;
  {
    Exporter exporter(
        [&](const InterfaceChoice&, milliseconds) {
          held.released.wait();  // a link that waits past any bound it was given
          return PaperOut();
        },
        NoNames, {}, "1");
    const std::string late = exporter.Handle(ProbeOf("127.0.0.2", "0.4")).body;
    EXPECT_NE(late.find("vantrel_printer_probe_failed{reason=\"no-answer\"} 1\n"),
              std::string::npos)
        << late;
    // The printer is still being asked: the next scrape does not ask it a second time.
    const std::string next = exporter.Handle(ProbeOf("127.0.0.2:9100", "0.4")).body;
    EXPECT_NE(next.find("vantrel_printer_probe_failed{reason=\"busy\"} 1\n"), std::string::npos)
        << next;
    EXPECT_NE(exporter.Handle(Get("/metrics")).body.find("vantrel_exporter_probes_in_flight 1\n"),
              std::string::npos);
    held.release.set_value();
  }  // the exporter waits for the probe that is still running
}

}  // namespace
}  // namespace vantrel::cli
