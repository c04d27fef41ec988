#pragma once

namespace vantrel {

// The in-memory BMP image (placeholder until the loader lands).
class CDib {
 public:
  bool IsLoaded() const { return false; }
};

}  // namespace vantrel
