// The POSIX links against the machine's own pseudo-terminals, files and loopback sockets.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/connections.h"
#include "link/open_failure.h"
#include "link/posix/posix_system.h"
#include "tests/support/param_name.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using namespace std::string_literals;

class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master_);
    ::unlockpt(master_);
    slave_ = ::ptsname(master_);
    // Raw on the printer's side too, so what the tool writes arrives unchanged.
    termios t{};
    ::tcgetattr(master_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(master_, TCSANOW, &t);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~PseudoTerminal() { ::close(master_); }
  int master() const { return master_; }
  const std::string& slave() const { return slave_; }

  // The line the tool set on its end (a master reports its slave's settings).
  termios Line() const {
    termios t{};
    ::tcgetattr(master_, &t);
    return t;
  }

 private:
  int master_ = -1;
  std::string slave_;
};

class NoPrompts final : public AlertPrompts {
 public:
  void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
  void ShowWarning(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

// The core's serial opener on a POSIX device path.
std::unique_ptr<OpenPort> OpenConfigured(System& system, const std::string& path, UiVariant variant,
                                         int baudIndex, int parityIndex) {
  NoPrompts prompts;
  return OpenSerialPort(LinkContext{variant, prompts, system}, path,
                        LineChoiceForLists(baudIndex, parityIndex));
}

struct LineCase {
  std::string name;
  int baudIndex;
  int parityIndex;
  speed_t speed;
  tcflag_t oddFlag;  // PARODD
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << c.name;
}

class SerialLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(SerialLineTest, SetsTheSerialOpenersLineOnTheTerminal) {
  PseudoTerminal pty;
  auto system = CreatePosixSystem({});
  auto port = OpenConfigured(*system, pty.slave(), UiVariant::English, GetParam().baudIndex,
                             GetParam().parityIndex);
  ASSERT_NE(port, nullptr);
  const termios t = pty.Line();
  EXPECT_EQ(::cfgetospeed(&t), GetParam().speed);
  EXPECT_EQ(::cfgetispeed(&t), GetParam().speed);
  EXPECT_EQ(t.c_cflag & CSIZE, CS8);
  // A pseudo-terminal keeps PARODD but always clears PARENB, so only odd parity shows here.
  EXPECT_EQ(t.c_cflag & PARODD, GetParam().oddFlag);
  EXPECT_EQ(t.c_cflag & CSTOPB, 0u) << "one stop bit";
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u) << "CTS ignored";
  EXPECT_NE(t.c_cflag & CLOCAL, 0u);
  EXPECT_NE(t.c_iflag & IXON, 0u);
  EXPECT_NE(t.c_iflag & IXOFF, 0u);
  EXPECT_EQ(t.c_cc[VSTART], 0x11);
  EXPECT_EQ(t.c_cc[VSTOP], 0x13);
  // Raw: no echo, no line editing, no translation of CR or LF either way.
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);

  // Exclusive: the terminal is marked so (root may still open it; anyone else gets EBUSY).
  const int other = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (other >= 0) {
    int exclusive = 0;
    EXPECT_EQ(::ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    ::close(other);
  } else {
    EXPECT_EQ(errno, EBUSY);
  }
}

INSTANTIATE_TEST_SUITE_P(BaudAndParity, SerialLineTest,
                         testing::Values(LineCase{"B9600None", 3, 0, B9600, 0},
                                         LineCase{"B115200Odd", 7, 1, B115200, PARODD},
                                         LineCase{"B1200Even", 0, 2, B1200, 0},
                                         LineCase{"B19200None", 4, 0, B19200, 0}),
                         test::ParamName<LineCase>);

// What reaches the printer's end within `within`, up to `want` bytes.
std::string ReadFromTool(int master, milliseconds within, std::size_t want = 1) {
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + within;
  while (got.size() < want) {
    const auto left =
        std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{master, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
      break;
    char c[64];
    const ssize_t n = ::read(master, c, std::min(sizeof c, want - got.size()));
    if (n > 0)
      got.append(c, static_cast<std::size_t>(n));
  }
  return got;
}

// The printer stops the line with XOFF and a marker behind it: once the tool has read the marker,
// the stop has been taken too (the line handles its input in order).
void StopTheLine(const PseudoTerminal& pty, OpenPort& port) {
  ASSERT_EQ(::write(pty.master(), "\x13\x05\x05", 3), 3);
  const auto deadline = std::chrono::steady_clock::now() + milliseconds(2000);
  while (port.Read(1).bytes != Bytes{0x05})
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the marker never came";
}

TEST(SerialPort, WritesReadsCountsAndGivesUpOnTime) {
  PseudoTerminal pty;
  auto system = CreatePosixSystem({});
  auto port = OpenConfigured(*system, pty.slave(), UiVariant::Chinese, 3, 0);
  ASSERT_NE(port, nullptr);

  const Bytes command{0x1B, 0x16, 0x00, 0x0A, 0x0D};
  EXPECT_TRUE(port->Write(command));
  EXPECT_EQ(ReadFromTool(pty.master(), milliseconds(1500), 5), "\x1B\x16\x00\x0A\x0D"s);

  ASSERT_EQ(::write(pty.master(), "OK!", 3), 3);
  const auto deadline = std::chrono::steady_clock::now() + milliseconds(1500);
  while (port->ClearErrorsAndCountReceived() < 3 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  EXPECT_EQ(port->ClearErrorsAndCountReceived(), std::size_t{3});
  const PortRead two = port->Read(2);
  EXPECT_TRUE(two.ok);
  EXPECT_EQ(two.bytes, (Bytes{'O', 'K'}));

  // The Chinese line gives a one-byte read 75 ms; the bound is generous to a loaded machine.
  EXPECT_EQ(port->Read(1).bytes, Bytes{'!'});
  const auto start = std::chrono::steady_clock::now();
  const PortRead none = port->Read(1);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(none.ok);
  EXPECT_TRUE(none.bytes.empty());
  EXPECT_GE(took, milliseconds(70));
  EXPECT_LT(took, milliseconds(1500));
}

TEST(SerialPort, XoffHoldsTheOutputUntilXon) {
  PseudoTerminal pty;
  auto system = CreatePosixSystem({});
  auto port = OpenConfigured(*system, pty.slave(), UiVariant::Chinese, 3, 0);
  ASSERT_NE(port, nullptr);
  StopTheLine(pty, *port);
  // The Chinese line allows one byte 2 s of writing: long enough for the printer to resume.
  std::thread writer([&] { EXPECT_TRUE(port->Write(Bytes{'A'})); });
  EXPECT_EQ(ReadFromTool(pty.master(), milliseconds(300)), "") << "not held while stopped";
  ASSERT_EQ(::write(pty.master(), "\x11", 1), 1);  // XON
  EXPECT_EQ(ReadFromTool(pty.master(), milliseconds(1500)), "A");
  writer.join();
}

// A printer that holds XOFF: the write ends at ten times its wire time and two seconds (300
// bytes at 115200 baud: 2.3 s) as not written, instead of 1 s a byte. Should it not end, XON
// lets it finish, so the test stays bounded.
TEST(SerialPort, AHeldXoffEndsTheWriteAtItsLineTimeAsNotWritten) {
  PseudoTerminal pty;
  auto system = CreatePosixSystem({});
  auto port = OpenConfigured(*system, pty.slave(), UiVariant::English, 7, 0);
  ASSERT_NE(port, nullptr);
  StopTheLine(pty, *port);
  const auto start = std::chrono::steady_clock::now();
  auto written = std::async(std::launch::async, [&] { return port->Write(Bytes(300, 'x')); });
  const bool ended = written.wait_for(milliseconds(10000)) == std::future_status::ready;
  if (!ended) {
    ASSERT_EQ(::write(pty.master(), "\x11", 1), 1);
  }
  EXPECT_TRUE(ended) << "the write was still waiting after 10 s";
  EXPECT_FALSE(written.get());
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(2200));
}

// Discarding input drops an answer that came too late for its read; output flow control off lets
// an echoed 0x13 through as data, and on again it stops the line once more.
TEST(SerialPort, DropsLateInputAndReadsAFlowByteWithFlowControlOff) {
  PseudoTerminal pty;
  auto system = CreatePosixSystem({});
  auto port = OpenConfigured(*system, pty.slave(), UiVariant::Chinese, 3, 0);
  ASSERT_NE(port, nullptr);
  ASSERT_EQ(::write(pty.master(), "\x07", 1), 1);
  const auto deadline = std::chrono::steady_clock::now() + milliseconds(2000);
  while (port->ClearErrorsAndCountReceived() < 1 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  port->DiscardInput();
  EXPECT_EQ(port->ClearErrorsAndCountReceived(), std::size_t{0});

  port->SetOutputFlowControl(false);
  ASSERT_EQ(::write(pty.master(), "\x13", 1), 1);
  EXPECT_EQ(port->Read(1).bytes, Bytes{0x13});
  EXPECT_TRUE(port->Write(Bytes{'A'}));
  EXPECT_EQ(ReadFromTool(pty.master(), milliseconds(1500)), "A");
  port->SetOutputFlowControl(true);
  EXPECT_NE(pty.Line().c_iflag & IXON, 0u);
}

TEST(SerialPort, AnEarlierSessionLeavesNoXoffAndNoAnswerBehind) {
  PseudoTerminal pty;
  auto system = CreatePosixSystem({});
  auto first = OpenConfigured(*system, pty.slave(), UiVariant::Chinese, 3, 0);
  ASSERT_NE(first, nullptr);
  // Stopped, with a late answer (the second marker) left unread when the session ends.
  StopTheLine(pty, *first);
  first.reset();

  auto second = OpenConfigured(*system, pty.slave(), UiVariant::Chinese, 3, 0);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->Read(1).bytes.empty());
  EXPECT_TRUE(second->Write(Bytes{'B'}));
  EXPECT_EQ(ReadFromTool(pty.master(), milliseconds(1500)), "B");
}

// COM11 and above too: USB-serial adapters are often there.
TEST(SerialPort, ComPortsAreTheSerialDevicesInOrder) {
  EXPECT_EQ(PosixSerialDevice("COM1"), "/dev/ttyS0");
  EXPECT_EQ(PosixSerialDevice("COM10"), "/dev/ttyS9");
  EXPECT_EQ(PosixSerialDevice("COM12"), "/dev/ttyS11");
  EXPECT_EQ(PosixSerialDevice("COM0"), "COM0");
  EXPECT_EQ(PosixSerialDevice("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

TEST(SerialPort, ADeviceThatIsNoTerminalHasNoLineToConfigure) {
  auto system = CreatePosixSystem({});
  auto port = system->OpenSerialDevice("/dev/null");
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->ReadLineSettings(), std::nullopt);
  port.reset();
  EXPECT_EQ(system->OpenSerialDevice("/nonexistent/ttyS0"), nullptr);
  // The opener reports it as the dialog does, and does not keep the device open.
  NoPrompts prompts;
  EXPECT_EQ(OpenSerialPort(LinkContext{UiVariant::English, prompts, *system}, "/dev/null", {}),
            nullptr);
  EXPECT_EQ(prompts.shown, std::vector<std::string>{"Failed to configure serial port!"});
}

// A regular file, or a link to one, is never opened as a line or a printer node: the run's
// bytes would overwrite it. It stays as it was, and the system says why.
TEST(SerialPort, ARegularFileOrALinkToOneIsNoDevice) {
  const fs::path file = fs::temp_directory_path() / ("vantrel-notty-" + std::to_string(::getpid()));
  const fs::path link = file.string() + "-link";
  std::ofstream(file) << "keep";
  fs::remove(link);
  fs::create_symlink(file, link);
  for (const fs::path& path : {file, link}) {
    PosixLinkOptions options;
    options.system.parallelPath = path.string();
    auto system = CreatePosixSystem(options);
    EXPECT_EQ(system->OpenSerialDevice(path.string()), nullptr) << path;
    EXPECT_EQ(system->LastFailedOpen(), (FailedOpen{path.string(), OpenError::NotADevice}));
    EXPECT_EQ(system->OpenParallelDevice(), nullptr) << path;
    NoPrompts prompts;
    EXPECT_EQ(OpenSerialPort(LinkContext{UiVariant::English, prompts, *system}, path.string(), {}),
              nullptr);
    EXPECT_EQ(prompts.shown, std::vector<std::string>{"Failed to open serial port!"});
  }
  std::ifstream kept(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
  fs::remove(link);
  fs::remove(file);
}

// A device tree as the kernel shows it: a root hub, the answering printer bound to usblp, the
// write-only printer without a printer node, and an interface folder beside them.
class FakeUsbTree : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("vantrel-sysfs-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    Device("usb1", "1d6b", "0002");
    Device("1-2", "067B", "2305");
    fs::create_directories(Devices() / "1-2" / "1-2:1.0");
    Device("1-1", "0483", "5720");
    fs::create_directories(Devices() / "1-1" / "1-1:1.0" / "usbmisc" / "lp3");
    fs::create_directories(Devices() / "1-1:1.0");
    fs::create_directories(root_ / "dev" / "usb");
    std::ofstream(root_ / "dev" / "usb" / "lp3");
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path Devices() const { return root_ / "sys" / "bus" / "usb" / "devices"; }
  void Device(const std::string& name, const std::string& vendor, const std::string& product) {
    fs::create_directories(Devices() / name);
    std::ofstream(Devices() / name / "idVendor") << vendor << "\n";
    std::ofstream(Devices() / name / "idProduct") << product << "\n";
  }
  PosixLinkOptions Options() const {
    PosixLinkOptions options;
    options.sysfsRoot = root_ / "sys";
    options.devRoot = root_ / "dev";
    return options;
  }

  fs::path root_;
};

TEST_F(FakeUsbTree, ListsEveryDeviceWithItsIdentifierAndPrinterNode) {
  const auto devices = ListUsbDevices(root_ / "sys", root_ / "dev");
  ASSERT_TRUE(devices);
  ASSERT_EQ(devices->size(), 3u);
  EXPECT_EQ((*devices)[0].name, "1-1");
  EXPECT_EQ((*devices)[0].identifier, "vid_0483&pid_5720");
  EXPECT_EQ((*devices)[0].id, (UsbId{0x0483, 0x5720}));
  EXPECT_EQ((*devices)[0].printerNode, (root_ / "dev" / "usb" / "lp3").string());
  EXPECT_EQ((*devices)[1].identifier, "vid_067b&pid_2305") << "lower-case, as matched";
  EXPECT_EQ((*devices)[1].id, (UsbId{0x067B, 0x2305}));
  EXPECT_EQ((*devices)[1].printerNode, std::nullopt);
  EXPECT_EQ((*devices)[2].identifier, "vid_1d6b&pid_0002");
  EXPECT_EQ(ListUsbDevices(root_ / "missing", root_ / "dev"), std::nullopt);
}

// The system names the printer by its node, as the kernel does.
TEST_F(FakeUsbTree, TheCoreFindsAndOpensThePrinterNode) {
  auto system = CreatePosixSystem(Options());
  const auto devices = system->ListUsbDevices();
  ASSERT_TRUE(devices);
  const auto match = FindUsbPrinter(*devices);
  ASSERT_TRUE(match);
  EXPECT_FALSE(match->writeOnly);
  EXPECT_EQ(match->device.path, (root_ / "dev" / "usb" / "lp3").string());
  auto port = system->OpenUsbDevice(match->device);
  ASSERT_NE(port, nullptr);
  port->SetTimeouts(UsbTimeoutsFor(UiVariant::English));
  EXPECT_TRUE(port->Write(Bytes{0x1B, 0x09}));
  EXPECT_EQ(port->ClearErrorsAndCountReceived(), std::nullopt);
  port.reset();
  std::ifstream written(root_ / "dev" / "usb" / "lp3", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "\x1B\x09");
}

TEST_F(FakeUsbTree, AMatchWithoutAPrinterNodeCannotBeOpened) {
  fs::remove_all(Devices() / "1-1");
  auto system = CreatePosixSystem(Options());
  const auto match = FindUsbPrinter(*system->ListUsbDevices());
  ASSERT_TRUE(match);
  EXPECT_TRUE(match->writeOnly);
  EXPECT_EQ(match->device.path, "");
  EXPECT_EQ(system->OpenUsbDevice(match->device), nullptr);
}

// A TCP listener on a free loopback port, with this backlog; its address in `address`. -1 when
// it could not be set up.
int ListenOnLoopback(int backlog, sockaddr_in& address) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 ||
      ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      ::listen(listener, backlog) != 0) {
    if (listener >= 0)
      ::close(listener);
    return -1;
  }
  return listener;
}

// A connected pair over loopback: the tool's socket from the system, the printer's end here.
struct Connected {
  explicit Connected(System& system) {
    sockaddr_in address{};
    listener = ListenOnLoopback(1, address);
    EXPECT_GE(listener, 0);
    EXPECT_TRUE(system.StartSockets());
    socket = system.CreateTcpSocket();
    EXPECT_TRUE(socket && system.Connect(*socket, {{127, 0, 0, 1}, ntohs(address.sin_port)}));
    printer = ::accept(listener, nullptr, nullptr);
  }
  ~Connected() {
    ::close(printer);
    ::close(listener);
  }
  int listener = -1;
  int printer = -1;
  std::optional<SocketId> socket;
};

// A printer that accepts and never reads: the send gives up at its bound, and the end of the
// sending says the data did not leave.
TEST(TcpLink, APrinterThatNeverReadsEndsTheSendAtItsBound) {
  auto system = CreatePosixSystem({});
  Connected link(*system);
  ASSERT_TRUE(link.socket);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(system->Send(*link.socket, Bytes(64u << 20, 0x55), milliseconds(300)));
  EXPECT_FALSE(system->FinishSending(*link.socket, milliseconds(300)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(5000));
  system->CloseSocket(*link.socket);
}

// A printer that talks back while it takes a large download (status bytes, an echo) and reads
// slowly: what it sent is read and dropped, the close waits for it to take everything, and every
// byte arrives; closing on unread data would reset the connection and lose what was queued.
TEST(TcpLink, APrinterThatTalksBackGetsEveryByte) {
  auto system = CreatePosixSystem({});
  Connected link(*system);
  ASSERT_TRUE(link.socket);
  constexpr std::size_t kDownload = 4u << 20;
  auto received = std::async(std::launch::async, [fd = link.printer] {
    const std::string status(65536, '\x12');
    std::size_t total = 0;
    std::size_t told = 0;
    char buffer[4096];
    while (true) {
      if (told < status.size()) {
        const ssize_t n = ::send(fd, status.data() + told, status.size() - told, MSG_DONTWAIT);
        told += n > 0 ? static_cast<std::size_t>(n) : 0;
      }
      const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0)
        break;
      total += static_cast<std::size_t>(got);
      ::usleep(200);  // a printer takes its data slower than loopback gives it
    }
    ::shutdown(fd, SHUT_RDWR);
    return total;
  });
  EXPECT_TRUE(system->Send(*link.socket, Bytes(kDownload, 0x55), milliseconds(20000)));
  EXPECT_TRUE(system->FinishSending(*link.socket, milliseconds(20000)));
  system->CloseSocket(*link.socket);
  ASSERT_EQ(received.wait_for(milliseconds(20000)), std::future_status::ready);
  EXPECT_EQ(received.get(), kDownload);
}

// A printer node that does not take data (a terminal whose output an XOFF stopped) ends the write
// at the device bound, 2 s and 1 ms for every 16 bytes, instead of waiting for ever. Should it not
// end, XON lets the write finish, so the test stays bounded.
TEST(PrinterNode, AWriteThatIsNeverTakenEndsAtTheDeviceBound) {
  PseudoTerminal node;
  PosixLinkOptions options;
  options.system.parallelPath = node.slave();
  auto system = CreatePosixSystem(options);
  auto port = system->OpenParallelDevice();
  ASSERT_NE(port, nullptr);
  termios t{};
  ::tcgetattr(node.master(), &t);
  t.c_iflag |= IXON;  // the node's own line: a fresh terminal's, with XON/XOFF
  ::tcsetattr(node.master(), TCSANOW, &t);
  ASSERT_EQ(::write(node.master(), "\x13", 1), 1);
  ::usleep(100 * 1000);
  const auto start = std::chrono::steady_clock::now();
  auto written = std::async(std::launch::async, [&] { return port->Write(Bytes(8192, 'x')); });
  const bool ended = written.wait_for(milliseconds(10000)) == std::future_status::ready;
  if (!ended) {
    ASSERT_EQ(::write(node.master(), "\x11", 1), 1);
  }
  EXPECT_TRUE(ended) << "the write was still waiting after 10 s";
  EXPECT_FALSE(written.get());
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(2400));
}

TEST(TcpLink, ConnectsSendsAndBoundsTheConnect) {
  sockaddr_in address{};
  const int listener = ListenOnLoopback(1, address);
  ASSERT_GE(listener, 0);
  const Ipv4Endpoint endpoint{{127, 0, 0, 1}, ntohs(address.sin_port)};

  PosixLinkOptions options;
  options.system.connectTimeout = milliseconds(2000);
  auto system = CreatePosixSystem(options);
  ASSERT_TRUE(system->StartSockets());
  const auto socket = system->CreateTcpSocket();
  ASSERT_TRUE(socket);
  ASSERT_TRUE(system->Connect(*socket, endpoint));
  EXPECT_TRUE(system->Send(*socket, Bytes{0x1B, 0x70, 0x00, 0x32, 0x32}, milliseconds(2000)));
  const int accepted = ::accept(listener, nullptr, nullptr);
  std::uint8_t got[8]{};
  EXPECT_EQ(::recv(accepted, got, sizeof got, 0), 5);
  system->CloseSocket(*socket);
  ::close(accepted);
  ::close(listener);

  // Nobody listens there any more.
  const auto refused = system->CreateTcpSocket();
  EXPECT_FALSE(system->Connect(*refused, endpoint));
  system->CloseSocket(*refused);
}

// A listener whose queue is full lets a connect hang unanswered: the time-out ends it. Should the
// time-out fail, closing the listener refuses the next retry, so the test stays bounded.
TEST(TcpLink, GivesUpAConnectThatIsNeverAnswered) {
  sockaddr_in address{};
  const int listener = ListenOnLoopback(0, address);
  ASSERT_GE(listener, 0);
  std::vector<int> fillers;
  for (int i = 0; i < 2; ++i) {
    fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
    ::connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }

  PosixLinkOptions options;
  options.system.connectTimeout = milliseconds(300);
  auto system = CreatePosixSystem(options);
  ASSERT_TRUE(system->StartSockets());
  const auto socket = system->CreateTcpSocket();
  ASSERT_TRUE(socket);
  const auto start = std::chrono::steady_clock::now();
  auto connected = std::async(std::launch::async, [&] {
    return system->Connect(*socket, Ipv4Endpoint{{127, 0, 0, 1}, ntohs(address.sin_port)});
  });
  const bool ended = connected.wait_for(milliseconds(3000)) == std::future_status::ready;
  ::close(listener);
  EXPECT_TRUE(ended) << "the connect was not given up";
  EXPECT_FALSE(connected.get());
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(250));
  system->CloseSocket(*socket);
  for (int fd : fillers)
    ::close(fd);
}

}  // namespace
}  // namespace vantrel
