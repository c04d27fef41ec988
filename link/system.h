#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/sleeper.h"
#include "link/port.h"

namespace vantrel {

// The time-outs of a handle-based connection, in milliseconds (the COMMTIMEOUTS record).
struct CommTimeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;

  bool operator==(const CommTimeouts&) const = default;
};

// MAXDWORD: as a read interval, together with zero totals, a read returns at once with what the
// driver holds.
inline constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

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
  std::uint8_t parity = 0;     // Parity: 0 none, 1 odd, 2 even
  std::uint8_t stopBits = 0;   // StopBits: 0 one stop bit
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
// OpenPort. Destroying it closes the handle.
class DevicePort : public OpenPort {
 public:
  // SetCommTimeouts; the answer is not looked at.
  virtual void SetTimeouts(const CommTimeouts& timeouts) = 0;
};

class SerialDevice : public DevicePort {
 public:
  // SetupComm with the driver's input and output queue sizes; the answer is not looked at.
  virtual void SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) = 0;
  // GetCommState: the port's current line settings, or nothing when they cannot be read.
  virtual std::optional<SerialLine> ReadLineSettings() = 0;
  // SetCommState with a block made of these fields; true when the port took it.
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

// The operating system as the connections use it. Every call is synchronous; none of them shows
// anything to the user.
class System : public Sleeper {
 public:
  // A serial device path ("\\.\COM3"), opened for reading and writing, exclusively, for
  // synchronous input and output. Null when the open fails.
  virtual std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view path) = 0;

  // "LPT1:", opened for reading and writing with shared reading. Null when the open fails.
  virtual std::unique_ptr<DevicePort> OpenLpt1() = 0;

  // The device paths of the present devices that offer the USB device interface class, in the
  // system's enumeration order. The list ends before the first interface whose path cannot be
  // read (a path longer than the detail buffer of 1024 bytes ends it too). Nothing when the
  // device information set cannot be obtained.
  virtual std::optional<std::vector<std::string>> ListUsbDevicePaths() = 0;

  // A USB device path ("\\.\usb#vid_...") opened for reading and writing with shared writing.
  // Null when the open fails.
  virtual std::unique_ptr<DevicePort> OpenUsbDevice(std::string_view path) = 0;

  // The socket library, version 2.2: true when it started.
  virtual bool StartSockets() = 0;
  virtual void StopSockets() = 0;
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
  // Waits at most `bound` for the printer to send something and returns what came, at most
  // maxBytes (empty when nothing came in time); nothing when the connection was reset or closed.
  // Only a command that asks the printer something reads a socket; every other action sends only.
  virtual std::optional<Bytes> Receive(SocketId /*socket*/, std::size_t /*maxBytes*/,
                                       std::chrono::milliseconds /*bound*/) {
    return std::nullopt;
  }

  // Starts the system's own address-resolution tool with "-d" to drop the cached hardware
  // addresses, shown normally, not waited for, its result not looked at. The program is named by
  // SystemArpPath of the system directory, never by a bare "arp" that would be looked up through
  // the current directory (which the file dialog moves to wherever the user's bitmaps are) or
  // the search path.
  virtual void StartArpClear() = 0;
};

// What StartArpClear runs: the shell's "open" verb on the system's arp program with "-d".
inline constexpr std::string_view kArpVerb = "open";
inline constexpr std::string_view kArpParameters = "-d";

// The full path of arp.exe in the system directory the platform reports ("C:\Windows\system32"
// gives "C:\Windows\system32\arp.exe"). Nothing when the directory is not an absolute path:
// then arp is not started at all, since a bare name would be searched for in the current
// directory first.
std::optional<std::string> SystemArpPath(std::string_view systemDirectory);

}  // namespace vantrel
