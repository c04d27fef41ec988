#pragma once

#include <cstdint>
#include <string_view>

namespace vantrel {

// The language of a run, fixed at start-up from the user's default language id. It decides the
// dialog class and template, every text, the drawer/cut/test button ids and a few time-outs.
enum class UiVariant { Chinese, English };

// Exactly the four Chinese ids Taiwan, PRC, Hong Kong SAR and Singapore give the Chinese variant;
// the whole 16-bit id is compared, so Macao (0x1404) or the neutral 0x0004 give English.
constexpr UiVariant ChooseUiVariant(std::uint16_t languageId) {
  switch (languageId) {
    case 0x0404:
    case 0x0804:
    case 0x0C04:
    case 0x1004:
      return UiVariant::Chinese;
    default:
      return UiVariant::English;
  }
}

// Picks the variant's member of a pair of per-variant values.
template <typename T>
constexpr const T& ForVariant(UiVariant variant, const T& chinese, const T& english) {
  return variant == UiVariant::Chinese ? chinese : english;
}

// The same for texts, so that two literals of different lengths need no spelled-out type.
constexpr std::string_view ForVariant(UiVariant variant, std::string_view chinese,
                                      std::string_view english) {
  return variant == UiVariant::Chinese ? chinese : english;
}

}  // namespace vantrel
