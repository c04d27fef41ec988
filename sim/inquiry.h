#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace vantrel::sim {

// The state the printer reports when asked (DLE EOT), set from the command line.
enum class Condition { Ready, PaperNearEnd, PaperOut, CoverOpen, Offline };

// "paper-near-end", "paper-out", "cover-open", "offline"; nothing for any other text.
std::optional<Condition> ParseCondition(std::string_view text);
inline constexpr std::string_view kConditionNames[] = {"paper-near-end", "paper-out", "cover-open",
                                                       "offline"};

// What the printer tells about itself: its state and its identity (GS I).
struct PrinterFace {
  Condition condition = Condition::Ready;
  std::string maker = "Vantrel";
  std::string model = "vantrel-sim";
  std::string firmware = "1.0";
};

// The answer byte to DLE EOT n (1 to 4) in a condition.
std::uint8_t StatusByte(Condition condition, std::uint8_t n);

// The answer to GS I n: the firmware (65), maker (66) or model (67) as 0x5F, text, NUL; nothing
// for another n, and nothing while the printer is offline (it takes GS I from its buffer only
// when it prints again).
std::optional<Bytes> IdentityAnswer(const PrinterFace& face, std::uint8_t n);

// A question the printer answers: DLE EOT n or GS I n.
struct Inquiry {
  bool status = false;  // DLE EOT; else GS I
  std::uint8_t n = 0;
  Bytes bytes;
};

// Finds the questions in what arrives. DLE EOT is a real-time command: a printer answers it the
// moment it comes in, ahead of what waits in its buffer. The pieces come out in order: the bytes
// between the questions, and the questions; a question cut across two chunks is completed by the
// next chunk.
class InquiryScanner {
 public:
  struct Piece {
    Bytes data;                      // ordinary bytes, for the decoder
    std::optional<Inquiry> inquiry;  // or a question
  };
  std::vector<Piece> Scan(ByteView chunk);
  // The stream went quiet or ended: the bytes held back for a question that did not come whole.
  Bytes TakeHeld();

 private:
  Bytes held_;
};

}  // namespace vantrel::sim
