// The operating system of a POSIX machine: termios serial lines, the parallel and USB printer
// nodes, and TCP sockets.

#include "link/posix/posix_system.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <utility>

#include "link/baud_rates.h"
#include "link/bounded_io.h"
#include "link/open_failure.h"
#include "link/read_timeouts.h"

namespace vantrel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The parallel port and USB printers get no read time-outs from the core that would let a
// printer answer (USB reads are told to return at once): every read there waits up to half a
// second for the first byte and takes what follows within 50 ms of the byte before.
constexpr CommTimeouts kPrinterNodeReadBounds =
    CommTimeouts::ReadsWithin(milliseconds{50}, milliseconds{0}, milliseconds{500});

constexpr std::array<std::pair<std::uint32_t, speed_t>, 8> kSpeeds{{{1200, B1200},
                                                                    {2400, B2400},
                                                                    {4800, B4800},
                                                                    {9600, B9600},
                                                                    {19200, B19200},
                                                                    {38400, B38400},
                                                                    {57600, B57600},
                                                                    {115200, B115200}}};

// Every rate of the baud table has its speed here.
static_assert([] {
  if (kSpeeds.size() != kBaudRateCount)
    return false;
  for (std::size_t index = 0; index < kBaudRateCount; ++index) {
    if (kSpeeds[index].first != BaudRateAt(index))
      return false;
  }
  return true;
}());

std::optional<speed_t> SpeedFor(std::uint32_t rate) {
  for (const auto& [baud, speed] : kSpeeds) {
    if (baud == rate)
      return speed;
  }
  return std::nullopt;
}

std::uint32_t RateOf(speed_t speed) {
  for (const auto& [baud, s] : kSpeeds) {
    if (s == speed)
      return baud;
  }
  return 0;
}

int PollFor(int fd, short events, std::optional<milliseconds> wait) {
  pollfd p{fd, events, 0};
  const int timeout =
      wait ? static_cast<int>(std::min<milliseconds::rep>(wait->count(), 1 << 30)) : -1;
  const int n = ::poll(&p, 1, timeout);
  if (n <= 0)
    return n;
  return p.revents;
}

milliseconds Since(Clock::time_point t) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - t);
}

// One open file descriptor of a serial line, the parallel port or a USB printer node. Opened
// non-blocking: every wait is a poll bounded by the port's time-outs.
class FdPort final : public SerialDevice {
 public:
  FdPort(int fd, bool serial, const SystemOptions& options)
      : fd_(fd),
        serial_(serial),
        progress_(options.progress),
        progressThreshold_(options.progressThreshold) {
    if (!serial_)
      timeouts_ = kPrinterNodeReadBounds;
  }
  ~FdPort() override { ::close(fd_); }
  FdPort(const FdPort&) = delete;
  FdPort& operator=(const FdPort&) = delete;

  // Every byte within the write's bound: the line's write time-outs on a serial line (and the
  // line must have sent them, not only queued them), the device bound on a printer node, whose
  // driver may wait for ever on a printer that does not take data.
  bool Write(ByteView data) override {
    const Clock::time_point start = Clock::now();
    const std::optional<milliseconds> bound =
        serial_ ? WriteBound(timeouts_, data.size()) : DeviceWriteBound(data.size());
    const bool report = progress_ && data.size() >= progressThreshold_;
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        if (report)
          progress_(done, data.size());
        continue;
      }
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0 && errno != EAGAIN)
        return false;
      std::optional<milliseconds> left;
      if (bound) {
        left = *bound - Since(start);
        if (left->count() <= 0)
          return false;
      }
      if (PollFor(fd_, POLLOUT, left) < 0 && errno != EINTR)
        return false;
    }
    return !serial_ || Drained(start, bound);
  }

  PortRead Read(std::size_t maxBytes) override {
    PortRead result{true, {}};
    if (maxBytes == 0)
      return result;
    const ReadBound bound(timeouts_, maxBytes);
    const Clock::time_point start = Clock::now();
    Clock::time_point last = start;
    std::array<std::uint8_t, 256> buffer{};
    while (true) {
      const std::size_t want = std::min(buffer.size(), maxBytes - result.bytes.size());
      const ssize_t n = want == 0 ? 0 : ::read(fd_, buffer.data(), want);
      if (n > 0) {
        result.bytes.insert(result.bytes.end(), buffer.begin(), buffer.begin() + n);
        last = Clock::now();
        if (result.bytes.size() >= maxBytes)
          return result;
        continue;
      }
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0 && errno != EAGAIN) {
        result.ok = result.bytes.empty() ? false : result.ok;
        return result;
      }
      // A terminal with no byte waiting reads 0 (no minimum count is set); elsewhere 0 is the end.
      if (n == 0 && !serial_)
        return result;
      const std::optional<milliseconds> left =
          bound.Remaining(Since(start), Since(last), result.bytes.size());
      if (left && left->count() <= 0)
        return result;
      const int events = PollFor(fd_, POLLIN, left);
      if (events < 0 && errno != EINTR)
        return result;
      if (events > 0 && (events & POLLIN) == 0)
        return result;  // hung up or failed with nothing to read
    }
  }

  std::optional<std::size_t> ClearErrorsAndCountReceived() override {
    if (!serial_)
      return std::nullopt;
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0)
      return 0;
    return static_cast<std::size_t>(waiting);
  }

  void DiscardInput() override {
    if (serial_)
      ::tcflush(fd_, TCIFLUSH);
  }

  // Clearing IXON also restarts output a received XOFF had stopped.
  void SetOutputFlowControl(bool on) override {
    termios t{};
    if (!serial_ || ::tcgetattr(fd_, &t) != 0)
      return;
    if (on)
      t.c_iflag |= IXON;
    else
      t.c_iflag &= ~static_cast<tcflag_t>(IXON);
    ::tcsetattr(fd_, TCSANOW, &t);
  }

  // Restarting output clears only a stop of our own making, so it is stopped first; a stop by
  // a received XOFF goes with it.
  void ResumeOutput() override {
    if (!serial_)
      return;
    ::tcflow(fd_, TCOOFF);
    ::tcflow(fd_, TCOON);
  }

  void SetTimeouts(const CommTimeouts& timeouts) override {
    if (serial_) {
      timeouts_ = timeouts;
      return;
    }
    timeouts_.writeTotalMultiplier = timeouts.writeTotalMultiplier;
    timeouts_.writeTotalConstant = timeouts.writeTotalConstant;
  }

  std::optional<SerialLine> ReadLineSettings() override {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0)
      return std::nullopt;
    termios_ = t;
    SerialLine line;
    line.baudRate = RateOf(::cfgetospeed(&t));
    line.binary = (t.c_iflag & (ISTRIP | INLCR | ICRNL | IGNCR)) == 0 && (t.c_oflag & OPOST) == 0;
    line.parityCheck = (t.c_iflag & INPCK) != 0;
    line.byteSize = (t.c_cflag & CSIZE) == CS8 ? 8 : (t.c_cflag & CSIZE) == CS7 ? 7 : 0;
    line.parity = (t.c_cflag & PARENB) == 0   ? Parity::None
                  : (t.c_cflag & PARODD) != 0 ? Parity::Odd
                                              : Parity::Even;
    line.stopBits = (t.c_cflag & CSTOPB) != 0 ? StopBits::Two : StopBits::One;
    line.ctsOutputFlow = (t.c_cflag & CRTSCTS) != 0;
    line.xonXoffOutput = (t.c_iflag & IXON) != 0;
    line.xonXoffInput = (t.c_iflag & IXOFF) != 0;
    line.xonChar = t.c_cc[VSTART];
    line.xoffChar = t.c_cc[VSTOP];
    return line;
  }

  bool WriteLineSettings(const SerialLine& line) override {
    termios t = termios_;
    if (line.binary) {
      t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXANY | IMAXBEL | IUCLC);
      t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
      t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    }
    if (const auto speed = SpeedFor(line.baudRate)) {
      ::cfsetispeed(&t, *speed);
      ::cfsetospeed(&t, *speed);
    }
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag |= line.byteSize == 7 ? CS7 : CS8;
    if (line.parity == Parity::Odd)
      t.c_cflag |= PARENB | PARODD;
    else if (line.parity == Parity::Even)
      t.c_cflag |= PARENB;
    if (line.stopBits != StopBits::One)
      t.c_cflag |= CSTOPB;
    if (line.ctsOutputFlow)
      t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF);
    if (line.parityCheck && line.parity != Parity::None)
      t.c_iflag |= INPCK;
    if (line.xonXoffOutput)
      t.c_iflag |= IXON;
    if (line.xonXoffInput)
      t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = line.xonChar;
    t.c_cc[VSTOP] = line.xoffChar;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd_, TCSANOW, &t) != 0)
      return false;
    // A freshly opened port starts clean, as a Windows port does: answers left unread by an
    // earlier session are dropped, and an XOFF that stopped the line then (a printer echoing the
    // value 0x13, say) does not hold this one's output back.
    ::tcflush(fd_, TCIFLUSH);
    ResumeOutput();
    int lines = 0;
    if (line.rtsControl == RtsControl::Enable)
      lines |= TIOCM_RTS;
    if (line.dtrControl == DtrControl::Enable)
      lines |= TIOCM_DTR;
    if (lines != 0)
      ::ioctl(fd_, TIOCMBIS, &lines);  // a pseudo-terminal has no modem lines: not looked at
    return true;
  }

 private:
  // Written to the driver is not yet sent: a serial line's output queue must empty within the
  // write's bound (a printer holding XOFF keeps it full). A pseudo-terminal reports no queue.
  bool Drained(Clock::time_point start, std::optional<milliseconds> bound) const {
    constexpr milliseconds kQueuePoll{5};
    while (true) {
      int queued = 0;
      if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0)
        return true;
      if (bound && Since(start) >= *bound)
        return false;
      ::usleep(static_cast<useconds_t>(kQueuePoll.count() * 1000));
    }
  }

  int fd_;
  bool serial_;
  std::function<void(std::size_t, std::size_t)> progress_;
  std::size_t progressThreshold_;
  CommTimeouts timeouts_{};
  termios termios_{};
};

OpenError ErrorOf(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return OpenError::PermissionDenied;
    case EBUSY:
      return OpenError::Busy;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
      return OpenError::Missing;
    default:
      return OpenError::Other;
  }
}

class PosixSystem final : public System {
 public:
  explicit PosixSystem(PosixLinkOptions options) : options_(std::move(options)) {}

  std::optional<FailedOpen> LastFailedOpen() const override { return failed_; }

  void Sleep(milliseconds duration) override {
    ::usleep(static_cast<useconds_t>(duration.count()) * 1000);
  }

  std::unique_ptr<SerialDevice> OpenSerialDevice(std::string_view port) override {
    const std::string device = PosixSerialDevice(port);
    const int fd = OpenDevice(device);
    if (fd < 0)
      return nullptr;
    // Exclusive, as the port is opened on Windows: a second open by anyone but root fails.
    if (::isatty(fd) && ::ioctl(fd, TIOCEXCL) != 0) {
      Failed(device, errno);
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<FdPort>(fd, true, options_.system);
  }

  std::unique_ptr<DevicePort> OpenParallelDevice() override {
    const int fd =
        OpenDevice(options_.system.parallelPath.value_or(std::string(kDefaultParallelPath)));
    if (fd < 0)
      return nullptr;
    return std::make_unique<FdPort>(fd, false, options_.system);
  }

  std::optional<std::vector<UsbDevice>> ListUsbDevices() override {
    const auto devices = vantrel::ListUsbDevices(options_.sysfsRoot, options_.devRoot);
    if (!devices)
      return std::nullopt;
    std::vector<UsbDevice> listed;
    for (const UsbDeviceEntry& entry : *devices)
      listed.push_back(ListedUsbDevice(entry));
    return listed;
  }

  // A device the kernel made no printer node for cannot be opened.
  std::unique_ptr<DevicePort> OpenUsbDevice(const UsbDevice& device) override {
    if (device.path.empty())
      return nullptr;
    const int fd = OpenNode(device.path);
    if (fd < 0)
      return nullptr;
    return std::make_unique<FdPort>(fd, false, options_.system);
  }

  std::optional<SocketId> CreateTcpSocket() override {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
      return std::nullopt;
    return static_cast<SocketId>(fd);
  }

  bool Connect(SocketId socket, const Ipv4Endpoint& endpoint) override {
    const int fd = static_cast<int>(socket);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    std::memcpy(&address.sin_addr.s_addr, endpoint.address.data(), 4);
    const auto* raw = reinterpret_cast<const sockaddr*>(&address);
    const std::optional<milliseconds> connectTimeout = options_.system.connectTimeout;
    if (!connectTimeout)
      return ::connect(fd, raw, sizeof address) == 0;

    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    bool connected = ::connect(fd, raw, sizeof address) == 0;
    if (!connected && errno == EINPROGRESS) {
      const int events = PollFor(fd, POLLOUT, connectTimeout);
      int error = 0;
      socklen_t length = sizeof error;
      connected =
          events > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    ::fcntl(fd, F_SETFL, flags);
    return connected;
  }

  // Non-blocking, so neither a printer that stops taking data nor one that talks back can hold
  // the send: what it sends is read and dropped (unread, it would make the close a reset that
  // drops what is still queued), and the bound ends the wait.
  bool Send(SocketId socket, ByteView data, milliseconds bound) override {
    const int fd = static_cast<int>(socket);
    const SystemOptions& system = options_.system;
    const bool report = system.progress && data.size() >= system.progressThreshold;
    const Clock::time_point start = Clock::now();
    std::size_t done = 0;
    while (done < data.size()) {
      if (!DropReceived(fd))
        return false;
      // At most 4 KiB at a time, so a progress bar moves as the printer takes the data.
      const std::size_t chunk =
          report ? std::min<std::size_t>(4096, data.size() - done) : data.size() - done;
      const ssize_t n = ::send(fd, data.data() + done, chunk, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        if (report)
          system.progress(done, data.size());
        continue;
      }
      if (n < 0 && errno == EINTR)
        continue;
      if (n == 0 || errno != EAGAIN)
        return false;
      const milliseconds left = bound - Since(start);
      if (left.count() <= 0)
        return false;
      if (PollFor(fd, POLLOUT | POLLIN, left) < 0 && errno != EINTR)
        return false;
    }
    return true;
  }

  // Done when the printer, having read everything up to our end, closes its side. A printer that
  // keeps the connection open is done at the bound when it has acknowledged every byte (the
  // send queue is empty). A reset, or unacknowledged bytes at the bound, mean the data did not
  // all leave.
  bool FinishSending(SocketId socket, milliseconds bound) override {
    const int fd = static_cast<int>(socket);
    const Clock::time_point start = Clock::now();
    ::shutdown(fd, SHUT_WR);
    while (true) {
      std::array<std::uint8_t, 4096> sink{};
      const ssize_t n = ::recv(fd, sink.data(), sink.size(), MSG_DONTWAIT);
      if (n == 0) {
        int unacknowledged = 0;
        return ::ioctl(fd, TIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0;
      }
      if (n > 0 || (n < 0 && errno == EINTR))
        continue;
      if (errno != EAGAIN)
        return false;
      const milliseconds left = bound - Since(start);
      if (left.count() <= 0) {
        int unacknowledged = 0;
        return ::ioctl(fd, TIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0;
      }
      PollFor(fd, POLLIN, left);
    }
  }

  std::optional<Bytes> Receive(SocketId socket, std::size_t maxBytes, milliseconds bound) override {
    const int fd = static_cast<int>(socket);
    const Clock::time_point start = Clock::now();
    Bytes got(maxBytes);
    while (true) {
      const ssize_t n = ::recv(fd, got.data(), got.size(), MSG_DONTWAIT);
      if (n > 0) {
        got.resize(static_cast<std::size_t>(n));
        return got;
      }
      if (n < 0 && errno == EINTR)
        continue;
      if (n == 0 || errno != EAGAIN)
        return std::nullopt;  // closed or reset
      const milliseconds left = bound - Since(start);
      if (left.count() <= 0)
        return Bytes{};
      if (PollFor(fd, POLLIN, left) < 0 && errno != EINTR)
        return std::nullopt;
    }
  }

  // What the printer sent last is read first: closing on unread data would reset the connection.
  void CloseSocket(SocketId socket) override {
    DropReceived(static_cast<int>(socket));
    ::close(static_cast<int>(socket));
  }

 private:
  // open(2) for reading and writing, never becoming the controlling terminal; a failure is
  // remembered with its cause.
  int OpenNode(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
      Failed(path, errno);
    return fd;
  }

  // A node a user names: only a character device (a serial line, a printer node), never a
  // regular file or a link to one, which the run's bytes would overwrite. Whether a serial line
  // is a terminal its set-up finds out before anything is written.
  int OpenDevice(const std::string& path) {
    const int fd = OpenNode(path);
    if (fd < 0)
      return fd;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
      ::close(fd);
      failed_ = FailedOpen{path, OpenError::NotADevice};
      return -1;
    }
    return fd;
  }

  void Failed(const std::string& path, int error) { failed_ = FailedOpen{path, ErrorOf(error)}; }

  // Reads and drops what the printer sent; false when the connection was reset or the printer
  // has closed it (what is sent after that does not arrive).
  static bool DropReceived(int fd) {
    std::array<std::uint8_t, 4096> sink{};
    while (true) {
      const ssize_t n = ::recv(fd, sink.data(), sink.size(), MSG_DONTWAIT);
      if (n > 0)
        continue;
      if (n < 0 && errno == EINTR)
        continue;
      return n < 0 && errno == EAGAIN;
    }
  }

  PosixLinkOptions options_;
  std::optional<FailedOpen> failed_;
};

}  // namespace

std::string PosixSerialDevice(std::string_view port) {
  constexpr std::string_view kPrefix = "COM";
  if (port.substr(0, kPrefix.size()) == kPrefix) {
    const std::string_view digits = port.substr(kPrefix.size());
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error == std::errc{} && end == digits.data() + digits.size() && number >= 1) {
      return "/dev/ttyS" + std::to_string(number - 1);
    }
  }
  return std::string(port);
}

std::unique_ptr<System> CreatePosixSystem(PosixLinkOptions options) {
  return std::make_unique<PosixSystem>(std::move(options));
}

// Linux ages its neighbour entries out by itself (and "arp -d" there needs a host and root
// rights), and its sockets need no library started: those optional operations keep the
// interface's empty bodies.
std::unique_ptr<System> CreateSystem(SystemOptions options) {
  return CreatePosixSystem({std::move(options), "/sys", "/dev"});
}

}  // namespace vantrel
