// Test set-up of the modules (kernel.h): the stand-in libraries a test loads by name; the handles of
// worker threads, through which a test waits for a worker and reads its exit code; the command line and
// the last error.
#pragma once

#include "platform/win/kernel.h"

// Registers a loaded module (a stand-in library) under a file name with its full path. lpszPath NULL: a
// library linked into the executable, whose module file is the executable's (GetModuleFileNameA then
// gives the executable's path, /proc/self/exe unless CWinSimulationTesting::SetModulePath changed it).
// Registering a name again replaces its path and keeps its handle.
HMODULE AfxRegisterModule(LPCSTR lpszName, LPCSTR lpszPath);

// Thread handles (worker threads, app.h). CloseHandle of a thread handle forgets it once the thread ended.
// A handle stays valid after an auto-delete thread object is gone. Wait timeouts are real time, also with
// the manual clock, so that a wait can never hang.
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
BOOL CloseHandle(HANDLE hObject);
BOOL GetExitCodeThread(HANDLE hThread, DWORD* lpExitCode);
constexpr DWORD STILL_ACTIVE = 259;

void AfxSetCommandLine(int argc, const char* const* argv);
void AfxSetCommandLine(LPCSTR lpszCommandLine);
void SetLastError(DWORD dwErrCode);
