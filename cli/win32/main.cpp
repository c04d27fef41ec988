// vantrel-cli.exe: binds the Windows links (the dialog's), Winsock's resolver, the code pages and
// the console to the program, which is all in the portable library.

// Winsock before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <shellapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <streambuf>
#include <string>
#include <vector>

#include "base/win32/dll_search.h"
#include "base/win32/wide_text.h"
#include "cli/http/http_server.h"
#include "cli/lib/command_line.h"
#include "cli/lib/platform.h"
#include "cli/win32/discovery.h"
#include "link/system.h"

namespace {

using namespace vantrel;

// A standard handle as a stream of UTF-8 text, written as ChooseStreamEncoding says: a console in
// UTF-16 (WriteConsoleW), so Chinese report lines show whatever the console's code page; a pipe
// PowerShell captures in the console's output code page; a file, or --json, as UTF-8 bytes.
class HandleBuffer final : public std::streambuf {
 public:
  HandleBuffer(DWORD which, bool eager, bool json) : handle_(GetStdHandle(which)), eager_(eager) {
    DWORD mode = 0;
    const bool valid = handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr;
    console_ = valid && GetConsoleMode(handle_, &mode) != 0;
    const bool pipe = valid && GetFileType(handle_) == FILE_TYPE_PIPE;
    const bool attached = GetConsoleWindow() != nullptr;
    if (cli::ChooseStreamEncoding(console_, pipe, attached, json) ==
        cli::StreamEncoding::ConsoleCodePage)
      codePage_ = GetConsoleOutputCP();
  }
  HandleBuffer(const HandleBuffer&) = delete;
  HandleBuffer& operator=(const HandleBuffer&) = delete;
  ~HandleBuffer() override { Write(true); }

  bool IsConsole() const { return console_; }

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) {
      pending_.push_back(traits_type::to_char_type(c));
      if (eager_ || c == '\n')
        Write(false);
    }
    return traits_type::not_eof(c);
  }

  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<std::size_t>(count));
    if (eager_ || pending_.size() >= 4096)
      Write(false);
    return count;
  }

  int sync() override {
    Write(false);
    return 0;
  }

 private:
  // Writes what is pending; a console gets only whole UTF-8 sequences, the rest waits for its
  // remaining bytes (or, at the end, goes as it is).
  void Write(bool all) {
    if (pending_.empty() || handle_ == INVALID_HANDLE_VALUE || handle_ == nullptr)
      return;
    std::size_t whole = pending_.size();
    if (console_ && !all) {
      std::size_t start = whole;
      while (start > 0 && whole - start < 4 &&
             (static_cast<unsigned char>(pending_[start - 1]) & 0xC0) == 0x80)
        --start;
      if (start > 0) {
        const auto lead = static_cast<unsigned char>(pending_[start - 1]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (start - 1 + length > whole)
          whole = start - 1;
      }
    }
    if (console_) {
      // In pieces: Windows 7's console takes at most about 64 KB a call.
      constexpr std::size_t kConsolePiece = 8192;
      const std::wstring wide = win32::Widen(std::string_view(pending_).substr(0, whole));
      std::size_t done = 0;
      while (done < wide.size()) {
        DWORD written = 0;
        const auto piece = static_cast<DWORD>(std::min(kConsolePiece, wide.size() - done));
        if (!WriteConsoleW(handle_, wide.data() + done, piece, &written, nullptr) || written == 0)
          break;
        done += written;
      }
    } else {
      std::string bytes = pending_.substr(0, whole);
      if (codePage_ != 0 && codePage_ != CP_UTF8) {
        const std::wstring wide = win32::Widen(bytes);
        const int needed = WideCharToMultiByte(
            codePage_, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
        bytes.assign(static_cast<std::size_t>(std::max(needed, 0)), '\0');
        WideCharToMultiByte(codePage_, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                            needed, nullptr, nullptr);
      }
      std::size_t done = 0;
      while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr) ||
            written == 0)
          break;
        done += written;
      }
    }
    pending_.erase(0, whole);
  }

  HANDLE handle_;
  bool eager_;
  bool console_ = false;
  UINT codePage_ = 0;  // the console's output code page a captured pipe is written in; 0: UTF-8
  std::string pending_;
};

// The environment as UTF-8; each value read is kept for the rest of the run.
const char* Environment(const char* name) {
  static std::mutex guard;
  static std::map<std::string, std::string> read;
  const std::lock_guard<std::mutex> lock(guard);
  const std::wstring wide = win32::Widen(name);
  const DWORD needed = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (needed == 0)
    return nullptr;
  std::wstring value(needed, L'\0');
  const DWORD length = GetEnvironmentVariableW(wide.c_str(), value.data(), needed);
  value.resize(length);
  return (read[name] = win32::Narrow(value)).c_str();
}

std::optional<std::array<std::uint8_t, 4>> Resolve(std::string_view host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(std::string(host).c_str(), nullptr, &hints, &found) != 0 || !found)
    return std::nullopt;
  std::array<std::uint8_t, 4> address{};
  const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  std::memcpy(address.data(), &ipv4->sin_addr.s_addr, 4);
  freeaddrinfo(found);
  return address;
}

// The texts in the code page a Windows machine of that language sends them in (936, 1252);
// nothing when a character has no place in it.
std::optional<std::string> Encode(std::string_view utf8, UiVariant variant) {
  if (utf8.empty())
    return std::string();
  const UINT codePage = variant == UiVariant::Chinese ? 936 : 1252;
  const int length = static_cast<int>(utf8.size());
  const int wideLength =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (wideLength <= 0)
    return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), wideLength);
  BOOL replaced = FALSE;
  const int needed = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                                         nullptr, 0, nullptr, &replaced);
  if (needed <= 0 || replaced)
    return std::nullopt;
  std::string out(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, out.data(), needed,
                      nullptr, &replaced);
  if (replaced)
    return std::nullopt;
  return out;
}

// "\\?\usb#vid_0483&pid_5720#5&2f1a&0&1#{a5dcbf10-...}": where the device sits, its vendor and
// product, and the path the printer is opened by.
std::optional<std::vector<cli::UsbListing>> ListUsb() {
  const std::unique_ptr<System> system = CreateSystem({});
  const std::optional<std::vector<UsbDevice>> devices = system->ListUsbDevices();
  if (!devices)
    return std::nullopt;
  std::vector<cli::UsbListing> listing;
  const std::set<std::string> printerClass = win32::UsbPrinterClassIds();
  for (const UsbDevice& device : *devices) {
    const std::string& path = device.path;
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t hash; (hash = path.find('#', from)) != std::string::npos; from = hash + 1)
      fields.push_back(path.substr(from, hash - from));
    fields.push_back(path.substr(from));
    std::string identifier = fields.size() > 1 ? fields[1] : path;
    for (char& c : identifier) {
      if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    }
    listing.push_back({fields.size() > 2 ? fields[2] : path, identifier, path,
                       printerClass.count(identifier) > 0});
  }
  return listing;
}

std::vector<std::string> Arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide && i < count; ++i)
    arguments.push_back(win32::Narrow(wide[i]));
  if (wide)
    LocalFree(wide);
  return arguments;
}

}  // namespace

int main() {
  win32::LoadDllsFromSystemFolderOnly();
  const std::vector<std::string> arguments = Arguments();
  const bool json = std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
  HandleBuffer outBuffer(STD_OUTPUT_HANDLE, false, json);
  HandleBuffer errBuffer(STD_ERROR_HANDLE, true, json);
  std::ostream out(&outBuffer);
  std::ostream err(&errBuffer);
  // The resolver needs Winsock before any link starts it; it ends with the process.
  WSADATA sockets{};
  WSAStartup(MAKEWORD(2, 2), &sockets);
  const std::unique_ptr<FileReader> files = CreateSystemFileReader();

  cli::Machine machine{
      Environment,
      Resolve,
      Encode,
      [](const cli::LinkSetup& setup) {
        SystemOptions options;
        options.connectTimeout = setup.connectTimeout;
        options.addressCacheWindow = false;
        return CreateSystem(std::move(options));
      },
      ListUsb,
      *files,
      errBuffer.IsConsole(),
      out,
      err,
      cli::Platform::Windows,
      // The language the dialog takes its texts from.
      []() -> std::uint16_t { return GetUserDefaultLangID(); },
      win32::ListComPorts,
      win32::OwnSubnets,
      cli::ServeHttp,
  };
  const int status = cli::RunCommandLine(arguments, machine);
  out.flush();
  err.flush();
  // A fleet printer that passed its deadline may still hold a worker in a blocking call, which
  // reads this function's machine: the process ends here, without taking them down under it.
  // TerminateProcess ends every thread at once and runs no library's detach code, some of which
  // could wait on what a worker stopped in the middle of a call still holds.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  std::_Exit(status);
}
