// Writes the resource scripts of the two main-dialog templates from the layout table:
//   dialog_scripts <output folder>   writes main_dialog_zh.rc and main_dialog_en.rc there.

#include <fstream>
#include <iostream>
#include <string>

#include "tools/resource_script.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: dialog_scripts <output folder>\n";
    return 2;
  }
  const std::string folder = argv[1];
  const struct {
    vantrel::UiVariant variant;
    const char* name;
  } files[] = {{vantrel::UiVariant::Chinese, "main_dialog_zh.rc"},
               {vantrel::UiVariant::English, "main_dialog_en.rc"}};
  for (const auto& file : files) {
    const std::string path = folder + "/" + file.name;
    std::ofstream out(path, std::ios::binary);
    out << vantrel::ResourceScriptFile(vantrel::MainDialogLayout(file.variant));
    if (!out) {
      std::cerr << "cannot write " << path << "\n";
      return 1;
    }
    std::cout << "wrote " << path << "\n";
  }
  return 0;
}
