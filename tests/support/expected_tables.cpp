#include "tests/support/expected_tables.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "tests/support/script.h"

namespace vantrel::test::expected {
namespace {

const nlohmann::json& Tables() {
  static const nlohmann::json tables = [] {
    std::ifstream in(VANTREL_EXPECTED_TABLES);
    if (!in)
      throw std::runtime_error("cannot read " VANTREL_EXPECTED_TABLES);
    return nlohmann::json::parse(in);
  }();
  return tables;
}

const char* VariantName(UiVariant variant) {
  return variant == UiVariant::Chinese ? "Chinese" : "English";
}

const nlohmann::json& Setting(SettingKey key) {
  return Tables().at("settings").at(static_cast<std::size_t>(key));
}

const nlohmann::json& Report(UiVariant variant, SettingKey key) {
  return Tables().at("report").at(VariantName(variant)).at(Name(key));
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Success:
      return "success";
    case Outcome::Failure:
      return "failure";
    case Outcome::Completed:
      break;
  }
  return "completed";
}

}  // namespace

std::string Line(UiVariant variant, SettingKey key, Outcome outcome) {
  return Report(variant, key).at(OutcomeName(outcome)).get<std::string>() + "\r\n";
}

std::string NetworkLine(UiVariant variant, SettingKey key) {
  const nlohmann::json& lines = Report(variant, key);
  return lines.value("network", lines.at("completed").get<std::string>()) + "\r\n";
}

std::string Report(UiVariant variant, std::string_view outcomes) {
  std::string report;
  std::size_t k = 0;
  for (char c : outcomes) {
    if (c == ' ')
      continue;
    if (k >= kSettingCount)
      throw std::invalid_argument("more outcomes than settings");
    const auto key = static_cast<SettingKey>(k++);
    if (c == 'n')
      report += NetworkLine(variant, key);
    else if (c != '-')
      report += Line(variant, key,
                     c == 's'   ? Outcome::Success
                     : c == 'f' ? Outcome::Failure
                                : Outcome::Completed);
  }
  return report;
}

std::string Message(UiVariant variant, const std::string& name) {
  return Tables().at("messages").at(VariantName(variant)).at(name);
}

std::string EmptyPortReport(UiVariant variant) {
  return Tables().at("empty_port_report").at(VariantName(variant));
}

std::size_t SettingCount() {
  return Tables().at("settings").size();
}

std::string Name(SettingKey key) {
  return Setting(key).at("key");
}

std::string Ack(SettingKey key) {
  return Setting(key).at("ack");
}

int Control(SettingKey key) {
  return Setting(key).at("control");
}

bool Skipped(SettingKey key) {
  return Setting(key).at("skip");
}

Bytes ChoiceCommand(SettingKey key, int index) {
  const nlohmann::json& setting = Setting(key);
  if (!setting.contains("prefix"))
    return {};
  Bytes command = FromHex(setting.at("prefix").get<std::string>());
  command.push_back(static_cast<std::uint8_t>(index - 1));
  return command;
}

int ChoiceItems(SettingKey key) {
  return Setting(key).value("items", 0);
}

SettingCommand Extreme(SettingKey key) {
  const nlohmann::json& row =
      Tables().at("every_setting_extremes").at(static_cast<std::size_t>(key));
  SettingCommand c{FromHex(row.at("command").get<std::string>()), std::nullopt};
  const Bytes reference = FromHex(row.at("reference").get<std::string>());
  if (!reference.empty())
    c.reference = reference[0];
  return c;
}

SettingSelection ExtremeSelection() {
  SettingSelection s;
  s.language = 3;
  s.blackMarkPosition = s.font = s.blackMarkDetection = s.printDirection = 2;
  s.commandSet = s.paperSensitivity = s.printDensity = 3;
  s.codePage = 48;
  s.cutter = 3;
  s.mechanism = 1;
  s.paperOutReprint = s.carriageReturn = s.printWidth = 2;
  s.buzzer = s.printSpeed = 4;
  s.sendManufacturer = s.sendModel = true;
  s.manufacturerText = "ABCDEFGHIJKLMNOPQRST";
  s.modelText = "\xB4\xF2\xD3\xA1";
  s.targetBaud = 8;
  s.sendBluetoothName = s.sendBluetoothPassword = s.sendRadioAddress = true;
  s.bluetoothNameText = "printer-1";
  s.bluetoothPasswordText = "1234";
  s.radioAddressText = {"ab", "EF", "10", "07"};
  s.lcdBacklight = s.paperNearEnd = s.printPasses = 2;
  s.bidAdjustment = 25;
  s.charsPerLine = 3;
  s.sendStartOffset = s.sendCutOffset = true;
  s.startOffsetText = "299";
  s.cutOffsetText = "12mm";
  return s;
}

Bytes SetupBegin() {
  return FromHex(Tables().at("frame").at("SetupBegin").get<std::string>());
}

Bytes SetupEnd() {
  return FromHex(Tables().at("frame").at("SetupEnd").get<std::string>());
}

Bytes Direct(const std::string& name) {
  return FromHex(Tables().at("direct").at(name).get<std::string>());
}

std::vector<std::string> Items(UiVariant variant, int controlId) {
  const nlohmann::json& lists = Tables().at("lists");
  const std::string id = std::to_string(controlId);
  if (!lists.contains(id))
    return {};
  return lists.at(id).at(VariantName(variant));
}

std::vector<int> ListIds() {
  std::vector<int> ids;
  for (const auto& [id, _] : Tables().at("lists").items())
    ids.push_back(std::stoi(id));
  return ids;
}

}  // namespace vantrel::test::expected
