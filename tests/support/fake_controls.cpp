#include "tests/support/fake_controls.h"

namespace vantrel::test {

int FakeControls::GetSelection(int id) {
  const auto found = selection_.find(id);
  return found == selection_.end() ? 0 : found->second;
}

bool FakeControls::IsEnabled(int id) {
  const auto found = enabled_.find(id);
  return found == enabled_.end() || found->second;
}

void FakeControls::SetIpAddress(int id, std::uint32_t packed) {
  ip_[id] = {static_cast<std::uint8_t>(packed >> 24), static_cast<std::uint8_t>(packed >> 16),
             static_cast<std::uint8_t>(packed >> 8), static_cast<std::uint8_t>(packed)};
}

int FakeControls::DroppedWidth(int id) const {
  const auto found = droppedWidth_.find(id);
  return found == droppedWidth_.end() ? 0 : found->second;
}

}  // namespace vantrel::test
