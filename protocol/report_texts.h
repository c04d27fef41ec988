#pragma once

#include <string_view>

#include "base/ui_variant.h"
#include "protocol/settings.h"

namespace vantrel {

// The three report lines of a setting, each ending in CR LF. Offsets are never judged, so they
// have no success line; their failure line says that their command did not go out.
struct ReportLines {
  std::string_view success;
  std::string_view failure;
  std::string_view completed;
};

// The lines of a port run ("completed" serves the skip rule and unjudged settings).
ReportLines PortReportLines(UiVariant variant, SettingKey key);

// The line of a network run, where every sent setting is reported as completed.
std::string_view NetworkCompletedLine(UiVariant variant, SettingKey key);

// The closing box of a port run that sent no setting.
std::string_view EmptyPortReportText(UiVariant variant);

}  // namespace vantrel
