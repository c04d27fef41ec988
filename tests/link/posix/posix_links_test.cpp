// The POSIX links against the machine's own pseudo-terminals, files and loopback sockets.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/connections.h"
#include "link/posix/posix_system.h"
#include "tests/support/param_name.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

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

TEST(SerialPort, WritesReadsCountsAndGivesUpOnTime) {
  PseudoTerminal pty;
  auto system = CreatePosixSystem({});
  auto port = OpenConfigured(*system, pty.slave(), UiVariant::Chinese, 3, 0);
  ASSERT_NE(port, nullptr);

  const Bytes command{0x1B, 0x16, 0x00, 0x0A, 0x0D};
  EXPECT_TRUE(port->Write(command));
  std::uint8_t got[16]{};
  ::usleep(50 * 1000);
  ASSERT_EQ(::read(pty.master(), got, sizeof got), 5);
  EXPECT_EQ(Bytes(got, got + 5), command);

  ASSERT_EQ(::write(pty.master(), "OK!", 3), 3);
  ::usleep(50 * 1000);
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

TEST(SerialPort, AnEarlierSessionLeavesNoXoffAndNoAnswerBehind) {
  PseudoTerminal pty;
  auto system = CreatePosixSystem({});
  auto first = OpenConfigured(*system, pty.slave(), UiVariant::Chinese, 3, 0);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(::write(pty.master(), "\x13", 1), 1);  // XOFF: the line stops sending
  ::usleep(50 * 1000);
  first->Write(Bytes{'A'});
  std::uint8_t got[8]{};
  EXPECT_EQ(::read(pty.master(), got, sizeof got), -1) << "held back while stopped";
  first.reset();

  // A late answer to the first session waits on the line; the next session never reads it.
  ASSERT_EQ(::write(pty.master(), "\x05", 1), 1);
  ::usleep(50 * 1000);
  auto second = OpenConfigured(*system, pty.slave(), UiVariant::Chinese, 3, 0);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->Read(1).bytes.empty());
  EXPECT_TRUE(second->Write(Bytes{'B'}));
  ::usleep(50 * 1000);
  const ssize_t n = ::read(pty.master(), got, sizeof got);
  ASSERT_GT(n, 0);
  EXPECT_EQ(got[n - 1], 'B');
}

TEST(SerialPort, ComPortsAreTheFirstTenSerialDevices) {
  EXPECT_EQ(PosixSerialDevice("\\\\.\\COM1"), "/dev/ttyS0");
  EXPECT_EQ(PosixSerialDevice("\\\\.\\COM10"), "/dev/ttyS9");
  EXPECT_EQ(PosixSerialDevice("\\\\.\\COM11"), "\\\\.\\COM11");
  EXPECT_EQ(PosixSerialDevice("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

TEST(SerialPort, AFileThatIsNoTerminalHasNoLineToConfigure) {
  const fs::path file = fs::temp_directory_path() / ("vantrel-notty-" + std::to_string(::getpid()));
  std::ofstream(file) << "x";
  auto system = CreatePosixSystem({});
  auto port = system->OpenSerialDevice(file.string());
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->ReadLineSettings(), std::nullopt);
  port.reset();
  EXPECT_EQ(system->OpenSerialDevice("/nonexistent/ttyS0"), nullptr);
  // The opener reports it as the dialog does, and does not keep the file open.
  NoPrompts prompts;
  EXPECT_EQ(OpenSerialPort(LinkContext{UiVariant::English, prompts, *system}, file.string(), {}),
            nullptr);
  EXPECT_EQ(prompts.shown, std::vector<std::string>{"Failed to configure serial port!"});
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
  EXPECT_EQ((*devices)[0].printerNode, (root_ / "dev" / "usb" / "lp3").string());
  EXPECT_EQ((*devices)[1].identifier, "vid_067b&pid_2305") << "lower-case, as matched";
  EXPECT_EQ((*devices)[1].printerNode, std::nullopt);
  EXPECT_EQ((*devices)[2].identifier, "vid_1d6b&pid_0002");
  EXPECT_EQ(ListUsbDevices(root_ / "missing", root_ / "dev"), std::nullopt);
}

TEST_F(FakeUsbTree, TheCoreFindsAndOpensThePrinterNode) {
  auto system = CreatePosixSystem(Options());
  const auto paths = system->ListUsbDevicePaths();
  ASSERT_TRUE(paths);
  const auto match = FindUsbPrinter(*paths);
  ASSERT_TRUE(match);
  EXPECT_FALSE(match->writeOnly);
  auto port = system->OpenUsbDevice(UsbOpenPath(match->devicePath));
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
  const auto match = FindUsbPrinter(*system->ListUsbDevicePaths());
  ASSERT_TRUE(match);
  EXPECT_TRUE(match->writeOnly);
  EXPECT_EQ(system->OpenUsbDevice(UsbOpenPath(match->devicePath)), nullptr);
}

TEST(TcpLink, ConnectsSendsAndBoundsTheConnect) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  ::listen(listener, 1);
  const Ipv4Endpoint endpoint{{127, 0, 0, 1}, ntohs(address.sin_port)};

  PosixLinkOptions options;
  options.connectTimeout = milliseconds(2000);
  auto system = CreatePosixSystem(options);
  ASSERT_TRUE(system->StartSockets());
  const auto socket = system->CreateTcpSocket();
  ASSERT_TRUE(socket);
  ASSERT_TRUE(system->Connect(*socket, endpoint));
  EXPECT_TRUE(system->Send(*socket, Bytes{0x1B, 0x70, 0x00, 0x32, 0x32}));
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

}  // namespace
}  // namespace vantrel
