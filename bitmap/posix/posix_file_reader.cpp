// The file reader on POSIX systems: open(2), fstat(2) and read(2).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "bitmap/file_reader.h"

namespace vantrel {
namespace {

FileErrorCause CauseOf(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return FileErrorCause::NotFound;
    case EACCES:
    case EPERM:
      return FileErrorCause::AccessDenied;
    default:
      return FileErrorCause::Other;
  }
}

class PosixFile : public ReadableFile {
 public:
  explicit PosixFile(int descriptor) : descriptor_(descriptor) {}
  ~PosixFile() override { ::close(descriptor_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::optional<std::uint64_t> Length() override {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0 || status.st_size < 0)
      return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
  }

  std::optional<std::size_t> Read(std::span<std::uint8_t> into) override {
    std::size_t total = 0;
    while (total < into.size()) {
      const ssize_t got = ::read(descriptor_, into.data() + total, into.size() - total);
      if (got < 0 && errno == EINTR)
        continue;
      if (got < 0)
        return std::nullopt;
      if (got == 0)
        break;
      total += static_cast<std::size_t>(got);
    }
    return total;
  }

 private:
  int descriptor_;
};

class PosixFileReader : public FileReader {
 public:
  FileOpenResult Open(std::string_view path) override {
    const std::string terminated(path);
    int descriptor = -1;
    // Without waiting: opening a pipe for reading would wait for a writer.
    do {
      descriptor = ::open(terminated.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
      return {nullptr, CauseOf(errno)};
    // A folder stays as it was: opened, its first read fails.
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 ||
        (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))) {
      ::close(descriptor);
      return {nullptr, FileErrorCause::NotAFile};
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return {std::make_unique<PosixFile>(descriptor), FileErrorCause::Other};
  }
};

}  // namespace

std::unique_ptr<FileReader> CreateSystemFileReader() {
  return std::make_unique<PosixFileReader>();
}

}  // namespace vantrel
