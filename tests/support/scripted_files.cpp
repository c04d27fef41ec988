#include "tests/support/scripted_files.h"

#include <algorithm>
#include <memory>

namespace vantrel::test {
namespace {

class MemoryFile : public ReadableFile {
 public:
  MemoryFile(const Bytes& contents, bool unreadable, std::optional<std::uint64_t> length)
      : contents_(contents), unreadable_(unreadable), length_(length) {}

  std::optional<std::uint64_t> Length() override { return length_.value_or(contents_.size()); }

  std::optional<std::size_t> Read(std::span<std::uint8_t> into) override {
    if (unreadable_)
      return std::nullopt;
    const std::size_t n = std::min(into.size(), contents_.size() - at_);
    std::copy_n(contents_.begin() + static_cast<std::ptrdiff_t>(at_), n, into.begin());
    at_ += n;
    return n;
  }

 private:
  const Bytes& contents_;
  bool unreadable_;
  std::optional<std::uint64_t> length_;
  std::size_t at_ = 0;
};

}  // namespace

Step OpenFile(const std::string& path) {
  return Other("open file " + path);
}

void ScriptedFiles::AddWithLength(const std::string& path, Bytes contents, std::uint64_t length) {
  files_[path] = {std::move(contents), false, length};
}

FileOpenResult ScriptedFiles::Open(std::string_view path) {
  script_.Take(OpenFile(std::string(path)));
  if (const auto refused = refused_.find(path); refused != refused_.end())
    return {nullptr, refused->second};
  const auto found = files_.find(path);
  if (found == files_.end())
    return {nullptr, FileErrorCause::NotFound};
  const Entry& entry = found->second;
  return {std::make_unique<MemoryFile>(entry.contents, entry.unreadable, entry.length),
          FileErrorCause::Other};
}

}  // namespace vantrel::test
