#pragma once

// One dialog's worth of fakes for the connection tests: the controls as the dialog opens, the
// user's screen and the operating system, all recording into one script.

#include "link/connections.h"
#include "link/printer_connection.h"
#include "tests/support/fake_system.h"
#include "tests/support/recording_prompts.h"
#include "tests/support/script.h"
#include "tests/support/template_controls.h"
#include "ui/control_ids.h"
#include "ui/dialog_rules.h"

namespace vantrel::test {

struct LinkWorld {
  explicit LinkWorld(UiVariant v) : variant(v), controls(v) { InitialiseControls(v, controls); }

  LinkWorld& Select(InterfaceType index) {
    controls.SetSelection(ctl::kInterface, index);
    return *this;
  }

  UiVariant variant;
  Script script;
  TemplateControls controls;
  RecordingPrompts prompts{script};
  FakeSystem system{script};
  ConnectionContext context{variant, controls, prompts, system};
  PrinterConnection connection;
};

inline const char* VariantText(UiVariant variant) {
  return variant == UiVariant::Chinese ? "Chinese" : "English";
}

}  // namespace vantrel::test
