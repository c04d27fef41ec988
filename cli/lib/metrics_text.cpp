#include "cli/lib/metrics_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace vantrel::cli {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80)
    return 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0)
      low = 0xA0;  // no overlong forms
    if (lead == 0xED)
      high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0)
      low = 0x90;
    if (lead == 0xF4)
      high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length)
    return 0;
  if (byte(1) < low || byte(1) > high)
    return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF)
      return 0;
  }
  return length;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) {
      out += kReplacement;
      text.remove_prefix(1);
      continue;
    }
    out += text.substr(0, length);
    text.remove_prefix(length);
  }
  return out;
}

std::string EscapeLabelValue(std::string_view value) {
  std::string out;
  for (const char c : ValidUtf8(value)) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '"')
      out += "\\\"";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string EscapeHelp(std::string_view help) {
  std::string out;
  for (const char c : ValidUtf8(help)) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string MetricValue(double value) {
  if (std::isnan(value))
    return "NaN";
  if (std::isinf(value))
    return value > 0 ? "+Inf" : "-Inf";
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc())
    return "NaN";
  return std::string(buffer, end);
}

void MetricsText::Family(std::string_view name, std::string_view type, std::string_view help) {
  text_ += "# HELP ";
  text_ += name;
  text_ += ' ';
  text_ += EscapeHelp(help);
  text_ += "\n# TYPE ";
  text_ += name;
  text_ += ' ';
  text_ += type;
  text_ += '\n';
}

void MetricsText::Sample(std::string_view name, const MetricLabels& labels, double value) {
  text_ += name;
  if (!labels.empty()) {
    text_ += '{';
    for (std::size_t i = 0; i < labels.size(); ++i) {
      if (i > 0)
        text_ += ',';
      text_ += labels[i].first;
      text_ += "=\"";
      text_ += EscapeLabelValue(labels[i].second);
      text_ += '"';
    }
    text_ += '}';
  }
  text_ += ' ';
  text_ += MetricValue(value);
  text_ += '\n';
}

void MetricsText::Histogram(std::string_view name, const MetricLabels& labels,
                            const HistogramValues& values) {
  const std::string bucket = std::string(name) + "_bucket";
  unsigned long long cumulative = 0;
  for (std::size_t i = 0; i < values.bounds.size(); ++i) {
    cumulative += i < values.counts.size() ? values.counts[i] : 0;
    MetricLabels withBound = labels;
    withBound.emplace_back("le", MetricValue(values.bounds[i]));
    Sample(bucket, withBound, static_cast<double>(cumulative));
  }
  MetricLabels withInf = labels;
  withInf.emplace_back("le", "+Inf");
  Sample(bucket, withInf, static_cast<double>(values.count));
  Sample(std::string(name) + "_sum", labels, values.sum);
  Sample(std::string(name) + "_count", labels, static_cast<double>(values.count));
}

}  // namespace vantrel::cli
