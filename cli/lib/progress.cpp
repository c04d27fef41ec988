#include "cli/lib/progress.h"

#include <cstdio>

namespace vantrel::cli {
namespace {

std::string Kib(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", bytes / 1024.0);
  return text;
}

std::string Clock(long long seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

}  // namespace

std::string ProgressLine(std::size_t done, std::size_t total, std::chrono::milliseconds elapsed,
                         std::size_t barWidth) {
  const double share = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  const auto filled = static_cast<std::size_t>(share * static_cast<double>(barWidth));
  std::string line = "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "] ";
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(share * 100.0));
  line += percent;
  line += "  " + Kib(static_cast<double>(done)) + "/" + Kib(static_cast<double>(total)) + " KiB";
  const double seconds = static_cast<double>(elapsed.count()) / 1000.0;
  if (seconds >= 0.2 && done > 0) {
    const double rate = static_cast<double>(done) / seconds;
    line += "  " + Kib(rate) + " KiB/s";
    const double left = static_cast<double>(total - done) / rate;
    line += "  " + Clock(static_cast<long long>(left + 0.5)) + " left";
  }
  return line;
}

}  // namespace vantrel::cli
