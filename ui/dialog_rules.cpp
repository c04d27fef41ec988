#include "ui/dialog_rules.h"

#include "ui/control_ids.h"
#include "ui/option_lists.h"

namespace vantrel {
namespace {

using namespace ctl;

bool Chosen(DialogControls& controls, int listId) {
  return controls.GetSelection(listId) >= 1;
}

}  // namespace

InterfaceType InitialInterface(UiVariant variant) {
  return variant == UiVariant::Chinese ? 0 : kUsbInterface;
}

void InitialiseControls(UiVariant variant, DialogControls& controls) {
  // The selections, in the order the dialog has always set them.
  const struct {
    int id;
    int index;
  } selections[] = {
      {kLanguage, 0},
      {kBlackMarkPosition, 0},
      {kFont, 0},
      {kBlackMarkDetection, 0},
      {kPaperSensitivity, 0},
      {kPrintDirection, 0},
      {kCodePage, 0},
      {kCommandSet, 0},
      {kPrintDensity, 0},
      {kBitmapSlot, 0},
      {kInterface, InitialInterface(variant)},
      {kCurrentBaud, 3},
      {kTargetBaud, 0},
      {kCurrentParity, 0},
      {kTargetParity, 0},
      {kCurrentDataBits, 1},
      {kTargetDataBits, 1},
      {kCurrentFlow, 1},
      {kTargetFlow, 1},
      {kCutter, 0},
      {kMechanism, 0},
  };
  for (const auto& s : selections)
    controls.SetSelection(s.id, s.index);

  for (int id : {kMechanism, kTargetParity, kTargetDataBits, kTargetFlow})
    controls.Enable(id, false);

  for (int id : {kPaperOutReprint, kCarriageReturn, kPrintWidth, kBuzzer, kPrintSpeed})
    controls.SetSelection(id, 0);

  for (int id : {kManufacturerText, kModelText}) {
    controls.SetText(id, "");
    controls.Enable(id, false);
  }

  controls.SetText(kNetworkPort, kInitialPrinterPortText);
  controls.SetIpAddress(kIpAddress, kInitialPrinterAddress);

  controls.Enable(kBluetoothNameText, false);
  controls.Enable(kBluetoothPasswordText, false);

  for (int i = 0; i < 4; ++i) {
    controls.SetText(kRadioAddressFields[i], kInitialRadioAddress[i]);
    controls.Enable(kRadioAddressFields[i], false);
  }

  for (int id : {kLcdBacklight, kPaperNearEnd, kPrintPasses, kBidAdjustment, kCharsPerLine})
    controls.SetSelection(id, 0);

  controls.SetChecked(kStartOffsetCheck, false);
  controls.SetChecked(kCutOffsetCheck, false);
  controls.Enable(kStartOffsetText, false);
  controls.Enable(kCutOffsetText, false);
}

void ApplyCutterRule(DialogControls& controls) {
  controls.Enable(kMechanism, Chosen(controls, kCutter));
}

void ApplyTargetSerialRule(DialogControls& controls) {
  const bool chosen = Chosen(controls, kTargetBaud);
  for (int id : {kTargetParity, kTargetDataBits, kTargetFlow})
    controls.Enable(id, chosen);
}

void ApplyCodePageRule(DialogControls& controls) {
  if (Chosen(controls, kCodePage)) {
    controls.SetSelection(kLanguage, 1);
    controls.Enable(kLanguage, false);
  } else {
    controls.SetSelection(kLanguage, 0);
    controls.Enable(kLanguage, true);
  }
}

std::optional<int> FieldOfCheckBox(int checkBoxId) {
  for (const TextSettingControls& pair : TextSettingControlList()) {
    if (pair.checkBox == checkBoxId)
      return pair.field;
  }
  return std::nullopt;
}

void ApplyCheckBoxRule(DialogControls& controls, int checkBoxId) {
  if (const auto field = FieldOfCheckBox(checkBoxId))
    controls.Enable(*field, controls.IsChecked(checkBoxId));
}

void ApplyRadioAddressRule(DialogControls& controls) {
  const bool ticked = controls.IsChecked(kRadioAddressCheck);
  for (int id : kRadioAddressFields)
    controls.Enable(id, ticked);
}

int PixelsForDpi(int pixels, int dpi) {
  if (dpi <= 0)
    return pixels;
  const long long scaled = static_cast<long long>(pixels) * dpi;
  return static_cast<int>((scaled + (scaled >= 0 ? 48 : -48)) / 96);
}

void WidenMechanismList(DialogControls& controls) {
  controls.SetDroppedWidth(kMechanism, kMechanismListWidth);
}

}  // namespace vantrel
