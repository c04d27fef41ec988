#pragma once

// What the fuzz targets share: a check that stops the run, and the fuzzed bytes as the one file
// every open returns.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>

#include "bitmap/file_reader.h"

namespace vantrel::fuzz {

inline void Require(bool condition) {
  if (!condition)
    std::abort();
}

class MemoryFile : public ReadableFile {
 public:
  explicit MemoryFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::optional<std::uint64_t> Length() override { return bytes_.size(); }
  std::optional<std::size_t> Read(std::span<std::uint8_t> into) override {
    const std::size_t n = std::min(into.size(), bytes_.size() - at_);
    if (n > 0)
      std::memcpy(into.data(), bytes_.data() + at_, n);
    at_ += n;
    return n;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

class MemoryFiles : public FileReader {
 public:
  explicit MemoryFiles(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  FileOpenResult Open(std::string_view) override {
    return {std::make_unique<MemoryFile>(bytes_), FileErrorCause::Other};
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace vantrel::fuzz
