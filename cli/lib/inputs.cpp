#include "cli/lib/inputs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <nlohmann/json.hpp>

#include "link/baud_rates.h"
#include "link/connections.h"

namespace vantrel::cli {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](char c) {
    return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  });
  return out;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty())
    return std::nullopt;
  return value;
}

std::optional<std::array<std::uint8_t, 4>> DottedQuad(std::string_view text) {
  std::array<std::uint8_t, 4> address{};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t dot = i < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos)
      return std::nullopt;
    const std::optional<int> part = Number(text.substr(0, dot));
    if (!part || *part < 0 || *part > 255)
      return std::nullopt;
    address[i] = static_cast<std::uint8_t>(*part);
    text.remove_prefix(std::min(text.size(), dot + 1));
  }
  return address;
}

}  // namespace

std::uint16_t LanguageIdOfLocale(std::string_view locale) {
  if (locale.substr(0, 2) != "zh")
    return 0x0409;
  const std::string_view region = locale.size() >= 5 && locale[2] == '_' ? locale.substr(3, 2) : "";
  if (region == "TW")
    return 0x0404;
  if (region == "CN")
    return 0x0804;
  if (region == "HK")
    return 0x0C04;
  if (region == "SG")
    return 0x1004;
  if (region == "MO")
    return 0x1404;
  return 0x0004;
}

std::string EffectiveLocale(const std::function<const char*(const char*)>& getenv) {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(name);
    if (value && *value)
      return value;
  }
  return "C";
}

namespace {

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0)
    return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const std::uint32_t a = static_cast<std::uint8_t>(bytes[i]);
    const std::uint32_t b = static_cast<std::uint8_t>(bytes[i + 1]);
    std::uint32_t unit = bigEndian ? (a << 8u | b) : (b << 8u | a);
    if (unit >= 0xDC00 && unit <= 0xDFFF)
      return std::nullopt;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 3 >= bytes.size())
        return std::nullopt;
      const std::uint32_t c = static_cast<std::uint8_t>(bytes[i + 2]);
      const std::uint32_t d = static_cast<std::uint8_t>(bytes[i + 3]);
      const std::uint32_t low = bigEndian ? (c << 8u | d) : (d << 8u | c);
      if (low < 0xDC00 || low > 0xDFFF)
        return std::nullopt;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    AppendUtf8(out, unit);
  }
  return out;
}

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t length = 1;
    std::uint32_t code = lead;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07;
    } else if (lead >= 0xE0) {
      length = lead <= 0xEF ? 3 : 0;
      code = lead & 0x0F;
    } else if (lead >= 0xC2) {
      length = 2;
      code = lead & 0x1F;
    } else if (lead >= 0x80) {
      length = 0;
    }
    if (length == 0 || i + length > text.size())
      return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<std::uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80)
        return false;
      code = code << 6 | (next & 0x3F);
    }
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

}  // namespace

std::optional<std::string> TextAsUtf8(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF"))
    bytes.remove_prefix(3);
  else if (bytes.starts_with("\xFF\xFE"))
    return Utf16ToUtf8(bytes.substr(2), false);
  else if (bytes.starts_with("\xFE\xFF"))
    return Utf16ToUtf8(bytes.substr(2), true);
  if (!IsUtf8(bytes))
    return std::nullopt;
  return std::string(bytes);
}

std::string SerialPortOfPath(std::string_view devicePath) {
  if (devicePath.starts_with(kComDevicePrefix)) {
    const std::string_view name = devicePath.substr(kComDevicePrefix.size());
    if (name.starts_with("COM") && Number(name.substr(3)).value_or(0) >= 1)
      return std::string(name);
  }
  return std::string(devicePath);
}

std::variant<InterfaceChoice, std::string> ParseInterface(std::string_view text,
                                                          const Resolver& resolve) {
  InterfaceChoice choice;
  choice.label = std::string(text);
  const std::string upper = Upper(text);
  for (InterfaceType i = 0; i <= kLastSerialInterface; ++i) {
    if (upper == "COM" + std::to_string(i + 1)) {
      choice.index = i;
      return choice;
    }
  }
  // COM11 and above (where USB-serial adapters often land) and the device path itself ("\\.\COM12")
  // open the serial line by path, and are named by it.
  if (upper.starts_with("COM") && Number(upper.substr(3)).value_or(0) >= 1) {
    choice.devicePath = std::string(kComDevicePrefix) + upper;
    return choice;
  }
  if (text.starts_with(kComDevicePrefix)) {
    choice.devicePath = std::string(text);
    return choice;
  }
  if (upper == "LPT1") {
    choice.index = kParallelInterface;
    return choice;
  }
  if (upper == "USB") {
    choice.index = kUsbInterface;
    return choice;
  }
  if (upper == "ETHERNET" || text == "以太网") {
    choice.index = kNetworkInterface;
    return choice;
  }
  if (text.starts_with('/')) {
    const std::size_t slash = text.rfind('/');
    const bool printerNode = text.substr(slash + 1).starts_with("lp");
    choice.index = printerNode ? kParallelInterface : 0;
    choice.devicePath = std::string(text);
    return choice;
  }
  std::string_view host = text;
  std::uint16_t port = 9100;
  if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    const std::optional<int> number = Number(text.substr(colon + 1));
    if (!number || *number < 1 || *number > 65535)
      return "--interface: \"" + std::string(text) + "\" has no valid port after ':'";
    port = static_cast<std::uint16_t>(*number);
    host = text.substr(0, colon);
  }
  std::optional<std::array<std::uint8_t, 4>> address = DottedQuad(host);
  if (!address && !host.empty() && resolve)
    address = resolve(host);
  if (!address) {
    return "--interface: \"" + std::string(text) +
           "\" is not COMn (n from 1), LPT1, USB, Ethernet, a device path or a reachable "
           "host[:port]";
  }
  choice.index = kNetworkInterface;
  choice.endpoint = {*address, port};
  return choice;
}

std::optional<int> BaudIndexOf(std::string_view text) {
  for (int i = 0; i < static_cast<int>(kBaudRateCount); ++i) {
    if (BaudRateForIndex(i) == static_cast<std::uint32_t>(Number(text).value_or(-1)))
      return i;
  }
  return std::nullopt;
}

std::optional<int> ParityIndexOf(std::string_view text) {
  const std::string upper = Upper(text);
  if (upper == "NONE" || upper == "0")
    return 0;
  if (upper == "ODD" || upper == "1")
    return 1;
  if (upper == "EVEN" || upper == "2")
    return 2;
  return std::nullopt;
}

std::variant<std::map<std::string, std::string>, std::string> ParseProfile(std::string_view json) {
  const nlohmann::json parsed = nlohmann::json::parse(json, nullptr, false);
  if (parsed.is_discarded())
    return std::string("not valid JSON");
  if (!parsed.is_object())
    return std::string("not a JSON object of setting names and values");
  std::map<std::string, std::string> values;
  for (const auto& [name, value] : parsed.items()) {
    if (value.is_string())
      values[name] = value.get<std::string>();
    else if (value.is_number_integer())
      values[name] = std::to_string(value.get<long long>());
    else
      return "\"" + name + "\" must be a text or a whole number";
  }
  return values;
}

std::vector<std::string> ParseHostsList(std::string_view text) {
  std::vector<std::string> hosts;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    line = line.substr(0, std::min(line.find('#'), line.size()));
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
      line.remove_suffix(1);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front())))
      line.remove_prefix(1);
    if (!line.empty())
      hosts.emplace_back(line);
    text.remove_prefix(std::min(text.size(), end + 1));
  }
  return hosts;
}

}  // namespace vantrel::cli
