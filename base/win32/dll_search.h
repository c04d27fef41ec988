#pragma once

// Where the program's later DLL loads look: the system folder only.

namespace vantrel::win32 {

// Called first thing in both Windows programs. The DLLs a program loads after its start
// (Winsock's providers, the file dialog's shell extensions, the image codecs) then come from
// the system folder, never from the program's own folder or the current one, so a DLL planted
// beside Vantrel.exe on a USB stick or in a downloads folder is not run. Windows 7 without
// update KB2533623 lacks SetDefaultDllDirectories: there the current folder at least is taken
// out of the search.
void LoadDllsFromSystemFolderOnly();

}  // namespace vantrel::win32
