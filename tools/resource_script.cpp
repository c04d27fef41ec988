#include "tools/resource_script.h"

#include <string>

namespace vantrel {

std::string_view WindowClassOf(ItemKind kind) {
  switch (kind) {
    case ItemKind::DropDownList:
      return "ComboBox";
    case ItemKind::TextField:
      return "Edit";
    case ItemKind::IpAddress:
      return "SysIPAddress32";
    case ItemKind::GroupBox:
    case ItemKind::CheckBox:
    case ItemKind::PushButton:
    case ItemKind::DefaultButton:
      return "Button";
    case ItemKind::Label:
    case ItemKind::PictureFrame:
      return "Static";
  }
  return "Static";
}

namespace {

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"')
      quoted += "\"\"";
    else if (c == '\\')
      quoted += "\\\\";
    else
      quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string Rect(const DialogRect& r) {
  return std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.width) + ", " +
         std::to_string(r.height);
}

std::string Styles(const LayoutItem& item, std::string styles) {
  if (item.hidden)
    styles += " | NOT WS_VISIBLE";
  if (item.disabled)
    styles += " | WS_DISABLED";
  return styles;
}

std::string Statement(const LayoutItem& item) {
  const std::string id = std::to_string(item.id);
  const std::string at = Rect(item.rect);
  switch (item.kind) {
    case ItemKind::GroupBox:
      return "GROUPBOX        " + Quoted(item.text) + ", IDC_STATIC, " + at;
    case ItemKind::Label:
      return "LTEXT           " + Quoted(item.text) + ", IDC_STATIC, " + at;
    case ItemKind::DropDownList:
      return "COMBOBOX        " + id + ", " + at + ", " +
             Styles(item, "CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP");
    case ItemKind::CheckBox:
      return "CONTROL         " + Quoted(item.text) + ", " + id + ", \"Button\", " +
             Styles(item, "BS_AUTOCHECKBOX | WS_TABSTOP") + ", " + at;
    case ItemKind::TextField:
      return "EDITTEXT        " + id + ", " + at + ", " +
             Styles(item, std::string(item.leftAligned ? "ES_LEFT" : "ES_CENTER") +
                              " | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP");
    case ItemKind::IpAddress:
      return "CONTROL         \"\", " + id + ", \"SysIPAddress32\", " + Styles(item, "WS_TABSTOP") +
             ", " + at;
    case ItemKind::PictureFrame:
      return "CONTROL         \"\", " + id + ", \"Static\", " + Styles(item, "SS_BLACKFRAME") +
             ", " + at;
    case ItemKind::PushButton:
      return "PUSHBUTTON      " + Quoted(item.text) + ", " + id + ", " + at + ", " +
             Styles(item, item.multiline ? "BS_MULTILINE | WS_TABSTOP" : "WS_TABSTOP");
    case ItemKind::DefaultButton:
      return "DEFPUSHBUTTON   " + Quoted(item.text) + ", " + id + ", " + at + ", " +
             Styles(item, "WS_TABSTOP");
  }
  return {};
}

}  // namespace

std::string ResourceScript(const DialogLayout& layout) {
  std::string script = std::to_string(layout.templateId) + " DIALOGEX 0, 0, " +
                       std::to_string(layout.width) + ", " + std::to_string(layout.height) + "\n";
  script +=
      "STYLE DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | "
      "WS_SYSMENU | WS_MINIMIZEBOX\n";
  script += "EXSTYLE WS_EX_APPWINDOW\n";
  script += "CAPTION " + Quoted(layout.caption) + "\n";
  script += "FONT 9, \"MS Shell Dlg\", 400, 0, 0x1\n";
  script += "BEGIN\n";
  for (const LayoutItem& item : layout.items)
    script += "    " + Statement(item) + "\n";
  script += "END\n";
  return script;
}

std::string ResourceScriptFile(const DialogLayout& layout) {
  const bool chinese = layout.variant == UiVariant::Chinese;
  std::string file =
      "// The " + std::string(chinese ? "Chinese" : "English") +
      " main dialog. Written by scripts/make-dialogs from ui/dialog_layout.cpp; edit the layout "
      "there.\n";
  file += "#pragma code_page(65001)\n\n";
  file += chinese ? "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED\n"
                  : "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n";
  file += ResourceScript(layout);
  return file;
}

}  // namespace vantrel
