#pragma once

#include "base/ui_variant.h"

namespace vantrel::ctl {

// Control ids of the main dialog, the same in both templates (the drawer, cut and test buttons
// excepted, see DeviceButtonIds).
inline constexpr int kSet = 1;
inline constexpr int kClose = 2;

inline constexpr int kLanguage = 1000;
inline constexpr int kManufacturerText = 1001;
inline constexpr int kModelText = 1002;
inline constexpr int kManufacturerCheck = 1003;
inline constexpr int kModelCheck = 1004;
inline constexpr int kPrintSpeed = 1005;
inline constexpr int kBidAdjustment = 1006;
inline constexpr int kBlackMarkPosition = 1007;
inline constexpr int kFont = 1008;
inline constexpr int kBlackMarkDetection = 1009;
inline constexpr int kCommandSet = 1010;
inline constexpr int kPaperSensitivity = 1011;
inline constexpr int kPrintDirection = 1012;
inline constexpr int kCodePage = 1013;
inline constexpr int kPrintDensity = 1014;
inline constexpr int kSelectBitmap = 1015;
inline constexpr int kPreviewFrame = 1016;
inline constexpr int kBitmapSlot = 1017;
inline constexpr int kDownloadBitmap = 1018;
inline constexpr int kInterface = 1019;
inline constexpr int kCutter = 1020;
inline constexpr int kMechanism = 1021;
inline constexpr int kPaperOutReprint = 1022;
inline constexpr int kCarriageReturn = 1023;
inline constexpr int kPrintWidth = 1024;
inline constexpr int kBuzzer = 1025;
inline constexpr int kIpAddress = 1026;
inline constexpr int kPrintStoredBitmap = 1027;
inline constexpr int kNetworkPort = 1028;
inline constexpr int kCharsPerLine = 1029;
inline constexpr int kBidTest = 1031;
inline constexpr int kStartOffsetText = 1032;
inline constexpr int kCutOffsetText = 1033;
inline constexpr int kFeedToNext = 1034;
inline constexpr int kFeedToCut = 1035;
inline constexpr int kBluetoothNameCheck = 1036;
inline constexpr int kBluetoothNameText = 1037;
inline constexpr int kBluetoothPasswordCheck = 1038;
inline constexpr int kBluetoothPasswordText = 1039;
inline constexpr int kRadioAddress1 = 1040;
inline constexpr int kStartOffsetCheck = 1041;
inline constexpr int kRadioAddress2 = 1042;
inline constexpr int kRadioAddress3 = 1043;
inline constexpr int kRadioAddress4 = 1044;
inline constexpr int kCutOffsetCheck = 1045;
inline constexpr int kRadioAddressCheck = 1046;
inline constexpr int kLcdBacklight = 1047;
inline constexpr int kCurrentBaud = 1067;
inline constexpr int kCurrentParity = 1068;
inline constexpr int kCurrentDataBits = 1069;
inline constexpr int kCurrentFlow = 1070;
inline constexpr int kPaperNearEnd = 1071;
inline constexpr int kPrintPasses = 1072;
inline constexpr int kTargetBaud = 1077;
inline constexpr int kTargetParity = 1078;
inline constexpr int kTargetDataBits = 1079;
inline constexpr int kTargetFlow = 1080;

// The radio-address fields in the order their bytes are sent.
inline constexpr int kRadioAddressFields[4] = {kRadioAddress1, kRadioAddress2, kRadioAddress3,
                                               kRadioAddress4};

// The bottom-row device buttons whose ids differ between the templates: Chinese 6, 5, 4;
// English 3, 4, 5. So id 4 is the test button in Chinese and the cut button in English.
struct DeviceButtonIds {
  int cashDrawer;
  int cut;
  int printTest;
};

constexpr DeviceButtonIds DeviceButtonIdsFor(UiVariant variant) {
  return variant == UiVariant::Chinese ? DeviceButtonIds{6, 5, 4} : DeviceButtonIds{3, 4, 5};
}

}  // namespace vantrel::ctl
