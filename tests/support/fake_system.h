#pragma once

// The operating system as a script: every call the connections make becomes one step of the
// shared test::Script, so a test lists the opens, line settings, socket calls, sends, sleeps and
// the address-cache clearing in the order the code must make them, interleaved with the messages
// shown. Devices are recorded by the names the core hands the seam ("COM3", a listed USB path);
// the Windows paths they become are the Win32 shell's, proven by the Wine suite.

#include <optional>
#include <string>
#include <vector>

#include "link/system.h"
#include "tests/support/script.h"

namespace vantrel::test {

// "baud=9600 binary=1 parityCheck=1 bits=8 parity=0 stop=0 cts=0 rts=enable outX=1 inX=1
// xon=11 xoff=13 xonLim=50 xoffLim=50"
std::string Describe(const SerialLine& line);
// "interval=1000 read=25x+50 write=1000x+1000"
std::string Describe(const CommTimeouts& timeouts);

// The same step with a failing result (for Other steps: the call reports failure).
Step Failing(Step step);

// Steps of the system calls, by what they ask for.
Step OpenSerial(std::string_view port);  // fails with Failing()
Step SerialQueues(std::uint32_t in, std::uint32_t out);
Step Timeouts(const CommTimeouts& timeouts);  // on the device just opened
Step ReadLineSettings();                      // answers FakeSystem::lineAsRead; Failing: none
Step WriteLineSettings(const SerialLine& line);
Step OpenParallel();
Step ListUsbDevices();  // answers FakeSystem::usbDevices; Failing: none
Step OpenUsb(std::string_view listedPath);
Step StartSockets();
Step StopSockets();
Step CreateSocket();
Step Connect(std::string_view endpoint);  // "192.168.1.114:9100"
Step CloseSocket();
Step ClearAddressCache();

// A connection to the dialog's initial printer address, 192.168.1.114:9100.
std::vector<Step> NetworkOpened();
// The steps that release a network link: close the socket, stop the library, clear the cache.
std::vector<Step> NetworkLinkRelease();

class FakeSystem : public System {
 public:
  explicit FakeSystem(Script& script) : script_(script) {}

  // What a successful read of a serial port's line settings answers: a line that differs from the
  // tool's fixed settings in every field, so that a field left unwritten shows.
  SerialLine lineAsRead{4800,
                        false,
                        false,
                        7,
                        Parity::Even,
                        StopBits::Two,
                        true,
                        RtsControl::Handshake,
                        false,
                        false,
                        0x01,
                        0x02,
                        7,
                        9,
                        true,
                        DtrControl::Handshake,
                        true,
                        false,
                        true,
                        true,
                        true,
                        0x3F,
                        0x1A,
                        0x0D};
  // What a successful USB enumeration lists.
  std::vector<UsbDevice> usbDevices;
  // The socket the fake hands out.
  static constexpr SocketId kSocket = 0x2A;
  // When set, the end of the sending is a step of the script (test::FinishSending); otherwise it
  // succeeds without one.
  bool scriptFinishSending = false;

  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view port) override;
  std::unique_ptr<DevicePort> OpenParallelDevice() override;
  std::optional<std::vector<UsbDevice>> ListUsbDevices() override;
  std::unique_ptr<DevicePort> OpenUsbDevice(const UsbDevice& device) override;
  bool StartSockets() override;
  void StopSockets() override;
  std::optional<SocketId> CreateTcpSocket() override;
  bool Connect(SocketId socket, const Ipv4Endpoint& endpoint) override;
  bool Send(SocketId socket, ByteView data, std::chrono::milliseconds bound) override;
  bool FinishSending(SocketId socket, std::chrono::milliseconds bound) override;
  void CloseSocket(SocketId socket) override;
  void ClearAddressCache() override;
  void Sleep(std::chrono::milliseconds duration) override;

 private:
  bool Take(const Step& step);
  void ExpectOurSocket(SocketId socket) const;

  Script& script_;
};

}  // namespace vantrel::test
