// Static controls: texts (left, centred, sunken), bitmaps and icons.
#include "platform/win/controls.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/control_support.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/geometry_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_testing.h"

using namespace winctl;

namespace {

constexpr int kSunkenEdgeWidth = 2;  // EDGE_SUNKEN's two lines

// The control's state (StateOf) and style, read in one look at the window.
StaticState& StateAndStyleOf(HWND h, DWORD* pStyle) {
    *pStyle = 0;
    CWndExtra* pExtra = winstate::WithRec(
        h,
        [pStyle](winstate::WndRec& r) {
            *pStyle = r.dwStyle;
            return r.pExtra.get();
        },
        static_cast<CWndExtra*>(nullptr));
    // A static control's state is a StaticState itself (compared by type: no walk of the class tree).
    if (pExtra != nullptr && typeid(*pExtra) == typeid(StaticState))
        return *static_cast<StaticState*>(pExtra);
    return StateOf<StaticState>(h);
}

void PaintStatic(HWND h) {
    DWORD style = 0;
    StaticState& st = StateAndStyleOf(h, &style);
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
            // The control's own text, as stored (not asked of the window procedure, as on Windows). The
            // text of a label fits a buffer on the stack; a longer one is read whole.
            char szShort[256];
            std::string strLong;
            const char* pszText = szShort;
            if (winstate::CopyTextOf(h, szShort, sizeof szShort) >= sizeof szShort - 1) {
                strLong.resize(winstate::TextLengthOf(h) + 1);
                strLong.resize(winstate::CopyTextOf(h, strLong.data(), strLong.size()));
                pszText = strLong.c_str();
            }
            // Inside a sunken edge, the text keeps clear of it.
            RECT rcText = rc;
            if (style & SS_SUNKEN) InflateRect(&rcText, -kSunkenEdgeWidth, -kSunkenEdgeWidth);
            if (*pszText != '\0') DrawTextA(hDC, pszText, -1, &rcText, fmt);
            break;
        }
    }
    if (style & SS_SUNKEN) DrawEdge(hDC, &rc, EDGE_SUNKEN, BF_RECT);
    EndPaint(h, &ps);
}

}  // namespace

namespace winctl {

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
    if (msg == WM_NCCREATE) {
        InstallTempObject<CStatic>(h);
        StateOf<StaticState>(h);  // the control's state is made with the window
    }
    switch (msg) {
        case WM_NCHITTEST:
            return (StyleOf(h) & SS_NOTIFY) ? static_cast<LRESULT>(HTCLIENT)
                                            : static_cast<LRESULT>(HTTRANSPARENT);
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_LBUTTONUP:
            if (StyleOf(h) & SS_NOTIFY) Notify(h, STN_CLICKED);
            return 0;
        case STM_SETIMAGE:
        case STM_SETICON: {
            StaticState& st = StateOf<StaticState>(h);
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
        case STM_GETIMAGE: {
            const StaticState& st = StateOf<StaticState>(h);
            return static_cast<UINT>(wParam) == st.nImageType ? reinterpret_cast<LRESULT>(st.hImage) : 0;
        }
        case STM_GETICON: {
            const StaticState& st = StateOf<StaticState>(h);
            return st.nImageType == IMAGE_ICON ? reinterpret_cast<LRESULT>(st.hImage) : 0;
        }
        case WM_PAINT:
            PaintStatic(h);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

}  // namespace winctl

IMPLEMENT_DYNAMIC(CStatic, CWnd)

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "Static", lpszText, dwStyle, rect, pParentWnd, nID);
}
HBITMAP CStatic::GetBitmap() const {
    return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0));
}
