// A stand-in for the main dialog, used only to test the driver and the Wine harness: a few
// controls with the main dialog's ids, its captions per language, and a Set button that opens
// the chosen serial port as the main dialog does and writes a framed run.

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <string>

namespace {

bool Chinese() {
  switch (GetUserDefaultLangID()) {
    case 0x0404:
    case 0x0804:
    case 0x0C04:
    case 0x1004:
      return true;
    default:
      return false;
  }
}

void Say(HWND dialog, const std::wstring& text) {
  MessageBoxW(dialog, text.c_str(), L"standin", MB_OK);
}

void Write(HANDLE port, std::initializer_list<BYTE> bytes) {
  DWORD written = 0;
  const std::basic_string<BYTE> data(bytes);
  WriteFile(port, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
}

void OnSet(HWND dialog) {
  wchar_t name[16] = {};
  const auto index = SendDlgItemMessageW(dialog, 1019, CB_GETCURSEL, 0, 0);
  SendDlgItemMessageW(dialog, 1019, CB_GETLBTEXT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(name));
  const std::wstring path = std::wstring(L"\\\\.\\") + name;
  const HANDLE port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    Say(dialog, Chinese() ? L"串口打开失败!" : L"Failed to open serial port!");
    return;
  }
  COMMTIMEOUTS timeouts{1000, 25, 50, 1000, 1000};
  SetCommTimeouts(port, &timeouts);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) {
    Say(dialog, L"GetCommState failed");
    CloseHandle(port);
    return;
  }
  dcb.fBinary = 1;
  dcb.BaudRate = 9600;
  dcb.ByteSize = 8;
  dcb.fParity = 1;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fOutxCtsFlow = 0;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fOutX = 1;
  dcb.fInX = 1;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 50;
  dcb.XoffLim = 50;
  SetCommState(port, &dcb);
  std::wstring report;
  Write(port, {0x1B, 0x09});
  const auto detection = SendDlgItemMessageW(dialog, 1009, CB_GETCURSEL, 0, 0);
  if (detection > 0) {
    const BYTE value = static_cast<BYTE>(detection - 1);
    Write(port, {0x1B, 0x22, value});
    BYTE echo = 0;
    DWORD got = 0;
    const bool ok = ReadFile(port, &echo, 1, &got, nullptr) && got == 1 && echo == value;
    report += ok ? L"黑标检测设置成功!\r\n" : L"黑标检测设置失败!\r\n";
  }
  Write(port, {0x1B, 0x15});
  Say(dialog, report.empty() ? (Chinese() ? L"设置完成" : L"set completed.") : report);
  CloseHandle(port);
}

void OnSelect(HWND dialog) {
  wchar_t names[4096] = L"";
  OPENFILENAMEW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = dialog;
  request.lpstrFilter = L"Bitmap (*.bmp)\0*.bmp\0\0";
  request.lpstrFile = names;
  request.nMaxFile = 4096;
  request.Flags = 0x80206;
  if (GetOpenFileNameW(&request))
    Say(dialog, names);
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowTextW(dialog, Chinese() ? L"VantrelV2.05" : L"VantrelsV2.05");
      for (const wchar_t* item : {L"COM1", L"COM2", L"LPT1"})
        SendDlgItemMessageW(dialog, 1019, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
      for (const wchar_t* item : {L"不设置", L"关", L"开"})
        SendDlgItemMessageW(dialog, 1009, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
      SendDlgItemMessageW(dialog, 1019, CB_SETCURSEL, 0, 0);
      SendDlgItemMessageW(dialog, 1009, CB_SETCURSEL, 0, 0);
      SendDlgItemMessageW(dialog, 1026, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 1, 114));
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnSet(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case 1003:
          EnableWindow(GetDlgItem(dialog, 1001), IsDlgButtonChecked(dialog, 1003) == BST_CHECKED);
          return TRUE;
        case 1015:
          OnSelect(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&controls);
  DialogBoxParamW(instance, MAKEINTRESOURCEW(100), nullptr, Procedure, 0);
  return 0;
}
