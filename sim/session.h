#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/decoder.h"
#include "sim/inquiry.h"
#include "sim/paper.h"
#include "sim/printer.h"
#include "sim/recorder.h"

namespace vantrel::sim {

// A way for the printer to misbehave, so that every failure report can be seen.
struct Fault {
  enum class Kind {
    None,
    Silent,
    WrongEcho,
    Slow,
    OWithoutK,
    DropAfter,
    Garbage,
    XonAfterXoff,
    Late,      // the first answer of each setup frame comes `amount` ms late; the rest queue
    HoldXoff,  // on a download's first bytes: XOFF, and nothing more is taken in
  };
  Kind kind = Kind::None;
  std::uint64_t amount = 0;  // milliseconds for Slow and Late, bytes for DropAfter
};

// The faults by name, in the order the help, the completion and the messages list them: the
// one table they and ParseFault read. A fault with an amount is its prefix and the amount's word
// ("slow:" and "MS": slow:300).
struct FaultName {
  std::string_view name;
  Fault::Kind kind;
  std::string_view amount = {};
};
inline constexpr FaultName kFaultNames[] = {
    {"silent", Fault::Kind::Silent},         {"wrong-echo", Fault::Kind::WrongEcho},
    {"slow:", Fault::Kind::Slow, "MS"},      {"late:", Fault::Kind::Late, "MS"},
    {"o-without-k", Fault::Kind::OWithoutK}, {"drop-after:", Fault::Kind::DropAfter, "N"},
    {"garbage", Fault::Kind::Garbage},       {"xon-after-xoff", Fault::Kind::XonAfterXoff},
    {"hold-xoff", Fault::Kind::HoldXoff},
};

// A fault of the table ("slow:300"); nothing otherwise.
std::optional<Fault> ParseFault(std::string_view text);
// What --fault takes, the faults then the printer's conditions, with their amounts ("slow:MS")
// and `separator` between them.
std::string FaultChoices(std::string_view separator);

// The answer as the faulty printer sends it; empty for none. `noise` drives the garbage.
Bytes Misbehave(const Fault& fault, Bytes answer, std::uint32_t& noise);

// What a channel must do with the printer's reaction to a chunk.
struct Reply {
  Bytes bytes;
  std::chrono::milliseconds delay{0};
};

struct FeedResult {
  std::vector<Reply> replies;
  // A new Set run began: answers nobody read from an earlier run are to be discarded first.
  bool discardStale = false;
  // The fault's byte count is reached: drop the connection.
  bool drop = false;
  // The printer moved to another serial line.
  bool lineChanged = false;
  // The printer's buffer is full (fault hold-xoff): send XOFF on a serial line and take in
  // nothing more from this client. The chunk was taken in up to the download's start.
  bool hold = false;
};

struct ChannelOptions {
  std::string name;     // "serial", "com1", "tcp 127.0.0.1:40112", ...
  bool answers = true;  // serial lines answer, TCP never does
  Fault fault;
  // A parallel port: the tool does not read back the settings under the skip rule there, so
  // the printer answers only the others (an unread answer would be read for a later setting).
  bool parallel = false;
  // The paper the printer prints on (shared by every channel); none: nothing is printed.
  Paper* paper = nullptr;
  // Its state and identity, for the questions it answers on every channel (TCP too); none: it
  // answers no question.
  const PrinterFace* face = nullptr;
};

// One connection to the printer: decodes what arrives, stores it in the printer, logs it,
// records prints in the journal and says what to answer.
class Session {
 public:
  Session(ChannelOptions options, Printer& printer, Recorder& recorder);

  FeedResult Feed(ByteView chunk);
  // The line went quiet: unknown bytes held back are logged.
  void Idle();
  // The connection ended.
  void Finish();
  // Bytes the printer could not take in (the line does not match its own).
  void Ignored(std::size_t count, const std::string& why);

  std::uint64_t Received() const { return received_; }
  // Bytes held for a command not complete yet (a download under way).
  std::size_t Held() const { return decoder_.Held(); }

 private:
  void Handle(const Command& command, FeedResult& result);
  void Decode(ByteView bytes, FeedResult& result);
  void Answer(const Inquiry& inquiry, FeedResult& result);

  ChannelOptions options_;
  Printer& printer_;
  Recorder& recorder_;
  Decoder decoder_;
  InquiryScanner inquiries_;
  std::uint64_t received_ = 0;
  std::uint32_t noise_ = 0x5EED;
  bool dropped_ = false;
  bool answeredInFrame_ = false;  // fault late: the frame's first answer has been given
  std::uint8_t lastByte_ = 0;     // fault hold-xoff: a download's start may span two chunks
};

}  // namespace vantrel::sim
