#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/win/app_testing.h"
#include "platform/win/clock_testing.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_agent_testing.h"
#include "support/win_fixture.h"

namespace {

std::atomic<int> g_nRuns{0};
std::atomic<int> g_nDestroyed{0};
std::atomic<int> g_nThreadMessages{0};

class Threads : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        g_nRuns = 0;
        g_nDestroyed = 0;
        g_nThreadMessages = 0;
    }
};

class CCountingThread : public CWinThread {
    DECLARE_DYNCREATE(CCountingThread)
  public:
    ~CCountingThread() override { ++g_nDestroyed; }
    BOOL InitInstance() override { return TRUE; }
    int Run() override {
        ++g_nRuns;
        return 7;
    }
};
IMPLEMENT_DYNCREATE(CCountingThread, CWinThread)

// Runs the framework's message loop until WM_QUIT; counts the thread messages it is given.
class CLoopThread : public CWinThread {
    DECLARE_DYNCREATE(CLoopThread)
  public:
    BOOL InitInstance() override { return TRUE; }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->hwnd == nullptr && pMsg->message == WM_APP) ++g_nThreadMessages;
        return CWinThread::PreTranslateMessage(pMsg);
    }
};
IMPLEMENT_DYNCREATE(CLoopThread, CWinThread)

class CNotAThread : public CObject {
    DECLARE_DYNCREATE(CNotAThread)
};
IMPLEMENT_DYNCREATE(CNotAThread, CObject)

TEST_F(Threads, RunTimeClassThreadRunsDeletesItselfAndStaysWaitable) {
    CWinThread* p =
        AfxBeginThread(RUNTIME_CLASS(CCountingThread), THREAD_PRIORITY_TIME_CRITICAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, p);
    HANDLE h = p->m_hThread;
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(STILL_ACTIVE, code);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h, 0));  // suspended
    p->ResumeThread();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 5000));
    EXPECT_EQ(1, g_nRuns.load());
    EXPECT_EQ(1, g_nDestroyed.load());  // auto-delete
    ASSERT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(7u, code);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(h, 0));

    EXPECT_EQ(nullptr, AfxBeginThread(RUNTIME_CLASS(CNotAThread)));
}

TEST_F(Threads, WorkerMessageLoopTakesThreadMessagesUntilQuit) {
    CWinThread* p = AfxBeginThread(RUNTIME_CLASS(CLoopThread));
    ASSERT_NE(nullptr, p);
    HANDLE h = p->m_hThread;
    const DWORD id = p->m_nThreadID;
    ASSERT_TRUE(PostThreadMessage(id, WM_APP, 0, 0));
    ASSERT_TRUE(PostThreadMessage(id, WM_APP, 0, 0));
    ASSERT_TRUE(PostThreadMessage(id, WM_QUIT, 3, 0));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 5000));
    EXPECT_EQ(2, g_nThreadMessages.load());
    DWORD code = 0;
    GetExitCodeThread(h, &code);
    EXPECT_EQ(3u, code);
    EXPECT_FALSE(PostThreadMessage(0, WM_APP, 0, 0));
}

UINT AddOne(LPVOID pParam) {
    ++*static_cast<std::atomic<int>*>(pParam);
    return 0;
}

TEST_F(Threads, FunctionThreadsAreAllWaitedFor) {
    std::atomic<int> n{0};
    for (int i = 0; i < 8; ++i) ASSERT_NE(nullptr, AfxBeginThread(AddOne, &n));
    EXPECT_TRUE(AfxWaitForAllThreads(5000));
    EXPECT_EQ(8, n.load());
}

TEST_F(Threads, AForcedStartFailureDeletesTheObjectAndReturnsNull) {
    const int nRuns = g_nRuns, nDestroyed = g_nDestroyed;
    CWinSimulationTesting::FailCreateThread();
    EXPECT_EQ(nullptr, AfxBeginThread(RUNTIME_CLASS(CCountingThread)));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, GetLastError());
    std::atomic<int> n{0};
    EXPECT_EQ(nullptr, AfxBeginThread(AddOne, &n));
    EXPECT_EQ(nDestroyed + 1, g_nDestroyed.load());  // the auto-delete object did not leak
    EXPECT_EQ(nRuns, g_nRuns.load());

    CWinSimulation::Reset();  // clears the forced failure
    CWinThread* p = AfxBeginThread(RUNTIME_CLASS(CCountingThread));
    ASSERT_NE(nullptr, p);
    EXPECT_TRUE(AfxWaitForAllThreads(5000));
    EXPECT_EQ(nRuns + 1, g_nRuns.load());
    EXPECT_EQ(nDestroyed + 2, g_nDestroyed.load());
}

// Sleeps 100 ms of the program's clock and records the tick count before and after.
std::atomic<DWORD> g_nSleepStart{0};
std::atomic<DWORD> g_nSleepEnd{0};
std::atomic<bool> g_bSleepDone{false};

UINT SleepOnce(LPVOID) {
    g_nSleepStart = GetTickCount();
    Sleep(100);
    g_nSleepEnd = GetTickCount();
    g_bSleepDone = true;
    return 0;
}

TEST_F(Threads, AFrameworkWorkerFollowsTheWorkerSleepMode) {
    // A framework thread has a message queue from its start, yet it sleeps as a worker: in the
    // advancing mode its sleep moves the manual time itself ...
    ASSERT_NE(nullptr, AfxBeginThread(SleepOnce, nullptr));
    ASSERT_TRUE(AfxWaitForAllThreads(5000));
    EXPECT_EQ(g_nSleepStart.load() + 100, g_nSleepEnd.load());

    // ... in the waiting mode it sleeps until others have moved the time on.
    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepWaits);
    g_bSleepDone = false;
    const DWORD nBefore = GetTickCount();
    ASSERT_NE(nullptr, AfxBeginThread(SleepOnce, nullptr));
    for (int i = 0; i < 100000 && !g_bSleepDone; ++i) {
        if (g_nSleepStart.load() >= nBefore) Advance(10);
        std::this_thread::yield();
    }
    ASSERT_TRUE(AfxWaitForAllThreads(5000));
    EXPECT_TRUE(g_bSleepDone);
    EXPECT_GE(g_nSleepEnd.load(), g_nSleepStart.load() + 100);
    EXPECT_GT(GetTickCount(), nBefore);  // somebody else had to move it
}

class CTestApp : public CWinApp {
  public:
    explicit CTestApp(BOOL bInit) : m_bInit(bInit) {}
    BOOL InitInstance() override { return m_bInit; }
    int ExitInstance() override { return 11; }
    BOOL m_bInit;
};

TEST(Application, WinMainTakesTheCommandLineAndEndsWhenInitialisationFails) {
    CWinSimulationTesting::SetModulePath("/opt/tessaro/Tessaro Pro.exe");
    CTestApp app(FALSE);
    EXPECT_STREQ("Tessaro Pro", app.m_pszAppName);
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_EQ(&app, AfxGetThread());
    const char* argv[] = {"/opt/tessaro/Tessaro Pro.exe", "-SN:12 34", "-BN:1"};
    EXPECT_EQ(11, AfxWinMain(3, const_cast<char**>(argv)));
    EXPECT_STREQ("\"/opt/tessaro/Tessaro Pro.exe\" \"-SN:12 34\" -BN:1", GetCommandLineA());
    EXPECT_STREQ("\"-SN:12 34\" -BN:1", app.m_lpCmdLine);

    // Framework boxes carry the application's name; the main window owns them.
    CRecordingWnd main;
    ASSERT_TRUE(main.CreateTopLevel());
    app.m_pMainWnd = &main;
    AfxMessageBox("Board error.", MB_ICONSTOP);
    CUserEvent box = CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()).back();
    EXPECT_STREQ("Tessaro Pro", box.strCaption);
    EXPECT_EQ(main.m_hWnd, box.hOwner);
    main.DestroyWindow();
    EXPECT_EQ(nullptr, app.m_pMainWnd);  // a destroyed main window is forgotten
}

}  // namespace
