#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/system.h"

namespace vantrel::cli {

// "1b 09": bytes as the dry run prints them.
std::string HexBytes(ByteView bytes);

// The operating system of a dry run: every open succeeds (USB finds the answering printer, the
// network connects), nothing answers, no wait is taken, and every write or send is recorded as
// "write 1b 09" / "send 1b 09". Nothing is opened.
class DryRunSystem final : public System {
 public:
  const std::vector<std::string>& Lines() const { return lines_; }

  void Sleep(std::chrono::milliseconds) override {}
  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view port) override;
  std::unique_ptr<DevicePort> OpenParallelDevice() override;
  std::optional<std::vector<UsbDevice>> ListUsbDevices() override;
  std::unique_ptr<DevicePort> OpenUsbDevice(const UsbDevice& device) override;
  std::optional<SocketId> CreateTcpSocket() override { return SocketId{1}; }
  bool Connect(SocketId, const Ipv4Endpoint&) override { return true; }
  bool Send(SocketId, ByteView data, std::chrono::milliseconds bound) override;
  bool FinishSending(SocketId, std::chrono::milliseconds) override { return true; }
  void CloseSocket(SocketId) override {}

 private:
  std::vector<std::string> lines_;
};

}  // namespace vantrel::cli
