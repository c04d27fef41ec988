#pragma once

// Files held in memory by path, for the code that reads bitmaps. Every open is an Other step of
// the shared script ("open file a.bmp"), so a test lists when each file is opened among the
// prompts and the device calls.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "bitmap/file_reader.h"
#include "tests/support/script.h"

namespace vantrel::test {

Step OpenFile(const std::string& path);

// A path never added is not found.
class ScriptedFiles : public FileReader {
 public:
  explicit ScriptedFiles(Script& script) : script_(script) {}

  void Add(const std::string& path, Bytes contents) {
    files_[path] = {std::move(contents), false, std::nullopt};
  }
  // The file opens but every read fails.
  void AddUnreadable(const std::string& path) { files_[path] = {{}, true, std::nullopt}; }
  // The file opens, and its length is reported as `length` whatever its contents.
  void AddWithLength(const std::string& path, Bytes contents, std::uint64_t length);
  void AddRefused(const std::string& path, FileErrorCause cause) { refused_[path] = cause; }

  FileOpenResult Open(std::string_view path) override;

 private:
  struct Entry {
    Bytes contents;
    bool unreadable = false;
    std::optional<std::uint64_t> length;
  };
  Script& script_;
  std::map<std::string, Entry, std::less<>> files_;
  std::map<std::string, FileErrorCause, std::less<>> refused_;
};

}  // namespace vantrel::test
