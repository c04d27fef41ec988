#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel::cli {

// Label names and values of one sample, in the order they are written.
using MetricLabels = std::vector<std::pair<std::string, std::string>>;

// The bucket bounds (upper, inclusive, ascending) of a histogram and how many observations each
// bucket holds on its own; the +Inf bucket is the count.
struct HistogramValues {
  std::vector<double> bounds;
  std::vector<unsigned long long> counts;  // one per bound, not cumulative
  unsigned long long count = 0;
  double sum = 0;
};

// Prometheus' text exposition format, version 0.0.4: one HELP and one TYPE line per family, then
// its samples. Help texts and label values are escaped as the format says, and bytes that are not
// UTF-8 (a printer's identity, a target as typed) are written as U+FFFD, which the format needs.
class MetricsText {
 public:
  // "counter", "gauge", "histogram", "info"-style gauges: the family's TYPE and HELP lines.
  void Family(std::string_view name, std::string_view type, std::string_view help);
  void Sample(std::string_view name, const MetricLabels& labels, double value);
  // _bucket samples with cumulative counts and an "le" label, then _sum and _count.
  void Histogram(std::string_view name, const MetricLabels& labels, const HistogramValues& values);

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// The media type of that format.
inline constexpr std::string_view kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

// A sample value as the format writes it: "+Inf", "-Inf", "NaN", or the shortest decimal that
// reads back as the same double ("0.25", "3", "1e-05").
std::string MetricValue(double value);

// A label value between its quotes: backslash, double quote and line feed escaped.
std::string EscapeLabelValue(std::string_view value);

// A HELP text: backslash and line feed escaped.
std::string EscapeHelp(std::string_view help);

// The text with every byte sequence that is not UTF-8 replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

}  // namespace vantrel::cli
