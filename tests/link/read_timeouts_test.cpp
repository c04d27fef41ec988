#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "link/read_timeouts.h"
#include "tests/support/param_name.h"

namespace vantrel {
namespace {

using std::chrono::milliseconds;

struct BoundCase {
  std::string name;
  CommTimeouts timeouts;
  std::size_t requested;
  int elapsed;
  int sinceLastByte;
  std::size_t received;
  std::optional<int> remaining;  // nothing: no bound
};

void PrintTo(const BoundCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadBoundTest : public testing::TestWithParam<BoundCase> {};

TEST_P(ReadBoundTest, WaitsAsTheDriverWould) {
  const BoundCase& c = GetParam();
  const auto left =
      ReadBound(c.timeouts, c.requested)
          .Remaining(milliseconds(c.elapsed), milliseconds(c.sinceLastByte), c.received);
  if (c.remaining)
    EXPECT_EQ(left, milliseconds(*c.remaining));
  else
    EXPECT_EQ(left, std::nullopt);
}

constexpr CommTimeouts kChinese{1000, 25, 50, 1000, 1000};
constexpr CommTimeouts kEnglish{1000, 1000, 1000, 1000, 1000};
constexpr CommTimeouts kAtOnce{kMaxDword, 0, 0, 25, 50};

INSTANTIATE_TEST_SUITE_P(
    CommTimeouts, ReadBoundTest,
    testing::Values(
        // Chinese serial line: one byte within 25 + 50 ms.
        BoundCase{"ChineseOneByteAtStart", kChinese, 1, 0, 0, 0, 75},
        BoundCase{"ChineseOneByteLater", kChinese, 1, 70, 70, 0, 5},
        BoundCase{"ChineseOneByteExpired", kChinese, 1, 80, 80, 0, 0},
        BoundCase{"ChineseSixteenBytes", kChinese, 16, 0, 0, 0, 450},
        // The interval counts only once a byte has come, and ends the read before the total.
        BoundCase{"IntervalAfterFirstByte", kEnglish, 16, 100, 20, 3, 980},
        BoundCase{"TotalBeforeInterval", kEnglish, 16, 16900, 10, 3, 100},
        BoundCase{"EnglishOneByte", kEnglish, 1, 0, 0, 0, 2000},
        BoundCase{"AllBytesCame", kEnglish, 4, 5, 0, 4, 0},
        // MAXDWORD interval with no totals: return at once with what is there.
        BoundCase{"ImmediateEmpty", kAtOnce, 10, 0, 0, 0, 0},
        BoundCase{"ImmediateWithBytes", kAtOnce, 10, 0, 0, 2, 0},
        // MAXDWORD interval and multiplier: wait up to the constant for the first byte only.
        BoundCase{"FirstByteWithin", {kMaxDword, kMaxDword, 300, 0, 0}, 10, 100, 100, 0, 200},
        BoundCase{"FirstByteCame", {kMaxDword, kMaxDword, 300, 0, 0}, 10, 100, 0, 1, 0},
        // No time-outs at all: wait for ever; an interval alone bounds only after a byte.
        BoundCase{"NoBounds", {0, 0, 0, 0, 0}, 5, 9000, 9000, 0, std::nullopt},
        BoundCase{"IntervalOnlyBeforeByte", {40, 0, 0, 0, 0}, 5, 9000, 9000, 0, std::nullopt},
        BoundCase{"IntervalOnlyAfterByte", {40, 0, 0, 0, 0}, 5, 9000, 30, 1, 10}),
    test::ParamName<BoundCase>);

TEST(WriteBound, IsPerByteTimesLengthPlusConstant) {
  EXPECT_EQ(WriteBound(kChinese, 21607), milliseconds(21607LL * 1000 + 1000));
  EXPECT_EQ(WriteBound(kAtOnce, 2), milliseconds(100));
  EXPECT_EQ(WriteBound({}, 2), std::nullopt);
}

}  // namespace
}  // namespace vantrel
