#include "hostlink/interapp_window.h"

#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "platform/hostlib/crs_interapp.h"

namespace {

// TRUE when the message is the host's notification; it is then consumed, and handed to the main dialog
// only while the dialog runs, is not closing and the host interface is not disabled. An id of 0 means
// the message was never registered, so window message 0 is never taken for the host's.
BOOL TakeHostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (theApp.m_nInterAppMsg == 0 || message != theApp.m_nInterAppMsg) return FALSE;
    if (g_pMainDlg != nullptr && !g_pMainDlg->m_bClosing && !theApp.m_bHostInterfaceDisabled)
        g_pMainDlg->OnHostNotification(0, wParam, lParam);
    return TRUE;
}

}  // namespace

IMPLEMENT_DYNAMIC(CInterAppWindow, CWnd)

BEGIN_MESSAGE_MAP(CInterAppWindow, CWnd)
END_MESSAGE_MAP()

CInterAppWindow::~CInterAppWindow() = default;

BOOL CInterAppWindow::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                             CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    return CWnd::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

BOOL CInterAppWindow::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                               const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
    return CWnd::CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, lpParam);
}

BOOL CInterAppWindow::PreTranslateMessage(MSG* pMsg) {
    if (pMsg != nullptr && TakeHostMessage(pMsg->message, pMsg->wParam, pMsg->lParam)) return TRUE;
    return CWnd::PreTranslateMessage(pMsg);
}

LRESULT CInterAppWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (TakeHostMessage(message, wParam, lParam)) return 1;
    return CWnd::WindowProc(message, wParam, lParam);
}

// ---- The application's side of the host link ----

BOOL CTessaro2010App::CreateInterAppWindow(CWnd* pParent) {
    // The class is registered on every call, before the one-window test; a failed registration leaves the
    // class name empty, and creation with it then fails.
    CString strClass;
    LPCTSTR pszClass = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)),
                                           ::LoadIcon(nullptr, IDI_APPLICATION));
    if (pszClass != nullptr)
        strClass = pszClass;
    else
        AfxMessageBox("Couldn't register class! (Already registered?)");

    if (m_pInterAppWnd != nullptr) return FALSE;
    m_pInterAppWnd = new CInterAppWindow;

    const CRect rc(0, 0, 1, 1);
    BOOL bCreated = FALSE;
    if (pParent != nullptr) {
        bCreated = m_pInterAppWnd->Create(strClass, INTERAPP_WINDOW_NAME, WS_CHILD | WS_BORDER, rc, pParent,
                                          0, nullptr);
    } else {
        // A tool window without owner: hidden, and no taskbar button.
        bCreated = m_pInterAppWnd->CreateEx(WS_EX_TOOLWINDOW, strClass, INTERAPP_WINDOW_NAME,
                                            WS_POPUP | WS_BORDER | WS_SYSMENU, rc, nullptr, 0, nullptr);
    }
    if (!bCreated) {
        delete m_pInterAppWnd;
        m_pInterAppWnd = nullptr;
        return FALSE;
    }
    m_pInterAppWnd->ShowWindow(SW_HIDE);
    AttachToHost();
    return TRUE;
}

BOOL CTessaro2010App::AttachToHost() {
    m_hInterAppWnd = m_pInterAppWnd != nullptr ? m_pInterAppWnd->GetSafeHwnd() : nullptr;
    m_nInterAppMsg = RegisterWindowMessage(INTERAPP_MESSAGE_NAME);
    // The answer is not examined: a host that is not running simply posts nothing.
    CRS_InsertMessageRequest(m_hInterAppWnd, m_nInterAppMsg);
    return TRUE;
}
