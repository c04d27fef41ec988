#include "cli/lib/run.h"

#include <algorithm>
#include <memory>

#include "bitmap/bitmap_actions.h"
#include "bitmap/bitmap_checks.h"
#include "bitmap/bitmap_prompts.h"
#include "bitmap/download_command.h"
#include "cli/lib/inputs.h"
#include "cli/lib/status.h"
#include "link/connections.h"
#include "link/socket_port.h"
#include "protocol/operations.h"
#include "protocol/set_run.h"

namespace vantrel::cli {
namespace {

// Message boxes become lines of the outcome; nothing is asked of the user.
class CollectedPrompts final : public BitmapPrompts {
 public:
  explicit CollectedPrompts(std::vector<std::string>& messages) : messages_(messages) {}
  void ShowMessage(std::string_view text) override { messages_.emplace_back(text); }
  void ShowWarning(std::string_view text) override { messages_.emplace_back(text); }
  void ReportFileError(std::string_view path, FileErrorCause cause) override {
    std::string why = "could not be read";
    if (cause == FileErrorCause::NotFound)
      why = "was not found";
    else if (cause == FileErrorCause::AccessDenied)
      why = "may not be read (access denied)";
    messages_.push_back(std::string(path) + ": the file " + why + ".");
  }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}

 private:
  std::vector<std::string>& messages_;
};

// Serves the converted image in place of the named file.
class OneFileReader final : public FileReader {
 public:
  explicit OneFileReader(const Bytes& bytes) : bytes_(bytes) {}
  FileOpenResult Open(std::string_view) override {
    return {std::make_unique<MemoryFile>(bytes_), FileErrorCause::Other};
  }

 private:
  class MemoryFile final : public ReadableFile {
   public:
    explicit MemoryFile(const Bytes& bytes) : bytes_(bytes) {}
    std::optional<std::uint64_t> Length() override { return bytes_.size(); }
    std::optional<std::size_t> Read(std::span<std::uint8_t> into) override {
      const std::size_t n = std::min(into.size(), bytes_.size() - at_);
      std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), n, into.begin());
      at_ += n;
      return n;
    }

   private:
    const Bytes& bytes_;
    std::size_t at_ = 0;
  };
  const Bytes& bytes_;
};

// What an action opened: a port (with the USB printer's read-back rule) or a network link.
struct Opened {
  std::unique_ptr<OpenPort> port;
  std::unique_ptr<NetworkLink> link;
  bool usbWriteOnly = false;
};

// Opens the request's target as the dialog does for its interface index. The device-operation
// buttons (drawer, cut, test, stored-bitmap print) open a network printer with English failure
// texts in both variants; everything else with the variant's texts.
std::optional<Opened> Open(const Request& request, const LinkContext& link,
                           bool deviceOperationButton) {
  Opened opened;
  switch (KindOfInterface(request.target.index)) {
    case ConnectionKind::Serial: {
      const std::string port = request.target.devicePath
                                   ? SerialPortOfPath(*request.target.devicePath)
                                   : "COM" + std::to_string(request.target.index + 1);
      opened.port =
          OpenSerialPort(link, port, LineChoiceForLists(request.baudIndex, request.parityIndex));
      break;
    }
    case ConnectionKind::Parallel:
      opened.port = OpenParallelPort(link);
      break;
    case ConnectionKind::Usb:
      opened.port = OpenUsbPort(link, opened.usbWriteOnly);
      break;
    case ConnectionKind::Network:
      if (request.command == Command::Status) {
        opened.port = ConnectForAnswers(link, request.target.endpoint,
                                        NetworkOpenTexts(request.variant), kNetworkAnswerBound);
        break;
      }
      opened.link = ConnectToPrinter(
          link, request.target.endpoint,
          NetworkOpenTexts(deviceOperationButton ? UiVariant::English : request.variant));
      break;
  }
  if (!opened.port && !opened.link)
    return std::nullopt;
  return opened;
}

// The download's own checks, before anything is opened: the file loads and can be printed.
bool ImageIsPrintable(const Request& request, FileReader& files, CollectedPrompts& prompts) {
  CDib dib;
  if (dib.LoadFile(request.imagePath, files, prompts, request.variant) != DibLoad::Loaded)
    return false;
  if (const auto refusal = CheckPrintable(dib.InfoHeader())) {
    prompts.ShowMessage(DownloadRefusalMessage(request.variant, *refusal));
    return false;
  }
  return BuildDownloadCommand(dib, request.slot).has_value();
}

ExitStatus RunDownload(const Request& request, System& system, FileReader& files,
                       CollectedPrompts& prompts) {
  std::unique_ptr<FileReader> converted;
  if (request.convertedImage)
    converted = std::make_unique<OneFileReader>(*request.convertedImage);
  FileReader& source = converted ? *converted : files;
  if (!ImageIsPrintable(request, source, prompts))
    return ExitStatus::BadFile;
  const LinkContext link{request.variant, prompts, system};
  bool openFailed = false;
  bool delivered = false;
  CDib dib;
  DownloadBitmap(
      DownloadContext{request.variant, prompts, system, source}, dib, request.imagePath,
      request.slot,
      [&]() -> std::optional<DownloadTarget> {
        std::optional<Opened> opened = Open(request, link, false);
        if (!opened) {
          openFailed = true;
          return std::nullopt;
        }
        return DownloadTarget{std::move(opened->port), std::move(opened->link)};
      },
      &delivered);
  if (openFailed)
    return ExitStatus::OpenFailed;
  return delivered ? ExitStatus::Ok : ExitStatus::SettingFailed;
}

DeviceOperation OperationOf(Command command) {
  switch (command) {
    case Command::PrintBitmap:
      return DeviceOperation::PrintStoredBitmap;
    case Command::Drawer:
      return DeviceOperation::OpenCashDrawer;
    case Command::Cut:
      return DeviceOperation::Cut;
    default:
      return DeviceOperation::PrintTestLine;
  }
}

FixedCommand FixedCommandOf(Command command) {
  switch (command) {
    case Command::BidTest:
      return FixedCommand::BidTest;
    case Command::FeedNext:
      return FixedCommand::FeedToNextPosition;
    default:
      return FixedCommand::FeedToCutPosition;
  }
}

}  // namespace

std::vector<std::string> MessageLines(const std::string& message) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < message.size()) {
    std::size_t end = message.find("\r\n", start);
    if (end == std::string::npos)
      end = message.size();
    lines.push_back(message.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

namespace {

// A device operation or a fixed command, over the opened link or port; whether it was sent.
bool SendCommand(const Request& request, const RunContext& run, Opened& opened) {
  if (request.command == Command::BidTest || request.command == Command::FeedNext ||
      request.command == Command::FeedCut) {
    return opened.link
               ? RunFixedCommandOverNetwork(run, std::move(opened.link),
                                            FixedCommandOf(request.command))
               : RunFixedCommand(run, std::move(opened.port), FixedCommandOf(request.command));
  }
  return opened.link ? RunDirectOperationOverNetwork(run, std::move(opened.link),
                                                     OperationOf(request.command), request.slot)
                     : RunDirectOperation(run, std::move(opened.port), OperationOf(request.command),
                                          request.slot);
}

}  // namespace

Outcome Execute(const Request& request, System& system, FileReader& files) {
  Outcome outcome;
  CollectedPrompts prompts(outcome.messages);
  if (request.command == Command::Download) {
    outcome.status = RunDownload(request, system, files, prompts);
    return outcome;
  }
  const LinkContext link{request.variant, prompts, system};
  const RunContext run{request.variant, prompts, system};
  const bool deviceOperation = request.command == Command::PrintBitmap ||
                               request.command == Command::Drawer ||
                               request.command == Command::Cut || request.command == Command::Test;
  if (request.command == Command::Set && RefuseUnsendableSelection(run, request.selection)) {
    outcome.status = ExitStatus::BadUsage;
    return outcome;
  }
  std::optional<Opened> opened = Open(request, link, deviceOperation);
  if (!opened) {
    outcome.status = ExitStatus::OpenFailed;
    return outcome;
  }
  switch (request.command) {
    case Command::Set: {
      const SetupReport report =
          opened->link ? RunSetOverNetwork(run, std::move(opened->link), request.selection)
                       : RunSetOverPort(run, std::move(opened->port), request.selection,
                                        request.target.index, opened->usbWriteOnly);
      outcome.settings = report.Results();
      if (report.AnyFailed())
        outcome.status = ExitStatus::SettingFailed;
      break;
    }
    case Command::PrintBitmap:
    case Command::Drawer:
    case Command::Cut:
    case Command::Test:
    case Command::BidTest:
    case Command::FeedNext:
    case Command::FeedCut:
      if (!SendCommand(request, run, *opened))
        outcome.status = ExitStatus::SettingFailed;
      break;
    case Command::Status:
      AskStatus(std::move(opened->port), request.target.index, opened->usbWriteOnly, system,
                outcome);
      break;
    case Command::Download:
      break;
  }
  return outcome;
}

}  // namespace vantrel::cli
