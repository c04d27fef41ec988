// Drives the running main dialog from another process, step by step from a script, the way a
// technician would: choose list items, tick boxes, type, press buttons, read and close message
// boxes, fill the file-open dialog, and read every control back.
//
//   vantrel-driver SCRIPT        one command per line (see tests/wine/README.md)
//
// Every step prints one line; the first failing step prints "FAIL" and ends the run with exit
// code 1. Texts are UTF-8 in the script and in the output.

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/wine/driver/script.h"
#include "tests/wine/driver/snapshot.h"

namespace vantrel::driver {
namespace {

using Clock = std::chrono::steady_clock;

struct StepFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Fail(const std::string& why) {
  throw StepFailed(why);
}

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty())
    return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty())
    return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                      nullptr, nullptr);
  return utf8;
}

// Output goes out as UTF-8 bytes, whatever the console's code page.
void Print(const std::string& line) {
  const std::string out = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(value));
  return text;
}

std::string Shown(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '"' || c == '\\')
      out += std::string("\\") + c;
    else
      out += c;
  }
  return out + "\"";
}

// Messages to the dialog's thread cross processes; a dialog busy in a device action answers
// late, so every send has a generous limit instead of hanging the test.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 20000, &result))
    Fail("no answer from the window to message " + std::to_string(message));
  return static_cast<LRESULT>(result);
}

std::string WindowText(HWND window) {
  const auto length = Send(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto got = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got));
  return Narrow(text);
}

std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return Narrow(name);
}

std::vector<std::string> ListItems(HWND combo) {
  std::vector<std::string> items;
  const auto count = Send(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
    const auto got =
        Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
    items.push_back(Narrow(text));
  }
  return items;
}

// The four field edits of an IP-address control, left to right. (IPM_GETADDRESS answers through
// a pointer, which does not cross processes; the fields' texts do.)
std::vector<HWND> AddressFields(HWND address) {
  std::vector<std::pair<LONG, HWND>> fields;
  for (HWND f = GetWindow(address, GW_CHILD); f; f = GetWindow(f, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(f, &r);
    fields.emplace_back(r.left, f);
  }
  std::sort(fields.begin(), fields.end());
  std::vector<HWND> out;
  for (const auto& [x, f] : fields)
    out.push_back(f);
  return out;
}

bool Waited(double seconds, const std::function<bool()>& done) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > end)
      return false;
    Sleep(10);
  }
  return true;
}

// A Linux path ("/tmp/x") as the Windows program sees it, through drive Z:.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/')
    path = "Z:" + path;
  for (char& c : path) {
    if (c == '/')
      c = '\\';
  }
  return path;
}

int ParseId(const std::string& text) {
  try {
    std::size_t used = 0;
    const int id = std::stoi(text, &used, 0);
    if (used == text.size())
      return id;
  } catch (const std::exception&) {
  }
  Fail("not a control id: " + text);
  return 0;
}

bool ParseYesNo(const std::string& text) {
  if (text == "yes" || text == "1" || text == "true")
    return true;
  if (text == "no" || text == "0" || text == "false")
    return false;
  Fail("expected yes or no, got " + text);
  return false;
}

double Seconds(const std::vector<std::string>& args, std::size_t index, double fallback) {
  return args.size() > index ? std::stod(args[index]) : fallback;
}

class Driver {
 public:
  void Run(const Command& command) {
    const auto& a = command.args;
    const std::string& v = command.verb;
    auto need = [&](std::size_t n) {
      if (a.size() < n)
        Fail(v + " needs " + std::to_string(n) + " argument(s)");
    };
    if (v == "start") {
      need(1);
      Start(a[0]);
    } else if (v == "wait-dialog") {
      need(1);
      WaitDialog(a[0], Seconds(a, 1, 30));
    } else if (v == "select") {
      need(2);
      Select(ParseId(a[0]), a[1]);
    } else if (v == "check" || v == "uncheck") {
      need(1);
      SetCheck(ParseId(a[0]), v == "check");
    } else if (v == "type") {
      need(2);
      Type(ParseId(a[0]), a[1]);
    } else if (v == "ip") {
      need(2);
      SetAddress(ParseId(a[0]), a[1]);
    } else if (v == "click") {
      need(1);
      Click(ParseId(a[0]));
    } else if (v == "press") {
      need(1);
      Press(a[0]);
    } else if (v == "wait-box") {
      Print(BoxLine(WaitBox(Seconds(a, 0, 30))));
    } else if (v == "expect-box") {
      need(1);
      ExpectBox(a[0], Seconds(a, 1, 30));
    } else if (v == "dismiss-box") {
      const HWND box = WaitBox(Seconds(a, 0, 30));
      Print(BoxLine(box));
      Dismiss(box);
    } else if (v == "expect-no-box") {
      ExpectNoBox(Seconds(a, 0, 1));
    } else if (v == "open-file") {
      need(1);
      OpenFile(a[0], Seconds(a, 1, 30));
    } else if (v == "cancel-file") {
      CancelFile(Seconds(a, 0, 30));
    } else if (v == "expect-text") {
      need(2);
      ExpectEqual("text", Text(ParseId(a[0])), a[1]);
    } else if (v == "expect-sel") {
      need(2);
      ExpectSelection(ParseId(a[0]), a[1]);
    } else if (v == "expect-enabled") {
      need(2);
      // The dialog may still be in the handler that sets it (a file dialog's OK is posted):
      // wait a few seconds for the state, then judge.
      const HWND control = Control(ParseId(a[0]));
      const bool enabled = ParseYesNo(a[1]);
      Waited(5, [&] { return (IsWindowEnabled(control) != FALSE) == enabled; });
      ExpectEqual("enabled", IsWindowEnabled(control) ? "yes" : "no", enabled ? "yes" : "no");
    } else if (v == "expect-visible") {
      need(2);
      ExpectEqual("visible", IsWindowVisible(Control(ParseId(a[0]))) ? "yes" : "no",
                  ParseYesNo(a[1]) ? "yes" : "no");
    } else if (v == "expect-checked") {
      need(2);
      ExpectEqual("ticked", Checked(ParseId(a[0])) ? "yes" : "no", ParseYesNo(a[1]) ? "yes" : "no");
    } else if (v == "expect-address") {
      need(2);
      ExpectEqual("address", Address(ParseId(a[0])), a[1]);
    } else if (v == "drop") {
      need(1);
      Send(Usable(ParseId(a[0])), CB_SHOWDROPDOWN, TRUE, 0);
    } else if (v == "expect-dropped-width") {
      need(2);
      ExpectDroppedWidth(ParseId(a[0]), std::stoi(a[1]));
    } else if (v == "dump") {
      need(1);
      Dump(a[0]);
    } else if (v == "check-initial") {
      need(1);
      CheckInitial(a[0]);
    } else if (v == "close") {
      Click(IDCANCEL);
      ExpectExit(Seconds(a, 0, 15));
    } else if (v == "expect-exit") {
      ExpectExit(Seconds(a, 0, 15));
    } else if (v == "windows") {
      ListWindows();
    } else if (v == "sleep") {
      need(1);
      Sleep(static_cast<DWORD>(std::stoul(a[0])));
    } else {
      Fail("unknown command " + v);
    }
  }

 private:
  HWND Dialog() {
    if (!dialog_ || !IsWindow(dialog_))
      Fail("no dialog (wait-dialog first, or it has closed)");
    return dialog_;
  }

  HWND Control(int id) {
    const HWND control = GetDlgItem(Dialog(), id);
    if (!control)
      Fail("no control " + std::to_string(id));
    return control;
  }

  // A technician reaches only what is shown and enabled.
  HWND Usable(int id) {
    const HWND control = Control(id);
    if (!IsWindowVisible(control))
      Fail("control " + std::to_string(id) + " is hidden");
    if (!IsWindowEnabled(control))
      Fail("control " + std::to_string(id) + " is disabled");
    return control;
  }

  // Starts the program under test; wait-dialog then also says how long it took to show.
  void Start(const std::string& path) {
    std::wstring command = L"\"" + Widen(WindowsPath(path)) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    started_ = Clock::now();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
      Fail("cannot start " + path + " (error " + std::to_string(GetLastError()) + ")");
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    Print("started " + path);
  }

  void WaitDialog(const std::string& caption, double seconds) {
    const std::wstring wanted = Widen(caption);
    HWND found = nullptr;
    bool ended = false;
    const bool ok = Waited(seconds, [&] {
      found = FindWindowW(L"#32770", wanted.c_str());
      if (found && IsWindowVisible(found))
        return true;
      // A program that has ended will show nothing: say so at once, with its status.
      ended = process_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
      return ended;
    });
    if (ended) {
      DWORD status = 0;
      GetExitCodeProcess(process_, &status);
      Fail("the program ended with status " + Hex(status) + " before a dialog captioned " +
           Shown(caption) + " showed");
    }
    if (!ok) {
      ListTopLevelWindows();
      Fail("no dialog captioned " + Shown(caption) + " within " + std::to_string(seconds) + " s" +
           (process_ ? " (the program is still running)" : ""));
    }
    const auto shown = Clock::now();
    dialog_ = found;
    DWORD pid = 0;
    thread_ = GetWindowThreadProcessId(found, &pid);
    if (!process_)
      process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    SetForegroundWindow(found);
    RECT r{};
    GetWindowRect(found, &r);
    std::string line = "dialog " + Shown(caption) + " rect " + std::to_string(r.left) + " " +
                       std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
                       std::to_string(r.bottom - r.top);
    if (started_)
      line += " start-ms " +
              std::to_string(
                  std::chrono::duration_cast<std::chrono::milliseconds>(shown - *started_).count());
    Print(line);
  }

  void Select(int id, const std::string& item) {
    const HWND combo = Usable(id);
    const std::vector<std::string> items = ListItems(combo);
    int index = -1;
    if (item.size() > 1 && item[0] == '#') {
      index = std::stoi(item.substr(1));
    } else {
      for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == item)
          index = static_cast<int>(i);
      }
    }
    if (index < 0 || index >= static_cast<int>(items.size()))
      Fail("list " + std::to_string(id) + " has no item " + Shown(item));
    Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // What the list tells its parent when the user picks an item.
    Send(Dialog(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  }

  bool Checked(int id) { return Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

  void SetCheck(int id, bool ticked) {
    if (Checked(id) == ticked)
      return;
    Click(id);
    if (!Waited(10, [&] { return Checked(id) == ticked; }))
      Fail("box " + std::to_string(id) + " did not change");
  }

  void Type(int id, const std::string& text) {
    const HWND edit = Usable(id);
    const std::wstring wide = Widen(text);
    Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }

  void SetAddress(int id, const std::string& dotted) {
    const HWND address = Usable(id);
    unsigned a = 0, b = 0, c = 0, d = 0;
    char tail = 0;
    if (std::sscanf(dotted.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 ||
        b > 255 || c > 255 || d > 255)
      Fail("not an IPv4 address: " + dotted);
    Send(address, IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(a, b, c, d)));
  }

  std::string Address(int id) {
    std::string out;
    for (HWND field : AddressFields(Control(id)))
      out += (out.empty() ? "" : ".") + WindowText(field);
    return out;
  }

  // Posted, as a real click is: the button's handler may run a modal loop of its own.
  void Click(int id) { PostMessageW(Usable(id), BM_CLICK, 0, 0); }

  void Press(const std::string& key) {
    WPARAM vk = 0;
    if (key == "enter")
      vk = VK_RETURN;
    else if (key == "escape")
      vk = VK_ESCAPE;
    else
      Fail("unknown key " + key);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread_, &info);
    const HWND target = info.hwndFocus ? info.hwndFocus : Dialog();
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
  }

  // A window of the dialog's process, owned by the dialog, that is a dialog box itself.
  HWND OwnedDialog(const std::function<bool(HWND)>& accept) {
    struct Search {
      HWND owner;
      const std::function<bool(HWND)>* accept;
      HWND found;
    } search{Dialog(), &accept, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          if (GetWindow(window, GW_OWNER) != s->owner || !IsWindowVisible(window) ||
              ClassOf(window) != "#32770" || !(*s->accept)(window))
            return TRUE;
          s->found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // For writing scripts: every visible top-level window of the dialog's process.
  // Every top-level window of the desktop, whoever owns it: what shows instead of a dialog.
  static void ListTopLevelWindows() {
    EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          Print("top-level " + ClassOf(window) + " " + Shown(WindowText(window)) + " pid " +
                std::to_string(owner) + (IsWindowVisible(window) ? " visible" : " hidden"));
          return TRUE;
        },
        0);
  }

  void ListWindows() {
    DWORD pid = 0;
    GetWindowThreadProcessId(Dialog(), &pid);
    struct Search {
      DWORD pid;
      HWND dialog;
    } search{pid, Dialog()};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner != s->pid || !IsWindowVisible(window))
            return TRUE;
          std::string line = "window " + ClassOf(window) + " " + Shown(WindowText(window));
          if (GetWindow(window, GW_OWNER) == s->dialog)
            line += " owned-by-dialog";
          for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            line += " " + std::to_string(GetDlgCtrlID(c)) + ":" + ClassOf(c);
            for (HWND g = GetWindow(c, GW_CHILD); g; g = GetWindow(g, GW_HWNDNEXT))
              line += "/" + ClassOf(g);
          }
          Print(line);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
  }

  static bool IsMessageBox(HWND window) { return GetDlgItem(window, 0xFFFF) != nullptr; }
  static HWND FirstEdit(HWND parent) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      if (ClassOf(c) == "Edit")
        return c;
      if (const HWND inner = FirstEdit(c))
        return inner;
    }
    return nullptr;
  }
  // The file-name box: an edit inside control 1148 (a combo box, itself maybe inside an
  // extended combo box), or the plain edit 1152 of older dialogs.
  static HWND FileNameEdit(HWND window) {
    if (const HWND combo = GetDlgItem(window, 1148))
      return FirstEdit(combo);
    return GetDlgItem(window, 1152);
  }

  HWND WaitBox(double seconds) {
    HWND box = nullptr;
    if (!Waited(seconds, [&] { return (box = OwnedDialog(IsMessageBox)) != nullptr; }))
      Fail("no message box within " + std::to_string(seconds) + " s");
    return box;
  }

  std::string BoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

  // The box's text, caption and whether it shows an icon, for the step's output line.
  std::string BoxLine(HWND box) {
    bool icon = false;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      // Wine keeps the icon control in every box; it holds an icon only when one is asked for.
      if (ClassOf(c) == "Static" && IsWindowVisible(c) &&
          (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && Send(c, STM_GETICON, 0, 0))
        icon = true;
    }
    return "box " + Shown(BoxText(box)) + " caption " + Shown(WindowText(box)) + " icon " +
           (icon ? "yes" : "no");
  }

  void Dismiss(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    if (!Waited(10, [&] { return !IsWindow(box); }))
      Fail("the message box did not close");
  }

  void ExpectBox(const std::string& expected, double seconds) {
    const HWND box = WaitBox(seconds);
    const std::string text = BoxText(box);
    const std::string line = BoxLine(box);
    Dismiss(box);
    if (text != expected)
      Fail("box " + Shown(text) + ", expected " + Shown(expected));
    Print(line);
  }

  // Watches the whole time, so a box that comes and goes within it is caught too.
  void ExpectNoBox(double seconds) {
    HWND box = nullptr;
    if (Waited(seconds, [&] { return (box = OwnedDialog(IsMessageBox)) != nullptr; }))
      Fail("unexpected message box " + Shown(BoxText(box)));
  }

  HWND WaitFileDialog(double seconds) {
    HWND found = nullptr;
    if (!Waited(seconds, [&] {
          found = OwnedDialog([](HWND w) { return FileNameEdit(w) != nullptr; });
          return found != nullptr;
        }))
      Fail("no file-open dialog within " + std::to_string(seconds) + " s");
    return found;
  }

  void OpenFile(const std::string& paths, double seconds) {
    const HWND files = WaitFileDialog(seconds);
    // Several files: "a.bmp" "b.bmp" typed as the user would, each name quoted.
    std::string typed;
    std::istringstream words(paths);
    std::vector<std::string> names;
    for (std::string name; std::getline(words, name, '|');)
      names.push_back(WindowsPath(name));
    if (names.size() == 1) {
      typed = names[0];
    } else {
      for (const std::string& name : names)
        typed += (typed.empty() ? "\"" : " \"") + name + "\"";
    }
    const std::wstring wide = Widen(typed);
    Send(FileNameEdit(files), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    PostMessageW(files, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(files, IDOK)));
    if (!Waited(seconds, [&] { return !IsWindow(files); }))
      Fail("the file-open dialog did not close");
    Print("opened " + typed);
  }

  void CancelFile(double seconds) {
    const HWND files = WaitFileDialog(seconds);
    PostMessageW(files, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(files, IDCANCEL)));
    if (!Waited(seconds, [&] { return !IsWindow(files); }))
      Fail("the file-open dialog did not close");
  }

  std::string Text(int id) { return WindowText(Control(id)); }

  void ExpectEqual(const char* what, const std::string& actual, const std::string& expected) {
    if (actual != expected)
      Fail(std::string(what) + " " + Shown(actual) + ", expected " + Shown(expected));
  }

  void ExpectSelection(int id, const std::string& item) {
    const HWND combo = Control(id);
    const auto index = Send(combo, CB_GETCURSEL, 0, 0);
    if (item.size() > 1 && item[0] == '#') {
      ExpectEqual("selection", std::to_string(index), item.substr(1));
      return;
    }
    const std::vector<std::string> items = ListItems(combo);
    const std::string got = index >= 0 && static_cast<std::size_t>(index) < items.size()
                                ? items[static_cast<std::size_t>(index)]
                                : "(none)";
    ExpectEqual("selection", got, item);
  }

  void ExpectDroppedWidth(int id, int pixels) {
    const HWND combo = Usable(id);
    // Opening the list tells the dialog, which widens it; then it is closed again.
    Send(combo, CB_SHOWDROPDOWN, TRUE, 0);
    const auto width = Send(combo, CB_GETDROPPEDWIDTH, 0, 0);
    Send(combo, CB_SHOWDROPDOWN, FALSE, 0);
    ExpectEqual("dropped width", std::to_string(width), std::to_string(pixels));
  }

  DialogSnapshot Snapshot() {
    DialogSnapshot snapshot;
    const HWND dialog = Dialog();
    snapshot.caption = WindowText(dialog);
    for (HWND w = GetWindow(dialog, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      ControlState c;
      c.id = GetDlgCtrlID(w);
      c.className = ClassOf(w);
      c.style = static_cast<std::uint32_t>(GetWindowLongW(w, GWL_STYLE));
      c.visible = IsWindowVisible(w) != FALSE;
      c.enabled = IsWindowEnabled(w) != FALSE;
      c.text = WindowText(w);
      const std::string lower = [&] {
        std::string s = c.className;
        for (char& ch : s)
          ch = static_cast<char>(ch | 0x20);
        return s;
      }();
      if (lower == "combobox") {
        c.items = ListItems(w);
        c.selection = static_cast<int>(Send(w, CB_GETCURSEL, 0, 0));
      } else if (lower == "button") {
        c.checked = Send(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
      } else if (lower == "sysipaddress32") {
        const std::vector<HWND> fields = AddressFields(w);
        for (std::size_t i = 0; i < fields.size() && i < 4; ++i)
          c.addressFields[i] = WindowText(fields[i]);
      }
      snapshot.controls.push_back(std::move(c));
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(thread_, &info) && info.hwndFocus)
      snapshot.focusId = GetDlgCtrlID(info.hwndFocus);
    return snapshot;
  }

  void Dump(const std::string& path) {
    std::ofstream out(std::filesystem::path(Widen(WindowsPath(path))), std::ios::binary);
    out << ToJson(Snapshot());
    if (!out)
      Fail("cannot write " + path);
    Print("dumped " + path);
  }

  void CheckInitial(const std::string& variant) {
    if (variant != "zh" && variant != "en")
      Fail("check-initial zh|en");
    const auto differences = CompareWithInitialState(
        variant == "zh" ? UiVariant::Chinese : UiVariant::English, Snapshot());
    for (const std::string& line : differences)
      Print("  differs " + line);
    if (!differences.empty())
      Fail(std::to_string(differences.size()) + " difference(s) from the initial state");
  }

  void ExpectExit(double seconds) {
    if (!process_)
      Fail("no dialog process");
    if (WaitForSingleObject(process_, static_cast<DWORD>(seconds * 1000)) != WAIT_OBJECT_0)
      Fail("the program did not end within " + std::to_string(seconds) + " s");
    Print("exited");
  }

  HWND dialog_ = nullptr;
  DWORD thread_ = 0;
  std::optional<Clock::time_point> started_;
  HANDLE process_ = nullptr;
};

std::string ReadFileBytes(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace
}  // namespace vantrel::driver

int wmain(int argc, wchar_t** argv) {
  using namespace vantrel::driver;
  if (argc != 2) {
    Print("usage: vantrel-driver SCRIPT");
    return 2;
  }
  const ParsedScript script = ParseScript(ReadFileBytes(argv[1]));
  if (!script.error.empty()) {
    Print("FAIL " + script.error);
    return 2;
  }
  Driver driver;
  for (const Command& command : script.commands) {
    std::string shown = command.verb;
    for (const std::string& arg : command.args)
      shown += " " + Shown(arg);
    try {
      driver.Run(command);
    } catch (const std::exception& e) {
      Print("FAIL line " + std::to_string(command.line) + ": " + shown + ": " + e.what());
      return 1;
    }
    Print("ok   " + shown);
  }
  return 0;
}
