#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <memory>

#include "base/sleeper.h"
#include "base/ui_variant.h"
#include "link/network_link.h"
#include "link/port.h"
#include "link/printer_connection.h"
#include "protocol/catalogue.h"
#include "protocol/operations.h"
#include "protocol/settings.h"

namespace vantrel {

// The order of a network run: the port order in English; the Chinese variant sends the target
// serial line last.
std::span<const SettingKey> NetworkOrder(UiVariant variant);

// What came of one sent setting: the printer answered as its rule asks (succeeded), it did not
// (failed), or nothing was judged (completed: the network, the skip rule, the offsets).
enum class SettingOutcome { Succeeded, Failed, Completed };

struct SettingResult {
  SettingKey key;
  SettingOutcome outcome;
  std::string_view line;  // the report line, with its CR LF
};

// One Set run's results, one per sent setting in the order of sending, and the report text made
// of their lines.
class SetupReport {
 public:
  void Add(SettingKey key, SettingOutcome outcome, std::string_view line) {
    results_.push_back({key, outcome, line});
    text_ += line;
  }
  const std::string& Text() const { return text_; }
  bool Empty() const { return results_.empty(); }
  const std::vector<SettingResult>& Results() const { return results_; }
  bool AnyFailed() const {
    for (const SettingResult& result : results_) {
      if (result.outcome == SettingOutcome::Failed)
        return true;
    }
    return false;
  }

 private:
  std::vector<SettingResult> results_;
  std::string text_;
};

struct PortRunOptions {
  UiVariant variant = UiVariant::Chinese;
  InterfaceType interfaceType = 0;
  bool usbWriteOnly = false;
};

// The frame and the chosen settings over an open port, each answer judged by its rule.
SetupReport SendSettingsOverPort(const SettingSelection& selection, const PortRunOptions& options,
                                 OpenPort& port, Sleeper& sleeper);

// The frame and the chosen settings over the network; nothing is read back.
SetupReport SendSettingsOverNetwork(const SettingSelection& selection, UiVariant variant,
                                    NetworkLink& link, Sleeper& sleeper);

// The message that tells the user why a selection cannot be sent; it names the field.
std::string RefusalMessage(UiVariant variant, const SelectionRefusal& refusal);

// When a chosen setting cannot be sent, says so and returns true. Set calls it before opening
// anything, so that a refused run sends no byte at all.
bool RefuseUnsendableSelection(const RunContext& context, const SettingSelection& selection);

// The Set run over an open port: sends the selection, shows the report (or the empty-report
// text) and releases the port once the box is closed. interfaceType is the interface list's
// index (kParallelInterface reads nothing back); usbWriteOnly marks the USB printer that never
// answers. A selection that cannot be sent is refused before a byte goes out (and the report is
// empty). Returns the report that was shown.
SetupReport RunSetOverPort(const RunContext& context, std::unique_ptr<OpenPort> port,
                           const SettingSelection& selection, InterfaceType interfaceType,
                           bool usbWriteOnly);

// The Set run over a network link: sends, shows the report even when empty, then releases the
// link (socket closed, socket library stopped, "arp -d"). Returns the report that was shown.
SetupReport RunSetOverNetwork(const RunContext& context, std::unique_ptr<NetworkLink> link,
                              const SettingSelection& selection);

}  // namespace vantrel
