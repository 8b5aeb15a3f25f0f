// The application object, worker threads and window classes.
//
// CWinApp: one per process (AfxGetApp). Its name (m_pszAppName) is the executable's name without an
// ".exe" extension unless the constructor is given one; framework message boxes carry it as caption.
// AfxWinMain(argc, argv) sets the command line, runs InitInstance and, when that returns FALSE, runs
// ExitInstance and returns its result; otherwise it runs Run (the message loop, which ends with
// ExitInstance on WM_QUIT).
//
// Worker threads: AfxBeginThread starts a real std::thread that runs the object's InitInstance and Run
// (or the given function). An auto-delete object (m_bAutoDelete, the default) deletes itself when its
// thread ends, so its pointer must not be used once the thread may have ended. Every thread started here
// can be waited for through its handle (WaitForSingleObject on m_hThread) and all together with
// AfxWaitForAllThreads, which tests and main.cpp call so that nothing runs past the end.
#pragma once

#include <string>

#include "platform/win/kernel.h"
#include "platform/win/window.h"

class CWinThread;
using AFX_THREADPROC = UINT (*)(LPVOID);
using LPSECURITY_ATTRIBUTES = void*;

constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
constexpr DWORD CREATE_SUSPENDED = 0x00000004;

class CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)
  public:
    CWinThread();
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    ~CWinThread() override;

    // Starts the thread (suspended with CREATE_SUSPENDED until ResumeThread). FALSE when it could not
    // be started.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0,
                      LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
    DWORD ResumeThread();
    BOOL SetThreadPriority(int nPriority);

    virtual BOOL InitInstance();
    // The thread's message loop until WM_QUIT; returns ExitInstance().
    virtual int Run();
    virtual int ExitInstance();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnIdle(LONG lCount);
    virtual BOOL PumpMessage();
    virtual void Delete();  // deletes the object when m_bAutoDelete

    CWnd* m_pMainWnd = nullptr;
    BOOL m_bAutoDelete = TRUE;
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    int m_nThreadPriority = THREAD_PRIORITY_NORMAL;
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    LPVOID m_pThreadParams = nullptr;
    MSG m_msgCur{};  // the message PumpMessage took last (WM_QUIT at the end of Run)
};

// Creates an object of the run-time class (which must be derived from CWinThread and dynamically
// creatable) and starts it; NULL when that is not possible.
CWinThread* AfxBeginThread(CRuntimeClass* pThreadClass, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
// Waits until every thread started by the framework has ended (or the timeout passed); TRUE when all
// have ended. Joins them.
BOOL AfxWaitForAllThreads(DWORD dwMilliseconds = INFINITE);

class CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)
  public:
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCTSTR m_pszAppName = nullptr;
    LPCTSTR m_pszExeName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPTSTR m_lpCmdLine = nullptr;  // the arguments after the program's path
    int m_nCmdShow = SW_SHOWNORMAL;

    BOOL InitInstance() override;
    int ExitInstance() override;
    int Run() override;
    virtual int DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT nIDPrompt);

    HICON LoadIcon(UINT nIDResource) const;  // NULL when the icon is not registered

    DECLARE_MESSAGE_MAP()

  private:
    friend int AfxWinMain(int argc, char** argv);
    void TakeCommandLine();
    std::string m_strAppName;
    std::string m_strExeName;
    std::string m_strCmdLine;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
BOOL AfxEnableControlContainer(void* pManager = nullptr);
int AfxWinMain(int argc, char** argv);

// ---- Window classes ----
// Registers a class by name; FALSE (0) when the name is taken or failure is forced
// (CWinSimulationTesting::FailRegisterClass). Classes live for the whole process.
ATOM RegisterClassA(const WNDCLASSA* lpWndClass);
// The framework's class registration: a class with these attributes and the framework's window procedure
// (messages go to the window's CWnd); the same attributes give the same name. NULL when the registration
// fails (the framework's resource failure): the caller reports it.
LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                            HICON hIcon = nullptr);

// Creation of a window of a registered class. The class's procedure gets WM_NCCREATE, WM_CREATE (-1
// fails the creation), then WM_SIZE and WM_MOVE. NULL on failure (unknown class, a child without
// parent, WM_NCCREATE FALSE, WM_CREATE -1, or a forced failure) with the last error set.
HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                     LPVOID lpParam);
// The default processing of every message (text, close, paint validation, WM_WINDOWPOSCHANGED -> WM_MOVE
// and WM_SIZE, system commands, ...); AfxAddDefWindowProcHook extends it.
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);        // NULL instance: the standard icons
HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName);  // NULL instance: the standard cursors
inline HICON LoadIcon(HINSTANCE h, LPCSTR n) {
    return LoadIconA(h, n);
}
inline HCURSOR LoadCursor(HINSTANCE h, LPCSTR n) {
    return LoadCursorA(h, n);
}
