#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace vantrel {

// The serial line rates a printer takes, in the order of the port's and the printer's baud
// lists. The one table the lists, the options, their completion and their messages read.
inline constexpr std::string_view kBaudRates[] = {"1200",  "2400",  "4800",  "9600",
                                                  "19200", "38400", "57600", "115200"};
inline constexpr std::size_t kBaudRateCount = std::size(kBaudRates);

// The rate of row `index`, in bits per second.
constexpr std::uint32_t BaudRateAt(std::size_t index) {
  std::uint32_t rate = 0;
  for (const char digit : kBaudRates[index])
    rate = rate * 10 + static_cast<std::uint32_t>(digit - '0');
  return rate;
}

// The rates as a message lists them: "1200 2400 ... 115200" with `separator` between them.
inline std::string BaudRateList(std::string_view separator) {
  std::string list;
  for (const std::string_view rate : kBaudRates)
    list += (list.empty() ? "" : std::string(separator)) + std::string(rate);
  return list;
}

}  // namespace vantrel
