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
  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view path) override;
  std::unique_ptr<DevicePort> OpenLpt1() override;
  std::optional<std::vector<std::string>> ListUsbDevicePaths() override;
  std::unique_ptr<DevicePort> OpenUsbDevice(std::string_view path) override;
  bool StartSockets() override { return true; }
  void StopSockets() override {}
  std::optional<SocketId> CreateTcpSocket() override { return SocketId{1}; }
  bool Connect(SocketId, const Ipv4Endpoint&) override { return true; }
  bool Send(SocketId, ByteView data) override;
  void CloseSocket(SocketId) override {}
  void StartArpClear() override {}

 private:
  std::vector<std::string> lines_;
};

// Passes everything to another system and notes whether any byte went out: a device action that
// sent nothing did not get its connection open.
class SendWatch final : public System {
 public:
  explicit SendWatch(System& inner) : inner_(inner) {}
  bool SentAnything() const { return sent_; }

  void Sleep(std::chrono::milliseconds duration) override { inner_.Sleep(duration); }
  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view path) override;
  std::unique_ptr<DevicePort> OpenLpt1() override;
  std::optional<std::vector<std::string>> ListUsbDevicePaths() override {
    return inner_.ListUsbDevicePaths();
  }
  std::unique_ptr<DevicePort> OpenUsbDevice(std::string_view path) override;
  bool StartSockets() override { return inner_.StartSockets(); }
  void StopSockets() override { inner_.StopSockets(); }
  std::optional<SocketId> CreateTcpSocket() override { return inner_.CreateTcpSocket(); }
  bool Connect(SocketId socket, const Ipv4Endpoint& endpoint) override {
    return inner_.Connect(socket, endpoint);
  }
  bool Send(SocketId socket, ByteView data) override {
    sent_ = true;
    return inner_.Send(socket, data);
  }
  void CloseSocket(SocketId socket) override { inner_.CloseSocket(socket); }
  void StartArpClear() override { inner_.StartArpClear(); }

 private:
  System& inner_;
  bool sent_ = false;
};

}  // namespace vantrel::cli
