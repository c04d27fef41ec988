// The resource scripts written from the layout table: the checked-in ones are what the writer
// makes of the table today, and each kind of item is spelled as the resource compiler reads it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "tools/resource_script.h"
#include "ui/dialog_layout.h"

namespace vantrel {
namespace {

using UiVariant::Chinese;
using UiVariant::English;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

TEST(ResourceScriptTest, CheckedInScriptsAreCurrent) {
  const std::string folder = std::string(VANTREL_SOURCE_DIR) + "/ui/win32/";
  EXPECT_EQ(ReadFile(folder + "main_dialog_zh.rc"), ResourceScriptFile(MainDialogLayout(Chinese)))
      << "run scripts/make-dialogs";
  EXPECT_EQ(ReadFile(folder + "main_dialog_en.rc"), ResourceScriptFile(MainDialogLayout(English)))
      << "run scripts/make-dialogs";
}

TEST(ResourceScriptTest, SpellsEachKind) {
  const std::string script = ResourceScript(MainDialogLayout(English));
  for (std::string_view line : {
           "103 DIALOGEX 0, 0, 447, 296\n",
           "CAPTION \"VantrelsV2.05\"\n",
           "FONT 9, \"MS Shell Dlg\", 400, 0, 0x1\n",
           "EDITTEXT        1028, ",
           "NOT WS_VISIBLE",
           "\"SysIPAddress32\"",
           "DEFPUSHBUTTON   \"Set\", 1, ",
           "PUSHBUTTON      \"Download\", 1018, ",
           "CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP",
           "ES_LEFT | ES_AUTOHSCROLL",
           "GROUPBOX        \"Kesto\", IDC_STATIC, 250, 61, 193, 119",
       })
    EXPECT_NE(script.find(line), std::string::npos) << line;
}

}  // namespace
}  // namespace vantrel
