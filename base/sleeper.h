#pragma once

#include <chrono>

namespace vantrel {

// The fixed waits of the tool (100, 300, 500, 1000, 1500 ms) are plain sleeps; tests replace them.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

}  // namespace vantrel
