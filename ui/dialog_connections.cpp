#include "ui/dialog_connections.h"

#include "ui/control_ids.h"
#include "ui/option_lists.h"

namespace vantrel {

LinkContext LinkContextOf(const ConnectionContext& context) {
  return {context.variant, context.prompts, context.system};
}

std::optional<std::string> SerialPortName(UiVariant variant, InterfaceType index) {
  if (index < 0 || index > kLastSerialInterface)
    return std::nullopt;
  const auto items = OptionItems(variant, ctl::kInterface);
  if (static_cast<std::size_t>(index) >= items.size())
    return std::nullopt;
  return std::string(items[static_cast<std::size_t>(index)]);
}

Ipv4Endpoint ReadPrinterEndpoint(DialogControls& controls) {
  Ipv4Endpoint endpoint;
  endpoint.address = controls.GetIpAddress(ctl::kIpAddress);
  endpoint.port = ParsePortNumber(controls.GetText(ctl::kNetworkPort));
  return endpoint;
}

std::unique_ptr<NetworkLink> ConnectToPrinter(const ConnectionContext& context,
                                              const NetworkFailureTexts& texts) {
  return ConnectToPrinter(LinkContextOf(context), ReadPrinterEndpoint(context.controls), texts);
}

bool OpenSelectedConnection(const ConnectionContext& context, PrinterConnection& connection) {
  const InterfaceType index = context.controls.GetSelection(ctl::kInterface);
  const ConnectionKind kind = KindOfInterface(index);
  connection.isNetwork = kind == ConnectionKind::Network;
  if (kind == ConnectionKind::Network)
    return OpenNetworkConnection(context, connection);
  return OpenPortOfKind(context, connection, kind);
}

bool OpenPortOfKind(const ConnectionContext& context, PrinterConnection& connection,
                    ConnectionKind kind) {
  switch (kind) {
    case ConnectionKind::Serial:
      return OpenSerialPort(context, connection);
    case ConnectionKind::Parallel:
      return OpenParallelPort(context, connection);
    case ConnectionKind::Usb:
      if (OpenUsbPrinter(context, connection))
        return true;
      context.prompts.ShowMessage(UsbOpenFailedText(context.variant));
      return false;
    case ConnectionKind::Network:
      break;
  }
  return false;
}

bool OpenSerialPort(const ConnectionContext& context, PrinterConnection& connection) {
  connection.handle.reset();
  const InterfaceType index = context.controls.GetSelection(ctl::kInterface);
  const std::optional<std::string> path = SerialPortName(context.variant, index);
  if (!path) {
    context.prompts.ShowMessage(SerialOpenFailedText(context.variant));
    return false;
  }
  const SerialLineChoice line =
      LineChoiceForLists(context.controls.GetSelection(ctl::kCurrentBaud),
                         context.controls.GetSelection(ctl::kCurrentParity));
  connection.handle = OpenSerialPort(LinkContextOf(context), *path, line);
  return connection.handle != nullptr;
}

bool OpenParallelPort(const ConnectionContext& context, PrinterConnection& connection) {
  connection.handle.reset();
  connection.handle = OpenParallelPort(LinkContextOf(context));
  return connection.handle != nullptr;
}

bool OpenUsbPrinter(const ConnectionContext& context, PrinterConnection& connection) {
  connection.handle.reset();
  UsbPrinterPort usb = FindAndOpenUsbPrinter(LinkContextOf(context));
  if (usb.writeOnly)
    connection.usbWriteOnly = *usb.writeOnly;
  connection.handle = std::move(usb.port);
  return connection.handle != nullptr;
}

bool OpenNetworkConnection(const ConnectionContext& context, PrinterConnection& connection) {
  connection.socket.reset();
  connection.socket =
      OpenNetworkLink(LinkContextOf(context), ReadPrinterEndpoint(context.controls));
  return connection.socket != nullptr;
}

std::optional<DownloadTarget> OpenDownloadTarget(const ConnectionContext& context,
                                                 PrinterConnection& connection) {
  DownloadTarget target;
  const ConnectionKind kind = KindOfInterface(context.controls.GetSelection(ctl::kInterface));
  if (kind == ConnectionKind::Network) {
    target.link = ConnectToPrinter(context, NetworkOpenTexts(context.variant));
    if (!target.link)
      return std::nullopt;
    return target;
  }
  if (!OpenPortOfKind(context, connection, kind))
    return std::nullopt;
  target.port = std::move(connection.handle);
  return target;
}

}  // namespace vantrel
