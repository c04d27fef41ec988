#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/zel_setup_app.h"
#include "base/ui_variant.h"
#include "tests/support/fake_system.h"
#include "tests/support/param_name.h"
#include "tests/support/print_case.h"
#include "tests/support/recording_prompts.h"
#include "tests/support/scripted_files.h"
#include "tests/support/template_controls.h"
#include "ui/control_ids.h"

namespace vantrel {
namespace {

using namespace test;
using test::PrintTo;

struct LanguageCase {
  std::string name;
  std::uint16_t languageId;
  UiVariant variant;
};

class ChooseUiVariantTest : public testing::TestWithParam<LanguageCase> {};

TEST_P(ChooseUiVariantTest, ComparesTheWholeLanguageId) {
  EXPECT_EQ(ChooseUiVariant(GetParam().languageId), GetParam().variant);
}

INSTANTIATE_TEST_SUITE_P(Ids, ChooseUiVariantTest,
                         testing::Values(LanguageCase{"Taiwan", 0x0404, UiVariant::Chinese},
                                         LanguageCase{"Prc", 0x0804, UiVariant::Chinese},
                                         LanguageCase{"HongKong", 0x0C04, UiVariant::Chinese},
                                         LanguageCase{"Singapore", 0x1004, UiVariant::Chinese},
                                         LanguageCase{"Macao", 0x1404, UiVariant::English},
                                         LanguageCase{"NeutralChinese", 0x0004, UiVariant::English},
                                         LanguageCase{"UnitedStates", 0x0409, UiVariant::English},
                                         LanguageCase{"Japanese", 0x0411, UiVariant::English},
                                         LanguageCase{"Zero", 0x0000, UiVariant::English},
                                         LanguageCase{"AllBits", 0xFFFF, UiVariant::English}),
                         ParamName<LanguageCase>);

// The framework as a log of what start-up asked of it. Running the dialog modally creates its
// window (the initialisation) and ends it with Close.
class FakeFramework : public AppFramework {
 public:
  explicit FakeFramework(std::uint16_t languageId) : languageId_(languageId) {}

  std::vector<std::string> log;
  int interfaceShown = -2;

  void InitCommonControls(std::uint32_t size, std::uint32_t classes) override {
    char text[64];
    std::snprintf(text, sizeof text, "common controls size=%u classes=0x%X", size, classes);
    log.push_back(text);
  }
  void RunBaseStartUp() override { log.push_back("base start-up"); }
  void EnableControlContainer() override { log.push_back("control container"); }
  void SetRegistryKey(std::string_view key) override {
    log.push_back("registry key " + std::string(key));
  }
  std::uint16_t UserDefaultLanguageId() override {
    log.push_back("language id");
    return languageId_;
  }
  DialogSeams SeamsFor(UiVariant variant) override {
    log.push_back(variant == UiVariant::Chinese ? "seams Chinese" : "seams English");
    TemplateControls& controls = variant == UiVariant::Chinese ? chinese_ : english_;
    return {controls, prompts_, system_, files_};
  }
  void RunModal(MainDialog& dialog) override {
    log.push_back("run modal " + std::to_string(dialog.profile().templateId) + " \"" +
                  std::string(dialog.profile().caption) + "\"");
    dialog.OnInitDialog();
    TemplateControls& shown = dialog.variant() == UiVariant::Chinese ? chinese_ : english_;
    interfaceShown = shown.GetSelection(ctl::kInterface);
    EXPECT_EQ(dialog.OnCommand(ctl::kClose, Notification::Clicked), CommandResult::EndDialog);
  }

 private:
  std::uint16_t languageId_;
  Script script_;  // empty: start-up touches no device or file and shows nothing
  TemplateControls chinese_{UiVariant::Chinese};
  TemplateControls english_{UiVariant::English};
  RecordingPrompts prompts_{script_};
  FakeSystem system_{script_};
  ScriptedFiles files_{script_};
};

struct StartCase {
  std::string name;
  std::uint16_t languageId;
  std::string run;
  int interface;
};

class StartUpTest : public testing::TestWithParam<StartCase> {};

TEST_P(StartUpTest, BuildsBothDialogsAndRunsTheChosenOne) {
  FakeFramework framework(GetParam().languageId);
  CZelSetupApp app;
  EXPECT_FALSE(app.InitInstance(framework)) << "no message loop follows";
  const std::vector<std::string> expected = {
      "common controls size=8 classes=0xFF",
      "base start-up",
      "control container",
      "registry key 应用程序向导生成的本地应用程序",
      "language id",
      "seams Chinese",
      "seams English",
      GetParam().run,
  };
  EXPECT_EQ(framework.log, expected);
  EXPECT_EQ(framework.interfaceShown, GetParam().interface);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, StartUpTest,
    testing::Values(StartCase{"ChinesePrc", 0x0804, "run modal 102 \"VantrelV2.05\"", 0},
                    StartCase{"EnglishUs", 0x0409, "run modal 103 \"VantrelsV2.05\"", 11},
                    StartCase{"ChineseMacao", 0x1404, "run modal 103 \"VantrelsV2.05\"", 11}),
    ParamName<StartCase>);

}  // namespace
}  // namespace vantrel
