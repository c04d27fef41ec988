// vantrel as a program: started as a process against vantrel-sim over its pseudo-terminal and TCP,
// its output, exit status and what the printer was told checked together.
//
// The same table runs the Windows program under Wine (tests/wine/run-cli):
//   VANTREL_CLI       the command that runs the program ("wine /path/vantrel-cli.exe"), in words
//   VANTREL_CLI_COM1  the link by which the program's COM1 is found (Wine's dosdevices/com1):
//                     pointed at the printer's pseudo-terminal, and COM1 named instead of its path
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/param_name.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::ReapChild;
using test::SpawnChild;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A folder of its own for each test, removed afterwards.
fs::path ScratchFolder() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "-" + info->name();
  for (char& c : name) {
    if (c == '/')
      c = '-';
  }
  const fs::path folder = fs::temp_directory_path() / ("vantrel-cli-" + name);
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

struct Ran {
  int status = -1;
  std::string out;
  std::string err;
};

// Splits at blanks.
std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

const char* Setting(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

// True when the program under test is the Windows one.
bool OnWindows() {
  return Setting("VANTREL_CLI_COM1") != nullptr;
}

// The command that runs the program under test.
std::vector<std::string> ProgramCommand() {
  if (const char* command = Setting("VANTREL_CLI"))
    return Words(command);
  return {VANTREL_PATH};
}

constexpr std::chrono::seconds kRunBound{120};

// Runs the command to its end (killed after kRunBound), collecting both outputs.
Ran RunOnce(const std::vector<std::string>& command, const std::vector<std::string>& env) {
  Ran ran;
  int out[2];
  int err[2];
  if (pipe(out) != 0 || pipe(err) != 0) {
    ADD_FAILURE() << "no pipe: " << std::strerror(errno);
    return ran;
  }
  const pid_t pid =
      SpawnChild(command.front(), {command.begin() + 1, command.end()}, out[1], err[1], env);
  close(out[1]);
  close(err[1]);
  pollfd entries[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* into[2] = {&ran.out, &ran.err};
  const auto deadline = std::chrono::steady_clock::now() + kRunBound;
  for (int open = 2; open > 0;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int ready = poll(entries, 2, static_cast<int>(std::max<long long>(left.count(), 0)));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0) {
      ADD_FAILURE() << "no end of output within " << kRunBound.count() << " s";
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (entries[i].fd < 0 || entries[i].revents == 0)
        continue;
      char chunk[4096];
      const ssize_t got = read(entries[i].fd, chunk, sizeof chunk);
      if (got > 0) {
        into[i]->append(chunk, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        close(entries[i].fd);
        entries[i].fd = -1;
        --open;
      }
    }
  }
  for (const pollfd& entry : entries) {
    if (entry.fd >= 0)
      close(entry.fd);
  }
  if (pid < 0)
    return ran;
  const int status = ReapChild(pid, std::chrono::seconds(5));
  ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return ran;
}

// Under Wine, the loader names each module it maps on the program's standard error
// (WINEDEBUG=+loaddll). Those lines are taken out of what the program printed: a run whose log
// does not name the program's own module never reached the program, since Wine itself failed to
// start it. Only such a start is tried again; it is said, with its evidence, and counted.
constexpr const char* kWineLoaderLog = "WINEDEBUG=-all,+loaddll";
constexpr int kWineStarts = 3;
int wineStartRetries = 0;

std::string TakeWineLines(std::string& err) {
  std::string kept;
  std::string wine;
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    const bool loader = line.find(":trace:loaddll:") == 4;
    (loader ? wine : kept) += line + (lines.eof() ? "" : "\n");
  }
  err = kept;
  return wine;
}

std::string WineProcesses() {
  std::string listing;
  if (FILE* ps = popen("ps -eo pid,ppid,stat,etimes,args | grep -iE 'wine|\\.exe' | "
                       "grep -v grep",
                       "r")) {
    char line[512];
    while (std::fgets(line, sizeof line, ps))
      listing += std::string("    ") + line;
    pclose(ps);
  }
  return listing;
}

// Runs vantrel to its end with these arguments.
Ran Vantrel(std::vector<std::string> args, std::vector<std::string> env = {}) {
  std::vector<std::string> command = ProgramCommand();
  command.insert(command.end(), args.begin(), args.end());
  if (!OnWindows())
    return RunOnce(command, env);
  env.push_back(kWineLoaderLog);
  const std::string module = fs::path(command.at(1)).filename().string() + "\" at ";
  for (int start = 1;; ++start) {
    const auto began = std::chrono::steady_clock::now();
    Ran ran = RunOnce(command, env);
    const std::string loader = TakeWineLines(ran.err);
    if (loader.find(module) != std::string::npos || start == kWineStarts)
      return ran;
    ++wineStartRetries;
    std::cerr << "Wine did not start the program (start " << start << " of " << kWineStarts
              << "): status " << ran.status << " after "
              << std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - began)
                     .count()
              << " ms, no module mapped; stdout \"" << ran.out << "\", stderr \"" << ran.err
              << "\"; Wine's processes:\n"
              << WineProcesses() << "Starting it again.\n";
  }
}

// The count of Wine's failed starts, for tests/wine/run-cli's summary.
class WineStarts : public testing::Environment {
 public:
  void TearDown() override {
    if (OnWindows())
      std::cout << "Wine start-up retries: " << wineStartRetries << "\n";
  }
};
const testing::Environment* const wineStarts =
    testing::AddGlobalTestEnvironment(new WineStarts);  // NOLINT: owned by GoogleTest

// The virtual printer as a child process: its pseudo-terminal, its TCP address, its log.
class Sim {
 public:
  Sim(const fs::path& folder, std::vector<std::string> args) : folder_(folder) {
    args.insert(args.end(), {"--out", folder.string(), "--quiet"});
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    pid_ = SpawnChild(VANTREL_SIM_PATH, args, out[1], -1, {});
    close(out[1]);
    std::string buffer;
    while (buffer.find("ready\n") == std::string::npos) {
      pollfd entry{out[0], POLLIN, 0};
      char chunk[512];
      if (poll(&entry, 1, 5000) <= 0)
        break;
      const ssize_t got = read(out[0], chunk, sizeof chunk);
      if (got <= 0)
        break;
      buffer.append(chunk, static_cast<std::size_t>(got));
    }
    out_ = out[0];
    std::istringstream lines(buffer);
    for (std::string what; lines >> what;) {
      if (what == "pty")
        lines >> what >> pty_;
      else if (what == "tcp")
        lines >> tcp_;
      else if (what == "out")
        lines >> what;
    }
  }
  ~Sim() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      ReapChild(pid_, std::chrono::seconds(10));
    }
    close(out_);
  }
  const std::string& Pty() const { return pty_; }
  const std::string& Tcp() const { return tcp_; }
  std::string Log() const { return ReadFile(folder_ / "log.txt"); }
  // The log once it holds the text, or as it is after five seconds: a pseudo-terminal hands the
  // printer the bytes after the tool has already finished.
  std::string LogWith(const std::string& text) const {
    for (int i = 0; i < 100 && Log().find(text) == std::string::npos; ++i)
      usleep(50 * 1000);
    return Log();
  }

 private:
  fs::path folder_;
  pid_t pid_ = -1;
  int out_ = -1;
  std::string pty_;
  std::string tcp_;
};

// What the program is told to open to reach the printer's serial line: its pseudo-terminal, or
// on Windows COM1, linked to it.
std::string SerialName(const Sim& sim) {
  const char* com1 = Setting("VANTREL_CLI_COM1");
  if (!com1)
    return sim.Pty();
  fs::remove(com1);
  fs::create_symlink(sim.Pty(), com1);
  return "COM1";
}

TEST(VantrelProgram, ShowsHelpWithExamplesAndItsVersion) {
  const Ran help = Vantrel({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* text : {"set", "download", "list-usb", "settings", "Examples:", "Exit status"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  // Windows names its ports first and no device paths; a POSIX machine says what they stand for.
  const std::string interfaces = help.out.substr(help.out.find("Interfaces (--interface):"));
  EXPECT_EQ(interfaces.find("COM1 ... COM10"), 28u) << interfaces;
  EXPECT_EQ(interfaces.find("/dev/ttyS0") != std::string::npos, !OnWindows()) << interfaces;
  const Ran setHelp = Vantrel({"set", "--help"});
  EXPECT_NE(setHelp.out.find("--code-page"), std::string::npos);
  const Ran version = Vantrel({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "vantrel " VANTREL_VERSION "\n");
  const Ran settings = Vantrel({"settings"});
  EXPECT_NE(settings.out.find("1  en, english | English | 英文"), std::string::npos);
}

// --- Dry runs: the bytes, with nothing opened ---

struct DryRunCase {
  std::string name;
  std::string args;
  std::string writes;  // the printed lines, joined by '|'
};

void PrintTo(const DryRunCase& c, std::ostream* os) {
  *os << c.name;
}

class DryRun : public testing::TestWithParam<DryRunCase> {};

TEST_P(DryRun, PrintsTheExactWrites) {
  std::vector<std::string> args = Words(GetParam().args);
  args.push_back("--dry-run");
  args.insert(args.end(), {"--lang", "en"});
  const Ran ran = Vantrel(args);
  EXPECT_EQ(ran.status, 0) << ran.err;
  std::string joined = ran.out;
  std::replace(joined.begin(), joined.end(), '\n', '|');
  EXPECT_EQ(joined, GetParam().writes + "|");
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, DryRun,
    testing::Values(
        DryRunCase{"NothingChosen", "set -i COM3", "write 1b 09|write 1b 15"},
        DryRunCase{"ChoicesByTextShortNameAndIndex",
                   "set --language English --code-page cp437 --bid-adjust 24 --buzzer 4",
                   "write 1b 09|write 1b 16 00|write 1b 74 00|write 1b 1f 03|write 1b 1a 18|"
                   "write 1b 15"},
        DryRunCase{"ChineseItemText", "set --print-passes 单向 --lcd-backlight 开",
                   "write 1b 09|write 1c bc 01|write 1b 55 01|write 1b 15"},
        DryRunCase{"CutterAndTargetLine",
                   "set --cutter acs-230 --mechanism m-u110ii --target-baud 115200 "
                   "--target-parity EVEN --target-data-bits 7 --target-flow xon-xoff",
                   "write 1b 09|write 1b 19 22|write 1b 23 07|write 1b 15"},
        DryRunCase{"TextsAndAddress",
                   "set --manufacturer ABCDEFGHIJKLMNOPQRST --bt-name Shop1 "
                   "--radio-address ab:EF:00:07",
                   "write 1b 09|write 1b 1b 10 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50 "
                   "00|write 1b 13 05 53 68 6f 70 31|write 1c bd ab ef 00 07|write 1b 15"},
        DryRunCase{"Offsets", "set --start-offset 299 --cut-offset 50",
                   "write 1b 09|write 1d 28 46 04 00 01 00 a2 06|"
                   "write 1d 28 46 04 00 02 00 1c 01|write 1b 15"},
        DryRunCase{"NetworkSendsInOrder", "set -i 10.0.0.5 --target-baud 9600 --language 1",
                   "send 1b 09|send 1b 16 00|send 1b 23 3b|send 1b 15"},
        DryRunCase{"Drawer", "drawer", "write 1b 70 00 32 32"},
        DryRunCase{"Cut", "cut -i LPT1", "write 1d 56 42 00"},
        DryRunCase{"TestLine", "test -i USB",
                   "write 50 72 69 6e 74 20 74 65 73 74 20 4f 4b 21 0a 0d"},
        DryRunCase{"PrintSlotFourOverNetwork", "print-bitmap --slot 4 -i Ethernet",
                   "send 1c 50 03"},
        DryRunCase{"BidTest", "bid-test", "write 1b 09 1b 1a ff 1b 15"},
        DryRunCase{"FeedNext", "feed-next -i 127.0.0.1:9",
                   "send 1d 0c c6 f0 ca bc b4 f2 d3 a1 ce bb d6 c3 0a 0d"},
        DryRunCase{"FeedCut", "feed-cut",
                   "write b4 f2 d3 a1 bd e1 ca f8 b2 a2 d7 df d6 bd b5 bd cb ba 20 2f 20 c7 d0 d6 "
                   "bd cf df 0a 0d 1d 56 42 00"},
        // Nothing answers a dry run: the first status request is all that goes.
        DryRunCase{"Status", "status -i 10.0.0.5", "send 10 04 01"}),
    test::ParamName<DryRunCase>);

TEST(DryRunDownload, SendsATwoColourBmpByteForByteAndConvertsOtherImages) {
  const Ran bmp = Vantrel(
      {"download", VANTREL_FIXTURES "/mono-100x50.bmp", "--slot", "8", "--dry-run", "--json"});
  ASSERT_EQ(bmp.status, 0) << bmp.err;
  const auto writes = nlohmann::json::parse(bmp.out)["writes"];
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0], "write 1b 09");
  const std::string command = writes[1];
  EXPECT_EQ(command.substr(0, 26), "write 1b fe 07 0d 00 32 00");
  EXPECT_EQ((command.size() - 5) / 3, 657u);
  EXPECT_EQ(writes[2], "write 1b 15");

  // A grey PNG (1152 x 200, all 128) twice as wide as the paper: scaled to 576 dots (72 bytes
  // a row), half as high.
  const Ran converted = Vantrel(
      {"download", VANTREL_IMAGES "/wide-grey.png", "--slot", "1", "--dry-run", "-i", "192.0.2.1"});
  ASSERT_EQ(converted.status, 0) << converted.err;
  EXPECT_NE(converted.out.find("send 1b fe 00 48 00 64 00 "), std::string::npos);
}

// --- Bad input: one clear error, nothing opened (the target does not even exist) ---

struct BadInputCase {
  std::string name;
  std::string args;
  int status;
  std::string error;  // a part of the one error line
};

void PrintTo(const BadInputCase& c, std::ostream* os) {
  *os << c.name;
}

class BadInput : public testing::TestWithParam<BadInputCase> {};

TEST_P(BadInput, IsRefusedBeforeAnythingIsOpened) {
  const fs::path folder = ScratchFolder();
  std::ofstream(folder / "bad.json") << "{\"language\": \"english\", \"langauge\": 1}";
  std::ofstream(folder / "broken.json") << "{\"language\": ";
  std::ofstream(folder / "partner.json") << "{\"mechanism\": \"dp330\"}";
  std::ofstream(folder / "text.png") << "not an image";
  std::string args = GetParam().args;
  for (std::size_t at; (at = args.find("DIR")) != std::string::npos;)
    args.replace(at, 3, folder.string());
  std::vector<std::string> words = Words(args);
  // Given first, so that a case's own --interface comes later and counts.
  words.insert(words.begin() + 1, {"-i", "/nonexistent/tty", "--lang", "en"});
  const Ran ran = Vantrel(words);
  EXPECT_EQ(ran.status, GetParam().status);
  EXPECT_EQ(ran.out, "");
  EXPECT_NE(ran.err.find(GetParam().error), std::string::npos) << ran.err;
  EXPECT_EQ(std::count(ran.err.begin(), ran.err.end(), '\n'), 1) << ran.err;
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, BadInput,
    testing::Values(
        BadInputCase{"UnknownValue", "set --language englsh", 2, "nearest: English, en, Default"},
        BadInputCase{"UnknownIndex", "set --density 4", 2, "unknown value \"4\" for --density"},
        BadInputCase{"UnknownOption", "set --langage english", 2, "nearest: --language"},
        BadInputCase{"NonHexRadioAddress", "set --radio-address 0g:84:00:01", 2,
                     "Radio Address field 1 must begin with two hexadecimal digits"},
        BadInputCase{"ShortRadioAddress", "set --radio-address 00:84", 2, "four hexadecimal pairs"},
        BadInputCase{"LongBluetoothName", "set --bt-name " + std::string(256, 'x'), 2,
                     "BT Name must not exceed 255 bytes!"},
        BadInputCase{"OffsetOutOfRange", "set --cut-offset 12000", 2,
                     "Cut paper offset must be between 0 and"},
        BadInputCase{"OffsetNotANumber", "set --start-offset 12mm", 2, "whole number"},
        BadInputCase{"UnknownProfileSetting", "set --profile DIR/bad.json", 2,
                     "unknown setting \"langauge\"; nearest: language"},
        BadInputCase{"NotAnAlignmentValue", "set --bid-adjust 25", 2,
                     "its values are 0 to 24, or default"},
        BadInputCase{"BaudRateByIndex", "set --target-baud 4", 2,
                     "its values are 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200"},
        BadInputCase{"MechanismWithoutCutter", "set --mechanism dp330", 2,
                     "--mechanism is sent only together with --cutter"},
        BadInputCase{"DetailWithoutPartnerInProfile", "set --profile DIR/partner.json", 2,
                     "--mechanism is sent only together with --cutter"},
        BadInputCase{"TargetParityWithoutBaud", "set --target-parity odd", 2,
                     "--target-parity is sent only together with --target-baud"},
        BadInputCase{"BrokenProfile", "set --profile DIR/broken.json", 3, "not valid JSON"},
        BadInputCase{"MissingProfile", "set --profile DIR/none.json", 3, "could not be read"},
        BadInputCase{"SlotTooHigh", "print-bitmap --slot 9", 2, "slots are 1 to 8"},
        BadInputCase{"SlotZero", "download DIR/text.png --slot 0", 2, "slots are 1 to 8"},
        BadInputCase{"MissingFile", "download DIR/none.png --slot 1", 3,
                     "missing or cannot be read"},
        BadInputCase{"NotAnImage", "download DIR/text.png --slot 1", 3, "not an image"},
        BadInputCase{"Pnm16Bit", "download " VANTREL_IMAGES "/grey16.pnm --slot 1", 3,
                     "(it reads PNG, JPEG, GIF and BMP files)"},
        BadInputCase{"HugeGifHeader", "download " VANTREL_IMAGES "/huge-header.gif --slot 1", 3,
                     "huge-header.gif: the image is too large (21588 x 21588 pixels; at most "
                     "50000000 pixels are read)"},
        BadInputCase{"TooWideBmp", "download " VANTREL_FIXTURES "/mono-577x8.bmp --slot 1", 3,
                     "Width Must Be Within 576Pix!"},
        BadInputCase{"ColourBmp", "download " VANTREL_FIXTURES "/truecolor-24bit.bmp --slot 1", 3,
                     "Please Use 2-Color Bmp!"},
        BadInputCase{"BadBaud", "drawer --baud 9601", 2, "--baud"},
        BadInputCase{"BadInterface", "drawer -i COM0", 2, "is not COMn (n from 1)"}),
    test::ParamName<BadInputCase>);

// --- Every command against the virtual printer, over its pseudo-terminal and TCP ---

struct SimCase {
  std::string name;
  std::string args;
  bool tcp;
  std::string lang;
  std::string out;  // the report lines, joined by '|'
  std::string log;  // a part of the printer's log
};

void PrintTo(const SimCase& c, std::ostream* os) {
  *os << c.name;
}

class AgainstSim : public testing::TestWithParam<SimCase> {};

TEST_P(AgainstSim, ReportsAsTheDialogDoes) {
  const fs::path folder = ScratchFolder();
  Sim sim(folder / "sim", {"--tcp", "127.0.0.1:0"});
  std::vector<std::string> args = Words(GetParam().args);
  for (std::string& arg : args) {
    if (arg == "MONO")
      arg = VANTREL_FIXTURES "/mono-100x50.bmp";
  }
  args.insert(args.end(),
              {"-i", GetParam().tcp ? sim.Tcp() : SerialName(sim), "--lang", GetParam().lang});
  const Ran ran = Vantrel(args);
  EXPECT_EQ(ran.status, 0) << ran.err;
  std::string joined = ran.out;
  std::replace(joined.begin(), joined.end(), '\n', '|');
  EXPECT_EQ(joined, GetParam().out.empty() ? "" : GetParam().out + "|");
  const std::string log = sim.LogWith(GetParam().log);
  EXPECT_NE(log.find(GetParam().log), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, AgainstSim,
    testing::Values(
        SimCase{"SetPtyEnglish", "set --language english --bt-name Shop --bid-adjust 3", false,
                "en",
                "Language setting succeed!|Bluetooth name setting succeed!|double side print "
                "adjust setting succeed!",
                "BluetoothName = \"Shop\""},
        SimCase{"SetPtyChinese", "set --language english --radio-address 00:84:00:01", false, "zh",
                "语言设置成功!|射频地址设置成功!", "RadioAddress = 00 84 00 01"},
        SimCase{"SetPtyNothing", "set", false, "en", "set completed.", "setup end"},
        SimCase{"SetTcpEnglish", "set --language english --target-baud 9600 --bt-name Shop", true,
                "en",
                "Language setting completed!|Serial setting completed!|Bluetooth name setting "
                "completed!",
                "TargetSerialLine = 9600 baud"},
        SimCase{"SetTcpChinese", "set --language english --target-baud 9600 --bt-name Shop", true,
                "zh", "语言设置完成!|蓝牙名称设置完成!|串口设置完成!", "Language = 0"},
        SimCase{"DownloadPty", "download MONO --slot 2", false, "en", "图片下载完成!",
                "store bitmap in slot 2: 104 x 50 dots"},
        SimCase{"DownloadTcpEnglish", "download MONO --slot 8", true, "en",
                "Download succeed!|图片下载完成!", "store bitmap in slot 8"},
        SimCase{"DownloadTcpChinese", "download MONO --slot 1", true, "zh",
                "下载位图操作完成!|图片下载完成!", "store bitmap in slot 1"},
        SimCase{"PrintBitmapPtyEnglish", "print-bitmap --slot 3", false, "en",
                "Bitmap print succeed!", "print stored bitmap of slot 3"},
        SimCase{"PrintBitmapPtyChinese", "print-bitmap --slot 3", false, "zh", "位图打印完成!",
                "print stored bitmap of slot 3"},
        SimCase{"PrintBitmapTcpEnglish", "print-bitmap --slot 5", true, "en",
                "Bitmap print completed!", "print stored bitmap of slot 5"},
        SimCase{"DrawerPty", "drawer", false, "zh", "", "open cash drawer"},
        SimCase{"DrawerTcp", "drawer", true, "en", "", "open cash drawer"},
        SimCase{"CutPty", "cut", false, "en", "", "cut paper"},
        SimCase{"TestTcp", "test", true, "zh", "", "print line \"Print test OK!\""},
        SimCase{"BidTestPty", "bid-test", false, "en", "print BID adjust demo completed!",
                "bidirectional alignment test"},
        SimCase{"BidTestTcp", "bid-test", true, "zh", "BID调整测试样条打印完成!",
                "bidirectional alignment test"},
        SimCase{"FeedNextPty", "feed-next", false, "zh", "走纸到下一位置并打印完成!",
                "feed to next print start position"},
        SimCase{"FeedCutTcp", "feed-cut", true, "en",
                "print and walk paper to next cut/tear paper position completed!", "cut paper"}),
    test::ParamName<SimCase>);

// --- Failures: the opener's message, the faulty printer's report, and the exit status ---

struct FaultCase {
  std::string name;
  std::vector<std::string> simArgs;
  std::string args;
  bool tcp;
  std::string lang;
  int status;
  std::string out;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class Faults : public testing::TestWithParam<FaultCase> {};

TEST_P(Faults, ShowInTheReportAndTheExitStatus) {
  const fs::path folder = ScratchFolder();
  std::vector<std::string> simArgs = GetParam().simArgs;
  simArgs.insert(simArgs.end(), {"--tcp", "127.0.0.1:0"});
  Sim sim(folder / "sim", simArgs);
  std::vector<std::string> args = Words(GetParam().args);
  args.insert(args.end(),
              {"-i", GetParam().tcp ? sim.Tcp() : SerialName(sim), "--lang", GetParam().lang});
  const Ran ran = Vantrel(args);
  EXPECT_EQ(ran.status, GetParam().status) << ran.err;
  std::string joined = ran.out;
  std::replace(joined.begin(), joined.end(), '\n', '|');
  EXPECT_EQ(joined, GetParam().out + "|");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Faults,
    testing::Values(FaultCase{"Silent",
                              {"--fault", "silent"},
                              "set --language english --font 1",
                              false,
                              "zh",
                              1,
                              "语言设置失败!|字体设置失败!"},
                    FaultCase{"WrongEcho",
                              {"--fault", "wrong-echo"},
                              "set --language english",
                              false,
                              "en",
                              1,
                              "Language setting failed!"},
                    FaultCase{"SlowBeyondTheChineseReadTime",
                              {"--fault", "slow:300"},
                              "set --font 2",
                              false,
                              "zh",
                              1,
                              "字体设置失败!"},
                    FaultCase{"SlowWithinTheEnglishReadTime",
                              {"--fault", "slow:300"},
                              "set --font 2",
                              false,
                              "en",
                              0,
                              "Fonts setting succeed!"},
                    FaultCase{"OWithoutK",
                              {"--fault", "o-without-k"},
                              "set --bt-name Shop --lcd-backlight on",
                              false,
                              "en",
                              1,
                              "Bluetooth name setting failed!|LCD backlight setting succeed!"},
                    FaultCase{"Garbage",
                              {"--fault", "garbage"},
                              "set --print-width 1 --radio-address 00840001",
                              false,
                              "en",
                              1,
                              "Print width setting failed!|Radio address setting failed!"},
                    // The network never answers, but a connection the printer dropped takes no
                    // more: nothing of the run is known to have arrived.
                    FaultCase{"DropAfterOverTcp",
                              {"--fault", "drop-after:4"},
                              "set --language 1 --font 1",
                              true,
                              "en",
                              1,
                              "Language setting failed!|Fonts setting failed!"},
                    // Sent at 115200 baud to a printer listening at 9600: it hears nothing.
                    FaultCase{"WrongLine",
                              {"--check-line", "--baud", "9600"},
                              "set --language 1 --baud 115200",
                              false,
                              "en",
                              1,
                              "Language setting failed!"},
                    FaultCase{"RightLine",
                              {"--check-line", "--baud", "115200"},
                              "set --language 1 --baud 115200",
                              false,
                              "en",
                              0,
                              "Language setting succeed!"}),
    test::ParamName<FaultCase>);

struct OpenFailureCase {
  std::string name;
  std::string args;
  std::string err;
};

void PrintTo(const OpenFailureCase& c, std::ostream* os) {
  *os << c.name;
}

class OpenFailure : public testing::TestWithParam<OpenFailureCase> {};

TEST_P(OpenFailure, ShowsTheOpenersMessageAndSendsNothing) {
  const Ran ran = Vantrel(Words(GetParam().args));
  EXPECT_EQ(ran.status, 4);
  EXPECT_EQ(ran.out, "");
  EXPECT_EQ(ran.err.substr(0, GetParam().err.size()), GetParam().err) << ran.err;
}

INSTANTIATE_TEST_SUITE_P(
    Openers, OpenFailure,
    testing::Values(OpenFailureCase{"SerialEnglish", "set -i /nonexistent/tty --lang en",
                                    "Failed to open serial port!\n"},
                    OpenFailureCase{"SerialChinese",
                                    "download " VANTREL_FIXTURES
                                    "/mono-100x50.bmp --slot 1 -i /nonexistent/tty --lang zh",
                                    "串口打开失败!\n"},
                    OpenFailureCase{"NotATerminal", "feed-next -i /dev/null --lang en",
                                    "Failed to configure serial port!\n"},
                    // Port 9 on this machine: nobody listens there.
                    OpenFailureCase{"NetworkChinese", "set -i 127.0.0.1:9 --lang zh",
                                    "网络连接失败 请检查网络连接!\n"},
                    // The drawer button's own network code speaks English in both variants.
                    OpenFailureCase{
                        "DeviceButtonNetwork", "drawer -i 127.0.0.1:9 --lang zh",
                        "IP addr error or net error, please reset and make sure the printer "
                        "connected properly!\n"}),
    test::ParamName<OpenFailureCase>);

TEST(JsonOutput, CarriesTheLinesAndTheStatus) {
  const fs::path folder = ScratchFolder();
  Sim sim(folder / "sim", {"--tcp", "off", "--fault", "wrong-echo"});
  const std::string serial = SerialName(sim);
  const Ran ran = Vantrel({"set", "--language", "english", "-i", serial, "--lang", "en", "--json"});
  EXPECT_EQ(ran.status, 1);
  const auto json = nlohmann::json::parse(ran.out);
  EXPECT_EQ(json["status"], 1);
  EXPECT_EQ(json["ok"], false);
  EXPECT_EQ(json["lines"], nlohmann::json::array({"Language setting failed!"}));
  EXPECT_EQ(json["target"], serial);
  EXPECT_EQ(json["settings"], nlohmann::json::parse(R"([{"option": "language", "key": "Language",
      "outcome": "failed", "line": "Language setting failed!"}])"));
}

// Every setting over a serial line to a printer that answers: one entry per sent setting, in the
// order sent, with the option that names it and the report line without its CR LF.
TEST(JsonOutput, CarriesOneEntryPerSentSetting) {
  const fs::path folder = ScratchFolder();
  Sim sim(folder / "sim", {"--tcp", "127.0.0.1:0"});
  const std::vector<std::string> every = Words(
      "set --language english --black-mark-position right --font 12x24 --black-mark on "
      "--command-set escpos --paper-sensitivity low --print-direction forward --code-page cp437 "
      "--density low --cutter none --mechanism rv-5500 --paper-out-reprint on "
      "--carriage-return on --print-width 576 --buzzer off --speed 150 --manufacturer ACME "
      "--model TM1 --target-baud 9600 --bt-name Shop --bt-password 1234 "
      "--radio-address 00:84:00:01 --lcd-backlight on --paper-near-end on --print-passes double "
      "--bid-adjust 3 --chars-per-line 42-2sp --start-offset 10 --cut-offset 20 --lang en --json");
  std::vector<std::string> args = every;
  args.insert(args.end(), {"-i", SerialName(sim)});
  const Ran ran = Vantrel(args);
  EXPECT_EQ(ran.status, 0) << ran.err;
  const char* rows[][4] = {
      {"language", "Language", "succeeded", "Language setting succeed!"},
      {"black-mark-position", "BlackMarkPosition", "succeeded",
       "Blacklabel position setting succeed!"},
      {"font", "Font", "succeeded", "Fonts setting succeed!"},
      {"black-mark", "BlackMarkDetection", "succeeded", "Blacklabel detection setting succeed!"},
      {"command-set", "CommandSet", "succeeded", "Instruction set setting succeed!"},
      {"paper-sensitivity", "PaperSensitivity", "succeeded", "Paper sensitivity setting succeed!"},
      {"print-direction", "PrintDirection", "succeeded", "Print direction setting succeed!"},
      {"code-page", "CodePage", "succeeded", "Codepage setting succeed!"},
      {"density", "PrintDensity", "succeeded", "Print density setting succeed!"},
      {"cutter", "CutterMechanism", "succeeded", "Appliance setting succeed!"},
      {"paper-out-reprint", "PaperOutReprint", "succeeded", "Paper lack reprint setting succeed!"},
      {"carriage-return", "CarriageReturn", "succeeded", "0D print setting succeed!"},
      {"print-width", "PrintWidth", "succeeded", "Print width setting succeed!"},
      {"buzzer", "Buzzer", "succeeded", "Buzzer setting succeed!"},
      {"speed", "PrintSpeed", "succeeded", "Print speed setting succeed!"},
      {"manufacturer", "ManufacturerName", "succeeded", "Manufacturer setting succeed!"},
      {"model", "ModelName", "succeeded", "Printer model setting succeed!"},
      {"target-baud", "TargetSerialLine", "succeeded", "Serial setting succeed!"},
      {"bt-name", "BluetoothName", "succeeded", "Bluetooth name setting succeed!"},
      {"bt-password", "BluetoothPassword", "succeeded", "Bluetooth password setting succeed!"},
      {"radio-address", "RadioAddress", "succeeded", "Radio address setting succeed!"},
      {"lcd-backlight", "LcdBacklight", "succeeded", "LCD backlight setting succeed!"},
      {"paper-near-end", "PaperNearEnd", "succeeded", "paper will end setting succeed!!"},
      {"print-passes", "PrintPasses", "succeeded", "single or double side print setting succeed!"},
      {"bid-adjust", "BidAdjustment", "succeeded", "double side print adjust setting succeed!"},
      {"chars-per-line", "CharsPerLine", "succeeded", "character print columns setting completed!"},
      {"start-offset", "StartOffset", "completed", "start offset setting completed!"},
      {"cut-offset", "CutOffset", "completed", "cut/tear paper setting completed!"},
  };
  nlohmann::json expected = nlohmann::json::array();
  nlohmann::json dryRun = nlohmann::json::array();
  for (const auto& row : rows) {
    expected.push_back(
        {{"option", row[0]}, {"key", row[1]}, {"outcome", row[2]}, {"line", row[3]}});
    dryRun.push_back({{"option", row[0]}, {"key", row[1]}, {"outcome", "dry-run"}});
  }
  const auto json = nlohmann::json::parse(ran.out);
  EXPECT_EQ(json["settings"], expected);

  // A dry run names the same settings and says nothing of their outcome.
  args = every;
  args.insert(args.end(), {"-i", "COM2", "--dry-run"});
  const Ran dry = Vantrel(args);
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(nlohmann::json::parse(dry.out)["settings"], dryRun);

  // The network reports every sent setting completed; the Chinese run sends the line last.
  const Ran network = Vantrel({"set", "--target-baud", "9600", "--language", "english", "-i",
                               sim.Tcp(), "--lang", "zh", "--json"});
  EXPECT_EQ(network.status, 0) << network.err;
  EXPECT_EQ(nlohmann::json::parse(network.out)["settings"], nlohmann::json::parse(R"([
      {"option": "language", "key": "Language", "outcome": "completed", "line": "语言设置完成!"},
      {"option": "target-baud", "key": "TargetSerialLine", "outcome": "completed",
       "line": "串口设置完成!"}])"));
}

// A printer that echoes the value byte 0x13 would stop the line's output with it (XON/XOFF both
// ways), and sends no XON after it. Such an echo is read with output flow control off, so it
// reaches the judge: the printer stored the value and said so. Every later command and the
// closing frame go out.
TEST(EchoedXoff, IsJudgedAndDoesNotStopTheRun) {
  const fs::path folder = ScratchFolder();
  Sim sim(folder / "sim", {"--tcp", "off"});
  const Ran ran = Vantrel({"set", "--code-page", "cp858", "--speed", "150", "--radio-address",
                           "00:84:00:13", "--bid-adjust", "19", "--chars-per-line", "42-2sp", "-i",
                           SerialName(sim), "--lang", "zh"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out,
            "代码页设置成功!\n打印速度设置成功!\n射频地址设置成功!\n双向打印校对调整设置成功!\n"
            "字符打印列数设置成功!\n");
  const std::string log = sim.LogWith("setup end");
  for (const char* sent : {"[1B 09]", "[1B 74 13]", "[1B 1E 00]", "[1C BD 00 84 00 13]",
                           "[1B 1A 13]", "[1B 39 00]", "[1B 15]"})
    EXPECT_NE(log.find(sent), std::string::npos) << sent << " not received:\n" << log;
}

// A printer whose first answer comes 2.4 s late, after the English read's 2 s, with the next
// answer queued behind it. After an answer judged wrong the tool lets the rest of the line arrive,
// and input left waiting is dropped before each command, so the late echo costs its own setting
// and the one read while it arrived, not every later one. The values of
// neighbouring settings differ, so an answer judged for the wrong setting shows.
TEST(LateEcho, CostsItsOwnSettingAndNotTheRest) {
  const fs::path folder = ScratchFolder();
  Sim sim(folder / "sim", {"--tcp", "off", "--fault", "late:2400"});
  const Ran ran = Vantrel({"set", "--language", "3", "--font", "1", "--black-mark", "2",
                           "--command-set", "3", "--paper-sensitivity", "1", "--print-direction",
                           "2", "--code-page", "10", "-i", SerialName(sim), "--lang", "en"});
  EXPECT_EQ(ran.status, 1) << ran.err;
  EXPECT_EQ(ran.out,
            "Language setting failed!\nFonts setting failed!\nBlacklabel detection setting "
            "succeed!\nInstruction set setting succeed!\nPaper sensitivity setting succeed!\n"
            "Print direction setting succeed!\nCodepage setting succeed!\n");
}

// A printer that holds XOFF once a download starts (paper out, buffer full) and never sends XON:
// the download ends as failed within the bound of its writes (the closing frame's 2 bytes: 2 s
// and a little), never with the done text over an image the printer did not get.
TEST(HeldXoff, EndsADownloadAsFailedWithinItsBound) {
  const fs::path folder = ScratchFolder();
  Sim sim(folder / "sim", {"--tcp", "off", "--fault", "hold-xoff"});
  const auto start = std::chrono::steady_clock::now();
  const Ran ran = Vantrel({"download", VANTREL_FIXTURES "/mono-100x50.bmp", "--slot", "1", "-i",
                           SerialName(sim), "--lang", "en"});
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(ran.status, 1) << ran.err;
  EXPECT_EQ(ran.out, "Download failed!\n");
  EXPECT_LT(took, std::chrono::seconds(15));
  EXPECT_NE(sim.LogWith("XOFF").find("fault hold-xoff"), std::string::npos);
}

TEST(Profile, SetsItsSettingsAndTheCommandLineWins) {
  const fs::path folder = ScratchFolder();
  Sim sim(folder / "sim", {"--tcp", "off"});
  std::ofstream(folder / "store.json")
      << R"({"language": "English", "code-page": 17, "density": "high", "manufacturer": "ACME"})";
  const Ran ran = Vantrel({"set", "--profile", (folder / "store.json").string(), "--density", "low",
                           "-i", SerialName(sim), "--lang", "en"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out,
            "Language setting succeed!\nCodepage setting succeed!\nPrint density setting "
            "succeed!\nManufacturer setting succeed!\n");
  const std::string log = sim.LogWith("setup end");
  EXPECT_NE(log.find("CodePage = 16"), std::string::npos) << log;
  EXPECT_NE(log.find("PrintDensity = 0"), std::string::npos) << log;
}

TEST(Fleet, ConfiguresEveryPrinterWithOneReportEach) {
  const fs::path folder = ScratchFolder();
  Sim a(folder / "a", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  Sim b(folder / "b", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  Sim c(folder / "c", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  std::ofstream(folder / "hosts") << "# the store\n"
                                  << a.Tcp() << "\n\n"
                                  << b.Tcp() << "  # back office\n"
                                  << c.Tcp() << "\n";
  const Ran ran = Vantrel(
      {"set", "--hosts", (folder / "hosts").string(), "--language", "english", "--lang", "en"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "== " + a.Tcp() + " ==\nLanguage setting completed!\n== " + b.Tcp() +
                         " ==\nLanguage setting completed!\n== " + c.Tcp() +
                         " ==\nLanguage setting completed!\n");
  for (const Sim* sim : {&a, &b, &c})
    EXPECT_NE(sim->LogWith("Language = 0").find("Language = 0"), std::string::npos);

  // One printer gone: its report is the connect failure and the status says so.
  std::ofstream(folder / "hosts2") << a.Tcp() << "\n127.0.0.1:9\n";
  const Ran partly = Vantrel({"drawer", "--hosts", (folder / "hosts2").string(), "--json"});
  EXPECT_EQ(partly.status, 4);
  const auto json = nlohmann::json::parse(partly.out);
  EXPECT_EQ(json["printers"][0]["status"], 0);
  EXPECT_EQ(json["printers"][1]["status"], 4);
}

// A loopback listener that never accepts: with `queued` connections waiting in a queue of one
// it completes no more handshakes, so a connect to it is never answered.
class SilentListener {
 public:
  explicit SilentListener(int queued) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    listen(listener_, 0);
    for (int i = 0; i < queued; ++i) {
      fillers_.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
      connect(fillers_.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    host_ = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  }
  ~SilentListener() {
    for (int fd : fillers_)
      close(fd);
    close(listener_);
  }
  const std::string& Host() const { return host_; }

 private:
  int listener_ = -1;
  std::vector<int> fillers_;
  std::string host_;
};

// A printer whose connection is taken but never read still gets its commands sent (nothing is
// read back over the network): Linux sees every byte acknowledged, while Windows cannot tell what
// a printer that stays connected took and ends it at the bound as not delivered, as it does for one
// printer. One whose connect is never answered ends at --connect-timeout.
TEST(Fleet, APrinterThatNeverReadsAndOneThatNeverAnswers) {
  const fs::path folder = ScratchFolder();
  Sim a(folder / "a", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  const SilentListener deaf(0);
  const SilentListener full(2);
  std::ofstream(folder / "hosts") << a.Tcp() << "\n" << deaf.Host() << "\n" << full.Host() << "\n";
  const auto start = std::chrono::steady_clock::now();
  const Ran ran = Vantrel({"set", "--hosts", (folder / "hosts").string(), "--language", "english",
                           "--connect-timeout", "0.5", "--json", "--lang", "en"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
  EXPECT_EQ(ran.status, 4) << ran.err;
  const auto json = nlohmann::json::parse(ran.out);
  ASSERT_EQ(json["printers"].size(), 3u);
  EXPECT_EQ(json["printers"][0]["status"], 0);
  if (OnWindows()) {
    EXPECT_NE(json["printers"][1]["status"], 0);
    EXPECT_EQ(json["printers"][1]["lines"], nlohmann::json::array({"Language setting failed!"}));
  } else {
    EXPECT_EQ(json["printers"][1]["status"], 0);
    EXPECT_EQ(json["printers"][1]["lines"], nlohmann::json::array({"Language setting completed!"}));
  }
  EXPECT_EQ(json["printers"][2]["status"], 4);
  EXPECT_NE(a.LogWith("Language = 0").find("Language = 0"), std::string::npos);
}

// Every thread reads the same image file and sends it to its own printer.
TEST(Fleet, DownloadsOneImageToEveryPrinter) {
  const fs::path folder = ScratchFolder();
  Sim a(folder / "a", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  Sim b(folder / "b", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  Sim c(folder / "c", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  std::ofstream(folder / "hosts") << a.Tcp() << "\n" << b.Tcp() << "\n" << c.Tcp() << "\n";
  const Ran ran = Vantrel({"download", VANTREL_FIXTURES "/mono-100x50.bmp", "--slot", "4",
                           "--hosts", (folder / "hosts").string(), "--lang", "en"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  for (const Sim* sim : {&a, &b, &c}) {
    const std::string log = sim->LogWith("store bitmap in slot 4");
    EXPECT_NE(log.find("store bitmap in slot 4: 104 x 50 dots"), std::string::npos) << log;
  }
}

// Runs vantrel under a command that sets its limits (prlimit), to its end.
Ran VantrelUnder(const std::vector<std::string>& prefix, std::vector<std::string> args) {
  std::vector<std::string> command = prefix;
  const std::vector<std::string> program = ProgramCommand();
  command.insert(command.end(), program.begin(), program.end());
  command.insert(command.end(), args.begin(), args.end());
  int out[2];
  int err[2];
  EXPECT_EQ(pipe(out), 0);
  EXPECT_EQ(pipe(err), 0);
  const pid_t pid =
      SpawnChild(command.front(), {command.begin() + 1, command.end()}, out[1], err[1], {});
  close(out[1]);
  close(err[1]);
  Ran ran;
  char chunk[4096];
  for (ssize_t got; (got = read(out[0], chunk, sizeof chunk)) > 0;)
    ran.out.append(chunk, static_cast<std::size_t>(got));
  for (ssize_t got; (got = read(err[0], chunk, sizeof chunk)) > 0;)
    ran.err.append(chunk, static_cast<std::size_t>(got));
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return ran;
}

// With no thread to spare (a task limit the user's own processes already fill) every printer is
// still configured, each with its report, by the program's one thread.
TEST(Fleet, RunsEveryPrinterUnderATaskLimit) {
  if (OnWindows())
    GTEST_SKIP() << "prlimit limits a Linux process";
  const fs::path folder = ScratchFolder();
  Sim a(folder / "a", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  Sim b(folder / "b", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  std::ofstream hosts(folder / "hosts");
  for (int i = 0; i < 4; ++i)
    hosts << a.Tcp() << "\n" << b.Tcp() << "\n";
  hosts.close();
  const Ran ran =
      VantrelUnder({"prlimit", "--nproc=1"}, {"set", "--hosts", (folder / "hosts").string(),
                                              "--language", "english", "--lang", "en", "--json"});
  ASSERT_EQ(ran.status, 0) << ran.err;
  const auto json = nlohmann::json::parse(ran.out);
  ASSERT_EQ(json["printers"].size(), 8u);
  for (const auto& printer : json["printers"]) {
    EXPECT_EQ(printer["end"], "finished");
    EXPECT_EQ(printer["lines"], nlohmann::json::array({"Language setting completed!"}));
  }
  auto count = [](const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
      ++n;
    return n;
  };
  for (const Sim* sim : {&a, &b}) {
    std::string log = sim->Log();
    for (int i = 0; i < 100 && count(log, "setup end") < 4; ++i) {
      usleep(50 * 1000);
      log = sim->Log();
    }
    EXPECT_EQ(count(log, "Language = 0"), 4u) << log;
  }
}

// A printer whose connect is never answered, with no bound on the connect, does not hold back the
// others' reports: at its deadline it is reported as unfinished, in the JSON too.
TEST(Fleet, PrintsWhatFinishedWhenOnePrinterDoesNotFinish) {
  const fs::path folder = ScratchFolder();
  Sim a(folder / "a", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  const SilentListener full(2);
  std::ofstream(folder / "hosts") << a.Tcp() << "\n" << full.Host() << "\n" << a.Tcp() << "\n";
  // The test's own bound: a program that waited for the hung printer would be stopped here.
  const Ran ran = VantrelUnder(
      {"timeout", "20"}, {"set", "--hosts", (folder / "hosts").string(), "--language", "english",
                          "--connect-timeout", "0", "--deadline", "2", "--json", "--lang", "en"});
  ASSERT_EQ(ran.status, 1) << ran.err;
  const auto json = nlohmann::json::parse(ran.out);
  ASSERT_EQ(json["printers"].size(), 3u);
  EXPECT_EQ(json["status"], 1);
  for (const std::size_t finished : {0u, 2u}) {
    EXPECT_EQ(json["printers"][finished]["end"], "finished");
    EXPECT_EQ(json["printers"][finished]["lines"],
              nlohmann::json::array({"Language setting completed!"}));
  }
  EXPECT_EQ(json["printers"][1]["end"], "unfinished");
  EXPECT_EQ(json["printers"][1]["target"], full.Host());
  EXPECT_EQ(json["printers"][1]["lines"],
            nlohmann::json::array(
                {"did not finish within 2 s: what the printer took of the run is not known"}));
}

// --- What the tool reads and opens: devices as devices, files as files, each with a limit ---

struct RefusedPathCase {
  std::string name;
  std::string args;  // DIR: the test's folder
  int status;
  std::string error;  // a part of the error output
};

void PrintTo(const RefusedPathCase& c, std::ostream* os) {
  *os << c.name;
}

class RefusedPath : public testing::TestWithParam<RefusedPathCase> {};

TEST_P(RefusedPath, IsNeitherWrittenNorWaitedOn) {
  if (OnWindows())
    GTEST_SKIP() << "device paths, links and pipes of a POSIX machine";
  const fs::path folder = ScratchFolder();
  std::ofstream(folder / "lp-anything") << "a text file\n";
  fs::create_symlink(folder / "lp-anything", folder / "ttyUSB-link");
  ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
  std::ofstream(folder / "huge.json") << "{\"language\": \"" << std::string(1 << 20, 'x') << "\"}";
  std::string args = GetParam().args;
  for (std::size_t at; (at = args.find("DIR")) != std::string::npos;)
    args.replace(at, 3, folder.string());
  std::vector<std::string> words = Words(args);
  words.insert(words.end(), {"--lang", "en"});
  const Ran ran = VantrelUnder({"timeout", "20"}, words);
  EXPECT_EQ(ran.status, GetParam().status) << ran.err;
  EXPECT_NE(ran.err.find(GetParam().error), std::string::npos) << ran.err;
  EXPECT_EQ(ReadFile(folder / "lp-anything"), "a text file\n");
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedPath,
    testing::Values(
        RefusedPathCase{"TextFileAsPrinterNode", "set -i DIR/lp-anything --language english", 4,
                        "lp-anything is not a device"},
        RefusedPathCase{"LinkToATextFileAsSerialLine", "set -i DIR/ttyUSB-link --language english",
                        4, "Failed to open serial port!\nvantrel: "},
        RefusedPathCase{"PipeAsProfile", "set -i /nonexistent/tty --profile DIR/pipe", 3,
                        "pipe: the profile could not be read: it is not a regular file"},
        RefusedPathCase{"PipeAsImage", "download DIR/pipe --slot 1 -i /nonexistent/tty", 3,
                        "it is not a regular file"},
        RefusedPathCase{"PipeAsHosts", "set --hosts DIR/pipe --language english", 3,
                        "the hosts file could not be read: it is not a regular file"},
        RefusedPathCase{"HugeProfile", "set -i /nonexistent/tty --profile DIR/huge.json", 3,
                        "it is larger than 1048576 bytes"},
        RefusedPathCase{"ConnectTimeoutOutOfRange", "set -i 127.0.0.1:9 --connect-timeout 1e9", 2,
                        "--connect-timeout"}),
    test::ParamName<RefusedPathCase>);

// Bytes that are not UTF-8 in a path the user gave end up in the JSON as U+FFFD, not in a crash.
TEST(JsonOutput, ReplacesBytesThatAreNotUtf8) {
  if (OnWindows())
    GTEST_SKIP() << "Windows arguments arrive as Unicode";
  const Ran device = Vantrel({"set", "-i", "/nonexistent/\xff", "--json", "--lang", "en"});
  EXPECT_EQ(device.status, 4) << device.err;
  EXPECT_EQ(nlohmann::json::parse(device.out)["target"], "/nonexistent/\xEF\xBF\xBD");
  const Ran file = Vantrel({"download", "/nonexistent/caf\xe9.png", "--slot", "1", "--json"});
  EXPECT_EQ(file.status, 3) << file.err;
  EXPECT_NE(nlohmann::json::parse(file.out)["error"].get<std::string>().find("caf\xEF\xBF\xBD"),
            std::string::npos);
}

// --- USB discovery on a fake device tree ---

TEST(Usb, FindsThePrinterNodeOrSaysHowToGetOne) {
  if (OnWindows()) {
    // No device tree of files stands in for SetupAPI: Wine's machine has no USB printer.
    const Ran listed = Vantrel({"list-usb"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "No printer with vid_0483&pid_5720 or vid_067b&pid_2305 is attached.\n");
    const Ran drawer = Vantrel({"drawer", "-i", "USB", "--lang", "en"});
    EXPECT_EQ(drawer.status, 4);
    EXPECT_EQ(drawer.err,
              "Failed to open USB port!\nvantrel: no USB printer with vid_0483&pid_5720 "
              "or vid_067b&pid_2305 is attached (vantrel list-usb shows what is)\n");
    return;
  }
  const fs::path root = ScratchFolder();
  const fs::path devices = root / "sys" / "bus" / "usb" / "devices";
  auto device = [&](const std::string& name, const std::string& vendor,
                    const std::string& product) {
    fs::create_directories(devices / name / (name + ":1.0"));
    std::ofstream(devices / name / "idVendor") << vendor << "\n";
    std::ofstream(devices / name / "idProduct") << product << "\n";
  };
  device("1-1", "067b", "2305");
  const std::vector<std::string> env = {"VANTREL_SYSFS_ROOT=" + (root / "sys").string(),
                                        "VANTREL_DEV_ROOT=" + (root / "dev").string()};

  const Ran missing = Vantrel({"drawer", "-i", "USB", "--lang", "en"}, env);
  EXPECT_EQ(missing.status, 4);
  EXPECT_NE(missing.err.find("Failed to open USB port!\n"), std::string::npos);
  EXPECT_NE(missing.err.find("vid_067b&pid_2305 (1-1): the kernel made no printer node for it; "
                             "load the USB printer driver (sudo modprobe usblp)"),
            std::string::npos)
      << missing.err;

  fs::create_directories(devices / "1-1" / "1-1:1.0" / "usbmisc" / "lp0");
  fs::create_directories(root / "dev" / "usb");
  std::ofstream(root / "dev" / "usb" / "lp0");
  const Ran listed = Vantrel({"list-usb"}, env);
  EXPECT_EQ(listed.out, "1-1  vid_067b&pid_2305  (printer, write-only)  " +
                            (root / "dev" / "usb" / "lp0").string() + "\n");
  const Ran drawer = Vantrel({"drawer", "-i", "USB", "--lang", "en"}, env);
  EXPECT_EQ(drawer.status, 0) << drawer.err;
  EXPECT_EQ(ReadFile(root / "dev" / "usb" / "lp0"), "\x1B\x70\x00\x32\x32"s);
}

// --- status: the printer's state, and discover: every printer this machine reaches ---

struct StatusCase {
  const char* name;
  std::vector<std::string> simArgs;
  int status;
  const char* words;  // what vantrel status prints
  const char* state;  // its --json state
};

class Status : public testing::TestWithParam<StatusCase> {};

// Each state the printer reports, over its serial line and over TCP, with the same words and
// exit status.
TEST_P(Status, ShowsEachStateWithItsExitStatusOverTheSerialLineAndTcp) {
  const StatusCase& c = GetParam();
  std::vector<std::string> args = {"--tcp", "127.0.0.1:0", "--pty", "com1", "--model", "TM-T"};
  args.insert(args.end(), c.simArgs.begin(), c.simArgs.end());
  Sim sim(ScratchFolder(), args);
  for (const std::string& target : {SerialName(sim), sim.Tcp()}) {
    const Ran ran = Vantrel({"status", "-i", target, "--lang", "en"});
    EXPECT_EQ(ran.status, c.status) << target << ": " << ran.err;
    EXPECT_EQ(ran.out, std::string(c.words) + "\n") << target;
  }
  const Ran json = Vantrel({"status", "-i", sim.Tcp(), "--json"});
  EXPECT_EQ(json.status, c.status);
  EXPECT_EQ(nlohmann::json::parse(json.out)["state"], c.state) << json.out;
}

INSTANTIATE_TEST_SUITE_P(
    States, Status,
    testing::Values(
        StatusCase{"Ready", {}, 0, "ready [Vantrel TM-T]", "ready"},
        StatusCase{"PaperNearEnd",
                   {"--fault", "paper-near-end"},
                   5,
                   "paper near its end: paper near its end [Vantrel TM-T]",
                   "paper-near-end"},
        StatusCase{"PaperOut",
                   {"--fault", "paper-out"},
                   6,
                   "needs a person: paper out, offline, paper near its end",
                   "needs-attention"},
        StatusCase{"CoverOpen",
                   {"--fault", "cover-open"},
                   6,
                   "needs a person: cover open, offline",
                   "needs-attention"},
        StatusCase{
            "Offline", {"--fault", "offline"}, 6, "needs a person: offline", "needs-attention"},
        StatusCase{"Silent", {"--fault", "silent"}, 7, "no answer", "no-answer"}),
    test::ParamName<StatusCase>);

// A printer that never answers is asked once: its first answer's wait is all it costs.
TEST(Status, ASilentPrinterIsAskedOnceOnEachLink) {
  Sim sim(ScratchFolder(), {"--tcp", "127.0.0.1:0", "--pty", "com1", "--fault", "silent"});
  for (const std::string& target : {SerialName(sim), sim.Tcp()}) {
    const Ran ran = Vantrel({"status", "-i", target});
    EXPECT_EQ(ran.status, 7) << target;
  }
  const std::string log = sim.LogWith("status request 1");
  std::size_t asked = 0;
  for (std::size_t at = log.find("status request"); at != std::string::npos;
       at = log.find("status request", at + 1))
    ++asked;
  EXPECT_EQ(asked, 2u) << log;
  EXPECT_EQ(log.find("status request 2"), std::string::npos) << log;
}

TEST(Status, ManyPrintersAtOnceEndWithTheMostPressing) {
  const fs::path folder = ScratchFolder();
  Sim a(folder / "a", {"--tcp", "127.0.0.1:0", "--pty", "unused"});
  Sim b(folder / "b", {"--tcp", "127.0.0.1:0", "--pty", "unused", "--fault", "paper-out"});
  Sim c(folder / "c", {"--tcp", "127.0.0.1:0", "--pty", "unused", "--fault", "paper-near-end"});
  std::ofstream(folder / "hosts") << a.Tcp() << "\n" << b.Tcp() << "\n" << c.Tcp() << "\n";
  const Ran ran = Vantrel({"status", "--hosts", (folder / "hosts").string(), "--json"});
  EXPECT_EQ(ran.status, 6) << ran.err;
  const auto json = nlohmann::json::parse(ran.out);
  ASSERT_EQ(json["printers"].size(), 3u) << ran.out;
  EXPECT_EQ(json["printers"][0]["state"], "ready");
  EXPECT_EQ(json["printers"][0]["identity"], "Vantrel vantrel-sim");
  EXPECT_EQ(json["printers"][1]["state"], "needs-attention");
  EXPECT_EQ(json["printers"][1]["paper_out"], true);
  EXPECT_EQ(json["printers"][2]["state"], "paper-near-end");
  EXPECT_EQ(json["printers"][2]["status"], 5);

  // A printer that is not there at all is the most pressing of all.
  std::ofstream(folder / "hosts2") << a.Tcp() << "\n127.0.0.1:9\n";
  const Ran gone = Vantrel({"status", "--hosts", (folder / "hosts2").string()});
  EXPECT_EQ(gone.status, 4);
  EXPECT_EQ(gone.out.find("== " + a.Tcp() + " ==\nready [Vantrel vantrel-sim]\n"), 0u) << gone.out;
}

// The sweep finds the printers in the range it is given, with their identities and states, and
// nothing else: not one listening just outside it.
TEST(Discover, ASweepOfALoopbackRangeFindsExactlyThePrintersThere) {
  const fs::path folder = ScratchFolder();
  Sim first(folder / "a", {"--tcp", "127.0.31.2:0", "--pty", "unused", "--model", "A-1"});
  const std::string port = first.Tcp().substr(first.Tcp().rfind(':') + 1);
  Sim second(folder / "b", {"--tcp", "127.0.31.7:" + port, "--pty", "unused", "--fault",
                            "paper-near-end", "--model", "B-2"});
  Sim third(folder / "c",
            {"--tcp", "127.0.31.14:" + port, "--pty", "unused", "--fault", "cover-open"});
  Sim outside(folder / "d", {"--tcp", "127.0.31.17:" + port, "--pty", "unused"});
  // An empty device tree: the machine's own USB devices and serial lines are not listed.
  fs::create_directories(folder / "sys");
  const std::vector<std::string> env = {"VANTREL_SYSFS_ROOT=" + (folder / "sys").string(),
                                        "VANTREL_DEV_ROOT=" + (folder / "dev").string()};
  const Ran ran = Vantrel({"discover", "--net", "127.0.31.0/28", "--port", port, "--json"}, env);
  EXPECT_EQ(ran.status, 0) << ran.err;
  const auto json = nlohmann::json::parse(ran.out);
  EXPECT_EQ(json["swept"], 14);
  std::vector<std::vector<std::string>> network;
  for (const auto& entry : json["printers"]) {
    if (entry["link"] != "network")
      continue;
    network.push_back({entry["interface"], entry["state"],
                       entry["identity"].is_null() ? "-" : entry["identity"].get<std::string>()});
  }
  const std::vector<std::vector<std::string>> expected = {
      {"127.0.31.2:" + port, "ready", "Vantrel A-1"},
      {"127.0.31.7:" + port, "paper-near-end", "Vantrel B-2"},
      {"127.0.31.14:" + port, "needs-attention", "-"}};
  EXPECT_EQ(network, expected) << ran.out;
  // Each was asked over one connection, which it saw closed.
  EXPECT_NE(first.LogWith("closed").find("closed"), std::string::npos);
  EXPECT_EQ(outside.Log().find("connected"), std::string::npos);

  // A range with no printer in it: the status that says so.
  const Ran none = Vantrel({"discover", "--net", "127.0.31.32/29", "--port", port}, env);
  EXPECT_EQ(none.status, 8) << none.out;
  EXPECT_NE(none.out.find("No printer found. 6 network addresses swept."), std::string::npos)
      << none.out;
}

TEST(Discover, RefusesAWrongSubnetOrUsbId) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"discover", "--net", "127.0.0/24"},
        std::vector<std::string>{"discover", "--net", "127.0.0.0/33"},
        std::vector<std::string>{"discover", "--net", "10.0.0.0/19"},
        std::vector<std::string>{"discover", "--usb-id", "0483-5720"}}) {
    const Ran ran = Vantrel(args);
    EXPECT_EQ(ran.status, 2) << args[2];
    EXPECT_TRUE(ran.out.empty()) << args[2];
  }
}

// USB printers (the two known ones, any of the printer class, IDs added) and serial lines, from
// a fake device tree, as list-usb is tested.
TEST(Discover, ListsUsbPrintersAndSerialLinesOfTheDeviceTree) {
  if (OnWindows())
    GTEST_SKIP() << "the kernel's device tree of a Linux machine";
  const fs::path root = ScratchFolder();
  const fs::path sys = root / "sys";
  const fs::path dev = root / "dev";
  auto usb = [&](const std::string& name, const std::string& vendor, const std::string& product,
                 const std::string& interfaceClass) {
    const fs::path device = sys / "bus" / "usb" / "devices" / name;
    fs::create_directories(device / (name + ":1.0"));
    std::ofstream(device / "idVendor") << vendor << "\n";
    std::ofstream(device / "idProduct") << product << "\n";
    std::ofstream(device / (name + ":1.0") / "bInterfaceClass") << interfaceClass << "\n";
  };
  usb("1-1", "0483", "5720", "07");
  fs::create_directories(sys / "bus/usb/devices/1-1/1-1:1.0/usbmisc/lp0");
  usb("1-2", "04b8", "0202", "07");  // another maker's printer, no printer node
  usb("1-3", "1a86", "7523", "ff");  // a serial adapter: not a printer
  usb("1-4", "1fc9", "2016", "ff");  // a printer the user names
  auto tty = [&](const std::string& name, const char* type) {
    fs::create_directories(sys / "class" / "tty" / name);
    if (type)
      std::ofstream(sys / "class" / "tty" / name / "type") << type << "\n";
  };
  tty("ttyS0", "4");
  tty("ttyS1", "0");  // no UART behind it
  tty("ttyUSB0", nullptr);
  tty("ttyACM0", nullptr);
  tty("tty1", nullptr);
  fs::create_directories(dev / "serial" / "by-id");
  fs::create_symlink("../../ttyUSB0", dev / "serial" / "by-id" / "usb-FTDI_FT232R_A50-if00-port0");
  const std::vector<std::string> env = {"VANTREL_SYSFS_ROOT=" + sys.string(),
                                        "VANTREL_DEV_ROOT=" + dev.string()};
  const Ran ran = Vantrel({"discover", "--no-network", "--usb-id", "1FC9:2016", "--json"}, env);
  EXPECT_EQ(ran.status, 0) << ran.err;
  std::vector<std::vector<std::string>> rows;
  const auto json = nlohmann::json::parse(ran.out);
  for (const auto& entry : json["printers"])
    rows.push_back({entry["link"], entry["interface"], entry["printer"] ? "printer" : "line"});
  const std::vector<std::vector<std::string>> expected = {
      {"usb", (dev / "usb" / "lp0").string(), "printer"},
      {"usb", "", "printer"},
      {"usb", "", "printer"},
      {"serial", (dev / "ttyACM0").string(), "line"},
      {"serial", (dev / "ttyS0").string(), "line"},
      {"serial", (dev / "ttyUSB0").string(), "line"}};
  EXPECT_EQ(rows, expected) << ran.out;
  const Ran table = Vantrel({"discover", "--no-network"}, env);
  EXPECT_NE(table.out.find("vid_04b8&pid_0202 1-2 (USB printer class): no printer node"),
            std::string::npos)
      << table.out;
  EXPECT_NE(table.out.find("usb-FTDI_FT232R_A50-if00-port0"), std::string::npos) << table.out;

  // Without a printer of any kind: only lines, which are not asked, so nothing was found.
  fs::remove_all(sys / "bus");
  EXPECT_EQ(Vantrel({"discover", "--no-network"}, env).status, 8);
}

// --- The exporter ---

// A port on 127.0.0.1 that is free now.
int FreePort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(probe, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);
  return ntohs(address.sin_port);
}

// `exporter` as a server: started, waited for (bounded) until it says it listens, and stopped.
class ExporterServer {
 public:
  explicit ExporterServer(const std::vector<std::string>& args) {
    std::vector<std::string> command = ProgramCommand();
    command.push_back("exporter");
    command.insert(command.end(), args.begin(), args.end());
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    pid_ = SpawnChild(command.front(), {command.begin() + 1, command.end()}, out[1], out[1], {});
    close(out[1]);
    out_ = out[0];
    // A first start under Wine takes a while.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (output_.find("listening on") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
      pollfd entry{out_, POLLIN, 0};
      char chunk[512];
      if (poll(&entry, 1, 1000) <= 0)
        continue;
      const ssize_t got = read(out_, chunk, sizeof chunk);
      if (got <= 0)
        break;
      output_.append(chunk, static_cast<std::size_t>(got));
    }
  }
  ~ExporterServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      ReapChild(pid_, std::chrono::seconds(10));
    }
    close(out_);
  }
  bool Listening() const { return output_.find("listening on") != std::string::npos; }
  const std::string& Output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

// Prometheus' scrape of one printer through the exporter, over TCP and a serial line (COM1 under
// Wine): the printer's state and identity in the text format, and the probes counted.
TEST(ExporterProgram, ServesAPrintersStateOverTcpAndASerialLine) {
  const fs::path folder = ScratchFolder();
  Sim sim(folder / "printer", {"--pty", "serial", "--tcp", "127.0.0.1:0", "--fault",
                               "paper-near-end", "--maker", "Vantrel", "--model", "TM-1"});
  const int port = FreePort();
  ExporterServer exporter({"--listen", "127.0.0.1:" + std::to_string(port)});
  ASSERT_TRUE(exporter.Listening()) << exporter.Output();
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(std::chrono::seconds(30));
  const httplib::Headers scrape{{"X-Prometheus-Scrape-Timeout-Seconds", "5"}};
  for (const std::string& target : {sim.Tcp(), SerialName(sim)}) {
    const httplib::Result answer = client.Get(("/probe?target=" + target).c_str(), scrape);
    ASSERT_TRUE(answer) << target << ": " << httplib::to_string(answer.error());
    EXPECT_EQ(answer->status, 200) << target;
    for (const char* line :
         {"vantrel_printer_up 1\n", "vantrel_printer_paper_near_end 1\n",
          "vantrel_printer_paper_out 0\n", "vantrel_printer_cover_open 0\n",
          "vantrel_printer_offline 0\n", "vantrel_printer_info{identity=\"Vantrel TM-1\"} 1\n"})
      EXPECT_NE(answer->body.find(line), std::string::npos) << target << ": " << line << " in\n"
                                                            << answer->body;
  }
  const httplib::Result own = client.Get("/metrics");
  ASSERT_TRUE(own);
  EXPECT_NE(own->body.find("vantrel_exporter_probes_total 2\n"), std::string::npos) << own->body;
}

}  // namespace
}  // namespace vantrel
