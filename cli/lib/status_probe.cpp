#include "cli/lib/status_probe.h"

#include <algorithm>

#include "link/printer_connection.h"

namespace vantrel::cli {
namespace {

// The machine's system for one probe, less the address-cache clearing ("arp -d") that the end of
// a network action starts: a scrape every few seconds would start a process each time, and
// clear the host's cache for every printer it watches.
class ProbeSystem final : public System {
 public:
  explicit ProbeSystem(std::unique_ptr<System> inner) : inner_(std::move(inner)) {}

  void Sleep(std::chrono::milliseconds duration) override { inner_->Sleep(duration); }
  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view port) override {
    return inner_->OpenSerialDevice(port);
  }
  std::unique_ptr<DevicePort> OpenParallelDevice() override { return inner_->OpenParallelDevice(); }
  std::optional<std::vector<UsbDevice>> ListUsbDevices() override {
    return inner_->ListUsbDevices();
  }
  std::unique_ptr<DevicePort> OpenUsbDevice(const UsbDevice& device) override {
    return inner_->OpenUsbDevice(device);
  }
  bool StartSockets() override { return inner_->StartSockets(); }
  void StopSockets() override { inner_->StopSockets(); }
  std::optional<SocketId> CreateTcpSocket() override { return inner_->CreateTcpSocket(); }
  bool Connect(SocketId socket, const Ipv4Endpoint& endpoint) override {
    return inner_->Connect(socket, endpoint);
  }
  bool Send(SocketId socket, ByteView data, std::chrono::milliseconds bound) override {
    return inner_->Send(socket, data, bound);
  }
  bool FinishSending(SocketId socket, std::chrono::milliseconds bound) override {
    return inner_->FinishSending(socket, bound);
  }
  void CloseSocket(SocketId socket) override { inner_->CloseSocket(socket); }
  std::optional<Bytes> Receive(SocketId socket, std::size_t maxBytes,
                               std::chrono::milliseconds bound) override {
    return inner_->Receive(socket, maxBytes, bound);
  }
  void ClearAddressCache() override {}

 private:
  std::unique_ptr<System> inner_;
};

}  // namespace

ProbeResult ProbeResultOf(const Outcome& outcome) {
  ProbeResult result;
  if (!outcome.printerStatus) {
    result.failure = "open-failed";
    return result;
  }
  const std::optional<PrinterStatus>& status = outcome.printerStatus->status;
  if (!status) {
    result.failure = "no-answer";
    return result;
  }
  result.up = true;
  result.conditions.paperNearEnd = status->paperNearEnd;
  result.conditions.paperOut = status->paperOut || status->stoppedAtPaperEnd;
  result.conditions.coverOpen = status->coverOpen;
  result.conditions.offline = !status->online;
  result.conditions.error = status->errorOccurred || status->recoverableError ||
                            status->cutterError || status->unrecoverableError ||
                            status->autoRecoverableError;
  result.conditions.drawerOpen = status->drawerOpen;
  if (status->identity)
    result.identity = {{"identity", *status->identity}};
  return result;
}

ProbeFunction MakeStatusProbe(Machine& machine, int baudIndex, int parityIndex) {
  return [&machine, baudIndex, parityIndex](const InterfaceChoice& target,
                                            std::chrono::milliseconds bound) {
    Request request;
    request.command = Command::Status;
    request.variant = UiVariant::English;
    request.target = target;
    request.baudIndex = baudIndex;
    request.parityIndex = parityIndex;
    LinkSetup setup;
    if (target.devicePath && target.index == kParallelInterface)
      setup.parallelPath = target.devicePath;
    setup.connectTimeout = std::max(bound, std::chrono::milliseconds(1));
    ProbeSystem system(machine.makeSystem(setup));
    return ProbeResultOf(Execute(request, system, machine.files));
  };
}

}  // namespace vantrel::cli
