#include "ui/win32/dialog_window.h"

#include <optional>

#include "base/win32/wide_text.h"
#include "ui/option_lists.h"
#include "ui/prompt_texts.h"

namespace vantrel::win32 {
namespace {

// The notifications the dialog reacts to; the others get the system's default handling.
std::optional<Notification> NotificationOf(HWND control, WORD code) {
  wchar_t className[32] = {};
  GetClassNameW(control, className, 32);
  const bool comboBox = lstrcmpiW(className, L"ComboBox") == 0;
  if (comboBox) {
    if (code == CBN_SELCHANGE)
      return Notification::SelectionChanged;
    if (code == CBN_DROPDOWN)
      return Notification::DropDown;
    return std::nullopt;
  }
  // Buttons, and the Enter and Escape keys, which arrive as clicks on ids 1 and 2.
  if (code == BN_CLICKED)
    return Notification::Clicked;
  return std::nullopt;
}

}  // namespace

DialogWindow::DialogWindow(MainDialog& dialog, Win32DialogControls& controls, Win32Prompts& prompts,
                           HICON icon)
    : dialog_(dialog), controls_(controls), prompts_(prompts), icon_(icon) {}

void DialogWindow::RunModal(HINSTANCE instance) {
  const auto templateName = static_cast<ULONG_PTR>(dialog_.profile().templateId);
  const INT_PTR result = DialogBoxParamW(instance, reinterpret_cast<LPCWSTR>(templateName), nullptr,
                                         &Procedure, reinterpret_cast<LPARAM>(this));
  if (result != -1)
    return;
  // No window came up (a missing template, no memory, a control class that is not registered):
  // say so instead of ending without a word.
  const DWORD error = GetLastError();
  wchar_t* reason = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<LPWSTR>(&reason), 0, nullptr);
  const std::string text =
      DialogOpenFailedText(dialog_.variant(), static_cast<std::uint32_t>(error),
                           reason != nullptr ? Narrow(reason) : std::string());
  if (reason != nullptr)
    LocalFree(reason);
  prompts_.Attach(nullptr);
  prompts_.ShowMessage(text);
}

INT_PTR CALLBACK DialogWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG)
    SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
  auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr)
    return FALSE;
  return self->Handle(window, message, wParam, lParam);
}

INT_PTR DialogWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_COMMAND: {
      const std::optional<Notification> notification =
          NotificationOf(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
      if (!notification)
        return FALSE;
      switch (dialog_.OnCommand(LOWORD(wParam), *notification)) {
        case CommandResult::Ignored:
          return FALSE;
        case CommandResult::Handled:
          return TRUE;
        case CommandResult::EndDialog:
          EndDialog(window, IDCANCEL);
          return TRUE;
      }
      return FALSE;
    }
    case WM_PAINT:
      return PaintMinimised(window) ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(icon_);
    case WM_DESTROY:
      controls_.Attach(nullptr);
      prompts_.Attach(nullptr);
      return FALSE;
    default:
      return FALSE;
  }
}

BOOL DialogWindow::OnInitDialog(HWND window) {
  controls_.Attach(window);
  prompts_.Attach(window);
  // The lists get their items in template order before the dialog sets its selections.
  FillLists(window);
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  // True: the system puts the focus on the first control of the tab order.
  return dialog_.OnInitDialog() ? TRUE : FALSE;
}

void DialogWindow::FillLists(HWND window) {
  for (int id : ListControlIds()) {
    for (std::string_view item : OptionItems(dialog_.variant(), id)) {
      SendDlgItemMessageW(window, id, CB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(Widen(item).c_str()));
    }
  }
}

bool DialogWindow::PaintMinimised(HWND window) {
  if (!IsIconic(window))
    return false;
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(window, &paint);
  SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  GetClientRect(window, &client);
  const IconOrigin origin =
      MinimisedIconOrigin(client.right - client.left, client.bottom - client.top,
                          GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  DrawIcon(dc, origin.x, origin.y, icon_);
  EndPaint(window, &paint);
  return true;
}

}  // namespace vantrel::win32
