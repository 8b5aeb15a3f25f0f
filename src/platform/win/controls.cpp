#include "platform/win/controls.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/win_state.h"

namespace {

DWORD StyleOf(HWND h) {
    return static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE));
}
UINT IdOf(HWND h) {
    return static_cast<UINT>(GetDlgCtrlID(h));
}
HWND ParentOf(HWND h) {
    return (StyleOf(h) & WS_CHILD) ? ::GetParent(h) : nullptr;
}

void Notify(HWND h, UINT nCode) {
    if (HWND p = ParentOf(h)) {
        SendMessageA(p, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IdOf(h)), static_cast<WORD>(nCode)),
                     reinterpret_cast<LPARAM>(h));
    }
}

std::string TextOf(HWND h) {
    const int n = GetWindowTextLengthA(h);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    GetWindowTextA(h, s.data(), n + 1);
    s.resize(std::strlen(s.c_str()));
    return s;
}

// Stores the text without any control's own WM_SETTEXT processing.
void StoreText(HWND h, const std::string& s) {
    DefWindowProcA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

// The parent's colours for a control's paint; the default answer when the parent gives no brush.
HBRUSH AskColors(HWND h, HDC hDC, UINT nMsg) {
    LRESULT r = 0;
    if (HWND p = ParentOf(h))
        r = SendMessageA(p, nMsg, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(h));
    if (r == 0) r = DefWindowProcA(h, nMsg, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(h));
    if (!IsWindowEnabled(h)) SetTextColor(hDC, GetSysColor(COLOR_GRAYTEXT));
    return reinterpret_cast<HBRUSH>(r);
}

RECT ClientOf(HWND h) {
    RECT rc{};
    GetClientRect(h, &rc);
    return rc;
}

// Copies a bitmap to rc's top-left corner (or centred in rc) through a memory context, so the copy is
// recorded with the bitmap's id.
void DrawBitmapIn(HDC hDC, HBITMAP hbm, const RECT& rc, bool bCentre) {
    BITMAP bm{};
    if (!GetObjectA(reinterpret_cast<HGDIOBJ>(hbm), sizeof bm, &bm)) return;
    HDC hMem = CreateCompatibleDC(hDC);
    HGDIOBJ hOld = SelectObject(hMem, reinterpret_cast<HGDIOBJ>(hbm));
    int x = rc.left, y = rc.top;
    if (bCentre) {
        x = rc.left + (rc.right - rc.left - bm.bmWidth) / 2;
        y = rc.top + (rc.bottom - rc.top - bm.bmHeight) / 2;
    }
    BitBlt(hDC, x, y, bm.bmWidth, bm.bmHeight, hMem, 0, 0, SRCCOPY);
    if (hOld) SelectObject(hMem, hOld);
    DeleteDC(hMem);
}

// Makes the temporary object that CWnd::FromHandle hands out for a control an object of the control's
// class, so that the usual (CEdit*)GetDlgItem(id) is a real CEdit (and clean under the sanitizers).
template <class T>
void InstallTempObject(HWND h) {
    auto p = std::make_unique<T>();
    p->m_hWnd = h;
    {
        winstate::State& s = winstate::S();
        std::lock_guard<std::mutex> lock(s.mtx);
        winstate::WndRec* r = winstate::Find(s, h);
        if (r && !r->pTemp) {
            r->pTemp = std::move(p);
            return;
        }
    }
    p->m_hWnd = nullptr;
}

template <class T>
T& StateOf(HWND h) {
    T* p = AfxGetWndExtraAs<T>(h);
    if (p == nullptr) {
        auto fresh = std::make_unique<T>();
        p = fresh.get();
        AfxSetWndExtra(h, std::move(fresh));
    }
    return *p;
}

// ---- Buttons ----
struct ButtonState : CWndExtra {
    UINT nCheck = BST_UNCHECKED;
    BOOL bPushed = FALSE;
    BOOL bFocus = FALSE;
    HANDLE hImage = nullptr;
    UINT nImageType = IMAGE_BITMAP;
    BOOL bOwnImage = FALSE;
    ~ButtonState() override {
        if (bOwnImage && hImage) DeleteObject(reinterpret_cast<HGDIOBJ>(hImage));
    }
};

UINT ButtonType(HWND h) {
    return StyleOf(h) & BS_TYPEMASK;
}
bool IsCheckType(UINT t) {
    return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE ||
           t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON;
}

// The other auto radio buttons of h's group (siblings from the group's WS_GROUP start to the next one).
std::vector<HWND> RadioGroupOf(HWND h) {
    std::vector<HWND> group;
    HWND p = ParentOf(h);
    if (!p) return group;
    std::vector<HWND> siblings;
    for (HWND c = GetWindow(p, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) siblings.push_back(c);
    auto it = std::find(siblings.begin(), siblings.end(), h);
    if (it == siblings.end()) return group;
    size_t i = static_cast<size_t>(it - siblings.begin());
    size_t first = i;
    while (first > 0 && !(StyleOf(siblings[first]) & WS_GROUP)) --first;
    for (size_t j = first; j < siblings.size(); ++j) {
        if (j > first && (StyleOf(siblings[j]) & WS_GROUP)) break;
        if (siblings[j] != h && ButtonType(siblings[j]) == BS_AUTORADIOBUTTON) group.push_back(siblings[j]);
    }
    return group;
}

void ButtonClicked(HWND h) {
    ButtonState& st = StateOf<ButtonState>(h);
    switch (ButtonType(h)) {
        case BS_AUTOCHECKBOX:
            st.nCheck = st.nCheck == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            InvalidateRect(h, nullptr, TRUE);
            break;
        case BS_AUTO3STATE:
            st.nCheck = (st.nCheck + 1) % 3;
            InvalidateRect(h, nullptr, TRUE);
            break;
        case BS_AUTORADIOBUTTON:
            for (HWND other : RadioGroupOf(h)) SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
            st.nCheck = BST_CHECKED;
            InvalidateRect(h, nullptr, TRUE);
            break;
        default:
            break;
    }
    Notify(h, BN_CLICKED);
}

void PaintButton(HWND h) {
    ButtonState& st = StateOf<ButtonState>(h);
    const DWORD style = StyleOf(h);
    const UINT type = style & BS_TYPEMASK;
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    RECT rc = ClientOf(h);
    if (type == BS_OWNERDRAW) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = IdOf(h);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (st.bPushed ? ODS_SELECTED : 0) | (st.bFocus ? ODS_FOCUS : 0) |
                        (IsWindowEnabled(h) ? 0 : ODS_DISABLED);
        dis.hwndItem = h;
        dis.hDC = hDC;
        dis.rcItem = rc;
        if (HWND p = ParentOf(h)) SendMessageA(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        EndPaint(h, &ps);
        return;
    }
    const std::string text = TextOf(h);
    if (type == BS_GROUPBOX) {
        // Only the caption's background is filled: the box encloses sibling controls.
        HBRUSH hbr = AskColors(h, hDC, WM_CTLCOLORSTATIC);
        RECT rcFrame = rc;
        rcFrame.top += 6;
        DrawEdge(hDC, &rcFrame, EDGE_SUNKEN, BF_RECT);
        if (!text.empty()) {
            RECT rcText{rc.left + 8, rc.top, rc.right - 8, rc.top + 12};
            DrawTextA(hDC, text.c_str(), -1, &rcText, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
            if (hbr) FillRect(hDC, &rcText, hbr);
            DrawTextA(hDC, text.c_str(), -1, &rcText, DT_LEFT | DT_SINGLELINE);
        }
        EndPaint(h, &ps);
        return;
    }
    const bool bPush = !IsCheckType(type) || (style & BS_PUSHLIKE);
    HBRUSH hbr = AskColors(h, hDC, bPush ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC);
    if (hbr) FillRect(hDC, &rc, hbr);
    const UINT nMulti = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    if (bPush) {
        DrawEdge(hDC, &rc, (st.bPushed || st.nCheck == BST_CHECKED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        if ((style & (BS_BITMAP | BS_ICON)) && st.hImage) {
            if (st.nImageType == IMAGE_BITMAP) {
                DrawBitmapIn(hDC, reinterpret_cast<HBITMAP>(st.hImage), rc, true);
            } else {
                DrawIcon(hDC, rc.left, rc.top, reinterpret_cast<HICON>(st.hImage));
            }
        } else if (!text.empty()) {
            DrawTextA(hDC, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | nMulti);
        }
    } else {
        const int box = 13;
        const bool bLeftText = (style & BS_LEFTTEXT) != 0;
        const int top = rc.top + (rc.bottom - rc.top - box) / 2;
        RECT rcBox = bLeftText ? RECT{rc.right - box, top, rc.right, top + box}
                               : RECT{rc.left, top, rc.left + box, top + box};
        RECT rcText = bLeftText ? RECT{rc.left, rc.top, rc.right - box - 4, rc.bottom}
                                : RECT{rc.left + box + 4, rc.top, rc.right, rc.bottom};
        HGDIOBJ hOld = SelectObject(hDC, GetStockObject(WHITE_BRUSH));
        const bool bRadio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        if (bRadio) {
            Ellipse(hDC, rcBox.left, rcBox.top, rcBox.right, rcBox.bottom);
        } else {
            Rectangle(hDC, rcBox.left, rcBox.top, rcBox.right, rcBox.bottom);
        }
        if (st.nCheck != BST_UNCHECKED) {
            SelectObject(hDC, GetStockObject(st.nCheck == BST_CHECKED ? BLACK_BRUSH : GRAY_BRUSH));
            if (bRadio) {
                Ellipse(hDC, rcBox.left + 3, rcBox.top + 3, rcBox.right - 3, rcBox.bottom - 3);
            } else {
                Rectangle(hDC, rcBox.left + 3, rcBox.top + 3, rcBox.right - 3, rcBox.bottom - 3);
            }
        }
        if (hOld) SelectObject(hDC, hOld);
        if (!text.empty())
            DrawTextA(hDC, text.c_str(), -1, &rcText, (bLeftText ? DT_RIGHT : DT_LEFT) | DT_VCENTER | nMulti);
    }
    EndPaint(h, &ps);
}

LRESULT ButtonProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CButton>(h);
    ButtonState& st = StateOf<ButtonState>(h);
    const UINT type = ButtonType(h);
    switch (msg) {
        case WM_GETDLGCODE:
            if (type == BS_GROUPBOX) return DLGC_STATIC;
            if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) return DLGC_BUTTON | DLGC_RADIOBUTTON;
            if (IsCheckType(type)) return DLGC_BUTTON;
            return DLGC_BUTTON | (type == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case WM_NCHITTEST:
            return type == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (type == BS_GROUPBOX) return 0;
            SetFocus(h);
            st.bPushed = TRUE;
            SetCapture(h);
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_LBUTTONUP: {
            if (!st.bPushed) return 0;
            st.bPushed = FALSE;
            if (GetCapture() == h) ReleaseCapture();
            InvalidateRect(h, nullptr, TRUE);
            RECT rc = ClientOf(h);
            POINT pt{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                     static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
            if (PtInRect(&rc, pt)) ButtonClicked(h);
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == static_cast<WPARAM>(VK_SPACE) && type != BS_GROUPBOX) st.bPushed = TRUE;
            return 0;
        case WM_KEYUP:
            if (wParam == static_cast<WPARAM>(VK_SPACE) && st.bPushed) {
                st.bPushed = FALSE;
                ButtonClicked(h);
            }
            return 0;
        case BM_CLICK: {
            RECT rc = ClientOf(h);
            const LPARAM pt = MAKELPARAM(static_cast<WORD>(rc.right / 2), static_cast<WORD>(rc.bottom / 2));
            SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, pt);
            SendMessageA(h, WM_LBUTTONUP, 0, pt);
            return 0;
        }
        case BM_GETCHECK:
            return IsCheckType(type) ? st.nCheck : BST_UNCHECKED;
        case BM_SETCHECK:
            if (IsCheckType(type) || (StyleOf(h) & BS_PUSHLIKE)) {
                const UINT n =
                    static_cast<UINT>(wParam) > BST_INDETERMINATE ? BST_CHECKED : static_cast<UINT>(wParam);
                if (n != st.nCheck) InvalidateRect(h, nullptr, TRUE);
                st.nCheck = n;
            }
            return 0;
        case BM_GETSTATE:
            return st.nCheck | (st.bPushed ? BST_PUSHED : 0) | (st.bFocus ? BST_FOCUS : 0);
        case BM_SETSTATE:
            st.bPushed = wParam ? TRUE : FALSE;
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case BM_SETSTYLE: {
            const DWORD style =
                (StyleOf(h) & ~static_cast<DWORD>(0xFFFF)) | (static_cast<DWORD>(wParam) & 0xFFFF);
            SetWindowLongPtrA(h, GWL_STYLE, static_cast<LONG_PTR>(style));
            if (lParam) InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        case BM_SETIMAGE: {
            HANDLE prev = st.hImage;
            if (st.bOwnImage && prev) {
                DeleteObject(reinterpret_cast<HGDIOBJ>(prev));
                prev = nullptr;
            }
            st.bOwnImage = FALSE;
            st.nImageType = static_cast<UINT>(wParam);
            st.hImage = reinterpret_cast<HANDLE>(lParam);
            InvalidateRect(h, nullptr, TRUE);
            return reinterpret_cast<LRESULT>(prev);
        }
        case BM_GETIMAGE:
            return static_cast<UINT>(wParam) == st.nImageType ? reinterpret_cast<LRESULT>(st.hImage) : 0;
        case WM_SETFOCUS:
            st.bFocus = TRUE;
            InvalidateRect(h, nullptr, TRUE);
            if (StyleOf(h) & BS_NOTIFY) Notify(h, BN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            st.bFocus = FALSE;
            if (st.bPushed) {
                st.bPushed = FALSE;
                if (GetCapture() == h) ReleaseCapture();
            }
            InvalidateRect(h, nullptr, TRUE);
            if (StyleOf(h) & BS_NOTIFY) Notify(h, BN_KILLFOCUS);
            return 0;
        case WM_ENABLE:
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_SETTEXT: {
            // The text it already has changes nothing on the screen.
            if (winstate::WindowTextIs(h, reinterpret_cast<LPCSTR>(lParam))) return TRUE;
            LRESULT r = DefWindowProcA(h, msg, wParam, lParam);
            InvalidateRect(h, nullptr, TRUE);
            return r;
        }
        case WM_PAINT:
            PaintButton(h);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

// ---- Statics ----
struct StaticState : CWndExtra {
    HANDLE hImage = nullptr;
    UINT nImageType = IMAGE_BITMAP;
    BOOL bOwnImage = FALSE;
    ~StaticState() override {
        if (bOwnImage && hImage) DeleteObject(reinterpret_cast<HGDIOBJ>(hImage));
    }
};

void PaintStatic(HWND h) {
    StaticState& st = StateOf<StaticState>(h);
    const DWORD style = StyleOf(h);
    const DWORD type = style & SS_TYPEMASK;
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    RECT rc = ClientOf(h);
    HBRUSH hbr = AskColors(h, hDC, WM_CTLCOLORSTATIC);
    switch (type) {
        case SS_BLACKRECT:
        case SS_GRAYRECT:
        case SS_WHITERECT: {
            const int stock = type == SS_BLACKRECT  ? BLACK_BRUSH
                              : type == SS_GRAYRECT ? GRAY_BRUSH
                                                    : WHITE_BRUSH;
            FillRect(hDC, &rc, reinterpret_cast<HBRUSH>(GetStockObject(stock)));
            break;
        }
        case SS_BLACKFRAME:
        case SS_GRAYFRAME:
        case SS_WHITEFRAME: {
            HGDIOBJ hOld = SelectObject(hDC, GetStockObject(NULL_BRUSH));
            Rectangle(hDC, rc.left, rc.top, rc.right, rc.bottom);
            if (hOld) SelectObject(hDC, hOld);
            break;
        }
        case SS_ETCHEDHORZ:
        case SS_ETCHEDVERT:
        case SS_ETCHEDFRAME:
            DrawEdge(hDC, &rc, EDGE_SUNKEN, BF_RECT);
            break;
        case SS_BITMAP:
            if (hbr) FillRect(hDC, &rc, hbr);
            if (st.hImage && st.nImageType == IMAGE_BITMAP)
                DrawBitmapIn(hDC, reinterpret_cast<HBITMAP>(st.hImage), rc, (style & SS_CENTERIMAGE) != 0);
            break;
        case SS_ICON:
            if (hbr) FillRect(hDC, &rc, hbr);
            if (st.hImage) DrawIcon(hDC, rc.left, rc.top, reinterpret_cast<HICON>(st.hImage));
            break;
        default: {
            if (hbr) FillRect(hDC, &rc, hbr);
            UINT fmt = DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS;
            if (type == SS_CENTER) fmt = DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS;
            if (type == SS_RIGHT) fmt = DT_RIGHT | DT_WORDBREAK | DT_EXPANDTABS;
            if (type == SS_LEFTNOWORDWRAP) fmt = DT_LEFT | DT_EXPANDTABS;
            if (type == SS_SIMPLE) fmt = DT_LEFT | DT_SINGLELINE;
            if (style & SS_CENTERIMAGE)
                fmt = (fmt & ~static_cast<UINT>(DT_WORDBREAK)) | DT_VCENTER | DT_SINGLELINE;
            if (style & SS_NOPREFIX) fmt |= DT_NOPREFIX;
            const std::string text = TextOf(h);
            if (!text.empty()) DrawTextA(hDC, text.c_str(), -1, &rc, fmt);
            break;
        }
    }
    if (style & SS_SUNKEN) DrawEdge(hDC, &rc, EDGE_SUNKEN, BF_RECT);
    EndPaint(h, &ps);
}

LRESULT StaticProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    // A new text or enabled state repaints the control (the text it already has changes nothing on the
    // screen); the control's own state (made with the window, at WM_NCCREATE) is not involved. The control
    // keeps its text itself: compared, stored and invalidated in one look at the window.
    if (msg == WM_SETTEXT) {
        return winstate::StoreNewTextAndInvalidate(h, reinterpret_cast<LPCSTR>(lParam));
    }
    if (msg == WM_ENABLE) {
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    if (msg == WM_NCCREATE) InstallTempObject<CStatic>(h);
    StaticState& st = StateOf<StaticState>(h);
    switch (msg) {
        case WM_NCHITTEST:
            return (StyleOf(h) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_LBUTTONUP:
            if (StyleOf(h) & SS_NOTIFY) Notify(h, STN_CLICKED);
            return 0;
        case STM_SETIMAGE:
        case STM_SETICON: {
            HANDLE prev = st.hImage;
            if (st.bOwnImage && prev) {
                DeleteObject(reinterpret_cast<HGDIOBJ>(prev));
                prev = nullptr;
            }
            st.bOwnImage = FALSE;
            st.nImageType = msg == STM_SETICON ? IMAGE_ICON : static_cast<UINT>(wParam);
            st.hImage = reinterpret_cast<HANDLE>(msg == STM_SETICON ? static_cast<LPARAM>(wParam) : lParam);
            InvalidateRect(h, nullptr, TRUE);
            return reinterpret_cast<LRESULT>(prev);
        }
        case STM_GETIMAGE:
            return static_cast<UINT>(wParam) == st.nImageType ? reinterpret_cast<LRESULT>(st.hImage) : 0;
        case STM_GETICON:
            return st.nImageType == IMAGE_ICON ? reinterpret_cast<LRESULT>(st.hImage) : 0;
        case WM_PAINT:
            PaintStatic(h);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

// ---- Edits ----
constexpr int kDefaultEditLimit = 30000;
constexpr int kLargestEditLimit = 0x7FFFFFFE;

struct EditState : CWndExtra {
    int nSelStart = 0;
    int nSelEnd = 0;
    int nLimit = kDefaultEditLimit;
    char chPassword = '\0';
    BOOL bModify = FALSE;
};

void EditChanged(HWND h, EditState& st) {
    st.bModify = TRUE;
    InvalidateRect(h, nullptr, TRUE);
    Notify(h, EN_UPDATE);
    Notify(h, EN_CHANGE);
}

// Replaces the selection with ins (cut to the limit); FALSE when nothing could change.
bool EditReplace(HWND h, EditState& st, std::string ins, bool bRefuseOverLimit) {
    std::string t = TextOf(h);
    const int len = static_cast<int>(t.size());
    const int s = std::clamp(std::min(st.nSelStart, st.nSelEnd), 0, len);
    const int e = std::clamp(std::max(st.nSelStart, st.nSelEnd), 0, len);
    const int room = st.nLimit - (len - (e - s));
    if (static_cast<int>(ins.size()) > room) {
        Notify(h, EN_MAXTEXT);
        if (bRefuseOverLimit || room <= 0) return false;
        ins.resize(static_cast<size_t>(room));
    }
    const DWORD style = StyleOf(h);
    for (char& c : ins) {
        if (style & ES_UPPERCASE) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (style & ES_LOWERCASE) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (ins.empty() && s == e) return false;
    t = t.substr(0, static_cast<size_t>(s)) + ins + t.substr(static_cast<size_t>(e));
    StoreText(h, t);
    st.nSelStart = st.nSelEnd = s + static_cast<int>(ins.size());
    return true;
}

void PaintEdit(HWND h, EditState& st) {
    const DWORD style = StyleOf(h);
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    RECT rc = ClientOf(h);
    const bool bStaticLook = (style & ES_READONLY) || !IsWindowEnabled(h);
    HBRUSH hbr = AskColors(h, hDC, bStaticLook ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    if (hbr) FillRect(hDC, &rc, hbr);
    std::string text = TextOf(h);
    if (st.chPassword) text.assign(text.size(), st.chPassword);
    UINT fmt = DT_NOPREFIX | ((style & ES_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
    if (style & ES_RIGHT) {
        fmt |= DT_RIGHT;
    } else if (style & ES_CENTER) {
        fmt |= DT_CENTER;
    }
    if (!text.empty()) DrawTextA(hDC, text.c_str(), -1, &rc, fmt);
    EndPaint(h, &ps);
}

LRESULT EditProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CEdit>(h);
    EditState& st = StateOf<EditState>(h);
    switch (msg) {
        case WM_CREATE:
            if (StyleOf(h) & ES_PASSWORD) st.chPassword = '*';
            return DefWindowProcA(h, msg, wParam, lParam);
        case WM_GETDLGCODE: {
            const DWORD style = StyleOf(h);
            UINT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
            if ((style & ES_MULTILINE) && (style & ES_WANTRETURN)) code |= DLGC_WANTALLKEYS;
            return code;
        }
        case WM_SETTEXT: {
            // The same text is still a change for the edit's owner (EN_UPDATE, EN_CHANGE, selection and
            // modify flag reset), but not for the screen.
            const bool bSame = winstate::WindowTextIs(h, reinterpret_cast<LPCSTR>(lParam)) != FALSE;
            LRESULT r = bSame ? TRUE : DefWindowProcA(h, msg, wParam, lParam);
            st.nSelStart = st.nSelEnd = 0;
            st.bModify = FALSE;
            if (!bSame) InvalidateRect(h, nullptr, TRUE);
            Notify(h, EN_UPDATE);
            Notify(h, EN_CHANGE);
            return r;
        }
        case WM_CHAR: {
            if (StyleOf(h) & ES_READONLY) return 0;
            const char c = static_cast<char>(wParam);
            if (c == static_cast<char>(VK_BACK)) {
                if (st.nSelStart == st.nSelEnd && st.nSelStart > 0) st.nSelStart -= 1;
                if (EditReplace(h, st, std::string(), false)) EditChanged(h, st);
                return 0;
            }
            if (static_cast<unsigned char>(c) < 0x20) return 0;
            // Digits-only edits refuse anything else, as on Windows (which shows a tip instead).
            if ((StyleOf(h) & ES_NUMBER) && !std::isdigit(static_cast<unsigned char>(c))) return 0;
            if (EditReplace(h, st, std::string(1, c), true)) EditChanged(h, st);
            return 0;
        }
        case WM_KEYDOWN: {
            const int len = GetWindowTextLengthA(h);
            switch (static_cast<int>(wParam)) {
                case VK_DELETE:
                    if (StyleOf(h) & ES_READONLY) return 0;
                    if (st.nSelStart == st.nSelEnd && st.nSelEnd < len) st.nSelEnd += 1;
                    if (EditReplace(h, st, std::string(), false)) EditChanged(h, st);
                    return 0;
                case VK_LEFT:
                    st.nSelStart = st.nSelEnd = std::max(0, std::min(st.nSelStart, st.nSelEnd) - 1);
                    return 0;
                case VK_RIGHT:
                    st.nSelStart = st.nSelEnd = std::min(len, std::max(st.nSelStart, st.nSelEnd) + 1);
                    return 0;
                case VK_HOME:
                    st.nSelStart = st.nSelEnd = 0;
                    return 0;
                case VK_END:
                    st.nSelStart = st.nSelEnd = len;
                    return 0;
                default:
                    return 0;
            }
        }
        case EM_SETSEL: {
            const int len = GetWindowTextLengthA(h);
            const int s = static_cast<int>(static_cast<LONG_PTR>(wParam));
            int e = static_cast<int>(lParam);
            if (s == -1) {
                st.nSelStart = st.nSelEnd;
            } else {
                if (e < 0 || e > len) e = len;
                st.nSelStart = std::clamp(s, 0, len);
                st.nSelEnd = e;
            }
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        }
        case EM_GETSEL: {
            const DWORD s = static_cast<DWORD>(std::min(st.nSelStart, st.nSelEnd));
            const DWORD e = static_cast<DWORD>(std::max(st.nSelStart, st.nSelEnd));
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = s;
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = e;
            return MAKELONG(static_cast<WORD>(std::min<DWORD>(s, 0xFFFF)),
                            static_cast<WORD>(std::min<DWORD>(e, 0xFFFF)));
        }
        case EM_REPLACESEL:
            if (EditReplace(h, st, lParam ? reinterpret_cast<LPCSTR>(lParam) : "", false)) EditChanged(h, st);
            return 0;
        case EM_LIMITTEXT: {
            const int n = static_cast<int>(wParam);
            st.nLimit = n <= 0 ? kLargestEditLimit : n;
            return 0;
        }
        case EM_GETLIMITTEXT:
            return st.nLimit;
        case EM_SETPASSWORDCHAR: {
            st.chPassword = static_cast<char>(wParam);
            DWORD style = StyleOf(h);
            style = st.chPassword ? (style | ES_PASSWORD) : (style & ~static_cast<DWORD>(ES_PASSWORD));
            SetWindowLongPtrA(h, GWL_STYLE, static_cast<LONG_PTR>(style));
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        case EM_GETPASSWORDCHAR:
            return static_cast<unsigned char>(st.chPassword);
        case EM_GETMODIFY:
            return st.bModify;
        case EM_SETMODIFY:
            st.bModify = wParam ? TRUE : FALSE;
            return 0;
        case EM_SETREADONLY: {
            DWORD style = StyleOf(h);
            style = wParam ? (style | ES_READONLY) : (style & ~static_cast<DWORD>(ES_READONLY));
            SetWindowLongPtrA(h, GWL_STYLE, static_cast<LONG_PTR>(style));
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        }
        case WM_LBUTTONDOWN:
            SetFocus(h);
            st.nSelStart = st.nSelEnd = GetWindowTextLengthA(h);
            return 0;
        case WM_SETFOCUS:
            InvalidateRect(h, nullptr, FALSE);
            Notify(h, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            InvalidateRect(h, nullptr, FALSE);
            Notify(h, EN_KILLFOCUS);
            return 0;
        case WM_ENABLE:
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_PAINT:
            PaintEdit(h, st);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

// ---- Combo boxes ----
struct ComboItem {
    std::string strText;
    DWORD_PTR nData = 0;
};

struct ComboState : CWndExtra {
    std::vector<ComboItem> items;
    int nCurSel = CB_ERR;
    BOOL bDropped = FALSE;
};

int CompareNoCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int ComboFind(const ComboState& st, int nStartAfter, LPCSTR psz, bool bExact) {
    if (psz == nullptr || st.items.empty()) return CB_ERR;
    const std::string key(psz);
    const int n = static_cast<int>(st.items.size());
    const int first = (nStartAfter < 0 || nStartAfter >= n) ? 0 : nStartAfter + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        const std::string& t = st.items[static_cast<size_t>(i)].strText;
        if (bExact ? CompareNoCase(t, key) == 0 : CompareNoCase(t.substr(0, key.size()), key) == 0) return i;
    }
    return CB_ERR;
}

void ComboSelect(HWND h, ComboState& st, int nIndex) {
    const int n = static_cast<int>(st.items.size());
    st.nCurSel = (nIndex >= 0 && nIndex < n) ? nIndex : CB_ERR;
    StoreText(h, st.nCurSel >= 0 ? st.items[static_cast<size_t>(st.nCurSel)].strText : std::string());
    InvalidateRect(h, nullptr, TRUE);
}

void ComboShowDropDown(HWND h, ComboState& st, BOOL bShow) {
    if (bShow && !st.bDropped) {
        Notify(h, CBN_DROPDOWN);
        st.bDropped = TRUE;
        InvalidateRect(h, nullptr, TRUE);
    } else if (!bShow && st.bDropped) {
        st.bDropped = FALSE;
        InvalidateRect(h, nullptr, TRUE);
        Notify(h, CBN_CLOSEUP);
    }
}

// A selection made by the user: the only way CBN_SELCHANGE is sent.
void ComboUserSelect(HWND h, ComboState& st, int nIndex) {
    if (nIndex < 0 || nIndex >= static_cast<int>(st.items.size())) return;
    const bool bChanged = nIndex != st.nCurSel;
    ComboSelect(h, st, nIndex);
    if (bChanged) Notify(h, CBN_SELCHANGE);
}

void PaintCombo(HWND h, ComboState& st) {
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    RECT rc = ClientOf(h);
    HBRUSH hbr = AskColors(h, hDC, WM_CTLCOLOREDIT);
    if (hbr) FillRect(hDC, &rc, hbr);
    const std::string text = TextOf(h);
    if (!text.empty())
        DrawTextA(hDC, text.c_str(), -1, &rc, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (st.bDropped) {
        // The dropped-down list, drawn below the field.
        HBRUSH hbrList = AskColors(h, hDC, WM_CTLCOLORLISTBOX);
        const int lineH = std::max(1, rc.bottom - rc.top);
        RECT rcList{rc.left, rc.bottom, rc.right, rc.bottom + lineH * static_cast<int>(st.items.size())};
        if (hbrList) FillRect(hDC, &rcList, hbrList);
        for (size_t i = 0; i < st.items.size(); ++i) {
            RECT r{rc.left, rcList.top + lineH * static_cast<int>(i), rc.right,
                   rcList.top + lineH * static_cast<int>(i + 1)};
            DrawTextA(hDC, st.items[i].strText.c_str(), -1, &r,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
    }
    EndPaint(h, &ps);
}

LRESULT ComboProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CComboBox>(h);
    ComboState& st = StateOf<ComboState>(h);
    const int n = static_cast<int>(st.items.size());
    const int idx = static_cast<int>(static_cast<LONG_PTR>(wParam));
    const bool bValid = idx >= 0 && idx < n;
    switch (msg) {
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            if (lParam == 0) return CB_ERR;
            ComboItem item{reinterpret_cast<LPCSTR>(lParam), 0};
            int at = n;
            if (msg == CB_INSERTSTRING) {
                if (idx > n || idx < -1) return CB_ERR;
                at = idx < 0 ? n : idx;
            } else if (StyleOf(h) & CBS_SORT) {
                at = 0;
                while (at < n && CompareNoCase(st.items[static_cast<size_t>(at)].strText, item.strText) <= 0)
                    ++at;
            }
            st.items.insert(st.items.begin() + at, item);
            if (st.nCurSel >= at) ++st.nCurSel;
            InvalidateRect(h, nullptr, TRUE);
            return at;
        }
        case CB_DELETESTRING:
            if (!bValid) return CB_ERR;
            st.items.erase(st.items.begin() + idx);
            if (st.nCurSel == idx) {
                ComboSelect(h, st, CB_ERR);
            } else if (st.nCurSel > idx) {
                --st.nCurSel;
            }
            return static_cast<LRESULT>(st.items.size());
        case CB_RESETCONTENT:
            st.items.clear();
            ComboSelect(h, st, CB_ERR);
            return CB_OKAY;
        case CB_GETCOUNT:
            return n;
        case CB_GETCURSEL:
            return st.nCurSel;
        case CB_SETCURSEL:
            ComboSelect(h, st, idx);
            return bValid ? idx : CB_ERR;
        case CB_GETLBTEXT:
            if (!bValid || lParam == 0) return CB_ERR;
            std::memcpy(reinterpret_cast<char*>(lParam), st.items[static_cast<size_t>(idx)].strText.c_str(),
                        st.items[static_cast<size_t>(idx)].strText.size() + 1);
            return static_cast<LRESULT>(st.items[static_cast<size_t>(idx)].strText.size());
        case CB_GETLBTEXTLEN:
            return bValid ? static_cast<LRESULT>(st.items[static_cast<size_t>(idx)].strText.size()) : CB_ERR;
        case CB_SETITEMDATA:
            if (!bValid) return CB_ERR;
            st.items[static_cast<size_t>(idx)].nData = static_cast<DWORD_PTR>(lParam);
            return CB_OKAY;
        case CB_GETITEMDATA:
            return bValid ? static_cast<LRESULT>(st.items[static_cast<size_t>(idx)].nData) : CB_ERR;
        case CB_FINDSTRING:
        case CB_FINDSTRINGEXACT:
            return ComboFind(st, idx, reinterpret_cast<LPCSTR>(lParam), msg == CB_FINDSTRINGEXACT);
        case CB_SELECTSTRING: {
            const int found = ComboFind(st, idx, reinterpret_cast<LPCSTR>(lParam), false);
            if (found >= 0) ComboSelect(h, st, found);
            return found;
        }
        case CB_SHOWDROPDOWN:
            ComboShowDropDown(h, st, wParam ? TRUE : FALSE);
            return TRUE;
        case CB_GETDROPPEDSTATE:
            return st.bDropped;
        case CB_LIMITTEXT:
            return TRUE;
        case WM_SETTEXT: {
            if ((StyleOf(h) & 0x3) != CBS_DROPDOWNLIST) return DefWindowProcA(h, msg, wParam, lParam);
            const int found = ComboFind(st, -1, reinterpret_cast<LPCSTR>(lParam), true);
            if (found < 0) return CB_ERR;
            ComboSelect(h, st, found);
            return TRUE;
        }
        case WM_SIM_COMBOPICK:
            if (!IsWindowEnabled(h) || !bValid) return FALSE;
            SetFocus(h);
            ComboShowDropDown(h, st, TRUE);
            ComboUserSelect(h, st, idx);
            Notify(h, CBN_SELENDOK);
            ComboShowDropDown(h, st, FALSE);
            return TRUE;
        case WM_LBUTTONDOWN:
            SetFocus(h);
            ComboShowDropDown(h, st, !st.bDropped);
            return 0;
        case WM_KEYDOWN:
            if (wParam == static_cast<WPARAM>(VK_DOWN) && st.nCurSel + 1 < n)
                ComboUserSelect(h, st, st.nCurSel + 1);
            if (wParam == static_cast<WPARAM>(VK_UP) && st.nCurSel > 0)
                ComboUserSelect(h, st, st.nCurSel - 1);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SETFOCUS:
            Notify(h, CBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            ComboShowDropDown(h, st, FALSE);
            Notify(h, CBN_KILLFOCUS);
            return 0;
        case WM_ENABLE:
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_PAINT:
            PaintCombo(h, st);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

// ---- Scroll bars ----
struct ScrollState : CWndExtra {
    int nMin = 0;
    int nMax = 100;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

int MaxScrollPos(const ScrollState& st) {
    const int page = st.nPage > 0 ? static_cast<int>(st.nPage) - 1 : 0;
    return std::max(st.nMin, st.nMax - page);
}
int ClampScrollPos(const ScrollState& st, int nPos) {
    return std::clamp(nPos, st.nMin, MaxScrollPos(st));
}

void SendScroll(HWND h, UINT nCode, int nPos) {
    HWND p = ParentOf(h);
    if (!p) return;
    const UINT msg = (StyleOf(h) & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageA(p, msg, MAKEWPARAM(static_cast<WORD>(nCode), static_cast<WORD>(nPos)),
                 reinterpret_cast<LPARAM>(h));
}

void PaintScrollBar(HWND h, const ScrollState& st) {
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    RECT rc = ClientOf(h);
    HBRUSH hbr = AskColors(h, hDC, WM_CTLCOLORSCROLLBAR);
    if (hbr) FillRect(hDC, &rc, hbr);
    const bool bVert = (StyleOf(h) & SBS_VERT) != 0;
    const int len = bVert ? rc.bottom - rc.top : rc.right - rc.left;
    const int thick = bVert ? rc.right - rc.left : rc.bottom - rc.top;
    const int track = len - 2 * thick;
    const int range = st.nMax - st.nMin + 1;
    if (track > 0 && range > 0 && IsWindowEnabled(h)) {
        const int thumb = std::max(
            8, st.nPage > 0 ? static_cast<int>(static_cast<long long>(track) * st.nPage / range) : thick);
        const int span = std::max(1, MaxScrollPos(st) - st.nMin);
        const int at =
            thick + static_cast<int>(static_cast<long long>(track - thumb) * (st.nPos - st.nMin) / span);
        HGDIOBJ hOld = SelectObject(hDC, GetSysColorBrush(COLOR_BTNFACE));
        if (bVert) {
            Rectangle(hDC, rc.left, at, rc.right, at + thumb);
        } else {
            Rectangle(hDC, at, rc.top, at + thumb, rc.bottom);
        }
        if (hOld) SelectObject(hDC, hOld);
    }
    EndPaint(h, &ps);
}

LRESULT ScrollBarProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CScrollBar>(h);
    ScrollState& st = StateOf<ScrollState>(h);
    switch (msg) {
        case SBM_SETPOS: {
            const int prev = st.nPos;
            st.nPos = ClampScrollPos(st, static_cast<int>(static_cast<LONG_PTR>(wParam)));
            if (lParam && st.nPos != prev) InvalidateRect(h, nullptr, TRUE);
            return prev;
        }
        case SBM_GETPOS:
            return st.nPos;
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW: {
            const int prev = st.nPos;
            st.nMin = static_cast<int>(static_cast<LONG_PTR>(wParam));
            st.nMax = static_cast<int>(lParam);
            if (st.nMax < st.nMin) std::swap(st.nMin, st.nMax);
            st.nPos = ClampScrollPos(st, st.nPos);
            if (msg == SBM_SETRANGEREDRAW) InvalidateRect(h, nullptr, TRUE);
            return prev;
        }
        case SBM_GETRANGE:
            if (wParam) *reinterpret_cast<int*>(wParam) = st.nMin;
            if (lParam) *reinterpret_cast<int*>(lParam) = st.nMax;
            return 0;
        case SBM_SETSCROLLINFO: {
            const SCROLLINFO* si = reinterpret_cast<const SCROLLINFO*>(lParam);
            if (si == nullptr) return st.nPos;
            if (si->fMask & SIF_RANGE) {
                st.nMin = si->nMin;
                st.nMax = std::max(si->nMin, si->nMax);
            }
            if (si->fMask & SIF_PAGE) {
                const long long span = static_cast<long long>(st.nMax) - st.nMin + 1;
                st.nPage = static_cast<UINT>(std::min<long long>(si->nPage, span));
            }
            if (si->fMask & SIF_POS) st.nPos = si->nPos;
            st.nPos = ClampScrollPos(st, st.nPos);
            if (wParam) InvalidateRect(h, nullptr, TRUE);
            return st.nPos;
        }
        case SBM_GETSCROLLINFO: {
            SCROLLINFO* si = reinterpret_cast<SCROLLINFO*>(lParam);
            if (si == nullptr) return FALSE;
            if (si->fMask & SIF_RANGE) {
                si->nMin = st.nMin;
                si->nMax = st.nMax;
            }
            if (si->fMask & SIF_PAGE) si->nPage = st.nPage;
            if (si->fMask & SIF_POS) si->nPos = st.nPos;
            if (si->fMask & SIF_TRACKPOS) si->nTrackPos = st.nTrackPos;
            return TRUE;
        }
        case WM_SIM_SCROLL:
            if (!IsWindowEnabled(h)) return FALSE;
            SendScroll(h, static_cast<UINT>(wParam), st.nPos);
            SendScroll(h, SB_ENDSCROLL, st.nPos);
            return TRUE;
        case WM_SIM_THUMBDRAG: {
            if (!IsWindowEnabled(h)) return FALSE;
            // The thumb cannot be dragged outside the range.
            const int pos = ClampScrollPos(st, static_cast<int>(static_cast<LONG_PTR>(wParam)));
            st.nTrackPos = pos;
            SendScroll(h, SB_THUMBTRACK, pos);
            SendScroll(h, SB_THUMBPOSITION, pos);
            SendScroll(h, SB_ENDSCROLL, pos);
            return TRUE;
        }
        case WM_ENABLE:
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_PAINT:
            PaintScrollBar(h, st);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

// ---- Up-down controls ----
struct UpDownState : CWndExtra {
    int nLower = 100;  // the Windows default range: 100 down to 0
    int nUpper = 0;
    int nPos = 0;
    int nBase = 10;
    HWND hBuddy = nullptr;
    BOOL bPressed = FALSE;
};

int ClampUpDown(const UpDownState& st, int nPos) {
    return std::clamp(nPos, std::min(st.nLower, st.nUpper), std::max(st.nLower, st.nUpper));
}

void UpDownBuddyText(const UpDownState& st, HWND h) {
    if (!st.hBuddy || !(StyleOf(h) & UDS_SETBUDDYINT)) return;
    char buf[32];
    std::snprintf(buf, sizeof buf, st.nBase == 16 ? "0x%X" : "%d", st.nPos);
    SetWindowTextA(st.hBuddy, buf);
}

void UpDownSendScroll(HWND h, UINT nCode, int nPos) {
    HWND p = ParentOf(h);
    if (!p) return;
    const UINT msg = (StyleOf(h) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
    SendMessageA(p, msg, MAKEWPARAM(static_cast<WORD>(nCode), static_cast<WORD>(nPos)),
                 reinterpret_cast<LPARAM>(h));
}

void UpDownStep(HWND h, UpDownState& st, bool bUp) {
    const int toward = st.nUpper >= st.nLower ? 1 : -1;  // "up" moves toward the upper end
    NMUPDOWN nm{};
    nm.hdr.hwndFrom = h;
    nm.hdr.idFrom = IdOf(h);
    nm.hdr.code = static_cast<UINT>(UDN_DELTAPOS);
    nm.iPos = st.nPos;
    nm.iDelta = bUp ? toward : -toward;
    HWND p = ParentOf(h);
    if (p && SendMessageA(p, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm)) != 0) return;
    long long next = static_cast<long long>(st.nPos) + nm.iDelta;
    const int lo = std::min(st.nLower, st.nUpper), hi = std::max(st.nLower, st.nUpper);
    if (StyleOf(h) & UDS_WRAP) {
        if (next > hi) next = lo;
        if (next < lo) next = hi;
    }
    st.nPos = static_cast<int>(std::clamp<long long>(next, lo, hi));
    UpDownBuddyText(st, h);
    UpDownSendScroll(h, SB_THUMBPOSITION, st.nPos);
}

LRESULT UpDownProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CSpinButtonCtrl>(h);
    UpDownState& st = StateOf<UpDownState>(h);
    switch (msg) {
        case UDM_SETRANGE:
            st.nUpper = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
            st.nLower = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
            return 0;
        case UDM_GETRANGE:
            return MAKELONG(static_cast<WORD>(st.nUpper), static_cast<WORD>(st.nLower));
        case UDM_SETRANGE32:
            st.nLower = static_cast<int>(static_cast<LONG_PTR>(wParam));
            st.nUpper = static_cast<int>(lParam);
            return 0;
        case UDM_GETRANGE32:
            if (wParam) *reinterpret_cast<int*>(wParam) = st.nLower;
            if (lParam) *reinterpret_cast<int*>(lParam) = st.nUpper;
            return 0;
        case UDM_SETPOS:
        case UDM_SETPOS32: {
            const int prev = st.nPos;
            const int v = msg == UDM_SETPOS ? static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)))
                                            : static_cast<int>(lParam);
            st.nPos = ClampUpDown(st, v);
            UpDownBuddyText(st, h);
            return prev;
        }
        case UDM_GETPOS:
            return MAKELONG(static_cast<WORD>(st.nPos), 0);
        case UDM_GETPOS32:
            if (lParam) *reinterpret_cast<BOOL*>(lParam) = FALSE;
            return st.nPos;
        case UDM_SETBASE: {
            const int b = static_cast<int>(wParam);
            if (b != 10 && b != 16) return 0;
            return std::exchange(st.nBase, b);
        }
        case UDM_GETBASE:
            return st.nBase;
        case UDM_SETBUDDY:
            return reinterpret_cast<LRESULT>(std::exchange(st.hBuddy, reinterpret_cast<HWND>(wParam)));
        case UDM_GETBUDDY:
            return reinterpret_cast<LRESULT>(st.hBuddy);
        case WM_LBUTTONDOWN: {
            if (!IsWindowEnabled(h)) return 0;
            RECT rc = ClientOf(h);
            const int x = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
            const int y = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
            const bool bUp =
                (StyleOf(h) & UDS_HORZ) ? x >= (rc.right - rc.left) / 2 : y < (rc.bottom - rc.top) / 2;
            st.bPressed = TRUE;
            SetCapture(h);
            UpDownStep(h, st, bUp);
            return 0;
        }
        case WM_LBUTTONUP:
            if (!st.bPressed) return 0;
            st.bPressed = FALSE;
            if (GetCapture() == h) ReleaseCapture();
            UpDownSendScroll(h, SB_ENDSCROLL, st.nPos);
            return 0;
        case WM_KEYDOWN:
            if ((StyleOf(h) & UDS_ARROWKEYS) &&
                (wParam == static_cast<WPARAM>(VK_UP) || wParam == static_cast<WPARAM>(VK_DOWN))) {
                UpDownStep(h, st, wParam == static_cast<WPARAM>(VK_UP));
                UpDownSendScroll(h, SB_ENDSCROLL, st.nPos);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hDC = BeginPaint(h, &ps);
            RECT rc = ClientOf(h);
            HGDIOBJ hOld = SelectObject(hDC, GetSysColorBrush(COLOR_BTNFACE));
            if (StyleOf(h) & UDS_HORZ) {
                const int mid = (rc.left + rc.right) / 2;
                Rectangle(hDC, rc.left, rc.top, mid, rc.bottom);
                Rectangle(hDC, mid, rc.top, rc.right, rc.bottom);
            } else {
                const int mid = (rc.top + rc.bottom) / 2;
                Rectangle(hDC, rc.left, rc.top, rc.right, mid);
                Rectangle(hDC, rc.left, mid, rc.right, rc.bottom);
            }
            if (hOld) SelectObject(hDC, hOld);
            EndPaint(h, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

// ---- Tab controls ----
struct TabItem {
    std::string strText;
    int iImage = -1;
    LPARAM lParam = 0;
    DWORD dwState = 0;
};

struct TabState : CWndExtra {
    std::vector<TabItem> items;
    int nCurSel = -1;
};

RECT TabRect(const TabState& st, int i) {
    int left = 0;
    for (int k = 0; k < i; ++k)
        left +=
            kTabPadding + kTabCharWidth * static_cast<int>(st.items[static_cast<size_t>(k)].strText.size());
    const int w =
        kTabPadding + kTabCharWidth * static_cast<int>(st.items[static_cast<size_t>(i)].strText.size());
    return RECT{left, 0, left + w, kTabHeight};
}

int TabHit(const TabState& st, POINT pt) {
    for (int i = 0; i < static_cast<int>(st.items.size()); ++i) {
        RECT r = TabRect(st, i);
        if (PtInRect(&r, pt)) return i;
    }
    return -1;
}

void TabCopyItem(TabItem& dst, const TCITEMA& src) {
    if (src.mask & TCIF_TEXT) dst.strText = src.pszText ? src.pszText : "";
    if (src.mask & TCIF_IMAGE) dst.iImage = src.iImage;
    if (src.mask & TCIF_PARAM) dst.lParam = src.lParam;
    if (src.mask & TCIF_STATE)
        dst.dwState = (dst.dwState & ~src.dwStateMask) | (src.dwState & src.dwStateMask);
}

LRESULT TabProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CTabCtrl>(h);
    TabState& st = StateOf<TabState>(h);
    const int n = static_cast<int>(st.items.size());
    const int idx = static_cast<int>(static_cast<LONG_PTR>(wParam));
    const bool bValid = idx >= 0 && idx < n;
    switch (msg) {
        case TCM_INSERTITEMA: {
            const TCITEMA* item = reinterpret_cast<const TCITEMA*>(lParam);
            if (item == nullptr || idx < 0) return -1;
            {
                winstate::State& ws = winstate::S();
                std::lock_guard<std::mutex> lock(ws.mtx);
                if (ws.nFailTabInsertAt == idx) return -1;
            }
            const int at = std::min(idx, n);
            TabItem t;
            TabCopyItem(t, *item);
            st.items.insert(st.items.begin() + at, t);
            if (st.nCurSel < 0) {
                st.nCurSel = 0;  // the first tab becomes the current one
            } else if (st.nCurSel >= at) {
                ++st.nCurSel;
            }
            InvalidateRect(h, nullptr, TRUE);
            return at;
        }
        case TCM_GETITEMA: {
            TCITEMA* item = reinterpret_cast<TCITEMA*>(lParam);
            if (item == nullptr || !bValid) return FALSE;
            const TabItem& t = st.items[static_cast<size_t>(idx)];
            if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
                const size_t k = std::min(t.strText.size(), static_cast<size_t>(item->cchTextMax - 1));
                std::memcpy(item->pszText, t.strText.data(), k);
                item->pszText[k] = '\0';
            }
            if (item->mask & TCIF_IMAGE) item->iImage = t.iImage;
            if (item->mask & TCIF_PARAM) item->lParam = t.lParam;
            if (item->mask & TCIF_STATE) item->dwState = t.dwState & item->dwStateMask;
            return TRUE;
        }
        case TCM_SETITEMA: {
            const TCITEMA* item = reinterpret_cast<const TCITEMA*>(lParam);
            if (item == nullptr || !bValid) return FALSE;
            TabCopyItem(st.items[static_cast<size_t>(idx)], *item);
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        }
        case TCM_DELETEITEM:
            if (!bValid) return FALSE;
            st.items.erase(st.items.begin() + idx);
            if (st.nCurSel == idx) {
                st.nCurSel = -1;
            } else if (st.nCurSel > idx) {
                --st.nCurSel;
            }
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        case TCM_DELETEALLITEMS:
            st.items.clear();
            st.nCurSel = -1;
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        case TCM_GETITEMCOUNT:
            return n;
        case TCM_GETCURSEL:
        case TCM_GETCURFOCUS:
            return st.nCurSel;
        case TCM_SETCURSEL:
        case TCM_SETCURFOCUS: {
            if (!bValid) return -1;
            const int prev = st.nCurSel;
            st.nCurSel = idx;
            InvalidateRect(h, nullptr, TRUE);
            return prev;
        }
        case TCM_GETITEMRECT:
            if (!bValid || lParam == 0) return FALSE;
            *reinterpret_cast<RECT*>(lParam) = TabRect(st, idx);
            return TRUE;
        case TCM_HITTEST: {
            TCHITTESTINFO* hti = reinterpret_cast<TCHITTESTINFO*>(lParam);
            if (hti == nullptr) return -1;
            const int hit = TabHit(st, hti->pt);
            hti->flags = hit < 0 ? TCHT_NOWHERE : TCHT_ONITEM;
            return hit;
        }
        case TCM_ADJUSTRECT: {
            RECT* rc = reinterpret_cast<RECT*>(lParam);
            if (rc == nullptr) return 0;
            const int d = wParam ? -1 : 1;
            rc->left += 2 * d;
            rc->right -= 2 * d;
            rc->top += (kTabHeight + 2) * d;
            rc->bottom -= 2 * d;
            return 0;
        }
        case WM_LBUTTONDOWN: {
            if (!IsWindowEnabled(h)) return 0;
            POINT pt{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                     static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
            const int hit = TabHit(st, pt);
            if (!(StyleOf(h) & TCS_FOCUSNEVER)) SetFocus(h);
            if (hit < 0 || hit == st.nCurSel) return 0;
            NMHDR nm{h, IdOf(h), static_cast<UINT>(TCN_SELCHANGING)};
            HWND p = ParentOf(h);
            if (p && SendMessageA(p, WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm)) != 0) return 0;
            st.nCurSel = hit;
            InvalidateRect(h, nullptr, TRUE);
            nm.code = static_cast<UINT>(TCN_SELCHANGE);
            if (p) SendMessageA(p, WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hDC = BeginPaint(h, &ps);
            RECT rc = ClientOf(h);
            FillRect(hDC, &rc, GetSysColorBrush(COLOR_BTNFACE));
            for (int i = 0; i < n; ++i) {
                RECT r = TabRect(st, i);
                HGDIOBJ hOld =
                    SelectObject(hDC, GetSysColorBrush(i == st.nCurSel ? COLOR_WINDOW : COLOR_BTNFACE));
                Rectangle(hDC, r.left, r.top, r.right, r.bottom);
                if (hOld) SelectObject(hDC, hOld);
                SetBkMode(hDC, TRANSPARENT);
                DrawTextA(hDC, st.items[static_cast<size_t>(i)].strText.c_str(), -1, &r,
                          DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            }
            EndPaint(h, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

// Temporary CScrollBar objects for scroll bars without a permanent object, dropped with the window.
struct TempScrollBars {
    std::mutex mtx;
    std::unordered_map<HWND, std::unique_ptr<CScrollBar>> map;
};
TempScrollBars& Temps() {
    static TempScrollBars* t = new TempScrollBars;
    return *t;
}

void ControlWindowGone(HWND hWnd) {
    std::unique_ptr<CScrollBar> p;
    {
        std::lock_guard<std::mutex> lock(Temps().mtx);
        auto it = Temps().map.find(hWnd);
        if (it == Temps().map.end()) return;
        p = std::move(it->second);
        Temps().map.erase(it);
    }
    p->m_hWnd = nullptr;
}

void RegisterOne(LPCSTR name, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS | CS_PARENTDC;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    AfxRegisterSystemClass(&wc);
}

[[maybe_unused]] const bool g_bClassesAtStart = (AfxEnsureControlClasses(), true);

}  // namespace

void AfxEnsureControlClasses() {
    static const bool done = [] {
        RegisterOne("Button", &ButtonProc);
        RegisterOne("Static", &StaticProc);
        RegisterOne("Edit", &EditProc);
        RegisterOne("ComboBox", &ComboProc);
        RegisterOne("ScrollBar", &ScrollBarProc);
        RegisterOne("msctls_updown32", &UpDownProc);
        RegisterOne("SysTabControl32", &TabProc);
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS | CS_SAVEBITS;
        wc.lpfnWndProc = &AfxDefDlgProc;
        wc.lpszClassName = kDialogClassName;
        AfxRegisterSystemClass(&wc);
        AfxAddWindowDestroyHook(&ControlWindowGone);
        AfxEnsureGdiHooks();
        return true;
    }();
    (void)done;
}

void AfxControlOwnsImage(HWND hCtl) {
    if (ButtonState* b = AfxGetWndExtraAs<ButtonState>(hCtl)) b->bOwnImage = b->hImage != nullptr;
    if (StaticState* st = AfxGetWndExtraAs<StaticState>(hCtl)) st->bOwnImage = st->hImage != nullptr;
}

CScrollBar* AfxScrollBarFromHandle(HWND hWnd) {
    if (hWnd == nullptr || !IsWindow(hWnd)) return nullptr;
    if (CScrollBar* p = dynamic_cast<CScrollBar*>(CWnd::FromHandle(hWnd))) return p;
    std::lock_guard<std::mutex> lock(Temps().mtx);
    auto& p = Temps().map[hWnd];
    if (!p) {
        p = std::make_unique<CScrollBar>();
        p->m_hWnd = hWnd;
    }
    return p.get();
}

// ---- Scroll functions on handles ----
namespace {
bool IsScrollCtl(HWND h, int nBar) {
    return nBar == SB_CTL && IsWindow(h);
}
}  // namespace

int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw) {
    if (!IsScrollCtl(hWnd, nBar)) return 0;
    return static_cast<int>(SendMessageA(hWnd, SBM_SETPOS, static_cast<WPARAM>(nPos), bRedraw));
}
int GetScrollPos(HWND hWnd, int nBar) {
    return IsScrollCtl(hWnd, nBar) ? static_cast<int>(SendMessageA(hWnd, SBM_GETPOS, 0, 0)) : 0;
}
BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) {
    if (!IsScrollCtl(hWnd, nBar)) return FALSE;
    SendMessageA(hWnd, bRedraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, static_cast<WPARAM>(nMinPos), nMaxPos);
    return TRUE;
}
BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos) {
    if (!IsScrollCtl(hWnd, nBar)) return FALSE;
    SendMessageA(hWnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(lpMinPos), reinterpret_cast<LPARAM>(lpMaxPos));
    return TRUE;
}
int SetScrollInfo(HWND hWnd, int nBar, LPCSCROLLINFO lpsi, BOOL bRedraw) {
    if (!IsScrollCtl(hWnd, nBar)) return 0;
    return static_cast<int>(SendMessageA(hWnd, SBM_SETSCROLLINFO, bRedraw, reinterpret_cast<LPARAM>(lpsi)));
}
BOOL GetScrollInfo(HWND hWnd, int nBar, LPSCROLLINFO lpsi) {
    if (!IsScrollCtl(hWnd, nBar)) return FALSE;
    return static_cast<BOOL>(SendMessageA(hWnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(lpsi)));
}
BOOL ShowScrollBar(HWND hWnd, int wBar, BOOL bShow) {
    if (!IsScrollCtl(hWnd, wBar)) return FALSE;
    ShowWindow(hWnd, bShow ? SW_SHOW : SW_HIDE);
    return TRUE;
}

// ---- Wrappers ----
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)
IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CScrollBar)
IMPLEMENT_DYNAMIC(CTabCtrl, CWnd)

namespace {

BOOL CreateControl(CWnd& w, LPCSTR cls, LPCTSTR text, DWORD dwStyle, const RECT& rect, CWnd* pParent,
                   UINT nID) {
    AfxEnsureControlClasses();
    return w.CWnd::Create(cls, text, dwStyle, rect, pParent, nID);
}

}  // namespace

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "Static", lpszText, dwStyle, rect, pParentWnd, nID);
}
HBITMAP CStatic::SetBitmap(HBITMAP hBitmap) {
    return reinterpret_cast<HBITMAP>(
        SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
}
HBITMAP CStatic::GetBitmap() const {
    return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0));
}
HICON CStatic::SetIcon(HICON hIcon) {
    return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0));
}
HICON CStatic::GetIcon() const {
    return reinterpret_cast<HICON>(SendMessage(STM_GETICON, 0, 0));
}

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "Button", lpszCaption, dwStyle, rect, pParentWnd, nID);
}
int CButton::GetCheck() const {
    return static_cast<int>(SendMessage(BM_GETCHECK, 0, 0));
}
void CButton::SetCheck(int nCheck) {
    SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck), 0);
}
UINT CButton::GetState() const {
    return static_cast<UINT>(SendMessage(BM_GETSTATE, 0, 0));
}
void CButton::SetState(BOOL bHighlight) {
    SendMessage(BM_SETSTATE, static_cast<WPARAM>(bHighlight), 0);
}
UINT CButton::GetButtonStyle() const {
    return GetStyle() & 0xFFFF;
}
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw) {
    SendMessage(BM_SETSTYLE, nStyle, bRedraw);
}
HBITMAP CButton::SetBitmap(HBITMAP hBitmap) {
    return reinterpret_cast<HBITMAP>(
        SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
}
HBITMAP CButton::GetBitmap() const {
    return reinterpret_cast<HBITMAP>(SendMessage(BM_GETIMAGE, IMAGE_BITMAP, 0));
}
HICON CButton::SetIcon(HICON hIcon) {
    return reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(hIcon)));
}
void CButton::Click() {
    SendMessage(BM_CLICK, 0, 0);
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "Edit", nullptr, dwStyle, rect, pParentWnd, nID);
}
void CEdit::SetSel(int nStartChar, int nEndChar, BOOL) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), nEndChar);
}
void CEdit::SetSel(DWORD dwSelection, BOOL bNoScroll) {
    SetSel(static_cast<SHORT>(LOWORD(dwSelection)), static_cast<SHORT>(HIWORD(dwSelection)), bNoScroll);
}
DWORD CEdit::GetSel() const {
    return static_cast<DWORD>(SendMessage(EM_GETSEL, 0, 0));
}
void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
    DWORD s = 0, e = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    nStartChar = static_cast<int>(s);
    nEndChar = static_cast<int>(e);
}
void CEdit::ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo) {
    SendMessage(EM_REPLACESEL, static_cast<WPARAM>(bCanUndo), reinterpret_cast<LPARAM>(lpszNewText));
}
void CEdit::LimitText(int nChars) {
    SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
}
void CEdit::SetLimitText(UINT nMax) {
    SendMessage(EM_LIMITTEXT, nMax, 0);
}
UINT CEdit::GetLimitText() const {
    return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT, 0, 0));
}
void CEdit::SetPasswordChar(TCHAR ch) {
    SendMessage(EM_SETPASSWORDCHAR, static_cast<unsigned char>(ch), 0);
}
TCHAR CEdit::GetPasswordChar() const {
    return static_cast<TCHAR>(SendMessage(EM_GETPASSWORDCHAR, 0, 0));
}
BOOL CEdit::GetModify() const {
    return static_cast<BOOL>(SendMessage(EM_GETMODIFY, 0, 0));
}
void CEdit::SetModify(BOOL bModified) {
    SendMessage(EM_SETMODIFY, static_cast<WPARAM>(bModified), 0);
}
BOOL CEdit::SetReadOnly(BOOL bReadOnly) {
    return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(bReadOnly), 0));
}

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "ComboBox", nullptr, dwStyle, rect, pParentWnd, nID);
}
int CComboBox::AddString(LPCTSTR lpszString) {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
}
int CComboBox::InsertString(int nIndex, LPCTSTR lpszString) {
    return static_cast<int>(
        SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszString)));
}
int CComboBox::DeleteString(UINT nIndex) {
    return static_cast<int>(SendMessage(CB_DELETESTRING, nIndex, 0));
}
void CComboBox::ResetContent() {
    SendMessage(CB_RESETCONTENT, 0, 0);
}
int CComboBox::GetCount() const {
    return static_cast<int>(SendMessage(CB_GETCOUNT, 0, 0));
}
int CComboBox::GetCurSel() const {
    return static_cast<int>(SendMessage(CB_GETCURSEL, 0, 0));
}
int CComboBox::SetCurSel(int nSelect) {
    return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect), 0));
}
int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
    return static_cast<int>(
        SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
}
DWORD_PTR CComboBox::GetItemData(int nIndex) const {
    return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
}
int CComboBox::SetItemDataPtr(int nIndex, void* pData) {
    return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData));
}
void* CComboBox::GetItemDataPtr(int nIndex) const {
    const LRESULT r = SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0);
    return r == CB_ERR ? reinterpret_cast<void*>(static_cast<LONG_PTR>(-1)) : reinterpret_cast<void*>(r);
}
int CComboBox::GetLBText(int nIndex, LPTSTR lpszText) const {
    return static_cast<int>(
        SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszText)));
}
void CComboBox::GetLBText(int nIndex, CString& rString) const {
    const int n = GetLBTextLen(nIndex);
    if (n < 0) {
        rString.Empty();
        return;
    }
    GetLBText(nIndex, rString.GetBuffer(n));
    rString.ReleaseBuffer(n);
}
int CComboBox::GetLBTextLen(int nIndex) const {
    return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex), 0));
}
int CComboBox::FindString(int nStartAfter, LPCTSTR lpszString) const {
    return static_cast<int>(
        SendMessage(CB_FINDSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(lpszString)));
}
int CComboBox::FindStringExact(int nIndexStart, LPCTSTR lpszFind) const {
    return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart),
                                        reinterpret_cast<LPARAM>(lpszFind)));
}
int CComboBox::SelectString(int nStartAfter, LPCTSTR lpszString) {
    return static_cast<int>(
        SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(lpszString)));
}
void CComboBox::ShowDropDown(BOOL bShowIt) {
    SendMessage(CB_SHOWDROPDOWN, static_cast<WPARAM>(bShowIt), 0);
}
BOOL CComboBox::GetDroppedState() const {
    return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE, 0, 0));
}

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "ScrollBar", nullptr, dwStyle, rect, pParentWnd, nID);
}
int CScrollBar::GetScrollPos() const {
    return ::GetScrollPos(m_hWnd, SB_CTL);
}
int CScrollBar::SetScrollPos(int nPos, BOOL bRedraw) {
    return ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw);
}
void CScrollBar::GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const {
    ::GetScrollRange(m_hWnd, SB_CTL, lpMinPos, lpMaxPos);
}
void CScrollBar::SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw) {
    ::SetScrollRange(m_hWnd, SB_CTL, nMinPos, nMaxPos, bRedraw);
}
BOOL CScrollBar::SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw) {
    if (lpScrollInfo == nullptr) return FALSE;
    ::SetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo, bRedraw);
    return TRUE;
}
BOOL CScrollBar::GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask) {
    if (lpScrollInfo == nullptr) return FALSE;
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo);
}
int CScrollBar::GetScrollLimit() {
    SCROLLINFO si{};
    if (!GetScrollInfo(&si, SIF_RANGE | SIF_PAGE)) return 0;
    const int page = si.nPage > 0 ? static_cast<int>(si.nPage) - 1 : 0;
    return std::max(si.nMin, si.nMax - page);
}
void CScrollBar::ShowScrollBar(BOOL bShow) {
    ::ShowScrollBar(m_hWnd, SB_CTL, bShow);
}

BOOL CSpinButtonCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "msctls_updown32", nullptr, dwStyle, rect, pParentWnd, nID);
}
int CSpinButtonCtrl::SetBase(int nBase) {
    return static_cast<int>(SendMessage(UDM_SETBASE, static_cast<WPARAM>(nBase), 0));
}
UINT CSpinButtonCtrl::GetBase() const {
    return static_cast<UINT>(SendMessage(UDM_GETBASE, 0, 0));
}
void CSpinButtonCtrl::SetRange(short nLower, short nUpper) {
    SendMessage(UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(nUpper), static_cast<WORD>(nLower)));
}
void CSpinButtonCtrl::SetRange32(int nLower, int nUpper) {
    SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(nLower), nUpper);
}
DWORD CSpinButtonCtrl::GetRange() const {
    return static_cast<DWORD>(SendMessage(UDM_GETRANGE, 0, 0));
}
void CSpinButtonCtrl::GetRange(int& lower, int& upper) const {
    const DWORD r = GetRange();
    lower = static_cast<SHORT>(HIWORD(r));
    upper = static_cast<SHORT>(LOWORD(r));
}
void CSpinButtonCtrl::GetRange32(int& lower, int& upper) const {
    SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
}
int CSpinButtonCtrl::SetPos(int nPos) {
    return static_cast<int>(static_cast<SHORT>(
        LOWORD(static_cast<DWORD_PTR>(SendMessage(UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(nPos), 0))))));
}
int CSpinButtonCtrl::GetPos() const {
    return static_cast<int>(SendMessage(UDM_GETPOS, 0, 0));
}
int CSpinButtonCtrl::SetPos32(int nPos) {
    return static_cast<int>(SendMessage(UDM_SETPOS32, 0, nPos));
}
int CSpinButtonCtrl::GetPos32(LPBOOL lpbError) const {
    return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(lpbError)));
}
CWnd* CSpinButtonCtrl::SetBuddy(CWnd* pWndBuddy) {
    return CWnd::FromHandle(reinterpret_cast<HWND>(
        SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(pWndBuddy ? pWndBuddy->m_hWnd : nullptr), 0)));
}
CWnd* CSpinButtonCtrl::GetBuddy() const {
    return CWnd::FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY, 0, 0)));
}

BOOL CTabCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "SysTabControl32", nullptr, dwStyle, rect, pParentWnd, nID);
}
LONG CTabCtrl::InsertItem(int nItem, TCITEM* pTabCtrlItem) {
    return static_cast<LONG>(
        SendMessage(TCM_INSERTITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(pTabCtrlItem)));
}
LONG CTabCtrl::InsertItem(int nItem, LPCTSTR lpszItem) {
    return InsertItem(TCIF_TEXT, nItem, lpszItem, 0, 0);
}
LONG CTabCtrl::InsertItem(int nItem, LPCTSTR lpszItem, int nImage) {
    return InsertItem(TCIF_TEXT | TCIF_IMAGE, nItem, lpszItem, nImage, 0);
}
LONG CTabCtrl::InsertItem(UINT nMask, int nItem, LPCTSTR lpszItem, int nImage, LPARAM lParam) {
    TCITEM item{};
    item.mask = nMask;
    item.pszText = const_cast<LPSTR>(lpszItem);
    item.iImage = nImage;
    item.lParam = lParam;
    return InsertItem(nItem, &item);
}
BOOL CTabCtrl::GetItem(int nItem, TCITEM* pTabCtrlItem) const {
    return static_cast<BOOL>(
        SendMessage(TCM_GETITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(pTabCtrlItem)));
}
BOOL CTabCtrl::SetItem(int nItem, TCITEM* pTabCtrlItem) {
    return static_cast<BOOL>(
        SendMessage(TCM_SETITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(pTabCtrlItem)));
}
BOOL CTabCtrl::DeleteItem(int nItem) {
    return static_cast<BOOL>(SendMessage(TCM_DELETEITEM, static_cast<WPARAM>(nItem), 0));
}
BOOL CTabCtrl::DeleteAllItems() {
    return static_cast<BOOL>(SendMessage(TCM_DELETEALLITEMS, 0, 0));
}
int CTabCtrl::GetItemCount() const {
    return static_cast<int>(SendMessage(TCM_GETITEMCOUNT, 0, 0));
}
int CTabCtrl::GetCurSel() const {
    return static_cast<int>(SendMessage(TCM_GETCURSEL, 0, 0));
}
int CTabCtrl::SetCurSel(int nItem) {
    return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(nItem), 0));
}
BOOL CTabCtrl::GetItemRect(int nItem, LPRECT lpRect) const {
    return static_cast<BOOL>(
        SendMessage(TCM_GETITEMRECT, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(lpRect)));
}
int CTabCtrl::HitTest(TCHITTESTINFO* pHitTestInfo) const {
    return static_cast<int>(SendMessage(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(pHitTestInfo)));
}
