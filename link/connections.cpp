#include "link/connections.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

#include "link/baud_rates.h"
#include "link/socket_link.h"

namespace vantrel {
namespace {

constexpr std::string_view kSerialOpenFailedZh = "串口打开失败!";
constexpr std::string_view kSerialOpenFailedEn = "Failed to open serial port!";
constexpr std::string_view kSerialConfigFailedZh = "配置串口失败!";
constexpr std::string_view kSerialConfigFailedEn = "Failed to configure serial port!";
constexpr std::string_view kParallelOpenFailedZh = "并口打开失败!";
constexpr std::string_view kParallelOpenFailedEn = "Failed to configure parallel port!";
constexpr std::string_view kUsbOpenFailedZh = "USB接口打开失败!";
constexpr std::string_view kUsbOpenFailedEn = "Failed to open USB port!";
// Shown through the application's warning box, in Chinese in both variants.
constexpr std::string_view kUsbDeviceSetFailed = "获取相关的设备信息集GUID句柄失败！";

constexpr NetworkFailureTexts kNetworkTextsZh{
    "初始化网络失败 请检查网络连接!",
    "WSAStartup失败 请检查网络连接!",
    "网络连接失败 请检查网络连接!",
};
constexpr NetworkFailureTexts kNetworkTextsEn{
    "WSAStartup failed, please check net!",
    "WSAStartup failed, please check net!",
    "IP addr error or net error, please reset and make sure the printer connected properly!",
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

ConnectionKind KindOfInterface(InterfaceType index) {
  if (index <= kLastSerialInterface)
    return ConnectionKind::Serial;
  if (index == kParallelInterface)
    return ConnectionKind::Parallel;
  if (index == kNetworkInterface)
    return ConnectionKind::Network;
  return ConnectionKind::Usb;
}

CommTimeouts SerialTimeoutsFor(UiVariant variant, std::uint32_t baudRate) {
  // Ten times 10 bits a byte, in milliseconds: 100000 / rate, rounded up.
  constexpr std::uint64_t kMarginBitMs = 10ull * 10ull * 1000ull;
  const std::uint64_t rate = baudRate == 0 ? kSlowestListedRate : baudRate;
  const auto perByte = static_cast<std::uint32_t>((kMarginBitMs + rate - 1) / rate);
  constexpr std::chrono::milliseconds kWriteGrace{2000};
  using std::chrono::milliseconds;
  constexpr milliseconds kGap{1000};
  const CommTimeouts reads =
      variant == UiVariant::Chinese
          ? CommTimeouts::ReadsWithin(kGap, milliseconds{25}, milliseconds{50})
          : CommTimeouts::ReadsWithin(kGap, kGap, kGap);
  return reads.WritesWithin(milliseconds{perByte}, kWriteGrace);
}

std::optional<std::uint32_t> BaudRateForIndex(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kBaudRateCount)
    return std::nullopt;
  return BaudRateAt(static_cast<std::size_t>(index));
}

SerialLineChoice LineChoiceForLists(int baudIndex, int parityIndex) {
  SerialLineChoice choice;
  choice.baudRate = BaudRateForIndex(baudIndex);
  if (parityIndex >= 0 && parityIndex <= 2)
    choice.parity = static_cast<Parity>(parityIndex);
  return choice;
}

SerialLine ConfigureLine(const SerialLine& asRead, const SerialLineChoice& choice) {
  SerialLine line;  // every field not named below is off or zero
  line.binary = true;
  line.baudRate = choice.baudRate.value_or(asRead.baudRate);
  line.parityCheck = true;
  line.byteSize = 8;
  line.parity = choice.parity.value_or(asRead.parity);
  line.ctsOutputFlow = false;
  line.dtrControl = DtrControl::Enable;
  line.txContinueOnXoff = true;
  line.rtsControl = RtsControl::Enable;
  line.xonXoffOutput = true;
  line.xonXoffInput = true;
  line.xonLimit = 50;
  line.xoffLimit = 50;
  line.stopBits = StopBits::One;
  line.xonChar = 0x11;
  line.xoffChar = 0x13;
  return line;
}

std::string_view SerialOpenFailedText(UiVariant variant) {
  return ForVariant(variant, kSerialOpenFailedZh, kSerialOpenFailedEn);
}

std::unique_ptr<OpenPort> OpenSerialPort(const LinkContext& context, std::string_view name,
                                         const SerialLineChoice& choice) {
  std::unique_ptr<SerialDevice> port = context.system.OpenSerialDevice(name);
  if (!port) {
    context.prompts.ShowMessage(SerialOpenFailedText(context.variant));
    return nullptr;
  }
  port->SetQueueSizes(kSerialQueueBytes, kSerialQueueBytes);
  port->SetTimeouts(
      SerialTimeoutsFor(context.variant, choice.baudRate.value_or(kSlowestListedRate)));
  const std::optional<SerialLine> line = port->ReadLineSettings();
  if (!line || !port->WriteLineSettings(ConfigureLine(*line, choice))) {
    // Released at once: a port held after a failed set-up could not be opened again until the
    // program ends, since serial ports are opened exclusively.
    port.reset();
    context.prompts.ShowMessage(
        ForVariant(context.variant, kSerialConfigFailedZh, kSerialConfigFailedEn));
    return nullptr;
  }
  return port;
}

std::unique_ptr<OpenPort> OpenParallelPort(const LinkContext& context) {
  std::unique_ptr<DevicePort> port = context.system.OpenParallelDevice();
  if (!port) {
    context.prompts.ShowMessage(
        ForVariant(context.variant, kParallelOpenFailedZh, kParallelOpenFailedEn));
    return nullptr;
  }
  return port;
}

std::optional<UsbPrinterMatch> FindUsbPrinter(std::span<const UsbDevice> devices) {
  const auto answersTo = [](const UsbDevice& device, const UsbId& id) {
    return std::find(device.ids.begin(), device.ids.end(), id) != device.ids.end();
  };
  for (const UsbDevice& device : devices) {
    const bool writeOnly = answersTo(device, kWriteOnlyPrinterUsbId);
    if (writeOnly || answersTo(device, kAnsweringPrinterUsbId))
      return UsbPrinterMatch{device, writeOnly};
  }
  return std::nullopt;
}

CommTimeouts UsbTimeoutsFor(UiVariant variant) {
  using std::chrono::milliseconds;
  if (variant == UiVariant::Chinese)
    return CommTimeouts::ReadsReturnAtOnce().WritesWithin(milliseconds{25}, milliseconds{50});
  return CommTimeouts::ReadsReturnAtOnce().WritesWithin(milliseconds{50}, milliseconds{2000});
}

std::uint16_t ParsePortNumber(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin]))
    ++begin;
  std::size_t end = text.size();
  while (end > begin && IsBlank(text[end - 1]))
    --end;
  std::string_view number = text.substr(begin, end - begin);
  if (!number.empty() && number.front() == '+') {
    number.remove_prefix(1);
    if (!number.empty() && number.front() == '-')
      return 0;
  }
  std::int32_t value = 0;
  const auto [rest, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc{} || rest != number.data() + number.size())
    return 0;
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFFu);
}

NetworkFailureTexts NetworkOpenTexts(UiVariant variant) {
  return variant == UiVariant::Chinese ? kNetworkTextsZh : kNetworkTextsEn;
}

std::optional<SocketId> ConnectSocket(const LinkContext& context, const Ipv4Endpoint& printer,
                                      const NetworkFailureTexts& texts) {
  System& system = context.system;
  if (!system.StartSockets()) {
    context.prompts.ShowMessage(texts.startFailed);
    return std::nullopt;
  }
  const std::optional<SocketId> socket = system.CreateTcpSocket();
  if (!socket) {
    context.prompts.ShowMessage(texts.socketFailed);
    system.StopSockets();
    return std::nullopt;
  }
  if (!system.Connect(*socket, printer)) {
    system.CloseSocket(*socket);
    system.StopSockets();
    context.prompts.ShowMessage(texts.connectFailed);
    return std::nullopt;
  }
  return socket;
}

std::unique_ptr<NetworkLink> ConnectToPrinter(const LinkContext& context,
                                              const Ipv4Endpoint& printer,
                                              const NetworkFailureTexts& texts) {
  const std::optional<SocketId> socket = ConnectSocket(context, printer, texts);
  if (!socket)
    return nullptr;
  return std::make_unique<SocketLink>(context.system, *socket);
}

std::unique_ptr<NetworkLink> OpenNetworkLink(const LinkContext& context,
                                             const Ipv4Endpoint& printer) {
  return ConnectToPrinter(context, printer, NetworkOpenTexts(context.variant));
}

std::string_view UsbOpenFailedText(UiVariant variant) {
  return ForVariant(variant, kUsbOpenFailedZh, kUsbOpenFailedEn);
}

UsbPrinterPort FindAndOpenUsbPrinter(const LinkContext& context) {
  UsbPrinterPort result;
  const auto devices = context.system.ListUsbDevices();
  if (!devices) {
    context.prompts.ShowWarning(kUsbDeviceSetFailed);
    return result;
  }
  const std::optional<UsbPrinterMatch> match = FindUsbPrinter(*devices);
  if (!match)
    return result;
  result.writeOnly = match->writeOnly;
  std::unique_ptr<DevicePort> port = context.system.OpenUsbDevice(match->device);
  if (!port)
    return result;
  port->SetTimeouts(UsbTimeoutsFor(context.variant));
  result.port = std::move(port);
  return result;
}

std::unique_ptr<OpenPort> OpenUsbPort(const LinkContext& context, bool& usbWriteOnly) {
  UsbPrinterPort usb = FindAndOpenUsbPrinter(context);
  if (usb.writeOnly)
    usbWriteOnly = *usb.writeOnly;
  if (!usb.port)
    context.prompts.ShowMessage(UsbOpenFailedText(context.variant));
  return std::move(usb.port);
}

bool WriteToPort(OpenPort& port, ByteView data) {
  port.ClearErrorsAndCountReceived();
  return port.Write(data);
}

}  // namespace vantrel
