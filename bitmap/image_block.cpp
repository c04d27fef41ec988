#include "bitmap/image_block.h"

#include <new>

namespace vantrel {
namespace {

class FreeStoreAllocator : public BlockAllocator {
 public:
  std::unique_ptr<std::uint8_t[]> Allocate(std::size_t length) override {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[length]);
  }
};

}  // namespace

BlockAllocator& SystemBlockAllocator() {
  static FreeStoreAllocator allocator;
  return allocator;
}

}  // namespace vantrel
