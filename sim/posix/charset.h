#pragma once

#include <string>
#include <string_view>

namespace vantrel::sim {

// Printed bytes in a character set (an iconv name) as UTF-8, one code point per character: a
// byte the set has no character for, or a set iconv does not know, gives U+FFFD.
std::string ConvertCharset(std::string_view charset, std::string_view bytes);

// The same, with `unknown` saying how such a byte (any byte above ASCII, for a set iconv does not
// know) is shown.
std::string ConvertCharsetShowing(std::string_view charset, std::string_view bytes,
                                  std::string (*unknown)(char byte));

}  // namespace vantrel::sim
