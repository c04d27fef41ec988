#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace vantrel {

// Why a file could not be read, for the file-error report.
// NotAFile: the path names a device, a pipe or a folder, which is never read as a file.
enum class FileErrorCause { NotFound, AccessDenied, ReadFailed, NotAFile, Other };

// A file open for reading. Destroying it closes the file.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // The file's length in bytes, or nothing when it cannot be taken.
  virtual std::optional<std::uint64_t> Length() = 0;
  // Reads from the current position until `into` is full or the file ends, so a count below
  // into.size() means the end of the file; nothing when a read failed.
  virtual std::optional<std::size_t> Read(std::span<std::uint8_t> into) = 0;
};

struct FileOpenResult {
  std::unique_ptr<ReadableFile> file;  // null when the file could not be opened
  FileErrorCause cause = FileErrorCause::Other;
};

// Opens regular files by their UTF-8 path, read-only with default sharing.
class FileReader {
 public:
  virtual ~FileReader() = default;
  virtual FileOpenResult Open(std::string_view path) = 0;
};

// The reader of the platform the program runs on (posix/ or win32/, chosen by the build).
std::unique_ptr<FileReader> CreateSystemFileReader();

}  // namespace vantrel
