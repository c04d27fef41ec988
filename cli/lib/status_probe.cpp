#include "cli/lib/status_probe.h"

namespace vantrel::cli {

ProbeFunction MakeStatusProbe(Machine& /*machine*/, int /*baudIndex*/, int /*parityIndex*/) {
  return [](const InterfaceChoice&, std::chrono::milliseconds) {
    ProbeResult result;
    result.failure = "open-failed";
    return result;
  };
}

}  // namespace vantrel::cli
