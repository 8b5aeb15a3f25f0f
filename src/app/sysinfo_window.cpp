#include "app/sysinfo_window.h"

#include <cstdio>
#include <cstring>

#include "platform/hostlib/crs_interapp.h"
#include "platform/win/framework.h"
#include "resources/resource.h"

namespace {

constexpr char kClassName[] = "Corvessa_Tessaro_SysInfo";
constexpr char kTabsCaption[] = "Tabs";

// The SDK version the program is built against, the same constant start-up hands to the library.
constexpr double kSdkVersion = 295.111;
// The host library the program links against; a name that is not loaded would give the executable's
// path on the DLL line instead.
constexpr char kHostLibraryModule[] = "CRS_InterApp_32.dll";

constexpr int kPathBuffer = 261;
// Room for the longest line: 16 characters of text around a full path of 260 characters.
constexpr int kLineBuffer = 512;

constexpr int kTabStripHeight = 56;
constexpr int kTextX = 20;
constexpr int kFirstLineY = 45;
constexpr int kLineStep = 18;
constexpr int kEmptyLinesAboveHeading = 4;
constexpr int kTabStop = 80;

const char* const kTabTexts[SYSINFO_PAGES] = {"About",          "DIO TTL 37Pin",     "DDA 100-Pin",
                                              "DDA 50-Pin TTL", "DDA 50-Pin Analog", "PMD-1208 40-Pin"};

struct SPagePicture {
    UINT nBitmapId;
    int x, y, cx, cy;  // the rectangle drawn, copied from the picture's top-left corner
};
// Pages 1 to 5; a rectangle larger than its picture shows the window's background beyond it.
constexpr SPagePicture kPictures[SYSINFO_PAGES - 1] = {
    {IDB_PINOUT_DIO37, 60, 60, 500, 600},     {IDB_PINOUT_DDA100, 30, 25, 500, 800},
    {IDB_PINOUT_DDA50_TTL, 20, 50, 510, 800}, {IDB_PINOUT_DDA50_ANALOG, 20, 50, 510, 800},
    {IDB_PINOUT_PMD1208, 50, 20, 450, 450},
};

void DrawVersionsPage(HDC hDC) {
    // Asked first, so that every line shows the library as it is at this paint.
    const int nRequests = CRS_GetLayeredAppCallbackListLength();
    char szProcess[kPathBuffer] = "";
    GetModuleFileNameA(nullptr, szProcess, kPathBuffer);
    char szLibrary[kPathBuffer] = "";
    GetModuleFileNameA(GetModuleHandleA(kHostLibraryModule), szLibrary, kPathBuffer);
    LPCTSTR pszFileVersion = AfxFindVersionText("FileVersion");
    if (pszFileVersion == nullptr) pszFileVersion = "";

    char szLine[kLineBuffer];
    const int nTabStop = kTabStop;
    int y = kFirstLineY + kEmptyLinesAboveHeading * kLineStep;
    auto draw = [&] {
        TabbedTextOutA(hDC, kTextX, y, szLine, static_cast<int>(std::strlen(szLine)), 1, &nTabStop, 0);
        y += kLineStep;
    };
    std::snprintf(szLine, sizeof szLine, "--- SDK/DLL VERSIONS & PATHS --------");
    draw();
    std::snprintf(szLine, sizeof szLine, " ");
    draw();
    std::snprintf(szLine, sizeof szLine, "  Process:   \t %s ", szProcess);
    draw();
    std::snprintf(szLine, sizeof szLine, "  > File vers: \t %s  ( version of Tessaro executable ).",
                  pszFileVersion);
    draw();
    std::snprintf(szLine, sizeof szLine,
                  "  > SDK vers:  \t %g  ( version of library compiled into Tessaro ).", kSdkVersion);
    draw();
    std::snprintf(szLine, sizeof szLine, " ");
    draw();
    std::snprintf(szLine, sizeof szLine, "  DLL path:  \t %s ", szLibrary);
    draw();
    std::snprintf(szLine, sizeof szLine, "  > DLL vers:  \t %g  ( version of library loaded at runtime ).",
                  CRS_GetDLLVersion());
    draw();
    std::snprintf(szLine, sizeof szLine,
                  "  Sharing:   \t %6d  ( dll requests: callbacks & messageRequests ).", nRequests);
    draw();
}

// A picture or memory context that cannot be made leaves the page empty.
void DrawPicturePage(HDC hDC, const SPagePicture& page) {
    HDC hMemDC = CreateCompatibleDC(hDC);
    if (hMemDC == nullptr) return;
    HBITMAP hBitmap = LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCE(page.nBitmapId));
    if (hBitmap != nullptr) {
        HGDIOBJ hOld = SelectObject(hMemDC, hBitmap);
        BitBlt(hDC, page.x, page.y, page.cx, page.cy, hMemDC, 0, 0, SRCCOPY);
        SelectObject(hMemDC, hOld);
        DeleteObject(hBitmap);
    }
    DeleteDC(hMemDC);
}

}  // namespace

BOOL CreateSysInfoWindow() {
    WNDCLASSA wc{};
    wc.style = 0;
    wc.lpfnWndProc = &SysInfoWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) return FALSE;

    g_hSysInfoWnd =
        CreateWindowExA(0, kClassName, "Info", WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYSMENU | WS_THICKFRAME,
                        30, 30, 550, 850, nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
    return g_hSysInfoWnd != nullptr ? TRUE : FALSE;
}

HWND CreateSysInfoTabs(HWND hwndParent) {
    RECT rcClient{};
    GetClientRect(hwndParent, &rcClient);

    INITCOMMONCONTROLSEX icex;
    icex.dwSize = sizeof(INITCOMMONCONTROLSEX);
    icex.dwICC = ICC_TAB_CLASSES;
    if (!InitCommonControlsEx(&icex)) MessageBoxA(nullptr, "InitCommonControlsEx Error", kTabsCaption, MB_OK);

    HWND hwndTab = CreateWindowExA(0, "SysTabControl32", "",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BUTTONS | TCS_MULTILINE, 0,
                                   0, rcClient.right - rcClient.left, kTabStripHeight, hwndParent, nullptr,
                                   AfxGetInstanceHandle(), nullptr);
    if (hwndTab == nullptr) {
        MessageBoxA(nullptr, "hwndTab==NULL", kTabsCaption, MB_OK);
        return nullptr;
    }

    TCITEMA tie{};
    tie.mask = TCIF_TEXT | TCIF_IMAGE;
    tie.iImage = -1;
    tie.pszText = g_szTabText;
    for (int i = 0; i < SYSINFO_PAGES; ++i) {
        std::snprintf(g_szTabText, sizeof g_szTabText, "%s", kTabTexts[i]);
        if (SendMessageA(hwndTab, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tie)) ==
            -1) {
            DestroyWindow(hwndTab);
            MessageBoxA(nullptr, "TabCtrl_InsertItem Error", kTabsCaption, MB_OK);
            return nullptr;
        }
    }
    return hwndTab;
}

LRESULT SysInfoWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            // The window is made even without its tab strip.
            g_hSysInfoTab = CreateSysInfoTabs(hWnd);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hWnd, &ps);
            PaintSysInfoPage(hWnd, g_nSysInfoPage);
            EndPaint(hWnd, &ps);
            return 0;
        }
        case WM_CLOSE:
            ShowWindow(hWnd, SW_HIDE);
            return 0;
        case WM_NOTIFY: {
            const NMHDR* pHdr = reinterpret_cast<const NMHDR*>(lParam);
            if (pHdr == nullptr) return 0;
            const int nCode = static_cast<int>(pHdr->code);
            if (nCode == TCN_SELCHANGE) {
                SelectSysInfoPage(static_cast<int>(SendMessageA(g_hSysInfoTab, TCM_GETCURSEL, 0, 0)));
                return 0;
            }
            if (nCode == TCN_SELCHANGING) return DefWindowProcA(hWnd, message, wParam, lParam);
            return 0;
        }
        default:
            // WM_SIZE included: the tab strip keeps the width it was made with.
            return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

void SelectSysInfoPage(int nPage) {
    g_nSysInfoPage = nPage;
    if (g_hSysInfoTab != nullptr) SendMessageA(g_hSysInfoTab, TCM_SETCURSEL, static_cast<WPARAM>(nPage), 0);
    InvalidateRect(g_hSysInfoWnd, nullptr, TRUE);
}

void PaintSysInfoPage(HWND hwnd, int nPage) {
    HDC hDC = GetDC(hwnd);
    if (hDC == nullptr) return;
    SetBkMode(hDC, TRANSPARENT);
    if (nPage == 0) {
        DrawVersionsPage(hDC);
    } else if (nPage >= 1 && nPage < SYSINFO_PAGES) {
        DrawPicturePage(hDC, kPictures[nPage - 1]);
    }
    ReleaseDC(hwnd, hDC);
}
