#pragma once

#include <string>
#include <string_view>

#include "base/ui_variant.h"
#include "bitmap/bitmap_actions.h"
#include "bitmap/dib.h"
#include "bitmap/file_reader.h"
#include "link/printer_connection.h"
#include "link/system.h"
#include "ui/bitmap_handlers.h"
#include "ui/control_ids.h"
#include "ui/dialog_connections.h"
#include "ui/dialog_controls.h"
#include "ui/prompts.h"

namespace vantrel {

// What the main dialog talks to: its own controls, the user, the operating system and files.
struct DialogSeams {
  DialogControls& controls;
  UserPrompts& prompts;
  System& system;
  FileReader& files;
};

// What a variant's dialog differs in, as data.
struct DialogProfile {
  UiVariant variant;
  int templateId;            // 102 Chinese, 103 English
  std::string_view caption;  // the window caption of the template
  ctl::DeviceButtonIds deviceButtons;
};

DialogProfile ProfileFor(UiVariant variant);

// The control notifications the dialog reacts to.
enum class Notification { Clicked, SelectionChanged, DropDown };

enum class CommandResult {
  Ignored,  // not a command of this dialog: the framework's default handling runs
  Handled,
  EndDialog,  // end the modal run with the cancel result
};

// Where the window icon is drawn in the minimised window: centred, halves truncated toward zero.
struct IconOrigin {
  int x;
  int y;
};
IconOrigin MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

// The behaviour of the main dialog, the same in both variants: the initial state, the control
// rules, Close and every device and bitmap handler. It owns all run-time state: the connection
// record, the loaded bitmap and the chosen bitmap's path. Every command runs to its end before
// the next one is handed in.
class MainDialog {
 public:
  MainDialog(UiVariant variant, const DialogSeams& seams);
  virtual ~MainDialog() = default;

  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  const DialogProfile& profile() const { return m_profile; }
  UiVariant variant() const { return m_profile.variant; }

  // Run once the window and its lists exist. True: the default focus (the interface list) is
  // wanted.
  bool OnInitDialog();

  // The single entry of every control command: routes a click, a selection change or a list
  // opening to its handler.
  CommandResult OnCommand(int id, Notification notification);

  // Device actions.
  void OnSet();
  void OnPrintStoredBitmap();
  void OnCashDrawer();
  void OnCutPaper();
  void OnPrintTest();
  void OnPrintBidTest();
  void OnFeedToNextPosition();
  void OnFeedToCutPosition();

  // Stored bitmaps.
  void OnSelectBitmap();
  void OnDownloadBitmap();

  // Control rules.
  void OnCutterChange();
  void OnTargetBaudChange();
  void OnCodePageChange();
  void OnManufacturerCheck();
  void OnModelCheck();
  void OnBluetoothNameCheck();
  void OnBluetoothPasswordCheck();
  void OnStartOffsetCheck();
  void OnCutOffsetCheck();
  void OnRadioAddressCheck();
  void OnMechanismDropDown();

  // Close button, Escape and the close box: nothing is saved, no device touched.
  CommandResult OnClose();

  // The connection a bitmap download of this dialog goes to (its DownloadOpener).
  std::optional<DownloadTarget> OpenDownloadTarget();

  const PrinterConnection& connection() const { return m_connection; }
  const std::string& bitmapPath() const { return m_bitmapPath; }

 private:
  ConnectionContext Connections() const;
  BitmapContext Bitmaps() const;

  DialogProfile m_profile;
  DialogSeams m_seams;
  PrinterConnection m_connection;
  CDib m_dib;
  std::string m_bitmapPath;
};

}  // namespace vantrel
