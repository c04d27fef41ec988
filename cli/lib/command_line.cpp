#include "cli/lib/command_line.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <map>
#include <ostream>
#include <sstream>
#include <utility>

#include "bitmap/download_command.h"
#include "cli/completion/bash_completion.h"
#include "cli/lib/completion_words.h"
#include "cli/lib/exit_status.h"
#include "cli/lib/exporter_command.h"
#include "cli/lib/fleet.h"
#include "cli/lib/image.h"
#include "cli/lib/open_hint.h"
#include "cli/lib/progress.h"
#include "cli/lib/recording_system.h"
#include "cli/lib/run.h"
#include "cli/lib/status.h"
#include "link/baud_rates.h"
#include "link/printer_connection.h"

#ifndef VANTREL_VERSION
#define VANTREL_VERSION "unknown"
#endif

namespace vantrel::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kPosixFooter = R"(Interfaces (--interface):
  COM1 ... COM10   serial ports /dev/ttyS0 ... /dev/ttyS9
  LPT1             the parallel port /dev/lp0
  USB              the USB printer found by vendor and product (see list-usb)
  Ethernet         the dialog's printer address 192.168.1.114:9100
  /dev/PATH        a serial line by path (a printer node /dev/usb/lpN or /dev/lpN is opened
                   like the parallel port)
  HOST[:PORT]      a network printer (port 9100 unless given)

Examples:
  vantrel settings
  vantrel set -i /dev/ttyUSB0 --baud 115200 --language english --code-page cp437
  vantrel set -i 192.168.1.50 --profile store.json --dry-run
  vantrel download logo.png --slot 1 -i COM2
  vantrel print-bitmap --slot 1 -i USB
  vantrel set --hosts store-printers.txt --profile store.json --json
  vantrel status -i 192.168.1.50 --json
  vantrel cut -i 127.0.0.1:9100 --lang zh

Exit status: 0 done, 1 a setting failed, 2 bad usage or value, 3 unusable file,
4 the connection could not be opened (fleet mode: the highest of all printers).
status: 0 ready, 5 paper near its end, 6 needs a person (paper out, cover open, error,
offline), 7 no answer, 4 not opened. discover: 0 printers found, 8 none.)";

constexpr std::string_view kWindowsFooter = R"(Interfaces (--interface):
  COM1 ... COM10   serial ports
  LPT1             the parallel port
  USB              the USB printer found by vendor and product (see list-usb)
  Ethernet         the dialog's printer address 192.168.1.114:9100
  HOST[:PORT]      a network printer (port 9100 unless given)

Examples:
  vantrel-cli settings
  vantrel-cli set -i COM3 --baud 115200 --language english --code-page cp437
  vantrel-cli set -i 192.168.1.50 --profile store.json --dry-run
  vantrel-cli download logo.png --slot 1 -i COM2
  vantrel-cli print-bitmap --slot 1 -i USB
  vantrel-cli set --hosts store-printers.txt --profile store.json --json
  vantrel-cli status -i 192.168.1.50 --json
  vantrel-cli cut -i 127.0.0.1:9100 --lang zh

Exit status: 0 done, 1 a setting failed, 2 bad usage or value, 3 unusable file,
4 the connection could not be opened (fleet mode: the highest of all printers).
status: 0 ready, 5 paper near its end, 6 needs a person (paper out, cover open, error,
offline), 7 no answer, 4 not opened. discover: 0 printers found, 8 none.)";

struct Options {
  std::string interface = "COM1";
  std::string baud = "9600";
  std::string parity = "none";
  std::string lang;
  bool json = false;
  bool dryRun = false;
  double connectTimeout = 10.0;
  std::string hostsFile;
  double deadline = 120.0;
  std::string profile;
  int slot = 1;
  std::string file;
  bool dither = false;
  std::map<std::string, std::string> settings;
};

// JSON text in which bytes that are not UTF-8 (a Latin-1 file name, a device path of any bytes)
// show as U+FFFD instead of ending the program.
std::string Dump(const nlohmann::json& json) {
  return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

struct Failure {
  ExitStatus status;
  std::string message;
};

// The most each input file may hold: a profile or a hosts file is text of a few kilobytes; an
// image is refused before its pixels are decoded beyond the decoder's own pixel limit.
constexpr std::uint64_t kProfileCap = 1 << 20;
constexpr std::uint64_t kHostsCap = 4 << 20;
constexpr std::uint64_t kImageCap = 64 << 20;

// A regular file's bytes, read through the platform's reader (UTF-8 paths on every system), or
// why not: nothing more than `cap` bytes is read.
std::variant<Bytes, std::string> ReadCappedFile(FileReader& files, const std::string& path,
                                                std::uint64_t cap) {
  FileOpenResult opened = files.Open(path);
  if (!opened.file) {
    switch (opened.cause) {
      case FileErrorCause::NotFound:
        return std::string("it was not found");
      case FileErrorCause::AccessDenied:
        return std::string("it may not be read (access denied)");
      case FileErrorCause::NotAFile:
        return std::string("it is not a regular file");
      default:
        return std::string("it could not be opened");
    }
  }
  const std::string tooLarge = "it is larger than " + std::to_string(cap) + " bytes";
  if (const std::optional<std::uint64_t> length = opened.file->Length(); length && *length > cap)
    return tooLarge;
  Bytes bytes;
  std::uint8_t chunk[65536];
  while (true) {
    const std::optional<std::size_t> n = opened.file->Read(chunk);
    if (!n)
      return std::string("a read failed");
    bytes.insert(bytes.end(), chunk, chunk + *n);
    if (bytes.size() > cap)
      return tooLarge;  // it grew while read
    if (*n < sizeof chunk)
      return bytes;
  }
}

std::variant<std::string, std::string> ReadTextFile(FileReader& files, const std::string& path,
                                                    std::uint64_t cap) {
  auto read = ReadCappedFile(files, path, cap);
  if (auto* why = std::get_if<std::string>(&read))
    return std::variant<std::string, std::string>(std::in_place_index<1>, *why);
  const Bytes& bytes = std::get<Bytes>(read);
  return std::variant<std::string, std::string>(std::in_place_index<0>, bytes.begin(), bytes.end());
}

UiVariant ChooseVariant(const Options& options, const Machine& machine) {
  if (options.lang == "zh")
    return UiVariant::Chinese;
  if (options.lang == "en")
    return UiVariant::English;
  if (machine.languageId)
    return ChooseUiVariant(machine.languageId());
  return ChooseUiVariant(LanguageIdOfLocale(EffectiveLocale(machine.getenv)));
}

// The settings of set: the profile's, and the command line's over them.
std::optional<Failure> ChooseSettings(const Options& options, Machine& machine, Request& request) {
  std::map<std::string, std::string> values;
  if (!options.profile.empty()) {
    const auto text = ReadTextFile(machine.files, options.profile, kProfileCap);
    if (text.index() == 1) {
      return Failure{ExitStatus::BadFile,
                     options.profile + ": the profile could not be read: " + std::get<1>(text)};
    }
    const std::optional<std::string> utf8 = TextAsUtf8(std::get<0>(text));
    if (!utf8)
      return Failure{ExitStatus::BadFile, options.profile + ": " + std::string(kNotUtf8Text)};
    auto parsed = ParseProfile(*utf8);
    if (auto* message = std::get_if<std::string>(&parsed))
      return Failure{ExitStatus::BadFile, options.profile + ": " + *message};
    values = std::get<0>(parsed);
  }
  for (const auto& [name, value] : options.settings)
    values[name] = value;  // the command line wins over the profile
  const UiVariant variant = request.variant;
  const TextEncoder encode = [&](std::string_view text) { return machine.encode(text, variant); };
  if (auto problem = ApplySettingValues(values, variant, encode, request.selection))
    return Failure{ExitStatus::BadUsage, *problem};
  return std::nullopt;
}

// The image of download, read and converted once.
std::optional<Failure> LoadImage(const Options& options, Machine& machine, Request& request) {
  request.imagePath = options.file;
  auto read = ReadCappedFile(machine.files, options.file, kImageCap);
  if (auto* why = std::get_if<std::string>(&read)) {
    return Failure{ExitStatus::BadFile,
                   options.file + ": the file is missing or cannot be read: " + *why};
  }
  const Bytes& bytes = std::get<Bytes>(read);
  if (!IsBmpFile(bytes) || options.dither) {
    auto decoded = DecodeImage(bytes);
    if (auto* message = std::get_if<std::string>(&decoded))
      return Failure{ExitStatus::BadFile, options.file + ": " + *message};
    const GreyImage fitted = FitWidth(std::get<GreyImage>(std::move(decoded)), kMaxBitmapWidth);
    if (fitted.height > kMaxBitmapHeight) {
      return Failure{ExitStatus::BadFile, options.file + ": taller than " +
                                              std::to_string(kMaxBitmapHeight) +
                                              " dots once scaled to the paper"};
    }
    request.convertedImage = std::make_shared<const Bytes>(DitherToBmp(fitted));
  } else {
    // Read once: the run (every printer's, in a fleet) takes these bytes, not the file again.
    request.convertedImage = std::make_shared<const Bytes>(bytes);
  }
  return std::nullopt;
}

// Everything a request needs that does not depend on the printer; the first problem found.
std::variant<Request, Failure> BuildRequest(Command command, const Options& options,
                                            Machine& machine) {
  Request request;
  request.command = command;
  request.variant = ChooseVariant(options, machine);
  auto target = ParseInterface(options.interface, machine.resolve);
  if (auto* message = std::get_if<std::string>(&target))
    return Failure{ExitStatus::BadUsage, *message};
  request.target = std::get<InterfaceChoice>(target);
  const auto baud = BaudIndexOf(options.baud);
  if (!baud) {
    return Failure{ExitStatus::BadUsage,
                   "--baud: \"" + options.baud + "\" is not one of " + BaudRateList(" ")};
  }
  request.baudIndex = *baud;
  const auto parity = ParityIndexOf(options.parity);
  if (!parity)
    return Failure{ExitStatus::BadUsage,
                   "--parity: \"" + options.parity + "\" is not none, odd or even"};
  request.parityIndex = *parity;
  if (options.slot < 1 || options.slot > 8) {
    return Failure{ExitStatus::BadUsage,
                   "--slot: " + std::to_string(options.slot) + " is not a slot; slots are 1 to 8"};
  }
  request.slot = options.slot - 1;

  if (command == Command::Set) {
    if (std::optional<Failure> failure = ChooseSettings(options, machine, request))
      return std::move(*failure);
  }
  if (command == Command::Download) {
    if (std::optional<Failure> failure = LoadImage(options, machine, request))
      return std::move(*failure);
  }
  return request;
}

std::string Label(const Request& request) {
  if (request.target.index == kNetworkInterface) {
    return request.target.endpoint.AddressText() + ":" +
           std::to_string(request.target.endpoint.port);
  }
  return request.target.devicePath.value_or(request.target.label);
}

LinkSetup SetupFor(const Request& request, const Options& options) {
  LinkSetup setup;
  if (request.target.devicePath && request.target.index == kParallelInterface)
    setup.parallelPath = request.target.devicePath;
  if (options.connectTimeout > 0)
    setup.connectTimeout =
        std::max(std::chrono::milliseconds(1),
                 std::chrono::milliseconds(static_cast<long long>(options.connectTimeout * 1000)));
  return setup;
}

struct Result {
  std::string label;
  Outcome outcome;
  std::vector<std::string> writes;       // dry run
  std::optional<FailedOpen> failedOpen;  // why the device did not open, when the system knows
};

Result RunOne(const Request& request, const Options& options, Machine& machine, bool showProgress) {
  Result result{Label(request), {}, {}, {}};
  if (options.dryRun) {
    DryRunSystem system;
    // Only the bytes and the chosen settings count: nothing answers a dry run, so its report
    // would say nothing true.
    const Outcome ran = Execute(request, system, machine.files);
    result.outcome.status = ran.status;
    result.outcome.settings = ran.settings;
    if (result.outcome.status == ExitStatus::SettingFailed ||
        result.outcome.status == ExitStatus::NoAnswer)
      result.outcome.status = ExitStatus::Ok;
    result.writes = system.Lines();
    return result;
  }
  LinkSetup setup = SetupFor(request, options);
  Clock::time_point start{};
  bool drawn = false;
  if (showProgress) {
    setup.progress = [&](std::size_t done, std::size_t total) {
      if (!drawn)
        start = Clock::now();
      drawn = true;
      const auto elapsed =
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
      machine.err << "\r" << ProgressLine(done, total, elapsed) << std::flush;
    };
  }
  const std::unique_ptr<System> system = machine.makeSystem(setup);
  result.outcome = Execute(request, *system, machine.files);
  if (result.outcome.status == ExitStatus::OpenFailed)
    result.failedOpen = system->LastFailedOpen();
  if (drawn)
    machine.err << "\n";
  return result;
}

std::string_view OutcomeName(SettingOutcome outcome) {
  switch (outcome) {
    case SettingOutcome::Succeeded:
      return "succeeded";
    case SettingOutcome::Failed:
      return "failed";
    case SettingOutcome::Completed:
      break;
  }
  return "completed";
}

// One entry per sent setting, in the order sent. A dry run sends the same commands, but nothing
// answers it, so it says no more than that each was chosen.
nlohmann::json SettingsJson(const std::vector<SettingResult>& results, bool dryRun) {
  nlohmann::json settings = nlohmann::json::array();
  for (const SettingResult& result : results) {
    nlohmann::json entry{{"option", OptionNameOf(result.key)}, {"key", KeyName(result.key)}};
    if (dryRun) {
      entry["outcome"] = "dry-run";
    } else {
      std::string_view line = result.line;
      if (line.ends_with("\r\n"))
        line.remove_suffix(2);
      entry["outcome"] = OutcomeName(result.outcome);
      entry["line"] = line;
    }
    settings.push_back(std::move(entry));
  }
  return settings;
}

nlohmann::json ResultJson(const Result& result, bool dryRun) {
  nlohmann::json lines = nlohmann::json::array();
  for (const std::string& message : result.outcome.messages) {
    for (const std::string& line : MessageLines(message))
      lines.push_back(line);
  }
  nlohmann::json json{{"target", result.label},
                      {"status", static_cast<int>(result.outcome.status)},
                      {"ok", result.outcome.status == ExitStatus::Ok},
                      {"messages", result.outcome.messages},
                      {"lines", lines},
                      {"settings", SettingsJson(result.outcome.settings, dryRun)}};
  if (dryRun)
    json["writes"] = result.writes;
  if (result.outcome.printerStatus)
    AddStatusJson(json, *result.outcome.printerStatus);
  return json;
}

void PrintResult(const Result& result, const Request& request, const Options& options,
                 Machine& machine) {
  for (const std::string& write : result.writes)
    machine.out << write << "\n";
  // A run that could not start (an unusable file, a connection that did not open) says why on
  // the error stream; a report, even one with failed settings, is the program's output.
  const bool stopped = result.outcome.status == ExitStatus::OpenFailed ||
                       result.outcome.status == ExitStatus::BadFile ||
                       result.outcome.status == ExitStatus::BadUsage;
  std::ostream& stream = stopped ? machine.err : machine.out;
  for (const std::string& message : result.outcome.messages) {
    for (const std::string& line : MessageLines(message))
      stream << line << "\n";
  }
  const std::string openHint =
      result.failedOpen ? OpenFailureHint(*result.failedOpen, request.target.index) : "";
  if (!openHint.empty()) {
    machine.err << "vantrel: " << openHint << "\n";
  } else if (result.outcome.status == ExitStatus::OpenFailed &&
             request.target.index == kUsbInterface && !options.dryRun && machine.listUsb) {
    const std::string hint = UsbOpenHint(machine.listUsb(), machine.platform);
    if (!hint.empty())
      machine.err << "vantrel: " << hint << "\n";
  }
}

std::string_view EndName(FleetEnd end) {
  switch (end) {
    case FleetEnd::Finished:
      return "finished";
    case FleetEnd::Unfinished:
      return "unfinished";
    case FleetEnd::NotRun:
      break;
  }
  return "not-run";
}

// The hosts of the hosts file, or the exit status once the error is told.
std::variant<std::vector<std::string>, int> ReadHosts(const Options& options, Machine& machine) {
  const auto text = ReadTextFile(machine.files, options.hostsFile, kHostsCap);
  if (text.index() == 1) {
    machine.err << "vantrel: " << options.hostsFile
                << ": the hosts file could not be read: " << std::get<1>(text) << "\n";
    return static_cast<int>(ExitStatus::BadFile);
  }
  const std::optional<std::string> utf8 = TextAsUtf8(std::get<0>(text));
  if (!utf8) {
    machine.err << "vantrel: " << options.hostsFile << ": " << kNotUtf8Text << "\n";
    return static_cast<int>(ExitStatus::BadFile);
  }
  std::vector<std::string> hosts = ParseHostsList(*utf8);
  if (hosts.empty()) {
    machine.err << "vantrel: " << options.hostsFile << ": no hosts in it\n";
    return static_cast<int>(ExitStatus::BadUsage);
  }
  return hosts;
}

// The fleet's reports, one after the other or as one JSON document; the worst status.
int PrintFleet(const std::vector<Result>& results, const std::vector<Request>& requests,
               const std::vector<FleetEnd>& ends, const Options& options, Machine& machine) {
  ExitStatus worst = ExitStatus::Ok;
  nlohmann::json all = nlohmann::json::array();
  for (std::size_t i = 0; i < results.size(); ++i) {
    worst = Worst(worst, results[i].outcome.status);
    if (options.json) {
      nlohmann::json entry = ResultJson(results[i], options.dryRun);
      entry["end"] = EndName(ends[i]);
      all.push_back(std::move(entry));
      continue;
    }
    machine.out << "== " << results[i].label << " ==\n";
    PrintResult(results[i], requests[i], options, machine);
  }
  if (options.json)
    machine.out << Dump(nlohmann::json{{"status", static_cast<int>(worst)}, {"printers", all}})
                << "\n";
  return static_cast<int>(worst);
}

// Fleet mode: one request, built once (profile read, image decoded), sent to every host.
int RunFleetMode(Command command, const Options& options, Machine& machine) {
  const auto read = ReadHosts(options, machine);
  if (const int* status = std::get_if<int>(&read))
    return *status;
  const std::vector<std::string>& hosts = std::get<0>(read);
  Options first = options;
  first.interface = hosts.front();
  auto built = BuildRequest(command, first, machine);
  if (auto* failure = std::get_if<Failure>(&built)) {
    machine.err << "vantrel: " << failure->message << "\n";
    return static_cast<int>(failure->status);
  }
  const Request& common = std::get<Request>(built);
  std::vector<Request> requests;
  requests.reserve(hosts.size());
  for (const std::string& host : hosts) {
    auto target = ParseInterface(host, machine.resolve);
    auto* choice = std::get_if<InterfaceChoice>(&target);
    if (!choice || choice->index != kNetworkInterface) {
      machine.err << "vantrel: " << options.hostsFile << ": \"" << host
                  << "\" is not a network printer (host[:port])\n";
      return static_cast<int>(ExitStatus::BadUsage);
    }
    Request request = common;
    request.target = std::move(*choice);
    requests.push_back(std::move(request));
  }

  std::vector<Result> results;
  std::vector<FleetEnd> ends(requests.size(), FleetEnd::Finished);
  if (options.dryRun) {
    for (const Request& request : requests)
      results.push_back(RunOne(request, options, machine, false));
  } else {
    const LinkSetup setup = SetupFor(common, options);
    FleetLimits limits;
    limits.deadline = std::chrono::milliseconds(static_cast<long long>(options.deadline * 1000));
    std::vector<FleetResult> ran = RunFleet(
        requests, [&machine, setup] { return machine.makeSystem(setup); }, limits);
    for (std::size_t i = 0; i < ran.size(); ++i) {
      ends[i] = ran[i].end;
      results.push_back({Label(requests[i]), std::move(ran[i].outcome), {}, ran[i].failedOpen});
    }
  }

  return PrintFleet(results, requests, ends, options, machine);
}

int RunDevice(Command command, Options& options, Machine& machine) {
  if (!options.hostsFile.empty())
    return RunFleetMode(command, options, machine);

  auto built = BuildRequest(command, options, machine);
  if (auto* failure = std::get_if<Failure>(&built)) {
    if (options.json) {
      machine.out << Dump(nlohmann::json{{"status", static_cast<int>(failure->status)},
                                         {"ok", false},
                                         {"error", failure->message},
                                         {"settings", nlohmann::json::array()}})
                  << "\n";
    }
    machine.err << "vantrel: " << failure->message << "\n";
    return static_cast<int>(failure->status);
  }
  const Request& request = std::get<Request>(built);
  const bool progress = command == Command::Download && machine.errorIsTerminal && !options.json;
  const Result result = RunOne(request, options, machine, progress);
  if (options.json)
    machine.out << Dump(ResultJson(result, options.dryRun)) << "\n";
  else
    PrintResult(result, request, options, machine);
  return static_cast<int>(result.outcome.status);
}

std::string NearestOptionHint(const CLI::App& app, const std::vector<std::string>& extras) {
  std::vector<std::string> names;
  const CLI::App* scope = &app;
  for (const CLI::App* sub : app.get_subcommands())
    scope = sub;
  for (const CLI::App* level : {&app, scope}) {
    for (const CLI::Option* option : level->get_options()) {
      for (const std::string& name : option->get_lnames())
        names.push_back("--" + name);
    }
  }
  std::string hint;
  for (const std::string& extra : extras) {
    if (!extra.starts_with("--"))
      continue;
    const std::string wanted = extra.substr(0, extra.find('='));
    const std::vector<std::string> nearest = NearestNames(names, wanted);
    if (nearest.empty())
      continue;
    hint += "vantrel: unknown option " + wanted + "; nearest:";
    for (const std::string& name : nearest)
      hint += " " + name;
    hint += "\n";
    break;  // one error line
  }
  return hint;
}

// The arguments no command took: those of the first command (the tool, then its chosen command)
// left with any, as CLI11 would refuse them.
std::vector<std::string> UnexpectedArguments(const CLI::App& app) {
  if (app.remaining_size() > 0)
    return app.remaining();
  for (const CLI::App* sub :
       app.get_subcommands([](const CLI::App* s) { return s->count() > 0; })) {
    if (std::vector<std::string> extras = UnexpectedArguments(*sub); !extras.empty())
      return extras;
  }
  return {};
}

// The error for unexpected arguments: the nearest option to one of them, else CLI11's own words.
// The candidates are taken last first and word by word, as CLI11's message lists them.
std::string UnexpectedArgumentsError(const CLI::App& app, const std::vector<std::string>& extras) {
  std::vector<std::string> words;
  for (auto extra = extras.rbegin(); extra != extras.rend(); ++extra) {
    std::istringstream split(*extra);
    for (std::string word; split >> word;)
      words.push_back(word);
  }
  const std::string hint = NearestOptionHint(app, words);
  return hint.empty() ? "vantrel: " + std::string(CLI::ExtrasError(extras).what()) + "\n" : hint;
}

// The tool's commands as CLI11 reads them, and where each puts what it read.
struct CommandLine {
  explicit CommandLine(bool windows)
      : app{"Configure receipt printers: settings, stored bitmaps and device commands.",
            windows ? "vantrel-cli" : "vantrel"} {}

  Options options;
  CLI::App app;
  std::map<std::string, Command> devices;
  DiscoverOptions discoverOptions;
  ExporterOptions exporterOptions;
  bool settingsJson = false;
  CLI::App* discover = nullptr;
  CLI::App* listUsb = nullptr;
  CLI::App* settings = nullptr;
  CLI::App* exporter = nullptr;
};

// Connection and output options, taken before or after the command.
void AddCommonOptions(CLI::App& command, Options& options, bool windows) {
  command
      .add_option("-i,--interface", options.interface,
                  windows ? "COMn, \\\\.\\COMn, LPT1, USB, Ethernet or HOST[:PORT]"
                          : "COMn, LPT1, USB, Ethernet, a device path or HOST[:PORT]")
      ->capture_default_str()
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  command.add_option("--baud", options.baud, "the current serial line's rate")
      ->capture_default_str()
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  command.add_option("--parity", options.parity, "none, odd or even")
      ->capture_default_str()
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  command
      .add_option("--lang", options.lang,
                  windows ? "texts in zh or en (default: from the Windows language)"
                          : "texts in zh or en (default: from the locale)")
      ->check(CLI::IsMember({"zh", "en"}))
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  command.add_flag("--json", options.json, "print the outcome as JSON");
  command.add_flag("--dry-run", options.dryRun, "print the bytes in hex; open nothing");
  command
      .add_option("--connect-timeout", options.connectTimeout,
                  "seconds to wait for a network printer, 0 to 600 (0: as long as the system "
                  "does)")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 600.0));
  command.add_option("--hosts", options.hostsFile,
                     "fleet mode: a file of HOST[:PORT] lines, all configured in parallel");
  command
      .add_option("--deadline", options.deadline,
                  "fleet mode: seconds each printer may take, 1 to 86400; the reports of the "
                  "printers that finished are printed when one did not")
      ->capture_default_str()
      ->check(CLI::Range(1.0, 86400.0));
}

// The commands that talk to a printer, in the order the help lists them.
void AddDeviceCommands(CommandLine& line, bool windows) {
  Options& options = line.options;
  auto device = [&](const char* name, Command command, const char* help) -> CLI::App& {
    CLI::App* sub = line.app.add_subcommand(name, help);
    AddCommonOptions(*sub, options, windows);
    line.devices[name] = command;
    return *sub;
  };
  CLI::App& set = device("set", Command::Set, "send the chosen settings and report each");
  set.add_option("--profile", options.profile, "a JSON file of settings (option names as keys)");
  for (const SettingOption& option : SettingOptions()) {
    set.add_option(
           "--" + std::string(option.name),
           [&options, name = std::string(option.name)](const CLI::results_t& values) {
             options.settings[name] = values.back();
             return true;
           },
           std::string(option.help))
        ->type_name("VALUE");
  }
  CLI::App& download = device("download", Command::Download,
                              "store an image (BMP, PNG, JPEG, GIF) in a slot of the printer");
  download
      .add_option("file", options.file,
                  "the image: PNG, JPEG, GIF (its first picture) or BMP; no other format is read")
      ->required();
  download.add_option("--slot", options.slot, "slot 1 to 8")->required();
  download.add_flag("--dither", options.dither,
                    "convert even a BMP (scaled to 576 dots, dithered to two colours)");
  CLI::App& print =
      device("print-bitmap", Command::PrintBitmap, "print the bitmap stored in a slot");
  print.add_option("--slot", options.slot, "slot 1 to 8")->required();
  device("drawer", Command::Drawer, "open the cash drawer");
  device("cut", Command::Cut, "cut the paper");
  device("test", Command::Test, "print the test line");
  device("bid-test", Command::BidTest, "print the bidirectional alignment test");
  device("feed-next", Command::FeedNext, "feed to the next print start and print");
  device("feed-cut", Command::FeedCut, "print and feed to the cut/tear position");
  device("status", Command::Status,
         "ask the printer's state: ready (exit 0), paper near its end (5), needs a person (6), "
         "no answer (7)");
}

void BuildCommandLine(CommandLine& line, bool windows) {
  CLI::App& app = line.app;
  app.set_version_flag("--version", std::string("vantrel ") + VANTREL_VERSION);
  app.footer(std::string(windows ? kWindowsFooter : kPosixFooter));
  app.require_subcommand(1);
  // Options start with '-' on every system: on Windows "/path" is a file, not an option.
  app.allow_windows_style_options(false);
  // Arguments no command takes are left in remaining() (every command inherits this) and
  // refused after the parse, with the nearest option when there is one.
  app.allow_extras();
  AddDeviceCommands(line, windows);
  line.discover = AddDiscoverCommand(app, line.discoverOptions);
  line.listUsb = app.add_subcommand("list-usb", "list USB devices and the printers among them");
  line.settings =
      app.add_subcommand("settings", "list every setting with its values in both languages");
  line.settings->add_flag("--json", line.settingsJson, "as JSON");
  line.exporter = AddExporterCommand(app, line.exporterOptions);
}

int RunSettings(bool json, Machine& machine) {
  if (!json) {
    machine.out << DescribeSettings();
    return 0;
  }
  nlohmann::json all = nlohmann::json::array();
  for (const SettingOption& option : SettingOptions()) {
    nlohmann::json values = nlohmann::json::array();
    for (const ListItem& item : ListItems(option)) {
      values.push_back({{"index", item.index},
                        {"en", item.english},
                        {"zh", item.chinese},
                        {"short", item.shortNames}});
    }
    all.push_back({{"name", option.name}, {"help", option.help}, {"values", values}});
  }
  machine.out << Dump(all) << "\n";
  return 0;
}

// The command that was parsed, run.
int RunParsed(CommandLine& line, Machine& machine) {
  if (line.discover->parsed())
    return RunDiscover(line.discoverOptions, machine);
  if (line.listUsb->parsed()) {
    const auto devices = machine.listUsb ? machine.listUsb() : std::nullopt;
    machine.out << DescribeUsbDevices(devices, machine.platform);
    return static_cast<int>(devices ? ExitStatus::Ok : ExitStatus::OpenFailed);
  }
  if (line.exporter->parsed())
    return RunExporter(line.exporterOptions, machine);
  if (line.settings->parsed())
    return RunSettings(line.settingsJson, machine);
  for (const auto& [name, command] : line.devices) {
    if (line.app.got_subcommand(name))
      return RunDevice(command, line.options, machine);
  }
  return static_cast<int>(ExitStatus::BadUsage);
}

}  // namespace

static int RunCommandLineUnguarded(const std::vector<std::string>& arguments, Machine& machine) {
  const bool windows = machine.platform == Platform::Windows;
  CommandLine line(windows);
  BuildCommandLine(line, windows);
  CLI::App& app = line.app;

  // The shell's completion, from this very table (the package installs what it prints).
  if (arguments.size() == 1 && arguments[0] == completion::kCompletionSwitch) {
    machine.out << completion::BashCompletion(app, [](const CLI::App&, const CLI::Option& option) {
      return option.get_lnames().empty() ? std::optional<std::vector<std::string>>{}
                                         : CompletionValues(option.get_lnames().front());
    });
    return 0;
  }

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, machine.out, machine.err);
    return status == 0 ? 0 : static_cast<int>(ExitStatus::BadUsage);
  }
  if (const std::vector<std::string> extras = UnexpectedArguments(app); !extras.empty()) {
    machine.err << UnexpectedArgumentsError(app, extras);
    return static_cast<int>(ExitStatus::BadUsage);
  }
  return RunParsed(line, machine);
}

int RunCommandLine(const std::vector<std::string>& arguments, Machine& machine) {
  try {
    return RunCommandLineUnguarded(arguments, machine);
  } catch (const std::exception& error) {
    machine.err << "vantrel: " << error.what() << "\n";
  } catch (...) {
    machine.err << "vantrel: an unexpected error ended the run\n";
  }
  return static_cast<int>(ExitStatus::BadUsage);
}

}  // namespace vantrel::cli
