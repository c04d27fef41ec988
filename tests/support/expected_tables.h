#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/ui_variant.h"
#include "protocol/settings.h"

// What the printer and the user must see, typed once into tests/support/expected.json and read
// here and by the Wine suite. Tests compare the code with these tables, never with itself.
namespace vantrel::test::expected {

enum class Outcome { Success, Failure, Completed };

// A report line of a port run, with its CR LF.
std::string Line(UiVariant variant, SettingKey key, Outcome outcome);
// The line a network run gives a sent setting, with its CR LF.
std::string NetworkLine(UiVariant variant, SettingKey key);
// A whole report from one letter per setting in port order: 's' success, 'f' failure,
// 'c' completed, 'n' the network line, '-' not sent (spaces are ignored).
std::string Report(UiVariant variant, std::string_view outcomes);
// A message box text by its table name ("TooWide", "NoBitmap"...).
std::string Message(UiVariant variant, const std::string& name);
// The closing box of a port run that sent nothing.
std::string EmptyPortReport(UiVariant variant);

// The number of settings the tables list.
std::size_t SettingCount();
// The setting's name as the tables write it ("CodePage"), its acknowledgement rule's name
// ("EchoValue"), and whether LPT1 and the write-only USB printer skip its read-back.
std::string Name(SettingKey key);
std::string Ack(SettingKey key);
bool Skipped(SettingKey key);
// The list or check box that decides whether the setting is sent.
int Control(SettingKey key);
// A choice setting's command for list index `index` (prefix, index - 1); empty for the others.
Bytes ChoiceCommand(SettingKey key, int index);
// The number of real items of a choice setting (those after item 0).
int ChoiceItems(SettingKey key);

// One command per setting, each list near its last item and every text ticked, with the byte
// the printer's answer is compared with where the setting has one.
struct SettingCommand {
  Bytes command;
  std::optional<std::uint8_t> reference;
};
SettingCommand Extreme(SettingKey key);
// The selection those commands are sent for.
SettingSelection ExtremeSelection();

Bytes SetupBegin();
Bytes SetupEnd();
// A direct command by its table name ("CashDrawer", "TestLine", "PrintStoredBitmapSlot7"...).
Bytes Direct(const std::string& name);

// Every option list's items in one variant, and the ids of all lists.
std::vector<std::string> Items(UiVariant variant, int controlId);
std::vector<int> ListIds();

}  // namespace vantrel::test::expected
