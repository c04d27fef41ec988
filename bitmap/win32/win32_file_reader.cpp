// The file reader on Windows: UTF-8 paths opened through the wide-character file functions.

#include <windows.h>

#include <algorithm>
#include <string>

#include "base/win32/wide_text.h"
#include "bitmap/file_reader.h"

namespace vantrel {
namespace {

FileErrorCause CauseOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return FileErrorCause::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileErrorCause::AccessDenied;
    default:
      return FileErrorCause::Other;
  }
}

class Win32File : public ReadableFile {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override { CloseHandle(handle_); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  std::optional<std::uint64_t> Length() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size) || size.QuadPart < 0)
      return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  std::optional<std::size_t> Read(std::span<std::uint8_t> into) override {
    std::size_t total = 0;
    while (total < into.size()) {
      const std::size_t chunk = std::min<std::size_t>(into.size() - total, 1u << 30);
      DWORD got = 0;
      if (!ReadFile(handle_, into.data() + total, static_cast<DWORD>(chunk), &got, nullptr))
        return std::nullopt;
      if (got == 0)
        break;
      total += got;
    }
    return total;
  }

 private:
  HANDLE handle_;
};

class Win32FileReader : public FileReader {
 public:
  FileOpenResult Open(std::string_view path) override {
    const HANDLE handle = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
      return {nullptr, CauseOf(GetLastError())};
    // A device (COM1, CON, NUL) or a pipe opens as well as a file does; only files are read.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
      CloseHandle(handle);
      return {nullptr, FileErrorCause::NotAFile};
    }
    return {std::make_unique<Win32File>(handle), FileErrorCause::Other};
  }
};

}  // namespace

std::unique_ptr<FileReader> CreateSystemFileReader() {
  return std::make_unique<Win32FileReader>();
}

}  // namespace vantrel
