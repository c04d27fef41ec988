#include "link/bounded_io.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel {
namespace {

using std::chrono::milliseconds;

// An operation that comes back at the waits marked true, and counts the cancels.
class ScriptedIo : public PendingIo {
 public:
  explicit ScriptedIo(std::vector<bool> comesBack) : comesBack_(std::move(comesBack)) {}
  bool WaitFor(milliseconds wait) override {
    waits.push_back(wait);
    return next_ < comesBack_.size() && comesBack_[next_++];
  }
  void Cancel() override { ++cancels; }

  std::vector<milliseconds> waits;
  int cancels = 0;

 private:
  std::vector<bool> comesBack_;
  std::size_t next_ = 0;
};

struct FinishCase {
  std::vector<bool> comesBack;
  IoEnd end;
  std::vector<milliseconds> waits;
  int cancels;
  bool dead;
};

TEST(BoundedIo, WaitsTheBoundThenCancelsAndGivesUpAStuckOperation) {
  const std::vector<FinishCase> cases{
      {{true}, IoEnd::Finished, {milliseconds(500)}, 0, false},
      {{false, true}, IoEnd::Cancelled, {milliseconds(500), milliseconds(2000)}, 1, false},
      {{false, false}, IoEnd::Stuck, {milliseconds(500), milliseconds(2000)}, 1, true},
  };
  for (const FinishCase& c : cases) {
    BoundedIo port;
    ScriptedIo io(c.comesBack);
    EXPECT_EQ(port.Finish(io, milliseconds(500)), c.end);
    EXPECT_EQ(io.waits, c.waits);
    EXPECT_EQ(io.cancels, c.cancels);
    EXPECT_EQ(port.Dead(), c.dead);
  }
}

TEST(BoundedIo, StaysDeadOnceAnOperationIsStuck) {
  BoundedIo port;
  ScriptedIo stuck({false, false});
  port.Finish(stuck, milliseconds(500));
  ScriptedIo fine({true});
  EXPECT_EQ(port.Finish(fine, milliseconds(500)), IoEnd::Finished);
  EXPECT_TRUE(port.Dead());
}

TEST(DeviceWriteBound, GrowsWithTheSizeAndLeavesTheLargestDownloadMinutes) {
  EXPECT_EQ(DeviceWriteBound(3), milliseconds(2000));
  EXPECT_EQ(DeviceWriteBound(16'000), milliseconds(3000));
  // 576 x 65535 dots: 72 bytes a row, behind its 8-byte command.
  const std::size_t largestDownload = 72u * 65535u + 8u;
  EXPECT_GE(DeviceWriteBound(largestDownload), milliseconds(4 * 60 * 1000));
  EXPECT_LE(DeviceWriteBound(largestDownload), milliseconds(10 * 60 * 1000));
}

}  // namespace
}  // namespace vantrel
