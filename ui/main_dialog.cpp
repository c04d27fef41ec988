#include "ui/main_dialog.h"

#include "protocol/operations.h"
#include "ui/device_actions.h"
#include "ui/dialog_rules.h"
#include "ui/operation_buttons.h"

namespace vantrel {

using namespace ctl;

DialogProfile ProfileFor(UiVariant variant) {
  if (variant == UiVariant::Chinese)
    return {variant, 102, "VantrelV2.05", DeviceButtonIdsFor(variant)};
  return {variant, 103, "VantrelsV2.05", DeviceButtonIdsFor(variant)};
}

IconOrigin MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

MainDialog::MainDialog(UiVariant variant, const DialogSeams& seams)
    : m_profile(ProfileFor(variant)), m_seams(seams) {
  m_connection.usbWriteOnly = false;
}

ConnectionContext MainDialog::Connections() const {
  return {m_profile.variant, m_seams.controls, m_seams.prompts, m_seams.system};
}

BitmapContext MainDialog::Bitmaps() const {
  return {m_profile.variant, m_seams.controls, m_seams.prompts, m_seams.system, m_seams.files};
}

bool MainDialog::OnInitDialog() {
  InitialiseControls(m_profile.variant, m_seams.controls);
  return true;
}

CommandResult MainDialog::OnCommand(int id, Notification notification) {
  if (notification == Notification::SelectionChanged) {
    switch (id) {
      case kCutter:
        OnCutterChange();
        return CommandResult::Handled;
      case kTargetBaud:
        OnTargetBaudChange();
        return CommandResult::Handled;
      case kCodePage:
        OnCodePageChange();
        return CommandResult::Handled;
      default:
        return CommandResult::Ignored;
    }
  }
  if (notification == Notification::DropDown) {
    if (id != kMechanism)
      return CommandResult::Ignored;
    OnMechanismDropDown();
    return CommandResult::Handled;
  }

  // Clicks. The drawer, cut and test buttons carry different ids in the two templates.
  const DeviceButtonIds& buttons = m_profile.deviceButtons;
  if (id == buttons.cashDrawer) {
    OnCashDrawer();
    return CommandResult::Handled;
  }
  if (id == buttons.cut) {
    OnCutPaper();
    return CommandResult::Handled;
  }
  if (id == buttons.printTest) {
    OnPrintTest();
    return CommandResult::Handled;
  }
  switch (id) {
    case kSet:
      OnSet();
      break;
    case kClose:
      return OnClose();
    case kSelectBitmap:
      OnSelectBitmap();
      break;
    case kDownloadBitmap:
      OnDownloadBitmap();
      break;
    case kPrintStoredBitmap:
      OnPrintStoredBitmap();
      break;
    case kBidTest:
      OnPrintBidTest();
      break;
    case kFeedToNext:
      OnFeedToNextPosition();
      break;
    case kFeedToCut:
      OnFeedToCutPosition();
      break;
    case kManufacturerCheck:
      OnManufacturerCheck();
      break;
    case kModelCheck:
      OnModelCheck();
      break;
    case kBluetoothNameCheck:
      OnBluetoothNameCheck();
      break;
    case kBluetoothPasswordCheck:
      OnBluetoothPasswordCheck();
      break;
    case kStartOffsetCheck:
      OnStartOffsetCheck();
      break;
    case kCutOffsetCheck:
      OnCutOffsetCheck();
      break;
    case kRadioAddressCheck:
      OnRadioAddressCheck();
      break;
    default:
      return CommandResult::Ignored;
  }
  return CommandResult::Handled;
}

void MainDialog::OnSet() {
  const ConnectionContext context = Connections();
  const DeviceContext device = DeviceContextFor(context);
  if (RefuseUnsendableSelection(device))
    return;
  if (!OpenSelectedConnection(context, m_connection))
    return;
  OperationDispatcher(
      device, m_connection,
      m_connection.isNetwork ? DeviceOperation::SetOverNetwork : DeviceOperation::SetOverPort);
  // The run has released the connection; nothing may stay open between two actions.
  m_connection.handle.reset();
  m_connection.socket.reset();
}

void MainDialog::OnPrintStoredBitmap() {
  vantrel::OnPrintStoredBitmap(Connections(), m_connection);
}

void MainDialog::OnCashDrawer() {
  vantrel::OnCashDrawer(Connections(), m_connection);
}

void MainDialog::OnCutPaper() {
  vantrel::OnCutPaper(Connections(), m_connection);
}

void MainDialog::OnPrintTest() {
  vantrel::OnPrintTest(Connections(), m_connection);
}

void MainDialog::OnPrintBidTest() {
  vantrel::OnPrintBidTest(Connections(), m_connection);
}

void MainDialog::OnFeedToNextPosition() {
  vantrel::OnFeedToNextPosition(Connections(), m_connection);
}

void MainDialog::OnFeedToCutPosition() {
  vantrel::OnFeedToCutPosition(Connections(), m_connection);
}

void MainDialog::OnSelectBitmap() {
  vantrel::OnSelectBitmap(Bitmaps(), m_dib, m_bitmapPath);
}

void MainDialog::OnDownloadBitmap() {
  vantrel::OnDownloadBitmap(Bitmaps(), m_dib, m_bitmapPath,
                            [this] { return OpenDownloadTarget(); });
}

std::optional<DownloadTarget> MainDialog::OpenDownloadTarget() {
  return vantrel::OpenDownloadTarget(Connections(), m_connection);
}

void MainDialog::OnCutterChange() {
  ApplyCutterRule(m_seams.controls);
}

void MainDialog::OnTargetBaudChange() {
  ApplyTargetSerialRule(m_seams.controls);
}

void MainDialog::OnCodePageChange() {
  ApplyCodePageRule(m_seams.controls);
}

void MainDialog::OnManufacturerCheck() {
  ApplyCheckBoxRule(m_seams.controls, kManufacturerCheck);
}

void MainDialog::OnModelCheck() {
  ApplyCheckBoxRule(m_seams.controls, kModelCheck);
}

void MainDialog::OnBluetoothNameCheck() {
  ApplyCheckBoxRule(m_seams.controls, kBluetoothNameCheck);
}

void MainDialog::OnBluetoothPasswordCheck() {
  ApplyCheckBoxRule(m_seams.controls, kBluetoothPasswordCheck);
}

void MainDialog::OnStartOffsetCheck() {
  ApplyCheckBoxRule(m_seams.controls, kStartOffsetCheck);
}

void MainDialog::OnCutOffsetCheck() {
  ApplyCheckBoxRule(m_seams.controls, kCutOffsetCheck);
}

void MainDialog::OnRadioAddressCheck() {
  ApplyRadioAddressRule(m_seams.controls);
}

void MainDialog::OnMechanismDropDown() {
  WidenMechanismList(m_seams.controls);
}

CommandResult MainDialog::OnClose() {
  return CommandResult::EndDialog;
}

}  // namespace vantrel
