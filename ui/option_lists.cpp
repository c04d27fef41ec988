#include "ui/option_lists.h"

#include <array>

#include "ui/control_ids.h"

namespace vantrel {
namespace {

// Item 0 of a setting list ("不设置" / "Default") leaves the printer's setting unchanged.
constexpr std::string_view kNoChangeZh = "不设置";
constexpr std::string_view kNoChangeEn = "Default";

// A setting list whose real items read the same in both languages, behind its item 0.
template <std::size_t N>
constexpr std::array<std::string_view, N + 1> Behind(std::string_view item0,
                                                     const std::string_view (&items)[N]) {
  std::array<std::string_view, N + 1> list{item0};
  for (std::size_t i = 0; i < N; ++i)
    list[i + 1] = items[i];
  return list;
}

constexpr std::string_view kInterfaceZh[] = {"COM1", "COM2", "COM3",  "COM4", "COM5",
                                             "COM6", "COM7", "COM8",  "COM9", "COM10",
                                             "LPT1", "USB",  "以太网"};
constexpr std::string_view kInterfaceEn[] = {"COM1", "COM2", "COM3",    "COM4", "COM5",
                                             "COM6", "COM7", "COM8",    "COM9", "COM10",
                                             "LPT1", "USB",  "Ethernet"};

constexpr std::string_view kBaudRateItems[] = {"1200",  "2400",  "4800",  "9600",
                                               "19200", "38400", "57600", "115200"};
constexpr std::string_view kParity[] = {"NONE", "ODD", "EVEN"};
constexpr std::string_view kDataBits[] = {"7", "8"};
constexpr std::string_view kFlow[] = {"XON/XOFF", "RTS/CTS"};

constexpr std::string_view kSlotZh[] = {"第一张", "第二张", "第三张", "第四张",
                                        "第五张", "第六张", "第七张", "第八张"};
constexpr std::string_view kSlotEn[] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th"};

// "Leave unchanged", off, on: the black-mark detection and the LCD backlight lists.
constexpr std::string_view kDefaultOffOnZh[] = {"不设置", "关", "开"};
constexpr std::string_view kDefaultOffOnEn[] = {"Default", "Off", "On"};
constexpr std::string_view kBlackMarkPositionZh[] = {"不设置", "右边", "左边"};
constexpr std::string_view kBlackMarkPositionEn[] = {"Default", "Right", "Left"};
constexpr std::string_view kLanguageZh[] = {"不设置", "英文", "简体中文", "繁体中文"};
constexpr std::string_view kLanguageEn[] = {"Default", "English", "Simplified Chinese",
                                            "Traditional Chinese"};
constexpr std::string_view kPaperSensitivityZh[] = {"不设置", "低", "中", "高"};
constexpr std::string_view kPaperSensitivityEn[] = {"Default", "Low", "Medium", "High"};
constexpr std::string_view kPrintDirectionZh[] = {"不设置", "正向", "反向"};
constexpr std::string_view kPrintDirectionEn[] = {"Default", "Positive", "Reverse"};
constexpr std::string_view kPrintDensityZh[] = {"不设置", "低/1P", "中/2P", "高/3P"};
constexpr std::string_view kPrintDensityEn[] = {"Default", "Low/1P", "Medium/2P", "High/3P"};
constexpr std::string_view kCommandSetZh[] = {"不设置", "ESC/POS(POS机)指令集",
                                              "Tolm(微型机)指令集", "其他(其他公司微型机)指令集"};
constexpr std::string_view kCommandSetEn[] = {"Default", "ESC/POS", "Tolm", "Others"};
constexpr std::string_view kPaperOutReprintZh[] = {"不设置", "禁止缺纸重新打印打印",
                                                   "允许缺纸重新打印"};
constexpr std::string_view kPaperOutReprintEn[] = {"Default", "Invalid", "Valid"};
constexpr std::string_view kCarriageReturnZh[] = {"不设置", "0D指令无效", "0D指令有效"};
constexpr std::string_view kCarriageReturnEn[] = {"Default", "0D Invalid", "0D Valid"};
constexpr std::string_view kBuzzerZh[] = {"不设置", "禁止", "缺纸、错误时允许", "切纸时允许",
                                          "缺纸、错误、切纸时允许"};
constexpr std::string_view kBuzzerEn[] = {"Default", "Invalid", "Paper Lack or Error Permit",
                                          "Cut Permit", "Valid"};
constexpr std::string_view kPaperNearEndZh[] = {"不设置", "关闭", "开启"};
constexpr std::string_view kPaperNearEndEn[] = {"Default", "Invalid", "Valid"};
constexpr std::string_view kCutterZh[] = {"不设置", "无切刀", "ACE088240切刀", "ACS-230切刀"};
constexpr std::string_view kCutterEn[] = {"Default", "No Cut", "ACE088240", "ACS-230"};
constexpr std::string_view kMechanismZh[] = {"Rv-5500/318机芯/DP330双色机芯", "DP330机芯",
                                             "M-U110II机芯"};
constexpr std::string_view kMechanismEn[] = {"Rv-5500/318/DP330Two-color movement", "DP330",
                                             "M-U110II"};
constexpr std::string_view kPrintPassesZh[] = {"不设置", "双向", "单向"};
constexpr std::string_view kPrintPassesEn[] = {"Default", "Double", "Single"};

constexpr auto kTargetBaudZh = Behind(kNoChangeZh, kBaudRateItems);
constexpr auto kTargetBaudEn = Behind(kNoChangeEn, kBaudRateItems);
constexpr std::string_view kBidAdjustmentItems[] = {
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "11", "12",
    "13", "14", "15", "16", "17", "18", "19", "20", "21", "22", "23", "24"};
constexpr auto kBidAdjustmentZh = Behind(kNoChangeZh, kBidAdjustmentItems);
constexpr auto kBidAdjustmentEn = Behind(kNoChangeEn, kBidAdjustmentItems);
constexpr std::string_view kFontItems[] = {"12×24/12×12/9×9", "9×17/16×16/7×9"};
constexpr auto kFontZh = Behind(kNoChangeZh, kFontItems);
constexpr auto kFontEn = Behind(kNoChangeEn, kFontItems);
constexpr std::string_view kPrintWidthItems[] = {"72mm/576Point/76mm", "64mm/512Point/57.5mm"};
constexpr auto kPrintWidthZh = Behind(kNoChangeZh, kPrintWidthItems);
constexpr auto kPrintWidthEn = Behind(kNoChangeEn, kPrintWidthItems);
constexpr std::string_view kPrintSpeedItems[] = {"150mm/S", "200mm/S", "220mm/S", "250mm/S"};
constexpr auto kPrintSpeedZh = Behind(kNoChangeZh, kPrintSpeedItems);
constexpr auto kPrintSpeedEn = Behind(kNoChangeEn, kPrintSpeedItems);
constexpr std::string_view kCodePageItems[] = {"CP437 [U.S.A., Standard Europe]",
                                               "Katakana",
                                               "CP850 [Multilingual]",
                                               "CP860 [Portuguese]",
                                               "CP863 [Canadian-French]",
                                               "CP865 [Nordic]",
                                               "WCP1251 [Cyrillic]",
                                               "CP866 Cyrilliec #2 ",
                                               "MIK[Cyrillic /Bulgarian]",
                                               "CP755 [East Europe，Latvian 2]",
                                               "Iran ",
                                               "reserve",
                                               "reserve",
                                               "reserve",
                                               "reserve",
                                               "CP862 [Hebrew]",
                                               "WCP1252 Latin I",
                                               "WCP1253 [Greek] ",
                                               "CP852 [Latina 2]",
                                               "CP858 Multilingual Latin Ⅰ+Euro)",
                                               "Iran II ",
                                               "Latvian",
                                               "CP864 [Arabic]",
                                               "ISO-8859-1 [West Europe]      ",
                                               "CP737 [Greek]",
                                               "WCP1257 [Baltic]",
                                               "CP874 [Thai]",
                                               "CP720[Arabic]",
                                               "CP855",
                                               "CP857[Turkish]",
                                               "WCP1250[Central Eurpoe]",
                                               "CP775",
                                               "WCP1254[Turkish]",
                                               "WCP1255[Hebrew]",
                                               "WCP1256[Arabic]",
                                               "WCP1258[Vietnam]",
                                               "ISO-8859-2[Latin 2]",
                                               "ISO-8859-3[Latin 3]",
                                               "ISO-8859-4[Baltic]",
                                               "ISO-8859-5[Cyrillic]",
                                               "ISO-8859-6[Arabic]",
                                               "ISO-8859-7[Greek]",
                                               "ISO-8859-8[Hebrew]",
                                               "ISO-8859-9[Turkish]",
                                               "ISO-8859-15 [Latin 3]",
                                               "Thai2",
                                               "CP856",
                                               "CP874"};
constexpr auto kCodePageZh = Behind(kNoChangeZh, kCodePageItems);
constexpr auto kCodePageEn = Behind(kNoChangeEn, kCodePageItems);
constexpr std::string_view kCharsPerLineItems[] = {"42CPL/35CPL(2 space)", "40CPL/33CPL(3 space)",
                                                   "42CPL/35CPL(3 space)"};
constexpr auto kCharsPerLineZh = Behind(kNoChangeZh, kCharsPerLineItems);
constexpr auto kCharsPerLineEn = Behind("Not Set", kCharsPerLineItems);

struct OptionList {
  int id;
  std::span<const std::string_view> chinese;
  std::span<const std::string_view> english;
};

// In tab order.
constexpr OptionList kLists[] = {
    {ctl::kInterface, kInterfaceZh, kInterfaceEn},
    {ctl::kCurrentBaud, kBaudRateItems, kBaudRateItems},
    {ctl::kCurrentParity, kParity, kParity},
    {ctl::kCurrentDataBits, kDataBits, kDataBits},
    {ctl::kCurrentFlow, kFlow, kFlow},
    {ctl::kTargetBaud, kTargetBaudZh, kTargetBaudEn},
    {ctl::kTargetParity, kParity, kParity},
    {ctl::kTargetDataBits, kDataBits, kDataBits},
    {ctl::kTargetFlow, kFlow, kFlow},
    {ctl::kBlackMarkDetection, kDefaultOffOnZh, kDefaultOffOnEn},
    {ctl::kBlackMarkPosition, kBlackMarkPositionZh, kBlackMarkPositionEn},
    {ctl::kLanguage, kLanguageZh, kLanguageEn},
    {ctl::kFont, kFontZh, kFontEn},
    {ctl::kPaperSensitivity, kPaperSensitivityZh, kPaperSensitivityEn},
    {ctl::kPrintDirection, kPrintDirectionZh, kPrintDirectionEn},
    {ctl::kPrintDensity, kPrintDensityZh, kPrintDensityEn},
    {ctl::kCommandSet, kCommandSetZh, kCommandSetEn},
    {ctl::kCodePage, kCodePageZh, kCodePageEn},
    {ctl::kPaperOutReprint, kPaperOutReprintZh, kPaperOutReprintEn},
    {ctl::kCarriageReturn, kCarriageReturnZh, kCarriageReturnEn},
    {ctl::kPrintWidth, kPrintWidthZh, kPrintWidthEn},
    {ctl::kBuzzer, kBuzzerZh, kBuzzerEn},
    {ctl::kPrintSpeed, kPrintSpeedZh, kPrintSpeedEn},
    {ctl::kLcdBacklight, kDefaultOffOnZh, kDefaultOffOnEn},
    {ctl::kCutter, kCutterZh, kCutterEn},
    {ctl::kMechanism, kMechanismZh, kMechanismEn},
    {ctl::kBitmapSlot, kSlotZh, kSlotEn},
    {ctl::kBidAdjustment, kBidAdjustmentZh, kBidAdjustmentEn},
    {ctl::kPaperNearEnd, kPaperNearEndZh, kPaperNearEndEn},
    {ctl::kPrintPasses, kPrintPassesZh, kPrintPassesEn},
    {ctl::kCharsPerLine, kCharsPerLineZh, kCharsPerLineEn},
};

constexpr auto kListIds = [] {
  std::array<int, std::size(kLists)> ids{};
  for (std::size_t i = 0; i < ids.size(); ++i)
    ids[i] = kLists[i].id;
  return ids;
}();

}  // namespace

std::span<const std::string_view> OptionItems(UiVariant variant, int controlId) {
  for (const OptionList& list : kLists) {
    if (list.id == controlId)
      return variant == UiVariant::Chinese ? list.chinese : list.english;
  }
  return {};
}

std::span<const int> ListControlIds() {
  return kListIds;
}

}  // namespace vantrel
