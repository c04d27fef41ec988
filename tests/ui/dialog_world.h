#pragma once

// One main dialog of either variant over fakes that record into one script: the controls as
// the template creates them and OnInitDialog leaves them, the user's screen, the system, and a
// file system in which no file exists.

#include <memory>

#include "bitmap/file_reader.h"
#include "tests/support/dialog_user.h"
#include "tests/support/fake_system.h"
#include "tests/support/recording_prompts.h"
#include "tests/support/script.h"
#include "tests/support/template_controls.h"
#include "ui/control_ids.h"
#include "ui/zel_setup_dlg.h"

namespace vantrel::test {

class NoFiles : public FileReader {
 public:
  FileOpenResult Open(std::string_view) override { return {nullptr, FileErrorCause::NotFound}; }
};

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
  NoFiles files;
  std::unique_ptr<MainDialog> dialog =
      MakeDialog(variant, DialogSeams{controls, prompts, system, files});
  DialogUser user{*dialog, controls};
};

}  // namespace vantrel::test
