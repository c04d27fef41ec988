// vantrel-sim: a virtual receipt printer on pseudo-terminals and TCP.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <list>
#include <memory>
#include <string_view>
#include <variant>

#include "cli/completion/bash_completion.h"
#include "link/baud_rates.h"
#include "sim/font.h"
#include "sim/paper.h"
#include "sim/posix/charset.h"
#include "sim/posix/pty.h"
#include "sim/session.h"

namespace vantrel::sim {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kIdleFlush{200};
constexpr std::size_t kReadSize = 4096;
constexpr milliseconds kBackToBack{20};
// A printer that owes several answers sends them one after another, each after its firmware's turn
// around its loop, not as one block. A paced line spaces them by their wire time instead.
constexpr milliseconds kQueuedAnswerGap{20};

int signalPipe[2] = {-1, -1};

void OnSignal(int number) {
  const int saved = errno;
  const auto byte = static_cast<char>(number);
  [[maybe_unused]] const auto written = write(signalPipe[1], &byte, 1);
  errno = saved;
}

struct Options {
  std::vector<std::string> tcp{"127.0.0.1:9100"};
  int maxConnections = 16;
  int idleSeconds = 60;
  int heldMegabytes = 16;
  int outMegabytes = 256;
  std::vector<std::string> ptys;
  std::string out = "vantrel-sim-out";
  std::string state;
  int baud = 9600;
  std::string parity = "none";
  bool pace = false;
  bool checkLine = false;
  std::string fault;
  std::string maker = "Vantrel";
  std::string model = "vantrel-sim";
  bool quiet = false;
  std::string font = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
};

// The wire time of n bytes at a baud rate, 10 bits a byte.
Clock::duration WireTime(std::size_t bytes, int baud) {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(bytes) * 10.0 / baud));
}

struct Pending {
  Clock::time_point due;
  Bytes bytes;
};

struct PtyChannel {
  std::string name;
  std::string link;
  Pty pty;
  std::unique_ptr<Session> session;
  std::deque<Pending> out;
  // Pacing: the chunk on the wire and when it has fully arrived.
  Bytes inflight;
  Clock::time_point arrived{};
  Clock::time_point lastInput{};
  bool idleFlushed = true;
  bool latestAnswerOnly = false;
  // Fault hold-xoff: XOFF was sent and the master is not read until the client closes the line.
  bool holding = false;
};

struct TcpChannel {
  int fd = -1;
  std::string peer;
  std::unique_ptr<Session> session;
  Clock::time_point lastInput{};
  bool idleFlushed = true;
  std::size_t held = 0;  // what its session holds of a command under way
  bool holding = false;  // fault hold-xoff: not read any more, only watched for the client's close
};

// The output folder, opened once: made (mode 0700) when it is missing; when it exists it must be
// a folder, not a link, that belongs to this user and that nobody else may write to, since every
// file in it is written with this user's rights. The descriptor, or why not.
std::variant<int, std::string> OpenOutFolder(const std::string& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) {
    if (errno != ENOENT)
      return std::string(std::strerror(errno));
    std::error_code error;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
      std::filesystem::create_directories(parent, error);
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
      return "cannot make it: " + std::string(std::strerror(errno));
  }
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    return errno == ELOOP || errno == ENOTDIR ? std::string("it is not a folder (a link?)")
                                              : std::string(std::strerror(errno));
  }
  std::string refusal;
  if (fstat(fd, &status) != 0)
    refusal = std::strerror(errno);
  else if (status.st_uid != geteuid())
    refusal = "it belongs to another user";
  // A group may write only when it is the user's own (a private group, as umask 002 makes them).
  else if ((status.st_mode & S_IWOTH) != 0 ||
           ((status.st_mode & S_IWGRP) != 0 && status.st_gid != getegid()))
    refusal = "others may write to it (chmod go-w, or a folder of your own: mktemp -d)";
  if (!refusal.empty()) {
    close(fd);
    return refusal;
  }
  return fd;
}

// A file of the output folder, truncated, never through a link (not even one to a file of ours).
std::FILE* OpenOutFile(int folder, const std::string& name) {
  const int fd =
      openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0)
    return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr)
    close(fd);
  return file;
}

bool IsLoopback(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(address);
    return (ntohl(ipv4.sin_addr.s_addr) >> 24) == 127;
  }
  if (address.ss_family == AF_INET6) {
    const auto& ipv6 = reinterpret_cast<const sockaddr_in6&>(address);
    return IN6_IS_ADDR_LOOPBACK(&ipv6.sin6_addr);
  }
  return false;
}

struct Listener {
  int fd = -1;
  std::string address;
};

class Simulator {
 public:
  Simulator(Options options, Fault fault, Condition condition, SerialLine line, int outFolder)
      : options_(std::move(options)),
        fault_(fault),
        face_{condition, options_.maker, options_.model, VANTREL_VERSION},
        printer_(line),
        outFolder_(outFolder),
        recorder_(
            options_.out, options_.quiet, std::cout, &GbkToUtf8,
            [outFolder](const std::string& name) { return OpenOutFile(outFolder, name); },
            OutputBudget{std::uint64_t(options_.outMegabytes) << 20,
                         std::min<std::uint64_t>(std::uint64_t{16} << 20,
                                                 std::uint64_t(options_.outMegabytes) << 20)}),
        glyphs_(options_.font),
        paper_(&ConvertCharset, &glyphs_) {
    if (!glyphs_.Loaded())
      std::cerr << "vantrel-sim: cannot load the font " << options_.font
                << ": characters print as boxes\n";
    statePath_ = options_.state.empty() ? std::filesystem::path(options_.out) / "state.json"
                                        : std::filesystem::path(options_.state);
  }

  bool Start();
  int Run();

 private:
  bool OpenPty(PtyChannel& channel, bool announce);
  // The rounds of Run: what to wait on, then what came.
  Clock::time_point PollSet(std::vector<pollfd>& fds, Clock::time_point now);
  bool TakeSignals();
  void ServePty(PtyChannel& channel, const pollfd& entry, const pollfd& closeEntry,
                Clock::time_point later);
  void ServeTcp(TcpChannel& channel, short events, Clock::time_point later);
  bool Listen(const std::string& option);
  void ReadPty(PtyChannel& channel);
  void Process(PtyChannel& channel, ByteView bytes);
  void WriteDue(PtyChannel& channel, Clock::time_point now);
  void ReadTcp(TcpChannel& channel);
  bool Accept(Listener& listener);
  void WriteState();
  void Shutdown();

  void CloseTcp(TcpChannel& channel, const std::string& why);
  bool Accepting() const;

  Options options_;
  Fault fault_;
  PrinterFace face_;
  Printer printer_;
  int outFolder_;
  Recorder recorder_;
  std::size_t held_ = 0;  // what every connection's session holds of commands under way
  Clock::time_point acceptPausedUntil_{};
  FontGlyphs glyphs_;
  Paper paper_;
  std::filesystem::path statePath_;
  std::list<PtyChannel> ptys_;
  std::vector<Listener> listeners_;
  std::list<TcpChannel> connections_;
};

bool Simulator::OpenPty(PtyChannel& channel, bool announce) {
  if (!channel.pty.Open(printer_.Line())) {
    std::cerr << "vantrel-sim: cannot open a pseudo-terminal: " << std::strerror(errno) << '\n';
    return false;
  }
  if (!channel.link.empty()) {
    std::error_code error;
    if (std::filesystem::is_symlink(channel.link, error))
      std::filesystem::remove(channel.link, error);
    std::filesystem::create_symlink(channel.pty.Path(), channel.link, error);
    if (error) {
      std::cerr << "vantrel-sim: cannot make the link " << channel.link << ": " << error.message()
                << '\n';
      return false;
    }
  }
  channel.session = std::make_unique<Session>(
      ChannelOptions{channel.name, true, fault_, channel.latestAnswerOnly, &paper_, &face_},
      printer_, recorder_);
  channel.out.clear();
  channel.inflight.clear();
  if (announce)
    std::cout << "pty " << channel.name << ' ' << channel.pty.Path() << std::endl;
  return true;
}

bool Simulator::Listen(const std::string& option) {
  const auto colon = option.rfind(':');
  if (colon == std::string::npos) {
    std::cerr << "vantrel-sim: --tcp wants ADDR:PORT, not " << option << '\n';
    return false;
  }
  std::string host = option.substr(0, colon);
  const std::string port = option.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int error = getaddrinfo(host.c_str(), port.c_str(), &hints, &found); error != 0) {
    std::cerr << "vantrel-sim: --tcp " << option << ": " << gai_strerror(error) << '\n';
    return false;
  }
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> list(found, &freeaddrinfo);
  const int fd = socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                        found->ai_protocol);
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (fd < 0 || bind(fd, found->ai_addr, found->ai_addrlen) != 0 || listen(fd, SOMAXCONN) != 0) {
    std::cerr << "vantrel-sim: cannot listen on " << option << ": " << std::strerror(errno) << '\n';
    if (fd >= 0)
      close(fd);
    return false;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  char text[INET6_ADDRSTRLEN] = {};
  char service[16] = {};
  getnameinfo(reinterpret_cast<sockaddr*>(&bound), length, text, sizeof text, service,
              sizeof service, NI_NUMERICHOST | NI_NUMERICSERV);
  const std::string address = bound.ss_family == AF_INET6 ? "[" + std::string(text) + "]:" + service
                                                          : std::string(text) + ":" + service;
  if (!IsLoopback(bound)) {
    std::cerr << "vantrel-sim: warning: listening on " << address
              << ", which other machines may reach: anyone there can print and change what the "
                 "printer stores (127.0.0.1 keeps it to this machine)\n";
  }
  listeners_.push_back({fd, address});
  std::cout << "tcp " << address << std::endl;
  return true;
}

bool Simulator::Start() {
  std::vector<std::string> ptys = options_.ptys;
  if (ptys.empty())
    ptys.push_back("serial");
  for (const std::string& option : ptys) {
    PtyChannel& channel = ptys_.emplace_back();
    const auto equals = option.find('=');
    channel.name = option.substr(0, equals);
    if (equals != std::string::npos)
      channel.link = option.substr(equals + 1);
    channel.latestAnswerOnly = channel.name.rfind("lpt", 0) == 0;
    if (!OpenPty(channel, true))
      return false;
  }
  for (const std::string& option : options_.tcp) {
    if (option != "off" && !Listen(option))
      return false;
  }
  std::cout << "out " << std::filesystem::absolute(options_.out).string() << std::endl;
  std::cout << "ready" << std::endl;
  return true;
}

void Simulator::Process(PtyChannel& channel, ByteView bytes) {
  if (options_.checkLine) {
    const auto client = channel.pty.ClientLine();
    const SerialLine& own = printer_.Line();
    if (!client || client->baud != own.baud || client->parity != own.parity) {
      const std::string theirs = client ? std::to_string(client->baud) + " baud, parity " +
                                              std::string(ParityName(client->parity))
                                        : std::string("an unknown rate");
      channel.session->Ignored(bytes.size(), "sent at " + theirs + ", the printer runs " +
                                                 std::to_string(own.baud) + " baud, parity " +
                                                 std::string(ParityName(own.parity)));
      return;
    }
  }
  FeedResult result = channel.session->Feed(bytes);
  if (result.discardStale) {
    channel.pty.DiscardUnread();
    channel.out.clear();
  }
  const Clock::time_point now = Clock::now();
  Clock::time_point next = channel.out.empty() ? now : channel.out.back().due;
  for (Reply& reply : result.replies) {
    const Clock::time_point own = now + reply.delay;
    Clock::time_point due = own >= next ? own : options_.pace ? next : next + kQueuedAnswerGap;
    if (options_.pace)
      due += WireTime(reply.bytes.size(), printer_.Line().baud);
    channel.out.push_back({due, std::move(reply.bytes)});
    next = due;
  }
  if (result.hold) {
    constexpr std::uint8_t kXoff = 0x13;
    [[maybe_unused]] const ssize_t written = write(channel.pty.Master(), &kXoff, 1);
    channel.holding = true;
  }
  if (result.drop) {
    // The printer hangs up: the client sees the line go, a fresh one takes its place.
    recorder_.Log("[" + channel.name + "] hung up " + channel.pty.Path());
    channel.pty.Close();
    OpenPty(channel, true);
  }
}

void Simulator::ReadPty(PtyChannel& channel) {
  std::uint8_t buffer[kReadSize];
  std::size_t want = sizeof buffer;
  if (options_.pace) {
    // About 10 ms of wire time at a go, at least one byte.
    want = std::clamp<std::size_t>(static_cast<std::size_t>(printer_.Line().baud / 1000), 1,
                                   sizeof buffer);
  }
  const ssize_t got = read(channel.pty.Master(), buffer, want);
  if (got < 0 && (errno == EAGAIN || errno == EINTR))
    return;
  if (got <= 0) {
    // The line is gone (it cannot hang up while we hold its slave, but never spin on it).
    recorder_.Log("[" + channel.name + "] lost " + channel.pty.Path() + ", opening a new one");
    channel.session->Finish();
    channel.pty.Close();
    OpenPty(channel, true);
    return;
  }
  channel.lastInput = Clock::now();
  channel.idleFlushed = false;
  const ByteView bytes(buffer, static_cast<std::size_t>(got));
  if (options_.pace) {
    // Bytes that waited while the previous chunk was on the wire follow it without a gap, so
    // that the late wake-ups of poll do not add up.
    const Clock::time_point now = Clock::now();
    const Clock::time_point start = now - channel.arrived < kBackToBack ? channel.arrived : now;
    channel.inflight.assign(bytes.begin(), bytes.end());
    channel.arrived = start + WireTime(bytes.size(), printer_.Line().baud);
    return;
  }
  Process(channel, bytes);
}

void Simulator::WriteDue(PtyChannel& channel, Clock::time_point now) {
  while (!channel.out.empty() && channel.out.front().due <= now) {
    const Bytes& bytes = channel.out.front().bytes;
    // A parallel port's back channel holds the latest answer only.
    if (channel.latestAnswerOnly)
      channel.pty.DiscardUnread();
    [[maybe_unused]] const ssize_t written =
        write(channel.pty.Master(), bytes.data(), bytes.size());
    channel.out.pop_front();
  }
}

bool Simulator::Accept(Listener& listener) {
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  const int fd = accept4(listener.fd, reinterpret_cast<sockaddr*>(&peer), &length,
                         SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) {
    // Out of descriptors: the connection stays queued; listening waits a while instead of
    // spinning on a listener that stays readable.
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
      acceptPausedUntil_ = Clock::now() + milliseconds(100);
    return false;
  }
  char host[INET6_ADDRSTRLEN] = {};
  char service[16] = {};
  getnameinfo(reinterpret_cast<sockaddr*>(&peer), length, host, sizeof host, service,
              sizeof service, NI_NUMERICHOST | NI_NUMERICSERV);
  TcpChannel& channel = connections_.emplace_back();
  channel.fd = fd;
  channel.peer = std::string("tcp ") + host + ":" + service;
  channel.lastInput = Clock::now();
  channel.session = std::make_unique<Session>(
      ChannelOptions{channel.peer, false, fault_, false, &paper_, &face_}, printer_, recorder_);
  recorder_.Log("[" + channel.peer + "] connected to " + listener.address);
  return true;
}

void Simulator::ReadTcp(TcpChannel& channel) {
  std::uint8_t buffer[kReadSize];
  const ssize_t got = read(channel.fd, buffer, sizeof buffer);
  if (got < 0 && (errno == EAGAIN || errno == EINTR))
    return;
  if (got <= 0) {
    CloseTcp(channel, "closed");
    return;
  }
  channel.lastInput = Clock::now();
  channel.idleFlushed = false;
  const FeedResult result = channel.session->Feed(ByteView(buffer, static_cast<std::size_t>(got)));
  channel.holding = result.hold;
  // Over TCP only the questions (status, identity) are answered: a few bytes, sent at once; what
  // a client that does not read leaves no room for is lost, as a printer's would be.
  for (const Reply& reply : result.replies)
    (void)send(channel.fd, reply.bytes.data(), reply.bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (result.drop) {
    held_ -= channel.held;
    channel.held = 0;
    close(channel.fd);
    channel.fd = -1;
    return;
  }
  held_ = held_ - channel.held + channel.session->Held();
  channel.held = channel.session->Held();
  const std::size_t budget = std::size_t(options_.heldMegabytes) << 20;
  if (held_ > budget) {
    CloseTcp(channel, "closed by the printer: the downloads under way hold more than " +
                          std::to_string(budget) + " bytes");
  }
}

void Simulator::CloseTcp(TcpChannel& channel, const std::string& why) {
  channel.session->Finish();
  recorder_.Log("[" + channel.peer + "] " + why);
  held_ -= channel.held;
  channel.held = 0;
  close(channel.fd);
  channel.fd = -1;
}

bool Simulator::Accepting() const {
  return connections_.size() < static_cast<std::size_t>(options_.maxConnections) &&
         Clock::now() >= acceptPausedUntil_;
}

void Simulator::WriteState() {
  nlohmann::json state = printer_.State(&GbkToUtf8);
  state["counters"]["receipts"] = paper_.Receipts();
  const std::string text =
      state.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
  // The state in the output folder is written there without following links; one named by
  // --state is written where it is named. Either replaces the old file only once the new one is
  // whole on the disk.
  const bool inFolder = options_.state.empty();
  const std::string temporary = inFolder ? "state.json.tmp" : statePath_.string() + ".tmp";
  const int fd = openat(inFolder ? outFolder_ : AT_FDCWD, temporary.c_str(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  std::string failure;
  if (fd < 0) {
    failure = std::strerror(errno);
  } else {
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = write(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0) {
        failure = n < 0 ? std::strerror(errno) : "nothing written";
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    if (failure.empty() && fsync(fd) != 0)
      failure = std::strerror(errno);
    if (close(fd) != 0 && failure.empty())
      failure = std::strerror(errno);
    if (failure.empty() && renameat(inFolder ? outFolder_ : AT_FDCWD, temporary.c_str(),
                                    inFolder ? outFolder_ : AT_FDCWD,
                                    inFolder ? "state.json" : statePath_.string().c_str()) != 0)
      failure = std::strerror(errno);
    if (!failure.empty())
      unlinkat(inFolder ? outFolder_ : AT_FDCWD, temporary.c_str(), 0);
  }
  if (!failure.empty()) {
    const std::string line = "could not write the state to " + statePath_.string() + ": " +
                             failure + " (the earlier state, if any, is kept)";
    recorder_.Log(line);
    std::cerr << "vantrel-sim: " << line << '\n';
  }
}

void Simulator::Shutdown() {
  for (PtyChannel& channel : ptys_) {
    if (!channel.inflight.empty())
      Process(channel, channel.inflight);
    channel.session->Finish();
    if (!channel.link.empty()) {
      std::error_code error;
      if (std::filesystem::is_symlink(channel.link, error))
        std::filesystem::remove(channel.link, error);
    }
    channel.pty.Close();
  }
  for (TcpChannel& channel : connections_) {
    if (channel.fd >= 0) {
      channel.session->Finish();
      close(channel.fd);
    }
  }
  paper_.Finish(recorder_);
  WriteState();
}

// The descriptors to wait on, in the order Serve reads them: the signal pipe, each pty's master
// and close watch, each listener, each connection; and when to wake at the latest.
Clock::time_point Simulator::PollSet(std::vector<pollfd>& fds, Clock::time_point now) {
  fds.push_back({signalPipe[0], POLLIN, 0});
  Clock::time_point wake = now + std::chrono::seconds(1);
  for (PtyChannel& channel : ptys_) {
    const bool busy = !channel.inflight.empty() || channel.holding;
    fds.push_back({channel.pty.Master(), static_cast<short>(busy ? 0 : POLLIN), 0});
    fds.push_back({channel.pty.ClosedWatch(), POLLIN, 0});
    if (busy)
      wake = std::min(wake, channel.arrived);
    if (!channel.out.empty())
      wake = std::min(wake, channel.out.front().due);
    if (!channel.idleFlushed)
      wake = std::min(wake, channel.lastInput + kIdleFlush);
  }
  // At the cap on connections (or out of descriptors) new ones wait in the listener's queue.
  const bool accepting = Accepting();
  if (!accepting && acceptPausedUntil_ > now)
    wake = std::min(wake, acceptPausedUntil_);
  for (const Listener& listener : listeners_)
    fds.push_back({listener.fd, static_cast<short>(accepting ? POLLIN : 0), 0});
  const Clock::duration idleLimit = std::chrono::seconds(options_.idleSeconds);
  for (const TcpChannel& channel : connections_) {
    fds.push_back({channel.fd, static_cast<short>(channel.holding ? POLLRDHUP : POLLIN), 0});
    if (!channel.idleFlushed)
      wake = std::min(wake, channel.lastInput + kIdleFlush);
    if (options_.idleSeconds > 0)
      wake = std::min(wake, channel.lastInput + idleLimit);
  }
  return wake;
}

// What the signal pipe brought: the state written, or the end (false).
bool Simulator::TakeSignals() {
  char number = 0;
  while (read(signalPipe[0], &number, 1) == 1) {
    if (number == SIGUSR1) {
      WriteState();
      recorder_.Log("state written to " + statePath_.string());
    } else {
      Shutdown();
      return false;
    }
  }
  return true;
}

void Simulator::ServePty(PtyChannel& channel, const pollfd& entry, const pollfd& closeEntry,
                         Clock::time_point later) {
  if ((closeEntry.revents & POLLIN) != 0 && channel.pty.ClientClosed()) {
    // A client closed the line: answers nobody is there to read are lost, as on a port
    // nobody holds (before anything a new client sent is taken in).
    channel.pty.DiscardUnread();
    channel.out.clear();
    if (channel.holding) {
      // The printer is seen to again (paper in): it drops what it could not take, and the
      // line's output, stopped by its XOFF, goes on for the next client.
      channel.holding = false;
      channel.pty.DiscardReceived();
      channel.session = std::make_unique<Session>(
          ChannelOptions{channel.name, true, fault_, channel.latestAnswerOnly, &paper_, &face_},
          printer_, recorder_);
      recorder_.Log("[" + channel.name + "] client gone: the held XOFF is released");
    }
  }
  if (channel.holding) {
    WriteDue(channel, Clock::now());
    return;
  }
  if (!channel.inflight.empty() && channel.arrived <= later) {
    const Bytes bytes = std::move(channel.inflight);
    channel.inflight.clear();
    Process(channel, bytes);
  } else if ((entry.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
    ReadPty(channel);
  }
  WriteDue(channel, Clock::now());
  if (!channel.idleFlushed && channel.inflight.empty() && later - channel.lastInput >= kIdleFlush) {
    channel.session->Idle();
    channel.idleFlushed = true;
  }
}

void Simulator::ServeTcp(TcpChannel& channel, short events, Clock::time_point later) {
  if (channel.holding && (events & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
    CloseTcp(channel, "closed while held, unread data dropped");
    return;
  }
  if (!channel.holding && (events & (POLLIN | POLLHUP | POLLERR)) != 0)
    ReadTcp(channel);
  if (channel.fd >= 0 && !channel.idleFlushed && later - channel.lastInput >= kIdleFlush) {
    channel.session->Idle();
    channel.idleFlushed = true;
  }
  const Clock::duration idleLimit = std::chrono::seconds(options_.idleSeconds);
  if (channel.fd >= 0 && options_.idleSeconds > 0 && later - channel.lastInput >= idleLimit) {
    CloseTcp(channel, "closed by the printer: nothing came for " +
                          std::to_string(options_.idleSeconds) + " s");
  }
}

int Simulator::Run() {
  for (;;) {
    std::vector<pollfd> fds;
    const Clock::time_point now = Clock::now();
    const Clock::time_point wake = PollSet(fds, now);
    recorder_.Flush();
    const auto timeout = std::chrono::duration_cast<milliseconds>(wake - now).count();
    const int ready =
        poll(fds.data(), fds.size(), static_cast<int>(std::max<long>(0, timeout + 1)));
    if (ready < 0 && errno != EINTR)
      return 1;

    std::size_t index = 0;
    if ((fds[index++].revents & POLLIN) != 0 && !TakeSignals())
      return 0;
    const Clock::time_point later = Clock::now();
    for (PtyChannel& channel : ptys_) {
      const pollfd& entry = fds[index++];
      ServePty(channel, entry, fds[index++], later);
    }
    for (Listener& listener : listeners_) {
      // Every queued connection at once (up to the cap): a crowd is not taken one a round.
      if ((fds[index++].revents & POLLIN) != 0) {
        while (Accepting() && Accept(listener)) {
        }
      }
    }
    for (TcpChannel& channel : connections_) {
      // Connections accepted in this round have no entry yet.
      if (index >= fds.size())
        break;
      ServeTcp(channel, fds[index++].revents, later);
    }
    connections_.remove_if([](const TcpChannel& channel) { return channel.fd < 0; });
  }
}

std::vector<int> BaudRates() {
  std::vector<int> rates;
  for (std::size_t index = 0; index < kBaudRateCount; ++index)
    rates.push_back(static_cast<int>(BaudRateAt(index)));
  return rates;
}

std::vector<std::string> Parities() {
  return {"none", "odd", "even"};
}

// Where the printer is reached, and what it may hold and keep.
void AddServingOptions(CLI::App& app, Options& options) {
  app.add_option("--tcp", options.tcp,
                 "listen for TCP at ADDR:PORT (port 0: any free port; 'off': no TCP)")
      ->default_str("127.0.0.1:9100")
      ->type_name("ADDR:PORT");
  app.add_option("--max-connections", options.maxConnections,
                 "TCP connections taken at once; more wait in the queue until one ends")
      ->default_str("16")
      ->check(CLI::Range(1, 100000));
  app.add_option("--idle-timeout", options.idleSeconds,
                 "seconds a TCP connection may send nothing before the printer closes it (0: "
                 "never)")
      ->default_str("60")
      ->check(CLI::Range(0, 86400));
  app.add_option("--held-budget", options.heldMegabytes,
                 "megabytes all unfinished downloads may hold together; the connection that "
                 "goes over is closed")
      ->default_str("16")
      ->check(CLI::Range(1, 4096));
  app.add_option("--out-budget", options.outMegabytes,
                 "megabytes the output folder may take: log (at most 16), journal and pictures")
      ->default_str("256")
      ->check(CLI::Range(1, 1 << 20));
  app.add_option("--pty", options.ptys,
                 "open a pseudo-terminal NAME, optionally with a symlink LINK to it; a name "
                 "starting with lpt keeps only its latest answer, like a parallel port, and "
                 "does not answer the settings not read back there")
      ->type_name("NAME[=LINK]");
  app.add_option("--out", options.out,
                 "output folder: log, journal, PNGs, state; made when missing, else it must be "
                 "yours and writable by you alone")
      ->default_str("vantrel-sim-out")
      ->type_name("DIR");
  app.add_option("--state", options.state,
                 "where to write the JSON state, on SIGUSR1 and at exit (default DIR/state.json)")
      ->type_name("FILE");
}

// The printer itself: its line, its faults, its identity.
void AddPrinterOptions(CLI::App& app, Options& options) {
  app.add_option("--baud", options.baud, "the printer's own serial line at start")
      ->default_str("9600")
      ->check(CLI::IsMember(BaudRates()));
  app.add_option("--parity", options.parity, "the printer's own parity at start")
      ->default_str("none")
      ->check(CLI::IsMember(Parities()));
  app.add_flag("--pace", options.pace, "take in and answer at the line's wire speed");
  app.add_flag("--check-line", options.checkLine,
               "ignore bytes sent while the pty's line differs from the printer's own");
  app.add_option("--fault", options.fault,
                 FaultChoices(" | ") +
                     " (late: the first answer of each setup frame comes "
                     "MS late, the others after it; xon-after-xoff: sends XON after any answer "
                     "holding 0x13, which a line with XON/XOFF takes for XOFF, as by default the "
                     "printer does not; hold-xoff: on a download's first bytes the buffer is full, "
                     "XOFF on a serial line, and nothing more is read until the client closes; "
                     "paper-near-end, paper-out, cover-open, offline: the state its status answers "
                     "give, on every channel)")
      ->type_name("MODE");
  app.add_option("--maker", options.maker, "the maker's name the printer answers GS I 66 with")
      ->default_str(options.maker)
      ->type_name("TEXT");
  app.add_option("--model", options.model, "the model name the printer answers GS I 67 with")
      ->default_str(options.model)
      ->type_name("TEXT");
  app.add_flag("--quiet", options.quiet, "no log lines on stdout (log.txt is still written)");
  app.add_option("--font", options.font, "the outline font the printer's characters are drawn from")
      ->default_str(options.font)
      ->type_name("FILE");
  app.footer(R"footer(
Examples:
  vantrel-sim --out "$(mktemp -d)"              a pty named serial and TCP on 127.0.0.1:9100
  vantrel-sim --pty com1="$XDG_RUNTIME_DIR/ttyCOM1" --pty lpt1 --tcp 127.0.0.1:0
  vantrel-sim --pace --check-line --baud 19200 --fault slow:300

At start it prints "pty NAME PATH", "tcp ADDR:PORT", "out DIR" and "ready", then one line per
command it decodes. SIGUSR1 writes the state; SIGINT or SIGTERM writes it and ends.)footer");
}

// The values the shell completes for an option; nothing for a path.
std::optional<std::vector<std::string>> CompletionWords(const CLI::Option& option) {
  std::vector<std::string> words;
  const std::string name = option.get_lnames().empty() ? "" : option.get_lnames().front();
  if (name == "out" || name == "state" || name == "pty")
    return std::nullopt;
  if (name == "baud") {
    words.assign(std::begin(kBaudRates), std::end(kBaudRates));
  } else if (name == "parity") {
    words = Parities();
  } else if (name == "fault") {
    for (const FaultName& fault : kFaultNames)
      words.emplace_back(fault.name);
    words.insert(words.end(), std::begin(kConditionNames), std::end(kConditionNames));
  } else if (name == "tcp") {
    words = {"127.0.0.1:9100", "127.0.0.1:0", "off"};
  }
  return words;
}

// The signals end the run or write the state through the self-pipe; a closed peer is no signal.
bool CatchSignals() {
  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    return false;
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGUSR1, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return true;
}

}  // namespace
}  // namespace vantrel::sim

int main(int argc, char** argv) {
  using namespace vantrel::sim;
  Options options;
  CLI::App app{"vantrel-sim: a virtual receipt printer on pseudo-terminals and TCP", "vantrel-sim"};
  app.set_version_flag("--version", std::string("vantrel-sim ") + VANTREL_VERSION);
  AddServingOptions(app, options);
  AddPrinterOptions(app, options);
  if (argc == 2 && std::string_view(argv[1]) == vantrel::completion::kCompletionSwitch) {
    std::cout << vantrel::completion::BashCompletion(
        app, [](const CLI::App&, const CLI::Option& option) { return CompletionWords(option); });
    return 0;
  }
  CLI11_PARSE(app, argc, argv);

  Fault fault;
  const Condition condition = ParseCondition(options.fault).value_or(Condition::Ready);
  if (!options.fault.empty() && !ParseCondition(options.fault)) {
    const auto parsed = ParseFault(options.fault);
    if (!parsed) {
      std::cerr << "vantrel-sim: unknown fault '" << options.fault << "' (" << FaultChoices(", ")
                << ")\n";
      return 2;
    }
    fault = *parsed;
  }
  SerialLine line;
  line.baud = options.baud;
  line.parity = *ParseParity(options.parity);

  if (!CatchSignals())
    return 1;

  const auto folder = OpenOutFolder(options.out);
  if (const auto* why = std::get_if<std::string>(&folder)) {
    std::cerr << "vantrel-sim: --out " << options.out << ": " << *why << '\n';
    return 2;
  }
  try {
    Simulator simulator(options, fault, condition, line, std::get<int>(folder));
    if (!simulator.Start())
      return 1;
    return simulator.Run();
  } catch (const std::exception& error) {
    std::cerr << "vantrel-sim: " << error.what() << '\n';
    return 1;
  }
}
