// Push, default, check and radio buttons, group boxes, owner-drawn and bitmap buttons.
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
#include "platform/win/control_support.h"
#include "platform/win/controls_internal.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/geometry_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winctl;

namespace {

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
        if (st.bFocus) {
            RECT rcFocus{rc.left + 3, rc.top + 3, rc.right - 3, rc.bottom - 3};
            DrawFocusRect(hDC, &rcFocus);
        }
    } else {
        const int box = 13;
        const bool bLeftText = (style & BS_LEFTTEXT) != 0;
        const int top = rc.top + (rc.bottom - rc.top - box) / 2;
        RECT rcBox = bLeftText ? RECT{rc.right - box, top, rc.right, top + box}
                               : RECT{rc.left, top, rc.left + box, top + box};
        // The caption keeps 4 pixels from the mark, less (down to one) where that leaves it too little room.
        int gap = 4;
        if (!text.empty() && !(style & BS_MULTILINE)) {
            RECT rcMeasure{0, 0, 0, 0};
            DrawTextA(hDC, text.c_str(), -1, &rcMeasure, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
            const int nSpare = (rc.right - rc.left - box) - (rcMeasure.right - rcMeasure.left);
            gap = std::clamp(nSpare, 1, 4);
        }
        RECT rcText = bLeftText ? RECT{rc.left, rc.top, rc.right - box - gap, rc.bottom}
                                : RECT{rc.left + box + gap, rc.top, rc.right, rc.bottom};
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
        if (st.bFocus) {
            // The mark surrounds the caption only.
            RECT rcMeasure = rcText;
            DrawTextA(hDC, text.empty() ? " " : text.c_str(), -1, &rcMeasure,
                      DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
            const int w = rcMeasure.right - rcMeasure.left, hgt = rcMeasure.bottom - rcMeasure.top;
            const int left = bLeftText ? rcText.right - w : rcText.left;
            const int top = rcText.top + (rcText.bottom - rcText.top - hgt) / 2;
            RECT rcFocus{left - 1, top - 1, left + w + 1, top + hgt + 1};
            DrawFocusRect(hDC, &rcFocus);
        }
    }
    EndPaint(h, &ps);
}

}  // namespace

namespace winctl {

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
            return type == BS_GROUPBOX ? static_cast<LRESULT>(HTTRANSPARENT) : static_cast<LRESULT>(HTCLIENT);
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

}  // namespace winctl

IMPLEMENT_DYNAMIC(CButton, CWnd)

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "Button", lpszCaption, dwStyle, rect, pParentWnd, nID);
}
HBITMAP CButton::SetBitmap(HBITMAP hBitmap) {
    return reinterpret_cast<HBITMAP>(
        SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
}
