// The simulation's forced failures of bitmaps, memory contexts and tab insertion, and the modules of the
// stand-in libraries.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win/simulation_testing.h"
#include "support/win_fixture.h"

namespace {

class ForcedFailures : public CWinTestFixture {};

TEST_F(ForcedFailures, BitmapsMemoryContextsAndTabInsertionFailWhileSet) {
    // A 1 x 1 24-bit picture.
    BYTE bmp[58] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                    0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1, 0, 24, 0};
    bmp[34] = 4;  // image size
    AfxRegisterBitmap(4000, bmp, sizeof bmp);
    CWinSimulationTesting::FailLoadBitmap(4000, TRUE);
    EXPECT_EQ(nullptr, LoadBitmapA(nullptr, MAKEINTRESOURCE(4000)));
    CBitmap obj;
    EXPECT_FALSE(obj.LoadBitmap(4000));
    CWinSimulationTesting::FailLoadBitmap(4000, FALSE);
    HBITMAP h = LoadBitmapA(nullptr, MAKEINTRESOURCE(4000));
    EXPECT_NE(nullptr, h);
    DeleteObject(h);

    CWinSimulationTesting::FailCreateMemoryDC(TRUE);
    EXPECT_EQ(nullptr, CreateCompatibleDC(nullptr));
    CDC dc;
    EXPECT_FALSE(dc.CreateCompatibleDC(nullptr));
    CWinSimulation::Reset();  // a reset lifts every forced failure
    HDC hMem = CreateCompatibleDC(nullptr);
    EXPECT_NE(nullptr, hMem);
    DeleteDC(hMem);

    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    HWND hTab = CreateWindowExA(0, "SysTabControl32", "", WS_CHILD, 0, 0, 100, 20, parent.GetSafeHwnd(),
                                nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hTab);
    char szText[] = "x";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = szText;
    CWinSimulationTesting::FailTabInsertAt(1);
    EXPECT_EQ(0, SendMessageA(hTab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(-1, SendMessageA(hTab, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(1, SendMessageA(hTab, TCM_GETITEMCOUNT, 0, 0));
    CWinSimulationTesting::FailTabInsertAt(-1);
    EXPECT_EQ(1, SendMessageA(hTab, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item)));
}

TEST_F(ForcedFailures, TheStandInLibrariesAreModulesOfTheExecutable) {
    CWinSimulationTesting::SetModulePath("/opt/tessaro/TessaroPro");
    for (const char* pszName : {"CRS_InterApp_32.dll", "cbw32"}) {
        HMODULE h = GetModuleHandleA(pszName);
        ASSERT_NE(nullptr, h) << pszName;
        char sz[64] = {};
        EXPECT_EQ(23u, GetModuleFileNameA(h, sz, sizeof sz));
        EXPECT_STREQ("/opt/tessaro/TessaroPro", sz);
    }
    EXPECT_EQ(nullptr, GetModuleHandleA("CRS_InterApp.dll"));
    CWinSimulationTesting::SetModulePath(nullptr);  // the real executable again
    char szExe[512] = {};
    ASSERT_GT(GetModuleFileNameA(GetModuleHandleA("CRS_InterApp_32.dll"), szExe, sizeof szExe), 0u);
    EXPECT_EQ('/', szExe[0]);
    EXPECT_NE(nullptr, std::strstr(szExe, "platform_win_tests"));
}

}  // namespace
