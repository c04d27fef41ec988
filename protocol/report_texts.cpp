#include "protocol/report_texts.h"

#include <array>

namespace vantrel {
namespace {

// In port order, one row per setting.
constexpr std::array<ReportLines, kSettingCount> kChinese{{
    {"语言设置成功!\r\n", "语言设置失败!\r\n", "语言设置完成!\r\n"},
    {"黑标位置设置成功!\r\n", "黑标位置设置失败!\r\n", "黑标位置设置完成!\r\n"},
    {"字体设置成功!\r\n", "字体设置失败!\r\n", "字体设置完成!\r\n"},
    {"黑标检测设置成功!\r\n", "黑标检测设置失败!\r\n", "黑标检测设置完成!\r\n"},
    {"打印指令集设置成功!\r\n", "打印指令集设置失败!\r\n", "打印指令集设置完成!\r\n"},
    {"纸敏感度设置成功!\r\n", "纸敏感度设置失败!\r\n", "纸敏感度设置完成!\r\n"},
    {"打印方向设置成功!\r\n", "打印方向设置失败!\r\n", "打印方向设置完成!\r\n"},
    {"代码页设置成功!\r\n", "代码页设置失败!\r\n", "代码页设置完成!\r\n"},
    {"打印浓度设置成功!\r\n", "打印浓度设置失败!\r\n", "打印浓度设置完成!\r\n"},
    {"切刀机芯设置成功!\r\n", "切刀机芯设置失败!\r\n", "切刀机芯设置完成!\r\n"},
    {"缺纸重新打印功能设置成功!\r\n", "缺纸重新打印功能设置失败!\r\n",
     "缺纸重新打印功能设置完成!\r\n"},
    {"0D回车指令使能设置成功!\r\n", "0D回车指令使能设置失败!\r\n", "0D回车指令使能设置完成!\r\n"},
    {"打印宽度设置成功!\r\n", "打印宽度设置失败!\r\n", "打印宽度设置完成!\r\n"},
    {"蜂鸣器使能设置成功!\r\n", "蜂鸣器使能设置失败!\r\n", "蜂鸣器使能设置完成!\r\n"},
    {"打印速度设置成功!\r\n", "打印速度设置失败!\r\n", "打印速度设置完成!\r\n"},
    {"制造商名称设置成功!\r\n", "制造商名称设置失败!\r\n", "制造商名称设置完成!\r\n"},
    {"打印机型号设置成功!\r\n", "打印机型号设置失败!\r\n", "打印机型号设置完成!\r\n"},
    {"串口设置成功!\r\n", "串口设置失败!\r\n", "串口设置完成!\r\n"},
    {"蓝牙名称设置成功!\r\n", "蓝牙名称设置失败!\r\n", "蓝牙名称设置完成!\r\n"},
    {"蓝牙密码设置成功!\r\n", "蓝牙密码设置失败!\r\n", "蓝牙密码设置完成!\r\n"},
    {"射频地址设置成功!\r\n", "射频地址设置失败!\r\n", "射频地址设置完成!\r\n"},
    {"LCD背光设置成功!\r\n", "LCD背光设置失败!\r\n", "LCD背光设置完成!\r\n"},
    {"纸将尽设置成功!\r\n", "纸将尽设置失败!\r\n", "纸将尽设置完成!\r\n"},
    {"单双向打印设置成功!\r\n", "单双向打印设置失败!\r\n", "单双向打印设置完成!\r\n"},
    {"双向打印校对调整设置成功!\r\n", "双向打印校对调整设置失败!\r\n",
     "双向打印校对调整设置完成!\r\n"},
    {"字符打印列数设置成功!\r\n", "字符打印列数设置失败!\r\n", "字符打印列数设置完成!\r\n"},
    {"", "起始偏移量设置失败!\r\n", "起始偏移量设置完成!\r\n"},
    {"", "切/撕纸偏移量设置失败!\r\n", "切/撕纸偏移量设置完成!\r\n"},
}};

// The English lines are kept word for word as the tool has always shown them: the success line of
// the characters-per-line setting is its completed line, the paper-near-end success line ends in
// two exclamation marks, and the radio address is "completed" as an address binding.
constexpr std::array<ReportLines, kSettingCount> kEnglish{{
    {"Language setting succeed!\r\n", "Language setting failed!\r\n",
     "Language setting completed!\r\n"},
    {"Blacklabel position setting succeed!\r\n", "Blacklabel position setting failed!\r\n",
     "Blacklabel position setting completed!\r\n"},
    {"Fonts setting succeed!\r\n", "Fonts setting failed!\r\n", "Fonts setting completed!\r\n"},
    {"Blacklabel detection setting succeed!\r\n", "Blacklabel detection setting failed!\r\n",
     "Blacklabel detection setting completed!\r\n"},
    {"Instruction set setting succeed!\r\n", "Instruction set setting failed!\r\n",
     "Instruction set setting completed!\r\n"},
    {"Paper sensitivity setting succeed!\r\n", "Paper sensitivity setting failed!\r\n",
     "Paper sensitivity setting completed!\r\n"},
    {"Print direction setting succeed!\r\n", "Print direction setting failed!\r\n",
     "Print direction setting completed!\r\n"},
    {"Codepage setting succeed!\r\n", "Codepage setting failed!\r\n",
     "Codepage setting completed!\r\n"},
    {"Print density setting succeed!\r\n", "Print density setting failed!\r\n",
     "Print density setting completed!\r\n"},
    {"Appliance setting succeed!\r\n", "Appliance setting failed!\r\n",
     "Appliance setting completed!\r\n"},
    {"Paper lack reprint setting succeed!\r\n", "Paper lack reprint setting failed!\r\n",
     "Paper lack reprint setting completed!\r\n"},
    {"0D print setting succeed!\r\n", "0D print setting failed!\r\n",
     "0D print setting completed!\r\n"},
    {"Print width setting succeed!\r\n", "Print width setting failed!\r\n",
     "Print width setting completed!\r\n"},
    {"Buzzer setting succeed!\r\n", "Buzzer setting failed!\r\n", "Buzzer setting completed!\r\n"},
    {"Print speed setting succeed!\r\n", "Print speed setting failed!\r\n",
     "Print speed setting completed!\r\n"},
    {"Manufacturer setting succeed!\r\n", "Manufacturer setting failed!\r\n",
     "Manufacturer setting completed!\r\n"},
    {"Printer model setting succeed!\r\n", "Printer model setting failed!\r\n",
     "Printer model setting completed!\r\n"},
    {"Serial setting succeed!\r\n", "Serial setting failed!\r\n", "Serial setting completed!\r\n"},
    {"Bluetooth name setting succeed!\r\n", "Bluetooth name setting failed!\r\n",
     "Bluetooth name setting completed!\r\n"},
    {"Bluetooth password setting succeed!\r\n", "Bluetooth password setting failed!\r\n",
     "Bluetooth password setting completed!\r\n"},
    {"Radio address setting succeed!\r\n", "Radio address setting failed!\r\n",
     "Address binding setting completed!\r\n"},
    {"LCD backlight setting succeed!\r\n", "LCD backlight setting failed!\r\n",
     "LCD backlight setting completed!\r\n"},
    {"paper will end setting succeed!!\r\n", "paper will end setting failed!\r\n",
     "paper will end setting completed!\r\n"},
    {"single or double side print setting succeed!\r\n",
     "single or double side print setting failed!\r\n",
     "single or double side setting completed!\r\n"},
    {"double side print adjust setting succeed!\r\n",
     "double side print adjust setting failed!\r\n",
     "double side print adjust setting completed!\r\n"},
    {"character print columns setting completed!\r\n",
     "character print columns setting failed!\r\n",
     "character print columns setting completed!\r\n"},
    {"", "start offset setting failed!\r\n", "start offset setting completed!\r\n"},
    {"", "cut/tear paper setting failed!\r\n", "cut/tear paper setting completed!\r\n"},
}};

constexpr std::string_view kEnglishNetworkCutOffset =
    "cut or tear paper offset setting completed!\r\n";

}  // namespace

ReportLines PortReportLines(UiVariant variant, SettingKey key) {
  const auto& table = variant == UiVariant::Chinese ? kChinese : kEnglish;
  return table[static_cast<std::size_t>(key)];
}

std::string_view NetworkCompletedLine(UiVariant variant, SettingKey key) {
  if (variant == UiVariant::English && key == SettingKey::CutOffset) {
    return kEnglishNetworkCutOffset;
  }
  return PortReportLines(variant, key).completed;
}

std::string_view EmptyPortReportText(UiVariant variant) {
  return variant == UiVariant::Chinese ? "设置完成" : "set completed.";
}

}  // namespace vantrel
