// The operating system on Windows: device files, SetupAPI, Winsock and the shell.

// Winsock before windows.h.
#include <winsock2.h>

#include <setupapi.h>
#include <shellapi.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "link/system.h"
#include "link/win32/device_paths.h"
#include "link/win32/handle_ports.h"

namespace vantrel::win32 {
namespace {

// GUID_DEVINTERFACE_USB_DEVICE: every present USB device offers it.
constexpr GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
constexpr DWORD kDetailBufferSize = 1024;
// FIONBIO, whose macro is an unsigned value for a signed parameter.
constexpr long kNonBlockingIo = static_cast<long>(FIONBIO);

HANDLE OpenDevice(std::string_view path, DWORD shareMode, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  const std::string terminated(path);
  return CreateFileA(terminated.c_str(), GENERIC_READ | GENERIC_WRITE, shareMode, nullptr,
                     OPEN_EXISTING, flags, nullptr);
}

// Waits at most `wait` for the socket to take more data or to have something to read (or, with
// writable false, only the latter).
void WaitOn(SOCKET handle, ULONGLONG wait, bool writable) {
  fd_set readable;
  fd_set canWrite;
  FD_ZERO(&readable);
  FD_ZERO(&canWrite);
  FD_SET(handle, &readable);
  FD_SET(handle, &canWrite);
  timeval time{static_cast<long>(wait / 1000), static_cast<long>(wait % 1000 * 1000)};
  select(0, &readable, writable ? &canWrite : nullptr, nullptr, &time);
}

// Reads and drops what the printer sent, on a non-blocking socket: unread, it would make the
// close a reset that drops what is still queued. False when the connection was reset; `closed`
// is set when the printer has closed its side.
bool DropReceived(SOCKET handle, bool& closed) {
  char sink[4096];
  while (true) {
    const int n = ::recv(handle, sink, sizeof sink, 0);
    if (n > 0)
      continue;
    if (n == 0) {
      closed = true;
      return true;
    }
    return WSAGetLastError() == WSAEWOULDBLOCK;
  }
}

void SetNonBlocking(SOCKET handle, bool on) {
  u_long value = on ? 1 : 0;
  ioctlsocket(handle, kNonBlockingIo, &value);
}

// A connect waits as long as Winsock does, or at most the options' bound when they give one.
// "arp -d" is started through the shell with its console window shown (the dialog), or without
// any window (the command-line tool).
class Win32System final : public System {
 public:
  Win32System(std::optional<std::chrono::milliseconds> connectTimeout, bool arpWindow)
      : connectTimeout_(connectTimeout), arpWindow_(arpWindow) {}

  void Sleep(std::chrono::milliseconds duration) override {
    ::Sleep(static_cast<DWORD>(duration.count()));
  }

  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view port) override {
    const HANDLE handle = OpenDevice(SerialDevicePath(port), 0);
    if (handle == INVALID_HANDLE_VALUE)
      return nullptr;
    return MakeSerialDevice(handle);
  }

  std::unique_ptr<DevicePort> OpenParallelDevice() override {
    const HANDLE handle = OpenDevice(kParallelDevicePath, FILE_SHARE_READ, kBoundedDeviceFlags);
    if (handle == INVALID_HANDLE_VALUE)
      return nullptr;
    return MakeBoundedDevice(handle, kDeviceReadBound);
  }

  // Every present device that offers the USB device interface class, in the system's order. The
  // list ends before the first interface whose path cannot be read (a path longer than the detail
  // buffer of 1024 bytes ends it too).
  std::optional<std::vector<UsbDevice>> ListUsbDevices() override {
    const HDEVINFO devices = SetupDiGetClassDevsA(&kUsbDeviceInterface, nullptr, nullptr,
                                                  DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE)
      return std::nullopt;
    const HGLOBAL block = GlobalAlloc(GPTR, kDetailBufferSize);
    std::vector<UsbDevice> listed;
    if (block != nullptr) {
      auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block);
      detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
      for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interface {};
        interface.cbSize = sizeof interface;
        if (!SetupDiEnumDeviceInterfaces(devices, nullptr, &kUsbDeviceInterface, index, &interface))
          break;
        if (!SetupDiGetDeviceInterfaceDetailA(devices, &interface, detail, kDetailBufferSize,
                                              nullptr, nullptr))
          break;
        // The path ends at its terminator or at the end of the buffer, whichever comes first.
        const char* start = detail->DevicePath;
        const std::size_t room =
            kDetailBufferSize - static_cast<std::size_t>(start - static_cast<const char*>(block));
        std::size_t length = 0;
        while (length < room && start[length] != '\0')
          ++length;
        std::string path(start, length);
        std::vector<UsbId> ids = UsbIdsOfPath(path);
        listed.push_back({std::move(path), std::move(ids)});
      }
      GlobalFree(block);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return listed;
  }

  std::unique_ptr<DevicePort> OpenUsbDevice(const UsbDevice& device) override {
    const HANDLE handle =
        OpenDevice(UsbOpenPath(device.path), FILE_SHARE_WRITE, kBoundedDeviceFlags);
    if (handle == INVALID_HANDLE_VALUE)
      return nullptr;
    return MakeBoundedDevice(handle, kDeviceReadBound);
  }

  bool StartSockets() override {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }

  void StopSockets() override { WSACleanup(); }

  std::optional<SocketId> CreateTcpSocket() override {
    const SOCKET created = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (created == INVALID_SOCKET)
      return std::nullopt;
    return static_cast<SocketId>(created);
  }

  bool Connect(SocketId socket, const Ipv4Endpoint& endpoint) override {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(endpoint.AddressText().c_str());
    address.sin_port = htons(endpoint.port);
    const auto handle = static_cast<SOCKET>(socket);
    const auto* raw = reinterpret_cast<const sockaddr*>(&address);
    if (!connectTimeout_)
      return ::connect(handle, raw, sizeof address) != SOCKET_ERROR;

    // Non-blocking for the connect only: done when the socket becomes writable, failed when
    // select reports it in the exception set or the time runs out.
    SetNonBlocking(handle, true);
    bool connected = ::connect(handle, raw, sizeof address) != SOCKET_ERROR;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
      fd_set writable;
      fd_set failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(handle, &writable);
      FD_SET(handle, &failed);
      const long long ms = connectTimeout_->count();
      timeval wait{static_cast<long>(ms / 1000), static_cast<long>(ms % 1000 * 1000)};
      connected = select(0, nullptr, &writable, &failed, &wait) > 0 &&
                  FD_ISSET(handle, &writable) && !FD_ISSET(handle, &failed);
    }
    SetNonBlocking(handle, false);
    return connected;
  }

  // Non-blocking, so neither a printer that stops taking data nor one that talks back can hold
  // the send: a partial send goes on with the rest until the bound.
  bool Send(SocketId socket, ByteView data, std::chrono::milliseconds bound) override {
    const auto handle = static_cast<SOCKET>(socket);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(bound.count());
    SetNonBlocking(handle, true);
    std::size_t done = 0;
    bool closed = false;
    bool ok = true;
    while (ok && done < data.size()) {
      ok = DropReceived(handle, closed) && !closed;
      if (!ok)
        break;
      const int chunk = static_cast<int>(std::min<std::size_t>(data.size() - done, 1u << 20));
      const int sent = ::send(handle, reinterpret_cast<const char*>(data.data() + done), chunk, 0);
      if (sent > 0) {
        done += static_cast<std::size_t>(sent);
        continue;
      }
      const ULONGLONG now = GetTickCount64();
      ok = sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK && now < deadline;
      if (ok)
        WaitOn(handle, deadline - now, true);
    }
    SetNonBlocking(handle, false);
    return ok;
  }

  // Closing right after the last send may drop what is still queued (and WSACleanup after it
  // too): the sending side is shut down and the printer's own close, after it has read all, is
  // awaited. Windows cannot tell what a printer that stays connected has acknowledged, so the
  // bound ends that as not delivered.
  std::optional<Bytes> Receive(SocketId socket, std::size_t maxBytes,
                               std::chrono::milliseconds bound) override {
    const auto handle = static_cast<SOCKET>(socket);
    SetNonBlocking(handle, true);
    const ULONGLONG start = GetTickCount64();
    const auto total = static_cast<ULONGLONG>(bound.count());
    std::optional<Bytes> result;
    Bytes got(maxBytes);
    while (true) {
      const int n =
          ::recv(handle, reinterpret_cast<char*>(got.data()), static_cast<int>(got.size()), 0);
      if (n > 0) {
        got.resize(static_cast<std::size_t>(n));
        result = std::move(got);
        break;
      }
      if (n == 0 || WSAGetLastError() != WSAEWOULDBLOCK)
        break;  // closed or reset
      const ULONGLONG spent = GetTickCount64() - start;
      if (spent >= total) {
        result = Bytes{};
        break;
      }
      WaitOn(handle, total - spent, false);
    }
    SetNonBlocking(handle, false);
    return result;
  }

  bool FinishSending(SocketId socket, std::chrono::milliseconds bound) override {
    const auto handle = static_cast<SOCKET>(socket);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(bound.count());
    shutdown(handle, SD_SEND);
    SetNonBlocking(handle, true);
    bool closed = false;
    bool ok = true;
    while (ok && !closed) {
      ok = DropReceived(handle, closed);
      const ULONGLONG now = GetTickCount64();
      if (ok && !closed) {
        ok = now < deadline;
        if (ok)
          WaitOn(handle, deadline - now, false);
      }
    }
    SetNonBlocking(handle, false);
    return ok && closed;
  }

  void CloseSocket(SocketId socket) override {
    const auto handle = static_cast<SOCKET>(socket);
    bool closed = false;
    SetNonBlocking(handle, true);
    DropReceived(handle, closed);
    ::closesocket(handle);
  }

  // "arp -d" of the system directory, never a bare "arp" looked up through the current directory
  // or the search path; shown normally, not waited for, its result not looked at.
  void ClearAddressCache() override {
    char directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
      return;
    const std::optional<std::string> arp = SystemArpPath(std::string_view(directory, length));
    if (!arp)
      return;
    const std::string parameters(kArpParameters);
    if (!arpWindow_) {
      // No console window, and none of its messages (it wants administrator rights) in ours.
      std::string commandLine = "\"" + *arp + "\" " + parameters;
      STARTUPINFOA startup{};
      startup.cb = sizeof startup;
      PROCESS_INFORMATION process{};
      if (CreateProcessA(arp->c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                         CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
      }
      return;
    }
    const std::string verb(kArpVerb);
    ShellExecuteA(nullptr, verb.c_str(), arp->c_str(), parameters.c_str(), nullptr, SW_SHOW);
  }

 private:
  std::optional<std::chrono::milliseconds> connectTimeout_;
  bool arpWindow_;
};

}  // namespace

}  // namespace vantrel::win32

namespace vantrel {

std::unique_ptr<System> CreateSystem(SystemOptions options) {
  return std::make_unique<win32::Win32System>(options.connectTimeout, options.addressCacheWindow);
}

}  // namespace vantrel
