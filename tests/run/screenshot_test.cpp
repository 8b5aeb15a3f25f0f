// Screenshots of the whole program through the runner's --screenshot, compared with the reference
// pictures in tests/reference/. The program runs headless on the manual clock with a still eye, so the
// pictures come out the same on every run; a small tolerance absorbs anti-aliasing differences.
// TESSARO_UPDATE_REFERENCES=1 writes the pictures of this run as the new references instead.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/channel_panel.h"
#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "platform/screen/screen_support.h"
#include "platform/win/clock_testing.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/text_measure_testing.h"
#include "run/run_report.h"
#include "support/main_dialog_fixture.h"

namespace {

const ::testing::Environment* const g_release = ::testing::AddGlobalTestEnvironment(new CFontCacheRelease);

// A pixel differs when one of its channels differs by more than this; a picture matches while at most
// kMaxDifferingShare of its pixels differ.
constexpr int kPixelThreshold = 48;
constexpr double kMaxDifferingShare = 0.005;

struct ImageDiff {
    bool bSameSize = false;
    long long nDiffering = 0;
    long long nPixels = 0;
};

ImageDiff Compare(cairo_surface_t* a, cairo_surface_t* b) {
    ImageDiff d;
    const int w = cairo_image_surface_get_width(a);
    const int h = cairo_image_surface_get_height(a);
    d.bSameSize = w == cairo_image_surface_get_width(b) && h == cairo_image_surface_get_height(b);
    if (!d.bSameSize) return d;
    d.nPixels = static_cast<long long>(w) * h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t pa = PixelAt(a, x, y);
            const std::uint32_t pb = PixelAt(b, x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                const int ca = static_cast<int>((pa >> shift) & 0xFF);
                const int cb = static_cast<int>((pb >> shift) & 0xFF);
                if (std::abs(ca - cb) > kPixelThreshold) {
                    ++d.nDiffering;
                    break;
                }
            }
        }
    }
    return d;
}

// The part of an image inside rc (image pixels), as a new RGB24 image.
cairo_surface_t* Crop(cairo_surface_t* s, const RECT& rc) {
    cairo_surface_t* out =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, rc.right - rc.left, rc.bottom - rc.top);
    cairo_t* cr = cairo_create(out);
    cairo_set_source_surface(cr, s, -rc.left, -rc.top);
    cairo_paint(cr);
    cairo_destroy(cr);
    return out;
}

bool Updating() {
    const char* psz = std::getenv("TESSARO_UPDATE_REFERENCES");
    return psz != nullptr && std::string(psz) == "1";
}

// Compares the picture with tests/reference/<strName>.png, or writes it there when updating.
void ExpectLikeReference(cairo_surface_t* s, const std::string& strName) {
    ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(s));
    const std::string strRef = std::string(TESSARO_REFERENCE_DIR) + "/" + strName + ".png";
    if (Updating()) {
        ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_write_to_png(s, strRef.c_str())) << strRef;
        return;
    }
    // The picture of this run stays beside the test's output for a look when it fails.
    const std::string strMine = std::filesystem::absolute(strName + ".png").string();
    cairo_surface_write_to_png(s, strMine.c_str());
    ASSERT_TRUE(std::filesystem::exists(strRef))
        << strRef << " is missing; make it with TESSARO_UPDATE_REFERENCES=1 ctest -R Screenshot";
    cairo_surface_t* ref = cairo_image_surface_create_from_png(strRef.c_str());
    ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(ref)) << strRef;
    const ImageDiff d = Compare(s, ref);
    EXPECT_TRUE(d.bSameSize) << strName << ": " << cairo_image_surface_get_width(s) << "x"
                             << cairo_image_surface_get_height(s) << ", the reference "
                             << cairo_image_surface_get_width(ref) << "x"
                             << cairo_image_surface_get_height(ref);
    if (d.bSameSize) {
        EXPECT_LE(static_cast<double>(d.nDiffering), kMaxDifferingShare * static_cast<double>(d.nPixels))
            << strName << ": " << d.nDiffering << " of " << d.nPixels
            << " pixels differ (this run: " << strMine << ")";
    }
    cairo_surface_destroy(ref);
}

cairo_surface_t* LoadPng(const std::string& strPath) {
    return cairo_image_surface_create_from_png(strPath.c_str());
}

class Screenshot : public ProgramRunFixture {
  protected:
    void SetUp() override {
        ProgramRunFixture::SetUp();
        // The Info window shows the executable's path: one fixed path, wherever the tests are built.
        CWinSimulationTesting::SetModulePath("/opt/tessaro/TessaroPro");
    }

    // A headless run of three seconds with a still eye and these boards, screenshots into "shots" two
    // seconds after the start; every idle moment moves the clock on by 10 ms. Returns the paths of the
    // "shot" lines. m_rcPanel0 is where channel 0's panel was in the main window when the shot was taken.
    std::vector<std::string> RunWithScreenshots(const std::string& strBoards,
                                                const std::vector<UserMenuChoice>& choices = {}) {
        ProgramOptions options;
        std::string strError;
        EXPECT_TRUE(CSimBoards::ParseDeviceList(strBoards, options.devices, strError)) << strError;
        options.eHostPattern = SimEyePattern::Still;
        options.bHeadless = true;
        options.dRunSeconds = 3.0;
        options.strScreenshotDir = "shots";
        options.dScreenshotSeconds = 2.0;
        options.choices = choices;
        ApplySimulationOptions(options);
        int fds[2] = {-1, -1};
        EXPECT_EQ(0, pipe(fds));
        std::vector<std::string> shots;
        {
            CRunSession session(options, fds[1]);
            const UINT_PTR nPump = CClock::AddTimeHook([](LONGLONG nNowUs) {
                SimHost().Pump();
                return nNowUs + 1000000 / kSimHostDefaultFrameRate;
            });
            const LONGLONG nShotUs = CClock::NowMicros() + 2000000;
            const UINT_PTR nIdle = CMessageLoop::AddIdleHook([this, nShotUs] {
                if (CClock::NowMicros() < nShotUs) NotePanel();
                CClockTesting::Advance(10);
            });
            session.Start();
            char szName[] = "TessaroPro";
            char* argv[] = {szName};
            AfxSetCommandLine(1, argv);
            AfxWinMain(1, argv);
            CMessageLoop::RemoveIdleHook(nIdle);
            CClock::RemoveTimeHook(nPump);
            session.Finish();
        }
        close(fds[1]);
        std::string text;
        char buf[4096];
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
        close(fds[0]);
        size_t nStart = 0;
        for (size_t nEnd; (nEnd = text.find('\n', nStart)) != std::string::npos; nStart = nEnd + 1) {
            const std::string line = text.substr(nStart, nEnd - nStart);
            const size_t nKind = line.find(" shot ");
            if (nKind != std::string::npos) shots.push_back(line.substr(nKind + 6));
        }
        return shots;
    }

    void NotePanel() {
        CTessaro2010Dlg* pDlg = g_pMainDlg;
        if (pDlg == nullptr || pDlg->GetSafeHwnd() == nullptr || pDlg->m_pChannelDlg[0] == nullptr) return;
        const HWND hPanel = pDlg->m_pChannelDlg[0]->GetSafeHwnd();
        if (hPanel == nullptr || !IsWindowVisible(hPanel)) return;
        RECT rcMain{};
        RECT rcPanel{};
        GetWindowRect(pDlg->GetSafeHwnd(), &rcMain);
        GetWindowRect(hPanel, &rcPanel);
        OffsetRect(&rcPanel, -rcMain.left, -rcMain.top);
        m_rcPanel0 = rcPanel;
    }

    static std::string Named(const std::vector<std::string>& shots, const std::string& strFile) {
        for (const std::string& s : shots)
            if (s == "shots/" + strFile) return s;
        return {};
    }

    RECT m_rcPanel0{};
};

}  // namespace

TEST_F(Screenshot, MainDialogAndChannelPanelWithAPciDda0812) {
    const std::vector<std::string> shots = RunWithScreenshots("PCI-DDA08/12:01A2B3C4");
    const std::string strMain = Named(shots, "Corvessa_TessaroPro.png");
    ASSERT_FALSE(strMain.empty()) << "the main window's picture is among the shots";
    cairo_surface_t* s = LoadPng(strMain);
    ExpectLikeReference(s, "main-dialog-pci-dda08-12");

    // Channel 0's panel, cut out of the main window's picture.
    ASSERT_GT(m_rcPanel0.right - m_rcPanel0.left, 100);
    ASSERT_GT(m_rcPanel0.bottom - m_rcPanel0.top, 50);
    ASSERT_LE(m_rcPanel0.right, cairo_image_surface_get_width(s));
    ASSERT_LE(m_rcPanel0.bottom, cairo_image_surface_get_height(s));
    cairo_surface_t* panel = Crop(s, m_rcPanel0);
    ExpectLikeReference(panel, "channel-panel");
    cairo_surface_destroy(panel);
    cairo_surface_destroy(s);
}

TEST_F(Screenshot, MainDialogWithAUsb1208HS) {
    const std::vector<std::string> shots = RunWithScreenshots("USB-1208HS:01B2C3D4");
    const std::string strMain = Named(shots, "Corvessa_TessaroPro.png");
    ASSERT_FALSE(strMain.empty()) << "the main window's picture is among the shots";
    cairo_surface_t* s = LoadPng(strMain);
    ExpectLikeReference(s, "main-dialog-usb-1208hs");
    cairo_surface_destroy(s);
}

TEST_F(Screenshot, AdvancedDialogOverTheMainDialog) {
    const std::vector<std::string> shots =
        RunWithScreenshots("PCI-DDA08/12:01A2B3C4", {{"Help>QVL Advanced", false}});
    const std::string strAdvanced = Named(shots, "QVL_Advanced.png");
    ASSERT_FALSE(strAdvanced.empty()) << "the advanced dialog's picture is among the shots";
    EXPECT_FALSE(Named(shots, "Corvessa_TessaroPro.png").empty()) << "the main window is still shown";
    cairo_surface_t* s = LoadPng(strAdvanced);
    ExpectLikeReference(s, "advanced-dialog");
    cairo_surface_destroy(s);
}

TEST_F(Screenshot, InformationWindow) {
    const std::vector<std::string> shots =
        RunWithScreenshots("PCI-DDA08/12:01A2B3C4", {{"Help>Information", false}});
    const std::string strInfo = Named(shots, "Info.png");
    ASSERT_FALSE(strInfo.empty()) << "the information window's picture is among the shots";
    cairo_surface_t* s = LoadPng(strInfo);
    ExpectLikeReference(s, "information-window");
    cairo_surface_destroy(s);
}

// Only a run with --screenshot measures text with the screen's font, and only while it runs.
TEST_F(Screenshot, OnlyAScreenshotRunChangesTheTextMetrics) {
    const int nFixed = AfxGetTextMeasurer().GetTextWidth("", 11, "WWWW iiii");
    ProgramOptions options;
    options.bHeadless = true;
    int fds[2] = {-1, -1};
    ASSERT_EQ(0, pipe(fds));
    {
        CRunSession plain(options, fds[1]);
        plain.Start();
        EXPECT_EQ(nFixed, AfxGetTextMeasurer().GetTextWidth("", 11, "WWWW iiii"));
        plain.Finish();
    }
    options.strScreenshotDir = "shots";
    {
        CRunSession shooting(options, fds[1]);
        shooting.Start();
        EXPECT_NE(nFixed, AfxGetTextMeasurer().GetTextWidth("", 11, "WWWW iiii"));
        shooting.Finish();
        EXPECT_EQ(nFixed, AfxGetTextMeasurer().GetTextWidth("", 11, "WWWW iiii"));
    }
    {
        CRunSession onScreen(options, fds[1]);
        onScreen.SetOnScreen(true);  // the screen's session measures; the run installs nothing
        onScreen.Start();
        EXPECT_EQ(nFixed, AfxGetTextMeasurer().GetTextWidth("", 11, "WWWW iiii"));
        onScreen.Finish();
    }
    close(fds[1]);
    close(fds[0]);
}

TEST_F(Screenshot, AFolderThatCannotBeMadeIsReported) {
    std::filesystem::create_directory("shots");
    { std::ofstream("shots/file") << "x"; }
    std::string strWhy;
    EXPECT_TRUE(WriteRunScreenshots("shots/file/inner", strWhy).empty());
    EXPECT_FALSE(strWhy.empty());
    // No window: nothing to write, and it says so.
    EXPECT_TRUE(WriteRunScreenshots("shots/empty", strWhy).empty());
    EXPECT_EQ("no visible window could be written", strWhy);
    EXPECT_TRUE(std::filesystem::is_directory("shots/empty")) << "the folder is made when missing";
}
