#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/expected_tables.h"
#include "ui/control_ids.h"
#include "ui/option_lists.h"

namespace vantrel {
namespace {

namespace expected = test::expected;

// A setting's value is its item's index, so every item of every list, in order and with its
// blanks, is protocol.
TEST(OptionLists, HoldTheTemplateItemsInOrderInBothVariants) {
  std::vector<int> ids(ListControlIds().begin(), ListControlIds().end());
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, expected::ListIds());
  for (int id : expected::ListIds()) {
    for (UiVariant v : {UiVariant::Chinese, UiVariant::English}) {
      const auto items = OptionItems(v, id);
      EXPECT_EQ(std::vector<std::string>(items.begin(), items.end()), expected::Items(v, id))
          << id << (v == UiVariant::Chinese ? " Chinese" : " English");
    }
  }
  EXPECT_TRUE(OptionItems(UiVariant::Chinese, ctl::kSet).empty());
}

TEST(DeviceButtonIds, SwapBetweenTheVariants) {
  constexpr auto zh = ctl::DeviceButtonIdsFor(UiVariant::Chinese);
  constexpr auto en = ctl::DeviceButtonIdsFor(UiVariant::English);
  EXPECT_EQ(zh.cashDrawer, 6);
  EXPECT_EQ(zh.cut, 5);
  EXPECT_EQ(zh.printTest, 4);
  EXPECT_EQ(en.cashDrawer, 3);
  EXPECT_EQ(en.cut, 4);
  EXPECT_EQ(en.printTest, 5);
}

}  // namespace
}  // namespace vantrel
