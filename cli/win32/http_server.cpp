// vantrel-cli.exe's HTTP server. cpp-httplib starts Winsock from a static object of its header,
// while the program's statics are made and before main has restricted where DLLs are loaded
// from: the restriction is made here first (statics of one file are made in order), so Winsock's
// DLLs come from the system folder only, as everything main loads later does.
#include "base/win32/dll_search.h"

namespace {
const bool dllSearchRestricted = (vantrel::win32::LoadDllsFromSystemFolderOnly(), true);
}  // namespace

#include "cli/http/http_server.cpp"  // NOLINT: the same server as on POSIX machines, after it
