#pragma once

// A scripted world for device tests: one ordered list of the steps the code under test is
// expected to take on the port, the network link, the clock and the user's screen, with the
// printer's canned answers. Every fake consumes the next step; a step that differs fails the
// test with both sides written out (bytes in hex).

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/sleeper.h"
#include "link/network_link.h"
#include "link/port.h"
#include "ui/prompts.h"

namespace vantrel::test {

// "1B 09" <-> bytes.
std::string Hex(ByteView bytes);
Bytes FromHex(std::string_view hex);

struct Step {
  enum class Kind { Write, Read, Count, ClosePort, Send, CloseLink, Sleep, Message, Other };
  Kind kind = Kind::Other;
  Bytes bytes;                           // Write/Send: expected; Read: canned answer
  std::size_t size = 0;                  // Read: expected request size
  bool ok = true;                        // Read/Write/Send: the call's result
  std::optional<std::size_t> count;      // Count: what the driver says is waiting
  std::string text;                      // Message text, or the signature of an Other step
  std::chrono::milliseconds duration{};  // Sleep
  std::vector<std::string> paths;        // Other: the files a file dialog answers with

  // What the step asks of the code, without the canned answer.
  std::string Signature() const;
};

// Builders for the steps.
Step Write(std::string_view hex, bool ok = true);
Step Write(ByteView bytes, bool ok = true);
Step Read(std::size_t size, std::string_view answerHex, bool ok = true);
Step ReadNothing(std::size_t size);  // the call succeeds with no byte (a time-out)
Step Count(std::optional<std::size_t> waiting);
Step ClosePort();
Step Send(std::string_view hex);
Step Send(ByteView bytes);
Step CloseLink();
Step Sleep(int milliseconds);
Step Message(std::string_view text);
// Any other call a fake records, by its signature ("warning ...", "arp -d", ...).
Step Other(std::string text);

// One list of steps after another.
std::vector<Step> operator+(std::vector<Step> first, const std::vector<Step>& then);

class Script {
 public:
  Script() = default;
  Script(std::initializer_list<Step> steps) : steps_(steps) {}

  Script& Then(Step step);
  Script& Then(const std::vector<Step>& steps);

  // Called by the fakes: the expected step matching `actual`, or nullptr after a reported mismatch.
  const Step* Take(const Step& actual);

  // Fails the test when steps are left over.
  void ExpectDone() const;

  std::size_t position() const { return next_; }

 private:
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  bool failed_ = false;
};

// Steps of the line control a port offers, scripted only by a ScriptedPort made with
// lineControl: dropping waiting input, output flow control off and on.
Step DiscardInput();
Step OutputFlow(bool on);

// The port's side of the script. Destroying it is the release of the connection.
class ScriptedPort : public OpenPort {
 public:
  explicit ScriptedPort(Script& script, bool lineControl = false)
      : script_(script), lineControl_(lineControl) {}
  ~ScriptedPort() override;
  bool Write(ByteView data) override;
  PortRead Read(std::size_t maxBytes) override;
  std::optional<std::size_t> ClearErrorsAndCountReceived() override;
  void DiscardInput() override;
  void SetOutputFlowControl(bool on) override;

 private:
  Script& script_;
  bool lineControl_;
};

// With finishing, the end of the sending is a step too (FinishSending, Failing when the printer
// did not take the data).
class ScriptedLink : public NetworkLink {
 public:
  explicit ScriptedLink(Script& script, bool finishing = false)
      : script_(script), finishing_(finishing) {}
  ~ScriptedLink() override;
  bool Send(ByteView data) override;
  bool FinishSending() override;

 private:
  Script& script_;
  bool finishing_;
};

Step FinishSending();

class ScriptedSleeper : public Sleeper {
 public:
  explicit ScriptedSleeper(Script& script) : script_(script) {}
  void Sleep(std::chrono::milliseconds duration) override;

 private:
  Script& script_;
};

class ScriptedMessages : public MessagePrompt {
 public:
  explicit ScriptedMessages(Script& script) : script_(script) {}
  void ShowMessage(std::string_view text) override;

 private:
  Script& script_;
};

}  // namespace vantrel::test
