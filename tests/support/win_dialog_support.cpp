#include "support/win_dialog_support.h"

#include <utility>

CDialogItemTemplate DlgItem(UINT nID, const char* pszClass, const char* pszText, DWORD dwStyle, short x,
                            short y, short cx, short cy, UINT nImageId) {
    CDialogItemTemplate it;
    it.nID = nID;
    it.strClass = pszClass;
    it.strText = pszText;
    it.dwStyle = dwStyle | WS_CHILD;
    it.x = x;
    it.y = y;
    it.cx = cx;
    it.cy = cy;
    it.nImageId = nImageId;
    return it;
}

CDialogTemplate DlgTemplate(UINT nID, std::vector<CDialogItemTemplate> items, DWORD dwStyle, short cx,
                            short cy, const char* pszFont, WORD wPointSize) {
    CDialogTemplate t;
    t.nID = nID;
    t.strCaption = "Test";
    t.strFontName = pszFont;
    t.wPointSize = wPointSize;
    t.dwStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | dwStyle;
    t.cx = cx;
    t.cy = cy;
    t.items = std::move(items);
    return t;
}

std::vector<BYTE> SolidBmp(int w, int h, COLORREF c, bool bTopDown) {
    const int stride = (w * 3 + 3) / 4 * 4;
    const int size = 54 + stride * h;
    std::vector<BYTE> b(static_cast<size_t>(size), 0);
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<BYTE>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(bTopDown ? -h : h));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = &b[static_cast<size_t>(54 + y * stride + x * 3)];
            p[0] = static_cast<BYTE>((c >> 16) & 0xFF);
            p[1] = static_cast<BYTE>((c >> 8) & 0xFF);
            p[2] = static_cast<BYTE>(c & 0xFF);
        }
    return b;
}

int CNoticeDlg::Count(UINT nMessage, UINT nID, UINT nCode) const {
    int n = 0;
    for (const CNotice& c : m_notices)
        n += (c.nMessage == nMessage && c.nID == nID && c.nCode == nCode) ? 1 : 0;
    return n;
}

LRESULT CNoticeDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && lParam != 0) {
        m_notices.push_back({message, LOWORD(wParam), HIWORD(wParam), 0});
    } else if (message == WM_NOTIFY && lParam != 0) {
        const NMHDR* nm = reinterpret_cast<const NMHDR*>(lParam);
        m_notices.push_back({message, static_cast<UINT>(nm->idFrom), nm->code, 0});
    } else if (message == WM_VSCROLL || message == WM_HSCROLL) {
        m_notices.push_back({message, static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam))),
                             LOWORD(wParam), static_cast<SHORT>(HIWORD(wParam))});
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
