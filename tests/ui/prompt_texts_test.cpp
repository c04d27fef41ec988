#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/param_name.h"
#include "ui/prompt_texts.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

TEST(PromptTextsTest, FilterBarsBecomeNuls) {
  EXPECT_EQ(FileDialogFilter("位图文件(*.BMP)|*.BMP||"), "位图文件(*.BMP)\0*.BMP\0\0\0\0"s);
  EXPECT_EQ(FileDialogFilter("Bitmap file(*.BMP)|*.BMP"), "Bitmap file(*.BMP)\0*.BMP\0\0"s);
}

struct SelectionCase {
  std::string name;
  std::string buffer;
  std::vector<std::string> paths;
};

class SplitFileSelectionTest : public testing::TestWithParam<SelectionCase> {};

TEST_P(SplitFileSelectionTest, KeepsTheDialogsOrder) {
  EXPECT_EQ(SplitFileSelection(GetParam().buffer), GetParam().paths);
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, SplitFileSelectionTest,
    testing::Values(SelectionCase{"OnePath", "C:\\img\\logo.bmp\0\0"s, {"C:\\img\\logo.bmp"}},
                    SelectionCase{"FolderAndNames",
                                  "C:\\img\0b.bmp\0a.bmp\0c 1.bmp\0\0"s,
                                  {"C:\\img\\b.bmp", "C:\\img\\a.bmp", "C:\\img\\c 1.bmp"}},
                    SelectionCase{
                        "RootFolder", "C:\\\0a.bmp\0b.bmp\0\0"s, {"C:\\a.bmp", "C:\\b.bmp"}},
                    SelectionCase{"FullPathAmongNames",
                                  "C:\\img\0a.bmp\0D:\\other\\b.bmp\0\0"s,
                                  {"C:\\img\\a.bmp", "D:\\other\\b.bmp"}},
                    SelectionCase{"Utf8Names", "C:\\图片\0标志.bmp\0\0"s, {"C:\\图片\\标志.bmp"}},
                    SelectionCase{"Empty", "\0\0"s, {}},
                    SelectionCase{"NoTerminator", "C:\\a.bmp"s, {"C:\\a.bmp"}}),
    test::ParamName<SelectionCase>);

TEST(PromptTextsTest, FileErrorNamesTheFileAndTheCause) {
  const std::string path = "C:\\img\\gone.bmp";
  for (UiVariant variant : {UiVariant::Chinese, UiVariant::English}) {
    std::vector<std::string> texts;
    for (FileErrorCause cause : {FileErrorCause::NotFound, FileErrorCause::AccessDenied,
                                 FileErrorCause::ReadFailed, FileErrorCause::Other}) {
      texts.push_back(FileErrorText(variant, path, cause));
      EXPECT_NE(texts.back().find(path), std::string::npos) << texts.back();
    }
    // One text per cause.
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end());
  }
  EXPECT_EQ(FileErrorText(UiVariant::English, path, FileErrorCause::NotFound),
            "C:\\img\\gone.bmp was not found.");
}

TEST(PromptTextsTest, DisplayNameIsTheProgramsBaseName) {
  EXPECT_EQ(ProgramDisplayName("C:\\Tools\\Vantrel.exe"), "Vantrel");
  EXPECT_EQ(ProgramDisplayName("Z:/work/build/Vantrel.exe"), "Vantrel");
  EXPECT_EQ(ProgramDisplayName("C:\\v2.0\\Vantrel"), "Vantrel");
  EXPECT_EQ(ProgramDisplayName("C:\\Tools\\my.tool.exe"), "my.tool");
}

// A dialog that could not open says why, with the system's number and its own text (whose line
// break goes), instead of ending without a word.
TEST(PromptTextsTest, AFailedDialogOpenSaysWhy) {
  EXPECT_EQ(
      DialogOpenFailedText(UiVariant::English, 1813,
                           "The specified resource type cannot be found in the image file.\r\n"),
      "The dialog could not be opened (error 1813): The specified resource type cannot be "
      "found in the image file.");
  EXPECT_EQ(DialogOpenFailedText(UiVariant::Chinese, 8, ""), "无法打开对话框 (错误 8)");
}

}  // namespace
}  // namespace vantrel
