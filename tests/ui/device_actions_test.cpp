#include <gtest/gtest.h>

#include <memory>

#include "protocol/operations.h"
#include "tests/support/param_name.h"
#include "tests/support/script.h"
#include "tests/support/template_controls.h"
#include "ui/control_ids.h"
#include "ui/device_actions.h"

namespace vantrel {
namespace {

using namespace vantrel::test;  // NOLINT

struct DirectCase {
  const char* name;
  UiVariant variant;
  DeviceOperation operation;
  int slot;
  const char* bytes;
  const char* message;  // nullptr: none
};

class DirectOperation : public testing::TestWithParam<DirectCase> {};

// Write, 500 ms, the stored-bitmap print's message while the port is still held, then release.
TEST_P(DirectOperation, WritesWaitsAndReleases) {
  const DirectCase& c = GetParam();
  Script script;
  ScriptedSleeper sleeper(script);
  ScriptedMessages messages(script);
  TemplateControls controls(c.variant);
  controls.SetSelection(ctl::kBitmapSlot, c.slot);
  PrinterConnection connection;
  connection.handle = std::make_unique<ScriptedPort>(script);

  script = {Write(c.bytes), Sleep(500)};
  if (c.message != nullptr)
    script.Then(Message(c.message));
  script.Then(ClosePort());

  OperationDispatcher({c.variant, controls, messages, sleeper}, connection, c.operation);
  script.ExpectDone();
  EXPECT_EQ(connection.handle, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DirectOperation,
    testing::Values(
        DirectCase{"FirstSlotChinese", UiVariant::Chinese, DeviceOperation::PrintStoredBitmap, 0,
                   "1C 50 00", "位图打印完成!"},
        DirectCase{"EighthSlotEnglish", UiVariant::English, DeviceOperation::PrintStoredBitmap, 7,
                   "1C 50 07", "Bitmap print succeed!"},
        DirectCase{"CashDrawer", UiVariant::Chinese, DeviceOperation::OpenCashDrawer, 3,
                   "1B 70 00 32 32", nullptr},
        DirectCase{"TestLine", UiVariant::English, DeviceOperation::PrintTestLine, 3,
                   "50 72 69 6E 74 20 74 65 73 74 20 4F 4B 21 0A 0D", nullptr},
        DirectCase{"Cut", UiVariant::Chinese, DeviceOperation::Cut, 3, "1D 56 42 00", nullptr}),
    ParamName<DirectCase>);

}  // namespace
}  // namespace vantrel
