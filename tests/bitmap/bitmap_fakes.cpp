#include "tests/bitmap/bitmap_fakes.h"

namespace vantrel::test::bitmaps {

Step EnableControl(int id) {
  return Other("enable " + std::to_string(id));
}

int ScriptedControls::GetSelection(int id) {
  const auto found = selections_.find(id);
  return found == selections_.end() ? 0 : found->second;
}

bool ScriptedControls::IsEnabled(int id) {
  const auto found = enabled_.find(id);
  return found != enabled_.end() && found->second;
}

void ScriptedControls::Enable(int id, bool enabled) {
  enabled_[id] = enabled;
  script_.Take(Other((enabled ? "enable " : "disable ") + std::to_string(id)));
}

}  // namespace vantrel::test::bitmaps
