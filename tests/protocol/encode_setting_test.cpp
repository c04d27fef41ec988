#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "protocol/settings.h"
#include "tests/support/expected_tables.h"
#include "tests/support/param_name.h"
#include "tests/support/script.h"

namespace vantrel {
namespace {

namespace expected = test::expected;
using test::FromHex;
using test::Hex;

struct EncodeCase {
  const char* name;
  SettingKey key;
  std::function<void(SettingSelection&)> choose;
  const char* command;  // nullptr: not sent
  std::optional<std::uint8_t> reference = {};
};

class EncodeSettingTest : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeSettingTest, BuildsTheExactCommand) {
  const EncodeCase& c = GetParam();
  SettingSelection s;
  c.choose(s);
  const auto encoded = EncodeSetting(c.key, s);
  if (c.command == nullptr) {
    EXPECT_FALSE(encoded.has_value()) << Hex(encoded->command);
    return;
  }
  ASSERT_TRUE(encoded.has_value());
  EXPECT_EQ(Hex(encoded->command), Hex(FromHex(c.command)));
  EXPECT_EQ(encoded->reference, c.reference);
}

const std::string k20Chars = "ABCDEFGHIJKLMNOPQRST";

INSTANTIATE_TEST_SUITE_P(
    Families, EncodeSettingTest,
    testing::Values(
        // Family 1: index minus one, item 0 and no selection suppress the command.
        // Family 1: item 0 and no selection suppress the command (the values are below).
        EncodeCase{"LanguageItem0", SettingKey::Language, [](auto& s) { s.language = 0; }, nullptr},
        EncodeCase{"LanguageNoSelection", SettingKey::Language, [](auto& s) { s.language = -1; },
                   nullptr},
        // Family 2: packed values.
        EncodeCase{"NoCutterFirstMechanism", SettingKey::CutterMechanism,
                   [](auto& s) {
                     s.cutter = 1;
                     s.mechanism = 0;
                   },
                   "1B 19 00", 0x00},
        EncodeCase{"ThirdCutterThirdMechanism", SettingKey::CutterMechanism,
                   [](auto& s) {
                     s.cutter = 3;
                     s.mechanism = 2;
                   },
                   "1B 19 22", 0x22},
        EncodeCase{"SecondCutterNoMechanismSelected", SettingKey::CutterMechanism,
                   [](auto& s) {
                     s.cutter = 2;
                     s.mechanism = -1;
                   },
                   "1B 19 10", 0x10},
        EncodeCase{"CutterItem0IgnoresMechanism", SettingKey::CutterMechanism,
                   [](auto& s) {
                     s.cutter = 0;
                     s.mechanism = 2;
                   },
                   nullptr},
        EncodeCase{"TargetLineDialogDefaults9600", SettingKey::TargetSerialLine,
                   [](auto& s) { s.targetBaud = 4; }, "1B 23 3B"},
        EncodeCase{"TargetLine115200Even7XonXoff", SettingKey::TargetSerialLine,
                   [](auto& s) {
                     s.targetBaud = 8;
                     s.targetParity = 2;
                     s.targetDataBits = 0;
                     s.targetFlow = 0;
                   },
                   "1B 23 07"},
        EncodeCase{"TargetLineOdd1200", SettingKey::TargetSerialLine,
                   [](auto& s) {
                     s.targetBaud = 1;
                     s.targetParity = 1;
                   },
                   "1B 23 58"},
        EncodeCase{"TargetLineNoSelectionsAddNothing", SettingKey::TargetSerialLine,
                   [](auto& s) {
                     s.targetBaud = 2;
                     s.targetParity = -1;
                     s.targetDataBits = -1;
                     s.targetFlow = -1;
                   },
                   "1B 23 01"},
        EncodeCase{"TargetLineItem0", SettingKey::TargetSerialLine,
                   [](auto& s) { s.targetBaud = 0; }, nullptr},
        // Family 3: texts.
        EncodeCase{"ManufacturerCutTo16", SettingKey::ManufacturerName,
                   [](auto& s) {
                     s.sendManufacturer = true;
                     s.manufacturerText = k20Chars;
                   },
                   "1B 1B 10 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 00", 'A'},
        EncodeCase{"ManufacturerEmpty", SettingKey::ManufacturerName,
                   [](auto& s) { s.sendManufacturer = true; }, "1B 1B 00 00"},
        EncodeCase{"ManufacturerUnticked", SettingKey::ManufacturerName,
                   [](auto& s) { s.manufacturerText = "X"; }, nullptr},
        EncodeCase{"ModelSplitsDoubleByteText", SettingKey::ModelName,
                   [](auto& s) {
                     s.sendModel = true;
                     s.modelText = "ABCDEFGHIJKLMNO\xC6\xF0";  // 15 ASCII bytes, then a GBK pair
                   },
                   "1B 1C 10 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F C6 00", 'A'},
        EncodeCase{"BluetoothNameEmpty", SettingKey::BluetoothName,
                   [](auto& s) { s.sendBluetoothName = true; }, "1B 13 00"},
        EncodeCase{"BluetoothPasswordNoTerminator", SettingKey::BluetoothPassword,
                   [](auto& s) {
                     s.sendBluetoothPassword = true;
                     s.bluetoothPasswordText = "1234";
                   },
                   "1B 10 04 31 32 33 34"},
        // Family 4: the hex-pair rule, either letter case, characters after two ignored.
        EncodeCase{"RadioAddressDialogDefaults", SettingKey::RadioAddress,
                   [](auto& s) { s.sendRadioAddress = true; }, "1C BD 00 84 00 01", 0x01},
        EncodeCase{"RadioAddressLettersAndTail", SettingKey::RadioAddress,
                   [](auto& s) {
                     s.sendRadioAddress = true;
                     s.radioAddressText = {"ab", "EF", "840", "07"};
                   },
                   "1C BD AB EF 84 07", 0x07},
        EncodeCase{"RadioAddressUnticked", SettingKey::RadioAddress, [](auto&) {}, nullptr},
        // Family 5: offsets, millimetres times 5.68.
        EncodeCase{"StartOffset0", SettingKey::StartOffset,
                   [](auto& s) {
                     s.sendStartOffset = true;
                     s.startOffsetText = "0";
                   },
                   "1D 28 46 04 00 01 00 00 00"},
        EncodeCase{"StartOffset1", SettingKey::StartOffset,
                   [](auto& s) {
                     s.sendStartOffset = true;
                     s.startOffsetText = "1";
                   },
                   "1D 28 46 04 00 01 00 05 00"},
        EncodeCase{"StartOffset10", SettingKey::StartOffset,
                   [](auto& s) {
                     s.sendStartOffset = true;
                     s.startOffsetText = "10";
                   },
                   "1D 28 46 04 00 01 00 38 00"},
        EncodeCase{"CutOffset50", SettingKey::CutOffset,
                   [](auto& s) {
                     s.sendCutOffset = true;
                     s.cutOffsetText = "50";
                   },
                   "1D 28 46 04 00 02 00 1C 01"},
        EncodeCase{"CutOffset100", SettingKey::CutOffset,
                   [](auto& s) {
                     s.sendCutOffset = true;
                     s.cutOffsetText = "100";
                   },
                   "1D 28 46 04 00 02 00 38 02"},
        EncodeCase{"CutOffset299", SettingKey::CutOffset,
                   [](auto& s) {
                     s.sendCutOffset = true;
                     s.cutOffsetText = "299";
                   },
                   "1D 28 46 04 00 02 00 A2 06"},
        EncodeCase{"Offset300BeyondCaption", SettingKey::CutOffset,
                   [](auto& s) {
                     s.sendCutOffset = true;
                     s.cutOffsetText = "300";
                   },
                   "1D 28 46 04 00 02 00 A8 06"},
        EncodeCase{"OffsetDigitsThenLetters", SettingKey::StartOffset,
                   [](auto& s) {
                     s.sendStartOffset = true;
                     s.startOffsetText = " 12mm";
                   },
                   "1D 28 46 04 00 01 00 44 00"},
        EncodeCase{"OffsetEmpty", SettingKey::StartOffset,
                   [](auto& s) { s.sendStartOffset = true; }, "1D 28 46 04 00 01 00 00 00"},
        EncodeCase{"OffsetNotANumber", SettingKey::StartOffset,
                   [](auto& s) {
                     s.sendStartOffset = true;
                     s.startOffsetText = "abc";
                   },
                   "1D 28 46 04 00 01 00 00 00"},
        EncodeCase{"OffsetNegativeStillEncodes", SettingKey::StartOffset,
                   [](auto& s) {
                     s.sendStartOffset = true;
                     s.startOffsetText = "-5";
                   },
                   "1D 28 46 04 00 01 00 E4 00"},
        EncodeCase{"OffsetUnticked", SettingKey::CutOffset, [](auto& s) { s.cutOffsetText = "5"; },
                   nullptr}),
    test::ParamName<EncodeCase>);

TEST(EncodeSetting, NothingChosenBuildsNoCommand) {
  const SettingSelection untouched;
  for (SettingKey key : AllSettingKeys()) {
    EXPECT_FALSE(EncodeSetting(key, untouched).has_value()) << static_cast<int>(key);
  }
}

TEST(EncodeSetting, FrameCommands) {
  EXPECT_EQ(Hex(SetupBegin), "1B 09");
  EXPECT_EQ(Hex(SetupEnd), "1B 15");
}

TEST(EncodeSetting, LongBluetoothTextCarriesLowLengthByte) {
  SettingSelection s;
  s.sendBluetoothName = true;
  s.bluetoothNameText = std::string(300, 'x');
  const auto encoded = EncodeSetting(SettingKey::BluetoothName, s);
  ASSERT_TRUE(encoded);
  EXPECT_EQ(encoded->command.size(), 303u);
  EXPECT_EQ(encoded->command[2], 300 % 256);
}

struct RefusalCase {
  const char* name;
  std::function<void(SettingSelection&)> choose;
  std::optional<SelectionProblem> problem;
  int field = 0;
};

class CheckSelectionTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(CheckSelectionTest, RefusesWhatCannotBeSent) {
  const RefusalCase& c = GetParam();
  SettingSelection s;
  c.choose(s);
  const auto refusal = CheckSelection(s);
  ASSERT_EQ(refusal.has_value(), c.problem.has_value());
  if (refusal) {
    EXPECT_EQ(refusal->problem, *c.problem);
    EXPECT_EQ(refusal->field, c.field);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CheckSelectionTest,
    testing::Values(RefusalCase{"Defaults", [](auto&) {}, std::nullopt},
                    RefusalCase{"OneCharacterRadioField",
                                [](auto& s) {
                                  s.sendRadioAddress = true;
                                  s.radioAddressText = {"00", "84", "1", "01"};
                                },
                                SelectionProblem::RadioAddressNotHex, 2},
                    RefusalCase{"EmptyRadioField",
                                [](auto& s) {
                                  s.sendRadioAddress = true;
                                  s.radioAddressText = {"", "84", "00", "01"};
                                },
                                SelectionProblem::RadioAddressNotHex, 0},
                    RefusalCase{"NonHexRadioField",
                                [](auto& s) {
                                  s.sendRadioAddress = true;
                                  s.radioAddressText = {"00", "84", "00", "0G"};
                                },
                                SelectionProblem::RadioAddressNotHex, 3},
                    RefusalCase{"BadRadioFieldUntickedIsFine",
                                [](auto& s) {
                                  s.radioAddressText = {"", "", "", ""};
                                },
                                std::nullopt},
                    RefusalCase{"Bluetooth255Fits",
                                [](auto& s) {
                                  s.sendBluetoothName = true;
                                  s.bluetoothNameText = std::string(255, 'n');
                                },
                                std::nullopt},
                    RefusalCase{"BluetoothName256",
                                [](auto& s) {
                                  s.sendBluetoothName = true;
                                  s.bluetoothNameText = std::string(256, 'n');
                                },
                                SelectionProblem::BluetoothNameTooLong},
                    RefusalCase{"BluetoothPassword256",
                                [](auto& s) {
                                  s.sendBluetoothPassword = true;
                                  s.bluetoothPasswordText = std::string(256, 'p');
                                },
                                SelectionProblem::BluetoothPasswordTooLong},
                    RefusalCase{"NegativeStartOffset",
                                [](auto& s) {
                                  s.sendStartOffset = true;
                                  s.startOffsetText = "-5";
                                },
                                SelectionProblem::StartOffsetOutOfRange},
                    RefusalCase{"MinusZeroIsZero",
                                [](auto& s) {
                                  s.sendStartOffset = true;
                                  s.startOffsetText = "-0";
                                },
                                std::nullopt},
                    RefusalCase{"LargestFittingCutOffset",
                                [](auto& s) {
                                  s.sendCutOffset = true;
                                  s.cutOffsetText = "11538";
                                },
                                std::nullopt},
                    RefusalCase{"CutOffsetPast16Bits",
                                [](auto& s) {
                                  s.sendCutOffset = true;
                                  s.cutOffsetText = "11539";
                                },
                                SelectionProblem::CutOffsetOutOfRange},
                    RefusalCase{"HugeOffsetDoesNotOverflow",
                                [](auto& s) {
                                  s.sendCutOffset = true;
                                  s.cutOffsetText = "99999999999999999999999999";
                                },
                                SelectionProblem::CutOffsetOutOfRange}),
    test::ParamName<RefusalCase>);

TEST(CheckSelection, LargestOffsetIsWhere16BitsEnd) {
  const std::int64_t mm = MaxOffsetMillimetres();
  EXPECT_EQ(mm, 11538);
  EXPECT_LE(OffsetPositionCount(mm), 0xFFFF);
  EXPECT_GT(OffsetPositionCount(mm + 1), 0xFFFF);
}

}  // namespace
}  // namespace vantrel
