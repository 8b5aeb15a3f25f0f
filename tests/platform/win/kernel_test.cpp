#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win/kernel_testing.h"
#include "platform/win/resources_testing.h"
#include "platform/win/simulation_testing.h"
#include "support/win_fixture.h"

namespace {

using Kernel = CWinTestFixture;

TEST_F(Kernel, ModuleFileNameIsBoundedAndTerminated) {
    CWinSimulationTesting::SetModulePath("/opt/tessaro/TessaroPro");
    char buf[261];
    EXPECT_EQ(23u, GetModuleFileNameA(nullptr, buf, sizeof buf));
    EXPECT_STREQ("/opt/tessaro/TessaroPro", buf);
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(8u, GetModuleFileNameA(nullptr, small, sizeof small));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_STREQ("/opt/te", small);
}

TEST_F(Kernel, ModulesAreFoundOnlyWhenRegistered) {
    EXPECT_EQ(nullptr, GetModuleHandleA("CRS_Test.dll"));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    HMODULE h = AfxRegisterModule("CRS_Test.dll", "/usr/lib/CRS_Test.dll");
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(h, GetModuleHandleA("crs_test"));
    char buf[64];
    EXPECT_EQ(21u, GetModuleFileNameA(h, buf, sizeof buf));
    EXPECT_STREQ("/usr/lib/CRS_Test.dll", buf);
    EXPECT_NE(nullptr, GetModuleHandleA(nullptr));
}

TEST_F(Kernel, SystemTextsAreAllocatedOrMissing) {
    char* p = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                             ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<LPSTR>(&p), 0, nullptr);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(std::strlen(p), n);
    EXPECT_EQ(0, std::strncmp(p, "The system cannot find the file specified.", 42));
    EXPECT_EQ(nullptr, LocalFree(p));

    p = nullptr;
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 123456,
                                 0, reinterpret_cast<LPSTR>(&p), 0, nullptr));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(ERROR_MR_MID_NOT_FOUND, GetLastError());

    CWinSimulationTesting::SetSystemMessage(123456, "Custom.");
    char buf[4];
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 123456, 0, buf, sizeof buf, nullptr));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    char big[16];
    EXPECT_EQ(7u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 123456, 0, big, sizeof big, nullptr));
    EXPECT_STREQ("Custom.", big);
}

TEST_F(Kernel, ScriptedInputRecordedBeepsAndForcedFailures) {
    EXPECT_EQ(0, GetAsyncKeyState(VK_LBUTTON));
    CWinSimulationTesting::SetKeyDown(VK_LBUTTON, TRUE);
    EXPECT_NE(0, GetAsyncKeyState(VK_LBUTTON) & 0x8000);
    Advance(5);
    Beep(750, 300);
    ASSERT_EQ(1u, CWinSimulationTesting::Beeps().size());
    EXPECT_EQ(1005u, CWinSimulationTesting::Beeps()[0].nTime);

    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    EXPECT_TRUE(InitCommonControlsEx(&icc));
    CWinSimulationTesting::FailInitCommonControls();
    EXPECT_FALSE(InitCommonControlsEx(&icc));
    CWinSimulationTesting::FailRegisterClass();
    EXPECT_EQ(nullptr, AfxRegisterWndClass(CS_DBLCLKS));

    CWinSimulation::Reset();
    EXPECT_EQ(0, GetAsyncKeyState(VK_LBUTTON));
    EXPECT_TRUE(CWinSimulationTesting::Beeps().empty());
    EXPECT_TRUE(InitCommonControlsEx(&icc));
    EXPECT_NE(nullptr, AfxRegisterWndClass(CS_DBLCLKS));
    EXPECT_EQ(1920, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(1017, GetSystemMetrics(SM_CYFULLSCREEN));
}

TEST_F(Kernel, ResourcesAreLookedUpById) {
    AfxRegisterString(101, "Tessaro");
    CString s;
    EXPECT_TRUE(s.LoadString(101));
    EXPECT_STREQ("Tessaro", s);
    EXPECT_FALSE(s.LoadString(102));
    AfxRegisterVersionText("ProductVersion", " 1, 0, 0, 1 ");
    EXPECT_STREQ(" 1, 0, 0, 1 ", AfxFindVersionText("ProductVersion"));
    HICON h = AfxRegisterIcon(128);
    EXPECT_EQ(h, AfxRegisterIcon(128));
    EXPECT_EQ(128u, AfxFindIconResource(h)->nID);
    EXPECT_EQ(nullptr, AfxFindDialogTemplate(MAKEINTRESOURCE(999)));
}

}  // namespace
