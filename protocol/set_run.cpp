#include "protocol/set_run.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "protocol/operations.h"
#include "protocol/report_texts.h"

namespace vantrel {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kTargetLineWait{1000};
constexpr milliseconds kChineseBidAdjustmentWait{1500};
constexpr milliseconds kPollInterval{300};
constexpr milliseconds kNetworkWaitBeforeEnd{1000};
// After an answer that did not come right, the rest of a late answer may still be on the line: a
// printer sends what it owes back to back, and a fast machine can read between two of its bytes.
constexpr milliseconds kLateAnswerSettle{100};
constexpr int kPollAttempts = 40;
constexpr std::size_t kPollOkCap = 10;
constexpr std::size_t kPollFourthByteCap = 4;

constexpr std::array<SettingKey, kSettingCount> kPortOrder = AllSettingKeys();

constexpr std::array<SettingKey, kSettingCount> kChineseNetworkOrder = [] {
  std::array<SettingKey, kSettingCount> order{};
  std::size_t n = 0;
  for (SettingKey key : AllSettingKeys()) {
    if (key != SettingKey::TargetSerialLine)
      order[n++] = key;
  }
  order[n] = SettingKey::TargetSerialLine;
  return order;
}();

// Asks for what the driver holds, at most cap bytes, until a read brings something: 40 reads and
// 40 waits of 300 ms at the most. Where the link cannot count, each read asks for the cap and
// relies on the port to come back.
Bytes PollForReply(OpenPort& port, Sleeper& sleeper, std::size_t cap) {
  for (int attempt = 0; attempt < kPollAttempts; ++attempt) {
    const std::optional<std::size_t> waiting = port.ClearErrorsAndCountReceived();
    PortRead read = port.Read(waiting ? std::min(*waiting, cap) : cap);
    if (read.ok && !read.bytes.empty())
      return std::move(read.bytes);
    sleeper.Sleep(kPollInterval);
  }
  return {};
}

bool Judge(AckRule rule, const EncodedSetting& sent, std::size_t textLength, OpenPort& port,
           Sleeper& sleeper) {
  switch (rule) {
    case AckRule::EchoValue: {
      const PortRead read = port.Read(1);
      return read.ok && read.bytes.size() == 1 && read.bytes[0] == sent.reference;
    }
    case AckRule::EchoFirstByte: {
      const PortRead read = port.Read(textLength);
      return read.ok && !read.bytes.empty() && sent.reference && read.bytes[0] == *sent.reference;
    }
    case AckRule::AnyReply: {
      const PortRead read = port.Read(1);
      return read.ok && read.bytes.size() == 1;
    }
    case AckRule::PollOk: {
      const Bytes reply = PollForReply(port, sleeper, kPollOkCap);
      return reply.size() >= 2 && reply[0] == 0x4F && reply[1] == 0x4B;
    }
    case AckRule::PollFourthByte: {
      const Bytes reply = PollForReply(port, sleeper, kPollFourthByteCap);
      return !reply.empty() && reply[0] == sent.reference;
    }
    case AckRule::NoAck:
      break;
  }
  return false;
}

// The answer the rule judges may be 0x11 or 0x13, which a line with XON/XOFF output flow control
// takes for XON or XOFF and never passes on to a read.
bool AnswerMayBeFlowByte(AckRule rule, const EncodedSetting& sent) {
  constexpr std::uint8_t kXon = 0x11;
  constexpr std::uint8_t kXoff = 0x13;
  switch (rule) {
    case AckRule::AnyReply:
      return true;
    case AckRule::EchoValue:
    case AckRule::EchoFirstByte:
    case AckRule::PollFourthByte:
      return sent.reference == kXon || sent.reference == kXoff;
    case AckRule::PollOk:
    case AckRule::NoAck:
      break;
  }
  return false;
}

// A frame command that did not go out leaves the printer outside its setup frame, or inside it:
// nothing of the run is known to be stored, so every line becomes its failure line.
SetupReport EveryLineFailed(const SetupReport& report, UiVariant variant) {
  SetupReport failed;
  for (const SettingResult& result : report.Results())
    failed.Add(result.key, SettingOutcome::Failed, PortReportLines(variant, result.key).failure);
  return failed;
}

// The number of name bytes a name command carries (its length byte).
std::size_t SentTextLength(const EncodedSetting& sent) {
  return sent.command[2];
}

std::string_view FieldName(UiVariant variant, SelectionProblem problem) {
  switch (problem) {
    case SelectionProblem::RadioAddressNotHex:
      return ForVariant(variant, "射频地址", "Radio Address");
    case SelectionProblem::BluetoothNameTooLong:
      return ForVariant(variant, "蓝牙名称", "BT Name");
    case SelectionProblem::BluetoothPasswordTooLong:
      return ForVariant(variant, "蓝牙密码", "BT Password");
    case SelectionProblem::StartOffsetOutOfRange:
      return ForVariant(variant, "起始偏移量", "Start offset");
    case SelectionProblem::CutOffsetOutOfRange:
      return ForVariant(variant, "切纸偏移量", "Cut paper offset");
  }
  return {};
}

}  // namespace

std::span<const SettingKey> NetworkOrder(UiVariant variant) {
  return variant == UiVariant::Chinese ? std::span<const SettingKey>(kChineseNetworkOrder)
                                       : std::span<const SettingKey>(kPortOrder);
}

SetupReport SendSettingsOverPort(const SettingSelection& selection, const PortRunOptions& options,
                                 OpenPort& port, Sleeper& sleeper) {
  const bool writeOnlyLink = options.interfaceType == kParallelInterface || options.usbWriteOnly;
  SetupReport report;
  bool framed = port.Write(SetupBegin);
  bool lastAnswerFailed = false;
  for (SettingKey key : kPortOrder) {
    const std::optional<EncodedSetting> sent = EncodeSetting(key, selection);
    if (!sent)
      continue;
    const SettingRule rule = RuleFor(key);
    const ReportLines lines = PortReportLines(options.variant, key);
    const bool notRead =
        rule.ack == AckRule::NoAck || (rule.skippedOnWriteOnlyLinks && writeOnlyLink);
    // The previous answer may have been a value byte 0x13, which the line took for XOFF.
    port.ResumeOutput();
    // An answer that came after its own read gave up is not judged as this command's answer.
    if (lastAnswerFailed)
      sleeper.Sleep(kLateAnswerSettle);
    lastAnswerFailed = false;
    port.DiscardInput();
    const bool flowOff = !notRead && AnswerMayBeFlowByte(rule.ack, *sent);
    if (flowOff)
      port.SetOutputFlowControl(false);
    const bool written = port.Write(sent->command);
    if (!written) {
      if (flowOff)
        port.SetOutputFlowControl(true);
      report.Add(key, SettingOutcome::Failed, lines.failure);
      continue;
    }
    if (key == SettingKey::TargetSerialLine)
      sleeper.Sleep(kTargetLineWait);

    if (notRead) {
      report.Add(key, SettingOutcome::Completed, lines.completed);
      continue;
    }
    if (key == SettingKey::BidAdjustment && options.variant == UiVariant::Chinese) {
      sleeper.Sleep(kChineseBidAdjustmentWait);
    }
    const bool ok = Judge(rule.ack, *sent, SentTextLength(*sent), port, sleeper);
    if (flowOff)
      port.SetOutputFlowControl(true);
    lastAnswerFailed = !ok;
    report.Add(key, ok ? SettingOutcome::Succeeded : SettingOutcome::Failed,
               ok ? lines.success : lines.failure);
  }
  port.ResumeOutput();
  framed = port.Write(SetupEnd) && framed;
  return framed ? report : EveryLineFailed(report, options.variant);
}

SetupReport SendSettingsOverNetwork(const SettingSelection& selection, UiVariant variant,
                                    NetworkLink& link, Sleeper& sleeper) {
  SetupReport report;
  bool framed = link.Send(SetupBegin);
  for (SettingKey key : NetworkOrder(variant)) {
    const std::optional<EncodedSetting> sent = EncodeSetting(key, selection);
    if (!sent)
      continue;
    if (!link.Send(sent->command)) {
      report.Add(key, SettingOutcome::Failed, PortReportLines(variant, key).failure);
      continue;
    }
    if (key == SettingKey::TargetSerialLine)
      sleeper.Sleep(kTargetLineWait);
    report.Add(key, SettingOutcome::Completed, NetworkCompletedLine(variant, key));
  }
  sleeper.Sleep(kNetworkWaitBeforeEnd);
  framed = link.Send(SetupEnd) && framed;
  // Sent is not yet arrived: the run ends only once the printer has taken everything.
  framed = link.FinishSending() && framed;
  return framed ? report : EveryLineFailed(report, variant);
}

std::string RefusalMessage(UiVariant variant, const SelectionRefusal& refusal) {
  const std::string field(FieldName(variant, refusal.problem));
  const bool chinese = variant == UiVariant::Chinese;
  switch (refusal.problem) {
    case SelectionProblem::RadioAddressNotHex: {
      const std::string n = std::to_string(refusal.field + 1);
      return chinese
                 ? field + "第" + n + "栏须以两位十六进制数字(0-9, A-F)开头!"
                 : field + " field " + n + " must begin with two hexadecimal digits (0-9, A-F)!";
    }
    case SelectionProblem::BluetoothNameTooLong:
    case SelectionProblem::BluetoothPasswordTooLong:
      return chinese ? field + "不能超过255字节!" : field + " must not exceed 255 bytes!";
    case SelectionProblem::StartOffsetOutOfRange:
    case SelectionProblem::CutOffsetOutOfRange: {
      const std::string max = std::to_string(MaxOffsetMillimetres());
      return chinese ? field + "须在0到" + max + "mm之间!"
                     : field + " must be between 0 and " + max + " mm!";
    }
  }
  return field;
}

bool RefuseUnsendableSelection(const RunContext& context, const SettingSelection& selection) {
  const std::optional<SelectionRefusal> refusal = CheckSelection(selection);
  if (!refusal)
    return false;
  context.prompt.ShowMessage(RefusalMessage(context.variant, *refusal));
  return true;
}

SetupReport RunSetOverPort(const RunContext& context, std::unique_ptr<OpenPort> port,
                           const SettingSelection& selection, InterfaceType interfaceType,
                           bool usbWriteOnly) {
  // A selection that cannot be sent is refused before a byte goes out, also when a caller did not
  // check it before opening.
  if (RefuseUnsendableSelection(context, selection))
    return {};
  const PortRunOptions options{context.variant, interfaceType, usbWriteOnly};
  const SetupReport report = SendSettingsOverPort(selection, options, *port, context.sleeper);
  context.prompt.ShowMessage(report.Empty() ? EmptyPortReportText(context.variant)
                                            : std::string_view(report.Text()));
  port.reset();  // released only once the user has closed the report
  return report;
}

SetupReport RunSetOverNetwork(const RunContext& context, std::unique_ptr<NetworkLink> link,
                              const SettingSelection& selection) {
  if (RefuseUnsendableSelection(context, selection))
    return {};
  const SetupReport report =
      SendSettingsOverNetwork(selection, context.variant, *link, context.sleeper);
  context.prompt.ShowMessage(report.Text());
  link.reset();
  return report;
}

}  // namespace vantrel
