#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ui/dialog_world.h"

namespace vantrel {
namespace {

using namespace test;
using namespace ctl;

// The four things that hold after every user action, from the moment the dialog is initialised.
// Returns what is broken, empty when all hold.
std::string BrokenInvariants(TemplateControls& c) {
  std::ostringstream broken;
  if (c.IsEnabled(kMechanism) != (c.GetSelection(kCutter) >= 1))
    broken << "mechanism enabled=" << c.IsEnabled(kMechanism)
           << " with cutter=" << c.GetSelection(kCutter) << "; ";
  for (int id : {kTargetParity, kTargetDataBits, kTargetFlow}) {
    if (c.IsEnabled(id) != (c.GetSelection(kTargetBaud) >= 1))
      broken << id << " enabled=" << c.IsEnabled(id)
             << " with target baud=" << c.GetSelection(kTargetBaud) << "; ";
  }
  // The language list is locked exactly while a code page is chosen, and then reads English.
  const bool codePageChosen = c.GetSelection(kCodePage) >= 1;
  if (c.IsEnabled(kLanguage) == codePageChosen ||
      (codePageChosen && c.GetSelection(kLanguage) != 1))
    broken << "language enabled=" << c.IsEnabled(kLanguage) << " at " << c.GetSelection(kLanguage)
           << " with code page=" << c.GetSelection(kCodePage) << "; ";
  const struct {
    int box;
    int field;
  } governed[] = {
      {kManufacturerCheck, kManufacturerText},   {kModelCheck, kModelText},
      {kBluetoothNameCheck, kBluetoothNameText}, {kBluetoothPasswordCheck, kBluetoothPasswordText},
      {kStartOffsetCheck, kStartOffsetText},     {kCutOffsetCheck, kCutOffsetText},
      {kRadioAddressCheck, kRadioAddress1},      {kRadioAddressCheck, kRadioAddress2},
      {kRadioAddressCheck, kRadioAddress3},      {kRadioAddressCheck, kRadioAddress4}};
  for (const auto& g : governed) {
    if (c.IsEnabled(g.field) != c.IsChecked(g.box))
      broken << g.field << " enabled=" << c.IsEnabled(g.field) << " with box " << g.box
             << " ticked=" << c.IsChecked(g.box) << "; ";
  }
  return broken.str();
}

// Every control a user can act on in the rules' part of the dialog.
const int kLists[] = {kCutter,         kMechanism,   kTargetBaud, kTargetParity,
                      kTargetDataBits, kTargetFlow,  kCodePage,   kLanguage,
                      kFont,           kCurrentBaud, kInterface,  kPrintSpeed};
const int kBoxes[] = {kManufacturerCheck,      kModelCheck,        kBluetoothNameCheck,
                      kBluetoothPasswordCheck, kRadioAddressCheck, kStartOffsetCheck,
                      kCutOffsetCheck};
const int kFields[] = {kManufacturerText,      kModelText,       kBluetoothNameText,
                       kBluetoothPasswordText, kStartOffsetText, kCutOffsetText,
                       kRadioAddress1,         kRadioAddress4};

struct Seeded {
  UiVariant variant;
  unsigned seed;
};

class RuleInvariantProperty : public testing::TestWithParam<Seeded> {};

TEST_P(RuleInvariantProperty, HoldAfterEveryRandomUserAction) {
  DialogWorld w(GetParam().variant);
  std::mt19937 random(GetParam().seed);
  auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  ASSERT_EQ(BrokenInvariants(w.controls), "") << "right after initialisation";

  std::vector<std::string> trail;
  for (int step = 0; step < 4000; ++step) {
    std::ostringstream action;
    switch (pick(4)) {
      case 0: {
        const int id = kLists[pick(static_cast<int>(std::size(kLists)))];
        const int index = pick(w.controls.ItemCount(id));
        action << "choose " << id << " item " << index;
        if (!w.user.Choose(id, index))
          action << " (disabled)";
        break;
      }
      case 1: {
        const int id = kBoxes[pick(static_cast<int>(std::size(kBoxes)))];
        action << "click " << id;
        if (!w.user.Click(id))
          action << " (disabled)";
        break;
      }
      case 2: {
        const int id = kFields[pick(static_cast<int>(std::size(kFields)))];
        action << "type into " << id;
        w.user.Type(id, std::to_string(step));
        break;
      }
      default:
        action << "open the mechanism list";
        w.user.Open(kMechanism);
        break;
    }
    trail.push_back(action.str());
    if (trail.size() > 8)
      trail.erase(trail.begin());

    const std::string broken = BrokenInvariants(w.controls);
    if (!broken.empty()) {
      std::ostringstream last;
      for (const std::string& a : trail)
        last << "\n  " << a;
      FAIL() << "after step " << step << ": " << broken << "\nlast actions:" << last.str();
    }
  }
  w.script.ExpectDone();  // the rules never reach a device or the user
}

std::vector<Seeded> Seeds() {
  std::vector<Seeded> seeds;
  for (unsigned seed : {1u, 2u, 3u, 20240607u, 0xC0A80172u}) {
    seeds.push_back({UiVariant::Chinese, seed});
    seeds.push_back({UiVariant::English, seed});
  }
  return seeds;
}

std::string SeedName(const testing::TestParamInfo<Seeded>& param) {
  return std::string(param.param.variant == UiVariant::Chinese ? "Chinese" : "English") + "_" +
         std::to_string(param.param.seed);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RuleInvariantProperty, testing::ValuesIn(Seeds()), SeedName);

}  // namespace
}  // namespace vantrel
