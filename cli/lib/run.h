#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/ui_variant.h"
#include "bitmap/file_reader.h"
#include "cli/lib/exit_status.h"
#include "cli/lib/inputs.h"
#include "link/system.h"
#include "protocol/printer_status.h"
#include "protocol/set_run.h"
#include "protocol/settings.h"

namespace vantrel::cli {

// The device actions of the tool: the dialog's Set, bitmap and device buttons.
enum class Command {
  Set,
  Download,
  PrintBitmap,
  Drawer,
  Cut,
  Test,
  BidTest,
  FeedNext,
  FeedCut,
  Status,  // asks the printer's state: the one action that reads a network printer's answers
};

struct Request {
  Command command = Command::Set;
  UiVariant variant = UiVariant::English;
  InterfaceChoice target;
  int baudIndex = 3;  // 9600, the dialog's initial rate
  int parityIndex = 0;
  int slot = 0;  // the stored-bitmap slot, 0 to 7
  SettingSelection selection;
  // download: the file as named, and, when it was converted (or read once for a fleet), the
  // two-colour BMP that goes instead, shared by every printer's request.
  std::string imagePath;
  std::shared_ptr<const Bytes> convertedImage;
};

// How a run ended: every message the dialog would have shown, in order, the exit status, and for
// a Set run what came of each sent setting.
struct Outcome {
  ExitStatus status = ExitStatus::Ok;
  std::vector<std::string> messages;
  std::vector<SettingResult> settings;
  // status: what the printer answered, once the link opened
  std::optional<StatusAnswer> printerStatus;
};

// Runs one device action the way the dialog's button does, over `system`.
Outcome Execute(const Request& request, System& system, FileReader& files);

// The lines a message shows, one per report line (the report's CR LF ends each).
std::vector<std::string> MessageLines(const std::string& message);

}  // namespace vantrel::cli
