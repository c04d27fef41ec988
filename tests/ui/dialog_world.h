#pragma once

// One main dialog of either variant over fakes that record into one script: the controls as
// the template creates them and OnInitDialog leaves them, the user's screen, the system, and the
// files (none until a test adds them).

#include <memory>

#include "tests/support/dialog_user.h"
#include "tests/support/fake_system.h"
#include "tests/support/recording_prompts.h"
#include "tests/support/script.h"
#include "tests/support/scripted_files.h"
#include "tests/support/template_controls.h"
#include "ui/control_ids.h"
#include "ui/zel_setup_dlg.h"

namespace vantrel::test {

inline std::unique_ptr<MainDialog> MakeDialog(UiVariant variant, const DialogSeams& seams) {
  if (variant == UiVariant::Chinese)
    return std::make_unique<CZelSetupDlg>(seams);
  return std::make_unique<CZelSetupDlgEn>(seams);
}

struct DialogWorld {
  explicit DialogWorld(UiVariant v) : variant(v), controls(v) { dialog->OnInitDialog(); }

  UiVariant variant;
  Script script;
  TemplateControls controls;
  RecordingPrompts prompts{script};
  FakeSystem system{script};
  ScriptedFiles files{script};
  std::unique_ptr<MainDialog> dialog =
      MakeDialog(variant, DialogSeams{controls, prompts, system, files});
  DialogUser user{*dialog, controls};
};

}  // namespace vantrel::test
