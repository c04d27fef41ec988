#include "ui/win32/win32_dialog_controls.h"

#include <commctrl.h>

#include <cstring>

#include "ui/dialog_rules.h"

namespace vantrel::win32 {
namespace {

// The dialog's resolution: GetDpiForWindow where the system has it (Windows 10 1607 on, so that
// a per-monitor aware dialog gets its monitor's), else the screen's LOGPIXELSX (Windows 7).
int DpiOf(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = [] {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC found = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    GetDpiForWindowFunction function = nullptr;
    static_assert(sizeof function == sizeof found);
    std::memcpy(&function, &found, sizeof function);
    return function;
  }();
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi != 0)
      return static_cast<int>(dpi);
  }
  const HDC dc = GetDC(window);
  const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
  if (dc != nullptr)
    ReleaseDC(window, dc);
  return dpi;
}

}  // namespace

LRESULT Win32DialogControls::Send(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
  return SendDlgItemMessageW(dialog_, id, message, wParam, lParam);
}

int Win32DialogControls::GetSelection(int id) {
  return static_cast<int>(Send(id, CB_GETCURSEL));
}

void Win32DialogControls::SetSelection(int id, int index) {
  Send(id, CB_SETCURSEL, static_cast<WPARAM>(index));
}

bool Win32DialogControls::IsChecked(int id) {
  return Send(id, BM_GETCHECK) != 0;
}

void Win32DialogControls::SetChecked(int id, bool checked) {
  Send(id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::string Win32DialogControls::GetText(int id) {
  // The ANSI function: the text comes back as bytes in the system's code page.
  const HWND control = GetDlgItem(dialog_, id);
  const int length = GetWindowTextLengthA(control);
  if (length <= 0)
    return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

void Win32DialogControls::SetText(int id, std::string_view text) {
  SetWindowTextA(GetDlgItem(dialog_, id), std::string(text).c_str());
}

bool Win32DialogControls::IsEnabled(int id) {
  return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE;
}

void Win32DialogControls::Enable(int id, bool enabled) {
  EnableWindow(GetDlgItem(dialog_, id), enabled ? TRUE : FALSE);
}

std::array<std::uint8_t, 4> Win32DialogControls::GetIpAddress(int id) {
  DWORD packed = 0;
  Send(id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&packed));
  return {static_cast<std::uint8_t>(packed >> 24), static_cast<std::uint8_t>(packed >> 16),
          static_cast<std::uint8_t>(packed >> 8), static_cast<std::uint8_t>(packed)};
}

void Win32DialogControls::SetIpAddress(int id, std::uint32_t packed) {
  Send(id, IPM_SETADDRESS, 0, static_cast<LPARAM>(packed));
}

void Win32DialogControls::SetDroppedWidth(int id, int pixels) {
  Send(id, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(PixelsForDpi(pixels, DpiOf(dialog_))));
}

}  // namespace vantrel::win32
