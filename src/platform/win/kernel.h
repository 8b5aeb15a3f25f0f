// Kernel services: time (from the one clock, clock.h), the process's command line and module paths,
// the last error and its system text, Beep, the asynchronous key state, system metrics and the
// common-control initialisation.
//
// The simulated screen (GetSystemMetrics), in pixels:
//   SM_CXSCREEN 1920, SM_CYSCREEN 1080 (a 40 px task bar at the bottom),
//   SM_CXFULLSCREEN 1920, SM_CYFULLSCREEN 1017 (1080 - 40 task bar - 23 caption),
//   SM_CXMAXIMIZED 1928, SM_CYMAXIMIZED 1048, SM_CYCAPTION 23, SM_CYSMCAPTION 17, SM_CYMENU 20,
//   SM_CXFRAME/SM_CYFRAME 4, SM_CXDLGFRAME/SM_CYDLGFRAME 3, SM_CXBORDER/SM_CYBORDER 1,
//   SM_CXEDGE/SM_CYEDGE 2, SM_CXICON/SM_CYICON 32, SM_CXSMICON/SM_CYSMICON 16, SM_CXCURSOR/SM_CYCURSOR 32,
//   SM_CXVSCROLL/SM_CYHSCROLL 17, SM_CXMINTRACK 136, SM_CYMINTRACK 39, SM_CMONITORS 1; other indices 0.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "platform/win/messages.h"

using HLOCAL = void*;

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;
constexpr DWORD ERROR_TLW_WITH_WSCHILD = 1406;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr DWORD ERROR_NO_SYSTEM_RESOURCES = 1450;
constexpr DWORD ERROR_MENU_ITEM_NOT_FOUND = 1456;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr DWORD ERROR_NOT_ENOUGH_QUOTA = 1816;

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;
constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr DWORD MAKELANGID(WORD p, WORD s) {
    return (static_cast<DWORD>(s) << 10) | p;
}

// Time, all from the one clock (clock.h).
void Sleep(DWORD dwMilliseconds);
DWORD GetTickCount();
BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);
// The pause of one turn of a busy-wait loop. With the manual clock the spinning thread's time passes:
// each call moves the time forward quietly (as Sleep does) by one performance-counter count, at least 1 us,
// so a loop that waits for the counter to reach a value ends.
void YieldProcessor();

// The process's command line: the program's path first, then the arguments; words that contain blanks
// are quoted. By default built from the arguments the process was started with; main.cpp and tests may
// set it (AfxSetCommandLine).
LPSTR GetCommandLineA();

// hModule NULL: the executable's path. Copies at most nSize - 1 characters and always terminates;
// returns the length copied (nSize with ERROR_INSUFFICIENT_BUFFER when the path was cut), 0 with
// ERROR_MOD_NOT_FOUND for an unknown module.
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
// NULL: the executable's handle. A name: the module registered under it (case-insensitive, ".dll"
// assumed when the name has no extension), else NULL with ERROR_MOD_NOT_FOUND. The stand-in libraries
// "CRS_InterApp_32.dll" (the tracker host library) and "cbw32.dll" (the board library) are linked into
// the executable and registered from the start: their module file is the executable's path.
HMODULE GetModuleHandleA(LPCSTR lpModuleName);

// The calling thread's last error.
DWORD GetLastError();
// Supports FORMAT_MESSAGE_FROM_SYSTEM (the system text table; CWinSimulationTesting::SetSystemMessage changes
// it) with FORMAT_MESSAGE_ALLOCATE_BUFFER (lpBuffer is then a char** that gets a LocalAlloc'ed text,
// released with LocalFree) or a caller's buffer of nSize characters, and FORMAT_MESSAGE_FROM_STRING
// without inserts. Returns the text's length, 0 with ERROR_MR_MID_NOT_FOUND when the code has no text.
DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                     DWORD nSize, va_list* Arguments);
HLOCAL LocalFree(HLOCAL hMem);  // NULL on success

// Recorded, not sounded; returns at once (CWinSimulationTesting::Beeps).
BOOL Beep(DWORD dwFreq, DWORD dwDuration);
// High bit (0x8000) set while the key is down (scripted: CWinSimulationTesting::SetKeyDown).
SHORT GetAsyncKeyState(int vKey);
// The input's record of a key or mouse button held down (VK_LBUTTON, VK_RBUTTON, ...), which
// GetAsyncKeyState answers from: the screen's input keeps it as the person presses and lets go.
void AfxSetAsyncKeyState(int nVirtKey, BOOL bDown);
int GetSystemMetrics(int nIndex);
// TRUE for a structure of size 8; FALSE when the size is wrong or failure is forced
// (CWinSimulationTesting::FailInitCommonControls).
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
