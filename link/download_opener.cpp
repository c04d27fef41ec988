#include "link/download_opener.h"

#include "ui/control_ids.h"

namespace vantrel {

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
