#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "protocol/catalogue.h"
#include "tests/support/expected_tables.h"
#include "tests/support/script.h"

namespace vantrel {
namespace {

namespace expected = test::expected;
using test::Hex;

std::string AckName(AckRule rule) {
  static const std::map<AckRule, std::string> kNames{
      {AckRule::EchoValue, "EchoValue"},
      {AckRule::EchoFirstByte, "EchoFirstByte"},
      {AckRule::AnyReply, "AnyReply"},
      {AckRule::PollOk, "PollOk"},
      {AckRule::PollFourthByte, "PollFourthByte"},
      {AckRule::NoAck, "NoAck"},
  };
  return kNames.at(rule);
}

// One row per setting of the typed tables, in their order, each with the typed name, rule and
// command head.
TEST(CatalogueTest, HasOneRowPerSettingOfTheTypedTables) {
  const auto rows = SettingCatalogue();
  ASSERT_EQ(rows.size(), expected::SettingCount());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const SettingRow& row = rows[i];
    const auto key = static_cast<SettingKey>(i);
    SCOPED_TRACE(expected::Name(key));
    EXPECT_EQ(row.key, key);
    EXPECT_EQ(std::string(row.name), expected::Name(key));
    EXPECT_EQ(AckName(row.rule.ack), expected::Ack(key));
    EXPECT_EQ(row.rule.skippedOnWriteOnlyLinks, expected::Skipped(key));
    const Bytes extreme = expected::Extreme(key).command;
    const Bytes head = CommandHead(key);
    ASSERT_LE(head.size(), extreme.size());
    EXPECT_EQ(Hex(head), Hex(Bytes(extreme.begin(),
                                   extreme.begin() + static_cast<std::ptrdiff_t>(head.size()))));
    if (row.family == SettingFamily::Choice) {
      ASSERT_TRUE(row.list);
      EXPECT_EQ(Hex(expected::ChoiceCommand(key, 1)), Hex(Bytes{row.prefix, row.code, 0x00}));
      EXPECT_EQ(static_cast<int>(SettingItems(UiVariant::English, *row.list).size()) - 1,
                expected::ChoiceItems(key));
    }
  }
}

// Every row is used: it reads its own part of the selection and no other row's, and encodes the
// typed command from it.
TEST(CatalogueTest, EveryRowReadsItsOwnPartOfTheSelection) {
  const SettingSelection extreme = expected::ExtremeSelection();
  const SettingSelection initial;
  for (const SettingRow& row : SettingCatalogue()) {
    SCOPED_TRACE(expected::Name(row.key));
    EXPECT_FALSE(IsChosen(row.key, initial));
    const auto encoded = EncodeSetting(row.key, extreme);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(Hex(encoded->command), Hex(expected::Extreme(row.key).command));
    EXPECT_EQ(encoded->reference, expected::Extreme(row.key).reference);

    // The same row chosen alone sends just its own command.
    SettingSelection alone;
    if (row.list) {
      alone.*SelectionFieldOf(*row.list) = extreme.*SelectionFieldOf(*row.list);
      for (const SettingList list : AllSettingLists()) {
        if (KeyOf(list) == row.key)
          alone.*SelectionFieldOf(list) = extreme.*SelectionFieldOf(list);
      }
    } else {
      alone.*row.flag = true;
      if (row.text)
        alone.*row.text = extreme.*row.text;
      alone.radioAddressText = extreme.radioAddressText;
    }
    std::set<std::string> sent;
    for (const SettingRow& other : SettingCatalogue()) {
      if (EncodeSetting(other.key, alone))
        sent.insert(std::string(other.name));
    }
    EXPECT_EQ(sent, std::set<std::string>{expected::Name(row.key)});
  }
}

}  // namespace
}  // namespace vantrel
