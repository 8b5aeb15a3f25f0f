#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/advanced_dialog.h"
#include "app/tessaro_app.h"
#include "app/text_helpers.h"
#include "platform/win/clock_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/user_agent_testing.h"
#include "resources/advanced_dialog_resource.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

class TextHelpers : public MainDialogFixture {
  protected:
    CWnd* Item(int nId) const { return m_pDlg->GetDlgItem(nId); }
    int ColorEntry(int nId) const {
        for (int i = 0; i < m_pDlg->m_nControlColors; ++i)
            if (m_pDlg->m_nControlColorId[i] == nId) return i;
        return -1;
    }
    COLORREF RecordedColor(int nId) const {
        const int i = ColorEntry(nId);
        return i < 0 ? CLR_DIALOG : m_pDlg->m_crControlColor[i];
    }
    static std::vector<CDrawOp> OpsOf(CWnd* pWnd, CDrawOpKind nKind) {
        std::vector<CDrawOp> ops;
        for (const CDrawOp& op : AfxGetDrawOps(pWnd->GetSafeHwnd()))
            if (op.nKind == nKind) ops.push_back(op);
        return ops;
    }
    std::vector<CDrawOp> Ellipses(int nId) const { return OpsOf(Item(nId), CDrawOpKind::Ellipse); }
};

TEST_F(TextHelpers, RadixFormsAndTheBadRadix) {
    EXPECT_STREQ("(hex) 0", m_pDlg->FormatTtlValue(0, ID_TTL_HEX));
    EXPECT_STREQ("(hex) 0x5", m_pDlg->FormatTtlValue(5, ID_TTL_HEX));
    EXPECT_STREQ("(oct) 017", m_pDlg->FormatTtlValue(15, ID_TTL_OCTAL));
    EXPECT_STREQ("(oct) 0", m_pDlg->FormatTtlValue(0, ID_TTL_OCTAL));
    EXPECT_STREQ("(bin) 00000101", m_pDlg->FormatTtlValue(5, ID_TTL_BINARY));
    EXPECT_STREQ("(bin) 10000000", m_pDlg->FormatTtlValue(0x180, ID_TTL_BINARY));
    EXPECT_STREQ("(dec) 200", m_pDlg->FormatTtlValue(200, ID_TTL_DECIMAL));
    EXPECT_STREQ("", m_pDlg->FormatTtlValue(5, ID_TTL_LEDS));
    EXPECT_FALSE(m_pDlg->m_bBoardError);
    EXPECT_STREQ("(BAD) 0x5", m_pDlg->FormatTtlValue(5, 4336));
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    EXPECT_TRUE(CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()).empty());
}

TEST_F(TextHelpers, TtlLinesAndTheLastShownValue) {
    g_Params.nTtlRadixId = ID_TTL_HEX;
    m_pDlg->ShowTtlOutput(7);
    EXPECT_EQ(" No Board (or not selected):  (hex) 0x7", WindowText(IDC_TTL_OUTPUT));
    m_pDlg->m_nBoardFamily = FAMILY_DDA;
    m_pDlg->ShowTtlOutput(-1);
    EXPECT_EQ(" bitCode:  (hex) 0x7", WindowText(IDC_TTL_OUTPUT));
    g_Params.bRoiOutput = 1;
    m_pDlg->ShowTtlOutput(3);
    EXPECT_EQ(" bitCode(ROI):  (hex) 0x3", WindowText(IDC_TTL_OUTPUT));

    m_pDlg->ShowTtlInput(9);
    EXPECT_EQ(" bitCode : (hex) 0x9", WindowText(IDC_TTL_INPUT));
    m_pDlg->m_bTtlTest = TRUE;
    m_pDlg->ShowTtlInput(-1);
    EXPECT_EQ(" TTL in  : (hex) 0x9 TEST", WindowText(IDC_TTL_INPUT));
}

TEST_F(TextHelpers, LedRadixColoursTheRows) {
    g_Params.nTtlRadixId = ID_TTL_LEDS;
    g_Params.bExternalInterrupt = 1;
    m_pDlg->ShowTtlOutput(0x81);
    EXPECT_EQ(LED_LIT, RecordedColor(1080));
    EXPECT_EQ(LED_DARK, RecordedColor(1081));
    EXPECT_EQ(LED_LIT, RecordedColor(1087));
    EXPECT_EQ(8, ColorEntry(IDC_TRIGGER_LED));
    EXPECT_EQ("TTL Output", WindowText(IDC_TTL_OUTPUT));
    m_pDlg->ShowTtlInput(0x02);
    EXPECT_EQ(LED_LIT, RecordedColor(1091));
    EXPECT_EQ(LED_DARK, RecordedColor(1090));
}

TEST_F(TextHelpers, NothingChangesWhileUiUpdatesAreDisabledOrTheDialogCloses) {
    g_Params.nTtlRadixId = ID_TTL_LEDS;
    theApp.m_bUiUpdatesDisabled = TRUE;
    m_pDlg->SetControlTextF(m_pDlg->m_pMessageLine, "%s", "changed");
    m_pDlg->SetDlgItemTextF(IDC_BOARD_LABEL, "%d", 5);
    m_pDlg->ShowTtlOutput(0xFF);
    m_pDlg->SetControlColor(IDC_TRIGGER_LED, LED_LIT);
    EXPECT_EQ("", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ("Status", WindowText(IDC_BOARD_LABEL));
    EXPECT_EQ(0, m_pDlg->m_nControlColors);
    EXPECT_TRUE(Ellipses(1080).empty());
    EXPECT_EQ(0, g_nLastShownOutput);

    theApp.m_bUiUpdatesDisabled = FALSE;
    m_pDlg->m_bClosing = TRUE;
    m_pDlg->SetDlgItemTextF(IDC_BOARD_LABEL, "%d", 5);
    m_pDlg->ShowTtlInput(0xFF);
    EXPECT_EQ("Status", WindowText(IDC_BOARD_LABEL));
    EXPECT_EQ(0, m_pDlg->m_nControlColors);
}

TEST_F(TextHelpers, LongOutputIsCutTo1023Characters) {
    const std::string strLong(2000, 'x');
    m_pDlg->SetControlTextF(m_pDlg->m_pMessageLine, "%s", strLong.c_str());
    EXPECT_EQ(std::string(1023, 'x'), WindowText(IDC_MESSAGE_LINE));
    m_pDlg->SetDlgItemTextF(IDC_BOARD_LABEL, "<%s>", strLong.c_str());
    EXPECT_EQ("<" + std::string(1022, 'x'), WindowText(IDC_BOARD_LABEL));
    m_pDlg->SetDlgItemTextF(4999, "%s", "no such control");  // skipped silently
    m_pDlg->SetControlTextF(nullptr, "%s", "no window");
}

TEST_F(TextHelpers, BoardLabel) {
    m_pDlg->ShowBoardLabel();
    EXPECT_EQ("No Board", WindowText(IDC_BOARD_LABEL));
    AttachDevices("PCI-DIO24:A1");
    Discover();
    UseBoard(0);
    m_pDlg->ShowBoardLabel();
    EXPECT_EQ("PCI-DIO24 ", WindowText(IDC_BOARD_LABEL));
    m_pDlg->m_bTtlTestPulse = TRUE;
    m_pDlg->ShowBoardLabel();
    EXPECT_EQ("PCI-DIO24 (Short TTL pulse)", WindowText(IDC_BOARD_LABEL));
    g_Params.nBoardIndex = 99;  // from a damaged file: no record
    m_pDlg->ShowBoardLabel();
    EXPECT_EQ("No Board", WindowText(IDC_BOARD_LABEL));
}

TEST_F(TextHelpers, ColourChangesArePaintedAsEllipsesAndThrottledPerEntry) {
    // The owner-drawn LEDs also repaint themselves with the recorded colour when the framework draws
    // them, so the counts below are taken relative to what was drawn before each step.
    m_pDlg->SetControlColor(1080, LED_LIT);
    ASSERT_FALSE(Ellipses(1080).empty());
    EXPECT_EQ(LED_LIT, Ellipses(1080).back().crBrush);
    CRect rcLed;
    Item(1080)->GetWindowRect(&rcLed);
    EXPECT_EQ(rcLed.Width(), Ellipses(1080).back().rc.right);
    EXPECT_EQ(rcLed.Height(), Ellipses(1080).back().rc.bottom);

    CClockTesting::Advance(19);  // pumps: the LEDs' own repaints happen here
    std::size_t n = Ellipses(1080).size();
    m_pDlg->SetControlColor(1080, LED_DARK);  // within 20 ms: dropped, not recorded
    EXPECT_EQ(n, Ellipses(1080).size());
    EXPECT_EQ(LED_LIT, RecordedColor(1080));
    m_pDlg->SetControlColor(1081, LED_LIT);  // another entry has its own slot
    ASSERT_FALSE(Ellipses(1081).empty());
    EXPECT_EQ(LED_LIT, Ellipses(1081).back().crBrush);
    CClockTesting::Advance(1);
    n = Ellipses(1080).size();
    m_pDlg->SetControlColor(1080, LED_DARK);
    ASSERT_GT(Ellipses(1080).size(), n);
    EXPECT_EQ(LED_DARK, Ellipses(1080).back().crBrush);
    CClockTesting::Advance(50);
    n = Ellipses(1080).size();
    m_pDlg->SetControlColor(1080, LED_DARK);  // unchanged: nothing painted
    EXPECT_EQ(n, Ellipses(1080).size());
    m_pDlg->SetControlColor(1080, CLR_DIALOG);  // a repaint is never throttled
    ASSERT_GT(Ellipses(1080).size(), n);
    EXPECT_EQ(LED_DARK, Ellipses(1080).back().crBrush);
}

TEST_F(TextHelpers, OutputLedsGoToTheAdvancedDialogWhileItRuns) {
    CQVLMisc advanced;
    ASSERT_TRUE(advanced.Create(IDD_QVL_ADVANCED, m_pDlg.get()));
    g_pAdvancedDlg = &advanced;
    m_pDlg->SetControlColor(1080, LED_LIT);
    m_pDlg->SetControlColor(1090, LED_LIT);
    EXPECT_EQ(1u, OpsOf(advanced.GetDlgItem(1080), CDrawOpKind::Ellipse).size());
    EXPECT_TRUE(Ellipses(1080).empty());
    EXPECT_EQ(nullptr, advanced.GetDlgItem(1090));  // the advanced dialog has output LEDs only
    EXPECT_EQ(1u, Ellipses(1090).size());
    g_pAdvancedDlg = nullptr;
    advanced.DestroyWindow();

    // The main dialog's LED takes the recorded colour at its next owner-draw.
    g_Params.nTtlRadixId = ID_TTL_LEDS;
    DRAWITEMSTRUCT dis{};
    dis.CtlID = 1080;
    m_pDlg->OnDrawItem(1080, &dis);
    ASSERT_EQ(1u, Ellipses(1080).size());
    EXPECT_EQ(LED_LIT, Ellipses(1080)[0].crBrush);
}

TEST_F(TextHelpers, StatusLineRows) {
    CWnd* pLine = Item(IDC_STATUS_LINE);
    theApp.m_bHostInterfaceDisabled = TRUE;  // shown even though the host is not attached
    m_pDlg->UpdateStatusLine();
    auto texts = OpsOf(pLine, CDrawOpKind::DrawText);
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ("Corvessa Interface Disabled", texts[0].strText);
    EXPECT_EQ(0xFFFFFFu, texts[0].crText);
    EXPECT_EQ(0x0000FFu, texts[0].crBk);
    EXPECT_EQ("MS Sans Serif", texts[0].strFontFace);
    EXPECT_EQ(120, texts[0].nFontPointSize10);
    EXPECT_EQ(static_cast<UINT>(DT_CENTER | DT_VCENTER), texts[0].nFlags);
    EXPECT_EQ(1, texts[0].rc.top);  // drawn one pixel down

    theApp.m_bHostInterfaceDisabled = FALSE;
    m_pDlg->m_bHostAttached = TRUE;
    m_pDlg->m_bVideoFrozen = TRUE;
    m_pDlg->UpdateStatusLine();
    EXPECT_EQ("Video is Frozen", OpsOf(pLine, CDrawOpKind::DrawText).back().strText);

    m_pDlg->m_bVideoFrozen = FALSE;
    AfxClearDrawOps(pLine->GetSafeHwnd());
    m_pDlg->UpdateStatusLine();
    EXPECT_TRUE(OpsOf(pLine, CDrawOpKind::DrawText).empty());
    const auto fills = OpsOf(pLine, CDrawOpKind::FillRect);
    ASSERT_EQ(1u, fills.size());
    EXPECT_EQ(m_pDlg->m_crBackground, fills[0].crBrush);
}

TEST_F(TextHelpers, ColourTableStopsAtItsSlots) {
    for (int i = 0; i < 70; ++i) {
        m_pDlg->SetControlColor(5000 + i, LED_LIT);
    }
    EXPECT_EQ(COLOR_ENTRIES_WITH_SLOT, m_pDlg->m_nControlColors);
    EXPECT_EQ(-1, ColorEntry(5000 + COLOR_ENTRIES_WITH_SLOT));
    m_pDlg->SetControlColor(6000, CLR_DIALOG);
    EXPECT_EQ(COLOR_ENTRIES_WITH_SLOT, m_pDlg->m_nControlColors);
}

TEST_F(TextHelpers, TriggerLedDrawItemResetsTheRecordWithoutPainting) {
    g_Params.bExternalInterrupt = 1;
    m_pDlg->SetControlColor(IDC_TRIGGER_LED, LED_LIT);
    DRAWITEMSTRUCT dis{};
    dis.CtlID = IDC_TRIGGER_LED;
    m_pDlg->OnDrawItem(IDC_TRIGGER_LED, &dis);
    EXPECT_EQ(LED_DARK, RecordedColor(IDC_TRIGGER_LED));
    EXPECT_EQ(0, g_nTriggerLedEntry);
    CClockTesting::Advance(100);
    m_pDlg->SetControlColor(IDC_TRIGGER_LED, LED_DARK);
    EXPECT_EQ(1u, Ellipses(IDC_TRIGGER_LED).size());  // only the first, lit one was painted
}

TEST_F(TextHelpers, LedRowsAndLinesVisibility) {
    m_pDlg->ResetTtlLeds(2346);
    EXPECT_EQ("", WindowText(1080));
    EXPECT_EQ("", WindowText(1097));
    EXPECT_FALSE(Item(IDC_TTL_OUTPUT)->IsWindowVisible());
    m_pDlg->ResetTtlLeds(0);
    EXPECT_TRUE(Item(IDC_TTL_OUTPUT)->IsWindowVisible());
    EXPECT_TRUE(Item(IDC_TTL_INPUT)->IsWindowVisible());
    EXPECT_FALSE(Item(1083)->IsWindowVisible());
    EXPECT_FALSE(Item(1173)->IsWindowVisible());
    m_pDlg->ResetTtlLeds(1);
    EXPECT_FALSE(Item(IDC_TTL_INPUT)->IsWindowVisible());
    EXPECT_TRUE(Item(1083)->IsWindowVisible());
    EXPECT_TRUE(Item(1093)->IsWindowVisible());
    EXPECT_TRUE(Item(1177)->IsWindowVisible());

    g_Params.nTtlRadixId = ID_TTL_HEX;
    g_Params.bExternalInterrupt = 1;
    m_pDlg->ShowTtlControls(TRUE);
    EXPECT_TRUE(Item(IDC_TTL_OUTPUT)->IsWindowVisible());
    EXPECT_TRUE(Item(IDC_TRIGGER_LED)->IsWindowVisible());
    EXPECT_TRUE(Item(IDC_TRIGGER_LABEL)->IsWindowVisible());
    EXPECT_FALSE(Item(IDC_LOGO)->IsWindowVisible());
    m_pDlg->ShowTtlControls(FALSE);
    EXPECT_FALSE(Item(IDC_TTL_OUTPUT)->IsWindowVisible());
    EXPECT_FALSE(Item(IDC_TRIGGER_LED)->IsWindowVisible());
}

TEST_F(TextHelpers, MillisecondsFollowThePerformanceCounter) {
    const ULONGLONG nStart = CTessaro2010Dlg::GetMilliseconds();
    CClockTesting::Advance(250);
    EXPECT_EQ(nStart + 250, CTessaro2010Dlg::GetMilliseconds());
}

// The frequency is read once per process, so each slow-counter case runs in a fresh process.
TEST_F(TextHelpers, SlowOrMissingCounterFallsBackToTheTickCount) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (LONGLONG nFrequency : {500LL, 0LL}) {
        EXPECT_EXIT(
            {
                CClockTesting::SetPerformanceFrequency(nFrequency);
                const ULONGLONG nFirst = CTessaro2010Dlg::GetMilliseconds();
                CClockTesting::Advance(40);
                const bool bOk =
                    nFirst == GetTickCount() - 40 && CTessaro2010Dlg::GetMilliseconds() == nFirst + 40;
                std::exit(bOk ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << "frequency " << nFrequency;
    }
}

}  // namespace
