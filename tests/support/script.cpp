#include "tests/support/script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace vantrel::test {

std::string Hex(ByteView bytes) {
  std::string out;
  char digits[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
    if (i > 0)
      out += ' ';
    out += digits;
  }
  return out;
}

Bytes FromHex(std::string_view hex) {
  Bytes bytes;
  int high = -1;
  for (char c : hex) {
    int v = -1;
    if (c >= '0' && c <= '9')
      v = c - '0';
    if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
      v = c - 'a' + 10;
    if (v < 0)
      continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  return bytes;
}

std::string Step::Signature() const {
  std::ostringstream out;
  switch (kind) {
    case Kind::Write:
      out << "write [" << Hex(bytes) << "]";
      break;
    case Kind::Read:
      out << "read " << size;
      break;
    case Kind::Count:
      out << "count waiting bytes";
      break;
    case Kind::ClosePort:
      out << "close port";
      break;
    case Kind::Send:
      out << "send [" << Hex(bytes) << "]";
      break;
    case Kind::CloseLink:
      out << "close network link";
      break;
    case Kind::Sleep:
      out << "sleep " << duration.count() << " ms";
      break;
    case Kind::Message:
      out << "message \"" << text << "\"";
      break;
    case Kind::Other:
      out << text;
      break;
  }
  return out.str();
}

Step Write(std::string_view hex, bool ok) {
  return Write(FromHex(hex), ok);
}
Step Write(ByteView bytes, bool ok) {
  Step s;
  s.kind = Step::Kind::Write;
  s.bytes.assign(bytes.begin(), bytes.end());
  s.ok = ok;
  return s;
}
Step Read(std::size_t size, std::string_view answerHex, bool ok) {
  Step s;
  s.kind = Step::Kind::Read;
  s.size = size;
  s.bytes = FromHex(answerHex);
  s.ok = ok;
  return s;
}
Step ReadNothing(std::size_t size) {
  return Read(size, "");
}
Step Count(std::optional<std::size_t> waiting) {
  Step s;
  s.kind = Step::Kind::Count;
  s.count = waiting;
  return s;
}
Step ClosePort() {
  Step s;
  s.kind = Step::Kind::ClosePort;
  return s;
}
Step Send(std::string_view hex) {
  return Send(FromHex(hex));
}
Step Send(ByteView bytes) {
  Step s;
  s.kind = Step::Kind::Send;
  s.bytes.assign(bytes.begin(), bytes.end());
  return s;
}
Step CloseLink() {
  Step s;
  s.kind = Step::Kind::CloseLink;
  return s;
}
Step Sleep(int milliseconds) {
  Step s;
  s.kind = Step::Kind::Sleep;
  s.duration = std::chrono::milliseconds(milliseconds);
  return s;
}
Step Message(std::string_view text) {
  Step s;
  s.kind = Step::Kind::Message;
  s.text = text;
  return s;
}
Step Other(std::string text) {
  Step s;
  s.kind = Step::Kind::Other;
  s.text = std::move(text);
  return s;
}

std::vector<Step> operator+(std::vector<Step> first, const std::vector<Step>& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

Script& Script::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

Script& Script::Then(const std::vector<Step>& steps) {
  steps_.insert(steps_.end(), steps.begin(), steps.end());
  return *this;
}

const Step* Script::Take(const Step& actual) {
  if (failed_)
    return nullptr;  // one mismatch is reported; what follows is noise
  const std::string got = actual.Signature();
  if (next_ >= steps_.size()) {
    failed_ = true;
    ADD_FAILURE() << "step " << next_ + 1 << ": the script has ended, but the code did: " << got;
    return nullptr;
  }
  const Step& expected = steps_[next_];
  if (expected.Signature() != got) {
    failed_ = true;
    ADD_FAILURE() << "step " << next_ + 1 << " of " << steps_.size()
                  << ":\n  expected: " << expected.Signature() << "\n    actual: " << got;
    return nullptr;
  }
  ++next_;
  return &expected;
}

void Script::ExpectDone() const {
  if (failed_ || next_ == steps_.size())
    return;
  std::ostringstream left;
  for (std::size_t i = next_; i < steps_.size() && i < next_ + 5; ++i) {
    left << "\n  " << steps_[i].Signature();
  }
  ADD_FAILURE() << steps_.size() - next_ << " expected step(s) never happened, from step "
                << next_ + 1 << ":" << left.str();
}

ScriptedPort::~ScriptedPort() {
  script_.Take(ClosePort());
}

bool ScriptedPort::Write(ByteView data) {
  const Step* step = script_.Take(test::Write(data));
  return step != nullptr && step->ok;
}

PortRead ScriptedPort::Read(std::size_t maxBytes) {
  Step asked;
  asked.kind = Step::Kind::Read;
  asked.size = maxBytes;
  const Step* step = script_.Take(asked);
  if (step == nullptr)
    return {};
  return {step->ok, step->bytes};
}

std::optional<std::size_t> ScriptedPort::ClearErrorsAndCountReceived() {
  const Step* step = script_.Take(Count(std::nullopt));
  return step == nullptr ? std::optional<std::size_t>{0} : step->count;
}

Step DiscardInput() {
  return Other("discard input");
}

Step OutputFlow(bool on) {
  return Other(on ? "output flow control on" : "output flow control off");
}

void ScriptedPort::DiscardInput() {
  if (lineControl_)
    script_.Take(test::DiscardInput());
}

void ScriptedPort::SetOutputFlowControl(bool on) {
  if (lineControl_)
    script_.Take(OutputFlow(on));
}

Step FinishSending() {
  return Other("finish sending");
}

ScriptedLink::~ScriptedLink() {
  script_.Take(CloseLink());
}

bool ScriptedLink::Send(ByteView data) {
  const Step* step = script_.Take(test::Send(data));
  return step != nullptr && step->ok;
}

bool ScriptedLink::FinishSending() {
  if (!finishing_)
    return true;
  const Step* step = script_.Take(test::FinishSending());
  return step != nullptr && step->ok;
}

void ScriptedSleeper::Sleep(std::chrono::milliseconds duration) {
  script_.Take(test::Sleep(static_cast<int>(duration.count())));
}

void ScriptedMessages::ShowMessage(std::string_view text) {
  script_.Take(Message(text));
}

}  // namespace vantrel::test
