#include "tests/wine/driver/snapshot.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string_view>

#include "ui/control_ids.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_rules.h"
#include "ui/option_lists.h"

namespace vantrel::driver {
namespace {

// Window styles the template gives its items.
constexpr std::uint32_t kTabStop = 0x00010000;
constexpr std::uint32_t kDropDownList = 0x0003;  // combo box kind, low two bits
constexpr std::uint32_t kSort = 0x0100;
constexpr std::uint32_t kAutoCheckBox = 0x0003;  // button kind, low four bits
constexpr std::uint32_t kDefPushButton = 0x0001;
constexpr std::uint32_t kGroupBox = 0x0007;
constexpr std::uint32_t kEditCentre = 0x0001;
constexpr std::uint32_t kEditAutoHScroll = 0x0080;

constexpr int kCheckBoxes[] = {1003, 1004, 1036, 1038, 1041, 1045, 1046};
constexpr int kTextFields[] = {1001, 1002, 1028, 1032, 1033, 1037, 1039, 1040, 1042, 1043, 1044};

// The dialog's controls as the template creates them, before the initial state is applied.
class ModelControls : public DialogControls {
 public:
  int GetSelection(int id) override { return Get(selection_, id, -1); }
  void SetSelection(int id, int index) override { selection_[id] = index; }
  bool IsChecked(int id) override { return Get(checked_, id, false); }
  void SetChecked(int id, bool checked) override { checked_[id] = checked; }
  std::string GetText(int id) override { return Get(text_, id, std::string()); }
  void SetText(int id, std::string_view text) override { text_[id] = std::string(text); }
  bool IsEnabled(int id) override { return Get(enabled_, id, id != 1018 && id != 1027); }
  void Enable(int id, bool enabled) override { enabled_[id] = enabled; }
  std::array<std::uint8_t, 4> GetIpAddress(int id) override {
    return Get(ip_, id, std::array<std::uint8_t, 4>{});
  }
  void SetIpAddress(int id, std::uint32_t packed) override {
    ip_[id] = {static_cast<std::uint8_t>(packed >> 24), static_cast<std::uint8_t>(packed >> 16),
               static_cast<std::uint8_t>(packed >> 8), static_cast<std::uint8_t>(packed)};
  }
  void SetDroppedWidth(int, int) override {}

 private:
  template <typename T>
  static T Get(const std::map<int, T>& values, int id, T fallback) {
    const auto it = values.find(id);
    return it == values.end() ? fallback : it->second;
  }
  std::map<int, int> selection_;
  std::map<int, bool> checked_;
  std::map<int, std::string> text_;
  std::map<int, bool> enabled_;
  std::map<int, std::array<std::uint8_t, 4>> ip_;
};

std::vector<int> TabOrder(UiVariant variant) {
  const ctl::DeviceButtonIds buttons = ctl::DeviceButtonIdsFor(variant);
  return {1019,        1026,
          1028,        1067,
          1068,        1069,
          1070,        1077,
          1078,        1079,
          1080,        1009,
          1007,        1000,
          1008,        1011,
          1012,        1014,
          1010,        1013,
          1022,        1023,
          1024,        1025,
          1005,        1003,
          1001,        1004,
          1002,        1036,
          1037,        1038,
          1039,        1046,
          1040,        1042,
          1043,        1044,
          1047,        1020,
          1021,        1015,
          1017,        1018,
          1027,        buttons.cashDrawer,
          buttons.cut, buttons.printTest,
          1,           2,
          1006,        1031,
          1071,        1072,
          1032,        1033,
          1034,        1035,
          1041,        1045,
          1029};
}

// Captions of the push buttons and of the two offset check boxes.
std::map<int, std::string_view> ButtonCaptions(UiVariant variant) {
  const ctl::DeviceButtonIds b = ctl::DeviceButtonIdsFor(variant);
  if (variant == UiVariant::Chinese) {
    return {{1031, "打印BID调整测试样条"},
            {1034, "走纸到下一位置并打印"},
            {1035, "打印并走纸到切/撕纸位置"},
            {1015, "选择位图"},
            {1018, "下载位图"},
            {1027, "打印位图"},
            {b.cashDrawer, "钱箱"},
            {b.cut, "切刀"},
            {b.printTest, "打印测试"},
            {1, "设 置"},
            {2, "关 闭"},
            {1041, "起始偏移量:"},
            {1045, "切纸偏移量:"}};
  }
  return {{1031, "Print BID adjust demo"},
          {1034, "Walk to next position and print"},
          {1035, "Print,walk to cut/tear paper position"},
          {1015, "Select"},
          {1018, "Download"},
          {1027, "Print"},
          {b.cashDrawer, "Cash Drawer"},
          {b.cut, "Cut Paper"},
          {b.printTest, "Print Test"},
          {1, "Set"},
          {2, "Close"},
          {1041, "Start"},
          {1045, "Cut paper"}};
}

// Group box captions and label texts, sorted: the template's items that have no id.
std::vector<std::string> GroupCaptions(UiVariant variant) {
  std::vector<std::string> captions =
      variant == UiVariant::Chinese
          ? std::vector<std::string>{"接口类型", "以太网口IP地址",      "当前串口",
                                     "目的串口", "基本功能设置",        "Oru Zel",
                                     "Kesto",    "偏移量设置(0-299mm)", "位图下载(横向取模)"}
          : std::vector<std::string>{"Interface Type", "Ethernet Port",       "Current Serial",
                                     "Target Serial",  "Function Setting",    "Oru Zel",
                                     "Kesto",          "Offset Set(0-299mm)", "BMP download"};
  std::sort(captions.begin(), captions.end());
  return captions;
}

std::vector<std::string> Labels(UiVariant variant) {
  std::vector<std::string> labels =
      variant == UiVariant::Chinese
          ? std::vector<std::string>{"波特率:",        "校验:",          "数据位:",
                                     "数据流:",        "波特率:",        "校验:",
                                     "数据位:",        "数据流:",        "黑标检测：",
                                     "黑标位置：",     "语言设置：",     "字体设置：",
                                     "纸灵敏度设置：", "打印方向设置：", "打印浓度设置：",
                                     "指令集设置：",   "代码页设置：",   "缺纸重打设置：",
                                     "回车指令设置：", "打印宽度设置：", "蜂鸣器设置：",
                                     "打印速度设置：", "纸将尽功能:",    "制造商名称：",
                                     "打印机型号：",   "蓝牙名称：",     "蓝牙密码：",
                                     "射频地址：",     "LCD 背光：",     "切刀：",
                                     "机芯：",         "单双向打印:",    "双向打印校对调整:",
                                     "字符打印列数:",  "存储位置："}
          : std::vector<std::string>{"Baudrate",
                                     "Check",
                                     "Data Bit",
                                     "Data Flow",
                                     "Baudrate",
                                     "Check",
                                     "Data Bit",
                                     "Data Flow",
                                     "Blacklabel Detection",
                                     "Blacklabel Position",
                                     "Language",
                                     "Fonts",
                                     "Paper Sensitivity",
                                     "Print Direction",
                                     "Print Density",
                                     "Instruction Set",
                                     "Codepage",
                                     "Paper Lack Reprint",
                                     "0D Print",
                                     "Print Width",
                                     "Buzzer",
                                     "Print Speed",
                                     "Paper will end",
                                     "Manufacturer",
                                     "Printer Model",
                                     "BT Name",
                                     "BT Password",
                                     "Radio Address",
                                     "LCD Backlight",
                                     "slicer",
                                     "Movement",
                                     "single/double side",
                                     "Double side adjustment",
                                     "Character print columns",
                                     "BMP Position:"};
  std::sort(labels.begin(), labels.end());
  return labels;
}

bool HasId(int id) {
  return id != 0 && id != -1 && id != 0xFFFF;
}

bool SameClass(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return (x | 0x20) == (y | 0x20); });
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::string JoinItems(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items)
    out += (out.empty() ? "" : ", ") + Quoted(item);
  return "[" + out + "]";
}

class Comparison {
 public:
  void Expect(bool ok, int id, const std::string& what) {
    if (!ok)
      lines_.push_back(std::to_string(id) + ": " + what);
  }
  template <typename T>
  void Equal(int id, const char* what, const T& actual, const T& expected,
             std::string (*show)(const T&)) {
    if (!(actual == expected))
      lines_.push_back(std::to_string(id) + ": " + what + " " + show(actual) + ", expected " +
                       show(expected));
  }
  std::vector<std::string> lines_;
};

std::string ShowInt(const int& v) {
  return std::to_string(v);
}
std::string ShowBool(const bool& v) {
  return v ? "yes" : "no";
}
std::string ShowText(const std::string& v) {
  return Quoted(v);
}
std::string ShowItems(const std::vector<std::string>& v) {
  return JoinItems(v);
}

}  // namespace

std::vector<std::string> CompareWithInitialState(UiVariant variant, const DialogSnapshot& dialog) {
  ModelControls model;
  InitialiseControls(variant, model);

  Comparison c;
  const std::string caption = variant == UiVariant::Chinese ? "VantrelV2.05" : "VantrelsV2.05";
  c.Equal(0, "caption", dialog.caption, caption, ShowText);
  c.Equal(0, "items", static_cast<int>(dialog.controls.size()), 106, ShowInt);
  c.Equal(0, "focus on", dialog.focusId, int{ctl::kInterface}, ShowInt);

  std::vector<int> order;
  std::vector<std::string> groups;
  std::vector<std::string> labels;
  std::map<int, const ControlState*> byId;
  for (const ControlState& control : dialog.controls) {
    if (HasId(control.id)) {
      if (control.id != ctl::kPreviewFrame)
        order.push_back(control.id);
      byId[control.id] = &control;
    } else if (SameClass(control.className, "Button") && (control.style & 0xF) == kGroupBox) {
      groups.push_back(control.text);
    } else if (SameClass(control.className, "Static")) {
      labels.push_back(control.text);
    } else {
      c.Expect(false, control.id, "unexpected " + control.className + " " + Quoted(control.text));
    }
  }
  std::sort(groups.begin(), groups.end());
  std::sort(labels.begin(), labels.end());
  c.Equal(0, "group boxes", groups, GroupCaptions(variant), ShowItems);
  c.Equal(0, "labels", labels, Labels(variant), ShowItems);

  const std::vector<int> tabOrder = TabOrder(variant);
  if (order != tabOrder) {
    std::string got;
    for (int id : order)
      got += std::to_string(id) + " ";
    c.Expect(false, 0, "tab order " + got);
  }

  std::set<int> expectedIds(tabOrder.begin(), tabOrder.end());
  expectedIds.insert(ctl::kPreviewFrame);
  for (int id : expectedIds) {
    const auto it = byId.find(id);
    if (it == byId.end()) {
      c.Expect(false, id, "missing");
      continue;
    }
    const ControlState& got = *it->second;
    c.Equal(id, "visible", got.visible, id != ctl::kNetworkPort, ShowBool);
    c.Equal(id, "enabled", got.enabled, model.IsEnabled(id), ShowBool);
    if (id != ctl::kPreviewFrame)
      c.Expect((got.style & kTabStop) != 0, id, "no tab stop");
  }

  for (int id : ListControlIds()) {
    const auto it = byId.find(id);
    if (it == byId.end())
      continue;
    const ControlState& got = *it->second;
    c.Expect(SameClass(got.className, "ComboBox"), id, "class " + got.className);
    c.Expect((got.style & 3) == kDropDownList, id, "not a drop-down list");
    c.Expect((got.style & kSort) == 0, id, "sorted");
    // The items themselves are compared with the typed lists by the suite, from the dump.
    c.Equal(id, "selection", got.selection, model.GetSelection(id), ShowInt);
  }
  for (int id : kCheckBoxes) {
    const auto it = byId.find(id);
    if (it == byId.end())
      continue;
    const ControlState& got = *it->second;
    c.Expect(SameClass(got.className, "Button") && (got.style & 0xF) == kAutoCheckBox, id,
             "not an automatic check box");
    c.Equal(id, "ticked", got.checked, model.IsChecked(id), ShowBool);
  }
  for (int id : kTextFields) {
    const auto it = byId.find(id);
    if (it == byId.end())
      continue;
    const ControlState& got = *it->second;
    c.Expect(SameClass(got.className, "Edit"), id, "class " + got.className);
    c.Expect((got.style & kEditAutoHScroll) != 0, id, "does not scroll horizontally");
    const bool centred = id != ctl::kStartOffsetText && id != ctl::kCutOffsetText;
    c.Equal(id, "centred", (got.style & 3) == kEditCentre, centred, ShowBool);
    c.Equal(id, "text", got.text, model.GetText(id), ShowText);
  }
  for (const auto& [id, text] : ButtonCaptions(variant)) {
    const auto it = byId.find(id);
    if (it == byId.end())
      continue;
    const ControlState& got = *it->second;
    c.Expect(SameClass(got.className, "Button"), id, "class " + got.className);
    c.Equal(id, "caption", got.text, std::string(text), ShowText);
  }
  if (const auto it = byId.find(ctl::kSet); it != byId.end())
    c.Expect((it->second->style & 0xF) == kDefPushButton, ctl::kSet, "not the default button");
  if (const auto it = byId.find(ctl::kPreviewFrame); it != byId.end())
    c.Expect(SameClass(it->second->className, "Static"), ctl::kPreviewFrame,
             "class " + it->second->className);
  if (const auto it = byId.find(ctl::kIpAddress); it != byId.end()) {
    const ControlState& got = *it->second;
    c.Expect(SameClass(got.className, "SysIPAddress32"), ctl::kIpAddress, "class " + got.className);
    const auto ip = model.GetIpAddress(ctl::kIpAddress);
    std::vector<std::string> expected;
    for (std::uint8_t octet : ip)
      expected.push_back(std::to_string(octet));
    c.Equal(int{ctl::kIpAddress}, "address",
            std::vector<std::string>(got.addressFields.begin(), got.addressFields.end()), expected,
            ShowItems);
  }
  return c.lines_;
}

namespace {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i)
    out += (i ? ", " : "") + JsonString(items[i]);
  return out + "]";
}

}  // namespace

std::string ToJson(const DialogSnapshot& dialog) {
  std::string out = "{\n  \"caption\": " + JsonString(dialog.caption) +
                    ",\n  \"focus\": " + std::to_string(dialog.focusId) + ",\n  \"controls\": [\n";
  for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
    const ControlState& c = dialog.controls[i];
    char style[16];
    std::snprintf(style, sizeof style, "\"0x%08x\"", static_cast<unsigned>(c.style));
    out += "    {\"id\": " + std::to_string(c.id) + ", \"class\": " + JsonString(c.className) +
           ", \"style\": " + style + ", \"visible\": " + (c.visible ? "true" : "false") +
           ", \"enabled\": " + (c.enabled ? "true" : "false") + ", \"text\": " + JsonString(c.text);
    if (SameClass(c.className, "ComboBox"))
      out +=
          ", \"items\": " + JsonList(c.items) + ", \"selection\": " + std::to_string(c.selection);
    if (SameClass(c.className, "Button"))
      out += std::string(", \"checked\": ") + (c.checked ? "true" : "false");
    if (SameClass(c.className, "SysIPAddress32"))
      out += ", \"address\": " +
             JsonList(std::vector<std::string>(c.addressFields.begin(), c.addressFields.end()));
    out += i + 1 < dialog.controls.size() ? "},\n" : "}\n";
  }
  return out + "  ]\n}\n";
}

}  // namespace vantrel::driver
