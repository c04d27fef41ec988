#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/sleeper.h"
#include "link/open_failure.h"
#include "link/port.h"

namespace vantrel {

// MAXDWORD: as a read interval, together with zero totals, a read returns at once with what the
// driver holds.
inline constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

// The time-outs of a handle-based connection, in milliseconds (the COMMTIMEOUTS record). Made by
// the named constructors, which say what a read and a write may wait:
//   CommTimeouts::ReadsWithin(gap, perByte, constant).WritesWithin(perByte, constant)
//   CommTimeouts::ReadsReturnAtOnce().WritesWithin(perByte, constant)
struct CommTimeouts {
  using Ms = std::chrono::milliseconds;

  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;

  // A read returns at once with what the driver holds, waiting for nothing.
  static constexpr CommTimeouts ReadsReturnAtOnce() { return {kMaxDword, 0, 0, 0, 0}; }
  // A read waits at most perByte for every byte asked for plus constant in all, and at most gap
  // between two bytes once the first has come (a zero leaves that bound out).
  static constexpr CommTimeouts ReadsWithin(Ms gap, Ms perByte, Ms constant) {
    return {Count(gap), Count(perByte), Count(constant), 0, 0};
  }
  // The same reads, with a write that may take perByte for every byte plus constant.
  constexpr CommTimeouts WritesWithin(Ms perByte, Ms constant) const {
    CommTimeouts timeouts = *this;
    timeouts.writeTotalMultiplier = Count(perByte);
    timeouts.writeTotalConstant = Count(constant);
    return timeouts;
  }

  bool operator==(const CommTimeouts&) const = default;

 private:
  static constexpr std::uint32_t Count(Ms ms) { return static_cast<std::uint32_t>(ms.count()); }
};

// The line's parity (the DCB's Parity values).
enum class Parity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

// The line's stop bits (the DCB's StopBits values).
enum class StopBits : std::uint8_t { One = 0, OneAndAHalf = 1, Two = 2 };

// How the RTS line is driven (the DCB's fRtsControl).
enum class RtsControl : std::uint8_t { Disable = 0, Enable = 1, Handshake = 2, Toggle = 3 };

// How the DTR line is driven (the DCB's fDtrControl).
enum class DtrControl : std::uint8_t { Disable = 0, Enable = 1, Handshake = 2 };

// Every field of a serial port's device control block. The platform writes the block from these
// fields alone, so nothing another program left in the port (aborting on errors, dropping null
// bytes, DSR flow control, replacing bytes with parity errors) carries over into a run.
struct SerialLine {
  std::uint32_t baudRate = 0;  // BaudRate
  bool binary = false;         // fBinary
  bool parityCheck = false;    // fParity
  std::uint8_t byteSize = 0;   // ByteSize
  Parity parity = Parity::None;
  StopBits stopBits = StopBits::One;
  bool ctsOutputFlow = false;  // fOutxCtsFlow
  RtsControl rtsControl = RtsControl::Disable;
  bool xonXoffOutput = false;  // fOutX
  bool xonXoffInput = false;   // fInX
  std::uint8_t xonChar = 0;
  std::uint8_t xoffChar = 0;
  std::uint16_t xonLimit = 0;   // XonLim
  std::uint16_t xoffLimit = 0;  // XoffLim
  bool dsrOutputFlow = false;   // fOutxDsrFlow
  DtrControl dtrControl = DtrControl::Disable;
  bool dsrSensitivity = false;       // fDsrSensitivity
  bool txContinueOnXoff = false;     // fTXContinueOnXoff
  bool replaceParityErrors = false;  // fErrorChar
  bool discardNulls = false;         // fNull
  bool abortOnError = false;         // fAbortOnError
  std::uint8_t errorChar = 0;        // ErrorChar
  std::uint8_t eofChar = 0;          // EofChar
  std::uint8_t eventChar = 0;        // EvtChar

  bool operator==(const SerialLine&) const = default;
};

// An opened serial port, a USB printer or the parallel port, before it is handed over as an
// OpenPort. Destroying it closes the device.
class DevicePort : public OpenPort {
 public:
  // The time-outs that bound the port's reads and writes; the answer is not looked at.
  virtual void SetTimeouts(const CommTimeouts& timeouts) = 0;
};

class SerialDevice : public DevicePort {
 public:
  // Optional: the driver's input and output queue sizes, where the system lets a program choose
  // them; the answer is not looked at. Without it the driver keeps its own.
  virtual void SetQueueSizes(std::uint32_t /*inputBytes*/, std::uint32_t /*outputBytes*/) {}
  // The port's current line settings, or nothing when they cannot be read.
  virtual std::optional<SerialLine> ReadLineSettings() = 0;
  // Sets the line to these fields; true when the port took it.
  virtual bool WriteLineSettings(const SerialLine& line) = 0;
};

// The socket handle of the platform's socket library.
using SocketId = std::uintptr_t;

// An IPv4 address, first octet first, and a TCP port in host order.
struct Ipv4Endpoint {
  std::array<std::uint8_t, 4> address{};
  std::uint16_t port = 0;

  // "192.168.1.114": the dotted text handed to the address conversion.
  std::string AddressText() const;
  bool operator==(const Ipv4Endpoint&) const = default;
};

// A USB vendor and product.
struct UsbId {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;

  bool operator==(const UsbId&) const = default;
};

// A USB device the system lists: what it is opened by, and the vendor and product it answers to
// (every pair its path names, where the system describes a device by a path alone).
struct UsbDevice {
  std::string path;
  std::vector<UsbId> ids;

  bool operator==(const UsbDevice&) const = default;
};

// The operating system as the connections use it. Every call is synchronous; none of them shows
// anything to the user. Devices are named in the system's own words: a serial port by its name
// ("COM3") or its device path, USB devices by the path they are listed with; how a name becomes
// what the system opens is the platform's rule.
//
// The operations marked optional have a default body for a system that does not have them: a
// socket library that needs no start or stop, no address cache to clear, no record of why an
// open failed. Every other operation each platform implements.
class System : public Sleeper {
 public:
  // The serial port of that name ("COM3") or at that device path, opened for reading and
  // writing, exclusively, for synchronous input and output. Null when the open fails.
  virtual std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view port) = 0;

  // The first parallel port (LPT1), opened for reading and writing with shared reading. Null
  // when the open fails.
  virtual std::unique_ptr<DevicePort> OpenParallelDevice() = 0;

  // The present USB devices, in the system's enumeration order. Nothing when the system's device
  // list cannot be obtained.
  virtual std::optional<std::vector<UsbDevice>> ListUsbDevices() = 0;

  // A listed USB device opened for reading and writing with shared writing. Null when the open
  // fails.
  virtual std::unique_ptr<DevicePort> OpenUsbDevice(const UsbDevice& device) = 0;

  // Optional: starts the socket library; true when it started (or there is none to start).
  virtual bool StartSockets() { return true; }
  // Optional: stops it again.
  virtual void StopSockets() {}
  // A blocking TCP stream socket with no options set, or nothing when none could be created.
  virtual std::optional<SocketId> CreateTcpSocket() = 0;
  // A blocking connect; true when connected.
  virtual bool Connect(SocketId socket, const Ipv4Endpoint& endpoint) = 0;
  // Sends every byte, in as many calls as it takes, giving up at `bound`; what the printer sends
  // meanwhile is read and dropped. True only when every byte was handed over.
  virtual bool Send(SocketId socket, ByteView data, std::chrono::milliseconds bound) = 0;
  // Shuts the sending side down and waits at most `bound` for the printer to take what is still
  // queued (reading and dropping what it sends): true when it did, false on a reset or when the
  // time ran out.
  virtual bool FinishSending(SocketId socket, std::chrono::milliseconds bound) = 0;
  virtual void CloseSocket(SocketId socket) = 0;
  // Optional: waits at most `bound` for the printer to send something and returns what came, at
  // most maxBytes (empty when nothing came in time); nothing when the connection was reset or
  // closed, or the system does not read sockets. Only a command that asks the printer something
  // reads a socket; every other action sends only.
  virtual std::optional<Bytes> Receive(SocketId /*socket*/, std::size_t /*maxBytes*/,
                                       std::chrono::milliseconds /*bound*/) {
    return std::nullopt;
  }

  // Optional: after a network action, makes the system forget the printer's hardware address
  // (drops the cached addresses), started and not waited for, its result not looked at. Nothing
  // where the system ages its address cache out by itself.
  virtual void ClearAddressCache() {}

  // Optional: why the latest failed device open of this system's life failed, where the system
  // can tell; nothing otherwise.
  virtual std::optional<FailedOpen> LastFailedOpen() const { return std::nullopt; }
};

// What the platform's system is made with; each platform reads what applies to it.
struct SystemOptions {
  // A bound on connect; nothing waits as long as the system's own connect does.
  std::optional<std::chrono::milliseconds> connectTimeout;
  // Whether clearing the address cache may show a window (the dialog) or must not (the
  // command-line tool, whose fleet mode would otherwise flash one per printer).
  bool addressCacheWindow = true;
  // Told about writes and sends of at least progressThreshold bytes, where the platform reports
  // progress.
  std::function<void(std::size_t done, std::size_t total)> progress;
  std::size_t progressThreshold = 1024;
  // The parallel port's node, where the platform names it by a path, when not its default.
  std::optional<std::string> parallelPath;
};

// The operating system of the machine the program runs on; one definition per platform.
std::unique_ptr<System> CreateSystem(SystemOptions options);

}  // namespace vantrel
