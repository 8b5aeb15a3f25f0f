#include "platform/win/kernel.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/clock.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/win_state.h"

namespace {

thread_local DWORD t_nLastError = ERROR_SUCCESS;

const std::map<DWORD, std::string>& DefaultSystemTexts() {
    static const std::map<DWORD, std::string> texts = {
        {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
        {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
        {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
        {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
        {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command.\r\n"},
        {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation.\r\n"},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
        {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
        {ERROR_MOD_NOT_FOUND, "The specified module could not be found.\r\n"},
        {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists.\r\n"},
        {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle.\r\n"},
        {ERROR_INVALID_MENU_HANDLE, "Invalid menu handle.\r\n"},
        {ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class.\r\n"},
        {ERROR_CLASS_ALREADY_EXISTS, "Class already exists.\r\n"},
        {ERROR_CLASS_DOES_NOT_EXIST, "Class does not exist.\r\n"},
        {ERROR_NO_SYSTEM_RESOURCES,
         "Insufficient system resources exist to complete the requested service.\r\n"},
        {ERROR_MENU_ITEM_NOT_FOUND, "A menu item was not found.\r\n"},
        {ERROR_RESOURCE_NAME_NOT_FOUND, "The specified resource name cannot be found in the image file.\r\n"},
        {ERROR_NOT_ENOUGH_QUOTA, "Not enough quota is available to process this command.\r\n"},
    };
    return texts;
}

struct Module {
    std::string strName;  // lower case file name
    std::string strPath;
    bool bInExecutable = false;  // linked into the executable: its file is the executable's
};

// The two stand-in libraries are linked into the executable; as modules they are "loaded" from the start
// under the file names the program's code links against, and their file is the executable.
std::map<std::uintptr_t, Module> DefaultModules() {
    std::map<std::uintptr_t, Module> modules;
    modules[0x10010000] = Module{"crs_interapp_32.dll", "", true};
    modules[0x10020000] = Module{"cbw32.dll", "", true};
    return modules;
}

// Handles of registered modules count up from here, clear of the default modules'.
constexpr std::uintptr_t kFirstRegisteredModule = 0x10020000;

struct KernelState {
    std::mutex mtx;
    std::string strCommandLine;
    bool bCommandLineSet = false;
    std::string strModulePath;
    bool bModulePathSet = false;
    std::map<std::uintptr_t, Module> modules = DefaultModules();
    std::uintptr_t nNextModule = kFirstRegisteredModule;
    std::map<DWORD, std::string> systemTexts = DefaultSystemTexts();
    std::map<int, bool> keys;
    std::vector<CBeepRecord> beeps;
};

KernelState& K() {
    static KernelState* k = new KernelState;  // never destroyed: used by threads during exit
    return *k;
}

std::atomic<DWORD> g_nNextThreadId{1};

const HINSTANCE kExeInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x00400000));

std::string Quote(const std::string& w) {
    if (!w.empty() && w.find_first_of(" \t") == std::string::npos) return w;
    return "\"" + w + "\"";
}

std::string ProcessCommandLine() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string line;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\0', pos);
        if (end == std::string::npos) end = all.size();
        if (!line.empty()) line += ' ';
        line += Quote(all.substr(pos, end - pos));
        pos = end + 1;
    }
    return line;
}

std::string ExecutablePathLocked(KernelState& k) {
    if (!k.bModulePathSet) {
        char buf[4096];
        ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        k.strModulePath = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string("TessaroPro");
        k.bModulePathSet = true;
    }
    return k.strModulePath;
}

std::string LowerName(const char* p) {
    std::string r(p ? p : "");
    size_t slash = r.find_last_of("/\\");
    if (slash != std::string::npos) r = r.substr(slash + 1);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

}  // namespace

constinit thread_local DWORD t_nCurrentThreadId = 0;

DWORD AfxNumberCurrentThread() {
    if (t_nCurrentThreadId == 0) t_nCurrentThreadId = g_nNextThreadId.fetch_add(1);
    return t_nCurrentThreadId;
}

// ---- Time ----
void Sleep(DWORD dwMilliseconds) {
    CClock::Sleep(dwMilliseconds);
}
DWORD GetTickCount() {
    return CClock::NowMillis();
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
    LONGLONG f = CClock::GetPerformanceFrequency();
    if (lpFrequency) lpFrequency->QuadPart = f;
    return f > 0 ? TRUE : FALSE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
    const LONGLONG f = CClock::GetPerformanceFrequency();
    const LONGLONG us = CClock::NowMicros();
    LONGLONG v = 0;
    if (f > 0) v = (us / 1000000) * f + (us % 1000000) * f / 1000000;  // no overflow for years of run time
    if (lpPerformanceCount) lpPerformanceCount->QuadPart = v;
    return f > 0 ? TRUE : FALSE;
}

void YieldProcessor() {
    if (!CClock::IsManual()) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        return;
    }
    const LONGLONG f = CClock::GetPerformanceFrequency();
    CClock::AdvanceQuietly(f > 0 && f < 1000000 ? 1000000 / f : 1);
}

// ---- Command line and modules ----
LPSTR GetCommandLineA() {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    if (!k.bCommandLineSet) {
        k.strCommandLine = ProcessCommandLine();
        k.bCommandLineSet = true;
    }
    return k.strCommandLine.data();
}

void AfxSetCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i) line += ' ';
        line += Quote(argv[i] ? argv[i] : "");
    }
    AfxSetCommandLine(line.c_str());
}

void AfxSetCommandLine(LPCSTR lpszCommandLine) {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    k.strCommandLine = lpszCommandLine ? lpszCommandLine : "";
    k.bCommandLineSet = true;
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string path;
    {
        KernelState& k = K();
        std::lock_guard<std::mutex> lock(k.mtx);
        if (hModule == nullptr || hModule == kExeInstance) {
            path = ExecutablePathLocked(k);
        } else {
            auto it = k.modules.find(reinterpret_cast<std::uintptr_t>(hModule));
            if (it == k.modules.end()) {
                SetLastError(ERROR_MOD_NOT_FOUND);
                return 0;
            }
            path = it->second.bInExecutable ? ExecutablePathLocked(k) : it->second.strPath;
        }
    }
    if (lpFilename == nullptr || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    size_t n = std::min(path.size(), static_cast<size_t>(nSize) - 1);
    std::memcpy(lpFilename, path.data(), n);
    lpFilename[n] = '\0';
    if (n < path.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(n);
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    if (lpModuleName == nullptr) return kExeInstance;
    std::string name = LowerName(lpModuleName);
    if (name.find('.') == std::string::npos) name += ".dll";
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    for (const auto& [h, m] : k.modules) {
        if (m.strName == name) return reinterpret_cast<HMODULE>(h);
    }
    if (LowerName(ExecutablePathLocked(k).c_str()) == name) return kExeInstance;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HMODULE AfxRegisterModule(LPCSTR lpszName, LPCSTR lpszPath) {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    std::string name = LowerName(lpszName);
    for (auto& [h, m] : k.modules) {
        if (m.strName == name) {
            m.strPath = lpszPath ? lpszPath : "";
            m.bInExecutable = lpszPath == nullptr;
            return reinterpret_cast<HMODULE>(h);
        }
    }
    k.nNextModule += 0x10000;
    k.modules[k.nNextModule] = Module{name, lpszPath ? lpszPath : "", lpszPath == nullptr};
    return reinterpret_cast<HMODULE>(k.nNextModule);
}

HINSTANCE AfxGetInstanceHandle() {
    return kExeInstance;
}
HINSTANCE AfxGetResourceHandle() {
    return kExeInstance;
}

// ---- Errors ----
DWORD GetLastError() {
    return t_nLastError;
}
void SetLastError(DWORD dwErrCode) {
    t_nLastError = dwErrCode;
}

static HLOCAL LocalAlloc(UINT uFlags, size_t uBytes);

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                     va_list*) {
    std::string text;
    if (dwFlags & FORMAT_MESSAGE_FROM_STRING) {
        text = lpSource ? static_cast<const char*>(lpSource) : "";
    } else if (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) {
        KernelState& k = K();
        std::lock_guard<std::mutex> lock(k.mtx);
        auto it = k.systemTexts.find(dwMessageId);
        if (it == k.systemTexts.end()) {
            SetLastError(ERROR_MR_MID_NOT_FOUND);
            return 0;
        }
        text = it->second;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lpBuffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        size_t bytes = std::max(static_cast<size_t>(nSize), text.size() + 1);
        char* p = static_cast<char*>(LocalAlloc(0, bytes));
        if (p == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(p, text.c_str(), text.size() + 1);
        *reinterpret_cast<char**>(lpBuffer) = p;
        return static_cast<DWORD>(text.size());
    }
    if (text.size() + 1 > nSize) {
        if (nSize > 0) *lpBuffer = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

static HLOCAL LocalAlloc(UINT uFlags, size_t uBytes) {
    constexpr UINT LMEM_ZEROINIT = 0x0040;
    const size_t n = std::max<size_t>(1, uBytes);
    return (uFlags & LMEM_ZEROINIT) ? std::calloc(1, n) : std::malloc(n);
}

HLOCAL LocalFree(HLOCAL hMem) {
    std::free(hMem);
    return nullptr;
}

// ---- Input, sound, screen ----
BOOL Beep(DWORD dwFreq, DWORD dwDuration) {
    const DWORD nNow = GetTickCount();
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    k.beeps.push_back(CBeepRecord{dwFreq, dwDuration, nNow});
    return TRUE;
}

SHORT GetAsyncKeyState(int vKey) {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    auto it = k.keys.find(vKey);
    return (it != k.keys.end() && it->second) ? static_cast<SHORT>(0x8000) : SHORT{0};
}

void AfxSetAsyncKeyState(int nVirtKey, BOOL bDown) {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    k.keys[nVirtKey] = bDown != FALSE;
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
        case SM_CXVIRTUALSCREEN:
            return 1920;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN:
            return 1080;
        case SM_CYFULLSCREEN:
            return 1017;
        case SM_CXMAXIMIZED:
            return 1928;
        case SM_CYMAXIMIZED:
            return 1048;
        case SM_CYCAPTION:
            return kCaptionHeight;
        case SM_CYSMCAPTION:
            return kToolCaptionHeight;
        case SM_CYMENU:
            return kMenuBarHeight;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return kFrameWidth;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME:
            return 3;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return 1;
        case SM_CXEDGE:
        case SM_CYEDGE:
            return 2;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR:
            return 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return 16;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
            return 17;
        case SM_CXMINTRACK:
            return 136;
        case SM_CYMINTRACK:
            return 39;
        case SM_CMONITORS:
        case SM_MOUSEPRESENT:
            return 1;
        default:
            return 0;
    }
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (picce == nullptr || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return s.bFailInitCommonControls ? FALSE : TRUE;
}

// ---- Simulation control of the kernel services ----
void CWinSimulationTesting::SetKeyDown(int nVirtKey, BOOL bDown) {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    k.keys[nVirtKey] = bDown != FALSE;
}

std::vector<CBeepRecord> CWinSimulationTesting::Beeps() {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    return k.beeps;
}

void CWinSimulationTesting::SetModulePath(LPCSTR lpszPath) {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    k.bModulePathSet = lpszPath != nullptr;
    k.strModulePath = lpszPath ? lpszPath : "";
}

void CWinSimulationTesting::SetSystemMessage(DWORD nCode, LPCSTR lpszText) {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    if (lpszText) {
        k.systemTexts[nCode] = lpszText;
    } else {
        k.systemTexts.erase(nCode);
    }
}

namespace kernelstate {

DWORD LastThreadIdIssued() {
    return g_nNextThreadId.load() - 1;
}

void Reset() {
    KernelState& k = K();
    std::lock_guard<std::mutex> lock(k.mtx);
    k.keys.clear();
    k.beeps.clear();
    k.systemTexts = DefaultSystemTexts();
    k.modules = DefaultModules();
    k.nNextModule = kFirstRegisteredModule;
    k.strModulePath.clear();
    k.bModulePathSet = false;
}

}  // namespace kernelstate
