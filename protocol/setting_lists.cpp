#include "protocol/setting_lists.h"

#include <array>
#include <map>

#include "base/words.h"
#include "link/baud_rates.h"
#include "protocol/catalogue.h"

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

constexpr std::string_view kParity[] = {"NONE", "ODD", "EVEN"};
constexpr std::string_view kDataBits[] = {"7", "8"};
constexpr std::string_view kFlow[] = {"XON/XOFF", "RTS/CTS"};

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

constexpr auto kTargetBaudZh = Behind(kNoChangeZh, kBaudRates);
constexpr auto kTargetBaudEn = Behind(kNoChangeEn, kBaudRates);
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

struct ListTable {
  SettingList list;
  SettingKey key;
  std::int32_t SettingSelection::*field;
  std::span<const std::string_view> chinese;
  std::span<const std::string_view> english;
  // The tool's short names per item, alternatives separated by '|'; item 0 of a deciding list
  // needs none beyond its text.
  std::span<const std::string_view> shortNames;
  // Items that are numbers (the alignment value, baud rates, data bits, the speed in mm/s and the
  // density's passes): there a number names an item only as that number, never as its index.
  bool numeric = false;
};

constexpr std::string_view kLanguageShort[] = {"", "en|english", "zh-cn|simplified",
                                               "zh-tw|traditional"};
constexpr std::string_view kRightLeftShort[] = {"", "right", "left"};
constexpr std::string_view kFontShort[] = {"", "12x24", "9x17"};
constexpr std::string_view kOffOnShort[] = {"", "off", "on"};
constexpr std::string_view kCommandSetShort[] = {"", "escpos", "tolm", "others"};
constexpr std::string_view kLowMediumHighShort[] = {"", "low", "medium", "high"};
constexpr std::string_view kDensityShort[] = {"", "low|1", "medium|2", "high|3"};
constexpr std::string_view kDirectionShort[] = {"", "forward", "reverse"};
constexpr std::string_view kCutterShort[] = {"", "none|no-cut", "ace088240", "acs-230"};
constexpr std::string_view kMechanismShort[] = {"rv-5500", "dp330", "m-u110ii"};
constexpr std::string_view kPrintWidthShort[] = {"", "72mm|576", "64mm|512"};
constexpr std::string_view kBuzzerShort[] = {"", "off", "error", "cut", "on"};
constexpr std::string_view kSpeedShort[] = {"", "150", "200", "220", "250"};
constexpr std::string_view kParityShort[] = {"none", "odd", "even"};
constexpr std::string_view kFlowShort[] = {"xon-xoff|xonxoff", "rts-cts|rtscts"};
constexpr std::string_view kPassesShort[] = {"", "double", "single"};
constexpr std::string_view kCharsPerLineShort[] = {"", "42-2sp", "40-3sp", "42-3sp"};

using S = SettingSelection;
using L = SettingList;
using K = SettingKey;

// In the order of the settings.
constexpr ListTable kTables[] = {
    {L::Language, K::Language, &S::language, kLanguageZh, kLanguageEn, kLanguageShort},
    {L::BlackMarkPosition, K::BlackMarkPosition, &S::blackMarkPosition, kBlackMarkPositionZh,
     kBlackMarkPositionEn, kRightLeftShort},
    {L::Font, K::Font, &S::font, kFontZh, kFontEn, kFontShort},
    {L::BlackMarkDetection, K::BlackMarkDetection, &S::blackMarkDetection, kDefaultOffOnZh,
     kDefaultOffOnEn, kOffOnShort},
    {L::CommandSet, K::CommandSet, &S::commandSet, kCommandSetZh, kCommandSetEn, kCommandSetShort},
    {L::PaperSensitivity, K::PaperSensitivity, &S::paperSensitivity, kPaperSensitivityZh,
     kPaperSensitivityEn, kLowMediumHighShort},
    {L::PrintDirection, K::PrintDirection, &S::printDirection, kPrintDirectionZh, kPrintDirectionEn,
     kDirectionShort},
    {L::CodePage, K::CodePage, &S::codePage, kCodePageZh, kCodePageEn, {}},
    {L::PrintDensity, K::PrintDensity, &S::printDensity, kPrintDensityZh, kPrintDensityEn,
     kDensityShort, true},
    {L::Cutter, K::CutterMechanism, &S::cutter, kCutterZh, kCutterEn, kCutterShort},
    {L::Mechanism, K::CutterMechanism, &S::mechanism, kMechanismZh, kMechanismEn, kMechanismShort},
    {L::PaperOutReprint, K::PaperOutReprint, &S::paperOutReprint, kPaperOutReprintZh,
     kPaperOutReprintEn, kOffOnShort},
    {L::CarriageReturn, K::CarriageReturn, &S::carriageReturn, kCarriageReturnZh, kCarriageReturnEn,
     kOffOnShort},
    {L::PrintWidth, K::PrintWidth, &S::printWidth, kPrintWidthZh, kPrintWidthEn, kPrintWidthShort},
    {L::Buzzer, K::Buzzer, &S::buzzer, kBuzzerZh, kBuzzerEn, kBuzzerShort},
    {L::PrintSpeed, K::PrintSpeed, &S::printSpeed, kPrintSpeedZh, kPrintSpeedEn, kSpeedShort, true},
    {L::TargetBaud, K::TargetSerialLine, &S::targetBaud, kTargetBaudZh, kTargetBaudEn, {}, true},
    {L::TargetParity, K::TargetSerialLine, &S::targetParity, kParity, kParity, kParityShort},
    {L::TargetDataBits, K::TargetSerialLine, &S::targetDataBits, kDataBits, kDataBits, {}, true},
    {L::TargetFlow, K::TargetSerialLine, &S::targetFlow, kFlow, kFlow, kFlowShort},
    {L::LcdBacklight, K::LcdBacklight, &S::lcdBacklight, kDefaultOffOnZh, kDefaultOffOnEn,
     kOffOnShort},
    {L::PaperNearEnd, K::PaperNearEnd, &S::paperNearEnd, kPaperNearEndZh, kPaperNearEndEn,
     kOffOnShort},
    {L::PrintPasses, K::PrintPasses, &S::printPasses, kPrintPassesZh, kPrintPassesEn, kPassesShort},
    {L::BidAdjustment,
     K::BidAdjustment,
     &S::bidAdjustment,
     kBidAdjustmentZh,
     kBidAdjustmentEn,
     {},
     true},
    {L::CharsPerLine, K::CharsPerLine, &S::charsPerLine, kCharsPerLineZh, kCharsPerLineEn,
     kCharsPerLineShort},
};
static_assert(std::size(kTables) == kSettingListCount);

constexpr auto kAllLists = [] {
  std::array<SettingList, kSettingListCount> lists{};
  for (std::size_t i = 0; i < lists.size(); ++i)
    lists[i] = kTables[i].list;
  return lists;
}();

constexpr bool TablesInEnumOrder() {
  for (std::size_t i = 0; i < kSettingListCount; ++i) {
    if (static_cast<std::size_t>(kTables[i].list) != i)
      return false;
  }
  return true;
}
static_assert(TablesInEnumOrder());

const ListTable& TableOf(SettingList list) {
  return kTables[static_cast<std::size_t>(list)];
}

// A code page is named by the first word of its item ("cp437", "katakana", "iso-8859-15");
// names that two items share name neither.
std::vector<std::string> MakeCodePageShortNames() {
  const auto items = SettingItems(UiVariant::English, SettingList::CodePage);
  std::vector<std::string> names(items.size());
  std::map<std::string, int> uses;
  for (std::size_t i = 1; i < items.size(); ++i) {
    std::string word;
    for (char c : Lower(items[i])) {
      if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
        break;
      word += c;
    }
    names[i] = word;
    ++uses[word];
  }
  for (std::string& name : names) {
    if (!name.empty() && uses[name] > 1)
      name.clear();
  }
  return names;
}

}  // namespace

std::span<const SettingList> AllSettingLists() {
  return kAllLists;
}

SettingKey KeyOf(SettingList list) {
  return TableOf(list).key;
}

std::optional<SettingList> DecidingListOf(SettingKey key) {
  return RowOf(key).list;
}

bool IsNumberList(SettingList list) {
  return TableOf(list).numeric;
}

std::int32_t SettingSelection::*SelectionFieldOf(SettingList list) {
  return TableOf(list).field;
}

std::span<const std::string_view> SettingItems(UiVariant variant, SettingList list) {
  const ListTable& table = TableOf(list);
  return variant == UiVariant::Chinese ? table.chinese : table.english;
}

std::vector<std::string> ItemShortNames(SettingList list, std::size_t index) {
  if (list == SettingList::CodePage) {
    static const std::vector<std::string> codePages = MakeCodePageShortNames();
    if (index < codePages.size() && !codePages[index].empty())
      return {codePages[index]};
    return {};
  }
  const auto names = TableOf(list).shortNames;
  return index < names.size() ? Split(names[index], '|') : std::vector<std::string>{};
}

std::span<const std::string_view> BaudRateItems() {
  return kBaudRates;
}

std::span<const std::string_view> ParityItems() {
  return kParity;
}

std::span<const std::string_view> DataBitsItems() {
  return kDataBits;
}

std::span<const std::string_view> FlowItems() {
  return kFlow;
}

}  // namespace vantrel
