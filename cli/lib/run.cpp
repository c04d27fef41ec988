#include "cli/lib/run.h"

#include <algorithm>
#include <memory>
#include <set>

#include "bitmap/bitmap_actions.h"
#include "bitmap/bitmap_checks.h"
#include "bitmap/download_command.h"
#include "cli/lib/recording_system.h"
#include "link/connections.h"
#include "link/download_opener.h"
#include "link/operation_buttons.h"
#include "protocol/report_texts.h"
#include "protocol/set_run.h"
#include "ui/control_ids.h"

namespace vantrel::cli {
namespace {

// The options of a request, read by the core's handlers where the dialog's read its controls.
class RequestControls final : public DialogControls {
 public:
  explicit RequestControls(const Request& request) : request_(request) {}
  int GetSelection(int id) override {
    switch (id) {
      case ctl::kInterface:
        return request_.target.index;
      case ctl::kCurrentBaud:
        return request_.baudIndex;
      case ctl::kCurrentParity:
        return request_.parityIndex;
      case ctl::kBitmapSlot:
        return request_.slot;
      default:
        return 0;
    }
  }
  void SetSelection(int, int) override {}
  bool IsChecked(int) override { return false; }
  void SetChecked(int, bool) override {}
  std::string GetText(int id) override {
    return id == ctl::kNetworkPort ? std::to_string(request_.target.endpoint.port) : "";
  }
  void SetText(int, std::string_view) override {}
  bool IsEnabled(int) override { return true; }
  void Enable(int, bool) override {}
  std::array<std::uint8_t, 4> GetIpAddress(int) override {
    return request_.target.endpoint.address;
  }
  void SetIpAddress(int, std::uint32_t) override {}
  void SetDroppedWidth(int, int) override {}

 private:
  const Request& request_;
};

// Message boxes become lines of the outcome; nothing is asked of the user.
class CollectedPrompts final : public UserPrompts {
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
    fileError_ = true;
  }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  std::optional<std::vector<std::string>> ChooseFiles(const FileDialogRequest&) override {
    return std::nullopt;
  }
  bool DrawPreview(std::string_view, int) override { return false; }
  bool FileErrorSeen() const { return fileError_; }

 private:
  std::vector<std::string>& messages_;
  bool fileError_ = false;
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

bool AnySettingFailed(const std::string& report, UiVariant variant) {
  std::set<std::string> failures;
  for (SettingKey key : AllSettingKeys()) {
    const std::string_view failure = PortReportLines(variant, key).failure;
    if (!failure.empty())
      failures.emplace(failure.substr(0, failure.size() - 2));  // without CR LF
  }
  for (const std::string& line : MessageLines(report)) {
    if (failures.count(line))
      return true;
  }
  return false;
}

ExitStatus RunSet(const Request& request, const ConnectionContext& context,
                  std::vector<std::string>& messages) {
  PrinterConnection connection;
  if (!OpenSelectedConnection(context, connection))
    return ExitStatus::OpenFailed;
  std::string report;
  if (connection.isNetwork) {
    report = SendSettingsOverNetwork(request.selection, request.variant, *connection.socket,
                                     context.system)
                 .Text();
    messages.push_back(report);
    connection.socket.reset();
  } else {
    const PortRunOptions options{request.variant, request.target.index, connection.usbWriteOnly};
    report =
        SendSettingsOverPort(request.selection, options, *connection.handle, context.system).Text();
    messages.emplace_back(report.empty() ? std::string(EmptyPortReportText(request.variant))
                                         : report);
    connection.handle.reset();
  }
  return AnySettingFailed(report, request.variant) ? ExitStatus::SettingFailed : ExitStatus::Ok;
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

Outcome Execute(const Request& request, System& system, FileReader& files) {
  Outcome outcome;
  CollectedPrompts prompts(outcome.messages);
  RequestControls controls(request);
  SendWatch watch(system);
  const ConnectionContext context{request.variant, controls, prompts, watch};
  PrinterConnection connection;

  auto opened = [&](ExitStatus done) {
    return watch.SentAnything() ? done : ExitStatus::OpenFailed;
  };

  switch (request.command) {
    case Command::Set:
      outcome.status = RunSet(request, context, outcome.messages);
      break;
    case Command::Download: {
      std::unique_ptr<FileReader> converted;
      if (request.convertedImage)
        converted = std::make_unique<OneFileReader>(*request.convertedImage);
      FileReader& source = converted ? *converted : files;
      if (!ImageIsPrintable(request, source, prompts)) {
        outcome.status = ExitStatus::BadFile;
        break;
      }
      CDib dib;
      const BitmapContext bitmap{request.variant, controls, prompts, watch, source};
      DownloadBitmap(bitmap, dib, request.imagePath, request.slot,
                     [&] { return OpenDownloadTarget(context, connection); });
      outcome.status = opened(ExitStatus::Ok);
      break;
    }
    case Command::PrintBitmap:
      RunDeviceOperationButton(context, connection, DeviceOperation::PrintStoredBitmap);
      outcome.status = opened(ExitStatus::Ok);
      break;
    case Command::Drawer:
      RunDeviceOperationButton(context, connection, DeviceOperation::OpenCashDrawer);
      outcome.status = opened(ExitStatus::Ok);
      break;
    case Command::Cut:
      RunDeviceOperationButton(context, connection, DeviceOperation::Cut);
      outcome.status = opened(ExitStatus::Ok);
      break;
    case Command::Test:
      RunDeviceOperationButton(context, connection, DeviceOperation::PrintTestLine);
      outcome.status = opened(ExitStatus::Ok);
      break;
    case Command::BidTest:
      RunFixedCommandButton(context, connection, FixedCommand::BidTest);
      outcome.status = opened(ExitStatus::Ok);
      break;
    case Command::FeedNext:
      RunFixedCommandButton(context, connection, FixedCommand::FeedToNextPosition);
      outcome.status = opened(ExitStatus::Ok);
      break;
    case Command::FeedCut:
      RunFixedCommandButton(context, connection, FixedCommand::FeedToCutPosition);
      outcome.status = opened(ExitStatus::Ok);
      break;
  }
  return outcome;
}

}  // namespace vantrel::cli
