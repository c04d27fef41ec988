#include "link/download_opener.h"

#include "ui/control_ids.h"

namespace vantrel {

std::optional<DownloadTarget> OpenDownloadTarget(const ConnectionContext& context,
                                                 PrinterConnection& connection) {
  DownloadTarget target;
  switch (KindOfInterface(context.controls.GetSelection(ctl::kInterface))) {
    case ConnectionKind::Serial:
      if (!OpenSerialPort(context, connection))
        return std::nullopt;
      target.port = std::move(connection.handle);
      return target;
    case ConnectionKind::Parallel:
      if (!OpenParallelPort(context, connection))
        return std::nullopt;
      target.port = std::move(connection.handle);
      return target;
    case ConnectionKind::Usb:
      if (!OpenUsbPrinter(context, connection)) {
        context.prompts.ShowMessage(UsbOpenFailedText(context.variant));
        return std::nullopt;
      }
      target.port = std::move(connection.handle);
      return target;
    case ConnectionKind::Network:
      break;
  }
  target.link = ConnectToPrinter(context, NetworkOpenTexts(context.variant));
  if (!target.link)
    return std::nullopt;
  return target;
}

}  // namespace vantrel
