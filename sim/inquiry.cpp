#include "sim/inquiry.h"

namespace vantrel::sim {
namespace {

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kEot = 0x04;
constexpr std::uint8_t kGs = 0x1D;
constexpr std::uint8_t kFixed = 0x12;  // bits 1 and 4 of every status byte

// How much of a question starts at `at`: 0 none, else the bytes matched so far (3 is whole).
std::size_t Match(const Bytes& bytes, std::size_t at) {
  const std::size_t left = bytes.size() - at;
  if (bytes[at] == kDle) {
    if (left < 2)
      return 1;
    if (bytes[at + 1] != kEot)
      return 0;
    if (left < 3)
      return 2;
    return bytes[at + 2] >= 1 && bytes[at + 2] <= 4 ? 3 : 0;
  }
  if (bytes[at] == kGs) {
    if (left < 2)
      return 1;
    return bytes[at + 1] == 'I' ? (left < 3 ? 2 : 3) : 0;
  }
  return 0;
}

}  // namespace

std::optional<Condition> ParseCondition(std::string_view text) {
  const Condition conditions[] = {Condition::PaperNearEnd, Condition::PaperOut,
                                  Condition::CoverOpen, Condition::Offline};
  for (std::size_t i = 0; i < std::size(kConditionNames); ++i) {
    if (text == kConditionNames[i])
      return conditions[i];
  }
  return std::nullopt;
}

std::uint8_t StatusByte(Condition condition, std::uint8_t n) {
  const bool offline = condition == Condition::PaperOut || condition == Condition::CoverOpen ||
                       condition == Condition::Offline;
  switch (n) {
    case 1:  // bit 3: offline
      return offline ? kFixed | 0x08 : kFixed;
    case 2:  // bit 2: cover open; bit 5: stopped at the paper end
      if (condition == Condition::CoverOpen)
        return kFixed | 0x04;
      return condition == Condition::PaperOut ? kFixed | 0x20 : kFixed;
    case 4:  // bits 2-3: near end; bits 5-6: out (a roll that ran out passed its near end)
      if (condition == Condition::PaperOut)
        return kFixed | 0x0C | 0x60;
      return condition == Condition::PaperNearEnd ? kFixed | 0x0C : kFixed;
    default:  // 3: no error
      return kFixed;
  }
}

std::optional<Bytes> IdentityAnswer(const PrinterFace& face, std::uint8_t n) {
  if (StatusByte(face.condition, 1) & 0x08)
    return std::nullopt;
  const std::string* text = n == 65   ? &face.firmware
                            : n == 66 ? &face.maker
                            : n == 67 ? &face.model
                                      : nullptr;
  if (text == nullptr)
    return std::nullopt;
  Bytes answer{0x5F};
  answer.insert(answer.end(), text->begin(), text->end());
  answer.push_back(0x00);
  return answer;
}

std::vector<InquiryScanner::Piece> InquiryScanner::Scan(ByteView chunk) {
  Bytes bytes = std::move(held_);
  held_.clear();
  bytes.insert(bytes.end(), chunk.begin(), chunk.end());
  std::vector<Piece> pieces;
  Bytes data;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t matched = Match(bytes, i);
    if (matched == 3) {
      if (!data.empty())
        pieces.push_back({std::move(data), std::nullopt});
      data.clear();
      Inquiry inquiry{bytes[i] == kDle, bytes[i + 2],
                      Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                            bytes.begin() + static_cast<std::ptrdiff_t>(i + 3))};
      pieces.push_back({{}, std::move(inquiry)});
      i += 3;
      continue;
    }
    if (matched > 0 && i + matched == bytes.size()) {
      held_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end());
      break;
    }
    data.push_back(bytes[i++]);
  }
  if (!data.empty())
    pieces.push_back({std::move(data), std::nullopt});
  return pieces;
}

Bytes InquiryScanner::TakeHeld() {
  Bytes held = std::move(held_);
  held_.clear();
  return held;
}

}  // namespace vantrel::sim
