// What vantrel-cli.exe's discover lists on Windows: SetupAPI's ports class and USB printer
// interface, and Winsock's interface list.

// Winsock before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <setupapi.h>

#include <bit>

#include "base/win32/wide_text.h"
#include "cli/win32/discovery.h"

namespace vantrel::win32 {
namespace {

// GUID_DEVCLASS_PORTS: serial and parallel ports.
constexpr GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
// GUID_DEVINTERFACE_USBPRINT: the interface the USB printer class driver offers.
constexpr GUID kUsbPrintInterface = {
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};

std::wstring RegistryText(HKEY key, const wchar_t* name) {
  wchar_t text[256] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return text;
}

}  // namespace

std::optional<std::vector<cli::SerialListing>> ListComPorts() {
  const HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE)
    return std::nullopt;
  std::vector<cli::SerialListing> ports;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiEnumDeviceInfo(devices, index, &device))
      break;
    const HKEY key =
        SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
      continue;
    const std::string port = Narrow(RegistryText(key, L"PortName"));
    RegCloseKey(key);
    if (port.rfind("COM", 0) != 0)
      continue;  // a parallel port of the same class
    wchar_t name[256] = {};
    std::string description = port;
    if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                          reinterpret_cast<BYTE*>(name),
                                          sizeof name - sizeof(wchar_t), nullptr))
      description = Narrow(name);
    ports.push_back({port, description});
  }
  SetupDiDestroyDeviceInfoList(devices);
  return ports;
}

std::set<std::string> UsbPrinterClassIds() {
  std::set<std::string> ids;
  const HDEVINFO devices = SetupDiGetClassDevsA(&kUsbPrintInterface, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (devices == INVALID_HANDLE_VALUE)
    return ids;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interface {};
    interface.cbSize = sizeof interface;
    if (!SetupDiEnumDeviceInterfaces(devices, nullptr, &kUsbPrintInterface, index, &interface))
      break;
    alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_A) char buffer[1024] = {};
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer);
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(devices, &interface, detail, sizeof buffer - 1, nullptr,
                                          nullptr))
      continue;
    std::string path = detail->DevicePath;
    for (char& c : path) {
      if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    }
    const std::size_t at = path.find("vid_");
    if (at != std::string::npos && path.size() >= at + 17)
      ids.insert(path.substr(at, 17));  // vid_xxxx&pid_yyyy
  }
  SetupDiDestroyDeviceInfoList(devices);
  return ids;
}

std::vector<cli::Ipv4Subnet> OwnSubnets() {
  std::vector<cli::Ipv4Subnet> subnets;
  const SOCKET probe = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (probe == INVALID_SOCKET)
    return subnets;
  INTERFACE_INFO interfaces[64] = {};
  DWORD bytes = 0;
  if (WSAIoctl(probe, SIO_GET_INTERFACE_LIST, nullptr, 0, interfaces, sizeof interfaces, &bytes,
               nullptr, nullptr) == 0) {
    for (DWORD i = 0; i < bytes / sizeof(INTERFACE_INFO); ++i) {
      const INTERFACE_INFO& entry = interfaces[i];
      if ((entry.iiFlags & IFF_UP) == 0 || (entry.iiFlags & IFF_LOOPBACK) != 0)
        continue;
      cli::Ipv4Subnet subnet;
      const std::uint32_t address = ntohl(entry.iiAddress.AddressIn.sin_addr.s_addr);
      const std::uint32_t mask = ntohl(entry.iiNetmask.AddressIn.sin_addr.s_addr);
      subnet.address = {
          static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
          static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
      subnet.prefix = std::popcount(mask);
      subnets.push_back(subnet);
    }
  }
  closesocket(probe);
  return subnets;
}

}  // namespace vantrel::win32
