#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "link/system.h"

namespace vantrel::test {

// A system with only what every platform must have (the optional operations keep their default
// bodies): no device opens, and every socket connects and sends; whether the end of the sending
// is acknowledged is the test's to choose.
class RequiredOnlySystem final : public System {
 public:
  explicit RequiredOnlySystem(bool sendingFinishes = true) : sendingFinishes_(sendingFinishes) {}

  void Sleep(std::chrono::milliseconds) override {}
  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view) override { return nullptr; }
  std::unique_ptr<DevicePort> OpenParallelDevice() override { return nullptr; }
  std::optional<std::vector<UsbDevice>> ListUsbDevices() override { return std::nullopt; }
  std::unique_ptr<DevicePort> OpenUsbDevice(const UsbDevice&) override { return nullptr; }
  std::optional<SocketId> CreateTcpSocket() override { return SocketId{1}; }
  bool Connect(SocketId, const Ipv4Endpoint&) override { return true; }
  bool Send(SocketId, ByteView, std::chrono::milliseconds) override { return true; }
  bool FinishSending(SocketId, std::chrono::milliseconds) override { return sendingFinishes_; }
  void CloseSocket(SocketId) override {}

 private:
  bool sendingFinishes_;
};

}  // namespace vantrel::test
