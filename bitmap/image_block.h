#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace vantrel {

// Hands out the memory a loaded image lives in.
class BlockAllocator {
 public:
  virtual ~BlockAllocator() = default;
  // `length` bytes of uninitialised memory, or null when they cannot be had.
  virtual std::unique_ptr<std::uint8_t[]> Allocate(std::size_t length) = 0;
};

// The free store, asked without exceptions.
BlockAllocator& SystemBlockAllocator();

// One contiguous block of memory holding a loaded file's bytes. It owns its memory; moving it
// hands the memory on and leaves the source empty.
class ImageBlock {
 public:
  ImageBlock() = default;
  ImageBlock(std::unique_ptr<std::uint8_t[]> bytes, std::size_t length)
      : bytes_(std::move(bytes)), length_(bytes_ ? length : 0) {}

  bool Held() const { return bytes_ != nullptr; }
  std::size_t Length() const { return length_; }
  std::span<std::uint8_t> Bytes() { return {bytes_.get(), length_}; }
  std::span<const std::uint8_t> Bytes() const { return {bytes_.get(), length_}; }

  // Keeps only the first `length` bytes as the block's contents (the memory stays).
  void Shorten(std::size_t length) {
    if (length < length_)
      length_ = length;
  }
  void Release() {
    bytes_.reset();
    length_ = 0;
  }

 private:
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t length_ = 0;
};

}  // namespace vantrel
