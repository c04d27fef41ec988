#include "sim/session.h"

#include <algorithm>
#include <charconv>

#include "protocol/set_run.h"

namespace vantrel::sim {
namespace {

constexpr std::uint8_t kXon = 0x11;
constexpr std::uint8_t kXoff = 0x13;

std::optional<std::uint64_t> Number(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    return std::nullopt;
  return value;
}

}  // namespace

std::optional<Fault> ParseFault(std::string_view text) {
  for (const FaultName& fault : kFaultNames) {
    if (fault.amount.empty() && text == fault.name)
      return Fault{fault.kind, 0};
    if (!fault.amount.empty() && text.starts_with(fault.name)) {
      if (const auto amount = Number(text.substr(fault.name.size())))
        return Fault{fault.kind, *amount};
    }
  }
  return std::nullopt;
}

std::string FaultChoices(std::string_view separator) {
  std::string choices;
  for (const FaultName& fault : kFaultNames)
    choices += std::string(choices.empty() ? "" : separator) + std::string(fault.name) +
               std::string(fault.amount);
  for (const std::string_view condition : kConditionNames)
    choices += std::string(separator) + std::string(condition);
  return choices;
}

Bytes Misbehave(const Fault& fault, Bytes answer, std::uint32_t& noise) {
  switch (fault.kind) {
    case Fault::Kind::Silent:
      return {};
    case Fault::Kind::WrongEcho:
      // Every answer starts with a byte other than the one expected.
      if (!answer.empty())
        answer[0] = static_cast<std::uint8_t>(answer[0] ^ 0xFF);
      return answer;
    case Fault::Kind::OWithoutK:
      if (answer == Bytes{'O', 'K'})
        answer.pop_back();
      return answer;
    case Fault::Kind::Garbage:
      // Noise of the same length, never the byte that was due.
      for (std::uint8_t& byte : answer) {
        noise = noise * 1103515245u + 12345u;
        auto junk = static_cast<std::uint8_t>(noise >> 16);
        if (junk == byte)
          junk = static_cast<std::uint8_t>(junk ^ 0x80);
        byte = junk;
      }
      return answer;
    case Fault::Kind::None:
    case Fault::Kind::Slow:
    case Fault::Kind::Late:
    case Fault::Kind::DropAfter:
    case Fault::Kind::XonAfterXoff:
    case Fault::Kind::HoldXoff:
      break;
  }
  return answer;
}

Session::Session(ChannelOptions options, Printer& printer, Recorder& recorder)
    : options_(std::move(options)), printer_(printer), recorder_(recorder) {}

FeedResult Session::Feed(ByteView chunk) {
  FeedResult result;
  if (dropped_)
    return result;
  if (options_.fault.kind == Fault::Kind::DropAfter) {
    const std::uint64_t room = options_.fault.amount - std::min(options_.fault.amount, received_);
    if (chunk.size() >= room) {
      chunk = chunk.first(static_cast<std::size_t>(room));
      result.drop = true;
    }
  }
  if (options_.fault.kind == Fault::Kind::HoldXoff) {
    // The download's first two bytes, 1B FE: its image will not fit the printer's buffer.
    for (std::size_t i = 0; i < chunk.size(); ++i) {
      const std::uint8_t previous = i == 0 ? lastByte_ : chunk[i - 1];
      if (previous == 0x1B && chunk[i] == 0xFE) {
        chunk = chunk.first(i + 1);
        result.hold = true;
        break;
      }
    }
    if (!chunk.empty())
      lastByte_ = chunk.back();
  }
  received_ += chunk.size();
  if (options_.face == nullptr) {
    Decode(chunk, result);
  } else {
    for (const InquiryScanner::Piece& piece : inquiries_.Scan(chunk)) {
      if (piece.inquiry)
        Answer(*piece.inquiry, result);
      else
        Decode(piece.data, result);
    }
    // A chunk that ends in the first bytes of a question is held for the next chunk only where
    // a question may stand: inside a command they are its last bytes (a value 0x10), due now.
    if (decoder_.MidCommand())
      Decode(inquiries_.TakeHeld(), result);
  }
  if (result.hold) {
    recorder_.Log("[" + options_.name + "] buffer full after " + std::to_string(received_) +
                  " bytes: XOFF, and nothing more is taken in (fault hold-xoff)");
  }
  if (result.drop) {
    Finish();
    recorder_.Log("[" + options_.name + "] connection dropped after " + std::to_string(received_) +
                  " bytes (fault drop-after)");
    dropped_ = true;
  }
  return result;
}

void Session::Idle() {
  std::vector<Command> commands;
  decoder_.FlushUnknown(commands);
  FeedResult ignored;
  for (const Command& command : commands)
    Handle(command, ignored);
}

void Session::Decode(ByteView bytes, FeedResult& result) {
  std::vector<Command> commands;
  decoder_.Feed(bytes, commands);
  for (const Command& command : commands)
    Handle(command, result);
}

// Inside another command (a setting's value 0x10, image or download data) the bytes of a
// question belong to that command, and nothing is answered: an answer there would be read by the
// tool as the acknowledgement of a setting.
void Session::Answer(const Inquiry& inquiry, FeedResult& result) {
  if (decoder_.MidCommand()) {
    Decode(inquiry.bytes, result);
    return;
  }
  std::optional<Bytes> answer;
  std::string line = "[" + options_.name + "] ";
  if (inquiry.status) {
    line += "status request " + std::to_string(inquiry.n);
    answer = Bytes{StatusByte(options_.face->condition, inquiry.n)};
  } else {
    line += "identity request " + std::to_string(inquiry.n);
    answer = IdentityAnswer(*options_.face, inquiry.n);
  }
  line += "  [" + Hex(inquiry.bytes) + "]";
  Bytes sent = answer ? Misbehave(options_.fault, std::move(*answer), noise_) : Bytes{};
  if (sent.empty()) {
    line += "  -> (no answer)";
  } else {
    const std::chrono::milliseconds delay(options_.fault.kind == Fault::Kind::Slow
                                              ? static_cast<long long>(options_.fault.amount)
                                              : 0);
    line += "  -> " + Hex(sent);
    result.replies.push_back({std::move(sent), delay});
  }
  recorder_.Log(line);
}

void Session::Finish() {
  if (options_.face != nullptr) {
    FeedResult ignored;
    Decode(inquiries_.TakeHeld(), ignored);
  }
  std::vector<Command> commands;
  decoder_.Finish(commands);
  FeedResult ignored;
  for (const Command& command : commands)
    Handle(command, ignored);
}

void Session::Ignored(std::size_t count, const std::string& why) {
  recorder_.Log("[" + options_.name + "] ignored " + std::to_string(count) + " bytes: " + why);
}

void Session::Handle(const Command& command, FeedResult& result) {
  using Kind = Command::Kind;
  const SerialLine lineBefore = printer_.Line();
  printer_.Apply(command);
  if (printer_.Line() != lineBefore)
    result.lineChanged = true;

  std::string line = "[" + options_.name + "] " + Describe(command, recorder_.ToUtf8());
  if (command.kind == Kind::BitmapDownload) {
    line += "  [" + Hex(command.bytes) + " + " + std::to_string(command.raster.size()) +
            " raster bytes]";
  } else {
    line += "  [" + Hex(command.bytes) + "]";
  }

  if (command.kind == Kind::SetupBegin) {
    result.discardStale = true;
    answeredInFrame_ = false;
  }
  const bool notReadBack = options_.parallel && command.kind == Kind::Setting &&
                           RuleFor(command.key).skippedOnWriteOnlyLinks;
  if (options_.answers && !notReadBack) {
    if (auto answer = AnswerFor(command)) {
      Bytes sent = Misbehave(options_.fault, std::move(*answer), noise_);
      // On a line with XON/XOFF an echoed 0x13 stops the other side's output, and a printer
      // need not send XON after it. Only the kinder one of the fault mode does.
      if (options_.fault.kind == Fault::Kind::XonAfterXoff &&
          std::find(sent.begin(), sent.end(), kXoff) != sent.end())
        sent.push_back(kXon);
      if (!sent.empty()) {
        std::chrono::milliseconds delay{0};
        if (options_.fault.kind == Fault::Kind::Slow ||
            (options_.fault.kind == Fault::Kind::Late && !answeredInFrame_))
          delay = std::chrono::milliseconds(options_.fault.amount);
        answeredInFrame_ = true;
        line += "  -> " + Hex(sent);
        if (delay.count() > 0)
          line += " after " + std::to_string(delay.count()) + " ms";
        result.replies.push_back({std::move(sent), delay});
      } else {
        line += "  -> (no answer)";
      }
    }
  }
  recorder_.Log(line);

  if (command.kind == Kind::BitmapDownload && command.value < 8) {
    const auto& slot = printer_.Slot(command.value);
    printer_.SetSlotPng(command.value, recorder_.SaveBitmap("stored", command.value, *slot));
  }
  if (options_.paper != nullptr)
    options_.paper->Take(command, printer_, recorder_);
}

}  // namespace vantrel::sim
