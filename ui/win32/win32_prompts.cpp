#include "ui/win32/win32_prompts.h"

#include <commdlg.h>

#include "base/win32/wide_text.h"
#include "ui/prompt_texts.h"

namespace vantrel::win32 {
namespace {

std::wstring ProgramCaption() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return Widen(ProgramDisplayName(Narrow(std::wstring_view(path, length))));
}

// Room for many chosen names: the dialog fails rather than cut a selection short.
constexpr DWORD kSelectionBufferChars = 64 * 1024;

// While a wait cursor is up, every window of the thread that sets its own cursor on a mouse move
// (the dialog, the file-open dialog) gets the wait cursor back right after; message boxes keep
// their own.
thread_local bool keepWaitCursor = false;

LRESULT CALLBACK RestoreWaitCursor(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && keepWaitCursor) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (call->message == WM_SETCURSOR)
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A message box shown during a wait shows the arrow over itself.
class BoxOverWait {
 public:
  BoxOverWait() : kept_(keepWaitCursor) { keepWaitCursor = false; }
  ~BoxOverWait() {
    keepWaitCursor = kept_;
    if (kept_)
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  }
  BoxOverWait(const BoxOverWait&) = delete;
  BoxOverWait& operator=(const BoxOverWait&) = delete;

 private:
  bool kept_;
};

}  // namespace

Win32Prompts::Win32Prompts(UiVariant variant) : variant_(variant), caption_(ProgramCaption()) {}

void Win32Prompts::ShowMessage(std::string_view text) {
  const BoxOverWait box;
  MessageBoxW(dialog_, Widen(text).c_str(), caption_.c_str(), MB_OK);
}

void Win32Prompts::ShowWarning(std::string_view text) {
  const BoxOverWait box;
  MessageBoxW(dialog_, Widen(text).c_str(), caption_.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void Win32Prompts::ReportFileError(std::string_view path, FileErrorCause cause) {
  const BoxOverWait box;
  MessageBoxW(dialog_, Widen(FileErrorText(variant_, path, cause)).c_str(), caption_.c_str(),
              MB_OK | MB_ICONEXCLAMATION);
}

void Win32Prompts::BeginWaitCursor() {
  const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  if (waitDepth_++ != 0)
    return;
  cursorBeforeWait_ = previous;
  keepWaitCursor = true;
  waitHook_ =
      SetWindowsHookExW(WH_CALLWNDPROCRET, &RestoreWaitCursor, nullptr, GetCurrentThreadId());
}

void Win32Prompts::EndWaitCursor() {
  if (waitDepth_ == 0)
    return;
  if (--waitDepth_ != 0)
    return;
  keepWaitCursor = false;
  if (waitHook_ != nullptr)
    UnhookWindowsHookEx(waitHook_);
  waitHook_ = nullptr;
  SetCursor(cursorBeforeWait_ != nullptr ? cursorBeforeWait_ : LoadCursorW(nullptr, IDC_ARROW));
}

std::optional<std::vector<std::string>> Win32Prompts::ChooseFiles(
    const FileDialogRequest& request) {
  const std::wstring filter = Widen(FileDialogFilter(request.filter));
  const std::wstring extension = Widen(request.defaultExtension);
  std::wstring buffer(kSelectionBufferChars, L'\0');
  const std::wstring initial = Widen(request.initialName);
  buffer.replace(0, initial.size(), initial);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = dialog_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = kSelectionBufferChars;
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = request.flags;
  if (!GetOpenFileNameW(&dialog))
    return std::nullopt;

  // The chosen names run up to the first empty string.
  std::size_t used = 0;
  while (used + 1 < buffer.size() && !(buffer[used] == L'\0' && buffer[used + 1] == L'\0'))
    ++used;
  return SplitFileSelection(Narrow(std::wstring_view(buffer.data(), used + 2)));
}

bool Win32Prompts::DrawPreview(std::string_view path, int frameId) {
  const HANDLE loaded = LoadImageW(nullptr, Widen(path).c_str(), IMAGE_BITMAP, 0, 0,
                                   LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  if (loaded == nullptr)
    return false;
  const HBITMAP image = static_cast<HBITMAP>(loaded);
  BITMAP size{};
  GetObjectW(image, sizeof size, &size);

  const HDC dialogDc = GetDC(dialog_);
  const HDC memory = CreateCompatibleDC(dialogDc);
  const HGDIOBJ previous = SelectObject(memory, image);
  const HWND frame = GetDlgItem(dialog_, frameId);
  RECT client{};
  GetClientRect(frame, &client);
  const HDC frameDc = GetDC(frame);
  StretchBlt(frameDc, client.left, client.top, client.right - client.left,
             client.bottom - client.top, memory, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(image);
  ReleaseDC(frame, frameDc);
  ReleaseDC(dialog_, dialogDc);
  return true;
}

}  // namespace vantrel::win32
