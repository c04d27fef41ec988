#include "sim/posix/charset.h"

#include <iconv.h>

#include <cerrno>
#include <map>

namespace vantrel::sim {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

class Converters {
 public:
  ~Converters() {
    for (auto& [name, handle] : handles_) {
      if (handle != reinterpret_cast<iconv_t>(-1))
        iconv_close(handle);
    }
  }
  iconv_t For(std::string_view charset) {
    const std::string name(charset);
    const auto found = handles_.find(name);
    if (found != handles_.end())
      return found->second;
    return handles_[name] = iconv_open("UTF-8", name.c_str());
  }

 private:
  std::map<std::string, iconv_t> handles_;
};

std::string Replacement(char) {
  return std::string(kReplacement);
}

}  // namespace

std::string ConvertCharset(std::string_view charset, std::string_view bytes) {
  return ConvertCharsetShowing(charset, bytes, &Replacement);
}

std::string ConvertCharsetShowing(std::string_view charset, std::string_view bytes,
                                  std::string (*unknown)(char byte)) {
  static Converters converters;
  const iconv_t handle = converters.For(charset);
  std::string out;
  if (handle == reinterpret_cast<iconv_t>(-1)) {
    for (const char c : bytes)
      out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : unknown(c);
    return out;
  }
  iconv(handle, nullptr, nullptr, nullptr, nullptr);
  std::string input(bytes);
  char* in = input.data();
  std::size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* to = buffer;
    std::size_t toLeft = sizeof buffer;
    const std::size_t done = iconv(handle, &in, &inLeft, &to, &toLeft);
    out.append(buffer, static_cast<std::size_t>(to - buffer));
    if (done != static_cast<std::size_t>(-1))
      break;
    if (errno == E2BIG)
      continue;
    // A byte without a character here (or a character cut off at the end): shown on its own.
    out += unknown(*in);
    ++in;
    --inLeft;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace vantrel::sim
