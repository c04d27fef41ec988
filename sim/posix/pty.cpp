#include "sim/posix/pty.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "sim/posix/charset.h"
#include "sim/printer.h"

namespace vantrel::sim {
namespace {

constexpr std::pair<int, speed_t> kSpeeds[] = {
    {1200, B1200},     {2400, B2400},   {4800, B4800},   {9600, B9600},
    {19200, B19200},   {38400, B38400}, {57600, B57600}, {115200, B115200},
    {230400, B230400}, {300, B300},     {600, B600},     {1800, B1800}};

speed_t SpeedOf(int baud) {
  for (const auto& [rate, speed] : kSpeeds) {
    if (rate == baud)
      return speed;
  }
  return B9600;
}

std::optional<int> BaudOf(speed_t speed) {
  for (const auto& [rate, value] : kSpeeds) {
    if (value == speed)
      return rate;
  }
  return std::nullopt;
}

}  // namespace

Pty::~Pty() {
  Close();
}

bool Pty::Open(const SerialLine& line) {
  Close();
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0)
    return false;
  char name[128];
  if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
      ptsname_r(master_, name, sizeof name) != 0) {
    Close();
    return false;
  }
  path_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0) {
    Close();
    return false;
  }
  termios t{};
  tcgetattr(slave_, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, SpeedOf(line.baud));
  cfsetospeed(&t, SpeedOf(line.baud));
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
  if (line.parity != Parity::None)
    t.c_cflag |= PARENB;
  if (line.parity == Parity::Odd)
    t.c_cflag |= PARODD;
  tcsetattr(slave_, TCSANOW, &t);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFL, fcntl(slave_, F_GETFL) | O_NONBLOCK);
  // A client closing the line: what it left unread is lost, as on a port nobody holds. Our own
  // end was opened before the watch, so only clients are seen.
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ >= 0 && inotify_add_watch(watch_, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
    close(watch_);
    watch_ = -1;
  }
  return true;
}

void Pty::Close() {
  if (watch_ >= 0)
    close(watch_);
  watch_ = -1;
  if (slave_ >= 0)
    close(slave_);
  if (master_ >= 0)
    close(master_);
  slave_ = master_ = -1;
}

std::optional<SerialLine> Pty::ClientLine() const {
  termios t{};
  if (tcgetattr(master_, &t) != 0)
    return std::nullopt;
  const auto baud = BaudOf(cfgetospeed(&t));
  if (!baud)
    return std::nullopt;
  SerialLine line;
  line.baud = *baud;
  line.parity = (t.c_cflag & PARENB) == 0   ? Parity::None
                : (t.c_cflag & PARODD) != 0 ? Parity::Odd
                                            : Parity::Even;
  line.dataBits = (t.c_cflag & CSIZE) == CS7 ? 7 : 8;
  line.rtsCts = (t.c_cflag & CRTSCTS) != 0;
  return line;
}

bool Pty::ClientClosed() const {
  alignas(inotify_event) char buffer[4096];
  bool closed = false;
  while (read(watch_, buffer, sizeof buffer) > 0)
    closed = true;
  return closed;
}

void Pty::DiscardUnread() const {
  if (slave_ < 0)
    return;
  tcflush(slave_, TCIFLUSH);
  // What the flush may have missed, read away on our own end of the line.
  char buffer[256];
  while (read(slave_, buffer, sizeof buffer) > 0) {
  }
}

void Pty::DiscardReceived() const {
  if (master_ < 0)
    return;
  tcflush(master_, TCIFLUSH);
  char buffer[4096];
  while (read(master_, buffer, sizeof buffer) > 0) {
  }
  if (slave_ >= 0)
    tcflow(slave_, TCOON);
}

std::string GbkToUtf8(std::string_view bytes) {
  // A byte that is no GBK (or a character cut short) is shown as \xNN, and the line goes on.
  const std::string out = ConvertCharsetShowing(
      "GBK", bytes, [](char byte) { return EscapeNonAscii(std::string_view(&byte, 1)); });
  // Control bytes inside a line are shown, not passed on.
  std::string shown;
  for (const char c : out) {
    if (static_cast<unsigned char>(c) < 0x20)
      shown += EscapeNonAscii(std::string_view(&c, 1));
    else
      shown.push_back(c);
  }
  return shown;
}

}  // namespace vantrel::sim
