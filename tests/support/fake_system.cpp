#include "tests/support/fake_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace vantrel::test {
namespace {

const char* RtsName(RtsControl rts) {
  switch (rts) {
    case RtsControl::Disable:
      return "disable";
    case RtsControl::Enable:
      return "enable";
    case RtsControl::Handshake:
      return "handshake";
    case RtsControl::Toggle:
      return "toggle";
  }
  return "?";
}

std::string HexByte(std::uint8_t value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

// A device the fake opened: the port calls go to the script like a ScriptedPort's, and so do
// its set-up calls.
class FakeDevice final : public SerialDevice {
 public:
  FakeDevice(Script& script, const SerialLine& lineAsRead)
      : script_(script), port_(script), lineAsRead_(lineAsRead) {}

  bool Write(ByteView data) override { return port_.Write(data); }
  PortRead Read(std::size_t maxBytes) override { return port_.Read(maxBytes); }
  std::optional<std::size_t> ClearErrorsAndCountReceived() override {
    return port_.ClearErrorsAndCountReceived();
  }
  void DiscardInput() override { port_.DiscardInput(); }
  void SetOutputFlowControl(bool on) override { port_.SetOutputFlowControl(on); }
  void SetTimeouts(const CommTimeouts& timeouts) override {
    script_.Take(test::Timeouts(timeouts));
  }
  void SetQueueSizes(std::uint32_t in, std::uint32_t out) override {
    script_.Take(SerialQueues(in, out));
  }
  std::optional<SerialLine> ReadLineSettings() override {
    const Step* step = script_.Take(test::ReadLineSettings());
    if (step == nullptr || !step->ok)
      return std::nullopt;
    return lineAsRead_;
  }
  bool WriteLineSettings(const SerialLine& line) override {
    const Step* step = script_.Take(test::WriteLineSettings(line));
    return step != nullptr && step->ok;
  }

 private:
  Script& script_;
  ScriptedPort port_;  // its destruction is the ClosePort step
  SerialLine lineAsRead_;
};

}  // namespace

std::string Describe(const SerialLine& line) {
  std::ostringstream out;
  out << "baud=" << line.baudRate << " binary=" << line.binary
      << " parityCheck=" << line.parityCheck << " bits=" << int{line.byteSize}
      << " parity=" << static_cast<int>(line.parity) << " stop=" << static_cast<int>(line.stopBits)
      << " cts=" << line.ctsOutputFlow << " rts=" << RtsName(line.rtsControl)
      << " outX=" << line.xonXoffOutput << " inX=" << line.xonXoffInput
      << " xon=" << HexByte(line.xonChar) << " xoff=" << HexByte(line.xoffChar)
      << " xonLim=" << line.xonLimit << " xoffLim=" << line.xoffLimit
      << " dsr=" << line.dsrOutputFlow << " dtr=" << int{static_cast<std::uint8_t>(line.dtrControl)}
      << " dsrSense=" << line.dsrSensitivity << " txContinue=" << line.txContinueOnXoff
      << " errorChar=" << line.replaceParityErrors << "/" << HexByte(line.errorChar)
      << " null=" << line.discardNulls << " abort=" << line.abortOnError
      << " eof=" << HexByte(line.eofChar) << " evt=" << HexByte(line.eventChar);
  return out.str();
}

std::string Describe(const CommTimeouts& t) {
  std::ostringstream out;
  out << "interval=";
  if (t.readInterval == kMaxDword)
    out << "MAXDWORD";
  else
    out << t.readInterval;
  out << " read=" << t.readTotalMultiplier << "x+" << t.readTotalConstant
      << " write=" << t.writeTotalMultiplier << "x+" << t.writeTotalConstant;
  return out.str();
}

Step Failing(Step step) {
  step.ok = false;
  return step;
}

Step OpenSerial(std::string_view port) {
  return Other("open serial " + std::string(port));
}
Step SerialQueues(std::uint32_t in, std::uint32_t out) {
  return Other("serial queues in=" + std::to_string(in) + " out=" + std::to_string(out));
}
Step Timeouts(const CommTimeouts& timeouts) {
  return Other("timeouts " + Describe(timeouts));
}
Step ReadLineSettings() {
  return Other("read line settings");
}
Step WriteLineSettings(const SerialLine& line) {
  return Other("write line settings " + Describe(line));
}
Step OpenParallel() {
  return Other("open the parallel port");
}
Step ListUsbDevices() {
  return Other("list usb device interfaces");
}
Step OpenUsb(std::string_view listedPath) {
  return Other("open usb " + std::string(listedPath));
}
Step StartSockets() {
  return Other("socket library start 2.2");
}
Step StopSockets() {
  return Other("socket library stop");
}
Step CreateSocket() {
  return Other("create tcp socket");
}
Step Connect(std::string_view endpoint) {
  return Other("connect " + std::string(endpoint));
}
Step CloseSocket() {
  return Other("close socket");
}
Step ClearAddressCache() {
  return Other("clear the address cache");
}

std::vector<Step> NetworkOpened() {
  return {StartSockets(), CreateSocket(), Connect("192.168.1.114:9100")};
}

std::vector<Step> NetworkLinkRelease() {
  return {CloseSocket(), StopSockets(), ClearAddressCache()};
}

bool FakeSystem::Take(const Step& step) {
  const Step* taken = script_.Take(step);
  return taken != nullptr && taken->ok;
}

void FakeSystem::ExpectOurSocket(SocketId socket) const {
  EXPECT_EQ(socket, kSocket) << "a socket the system never handed out";
}

std::unique_ptr<SerialDevice> FakeSystem::OpenSerialDevice(std::string_view port) {
  if (!Take(OpenSerial(port)))
    return nullptr;
  return std::make_unique<FakeDevice>(script_, lineAsRead);
}

std::unique_ptr<DevicePort> FakeSystem::OpenParallelDevice() {
  if (!Take(OpenParallel()))
    return nullptr;
  return std::make_unique<FakeDevice>(script_, lineAsRead);
}

std::optional<std::vector<UsbDevice>> FakeSystem::ListUsbDevices() {
  if (!Take(test::ListUsbDevices()))
    return std::nullopt;
  return usbDevices;
}

std::unique_ptr<DevicePort> FakeSystem::OpenUsbDevice(const UsbDevice& device) {
  if (!Take(OpenUsb(device.path)))
    return nullptr;
  return std::make_unique<FakeDevice>(script_, lineAsRead);
}

bool FakeSystem::StartSockets() {
  return Take(test::StartSockets());
}

void FakeSystem::StopSockets() {
  Take(test::StopSockets());
}

std::optional<SocketId> FakeSystem::CreateTcpSocket() {
  if (!Take(CreateSocket()))
    return std::nullopt;
  return kSocket;
}

bool FakeSystem::Connect(SocketId socket, const Ipv4Endpoint& endpoint) {
  ExpectOurSocket(socket);
  return Take(test::Connect(endpoint.AddressText() + ":" + std::to_string(endpoint.port)));
}

bool FakeSystem::Send(SocketId socket, ByteView data, std::chrono::milliseconds) {
  ExpectOurSocket(socket);
  return Take(test::Send(data));
}

bool FakeSystem::FinishSending(SocketId socket, std::chrono::milliseconds) {
  ExpectOurSocket(socket);
  return !scriptFinishSending || Take(test::FinishSending());
}

void FakeSystem::CloseSocket(SocketId socket) {
  ExpectOurSocket(socket);
  Take(test::CloseSocket());
}

void FakeSystem::ClearAddressCache() {
  Take(test::ClearAddressCache());
}

void FakeSystem::Sleep(std::chrono::milliseconds duration) {
  Take(test::Sleep(static_cast<int>(duration.count())));
}

}  // namespace vantrel::test
