// The Windows program: one application object, started once.

#include <windows.h>

#include "app/win32/win32_framework.h"
#include "app/zel_setup_app.h"
#include "base/win32/dll_search.h"

namespace {
vantrel::CZelSetupApp theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  vantrel::win32::LoadDllsFromSystemFolderOnly();
  vantrel::win32::Win32Framework framework(instance);
  theApp.InitInstance(framework);
  return 0;
}
