#include "platform/win/app.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/win/app_testing.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/message_loop_internal.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/message_map.h"
#include "platform/win/resources.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/system_codes_internal.h"
#include "platform/win/win_state.h"

namespace {

struct ThreadRec {
    std::thread th;
    std::mutex mtx;
    std::condition_variable cv;
    bool bHasId = false;
    bool bGo = false;
    bool bDone = false;
    bool bJoining = false;
    bool bClosed = false;
    DWORD nId = 0;
    DWORD nExit = STILL_ACTIVE;
};

struct ThreadRegistry {
    std::mutex mtx;
    std::map<HANDLE, std::shared_ptr<ThreadRec>> threads;
    std::uintptr_t nNextHandle = 0x00500000;
    std::set<CWinThread*> objects;  // every live CWinThread (for main-window bookkeeping)
    bool bFailCreate = false;       // CWinSimulationTesting::FailCreateThread
};

ThreadRegistry& T() {
    static ThreadRegistry* t = new ThreadRegistry;  // never destroyed: threads may end during exit
    return *t;
}

std::atomic<CWinApp*> g_pApp{nullptr};
std::atomic<DWORD> g_nAppThread{0};
thread_local CWinThread* t_pThread = nullptr;
thread_local bool t_bFrameworkWorker = false;

std::shared_ptr<ThreadRec> FindThread(HANDLE h) {
    std::lock_guard<std::mutex> lock(T().mtx);
    auto it = T().threads.find(h);
    return it == T().threads.end() ? nullptr : it->second;
}

// Joins the thread of a record that has ended, once. Not from the thread itself.
void JoinEnded(ThreadRec& r) {
    {
        std::lock_guard<std::mutex> lock(r.mtx);
        if (!r.bDone || r.bJoining) return;
        r.bJoining = true;
    }
    if (r.th.joinable() && r.th.get_id() != std::this_thread::get_id()) r.th.join();
}

void ThreadMain(CWinThread* pThread, std::shared_ptr<ThreadRec> rec) {
    const DWORD nId = GetCurrentThreadId();
    {
        std::unique_lock<std::mutex> lock(rec->mtx);
        rec->nId = nId;
        rec->bHasId = true;
        rec->cv.notify_all();
        rec->cv.wait(lock, [&] { return rec->bGo; });
    }
    {
        std::lock_guard<CFutexMutex> lock(winstate::S().mtx);
        winstate::QueueFor(winstate::S(), nId);  // thread messages may be posted from the start
    }
    t_pThread = pThread;
    t_bFrameworkWorker = true;
    DWORD nExit = 0;
    if (pThread->m_pfnThreadProc != nullptr) {
        nExit = pThread->m_pfnThreadProc(pThread->m_pThreadParams);
    } else if (pThread->InitInstance()) {
        nExit = static_cast<DWORD>(pThread->Run());
    } else {
        nExit = static_cast<DWORD>(pThread->ExitInstance());
    }
    t_pThread = nullptr;
    {
        winstate::State& s = winstate::S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        bool bOwnsWindows = std::any_of(s.wnds.begin(), s.wnds.end(),
                                        [&](const auto& w) { return w.second->nThreadId == nId; });
        if (!bOwnsWindows) s.queues.erase(nId);
    }
    pThread->Delete();
    std::lock_guard<std::mutex> lock(rec->mtx);
    rec->nExit = nExit;
    rec->bDone = true;
    rec->cv.notify_all();
}

std::string ExeName() {
    char path[MAX_PATH + 1];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name(path);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    if (name.size() > 4) {
        std::string ext = name.substr(name.size() - 4);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".exe") name.resize(name.size() - 4);
    }
    return name;
}

// The arguments after the program's path (quoted or not) and the blanks that follow it.
std::string ArgumentsOf(const char* line) {
    const char* p = line ? line : "";
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

constexpr std::uintptr_t kStandardIconBase = 0x7F000000;
constexpr std::uintptr_t kStandardCursorBase = 0x7E000000;

}  // namespace

// ---- CWinThread ----
IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread::CWinThread() {
    std::lock_guard<std::mutex> lock(T().mtx);
    T().objects.insert(this);
}

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam) : CWinThread() {
    m_pfnThreadProc = pfnThreadProc;
    m_pThreadParams = pParam;
}

CWinThread::~CWinThread() {
    if (t_pThread == this) t_pThread = nullptr;
    std::lock_guard<std::mutex> lock(T().mtx);
    T().objects.erase(this);
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT, LPSECURITY_ATTRIBUTES) {
    if (m_hThread != nullptr) return FALSE;
    auto rec = std::make_shared<ThreadRec>();
    HANDLE h = nullptr;
    {
        std::lock_guard<std::mutex> lock(T().mtx);
        if (T().bFailCreate) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        T().nNextHandle += 4;
        h = reinterpret_cast<HANDLE>(T().nNextHandle);
        T().threads[h] = rec;
    }
    try {
        rec->th = std::thread(ThreadMain, this, rec);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(T().mtx);
        T().threads.erase(h);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    std::unique_lock<std::mutex> lock(rec->mtx);
    rec->cv.wait(lock, [&] { return rec->bHasId; });
    m_hThread = h;
    m_nThreadID = rec->nId;
    if (!(dwCreateFlags & CREATE_SUSPENDED)) {
        rec->bGo = true;
        rec->cv.notify_all();
    }
    return TRUE;
}

DWORD CWinThread::ResumeThread() {
    std::shared_ptr<ThreadRec> rec = FindThread(m_hThread);
    if (!rec) return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> lock(rec->mtx);
    if (rec->bGo) return 0;
    rec->bGo = true;
    rec->cv.notify_all();
    return 1;
}

BOOL CWinThread::SetThreadPriority(int nPriority) {
    m_nThreadPriority = nPriority;
    return TRUE;
}

BOOL CWinThread::InitInstance() {
    return FALSE;
}

int CWinThread::Run() {
    for (;;) {
        for (LONG lIdle = 0; !CMessageLoop::HasPending() && OnIdle(lIdle); ++lIdle) {
        }
        if (!PumpMessage()) break;
    }
    return ExitInstance();
}

int CWinThread::ExitInstance() {
    return static_cast<int>(m_msgCur.wParam);
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) {
    if (pMsg == nullptr || pMsg->hwnd == nullptr) return FALSE;
    HWND hMain = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (CWnd::WalkPreTranslateTree(hMain, pMsg)) return TRUE;
    if (hMain == nullptr) return FALSE;
    if (winstate::IsSelfOrAncestor(hMain, pMsg->hwnd)) return FALSE;  // the walk has been there
    // A window outside the main window's family (a modeless window): the main window has the last word.
    return m_pMainWnd->PreTranslateMessage(pMsg);
}

BOOL CWinThread::OnIdle(LONG) {
    return FALSE;
}

BOOL CWinThread::PumpMessage() {
    if (!::GetMessageA(&m_msgCur, nullptr, 0, 0)) return FALSE;
    if (!PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageA(&m_msgCur);
    }
    return TRUE;
}

void CWinThread::Delete() {
    if (m_bAutoDelete) delete this;
}

CWinThread* AfxBeginThread(CRuntimeClass* pThreadClass, int nPriority, UINT nStackSize, DWORD dwCreateFlags,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    if (pThreadClass == nullptr || !pThreadClass->IsDerivedFrom(RUNTIME_CLASS(CWinThread))) return nullptr;
    CObject* pObject = pThreadClass->CreateObject();
    CWinThread* pThread = dynamic_cast<CWinThread*>(pObject);
    if (pThread == nullptr) {
        delete pObject;
        return nullptr;
    }
    if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        pThread->Delete();
        return nullptr;
    }
    pThread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED)) pThread->ResumeThread();
    return pThread;  // an auto-delete object may be gone already when the thread was quick
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    if (pfnThreadProc == nullptr) return nullptr;
    auto* pThread = new CWinThread(pfnThreadProc, pParam);
    if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        pThread->Delete();
        return nullptr;
    }
    pThread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED)) pThread->ResumeThread();
    return pThread;
}

CWinThread* AfxGetThread() {
    if (t_pThread != nullptr) return t_pThread;
    CWinApp* pApp = g_pApp.load();
    return (pApp != nullptr && g_nAppThread.load() == GetCurrentThreadId()) ? pApp : nullptr;
}

BOOL AfxWaitForAllThreads(DWORD dwMilliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
    std::vector<std::pair<HANDLE, std::shared_ptr<ThreadRec>>> all;
    {
        std::lock_guard<std::mutex> lock(T().mtx);
        all.assign(T().threads.begin(), T().threads.end());
    }
    BOOL bAll = TRUE;
    for (auto& [h, rec] : all) {
        {
            std::unique_lock<std::mutex> lock(rec->mtx);
            auto done = [&rec = rec] { return rec->bDone; };
            if (dwMilliseconds == INFINITE) {
                rec->cv.wait(lock, done);
            } else if (!rec->cv.wait_until(lock, deadline, done)) {
                bAll = FALSE;
                continue;
            }
        }
        JoinEnded(*rec);
        std::lock_guard<std::mutex> lock(T().mtx);
        if (rec->bClosed) T().threads.erase(h);
    }
    return bAll;
}

// ---- Thread handles ----
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    std::shared_ptr<ThreadRec> rec = FindThread(hHandle);
    if (!rec) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    {
        // The timeout is real time even with the manual clock, so a wait can never hang.
        std::unique_lock<std::mutex> lock(rec->mtx);
        auto done = [&rec = rec] { return rec->bDone; };
        if (dwMilliseconds == INFINITE) {
            if (rec->th.get_id() == std::this_thread::get_id()) return WAIT_TIMEOUT;  // would wait forever
            rec->cv.wait(lock, done);
        } else if (!rec->cv.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), done)) {
            return WAIT_TIMEOUT;
        }
    }
    JoinEnded(*rec);
    return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE hObject) {
    std::shared_ptr<ThreadRec> rec = FindThread(hObject);
    if (!rec) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    bool bDone = false;
    {
        std::lock_guard<std::mutex> lock(rec->mtx);
        rec->bClosed = true;
        bDone = rec->bDone;
    }
    if (bDone && rec->th.get_id() != std::this_thread::get_id()) {
        JoinEnded(*rec);
        std::lock_guard<std::mutex> lock(T().mtx);
        T().threads.erase(hObject);
    }
    return TRUE;
}

BOOL GetExitCodeThread(HANDLE hThread, DWORD* lpExitCode) {
    std::shared_ptr<ThreadRec> rec = FindThread(hThread);
    if (!rec || lpExitCode == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(rec->mtx);
    *lpExitCode = rec->bDone ? rec->nExit : STILL_ACTIVE;
    return TRUE;
}

// ---- CWinApp ----
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName) {
    m_strExeName = ExeName();
    m_strAppName = lpszAppName ? lpszAppName : m_strExeName;
    m_pszExeName = m_strExeName.c_str();
    m_pszAppName = m_strAppName.c_str();
    m_hInstance = AfxGetInstanceHandle();
    m_nThreadID = GetCurrentThreadId();
    m_bAutoDelete = FALSE;
    TakeCommandLine();
    g_nAppThread = GetCurrentThreadId();
    g_pApp = this;
}

CWinApp::~CWinApp() {
    CWinApp* pSelf = this;
    g_pApp.compare_exchange_strong(pSelf, nullptr);
}

void CWinApp::TakeCommandLine() {
    m_strCmdLine = ArgumentsOf(GetCommandLineA());
    m_lpCmdLine = m_strCmdLine.data();
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return static_cast<int>(m_msgCur.wParam);
}

int CWinApp::Run() {
    if (m_pMainWnd == nullptr) PostQuitMessage(0);  // nothing to run for
    return CWinThread::Run();
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    const CIconResource* p = AfxFindIconResource(nIDResource);
    return p ? p->hIcon : nullptr;
}

CWinApp* AfxGetApp() {
    return g_pApp.load();
}

CWnd* AfxGetMainWnd() {
    CWinThread* p = AfxGetThread();
    return p ? p->m_pMainWnd : nullptr;
}

LPCTSTR AfxGetAppName() {
    if (CWinApp* pApp = AfxGetApp()) return pApp->m_pszAppName;
    static std::mutex mtx;
    static std::string* name = new std::string;
    std::lock_guard<std::mutex> lock(mtx);
    *name = ExeName();
    return name->c_str();
}

BOOL AfxEnableControlContainer(void*) {
    return TRUE;
}

int AfxWinMain(int argc, char** argv) {
    AfxSetCommandLine(argc, argv);
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) return -1;
    pApp->TakeCommandLine();
    if (!pApp->InitInstance()) return pApp->ExitInstance();
    return pApp->Run();
}

// ---- Icons and cursors ----
HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    if (lpIconName == nullptr || !IS_INTRESOURCE(lpIconName)) return nullptr;
    const auto nID = reinterpret_cast<std::uintptr_t>(lpIconName);
    if (hInstance == nullptr) {
        return (nID >= 32512 && nID <= 32518) ? reinterpret_cast<HICON>(kStandardIconBase + nID) : nullptr;
    }
    const CIconResource* p = AfxFindIconResource(static_cast<UINT>(nID));
    return p ? p->hIcon : nullptr;
}

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    if (hInstance != nullptr || lpCursorName == nullptr || !IS_INTRESOURCE(lpCursorName)) return nullptr;
    const auto nID = reinterpret_cast<std::uintptr_t>(lpCursorName);
    return (nID >= 32512 && nID <= 32651) ? reinterpret_cast<HCURSOR>(kStandardCursorBase + nID) : nullptr;
}

// ---- Bookkeeping for the window layer ----
void AfxWindowGone(CWnd* pWnd) {
    std::lock_guard<std::mutex> lock(T().mtx);
    for (CWinThread* p : T().objects) {
        if (p->m_pMainWnd == pWnd) p->m_pMainWnd = nullptr;
    }
}

void AfxResetThreads() {
    std::lock_guard<std::mutex> lock(T().mtx);
    for (CWinThread* p : T().objects) p->m_pMainWnd = nullptr;
    T().bFailCreate = false;
}

void AfxFailCreateThread(bool bFail) {
    std::lock_guard<std::mutex> lock(T().mtx);
    T().bFailCreate = bFail;
}

bool AfxIsFrameworkWorkerThread() {
    return t_bFrameworkWorker;
}
