#include "cli/lib/recording_system.h"

#include "link/connections.h"

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
  std::optional<SerialLine> ReadLineSettings() override { return SerialLine{}; }
  bool WriteLineSettings(const SerialLine&) override { return true; }

 private:
  std::vector<std::string>& lines_;
};

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

std::unique_ptr<DevicePort> DryRunSystem::OpenParallelDevice() {
  return std::make_unique<DryRunPort>(lines_);
}

std::optional<std::vector<UsbDevice>> DryRunSystem::ListUsbDevices() {
  return std::vector<UsbDevice>{{"dry-run", {kAnsweringPrinterUsbId}}};
}

std::unique_ptr<DevicePort> DryRunSystem::OpenUsbDevice(const UsbDevice&) {
  return std::make_unique<DryRunPort>(lines_);
}

bool DryRunSystem::Send(SocketId, ByteView data, std::chrono::milliseconds) {
  lines_.push_back("send " + HexBytes(data));
  return true;
}

}  // namespace vantrel::cli
