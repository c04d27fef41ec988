#include "cli/lib/recording_system.h"

#include <type_traits>

namespace vantrel::cli {
namespace {

class DryRunPort final : public SerialDevice {
 public:
  explicit DryRunPort(std::vector<std::string>& lines) : lines_(lines) {}
  bool Write(ByteView data) override {
    lines_.push_back("write " + HexBytes(data));
    return true;
  }
  PortRead Read(std::size_t) override { return {true, {}}; }
  std::optional<std::size_t> ClearErrorsAndCountReceived() override { return 0; }
  void SetTimeouts(const CommTimeouts&) override {}
  void SetQueueSizes(std::uint32_t, std::uint32_t) override {}
  std::optional<SerialLine> ReadLineSettings() override { return SerialLine{}; }
  void WriteLineSettings(const SerialLine&) override {}

 private:
  std::vector<std::string>& lines_;
};

// Forwards to a port of the watched system and notes its writes.
template <typename Base>
class WatchedPort final : public SerialDevice {
 public:
  WatchedPort(std::unique_ptr<Base> inner, bool& sent) : inner_(std::move(inner)), sent_(sent) {}
  bool Write(ByteView data) override {
    sent_ = true;
    return inner_->Write(data);
  }
  PortRead Read(std::size_t maxBytes) override { return inner_->Read(maxBytes); }
  std::optional<std::size_t> ClearErrorsAndCountReceived() override {
    return inner_->ClearErrorsAndCountReceived();
  }
  void SetTimeouts(const CommTimeouts& timeouts) override { inner_->SetTimeouts(timeouts); }
  void SetQueueSizes(std::uint32_t in, std::uint32_t out) override {
    if constexpr (std::is_same_v<Base, SerialDevice>)
      inner_->SetQueueSizes(in, out);
  }
  std::optional<SerialLine> ReadLineSettings() override {
    if constexpr (std::is_same_v<Base, SerialDevice>)
      return inner_->ReadLineSettings();
    return std::nullopt;
  }
  void WriteLineSettings(const SerialLine& line) override {
    if constexpr (std::is_same_v<Base, SerialDevice>)
      inner_->WriteLineSettings(line);
  }

 private:
  std::unique_ptr<Base> inner_;
  bool& sent_;
};

template <typename Base>
std::unique_ptr<WatchedPort<Base>> Watch(std::unique_ptr<Base> port, bool& sent) {
  if (!port)
    return nullptr;
  return std::make_unique<WatchedPort<Base>>(std::move(port), sent);
}

}  // namespace

std::string HexBytes(ByteView bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::uint8_t b : bytes) {
    if (!text.empty())
      text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

std::unique_ptr<SerialDevice> DryRunSystem::OpenSerialDevice(std::string_view) {
  return std::make_unique<DryRunPort>(lines_);
}

std::unique_ptr<DevicePort> DryRunSystem::OpenLpt1() {
  return std::make_unique<DryRunPort>(lines_);
}

std::optional<std::vector<std::string>> DryRunSystem::ListUsbDevicePaths() {
  return std::vector<std::string>{"\\\\?\\usb#vid_0483&pid_5720#dry-run#"};
}

std::unique_ptr<DevicePort> DryRunSystem::OpenUsbDevice(std::string_view) {
  return std::make_unique<DryRunPort>(lines_);
}

bool DryRunSystem::Send(SocketId, ByteView data) {
  lines_.push_back("send " + HexBytes(data));
  return true;
}

std::unique_ptr<SerialDevice> SendWatch::OpenSerialDevice(std::string_view path) {
  return Watch(inner_.OpenSerialDevice(path), sent_);
}

std::unique_ptr<DevicePort> SendWatch::OpenLpt1() {
  return Watch(inner_.OpenLpt1(), sent_);
}

std::unique_ptr<DevicePort> SendWatch::OpenUsbDevice(std::string_view path) {
  return Watch(inner_.OpenUsbDevice(path), sent_);
}

}  // namespace vantrel::cli
