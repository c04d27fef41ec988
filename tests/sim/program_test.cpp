// The vantrel-sim program itself: started as a process, spoken to over its pseudo-terminal (set up
// like a serial client) and over TCP, then stopped by signals.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>
#include <utility>

#include "bitmap/dib.h"
#include "bitmap/download_command.h"
#include "protocol/operations.h"
#include "protocol/set_run.h"
#include "tests/support/child_process.h"
#include "tests/support/expected_tables.h"
#include "tests/support/script.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The simulator as a child process, with the lines it printed.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    // The printer gets the writing end only.
    fcntl(out[0], F_SETFD, FD_CLOEXEC);
    pid_ = test::SpawnChild(VANTREL_SIM_PATH, std::move(args), out[1]);
    close(out[1]);
    out_ = out[0];
    // The start-up lines, up to "ready".
    for (std::string line = NextLine(); !line.empty(); line = NextLine()) {
      if (line == "ready")
        break;
      const auto space = line.find(' ');
      const std::string what = line.substr(0, space);
      std::string rest = line.substr(space + 1);
      if (what == "pty") {
        const auto second = rest.find(' ');
        ptys_[rest.substr(0, second)] = rest.substr(second + 1);
      } else {
        announced_[what] = rest;
      }
    }
  }
  ~SimProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
  }

  // A line of its standard output; empty when it stays silent for two seconds.
  std::string NextLine() {
    for (;;) {
      if (const auto end = buffer_.find('\n'); end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      pollfd entry{out_, POLLIN, 0};
      if (poll(&entry, 1, 2000) <= 0)
        return {};
      char chunk[512];
      const ssize_t got = read(out_, chunk, sizeof chunk);
      if (got <= 0)
        return {};
      buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }

  // Waits for a log line that holds the text.
  bool SeeLine(const std::string& text) {
    for (std::string line = NextLine(); !line.empty(); line = NextLine()) {
      if (line.find(text) != std::string::npos)
        return true;
    }
    return false;
  }

  // Signals the printer and waits for its end, at most ten seconds, then kills it.
  int Stop(int signal) {
    kill(pid_, signal);
    const int status = test::ReapChild(pid_, std::chrono::seconds(10),
                                       "vantrel-sim (signal " + std::to_string(signal) + ")");
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Signal(int signal) { kill(pid_, signal); }

  std::string Pty(const std::string& name) { return ptys_[name]; }
  std::string Announced(const std::string& what) { return announced_[what]; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
  std::map<std::string, std::string> ptys_;
  std::map<std::string, std::string> announced_;
};

// A serial client's end of the pseudo-terminal: raw, 8 data bits, XON/XOFF both ways.
class SerialClient : public OpenPort {
 public:
  SerialClient(const std::string& path, speed_t speed) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY);
    EXPECT_GE(fd_, 0) << path;
    SetLine(speed);
  }
  ~SerialClient() override { close(fd_); }

  void SetLine(speed_t speed) {
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag |= CLOCAL | CREAD | CS8;
    t.c_iflag |= IXON | IXOFF;
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
    tcsetattr(fd_, TCSANOW, &t);
  }

  bool Write(ByteView data) override {
    return write(fd_, data.data(), data.size()) == static_cast<ssize_t>(data.size());
  }
  PortRead Read(std::size_t maxBytes) override {
    PortRead read{true, {}};
    const auto deadline = std::chrono::steady_clock::now() + 500ms;
    while (read.bytes.size() < maxBytes && std::chrono::steady_clock::now() < deadline) {
      pollfd entry{fd_, POLLIN, 0};
      if (poll(&entry, 1, read.bytes.empty() ? 50 : 20) <= 0) {
        if (!read.bytes.empty())
          break;
        continue;
      }
      std::uint8_t byte = 0;
      if (::read(fd_, &byte, 1) == 1)
        read.bytes.push_back(byte);
    }
    return read;
  }
  std::optional<std::size_t> ClearErrorsAndCountReceived() override {
    int waiting = 0;
    ioctl(fd_, FIONREAD, &waiting);
    return static_cast<std::size_t>(waiting);
  }
  // The printer sends no XON after an echoed 0x13: output is let go on as the tool does.
  void ResumeOutput() override {
    tcflow(fd_, TCOOFF);
    tcflow(fd_, TCOON);
  }

 private:
  int fd_ = -1;
};

// The run's waits, shortened: the simulator answers at once.
class ShortWaits : public Sleeper {
 public:
  void Sleep(std::chrono::milliseconds duration) override {
    std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(duration, 20ms));
  }
};

void SendTcp(int port, const Bytes& bytes) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  // Nothing ever comes back over TCP.
  pollfd entry{fd, POLLIN, 0};
  EXPECT_EQ(poll(&entry, 1, 200), 0);
  close(fd);
}

class SimProgram : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vantrel-sim-program-" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(SimProgram, ConfiguredOverItsSerialLineAndPrintsWhatItGetsOverTcp) {
  SimProcess sim({"--tcp", "127.0.0.1:0", "--pty", "com1=" + (dir_ / "ttyCOM1").string(), "--out",
                  dir_.string()});
  ASSERT_FALSE(sim.Pty("com1").empty());
  EXPECT_EQ(fs::read_symlink(dir_ / "ttyCOM1").string(), sim.Pty("com1"));
  EXPECT_EQ(sim.Announced("out"), fs::absolute(dir_).string());
  const std::string tcp = sim.Announced("tcp");
  ASSERT_EQ(tcp.rfind("127.0.0.1:", 0), 0u) << tcp;
  const int port = std::stoi(tcp.substr(tcp.find(':') + 1));

  // A client that left an answer unread and closed the line: the next one does not get it.
  {
    SerialClient client(sim.Pty("com1"), B9600);
    client.Write(test::FromHex("1B 09 1B 16 00"));
    EXPECT_TRUE(sim.SeeLine("[com1] Language = 0"));
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (client.ClearErrorsAndCountReceived() == 0u &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    EXPECT_EQ(client.ClearErrorsAndCountReceived(), 1u) << "the answer is on the line";
  }
  // The printer notices the close without a word in its log: give it that moment.
  std::this_thread::sleep_for(50ms);
  // A Set run over the serial line, judged by the tool's own rules: every setting succeeds.
  SettingSelection s;
  s.language = 2;
  s.cutter = 3;
  s.mechanism = 2;
  s.sendModel = true;
  s.modelText = "\xB4\xF2\xD3\xA1";  // GBK
  s.targetBaud = 4;                  // 9600, where the printer already is
  s.sendBluetoothName = s.sendRadioAddress = true;
  s.bluetoothNameText = "till-3";
  s.charsPerLine = 2;
  {
    SerialClient client(sim.Pty("com1"), B9600);
    ShortWaits waits;
    const SetupReport report =
        SendSettingsOverPort(s, {UiVariant::English, 0, false}, client, waits);
    EXPECT_EQ(report.Text(),
              test::expected::Report(UiVariant::English, "s-------- s------ sss-s----s--"));
  }
  EXPECT_TRUE(sim.SeeLine("[com1] setup end  [1B 15]"));

  // A client that closed the line and opens it again finds the printer still there.
  {
    SerialClient client(sim.Pty("com1"), B9600);
    client.Write(test::expected::Direct("CashDrawer"));
    EXPECT_TRUE(sim.SeeLine("[com1] open cash drawer  [1B 70 00 32 32]"));
  }

  // Over TCP: a download into the third slot, its print, a test line and a cut.
  const std::uint32_t width = 20, height = 12;
  Bytes rows(std::size_t{height} * 4);
  for (std::uint32_t y = 0; y < height; ++y)
    rows[y * 4] = static_cast<std::uint8_t>(0x0F << (y % 4));  // stored bottom row first
  Bytes download(DownloadCommandSize(width, height));
  ASSERT_TRUE(WriteDownloadCommand({width, height, rows}, 2, download));
  Bytes stream(SetupBegin.begin(), SetupBegin.end());
  stream.insert(stream.end(), download.begin(), download.end());
  stream.insert(stream.end(), SetupEnd.begin(), SetupEnd.end());
  for (const char* name : {"PrintStoredBitmapSlot2", "TestLine", "Cut"}) {
    const Bytes bytes = test::expected::Direct(name);
    stream.insert(stream.end(), bytes.begin(), bytes.end());
  }
  SendTcp(port, stream);
  EXPECT_TRUE(sim.SeeLine("cut paper (partial, after a feed of 0 dots)  [1D 56 42 00]"));

  sim.Signal(SIGUSR1);
  EXPECT_TRUE(sim.SeeLine("state written"));
  const auto state = nlohmann::json::parse(ReadFile(dir_ / "state.json"));
  EXPECT_EQ(state["settings"]["Language"]["en"], "Simplified Chinese");
  EXPECT_EQ(state["settings"]["Language"]["zh"], "简体中文");
  EXPECT_EQ(state["settings"]["CutterMechanism"]["mechanism"]["en"], "M-U110II");
  EXPECT_EQ(state["settings"]["ModelName"]["text"], "打印");
  EXPECT_EQ(state["settings"]["BluetoothName"]["text"], "till-3");
  EXPECT_EQ(state["settings"]["RadioAddress"]["hex"], "00 84 00 01");
  EXPECT_EQ(state["serialLine"]["baud"], 9600);
  EXPECT_EQ(state["slots"][2]["widthDots"], 24);
  EXPECT_EQ(state["slots"][2]["rows"], 12);
  EXPECT_EQ(state["counters"]["cuts"], 1);

  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_FALSE(fs::exists(dir_ / "ttyCOM1"));

  const std::string log = ReadFile(dir_ / "log.txt");
  EXPECT_NE(log.find("[com1] ModelName = \"打印\"  [1B 1C 04 B4 F2 D3 A1 00]  -> B4"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("BluetoothName = \"till-3\"  [1B 13 06 74 69 6C 6C 2D 33]  -> 4F 4B"),
            std::string::npos);
  // The PNG is 24 x 12: the raster rows are whole bytes. The slot prints as it was stored, so the
  // journal shows the stored picture and no second copy of it is written.
  EXPECT_FALSE(fs::exists(dir_ / "printed-002-slot3.png"));
  for (const char* name : {"stored-001-slot3.png"}) {
    const std::string png = ReadFile(dir_ / name);
    ASSERT_GE(png.size(), 24u) << name;
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(test::Hex(Bytes(png.begin() + 16, png.begin() + 24)), "00 00 00 18 00 00 00 0C");
  }
  const std::string journal = ReadFile(dir_ / "journal.html");
  const auto image = journal.find("<img src=\"stored-001-slot3.png\"");
  const auto line = journal.find(">Print test OK!</span>");
  const auto cut = journal.find("<div class=\"cut\"");
  EXPECT_NE(image, std::string::npos);
  EXPECT_LT(image, line);
  EXPECT_LT(line, cut);
  EXPECT_NE(cut, std::string::npos);
}

TEST_F(SimProgram, WithCheckLineItHearsOnlyItsOwnLineAndMovesToTheTargetLine) {
  SimProcess sim({"--tcp", "off", "--check-line", "--out", dir_.string(), "--quiet"});
  EXPECT_TRUE(sim.Announced("tcp").empty());
  SerialClient client(sim.Pty("serial"), B19200);
  // Settings are stored inside the setup frame only.
  const Bytes language = test::FromHex("1B 09 1B 16 00");
  client.Write(language);
  EXPECT_TRUE(client.Read(1).bytes.empty());

  client.SetLine(B9600);
  client.Write(language);
  EXPECT_EQ(client.Read(1).bytes, Bytes{0x00});
  // The target line: 115200 baud, no parity, 8 data bits, XON/XOFF. The answer still comes at
  // the old line, then the printer listens at the new one only.
  client.Write(test::FromHex("1B 23 37"));
  EXPECT_EQ(client.Read(1).bytes, Bytes{0x37});
  client.Write(language);
  EXPECT_TRUE(client.Read(1).bytes.empty());
  client.SetLine(B115200);
  client.Write(language);
  EXPECT_EQ(client.Read(1).bytes, Bytes{0x00});

  EXPECT_EQ(sim.Stop(SIGINT), 0);
  const std::string log = ReadFile(dir_ / "log.txt");
  EXPECT_NE(log.find("[serial] ignored 5 bytes: sent at 19200 baud, parity none, the printer "
                     "runs 9600 baud, parity none"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("the printer runs 115200 baud"), std::string::npos);
  const auto state = nlohmann::json::parse(ReadFile(dir_ / "state.json"));
  EXPECT_EQ(state["serialLine"]["baud"], 115200);
}

TEST_F(SimProgram, AnEchoedXoffDoesNotStallAnXonXoffLine) {
  SimProcess sim({"--tcp", "off", "--out", dir_.string(), "--quiet"});
  SerialClient client(sim.Pty("serial"), B9600);
  // Code page index 20 and alignment item 17: the values 0x13 (XOFF) and 0x11 (XON), which the
  // client's line takes for flow control. They fail; the settings after them still succeed.
  SettingSelection s;
  s.language = 1;
  s.codePage = 20;
  s.printSpeed = 2;
  s.bidAdjustment = 18;
  s.charsPerLine = 1;
  ShortWaits waits;
  const SetupReport report = SendSettingsOverPort(s, {UiVariant::English, 0, false}, client, waits);
  EXPECT_EQ(report.Text(),
            "Language setting succeed!\r\nCodepage setting failed!\r\nPrint speed setting "
            "succeed!\r\ndouble side print adjust setting failed!\r\ncharacter print columns "
            "setting completed!\r\n");
}

// --- The printer as a server: its folder, its budgets and its connections, against a hostile
// client on loopback ---

int ConnectTcp(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}

// Sends what the printer takes; false once it closed the connection.
bool SendAll(int fd, ByteView bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The download of a width x height bitmap of noise into a slot, in its frame.
Bytes DownloadFrame(int slot, std::uint32_t width, std::uint32_t height) {
  Bytes rows(OneBitStride(width) * height);
  std::uint32_t noise = 0x2545F491;
  for (std::uint8_t& byte : rows) {
    noise = noise * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(noise >> 24);
  }
  Bytes command(DownloadCommandSize(width, height));
  EXPECT_TRUE(WriteDownloadCommand({width, height, rows}, slot, command));
  Bytes frame(SetupBegin.begin(), SetupBegin.end());
  frame.insert(frame.end(), command.begin(), command.end());
  frame.insert(frame.end(), SetupEnd.begin(), SetupEnd.end());
  return frame;
}

std::uint64_t FolderBytes(const fs::path& folder) {
  std::uint64_t total = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    total += entry.is_regular_file() ? entry.file_size() : 0;
  return total;
}

int PortOf(SimProcess& sim) {
  const std::string tcp = sim.Announced("tcp");
  return std::stoi(tcp.substr(tcp.find(':') + 1));
}

// A stored bitmap printed over and over is one picture on the disk, nothing is drawn past the
// full page, and log, journal and pictures together stay within the folder's budget.
TEST_F(SimProgram, KeepsItsOutputFolderWithinItsBudget) {
  SimProcess sim({"--tcp", "127.0.0.1:0", "--out", dir_.string(), "--out-budget", "1"});
  const int port = PortOf(sim);
  Bytes stream = DownloadFrame(0, 576, 8000);
  const Bytes print = DirectOperationCommand(DeviceOperation::PrintStoredBitmap, 0);
  for (int i = 0; i < 40; ++i)
    stream.insert(stream.end(), print.begin(), print.end());
  SendTcp(port, stream);
  EXPECT_TRUE(sim.SeeLine("] closed"));
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_TRUE(fs::exists(dir_ / "stored-001-slot1.png"));
  int printed = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    EXPECT_FALSE(name.starts_with("image-")) << name;
    printed += name.starts_with("printed-") ? 1 : 0;
  }
  // Only the part of the second print that still went on the page is a picture of its own.
  EXPECT_LE(printed, 1);
  // The state is written beside the budget, once at the end.
  EXPECT_LE(FolderBytes(dir_) - fs::file_size(dir_ / "state.json"), std::uint64_t{1} << 20);
  const std::string journal = ReadFile(dir_ / "journal.html");
  EXPECT_NE(journal.find("not printed, the receipt is full"), std::string::npos);
}

// At most --max-connections at once, the others wait in the queue until one ends; a connection
// that sends nothing is closed after --idle-timeout; downloads under way hold at most
// --held-budget together.
TEST_F(SimProgram, TakesAFewConnectionsClosesIdleOnesAndBoundsDownloadsUnderWay) {
  SimProcess sim({"--tcp", "127.0.0.1:0", "--out", dir_.string(), "--max-connections", "2",
                  "--idle-timeout", "1", "--held-budget", "1"});
  const int port = PortOf(sim);
  const int first = ConnectTcp(port);
  const int second = ConnectTcp(port);
  const int third = ConnectTcp(port);
  int connected = 0;
  for (std::string line = sim.NextLine(); !line.empty(); line = sim.NextLine()) {
    if (line.find("] connected to") != std::string::npos)
      ++connected;
    if (line.find("nothing came for 1 s") != std::string::npos)
      break;
  }
  EXPECT_EQ(connected, 2) << "the third waits while two are open";
  EXPECT_TRUE(sim.SeeLine("] connected to")) << "the third is taken once one is closed";

  // Half of a 4.7 MB download: more than the 1 MB all downloads under way may hold.
  const int greedy = ConnectTcp(port);
  Bytes frame = DownloadFrame(1, 576, 65535);
  frame.resize(frame.size() / 2);
  SendAll(greedy, frame);
  EXPECT_TRUE(sim.SeeLine("downloads under way hold more than 1048576 bytes"));
  pollfd entry{greedy, POLLIN, 0};
  ASSERT_EQ(poll(&entry, 1, 5000), 1) << "the printer closed the connection";
  char byte = 0;
  EXPECT_LE(recv(greedy, &byte, 1, 0), 0);
  for (const int fd : {first, second, third, greedy})
    close(fd);
}

struct FolderCase {
  std::string name;
  std::function<fs::path(const fs::path&)> prepare;  // makes the folder, returns --out
};

void PrintTo(const FolderCase& c, std::ostream* os) {
  *os << c.name;
}

class OutputFolder : public testing::TestWithParam<FolderCase> {};

// A folder others may write to, or a link, is refused before anything is written.
TEST_P(OutputFolder, IsRefusedWhenOthersCouldPlantFilesInIt) {
  const fs::path dir = fs::temp_directory_path() / ("vantrel-sim-folder-" + GetParam().name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path out = GetParam().prepare(dir);
  SimProcess sim({"--tcp", "127.0.0.1:0", "--out", out.string()});
  EXPECT_EQ(sim.Announced("tcp"), "");
  EXPECT_EQ(sim.Stop(SIGTERM), 2);
  EXPECT_FALSE(fs::exists(out / "log.txt"));
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, OutputFolder,
    testing::Values(FolderCase{"WritableByOthers",
                               [](const fs::path& dir) {
                                 fs::create_directory(dir / "shared");
                                 fs::permissions(dir / "shared", fs::perms::all);
                                 return dir / "shared";
                               }},
                    FolderCase{"ALink",
                               [](const fs::path& dir) {
                                 fs::create_directory(dir / "real");
                                 fs::create_directory_symlink(dir / "real", dir / "link");
                                 return dir / "link";
                               }}),
    [](const testing::TestParamInfo<FolderCase>& param) { return param.param.name; });

// A link planted in the printer's own folder is not followed: the file it points at stays whole.
TEST_F(SimProgram, FollowsNoLinkInItsFolder) {
  fs::create_directories(dir_);
  const fs::path victim = dir_.string() + "-victim";
  std::ofstream(victim) << "precious\n";
  fs::create_symlink(victim, dir_ / "log.txt");
  fs::create_symlink(victim, dir_ / "state.json.tmp");
  SimProcess sim({"--tcp", "127.0.0.1:0", "--out", dir_.string()});
  ASSERT_NE(sim.Announced("tcp"), "");
  SendTcp(PortOf(sim), test::FromHex("1B 09 1B 16 00 1B 15"));
  EXPECT_TRUE(sim.SeeLine("setup end"));
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_EQ(ReadFile(victim), "precious\n");
  fs::remove(victim);
}

}  // namespace
}  // namespace vantrel
