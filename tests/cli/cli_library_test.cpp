// The tool's own logic, without a process: value matching, language, interfaces, files, images,
// the progress line and the USB hints.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/ui_variant.h"
#include "cli/lib/fleet.h"
#include "cli/lib/image.h"
#include "cli/lib/inputs.h"
#include "cli/lib/platform.h"
#include "cli/lib/progress.h"
#include "cli/lib/setting_options.h"
#include "cli/lib/usb_listing.h"
#include "tests/support/param_name.h"
#include "tests/support/required_only_system.h"

namespace vantrel::cli {
namespace {

struct MatchCase {
  std::string name;
  std::string option;
  std::string value;
  std::optional<int> index;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
  *os << c.name;
}

class ListValue : public testing::TestWithParam<MatchCase> {};

TEST_P(ListValue, NamesItsListIndex) {
  const SettingOption* option = FindSettingOption(GetParam().option);
  ASSERT_NE(option, nullptr);
  EXPECT_EQ(MatchListValue(*option, GetParam().value), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ListValue,
    testing::Values(MatchCase{"EnglishTextAnyCase", "language", "simplified CHINESE", 2},
                    MatchCase{"ChineseText", "language", "繁体中文", 3},
                    MatchCase{"ShortName", "language", "zh-tw", 3},
                    MatchCase{"DefaultLeavesItAlone", "buzzer", "Default", 0},
                    MatchCase{"ChineseDefault", "buzzer", "不设置", 0},
                    MatchCase{"NotSetOfCharsPerLine", "chars-per-line", "not set", 0},
                    MatchCase{"Index", "code-page", "48", 48},
                    MatchCase{"IndexOutOfList", "code-page", "49", std::nullopt},
                    // An item's own text wins over the index: the alignment item "5" is index 6.
                    MatchCase{"ItemTextBeforeIndex", "bid-adjust", "5", 6},
                    MatchCase{"TrailingBlanksOfAnItem", "code-page", "ISO-8859-1 [West Europe]",
                              24},
                    MatchCase{"CodePageFirstWord", "code-page", "wcp1252", 17},
                    // The list itself repeats "reserve": the first of them.
                    MatchCase{"RepeatedItemTakesTheFirst", "code-page", "reserve", 12},
                    MatchCase{"MechanismHasNoDefaultItem", "mechanism", "dp330", 1},
                    MatchCase{"TargetBaudByRate", "target-baud", "115200", 8},
                    MatchCase{"TargetFlow", "target-flow", "RTS/CTS", 1},
                    MatchCase{"Unknown", "density", "dark", std::nullopt}),
    test::ParamName<MatchCase>);

TEST(SettingValues, FillTheSelectionOrExplainTheFirstProblem) {
  const TextEncoder asIs = [](std::string_view text) { return std::string(text); };
  SettingSelection selection;
  EXPECT_EQ(ApplySettingValues({{"language", "English"},
                                {"radio-address", "AB-ef-00-07"},
                                {"start-offset", "+12"},
                                {"model", "TM-1"}},
                               UiVariant::English, asIs, selection),
            std::nullopt);
  EXPECT_EQ(selection.language, 1);
  EXPECT_TRUE(selection.sendRadioAddress);
  EXPECT_EQ(selection.radioAddressText, (std::array<std::string, 4>{"AB", "ef", "00", "07"}));
  EXPECT_EQ(selection.startOffsetText, "12");
  EXPECT_EQ(selection.modelText, "TM-1");

  SettingSelection other;
  EXPECT_EQ(
      ApplySettingValues({{"bt-password", std::string(256, 'p')}}, UiVariant::Chinese, asIs, other),
      "蓝牙密码不能超过255字节!");
  const TextEncoder refuses = [](std::string_view) { return std::optional<std::string>(); };
  EXPECT_EQ(ApplySettingValues({{"bt-name", "☃"}}, UiVariant::Chinese, refuses, other),
            "--bt-name: \"☃\" cannot be written in the printer's code page (GBK)");
}

// Lists whose items are numbers take only those numbers (and the short names); any other number
// is refused with the valid values. Values and list indexes as the catalogue gives them.
struct NumberCase {
  std::string name;
  std::map<std::string, std::string> values;
  std::optional<int> index;  // the list index of the value, when it is taken
  std::string refusal;       // a part of the message, when it is not
};

void PrintTo(const NumberCase& c, std::ostream* os) {
  *os << c.name;
}

class NumberValue : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberValue, IsOneOfTheListsNumbersOrRefused) {
  const NumberCase& c = GetParam();
  const TextEncoder asIs = [](std::string_view text) { return std::string(text); };
  // The option under test is the last by name; a partner it needs sorts before it.
  const auto& [name, value] = *c.values.rbegin();
  const SettingOption* option = FindSettingOption(name);
  ASSERT_NE(option, nullptr);
  EXPECT_EQ(MatchListValue(*option, value), c.index);
  SettingSelection selection;
  const std::optional<std::string> problem =
      ApplySettingValues(c.values, UiVariant::English, asIs, selection);
  if (c.refusal.empty()) {
    EXPECT_EQ(problem, std::nullopt);
  } else {
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find(c.refusal), std::string::npos) << *problem;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberValue,
    testing::Values(
        NumberCase{"BidAdjustFirst", {{"bid-adjust", "0"}}, 1, ""},
        NumberCase{"BidAdjustLast", {{"bid-adjust", "24"}}, 25, ""},
        NumberCase{"BidAdjustLeadingZero", {{"bid-adjust", "07"}}, 8, ""},
        NumberCase{"BidAdjustDefault", {{"bid-adjust", "default"}}, 0, ""},
        NumberCase{"BidAdjustPastTheEnd",
                   {{"bid-adjust", "25"}},
                   std::nullopt,
                   "unknown value \"25\" for --bid-adjust; its values are 0 to 24, or default"},
        NumberCase{"BidAdjustNegative", {{"bid-adjust", "-1"}}, std::nullopt, "0 to 24"},
        NumberCase{"TargetBaudRate", {{"target-baud", "19200"}}, 5, ""},
        NumberCase{"TargetBaudFastest", {{"target-baud", "115200"}}, 8, ""},
        NumberCase{"TargetBaudIndex",
                   {{"target-baud", "4"}},
                   std::nullopt,
                   "its values are 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200"},
        NumberCase{"TargetBaudNotARate", {{"target-baud", "9601"}}, std::nullopt, "1200, 2400"},
        NumberCase{"TargetDataBits", {{"target-data-bits", "7"}, {"target-baud", "9600"}}, 0, ""},
        NumberCase{"TargetDataBitsIndex",
                   {{"target-data-bits", "1"}, {"target-baud", "9600"}},
                   std::nullopt,
                   "its values are 7, 8"},
        NumberCase{"SpeedInMillimetres", {{"speed", "220"}}, 3, ""},
        NumberCase{"SpeedIndex", {{"speed", "2"}}, std::nullopt, "150, 200, 220, 250"},
        NumberCase{"DensityPasses", {{"density", "3"}}, 3, ""},
        NumberCase{"DensityPastTheEnd", {{"density", "4"}}, std::nullopt, "1 to 3"},
        NumberCase{"DensityZero", {{"density", "0"}}, std::nullopt, "1 to 3, or default"},
        NumberCase{"PrintWidthInDots", {{"print-width", "512"}}, 2, ""},
        // The print width's items are widths, not numbers: its index stays.
        NumberCase{"PrintWidthIndex", {{"print-width", "1"}}, 1, ""},
        // Lists of names still take their index, within the list.
        NumberCase{"LanguageIndex", {{"language", "3"}}, 3, ""},
        NumberCase{"CodePagePastTheEnd",
                   {{"code-page", "49"}},
                   std::nullopt,
                   "its items are numbered 0 to 48"}),
    test::ParamName<NumberCase>);

// A detail option without the option it details would be dropped without a word.
TEST(SettingValues, RefuseADetailWithoutItsPartner) {
  const TextEncoder asIs = [](std::string_view text) { return std::string(text); };
  const std::pair<std::map<std::string, std::string>, std::string> cases[] = {
      {{{"mechanism", "dp330"}},
       "--mechanism is sent only together with --cutter: give --cutter as well"},
      {{{"mechanism", "dp330"}, {"cutter", "default"}},
       "--mechanism is sent only together with --cutter, and --cutter leaves the setting "
       "unchanged"},
      {{{"target-parity", "odd"}}, "--target-parity is sent only together with --target-baud"},
      {{{"target-data-bits", "7"}, {"language", "english"}},
       "--target-data-bits is sent only together with --target-baud"},
      {{{"target-flow", "xon-xoff"}, {"target-baud", "default"}},
       "--target-flow is sent only together with --target-baud, and --target-baud leaves"},
  };
  for (const auto& [values, message] : cases) {
    SettingSelection selection;
    const auto problem = ApplySettingValues(values, UiVariant::English, asIs, selection);
    ASSERT_TRUE(problem) << message;
    EXPECT_NE(problem->find(message), std::string::npos) << *problem;
  }
  SettingSelection both;
  EXPECT_EQ(ApplySettingValues({{"mechanism", "dp330"},
                                {"cutter", "acs-230"},
                                {"target-flow", "xon-xoff"},
                                {"target-baud", "9600"}},
                               UiVariant::English, asIs, both),
            std::nullopt);
  EXPECT_EQ(both.mechanism, 1);
  EXPECT_EQ(both.targetFlow, 0);
}

TEST(NearestNames, RankByEditDistanceInListOrder) {
  const std::vector<std::string> names{"language", "font", "cutter", "code-page", "lcd-backlight"};
  EXPECT_EQ(NearestNames(names, "langauge", 1), std::vector<std::string>{"language"});
  EXPECT_EQ(NearestNames(names, "cuter", 2), (std::vector<std::string>{"cutter", "font"}));
}

TEST(Language, FollowsTheLocaleLikeTheDialogsLanguageIds) {
  EXPECT_EQ(ChooseUiVariant(LanguageIdOfLocale("zh_CN.UTF-8")), UiVariant::Chinese);
  EXPECT_EQ(ChooseUiVariant(LanguageIdOfLocale("zh_TW")), UiVariant::Chinese);
  EXPECT_EQ(ChooseUiVariant(LanguageIdOfLocale("zh_HK.UTF-8")), UiVariant::Chinese);
  EXPECT_EQ(ChooseUiVariant(LanguageIdOfLocale("zh_SG")), UiVariant::Chinese);
  EXPECT_EQ(ChooseUiVariant(LanguageIdOfLocale("zh_MO.UTF-8")), UiVariant::English);
  EXPECT_EQ(ChooseUiVariant(LanguageIdOfLocale("zh")), UiVariant::English);
  EXPECT_EQ(ChooseUiVariant(LanguageIdOfLocale("de_DE.UTF-8")), UiVariant::English);
  const auto environment = [](const char* name) -> const char* {
    return std::string(name) == "LANG"     ? "zh_CN.UTF-8"
           : std::string(name) == "LC_ALL" ? ""
                                           : nullptr;
  };
  EXPECT_EQ(EffectiveLocale(environment), "zh_CN.UTF-8");
}

TEST(Interface, TakesTheDialogsItemsPathsAndHosts) {
  const Resolver resolve = [](std::string_view host) -> std::optional<std::array<std::uint8_t, 4>> {
    if (host == "printer.local")
      return std::array<std::uint8_t, 4>{10, 1, 2, 3};
    return std::nullopt;
  };
  auto parse = [&](std::string_view text) { return ParseInterface(text, resolve); };
  EXPECT_EQ(std::get<InterfaceChoice>(parse("com10")).index, 9);
  EXPECT_EQ(std::get<InterfaceChoice>(parse("LPT1")).index, 10);
  EXPECT_EQ(std::get<InterfaceChoice>(parse("usb")).index, 11);
  const auto ethernet = std::get<InterfaceChoice>(parse("以太网"));
  EXPECT_EQ(ethernet.index, 12);
  EXPECT_EQ(ethernet.endpoint, (Ipv4Endpoint{{192, 168, 1, 114}, 9100}));
  const auto tty = std::get<InterfaceChoice>(parse("/dev/ttyUSB0"));
  EXPECT_EQ(tty.index, 0);
  EXPECT_EQ(tty.devicePath, "/dev/ttyUSB0");
  EXPECT_EQ(std::get<InterfaceChoice>(parse("/dev/usb/lp1")).index, 10);
  EXPECT_EQ(std::get<InterfaceChoice>(parse("127.0.0.1:9101")).endpoint,
            (Ipv4Endpoint{{127, 0, 0, 1}, 9101}));
  EXPECT_EQ(std::get<InterfaceChoice>(parse("printer.local")).endpoint,
            (Ipv4Endpoint{{10, 1, 2, 3}, 9100}));
  // Any COM number, and the serial device path itself (USB-serial adapters are often COM11 up).
  for (const std::string_view text : {"COM11", "com11", "\\\\.\\COM11"}) {
    const auto com = std::get<InterfaceChoice>(parse(text));
    EXPECT_EQ(com.index, 0) << text;
    EXPECT_EQ(com.devicePath, "\\\\.\\COM11") << text;
  }
  EXPECT_TRUE(std::holds_alternative<std::string>(parse("COM0")));
  EXPECT_TRUE(std::holds_alternative<std::string>(parse("10.0.0.1:70000")));
  EXPECT_TRUE(std::holds_alternative<std::string>(parse("300.1.1.1")));
  EXPECT_EQ(BaudIndexOf("115200"), 7);
  EXPECT_EQ(BaudIndexOf("110"), std::nullopt);
  EXPECT_EQ(ParityIndexOf("Even"), 2);
}

TEST(Files, ProfilesAndHostLists) {
  const auto profile = ParseProfile(R"({"language": "english", "code-page": 17})");
  EXPECT_EQ(std::get<0>(profile),
            (std::map<std::string, std::string>{{"language", "english"}, {"code-page", "17"}}));
  EXPECT_EQ(std::get<std::string>(ParseProfile("[1, 2]")),
            "not a JSON object of setting names and values");
  EXPECT_EQ(std::get<std::string>(ParseProfile(R"({"font": true})")),
            "\"font\" must be a text or a whole number");
  EXPECT_EQ(ParseHostsList("# store 12\n10.0.0.5\n\n  10.0.0.6:9101  # office\r\n"),
            (std::vector<std::string>{"10.0.0.5", "10.0.0.6:9101"}));
}

// What Windows PowerShell 5.1 captures reads right: the console's code page for a pipe while a
// console is attached, UTF-8 for --json, files and other programs, UTF-16 on the console itself.
TEST(Output, FollowsWhatReadsItOnWindows) {
  EXPECT_EQ(ChooseStreamEncoding(true, false, true, true), StreamEncoding::ConsoleUnicode);
  EXPECT_EQ(ChooseStreamEncoding(false, true, true, false), StreamEncoding::ConsoleCodePage);
  EXPECT_EQ(ChooseStreamEncoding(false, true, true, true), StreamEncoding::Utf8);
  EXPECT_EQ(ChooseStreamEncoding(false, false, true, false), StreamEncoding::Utf8);
  EXPECT_EQ(ChooseStreamEncoding(false, true, false, false), StreamEncoding::Utf8);
}

// Files saved by Notepad: UTF-8 with its mark, UTF-16 either way round ("Unicode"); a legacy code
// page (GBK "店" here) is refused.
TEST(Files, AreReadAsUtf8FromWhatNotepadSaves) {
  using namespace std::string_literals;
  EXPECT_EQ(TextAsUtf8("\xEF\xBB\xBF{\"bt-name\": \"店\"}"), "{\"bt-name\": \"店\"}");
  EXPECT_EQ(TextAsUtf8("\xFF\xFE{\0\x97\x5E}\0"s), "{店}");
  EXPECT_EQ(TextAsUtf8("\xFE\xFF\0{\xD8\x3D\xDE\x00"s), "{\xF0\x9F\x98\x80");
  EXPECT_EQ(TextAsUtf8("10.0.0.5\n"), "10.0.0.5\n");
  EXPECT_EQ(TextAsUtf8("{\"bt-name\": \"\xB5\xEA\"}"), std::nullopt);
  EXPECT_EQ(TextAsUtf8("\xFF\xFE{"), std::nullopt) << "half a UTF-16 unit";
}

TEST(Image, IsScaledToThePaperAndDitheredToTwoColours) {
  // Mid grey, 1152 x 20: half the width and height on paper, about half the dots black.
  const GreyImage grey{1152, 20, std::vector<std::uint8_t>(1152 * 20, 128)};
  const GreyImage fitted = FitWidth(grey, 576);
  EXPECT_EQ(fitted.width, 576u);
  EXPECT_EQ(fitted.height, 10u);
  const GreyImage narrow{100, 3, std::vector<std::uint8_t>(300, 0)};
  EXPECT_EQ(FitWidth(narrow, 576).width, 100u);

  const Bytes bmp = DitherToBmp(fitted);
  ASSERT_EQ(bmp.size(), 62u + 72u * 10u);
  EXPECT_TRUE(IsBmpFile(bmp));
  EXPECT_EQ(bmp[28], 1) << "one bit a pixel";
  EXPECT_EQ(bmp[46], 2) << "two colours used";
  std::size_t white = 0;
  for (std::size_t i = 62; i < bmp.size(); ++i)
    white += static_cast<std::size_t>(__builtin_popcount(bmp[i]));
  EXPECT_NEAR(static_cast<double>(white) / (576.0 * 10.0), 0.5, 0.02);

  // Black stays all dots (colour 0), white no dot; the fill bits of a row stay clear.
  const Bytes black = DitherToBmp(GreyImage{9, 1, std::vector<std::uint8_t>(9, 0)});
  EXPECT_EQ(Bytes(black.begin() + 62, black.end()), (Bytes{0x00, 0x00, 0x00, 0x00}));
  const Bytes paper = DitherToBmp(GreyImage{9, 1, std::vector<std::uint8_t>(9, 255)});
  EXPECT_EQ(Bytes(paper.begin() + 62, paper.end()), (Bytes{0xFF, 0x80, 0x00, 0x00}));

  // Decoding each format: image_test.cpp.
}

TEST(Progress, ShowsShareRateAndTimeLeft) {
  EXPECT_EQ(ProgressLine(0, 2048, std::chrono::milliseconds(0), 10),
            "[..........]   0%  0.0/2.0 KiB");
  EXPECT_EQ(ProgressLine(1024, 2048, std::chrono::milliseconds(2000), 10),
            "[#####.....]  50%  1.0/2.0 KiB  0.5 KiB/s  0:02 left");
  EXPECT_EQ(ProgressLine(2048, 2048, std::chrono::milliseconds(4000), 10),
            "[##########] 100%  2.0/2.0 KiB  0.5 KiB/s  0:00 left");
}

TEST(UsbHints, SayWhatIsMissingAndHowToFixIt) {
  EXPECT_EQ(UsbOpenHint(std::nullopt), "the USB device list could not be read (is /sys mounted?)");
  EXPECT_EQ(UsbOpenHint(std::vector<UsbListing>{{"1-4", "vid_1d6b&pid_0002", std::nullopt}}),
            "no USB printer with vid_0483&pid_5720 or vid_067b&pid_2305 is attached (vantrel "
            "list-usb shows what is)");
  EXPECT_EQ(UsbOpenHint(std::vector<UsbListing>{{"2-1", "vid_0483&pid_5720", "/dev/usb/lp0"}}),
            "/dev/usb/lp0 could not be opened: check that it may be written (the lp group) and "
            "that no other program holds it");
}

TEST(UsbHints, NameWindowsThingsOnWindows) {
  const std::string path = "\\\\?\\usb#vid_0483&pid_5720#5&2f1a&0&1#{a5dcbf10}";
  EXPECT_EQ(UsbOpenHint(std::nullopt, Platform::Windows),
            "the USB device list could not be read (SetupAPI gave no device set)");
  EXPECT_EQ(UsbOpenHint(std::vector<UsbListing>{{"5&2f1a&0&1", "vid_0483&pid_5720", path}},
                        Platform::Windows),
            path + " could not be opened: check that no other program holds it");
  EXPECT_EQ(DescribeUsbDevices(std::vector<UsbListing>{{"5&2f1a&0&1", "vid_0483&pid_5720", path}},
                               Platform::Windows),
            "5&2f1a&0&1  vid_0483&pid_5720  (printer)  " + path + "\n");
}

TEST(Fleet, ASendingThatDidNotFinishFailsAsForOnePrinter) {
  Request set;
  set.target.index = kNetworkInterface;
  set.selection.language = 1;
  Request cut = set;
  cut.command = Command::Cut;
  const std::vector<FleetResult> results = RunFleet(
      {set, cut},
      [] {
        // A network printer that took every command into its connection but never
        // acknowledged them all: only the end of the sending shows it.
        return std::make_unique<test::RequiredOnlySystem>(/*sendingFinishes=*/false);
      },
      FleetLimits{});
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].outcome.messages, std::vector<std::string>{"Language setting failed!\r\n"});
  EXPECT_EQ(results[1].outcome.messages, std::vector<std::string>{"Command sending failed!"});
  for (const FleetResult& result : results) {
    EXPECT_EQ(result.end, FleetEnd::Finished);
    EXPECT_NE(result.outcome.status, ExitStatus::Ok);
  }
}

}  // namespace
}  // namespace vantrel::cli
