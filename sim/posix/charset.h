#pragma once

#include <string>
#include <string_view>

namespace vantrel::sim {

// Printed bytes in a character set (an iconv name) as UTF-8, one code point per character: a
// byte the set has no character for, or a set iconv does not know, gives U+FFFD.
std::string ConvertCharset(std::string_view charset, std::string_view bytes);

}  // namespace vantrel::sim
