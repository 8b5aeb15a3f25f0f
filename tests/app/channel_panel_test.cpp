#include "app/channel_panel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/clock_testing.h"
#include "platform/win/controls_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/geometry_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_testing.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

// The main dialog without its column's handling of "RedrawChannelDialogs": the requests are recorded.
class CRedrawRecordingDlg : public CBareMainDialog {
  public:
    UINT m_nRedrawId = 0;
    std::vector<std::pair<WPARAM, LPARAM>> m_redraws;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (m_nRedrawId != 0 && message == m_nRedrawId) {
            m_redraws.emplace_back(wParam, lParam);
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

class ChannelPanel : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        m_pDlg->DestroyWindow();
        auto pDlg = std::make_unique<CRedrawRecordingDlg>();
        m_pRecorder = pDlg.get();
        m_pDlg = std::move(pDlg);
        m_pRecorder->m_nRedrawId = RegisterWindowMessage("RedrawChannelDialogs");
        ASSERT_TRUE(m_pDlg->Create(IDD_TESSARO_DIALOG, nullptr));
        m_pDlg->m_pMessageLine = m_pDlg->GetDlgItem(IDC_MESSAGE_LINE);

        ASSERT_TRUE(m_bmpExpanded.LoadBitmap(IDB_EXPANDED));
        ASSERT_TRUE(m_bmpCollapsed.LoadBitmap(IDB_COLLAPSED));
        g_pBmpExpanded = &m_bmpExpanded;
        g_pBmpCollapsed = &m_bmpCollapsed;

        for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
            g_Params.nSignalCode[ch] = 0xD0001;
            g_Params.range[ch] = {RANGE_UNI5, 101};
            g_Params.fDomainMin[ch] = 0.0f;
            g_Params.fDomainMax[ch] = 1.0f;
            g_Params.bInvert[ch] = FALSE;
            g_Params.nEye[ch] = 0;
        }
    }
    void TearDown() override {
        m_panels.clear();
        g_pBmpExpanded = nullptr;
        g_pBmpCollapsed = nullptr;
        MainDialogFixture::TearDown();
    }

    void UseDevice(const char* pszDevice) {
        AttachDevices(pszDevice);
        Discover();
        UseBoard(0);
    }

    // A panel for channel index ch, created and shown as the channel column does.
    CAnalogOutputChannel* MakePanel(int ch) {
        auto pPanel = std::make_unique<CAnalogOutputChannel>(m_pDlg->GetDlgItem(IDC_ANALOG_GROUP), ch + 1,
                                                             m_pDlg.get());
        pPanel->m_nRedrawMsgId = m_pRecorder->m_nRedrawId;
        pPanel->m_pSawToothCount = &m_pDlg->m_nSawToothChannels;
        EXPECT_NE(0, pPanel->CreateModeless());
        pPanel->MoveWindow(5, 20, 410, 140);
        pPanel->ShowWindow(SW_SHOW);
        CMessageLoop::RunUntilIdle();
        m_panels.push_back(std::move(pPanel));
        return m_panels.back().get();
    }

    static HWND Item(CAnalogOutputChannel* p, int nId) {
        CWnd* pCtl = p->GetDlgItem(nId);
        return pCtl ? pCtl->GetSafeHwnd() : nullptr;
    }
    static std::string Text(CAnalogOutputChannel* p, int nId) { return WindowText(p->GetDlgItem(nId)); }
    static bool Shown(CAnalogOutputChannel* p, int nId) {
        CWnd* pCtl = p->GetDlgItem(nId);
        return pCtl != nullptr && (CWndTesting::GetStyle(*pCtl) & WS_VISIBLE) != 0;
    }
    static std::vector<std::string> ListTexts(CAnalogOutputChannel* p, int nId) {
        auto* pList = dynamic_cast<CComboBox*>(p->GetDlgItem(nId));
        std::vector<std::string> v;
        if (pList == nullptr) return v;
        for (int i = 0; i < pList->GetCount(); ++i) {
            CString s;
            pList->GetLBText(i, s);
            v.emplace_back(static_cast<LPCTSTR>(s));
        }
        return v;
    }
    static int ListSel(CAnalogOutputChannel* p, int nId) {
        return static_cast<int>(::SendMessage(Item(p, nId), CB_GETCURSEL, 0, 0));
    }
    static std::vector<std::string> Boxes() {
        std::vector<std::string> v;
        for (const CUserEvent& ev : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            v.emplace_back(static_cast<LPCTSTR>(ev.strText));
        return v;
    }
    static size_t BoxCount() {
        return CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()).size();
    }
    static void Wait(DWORD nMs) { CClockTesting::Advance(nMs); }
    // The fill colour and the text colour the Set button painted with last.
    static std::pair<COLORREF, COLORREF> SetButtonColours(CAnalogOutputChannel* p) {
        HWND hSet = Item(p, IDC_PANEL_SET);
        ::InvalidateRect(hSet, nullptr, TRUE);
        ::UpdateWindow(hSet);
        COLORREF fill = CLR_INVALID, text = CLR_INVALID;
        for (const CDrawOp& op : AfxGetDrawOps(hSet)) {
            if (op.nKind == CDrawOpKind::FillRect) fill = op.crBrush;
            if (op.nKind == CDrawOpKind::DrawText) text = op.crText;
        }
        return {fill, text};
    }

    CRedrawRecordingDlg* m_pRecorder = nullptr;
    CBitmap m_bmpExpanded, m_bmpCollapsed;
    std::vector<std::unique_ptr<CAnalogOutputChannel>> m_panels;
};

const char kWarning[] = "Please  make  Max  >  Min         \n( No  values  updated )                ";
const char kBounds[] = "Enter a number between -999 and 999.";
const char kNotANumber[] = "Enter a number.";

TEST_F(ChannelPanel, CaptionsShowTheZeroBasedChannelAndTheValueTextsAreLinked) {
    UseDevice("PCI-DDA08/12:A1");
    CAnalogOutputChannel* pFirst = MakePanel(0);
    CAnalogOutputChannel* pLast = MakePanel(15);
    EXPECT_EQ(0, pFirst->m_nChannel);
    EXPECT_EQ("Channel 0", Text(pFirst, IDC_PANEL_FRAME));
    EXPECT_EQ("Channel 0", Text(pFirst, IDC_PANEL_CAPTION));
    EXPECT_EQ("Channel 15", Text(pLast, IDC_PANEL_FRAME));
    EXPECT_EQ("Channel 15", Text(pLast, IDC_PANEL_CAPTION));
    EXPECT_EQ(pFirst->GetDlgItem(IDC_PANEL_VALUE), g_ChannelLinks.pValueText[0]);
    EXPECT_EQ(pLast->GetDlgItem(IDC_PANEL_CLAMP), g_ChannelLinks.pClampText[15]);
    EXPECT_EQ("Input Domain", Text(pFirst, IDC_PANEL_HEADING));
    EXPECT_EQ("1", Text(pFirst, IDC_PANEL_MAX));
    EXPECT_EQ("0", Text(pFirst, IDC_PANEL_MIN));
    CRect rc;
    pFirst->GetWindowRect(&rc);
    EXPECT_EQ(410, rc.Width());
    EXPECT_EQ(140, rc.Height());
    EXPECT_FALSE(Shown(pFirst, IDC_PANEL_CAPTION));
    EXPECT_EQ(TIMER_PANEL_APPLY, pFirst->m_nPanelTimer);
    EXPECT_STREQ("CAnalogOutputChannel", pFirst->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(nullptr, pFirst->GetRuntimeClass()->CreateObject());
    EXPECT_TRUE(pFirst->GetRuntimeClass()->IsDerivedFrom(RUNTIME_CLASS(CDialog)));

    // Deleting a panel unlinks its texts, so the engine cannot write into them afterwards.
    m_panels.pop_back();
    EXPECT_EQ(nullptr, g_ChannelLinks.pValueText[15]);
    EXPECT_EQ(nullptr, g_ChannelLinks.pClampText[15]);
    EXPECT_NE(nullptr, g_ChannelLinks.pValueText[0]);

    // A panel for a channel that does not exist is refused instead of writing past the arrays.
    CAnalogOutputChannel bad(m_pDlg->GetDlgItem(IDC_ANALOG_GROUP), MAX_CHANNELS + 1, m_pDlg.get());
    EXPECT_EQ(0, bad.CreateModeless());
    EXPECT_EQ(nullptr, bad.GetSafeHwnd());
}

TEST_F(ChannelPanel, SourceListHoldsTheSignalCodesAndCountsTheSawTooth) {
    UseDevice("PCI-DDA08/12:A1");
    g_Params.nSignalCode[0] = 0xC0000;
    CAnalogOutputChannel* p = MakePanel(0);
    const std::vector<std::string> texts = ListTexts(p, IDC_PANEL_SOURCE);
    ASSERT_EQ(39u, texts.size());
    EXPECT_EQ("Test: Signal = 0 ", texts[0]);
    EXPECT_EQ("Test: Signal = SawTooth {0..1}", texts[2]);
    EXPECT_EQ("X  Gaze  Angle  Corrected", texts[6]);
    EXPECT_EQ("Velocity  Total ", texts[13]);
    EXPECT_EQ("X  Glint     (raw)", texts[22]);
    EXPECT_EQ("3D Version Azmuth (x)", texts[31]);
    EXPECT_EQ("3D Gaze Point Z (cm)", texts[38]);
    auto* pList = dynamic_cast<CComboBox*>(p->GetDlgItem(IDC_PANEL_SOURCE));
    ASSERT_NE(nullptr, pList);
    const DWORD_PTR expected[] = {
        0xA0000,  0xB0000,  0xC0000,  0xD0001,  0xE0001,  0x150001, 0x160001, 0xF0001,  0xD0002,  0xE0002,
        0x150002, 0x160002, 0xF0002,  0x190000, 0x100001, 0x100002, 0x180000, 0x170000, 0x1A0000, 0x140000,
        0x110001, 0x110002, 0x120001, 0x120002, 0x130001, 0x130002, 0x1C0000, 0x1D0000, 0x1B0000, 0x1F0000,
        0x200000, 0x220001, 0x220002, 0x230001, 0x230002, 0x240000, 0x210001, 0x210002, 0x210003};
    for (int i = 0; i < 39; ++i) EXPECT_EQ(expected[i], pList->GetItemData(i)) << "entry " << i;

    EXPECT_EQ(2, ListSel(p, IDC_PANEL_SOURCE));
    EXPECT_EQ(1, m_pDlg->m_nSawToothChannels);
    ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_SOURCE), 3));
    EXPECT_EQ(0, m_pDlg->m_nSawToothChannels);
    EXPECT_EQ(0xD0001, g_Params.nSignalCode[0]);
    ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_SOURCE), 2));
    EXPECT_EQ(1, m_pDlg->m_nSawToothChannels);
    EXPECT_EQ(0xC0000, g_Params.nSignalCode[0]);
    // The entry already chosen writes nothing.
    g_Params.nSignalCode[0] = 0x12345;
    ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_SOURCE), 2));
    EXPECT_EQ(0x12345, g_Params.nSignalCode[0]);
    EXPECT_EQ(1, m_pDlg->m_nSawToothChannels);
    // Leaving the saw-tooth with the count already at 0 keeps it at 0.
    m_pDlg->m_nSawToothChannels = 0;
    ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_SOURCE), 38));
    EXPECT_EQ(0, m_pDlg->m_nSawToothChannels);
    EXPECT_EQ(0x210003, g_Params.nSignalCode[0]);
}

TEST_F(ChannelPanel, RangeListsFollowTheBoard) {
    const char* const six[] = {"Bipolar: -10    to +10",   "Bipolar:   -5    to  +5",
                               "Bipolar:   -2.5 to  +2.5", "Unipolar:    0 to +10",
                               "Unipolar:    0 to  +5",    "Unipolar:    0 to  +2.5"};
    {
        UseDevice("USB-1208FS:A1");
        g_Params.range[0] = {RANGE_BIP10, 1};
        CAnalogOutputChannel* p = MakePanel(0);
        EXPECT_EQ(std::vector<std::string>{"Unipolar:  0 to +4"}, ListTexts(p, IDC_PANEL_RANGE));
        EXPECT_EQ(0, ListSel(p, IDC_PANEL_RANGE));
        EXPECT_EQ(6, g_Params.range[0].nRangeCode);
        EXPECT_EQ(114, g_Params.range[0].nUlRange);
    }
    m_panels.clear();
    CSimBoards::Reset();
    {
        UseDevice("USB-1208HS:A1");
        g_Params.range[1] = {RANGE_UNI5, 101};
        CAnalogOutputChannel* p = MakePanel(1);
        EXPECT_EQ(std::vector<std::string>{"Bipolar: -10   to +10"}, ListTexts(p, IDC_PANEL_RANGE));
        EXPECT_EQ(0, g_Params.range[1].nRangeCode);
        EXPECT_EQ(1, g_Params.range[1].nUlRange);
    }
    m_panels.clear();
    CSimBoards::Reset();
    {
        UseDevice("PCI-DDA08/12:A1");
        g_Params.range[2] = {RANGE_UNI5, 101};
        CAnalogOutputChannel* p = MakePanel(2);
        const std::vector<std::string> texts = ListTexts(p, IDC_PANEL_RANGE);
        ASSERT_EQ(6u, texts.size());
        for (int i = 0; i < 6; ++i) EXPECT_EQ(six[i], texts[static_cast<size_t>(i)]);
        EXPECT_EQ(4, ListSel(p, IDC_PANEL_RANGE));
        EXPECT_EQ(4, g_Params.range[2].nRangeCode);
        EXPECT_EQ(101, g_Params.range[2].nUlRange);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(i, g_RangeListCodes[i]);

        const int ulOf[] = {1, 0, 2, 100, 101, 102};
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_RANGE), i));
            EXPECT_EQ(i, g_Params.range[2].nRangeCode);
            EXPECT_EQ(ulOf[i], g_Params.range[2].nUlRange);
        }
    }
    // Indexes and codes outside the list change nothing.
    g_Params.range[3] = {RANGE_BIP5, 0};
    EXPECT_EQ(0, SetChannelRange(3, 6));
    EXPECT_EQ(0, SetChannelRange(3, -1));
    EXPECT_EQ(0, SetChannelRange(MAX_CHANNELS, 0));
    g_RangeListCodes[0] = 7;
    EXPECT_EQ(0, SetChannelRange(3, 0));
    EXPECT_EQ(RANGE_BIP5, g_Params.range[3].nRangeCode);
    EXPECT_EQ(0, g_Params.range[3].nUlRange);
}

TEST_F(ChannelPanel, InvertHidesForTheConstantTestSignalsAndStoresWithEye) {
    UseDevice("PCI-DDA08/12:A1");
    g_Params.bInvert[0] = TRUE;
    g_Params.nEye[0] = 1;
    CAnalogOutputChannel* p = MakePanel(0);
    EXPECT_EQ(BST_CHECKED, p->IsDlgButtonChecked(IDC_PANEL_INVERT));
    EXPECT_EQ(BST_CHECKED, p->IsDlgButtonChecked(IDC_PANEL_EYE_B));
    EXPECT_EQ(BST_UNCHECKED, p->IsDlgButtonChecked(IDC_PANEL_EYE_A));
    Wait(100);
    EXPECT_TRUE(Shown(p, IDC_PANEL_INVERT));
    for (int entry : {0, 1}) {
        ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_SOURCE), entry));
        Wait(100);
        EXPECT_FALSE(Shown(p, IDC_PANEL_INVERT)) << "entry " << entry;
    }
    ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_SOURCE), 2));
    Wait(100);
    EXPECT_TRUE(Shown(p, IDC_PANEL_INVERT));

    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_INVERT)));
    EXPECT_FALSE(g_Params.bInvert[0]);
    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_EYE_A)));
    EXPECT_EQ(0, g_Params.nEye[0]);
    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_EYE_B)));
    EXPECT_EQ(1, g_Params.nEye[0]);

    // Escape does nothing to a panel.
    AfxUserSetFocus(Item(p, IDC_PANEL_MAX));
    ASSERT_TRUE(AfxUserPressEscape(p->GetSafeHwnd()));
    EXPECT_TRUE(p->IsWindowVisible());
    EXPECT_EQ(0u, BoxCount());
}

TEST_F(ChannelPanel, ABadNumberStopsTheExchangeAndInvertKeepsItsStoredState) {
    UseDevice("PCI-DDA08/12:A1");
    CAnalogOutputChannel* p = MakePanel(0);
    Wait(2000);
    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MAX), "abc"));
    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_INVERT)));
    ASSERT_EQ(1u, BoxCount());
    EXPECT_EQ(kNotANumber, Boxes().back());
    EXPECT_FALSE(g_Params.bInvert[0]);
    EXPECT_EQ(BST_UNCHECKED, p->IsDlgButtonChecked(IDC_PANEL_INVERT));
    EXPECT_EQ(Item(p, IDC_PANEL_MAX), ::GetFocus());
    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_EYE_B)));
    EXPECT_EQ(0, g_Params.nEye[0]);
    EXPECT_EQ(BST_CHECKED, p->IsDlgButtonChecked(IDC_PANEL_EYE_A));

    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MAX), "2"));
    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_INVERT)));
    EXPECT_TRUE(g_Params.bInvert[0]);
}

TEST_F(ChannelPanel, TypingRestartsTheCountdownAndTheSetButtonShowsPendingChanges) {
    UseDevice("PCI-DDA08/12:A1");
    CAnalogOutputChannel* p = MakePanel(0);
    // Creating the panel counts as a change: the loaded pair is applied once more after 2 s.
    EXPECT_TRUE(p->m_bDirty);
    EXPECT_EQ(std::make_pair(RGB(0, 255, 0), RGB(255, 0, 0)), SetButtonColours(p));
    Wait(2000);
    EXPECT_FALSE(p->m_bDirty);
    EXPECT_EQ(0u, BoxCount());
    EXPECT_FALSE(p->GetDlgItem(IDC_PANEL_SET)->IsWindowEnabled());
    // Disabled, the button's own text is greyed whatever colour the panel asked for.
    EXPECT_EQ(RGB(220, 220, 0), SetButtonColours(p).first);

    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MAX), "5"));
    EXPECT_TRUE(p->GetDlgItem(IDC_PANEL_SET)->IsWindowEnabled());
    Wait(1500);
    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MAX), "6", FALSE));
    Wait(1900);
    EXPECT_EQ(1.0f, g_Params.fDomainMax[0]);
    EXPECT_TRUE(p->m_bDirty);
    Wait(100);
    EXPECT_EQ(56.0f, g_Params.fDomainMax[0]);
    EXPECT_FALSE(p->m_bDirty);

    // Leaving the edit by Tab applies nothing.
    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MIN), "-3"));
    ASSERT_TRUE(AfxUserPressTab(p->GetSafeHwnd()));
    EXPECT_EQ(0.0f, g_Params.fDomainMin[0]);
    // Set during the countdown applies at once, and the countdown applies once more.
    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_SET)));
    EXPECT_EQ(-3.0f, g_Params.fDomainMin[0]);
    g_Params.fDomainMin[0] = 0.5f;
    Wait(2000);
    EXPECT_EQ(-3.0f, g_Params.fDomainMin[0]);
    EXPECT_EQ(0u, BoxCount());
}

TEST_F(ChannelPanel, AnEmptyDomainIsRefusedOnSetAndAgainWhenTheCountdownEnds) {
    UseDevice("PCI-DDA08/12:A1");
    CAnalogOutputChannel* p = MakePanel(0);
    Wait(2000);
    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MIN), "1.0"));
    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MAX), "1.0"));
    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_SET)));
    ASSERT_EQ(1u, BoxCount());
    EXPECT_EQ(kWarning, Boxes()[0]);
    EXPECT_EQ(UINT(MB_OK), CUserEventTesting::Buttons(
                               CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent())[0]));
    EXPECT_FALSE(p->m_bDirty);
    EXPECT_FALSE(p->GetDlgItem(IDC_PANEL_SET)->IsWindowEnabled());
    EXPECT_EQ(RGB(220, 220, 0), SetButtonColours(p).first);
    EXPECT_EQ("1.0", Text(p, IDC_PANEL_MAX));
    EXPECT_EQ(0.0f, g_Params.fDomainMin[0]);
    EXPECT_EQ(1.0f, g_Params.fDomainMax[0]);
    EXPECT_EQ(1.0f, p->m_fMax);
    EXPECT_EQ(0.0f, p->m_fMin);
    Wait(2000);
    ASSERT_EQ(2u, BoxCount());
    EXPECT_EQ(kWarning, Boxes()[1]);
    EXPECT_EQ(0.0f, g_Params.fDomainMin[0]);
}

TEST_F(ChannelPanel, EnterAppliesAndMovesFromMaxToMinAndTheBoundsAreChecked) {
    UseDevice("PCI-DDA08/12:A1");
    CAnalogOutputChannel* p = MakePanel(0);
    Wait(2000);
    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MAX), "150"));
    ASSERT_TRUE(AfxUserPressEnter(p->GetSafeHwnd()));
    EXPECT_EQ(150.0f, g_Params.fDomainMax[0]);
    EXPECT_EQ(Item(p, IDC_PANEL_MIN), ::GetFocus());
    DWORD sel = static_cast<DWORD>(::SendMessage(Item(p, IDC_PANEL_MIN), EM_GETSEL, 0, 0));
    EXPECT_EQ(0u, LOWORD(sel));
    EXPECT_EQ(Text(p, IDC_PANEL_MIN).size(), HIWORD(sel));
    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MIN), "-2.5"));
    ASSERT_TRUE(AfxUserPressEnter(p->GetSafeHwnd()));
    EXPECT_EQ(-2.5f, g_Params.fDomainMin[0]);
    EXPECT_EQ(Item(p, IDC_PANEL_MIN), ::GetFocus());
    EXPECT_TRUE(p->IsWindowVisible());
    EXPECT_EQ(0u, BoxCount());

    ASSERT_TRUE(AfxUserType(Item(p, IDC_PANEL_MAX), "1000"));
    ASSERT_TRUE(AfxUserPressEnter(p->GetSafeHwnd()));
    ASSERT_EQ(1u, BoxCount());
    EXPECT_EQ(kBounds, Boxes()[0]);
    EXPECT_EQ(150.0f, g_Params.fDomainMax[0]);
    EXPECT_EQ(-2.5f, g_Params.fDomainMin[0]);
}

TEST_F(ChannelPanel, AnyTypedTextIsRefusedWithTheFrameworksMessagesAndNothingStored) {
    UseDevice("PCI-DDA08/12:A1");
    CAnalogOutputChannel* p = MakePanel(0);
    Wait(2000);
    const std::pair<std::string, const char*> cases[] = {
        {"abc", kNotANumber}, {"1e30", kBounds},   {"", kNotANumber}, {std::string(400, '7'), kNotANumber},
        {"-1e30", kBounds},   {"1,5", kNotANumber}};
    for (int nEdit : {IDC_PANEL_MAX, IDC_PANEL_MIN}) {
        for (const auto& [strText, pszMessage] : cases) {
            CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
            ASSERT_TRUE(AfxUserType(Item(p, nEdit), strText.c_str()));
            ASSERT_TRUE(AfxUserPressEnter(p->GetSafeHwnd()));
            ASSERT_EQ(1u, BoxCount()) << strText.size();
            EXPECT_EQ(pszMessage, Boxes()[0]);
            // The refused edit takes the focus; Enter then moves on from Max to Min all the same.
            EXPECT_EQ(Item(p, IDC_PANEL_MIN), ::GetFocus());
            EXPECT_EQ(strText, Text(p, nEdit));
            EXPECT_EQ(0.0f, g_Params.fDomainMin[0]);
            EXPECT_EQ(1.0f, g_Params.fDomainMax[0]);
            // The countdown started by the typing meets the same text once more.
            Wait(2000);
            EXPECT_EQ(2u, BoxCount());
        }
        ASSERT_TRUE(AfxUserType(Item(p, nEdit), nEdit == IDC_PANEL_MAX ? "1" : "0"));
        ASSERT_TRUE(AfxUserPressEnter(p->GetSafeHwnd()));
    }
    EXPECT_EQ(0.0f, g_Params.fDomainMin[0]);
    EXPECT_EQ(1.0f, g_Params.fDomainMax[0]);
}

TEST_F(ChannelPanel, StoredValuesMatchingNoEntryGiveADefinedState) {
    UseDevice("PCI-DDA08/12:A1");
    g_Params.nSignalCode[0] = 0x1E0000;     // kind 30: no entry
    g_Params.range[0] = {RANGE_UNI4, 114};  // not offered by this board
    g_Params.fDomainMin[0] = 2.0f;
    g_Params.fDomainMax[0] = 2.0f;
    g_Params.range[1] = {99, 7};
    g_Params.fDomainMin[1] = -1e30f;
    g_Params.fDomainMax[1] = std::numeric_limits<float>::quiet_NaN();
    CAnalogOutputChannel* p = MakePanel(0);
    CAnalogOutputChannel* q = MakePanel(1);
    EXPECT_EQ(CB_ERR, ListSel(p, IDC_PANEL_SOURCE));
    EXPECT_EQ(0, m_pDlg->m_nSawToothChannels);
    EXPECT_EQ(0x1E0000, g_Params.nSignalCode[0]);
    EXPECT_EQ(0, ListSel(p, IDC_PANEL_RANGE));
    EXPECT_EQ(RANGE_BIP10, g_Params.range[0].nRangeCode);
    EXPECT_EQ(1, g_Params.range[0].nUlRange);
    EXPECT_EQ(RANGE_BIP10, g_Params.range[1].nRangeCode);
    EXPECT_EQ(1, g_Params.range[1].nUlRange);
    Wait(100);
    EXPECT_TRUE(Shown(p, IDC_PANEL_INVERT));
    // Both stored pairs are refused about 2 s after creation; the NaN pair is never stored over.
    Wait(1900);
    const std::vector<std::string> expected = {kWarning, kNotANumber, kWarning};
    EXPECT_EQ(expected, Boxes());
    EXPECT_TRUE(std::isnan(g_Params.fDomainMax[1]));
    EXPECT_EQ(-1e30f, g_Params.fDomainMin[1]);
    EXPECT_EQ(-20, CSpinButtonCtrlTesting::GetPos32(q->m_spinMin));
    EXPECT_EQ(2.0f, g_Params.fDomainMin[0]);
    ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_SOURCE), 3));
    EXPECT_EQ(0xD0001, g_Params.nSignalCode[0]);
}

TEST_F(ChannelPanel, ListPicksWithoutABoardStayWithinTheLists) {
    g_Params.nBoardIndex = -1;
    g_Params.range[0] = {RANGE_UNI2PT5, 102};
    CAnalogOutputChannel* p = MakePanel(0);
    EXPECT_EQ(6u, ListTexts(p, IDC_PANEL_RANGE).size());
    EXPECT_EQ(5, ListSel(p, IDC_PANEL_RANGE));
    ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_RANGE), 3));
    EXPECT_EQ(RANGE_UNI10, g_Params.range[0].nRangeCode);
    EXPECT_EQ(100, g_Params.range[0].nUlRange);
    g_Params.nBoardIndex = 77;
    ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_RANGE), 1));
    EXPECT_EQ(RANGE_BIP5, g_Params.range[0].nRangeCode);
    ASSERT_TRUE(AfxUserPickListEntry(Item(p, IDC_PANEL_SOURCE), 0));
    EXPECT_EQ(0xA0000, g_Params.nSignalCode[0]);
}

TEST_F(ChannelPanel, TheUpDownControlsSetTenthsAfterTheNextCountdown) {
    UseDevice("PCI-DDA08/12:A1");
    CAnalogOutputChannel* p = MakePanel(0);
    Wait(2000);
    // The up-down controls are not shown until a layout pass shows every control.
    EXPECT_FALSE(AfxUserClickSpin(Item(p, IDC_PANEL_MAX_SPIN), TRUE));
    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_EXPAND)));
    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_EXPAND)));
    EXPECT_EQ(10, CSpinButtonCtrlTesting::GetPos(p->m_spinMax));
    for (int k = 0; k < 5; ++k) ASSERT_TRUE(AfxUserClickSpin(Item(p, IDC_PANEL_MAX_SPIN), TRUE));
    EXPECT_EQ("1.5", Text(p, IDC_PANEL_MAX));
    EXPECT_EQ(1.5f, p->m_fMax);
    EXPECT_EQ(1.0f, g_Params.fDomainMax[0]);
    for (int k = 0; k < 15; ++k) ASSERT_TRUE(AfxUserClickSpin(Item(p, IDC_PANEL_MIN_SPIN), FALSE));
    EXPECT_EQ("-1.5", Text(p, IDC_PANEL_MIN));
    EXPECT_TRUE(p->m_bDirty);
    Wait(2000);
    EXPECT_EQ(1.5f, g_Params.fDomainMax[0]);
    EXPECT_EQ(-1.5f, g_Params.fDomainMin[0]);
    // Only the thumb position counts.
    ::SendMessage(p->GetSafeHwnd(), WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 3),
                  reinterpret_cast<LPARAM>(Item(p, IDC_PANEL_MAX_SPIN)));
    EXPECT_EQ("1.5", Text(p, IDC_PANEL_MAX));
}

TEST_F(ChannelPanel, CollapsingKeepsThePlaceAndAsksTheColumnToRestack) {
    UseDevice("PCI-DDA08/12:A1");
    CAnalogOutputChannel* p = MakePanel(0);
    CRect rcBefore, rcValue;
    p->GetWindowRect(&rcBefore);
    p->GetDlgItem(IDC_PANEL_VALUE)->GetWindowRect(&rcValue);
    EXPECT_EQ(
        static_cast<HBITMAP>(m_bmpExpanded),
        reinterpret_cast<HBITMAP>(::SendMessage(Item(p, IDC_PANEL_EXPAND), BM_GETIMAGE, IMAGE_BITMAP, 0)));

    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_EXPAND)));
    CRect rc;
    p->GetWindowRect(&rc);
    EXPECT_EQ(CRectTesting::TopLeft(rcBefore), CRectTesting::TopLeft(rc));
    EXPECT_EQ(410, rc.Width());
    EXPECT_EQ(32, rc.Height());
    EXPECT_FALSE(p->m_bExpanded);
    EXPECT_EQ(
        static_cast<HBITMAP>(m_bmpCollapsed),
        reinterpret_cast<HBITMAP>(::SendMessage(Item(p, IDC_PANEL_EXPAND), BM_GETIMAGE, IMAGE_BITMAP, 0)));
    for (int id :
         {IDC_PANEL_CAPTION, IDC_PANEL_SIGNAL_LABEL, IDC_PANEL_VALUE, IDC_PANEL_UNIT_LABEL, IDC_PANEL_CLAMP})
        EXPECT_TRUE(Shown(p, id)) << id;
    for (int id : {IDC_PANEL_FRAME, IDC_PANEL_SOURCE, IDC_PANEL_RANGE, IDC_PANEL_MAX, IDC_PANEL_MIN,
                   IDC_PANEL_SET, IDC_PANEL_INVERT, IDC_PANEL_EYE_A, IDC_PANEL_MAX_SPIN})
        EXPECT_FALSE(Shown(p, id)) << id;
    CRect rcCollapsed;
    p->GetDlgItem(IDC_PANEL_VALUE)->GetWindowRect(&rcCollapsed);
    EXPECT_EQ(rcValue.left + 65, rcCollapsed.left);
    EXPECT_EQ(rcValue.top - 99, rcCollapsed.top);
    EXPECT_EQ(CRectTesting::Size(rcValue), CRectTesting::Size(rcCollapsed));
    ASSERT_EQ(1u, m_pRecorder->m_redraws.size());
    EXPECT_EQ(WPARAM(123), m_pRecorder->m_redraws[0].first);
    EXPECT_EQ(LPARAM(456), m_pRecorder->m_redraws[0].second);

    ASSERT_TRUE(AfxUserClick(Item(p, IDC_PANEL_EXPAND)));
    p->GetWindowRect(&rc);
    EXPECT_EQ(rcBefore, rc);
    p->GetDlgItem(IDC_PANEL_VALUE)->GetWindowRect(&rcCollapsed);
    EXPECT_EQ(rcValue, rcCollapsed);
    for (int id : {IDC_PANEL_FRAME, IDC_PANEL_SOURCE, IDC_PANEL_RANGE, IDC_PANEL_MAX, IDC_PANEL_SET,
                   IDC_PANEL_INVERT, IDC_PANEL_VALUE, IDC_PANEL_MIN_SPIN})
        EXPECT_TRUE(Shown(p, id)) << id;
    EXPECT_FALSE(Shown(p, IDC_PANEL_CAPTION));
    EXPECT_EQ(2u, m_pRecorder->m_redraws.size());

    // The column's all-panels switch lays out without a request.
    p->m_bExpanded = FALSE;
    p->UpdateExpandButton();
    p->LayoutPanel(FALSE);
    CMessageLoop::RunUntilIdle();
    p->GetWindowRect(&rc);
    EXPECT_EQ(32, rc.Height());
    EXPECT_EQ(2u, m_pRecorder->m_redraws.size());
}

TEST_F(ChannelPanel, ThePanelPaintsGreyAndLeavesTheDropDownListsAlone) {
    UseDevice("PCI-DDA08/12:A1");
    CAnalogOutputChannel* p = MakePanel(0);
    for (int id : {IDC_PANEL_SOURCE_LABEL, IDC_PANEL_INVERT, IDC_PANEL_MAX}) {
        HWND h = Item(p, id);
        ::InvalidateRect(h, nullptr, TRUE);
        ::UpdateWindow(h);
        COLORREF fill = CLR_INVALID;
        for (const CDrawOp& op : AfxGetDrawOps(h))
            if (op.nKind == CDrawOpKind::FillRect) fill = op.crBrush;
        EXPECT_EQ(RGB(218, 218, 218), fill) << id;
    }
    CClientDC dc(p);
    const HBRUSH hList = reinterpret_cast<HBRUSH>(
        ::SendMessage(p->GetSafeHwnd(), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                      reinterpret_cast<LPARAM>(Item(p, IDC_PANEL_SOURCE))));
    ASSERT_NE(nullptr, p->m_pBkBrush);
    EXPECT_NE(static_cast<HBRUSH>(*p->m_pBkBrush), hList);
    EXPECT_NE(nullptr, hList);
}

}  // namespace
