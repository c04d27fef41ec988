#pragma once

// One dialog's worth of fakes for the connection tests: the controls as the dialog opens, the
// user's screen and the operating system, all recording into one script.

#include <string>
#include <string_view>
#include <vector>

#include "link/connections.h"
#include "link/printer_connection.h"
#include "tests/support/fake_system.h"
#include "tests/support/recording_prompts.h"
#include "tests/support/script.h"
#include "tests/support/template_controls.h"
#include "ui/control_ids.h"
#include "ui/dialog_connections.h"
#include "ui/dialog_rules.h"

namespace vantrel::test {

struct LinkWorld {
  explicit LinkWorld(UiVariant v) : variant(v), controls(v) { InitialiseControls(v, controls); }

  LinkWorld& Select(InterfaceType index) {
    controls.SetSelection(ctl::kInterface, index);
    return *this;
  }

  UiVariant variant;
  Script script;
  TemplateControls controls;
  RecordingPrompts prompts{script};
  FakeSystem system{script};
  ConnectionContext context{variant, controls, prompts, system};
  PrinterConnection connection;
};

inline const char* VariantText(UiVariant variant) {
  return variant == UiVariant::Chinese ? "Chinese" : "English";
}

inline constexpr CommTimeouts kSerialTimeoutsZh{1000, 25, 50, 1000, 1000};
inline constexpr CommTimeouts kSerialTimeoutsEn{1000, 1000, 1000, 1000, 1000};
inline constexpr CommTimeouts kUsbTimeoutsZh{kMaxDword, 0, 0, 25, 50};
inline constexpr CommTimeouts kUsbTimeoutsEn{kMaxDword, 0, 0, 50, 2000};

// The line every serial open ends with, whatever the dialog's data-bit and flow lists say.
inline SerialLine FixedLine(std::uint32_t baud, std::uint8_t parity) {
  SerialLine line;
  line.baudRate = baud;
  line.binary = true;
  line.parityCheck = true;
  line.byteSize = 8;
  line.parity = parity;
  line.stopBits = 0;
  line.ctsOutputFlow = false;
  line.rtsControl = RtsControl::Enable;
  line.xonXoffOutput = true;
  line.xonXoffInput = true;
  line.xonChar = 0x11;
  line.xoffChar = 0x13;
  line.xonLimit = 50;
  line.xoffLimit = 50;
  return line;
}

// A serial open with the dialog's initial line (9600 baud, no parity).
inline std::vector<Step> SerialOpened(UiVariant v, std::string_view path) {
  return {OpenSerial(path), SerialQueues(4096, 4096),
          Timeouts(v == UiVariant::Chinese ? kSerialTimeoutsZh : kSerialTimeoutsEn),
          ReadLineSettings(), WriteLineSettings(FixedLine(9600, 0))};
}

inline const std::string kAnsweringUsbPrinter =
    "\\\\?\\usb#vid_0483&pid_5720#6&1b2c3d4&0&1#{a5dcbf10-6530-11d2}";
inline const std::string kWriteOnlyUsbPrinter =
    "\\\\?\\usb#vid_067b&pid_2305#7&3c4d5e6&0&3#{a5dcbf10-6530-11d2}";

// Discovery and open of a USB printer the fake lists (its path with "\\.\" in front).
inline std::vector<Step> UsbOpened(UiVariant v, const std::string& devicePath) {
  return {ListUsbDevices(), OpenUsb("\\\\.\\" + devicePath.substr(4)),
          Timeouts(v == UiVariant::Chinese ? kUsbTimeoutsZh : kUsbTimeoutsEn)};
}

}  // namespace vantrel::test
