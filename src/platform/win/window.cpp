// Message delivery to a window's object or procedure, and the CWnd members.
#include "platform/win/window.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/win/app.h"
#include "platform/win/menu.h"
#include "platform/win/menu_internal.h"
#include "platform/win/message_loop.h"
#include "platform/win/user_agent.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

namespace winstate {

// ---- The current message of each thread (for CWnd::Default) ----
thread_local std::vector<MSG> t_current;

struct CurrentMessage {
    CurrentMessage(HWND h, UINT m, WPARAM w, LPARAM l) { t_current.push_back(MSG{h, m, w, l, 0, {0, 0}}); }
    ~CurrentMessage() { t_current.pop_back(); }
    CurrentMessage(const CurrentMessage&) = delete;
    CurrentMessage& operator=(const CurrentMessage&) = delete;
};

Route RouteLocked(WndRec* w) {
    Route r;
    if (w != nullptr) {
        r.bAlive = TRUE;
        r.pfn = w->pfnWndProc;
        if (!w->bAttachedOnly) r.pWnd = w->pPermanent;
    }
    return r;
}

Route RouteOf(HWND h) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return RouteLocked(Find(s, h));
}

LRESULT CallRoute(const Route& r, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!r.bAlive) return 0;
    CurrentMessage cur(hWnd, message, wParam, lParam);
    if (r.pWnd != nullptr) return r.pWnd->WindowProc(message, wParam, lParam);
    return r.pfn ? r.pfn(hWnd, message, wParam, lParam) : DefWindowProcA(hWnd, message, wParam, lParam);
}

LRESULT CallWindow(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallRoute(RouteOf(hWnd), hWnd, message, wParam, lParam);
}

}  // namespace winstate

using namespace winstate;

// ---- CWnd ----
IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

namespace {
const AFX_MSGMAP_ENTRY kWndEntries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
}  // namespace

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, &kWndEntries[0]};
    return &map;
}
const AFX_MSGMAP* CWnd::GetMessageMap() const {
    return GetThisMessageMap();
}

CWnd::CWnd() = default;
CWnd::CWnd(HWND hWnd) : m_hWnd(hWnd) {}

CWnd::~CWnd() {
    HWND h = m_hWnd;
    if (h != nullptr && FromHandlePermanent(h) == this) ::DestroyWindow(h);
    if (m_hWnd != nullptr) Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    return r ? r->pPermanent : nullptr;
}

namespace {

// FromHandlePermanent(hWnd) and, in *phParent, GetParent(hWnd), read together.
CWnd* PermanentAndParentOf(HWND hWnd, HWND* phParent) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (r == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        *phParent = nullptr;
        return nullptr;
    }
    *phParent = (r->dwStyle & WS_CHILD) ? r->hParent : r->hOwner;
    return r->pPermanent;
}

}  // namespace

CWnd* CWnd::FromHandle(HWND hWnd) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r) return nullptr;
    if (r->pPermanent) return r->pPermanent;
    if (!r->pTemp) r->pTemp.reset(new CWnd(hWnd));
    return r->pTemp.get();
}

BOOL CWnd::Attach(HWND hWndNew) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, hWndNew);
    if (!r || m_hWnd != nullptr || (r->pPermanent && r->pPermanent != this)) return FALSE;
    r->pPermanent = this;
    r->bAttachedOnly = TRUE;
    CWndInternals::NoteTextStoredLocked(*r);  // the route of a text changes: no remembered text holds
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    if (WndRec* r = Find(s, h)) {
        if (r->pPermanent == this) r->pPermanent = nullptr;
        r->bAttachedOnly = FALSE;
        CWndInternals::NoteTextStoredLocked(*r);
    }
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r || m_hWnd != nullptr || (r->pPermanent && r->pPermanent != this)) return FALSE;
        r->pPermanent = this;
        r->bAttachedOnly = FALSE;
        CWndInternals::NoteTextStoredLocked(*r);
        m_hWnd = hWnd;
    }
    PreSubclassWindow();
    return TRUE;
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext*) {
    if (pParentWnd == nullptr || (dwStyle & WS_POPUP)) return FALSE;
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, nullptr);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x,
                    int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
    if (m_hWnd != nullptr) return FALSE;
    CREATESTRUCT cs{lpParam, AfxGetInstanceHandle(),     nIDorHMenu,     hWndParent,    nHeight,  nWidth, y,
                    x,       static_cast<LONG>(dwStyle), lpszWindowName, lpszClassName, dwExStyle};
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    return CreateWindowInternal(cs, this) != nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
    if (cs.lpszClass == nullptr) {
        EnsureAfxWndClass();
        cs.lpszClass = kAfxWndClass;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult)) lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC pfn = nullptr;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        if (WndRec* r = Find(s, m_hWnd)) pfn = r->pfnWndProc;
    }
    return CallWindowProcA(pfn, m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
    for (HWND h = pMsg->hwnd; h != nullptr;) {
        // The window's object and its parent in one look; after an object's PreTranslateMessage (which
        // may move or destroy windows) the parent is asked again.
        HWND hParent = nullptr;
        CWnd* pWnd = PermanentAndParentOf(h, &hParent);
        if (pWnd != nullptr) {
            if (pWnd->PreTranslateMessage(pMsg)) return TRUE;
            hParent = ::GetParent(h);
        }
        if (h == hWndStop) break;
        h = hParent;
    }
    return FALSE;
}

namespace {

class CTestCmdUI : public CCmdUI {
  public:
    BOOL m_bEnabled = TRUE;
    void Enable(BOOL bOn) override {
        m_bEnabled = bOn;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetRadio(BOOL) override {}
    void SetText(LPCTSTR) override {}
};

}  // namespace

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (hWndCtrl == nullptr) {
        if (nID == 0) return FALSE;
        // A menu command: its update handler may disable it, and a disabled command is not carried out.
        CTestCmdUI state;
        state.m_nID = nID;
        OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.m_bEnabled) return TRUE;
        nCode = CN_COMMAND;
    } else {
        if (ReflectLastMsg(hWndCtrl)) return TRUE;
        if (nID == 0) return FALSE;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR == nullptr) return FALSE;
    HWND hWndCtrl = pNMHDR->hwndFrom;
    UINT nID = static_cast<UINT>(::GetDlgCtrlID(hWndCtrl));
    if (ReflectLastMsg(hWndCtrl, pResult)) return TRUE;
    AFX_NOTIFY notify{pResult, pNMHDR};
    return OnCmdMsg(nID,
                    static_cast<int>(MAKELONG(static_cast<WORD>(pNMHDR->code), static_cast<WORD>(WM_NOTIFY))),
                    &notify, nullptr);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT lResult = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        lResult = 1;
    } else if (message == WM_NOTIFY) {
        if (!OnNotify(wParam, lParam, &lResult)) return FALSE;
    } else {
        const UINT key =
            (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ? WM_CTLCOLOR : message;
        const AFX_MSGMAP_ENTRY* found = nullptr;
        for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap && !found;
             pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
            for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->nSig != AfxSig_end; ++e) {
                if (e->nSig != AfxSig_msg) continue;
                bool match = e->pnRegisteredMessage
                                 ? (*e->pnRegisteredMessage != 0 && *e->pnRegisteredMessage == message)
                                 : (e->nMessage == key && key != 0);
                if (match) {
                    found = e;
                    break;
                }
            }
        }
        if (!found) return FALSE;
        AFX_MSGARGS args{message, wParam, lParam, 0, 0, nullptr};
        lResult = found->pfn(this, args);
    }
    if (pResult) *pResult = lResult;
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
    CWnd* pChild = FromHandlePermanent(hWndChild);
    const MSG* cur = GetCurrentMessage();
    if (pChild == nullptr || cur == nullptr) return FALSE;
    return pChild->OnChildNotify(cur->message, cur->wParam, cur->lParam, pResult);
}

LRESULT CWnd::Default() {
    const MSG* cur = GetCurrentMessage();
    return cur ? DefWindowProc(cur->message, cur->wParam, cur->lParam) : 0;
}

const MSG* CWnd::GetCurrentMessage() {
    return t_current.empty() ? nullptr : &t_current.back();
}

int CWnd::RunModalLoop(DWORD dwFlags) {
    m_nFlags |= WF_MODALLOOP | WF_CONTINUEMODAL;
    const bool bShowIdle = (dwFlags & MLF_SHOWONIDLE) && !(GetStyle() & WS_VISIBLE);
    HWND hWnd = m_hWnd;
    BOOL bOk = CMessageLoop::RunUntil([&] { return !IsWindow(hWnd) || !ContinueModal(); },
                                      [&] {
                                          if (bShowIdle && IsWindow(hWnd)) ::ShowWindow(hWnd, SW_SHOWNORMAL);
                                      });
    m_nFlags &= ~(WF_MODALLOOP | WF_CONTINUEMODAL);
    if (!bOk) m_nModalResult = -1;
    return m_nModalResult;
}

BOOL CWnd::ContinueModal() {
    return (m_nFlags & WF_CONTINUEMODAL) != 0;
}

void CWnd::EndModalLoop(int nResult) {
    m_nModalResult = nResult;
    if (m_nFlags & WF_CONTINUEMODAL) {
        m_nFlags &= ~WF_CONTINUEMODAL;
        ::PostMessage(m_hWnd, WM_NULL, 0, 0);
    }
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}
LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendDlgItemMessageA(m_hWnd, nID, message, wParam, lParam);
}

DWORD CWnd::GetStyle() const {
    return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
}
DWORD CWnd::GetExStyle() const {
    return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE));
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}
BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}
BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}
BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}
BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}
BOOL CWnd::IsChild(const CWnd* pWnd) const {
    return pWnd ? ::IsChild(m_hWnd, pWnd->m_hWnd) : FALSE;
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}
void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    if (lpRect)
        ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                     lpRect->bottom - lpRect->top, bRepaint);
}
BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}
void CWnd::BringWindowToTop() {
    ::BringWindowToTop(m_hWnd);
}
void CWnd::GetWindowRect(LPRECT lpRect) const {
    ::GetWindowRect(m_hWnd, lpRect);
}
void CWnd::GetClientRect(LPRECT lpRect) const {
    ::GetClientRect(m_hWnd, lpRect);
}
void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    ::ClientToScreen(m_hWnd, lpPoint);
}
void CWnd::ClientToScreen(LPRECT lpRect) const {
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}
void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    ::ScreenToClient(m_hWnd, lpPoint);
}
void CWnd::ScreenToClient(LPRECT lpRect) const {
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
    return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount);
}
void CWnd::GetWindowText(CString& rString) const {
    int n = ::GetWindowTextLengthA(m_hWnd);
    ::GetWindowTextA(m_hWnd, rString.GetBuffer(n), n + 1);
    rString.ReleaseBuffer();
}
HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? 1 : 0, reinterpret_cast<LPARAM>(hIcon)));
}
HICON CWnd::GetIcon(BOOL bBigIcon) const {
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? 1 : 0, 0));
}

CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}
CWnd* CWnd::SetParent(CWnd* pWndNewParent) {
    return FromHandle(::SetParent(m_hWnd, pWndNewParent ? pWndNewParent->m_hWnd : nullptr));
}
CWnd* CWnd::GetTopLevelParent() const {
    HWND h = m_hWnd;
    while (h && (::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
    return FromHandle(h);
}
CWnd* CWnd::GetWindow(UINT nCmd) const {
    return FromHandle(::GetWindow(m_hWnd, nCmd));
}
CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}
int CWnd::GetDlgCtrlID() const {
    return ::GetDlgCtrlID(m_hWnd);
}
int CWnd::SetDlgCtrlID(int nID) {
    return static_cast<int>(::SetWindowLongPtrA(m_hWnd, GWLP_ID, nID));
}
void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString) {
    ::SetDlgItemTextA(m_hWnd, nID, lpszString);
}
int CWnd::GetDlgItemText(int nID, CString& rString) const {
    HWND h = ::GetDlgItem(m_hWnd, nID);
    rString.Empty();
    if (!h) return 0;
    FromHandle(h)->GetWindowText(rString);
    return rString.GetLength();
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
    SendDlgItemMessage(nIDButton, BM_SETCHECK, nCheck, 0);
}
UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
    return static_cast<UINT>(SendDlgItemMessage(nIDButton, BM_GETCHECK, 0, 0));
}

CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}
CWnd* CWnd::GetFocus() {
    return FromHandle(::GetFocus());
}

void CWnd::Invalidate(BOOL bErase) {
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}
void CWnd::ValidateRect(LPCRECT lpRect) {
    ::ValidateRect(m_hWnd, lpRect);
}
BOOL CWnd::GetUpdateRect(LPRECT lpRect, BOOL bErase) {
    return ::GetUpdateRect(m_hWnd, lpRect, bErase);
}
void CWnd::UpdateWindow() {
    ::UpdateWindow(m_hWnd);
}
BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, void* prgnUpdate, UINT flags) {
    return ::RedrawWindow(m_hWnd, lpRectUpdate, prgnUpdate, flags);
}

CMenu* CWnd::GetMenu() const {
    return CMenu::FromHandle(::GetMenu(m_hWnd));
}
CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}
UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}
BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    return ::KillTimer(m_hWnd, nIDEvent);
}

// Default handlers.
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnPaint() {
    Default();
}
HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT) {
    LRESULT r = 0;
    if (pWnd && ReflectLastMsg(pWnd->m_hWnd, &r)) return reinterpret_cast<HBRUSH>(r);
    return reinterpret_cast<HBRUSH>(Default());
}
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (lpDrawItemStruct && lpDrawItemStruct->CtlType != ODT_MENU &&
        ReflectLastMsg(lpDrawItemStruct->hwndItem))
        return;
    Default();
}
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) {
    const MSG* cur = GetCurrentMessage();
    if (cur && cur->lParam && ReflectLastMsg(reinterpret_cast<HWND>(cur->lParam))) return;
    Default();
}
void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}
void CWnd::OnSizing(UINT, LPRECT) {
    Default();
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
void CWnd::OnMove(int, int) {
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}
