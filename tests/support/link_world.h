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

// A serial write may take ten times its wire time (10 bits a byte) and two seconds more: whole
// milliseconds a byte, rounded up, for each rate of the list.
inline std::uint32_t WriteMsPerByte(std::uint32_t baud) {
  switch (baud) {
    case 1200:
      return 84;
    case 2400:
      return 42;
    case 4800:
      return 21;
    case 9600:
      return 11;
    case 19200:
      return 6;
    case 38400:
      return 3;
    case 57600:
      return 2;
    case 115200:
      return 1;
    default:
      return 0;
  }
}

// The serial time-outs at a rate; a port whose own rate is kept is bounded at the slowest, 1200.
inline CommTimeouts SerialTimeouts(UiVariant v, std::uint32_t baud) {
  const std::uint32_t perByte = WriteMsPerByte(baud);
  return v == UiVariant::Chinese ? CommTimeouts{1000, 25, 50, perByte, 2000}
                                 : CommTimeouts{1000, 1000, 1000, perByte, 2000};
}
inline const CommTimeouts kSerialTimeoutsZh = SerialTimeouts(UiVariant::Chinese, 9600);
inline const CommTimeouts kSerialTimeoutsEn = SerialTimeouts(UiVariant::English, 9600);
inline constexpr CommTimeouts kUsbTimeoutsZh{kMaxDword, 0, 0, 25, 50};
inline constexpr CommTimeouts kUsbTimeoutsEn{kMaxDword, 0, 0, 50, 2000};

// The line every serial open ends with, whatever the dialog's data-bit and flow lists say; the
// parity by its list index (0 none, 1 odd, 2 even).
inline SerialLine FixedLine(std::uint32_t baud, int parity) {
  SerialLine line;
  line.baudRate = baud;
  line.binary = true;
  line.parityCheck = true;
  line.byteSize = 8;
  line.parity = static_cast<Parity>(parity);
  line.stopBits = StopBits::One;
  line.ctsOutputFlow = false;
  line.rtsControl = RtsControl::Enable;
  line.xonXoffOutput = true;
  line.xonXoffInput = true;
  line.xonChar = 0x11;
  line.xoffChar = 0x13;
  line.xonLimit = 50;
  line.xoffLimit = 50;
  // Set too, whatever the port held: DTR on, our output going on after we sent XOFF, and
  // every other field of the block off (no DSR flow, no abort on errors, no null stripping).
  line.dtrControl = DtrControl::Enable;
  line.txContinueOnXoff = true;
  return line;
}

// A serial open with the dialog's initial line (9600 baud, no parity).
inline std::vector<Step> SerialOpened(UiVariant v, std::string_view path) {
  return {OpenSerial(path), SerialQueues(4096, 4096),
          Timeouts(v == UiVariant::Chinese ? kSerialTimeoutsZh : kSerialTimeoutsEn),
          ReadLineSettings(), WriteLineSettings(FixedLine(9600, 0))};
}

// The two printers as a system lists them: a path and the vendor and product they answer to.
inline const UsbDevice kAnsweringUsbPrinter{
    "\\\\?\\usb#vid_0483&pid_5720#6&1b2c3d4&0&1#{a5dcbf10-6530-11d2}", {{0x0483, 0x5720}}};
inline const UsbDevice kWriteOnlyUsbPrinter{
    "\\\\?\\usb#vid_067b&pid_2305#7&3c4d5e6&0&3#{a5dcbf10-6530-11d2}", {{0x067B, 0x2305}}};

// Discovery and open of a USB printer the fake lists.
inline std::vector<Step> UsbOpened(UiVariant v, const UsbDevice& device) {
  return {ListUsbDevices(), OpenUsb(device.path),
          Timeouts(v == UiVariant::Chinese ? kUsbTimeoutsZh : kUsbTimeoutsEn)};
}

// The ways opening the selected interface fails, each met on the interface it names (the serial
// ones on COM3), with what the fakes do and what the user is shown.
enum class OpenFailure {
  HeldSerialPort,
  SerialStateUnreadable,
  NoLpt1,
  NoUsbPrinter,
  NoUsbDeviceList,
  SocketsNotStarted,
  NoSocket,
  Unreachable,
};
inline constexpr OpenFailure kOpenFailures[] = {
    OpenFailure::HeldSerialPort,  OpenFailure::SerialStateUnreadable,
    OpenFailure::NoLpt1,          OpenFailure::NoUsbPrinter,
    OpenFailure::NoUsbDeviceList, OpenFailure::SocketsNotStarted,
    OpenFailure::NoSocket,        OpenFailure::Unreachable};

inline InterfaceType OpenFailureInterface(OpenFailure f) {
  if (f <= OpenFailure::SerialStateUnreadable)
    return 2;
  if (f == OpenFailure::NoLpt1)
    return kParallelInterface;
  return f <= OpenFailure::NoUsbDeviceList ? kUsbInterface : kNetworkInterface;
}

// `buttonsOwnNetwork`: the device buttons' own network code, which speaks English in both
// variants.
inline std::vector<Step> OpenFailureSteps(OpenFailure f, UiVariant v,
                                          bool buttonsOwnNetwork = false) {
  const bool zh = v == UiVariant::Chinese;
  const bool zhNet = zh && !buttonsOwnNetwork;
  const char* const usb = zh ? "USB接口打开失败!" : "Failed to open USB port!";
  switch (f) {
    case OpenFailure::HeldSerialPort:
      return {Failing(OpenSerial("COM3")),
              Message(zh ? "串口打开失败!" : "Failed to open serial port!")};
    case OpenFailure::SerialStateUnreadable:
      return {OpenSerial("COM3"),
              SerialQueues(4096, 4096),
              Timeouts(zh ? kSerialTimeoutsZh : kSerialTimeoutsEn),
              Failing(ReadLineSettings()),
              ClosePort(),
              Message(zh ? "配置串口失败!" : "Failed to configure serial port!")};
    case OpenFailure::NoLpt1:
      return {Failing(OpenParallel()),
              Message(zh ? "并口打开失败!" : "Failed to configure parallel port!")};
    case OpenFailure::NoUsbPrinter:
      return {ListUsbDevices(), Message(usb)};
    case OpenFailure::NoUsbDeviceList:
      return {Failing(ListUsbDevices()), Warning("获取相关的设备信息集GUID句柄失败！"),
              Message(usb)};
    case OpenFailure::SocketsNotStarted:
      return {Failing(StartSockets()), Message(zhNet ? "初始化网络失败 请检查网络连接!"
                                                     : "WSAStartup failed, please check net!")};
    case OpenFailure::NoSocket:
      return {StartSockets(), Failing(CreateSocket()),
              Message(zhNet ? "WSAStartup失败 请检查网络连接!"
                            : "WSAStartup failed, please check net!"),
              StopSockets()};
    case OpenFailure::Unreachable:
      break;
  }
  return {StartSockets(),
          CreateSocket(),
          Failing(Connect("192.168.1.114:9100")),
          CloseSocket(),
          StopSockets(),
          Message(zhNet ? "网络连接失败 请检查网络连接!"
                        : "IP addr error or net error, please reset and make sure the printer "
                          "connected properly!")};
}

}  // namespace vantrel::test
