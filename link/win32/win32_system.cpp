#include "link/win32/win32_system.h"

// Winsock before windows.h.
#include <winsock2.h>

#include <setupapi.h>
#include <shellapi.h>
#include <windows.h>

#include <string>

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

class Win32System final : public System {
 public:
  explicit Win32System(std::optional<std::chrono::milliseconds> connectTimeout)
      : connectTimeout_(connectTimeout) {}

  void Sleep(std::chrono::milliseconds duration) override {
    ::Sleep(static_cast<DWORD>(duration.count()));
  }

  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view path) override {
    const HANDLE handle = OpenDevice(path, 0);
    if (handle == INVALID_HANDLE_VALUE)
      return nullptr;
    return MakeSerialDevice(handle);
  }

  std::unique_ptr<DevicePort> OpenLpt1() override {
    const HANDLE handle = OpenDevice("LPT1:", FILE_SHARE_READ, kBoundedDeviceFlags);
    if (handle == INVALID_HANDLE_VALUE)
      return nullptr;
    return MakeBoundedDevice(handle, kDeviceReadBound);
  }

  std::optional<std::vector<std::string>> ListUsbDevicePaths() override {
    const HDEVINFO devices = SetupDiGetClassDevsA(&kUsbDeviceInterface, nullptr, nullptr,
                                                  DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE)
      return std::nullopt;
    const HGLOBAL block = GlobalAlloc(GPTR, kDetailBufferSize);
    std::vector<std::string> paths;
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
        paths.emplace_back(start, length);
      }
      GlobalFree(block);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return paths;
  }

  std::unique_ptr<DevicePort> OpenUsbDevice(std::string_view path) override {
    const HANDLE handle = OpenDevice(path, FILE_SHARE_WRITE, kBoundedDeviceFlags);
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
    u_long nonBlocking = 1;
    ioctlsocket(handle, kNonBlockingIo, &nonBlocking);
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
    u_long blocking = 0;
    ioctlsocket(handle, kNonBlockingIo, &blocking);
    return connected;
  }

  bool Send(SocketId socket, ByteView data) override {
    const int sent = ::send(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(data.data()),
                            static_cast<int>(data.size()), 0);
    return sent > 0;
  }

  void CloseSocket(SocketId socket) override { ::closesocket(static_cast<SOCKET>(socket)); }

  void StartArpClear() override {
    char directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
      return;
    const std::optional<std::string> arp = SystemArpPath(std::string_view(directory, length));
    if (!arp)
      return;
    const std::string verb(kArpVerb);
    const std::string parameters(kArpParameters);
    ShellExecuteA(nullptr, verb.c_str(), arp->c_str(), parameters.c_str(), nullptr, SW_SHOW);
  }

 private:
  std::optional<std::chrono::milliseconds> connectTimeout_;
};

}  // namespace

std::unique_ptr<System> CreateWin32System(std::optional<std::chrono::milliseconds> connectTimeout) {
  return std::make_unique<Win32System>(connectTimeout);
}

}  // namespace vantrel::win32
