#include "platform/win/dialog.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/controls.h"
#include "platform/win/controls_internal.h"
#include "platform/win/controls_testing.h"
#include "platform/win/dialog_internal.h"
#include "platform/win/dialog_testing.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/menu.h"
#include "platform/win/menu_internal.h"
#include "platform/win/message_map.h"
#include "platform/win/resources_testing.h"
#include "platform/win/system_codes_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

namespace {

struct DialogState : CWndExtra {
    UINT nDefId = 0;
    int nBaseX = 6;
    int nBaseY = 13;
    std::unique_ptr<CFont> pFont;
};

DialogState* DlgState(HWND h) {
    return AfxGetWndExtraAs<DialogState>(h);
}

// MulDiv: a * b / c rounded to nearest (halves away from zero).
int MulDivRound(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : (p - half) / c);
}

DWORD StyleOf(HWND h) {
    return static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE));
}

std::vector<HWND> ChildrenOf(HWND hDlg) {
    std::vector<HWND> v;
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) v.push_back(c);
    return v;
}

bool IsTabStop(HWND h) {
    const DWORD s = StyleOf(h);
    return (s & WS_TABSTOP) && (s & WS_VISIBLE) && !(s & WS_DISABLED);
}

// The direct child of hDlg that is or contains hWnd.
HWND ChildContaining(HWND hDlg, HWND hWnd) {
    for (HWND h = hWnd; h; h = GetParent(h)) {
        if (GetParent(h) == hDlg) return h;
    }
    return nullptr;
}

// The index in all of the first control of the group that all[i] belongs to (the one with WS_GROUP).
size_t GroupStart(const std::vector<HWND>& all, size_t i) {
    while (i > 0 && !(StyleOf(all[i]) & WS_GROUP)) --i;
    return i;
}

// The tab stop after (before) the control holding hFrom, round the dialog. From a control that is no tab
// stop itself (a radio button chosen inside its group) it goes on from where that control stands, and
// backwards from the start of its group, so the group's own tab stop is passed.
HWND NextTabStop(HWND hDlg, HWND hFrom, bool bPrevious) {
    const std::vector<HWND> all = ChildrenOf(hDlg);
    if (std::none_of(all.begin(), all.end(), IsTabStop)) return nullptr;
    const HWND cur = ChildContaining(hDlg, hFrom);
    const auto it = std::find(all.begin(), all.end(), cur);
    if (it == all.end()) {
        if (bPrevious) return *std::find_if(all.rbegin(), all.rend(), IsTabStop);
        return *std::find_if(all.begin(), all.end(), IsTabStop);
    }
    const size_t n = all.size();
    const size_t at = static_cast<size_t>(it - all.begin());
    const size_t from = bPrevious && !IsTabStop(cur) ? GroupStart(all, at) : at;
    for (size_t k = 1; k <= n; ++k) {
        const HWND c = all[bPrevious ? (from + n - k % n) % n : (from + k) % n];
        if (IsTabStop(c)) return c;
    }
    return nullptr;
}

// Tab into a group of radio buttons lands on the one that is checked (when one shown and enabled is).
HWND CheckedRadioOfGroup(HWND hDlg, HWND hTarget) {
    if (!(SendMessageA(hTarget, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)) return hTarget;
    const std::vector<HWND> all = ChildrenOf(hDlg);
    const auto it = std::find(all.begin(), all.end(), hTarget);
    if (it == all.end()) return hTarget;
    const size_t nStart = GroupStart(all, static_cast<size_t>(it - all.begin()));
    for (size_t i = nStart; i < all.size(); ++i) {
        const HWND c = all[i];
        const DWORD st = StyleOf(c);
        if (i > nStart && (st & WS_GROUP)) break;
        if ((st & WS_VISIBLE) && !(st & WS_DISABLED) &&
            (SendMessageA(c, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) &&
            SendMessageA(c, BM_GETCHECK, 0, 0) == BST_CHECKED)
            return c;
    }
    return hTarget;
}

// The next (or previous) shown, enabled control of hFrom's group, round from the group's end to its
// start: a group runs from a control with WS_GROUP up to the next one. NULL when there is none.
HWND NextGroupItem(HWND hDlg, HWND hFrom, bool bPrevious) {
    const std::vector<HWND> all = ChildrenOf(hDlg);
    const HWND cur = ChildContaining(hDlg, hFrom);
    const auto at = std::find(all.begin(), all.end(), cur);
    if (at == all.end()) return nullptr;
    size_t nStart = static_cast<size_t>(at - all.begin());
    while (nStart > 0 && !(StyleOf(all[nStart]) & WS_GROUP)) --nStart;
    size_t nEnd = static_cast<size_t>(at - all.begin()) + 1;
    while (nEnd < all.size() && !(StyleOf(all[nEnd]) & WS_GROUP)) ++nEnd;
    std::vector<HWND> members;
    for (size_t i = nStart; i < nEnd; ++i) {
        const DWORD s = StyleOf(all[i]);
        if (all[i] == cur || ((s & WS_VISIBLE) && !(s & WS_DISABLED))) members.push_back(all[i]);
    }
    const size_t n = members.size();
    const size_t i = static_cast<size_t>(std::find(members.begin(), members.end(), cur) - members.begin());
    return n > 1 ? members[(i + (bPrevious ? n - 1 : 1)) % n] : nullptr;
}

HWND FirstTabStop(HWND hDlg) {
    for (HWND c : ChildrenOf(hDlg)) {
        if (IsTabStop(c)) return c;
    }
    return nullptr;
}

// Focus to a control the way the dialog manager moves it: an edit's text is selected.
void FocusControl(HWND hCtl) {
    SetFocus(hCtl);
    if (SendMessageA(hCtl, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageA(hCtl, EM_SETSEL, 0, -1);
}

}  // namespace

SIZE AfxDialogBaseUnits(const CDialogTemplate& tmpl) {
    const int pt = tmpl.wPointSize ? tmpl.wPointSize : 8;
    return SIZE{(7 * pt + 5) / 10, (16 * pt + 5) / 10};
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
    DialogState* st = DlgState(hDlg);
    if (st == nullptr || lpRect == nullptr) return FALSE;
    lpRect->left = MulDivRound(lpRect->left, st->nBaseX, 4);
    lpRect->right = MulDivRound(lpRect->right, st->nBaseX, 4);
    lpRect->top = MulDivRound(lpRect->top, st->nBaseY, 8);
    lpRect->bottom = MulDivRound(lpRect->bottom, st->nBaseY, 8);
    return TRUE;
}

LRESULT AfxDefDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_CLOSE: {
            // As the dialog manager does: the close box is the Cancel button. The click is posted as
            // the user's input it stands for, so a queue full of other posts neither refuses nor delays it.
            HWND hCancel = GetDlgItem(hWnd, IDCANCEL);
            if (hCancel && !IsWindowEnabled(hCancel)) return 0;
            winstate::PostInputMessage(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                                       reinterpret_cast<LPARAM>(hCancel));
            return 0;
        }
        case WM_ERASEBKGND: {
            HDC hDC = reinterpret_cast<HDC>(wParam);
            LRESULT r = SendMessageA(hWnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hWnd));
            if (r == 0) r = DefWindowProcA(hWnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hWnd));
            RECT rc{};
            GetClientRect(hWnd, &rc);
            FillRect(hDC, &rc, reinterpret_cast<HBRUSH>(r));
            return TRUE;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hWnd, &ps);
            EndPaint(hWnd, &ps);
            return 0;
        }
        case DM_GETDEFID: {
            DialogState* st = DlgState(hWnd);
            return (st && st->nDefId)
                       ? MAKELONG(static_cast<WORD>(st->nDefId), static_cast<WORD>(DC_HASDEFID))
                       : 0;
        }
        case DM_SETDEFID: {
            DialogState* st = DlgState(hWnd);
            if (st == nullptr) return FALSE;
            auto restyle = [&](UINT id, DWORD type) {
                HWND h = id ? GetDlgItem(hWnd, static_cast<int>(id)) : nullptr;
                if (!h) return;
                const DWORD t = StyleOf(h) & BS_TYPEMASK;
                if (t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON) SendMessageA(h, BM_SETSTYLE, type, TRUE);
            };
            restyle(st->nDefId, BS_PUSHBUTTON);
            st->nDefId = static_cast<UINT>(wParam);
            restyle(st->nDefId, BS_DEFPUSHBUTTON);
            return TRUE;
        }
        case WM_NEXTDLGCTL: {
            HWND hTarget = LOWORD(static_cast<DWORD_PTR>(lParam))
                               ? reinterpret_cast<HWND>(wParam)
                               : NextTabStop(hWnd, GetFocus(), wParam != 0);
            if (hTarget && !LOWORD(static_cast<DWORD_PTR>(lParam)))
                hTarget = CheckedRadioOfGroup(hWnd, hTarget);
            if (hTarget && IsWindow(hTarget)) FocusControl(hTarget);
            return 0;
        }
        case WM_SETFOCUS: {
            if (HWND hFirst = FirstTabStop(hWnd)) FocusControl(hFirst);
            return 0;
        }
        case WM_MOUSEWHEEL: {
            // The wheel over a dialog scrolls its vertical scroll bar control, when it has one.
            for (HWND c : ChildrenOf(hWnd)) {
                char cls[16] = {};
                GetClassNameA(c, cls, sizeof cls);
                const DWORD s = StyleOf(c);
                if (std::strcmp(cls, "ScrollBar") == 0 && (s & SBS_VERT) && (s & WS_VISIBLE) &&
                    !(s & WS_DISABLED))
                    return SendMessageA(c, message, wParam, lParam);
            }
            return DefWindowProcA(hWnd, message, wParam, lParam);
        }
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
            return 0;
        default:
            return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg) {
    if (lpMsg == nullptr || hDlg == nullptr || !IsWindow(hDlg)) return FALSE;
    if (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)) return FALSE;
    if (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_CHAR) return FALSE;
    HWND hCtl = lpMsg->hwnd;
    const UINT code = hCtl != hDlg ? static_cast<UINT>(SendMessageA(hCtl, WM_GETDLGCODE, lpMsg->wParam,
                                                                    reinterpret_cast<LPARAM>(lpMsg)))
                                   : 0;
    const int vk = static_cast<int>(lpMsg->wParam);
    if (lpMsg->message == WM_CHAR) {
        // The characters of the dialog keys are not typed into controls that do not ask for them.
        const bool bDialogChar = vk == '\r' || vk == '\t' || vk == VK_ESCAPE;
        return bDialogChar && !(code & DLGC_WANTALLKEYS) ? TRUE : FALSE;
    }
    switch (vk) {
        case VK_TAB: {
            if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return FALSE;
            const bool bShift = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
            SendMessageA(hDlg, WM_NEXTDLGCTL, bShift ? 1 : 0, 0);
            return TRUE;
        }
        case VK_RETURN: {
            if (code & DLGC_WANTALLKEYS) return FALSE;
            UINT id = IDOK;
            if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
                id = static_cast<UINT>(GetDlgCtrlID(hCtl));
            } else {
                const DWORD def = static_cast<DWORD>(SendMessageA(hDlg, DM_GETDEFID, 0, 0));
                if (HIWORD(def) == DC_HASDEFID) id = LOWORD(def);
            }
            HWND hButton = GetDlgItem(hDlg, static_cast<int>(id));
            if (hButton && !IsWindowEnabled(hButton)) return TRUE;
            SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                         reinterpret_cast<LPARAM>(hButton));
            return TRUE;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            // The arrows move within the control's group; a radio button reached so is chosen.
            if (code & (DLGC_WANTARROWS | DLGC_WANTALLKEYS)) return FALSE;
            HWND hNext = NextGroupItem(hDlg, hCtl, vk == VK_LEFT || vk == VK_UP);
            if (hNext == nullptr) return TRUE;
            FocusControl(hNext);
            const DWORD type = StyleOf(hNext) & BS_TYPEMASK;
            if ((SendMessageA(hNext, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) && type == BS_AUTORADIOBUTTON)
                SendMessageA(hNext, BM_CLICK, 0, 0);
            return TRUE;
        }
        case VK_ESCAPE: {
            if (code & DLGC_WANTALLKEYS) return FALSE;
            HWND hCancel = GetDlgItem(hDlg, IDCANCEL);
            if (hCancel && !IsWindowEnabled(hCancel)) return TRUE;
            SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(hCancel));
            return TRUE;
        }
        default:
            return FALSE;
    }
}

// ---- CDialog ----
IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    // Destroyed here, while the object is still a CDialog, so that the last messages reach its map.
    if (m_hWnd != nullptr && CWnd::FromHandlePermanent(m_hWnd) == this) DestroyWindow();
}

HWND CDialog::OwnerFor(CWnd* pParentWnd) const {
    CWnd* pParent = pParentWnd;
    if (pParent == nullptr || pParent->GetSafeHwnd() == nullptr) pParent = AfxGetMainWnd();
    if (pParent == nullptr || pParent == this || pParent->GetSafeHwnd() == nullptr) return nullptr;
    return pParent->GetSafeHwnd();
}

BOOL CDialog::CreateFromTemplate(const CDialogTemplate& tmpl, HWND hWndParent) {
    AfxEnsureControlClasses();
    const SIZE base = AfxDialogBaseUnits(tmpl);
    DWORD dwStyle = tmpl.dwStyle & ~WS_VISIBLE;
    DWORD dwExStyle = tmpl.dwExStyle;
    if (dwStyle & DS_MODALFRAME) dwExStyle |= WS_EX_DLGMODALFRAME;
    const bool bChild = (dwStyle & WS_CHILD) != 0;
    if (bChild && hWndParent == nullptr) return FALSE;

    HMENU hMenu = nullptr;
    if (!bChild && tmpl.nMenuId != 0) hMenu = LoadMenuA(nullptr, MAKEINTRESOURCE(tmpl.nMenuId));

    winstate::WndRec probe;
    probe.dwStyle = dwStyle;
    probe.dwExStyle = dwExStyle;
    probe.hMenu = hMenu;
    const RECT in = winstate::NonClientInsets(probe);
    const int cx = MulDivRound(tmpl.cx, base.cx, 4) + in.left + in.right;
    const int cy = MulDivRound(tmpl.cy, base.cy, 8) + in.top + in.bottom;
    int x = MulDivRound(tmpl.x, base.cx, 4);
    int y = MulDivRound(tmpl.y, base.cy, 8);
    if (!bChild) {
        if (dwStyle & DS_CENTER) {
            RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            if (hWndParent) ::GetWindowRect(hWndParent, &area);
            x = area.left + (area.right - area.left - cx) / 2;
            y = area.top + (area.bottom - area.top - cy) / 2;
        } else if (hWndParent && !(dwStyle & DS_ABSALIGN)) {
            POINT o{0, 0};
            ::ClientToScreen(hWndParent, &o);
            x += o.x;
            y += o.y;
        }
    }

    m_nModalResult = -1;
    if (!CreateEx(dwExStyle, kDialogClassName, tmpl.strCaption.c_str(), dwStyle, x, y, cx, cy, hWndParent,
                  bChild ? nullptr : hMenu, nullptr)) {
        if (hMenu) DestroyMenu(hMenu);
        return FALSE;
    }
    HWND hDlg = m_hWnd;
    auto state = std::make_unique<DialogState>();
    DialogState* st = state.get();
    st->nBaseX = base.cx;
    st->nBaseY = base.cy;
    AfxSetWndExtra(hDlg, std::move(state));

    HFONT hFont = nullptr;
    if (!tmpl.strFontName.empty()) {
        st->pFont = std::make_unique<CFont>();
        const int pt = tmpl.wPointSize ? tmpl.wPointSize : 8;
        if (st->pFont->CreatePointFont(pt * 10, tmpl.strFontName.c_str())) hFont = *st->pFont;
    }
    AfxEnsureGdiHooks();
    if (hFont) SendMessageA(hDlg, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);

    for (const CDialogItemTemplate& item : tmpl.items) {
        const int ix = MulDivRound(item.x, base.cx, 4), iy = MulDivRound(item.y, base.cy, 8);
        const int icx = MulDivRound(item.cx, base.cx, 4), icy = MulDivRound(item.cy, base.cy, 8);
        HWND hCtl = CreateWindowExA(item.dwExStyle, item.strClass.c_str(), item.strText.c_str(),
                                    item.dwStyle | WS_CHILD, ix, iy, icx, icy, hDlg,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.nID)),
                                    AfxGetInstanceHandle(), nullptr);
        if (hCtl == nullptr) {
            DestroyWindow();
            return FALSE;
        }
        if (hFont) SendMessageA(hCtl, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
        const std::string cls = winstate::Lower(item.strClass.c_str());
        if (cls == "button" && (item.dwStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON && st->nDefId == 0)
            st->nDefId = item.nID;
        if (item.nImageId != 0) {
            const bool bStatic = cls == "static";
            const bool bIcon =
                bStatic ? (item.dwStyle & SS_TYPEMASK) == SS_ICON : (item.dwStyle & BS_ICON) != 0;
            if (bIcon) {
                if (const CIconResource* icon = AfxFindIconResource(item.nImageId)) {
                    SendMessageA(hCtl, bStatic ? STM_SETICON : BM_SETIMAGE,
                                 bStatic ? reinterpret_cast<WPARAM>(icon->hIcon) : IMAGE_ICON,
                                 bStatic ? 0 : reinterpret_cast<LPARAM>(icon->hIcon));
                }
            } else if (HBITMAP hbm = LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCE(item.nImageId))) {
                SendMessageA(hCtl, bStatic ? STM_SETIMAGE : BM_SETIMAGE, IMAGE_BITMAP,
                             reinterpret_cast<LPARAM>(hbm));
                AfxControlOwnsImage(hCtl);
            }
        }
    }

    HWND hFirst = FirstTabStop(hDlg);
    const LRESULT bFocus = SendMessageA(hDlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(hFirst), 0);
    if (!IsWindow(hDlg)) return FALSE;
    if (bFocus && hFirst && IsWindow(hFirst)) FocusControl(hFirst);
    if ((tmpl.dwStyle & WS_VISIBLE) && !m_bModal) ::ShowWindow(hDlg, bChild ? SW_SHOW : SW_SHOWNORMAL);
    return TRUE;
}

INT_PTR CDialog::DoModal() {
    const CDialogTemplate* tmpl = AfxFindDialogTemplate(m_nIDTemplate);
    if (tmpl == nullptr) return -1;
    return DoModalIndirect(*tmpl, OwnerFor(m_pParentWnd));
}

INT_PTR CDialog::DoModalIndirect(const CDialogTemplate& tmpl, HWND hOwner) {
    if (m_hWnd != nullptr) return -1;
    if (hOwner != nullptr && !::IsWindow(hOwner)) hOwner = nullptr;
    if (hOwner != nullptr) {
        if (CWnd* pTop = CWnd::FromHandle(hOwner)->GetTopLevelParent()) hOwner = pTop->GetSafeHwnd();
    }
    // An owner the caller disabled already (a box shown through the user agent) stays as it is.
    BOOL bEnableOwner = FALSE;
    if (hOwner != nullptr && ::IsWindowEnabled(hOwner)) {
        ::EnableWindow(hOwner, FALSE);
        bEnableOwner = TRUE;
    }
    m_bModal = TRUE;
    // Set before creation, so that an EndDialog inside OnInitDialog ends the run before the loop starts.
    m_nFlags |= WF_CONTINUEMODAL;
    if (CreateFromTemplate(tmpl, hOwner)) {
        if (m_nFlags & WF_CONTINUEMODAL) RunModalLoop(MLF_SHOWONIDLE);
        if (m_hWnd) {
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                           SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        }
    }
    m_nFlags &= ~WF_CONTINUEMODAL;
    // The owner comes back before the dialog goes, as on Windows, so that it can take the activation.
    if (bEnableOwner && ::IsWindow(hOwner)) ::EnableWindow(hOwner, TRUE);
    if (m_hWnd) DestroyWindow();
    m_bModal = FALSE;
    return m_nModalResult;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    return CreateIndirect(AfxFindDialogTemplate(nIDTemplate), pParentWnd);
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) {
    if (lpszTemplateName == nullptr || !IS_INTRESOURCE(lpszTemplateName)) return FALSE;
    return Create(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpszTemplateName)), pParentWnd);
}

BOOL CDialog::CreateIndirect(const CDialogTemplate* pTemplate, CWnd* pParentWnd) {
    if (pTemplate == nullptr || m_hWnd != nullptr) return FALSE;
    m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    const bool bChild = (pTemplate->dwStyle & WS_CHILD) != 0;
    HWND hParent = bChild ? (pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr) : OwnerFor(pParentWnd);
    return CreateFromTemplate(*pTemplate, hParent);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    return OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult) {
    if (m_bModal) {
        EndModalLoop(nResult);
        return;
    }
    m_nModalResult = nResult;
    if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
}

void CDialog::NextDlgCtrl() const {
    ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 0, 0);
}
void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
    if (pWndCtrl) ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), 1);
}
DWORD CDialog::GetDefID() const {
    return static_cast<DWORD>(::SendMessageA(m_hWnd, DM_GETDEFID, 0, 0));
}
void CDialog::MapDialogRect(LPRECT lpRect) const {
    ::MapDialogRect(m_hWnd, lpRect);
}
BOOL CDialog::IsDialogMessage(LPMSG lpMsg) {
    return ::IsDialogMessageA(m_hWnd, lpMsg);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg == nullptr || m_hWnd == nullptr) return FALSE;
    if (pMsg->message >= WM_KEYDOWN && pMsg->message <= WM_SYSCHAR) return IsDialogMessage(pMsg);
    return FALSE;
}
