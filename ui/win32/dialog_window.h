#pragma once

#include <windows.h>

#include "ui/main_dialog.h"
#include "ui/win32/win32_dialog_controls.h"
#include "ui/win32/win32_prompts.h"

namespace vantrel::win32 {

// The window of a main dialog object: creates it from the object's template, attaches the
// controls and prompts, fills the lists and hands every command to MainDialog::OnCommand. One
// dialog procedure serves every window; the window's user data points at its DialogWindow.
class DialogWindow {
 public:
  DialogWindow(MainDialog& dialog, Win32DialogControls& controls, Win32Prompts& prompts,
               HICON icon);

  // Runs the dialog modally; returns when it has ended.
  void RunModal(HINSTANCE instance);

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog(HWND window);
  void FillLists(HWND window);
  bool PaintMinimised(HWND window);

  MainDialog& dialog_;
  Win32DialogControls& controls_;
  Win32Prompts& prompts_;
  HICON icon_;
};

}  // namespace vantrel::win32
