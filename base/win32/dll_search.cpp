#include "base/win32/dll_search.h"

#include <windows.h>

namespace vantrel::win32 {

void LoadDllsFromSystemFolderOnly() {
  // Looked up rather than imported, so the program still starts where kernel32 lacks it.
  using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const FARPROC found =
      kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
  if (found != nullptr) {
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesCall>(reinterpret_cast<void (*)()>(found));
    if (setDefaultDllDirectories(kSearchSystem32) != FALSE)
      return;
  }
  SetDllDirectoryW(L"");
}

}  // namespace vantrel::win32
