#pragma once

// Conversions between the core's UTF-8 texts and the UTF-16 of the Unicode window functions.

#include <string>
#include <string_view>

namespace vantrel::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace vantrel::win32
