#include <gtest/gtest.h>

#include <string>

#include "board/board_errors.h"
#include "platform/ul/cbw.h"
#include "platform/win/user_agent_testing.h"
#include "support/main_dialog_fixture.h"

namespace {

class BoardErrors : public MainDialogFixture {
  protected:
    static std::string ErrText(int nCode) {
        char text[ERRSTRLEN];
        cbGetErrMsg(nCode, text);
        return text;
    }
    // One DDA02 in use, its two channels on domain 0..1.
    void UseDda02() {
        AttachDevices("PCI-DDA02/12:A1");
        Discover();
        UseBoard(0);
        for (int ch = 0; ch < 2; ++ch) {
            g_Params.fDomainMin[ch] = 0.0f;
            g_Params.fDomainMax[ch] = 1.0f;
            g_Params.range[ch].nUlRange = UNI5VOLTS;
        }
        CSimBoards::ClearCallLog();
    }
};

TEST_F(BoardErrors, CodeZeroIsNoError) {
    m_pDlg->m_pMessageLine->SetWindowText("keep");
    EXPECT_EQ(0, ReportBoardError(0));
    EXPECT_EQ(0, m_pDlg->ShowBoardError(0));
    EXPECT_TRUE(HostLog().empty());
    EXPECT_EQ("keep", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(0, m_pDlg->m_nMessageTicks);
}

TEST_F(BoardErrors, ReportGoesToTheHostLogWithTheLibraryText) {
    EXPECT_EQ(BADBOARD, ReportBoardError(BADBOARD));
    ASSERT_EQ(1u, HostLog().size());
    EXPECT_EQ("~Tessaro ERROR: " + ErrText(BADBOARD), HostLog()[0]);
}

TEST_F(BoardErrors, ShowBoardErrorAppendsTheBoardIndexAndKeepsTheState) {
    UseDda02();
    EXPECT_EQ(BADDACCHAN, m_pDlg->ShowBoardError(BADDACCHAN));
    EXPECT_EQ("GetErrMsg: " + ErrText(BADDACCHAN) + " #0", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(151, m_pDlg->m_nMessageTicks);
    EXPECT_FALSE(m_pDlg->m_bBoardError);

    g_Params.nBoardIndex = -1;
    m_pDlg->ShowBoardError(-123456789);  // the library's text for an unknown code, then " #-1"
    EXPECT_EQ("GetErrMsg: " + ErrText(-123456789) + " #-1", WindowText(IDC_MESSAGE_LINE));
}

TEST_F(BoardErrors, OneBoxAtATimeEvenWhenASecondFailureArrivesWhileItIsOpen) {
    UseDda02();
    m_pDlg->m_nDefaultPeriodMs = 50;  // five seconds are then 100 ticks
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDOK, [this] {
        m_pDlg->BoardErrorBox(" TTL input port error during access.\n Error: -5 ");
        EXPECT_FALSE(m_pDlg->m_bBoardError);  // the dropped report did not run the error line
    });
    m_pDlg->BoardErrorBox(" TTL_setOutput_to_values.\n Error: -3 ");
    const auto boxes = CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(" TTL_setOutput_to_values.\n Error: -3 ", std::string(boxes[0].strText.GetString()));
    EXPECT_EQ(m_pDlg->GetSafeHwnd(), boxes[0].hOwner);
    EXPECT_FALSE(g_bBoardErrorBoxOpen);
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    EXPECT_EQ(" PCI-DDA02/12 **ERROR **", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(100, m_pDlg->m_nMessageTicks);

    m_pDlg->BoardErrorBox("next");  // closed again: the next failure gets its box
    EXPECT_EQ(2u, CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()).size());
}

TEST_F(BoardErrors, ClearingZeroesTheOutputsOnlyWhenAsked) {
    UseDda02();
    m_pDlg->m_bBoardError = TRUE;
    m_pDlg->ZeroAnalogOutputs(-1);
    EXPECT_TRUE(Calls("cbAOut").empty());

    g_Params.bZeroAfterBoardError = 0;
    m_pDlg->ClearBoardError(TRUE);
    EXPECT_FALSE(m_pDlg->m_bBoardError);
    EXPECT_EQ("PCI-DDA02/12 ", WindowText(IDC_BOARD_LABEL));
    EXPECT_TRUE(Calls("cbAOut").empty());

    m_pDlg->m_bBoardError = TRUE;
    g_Params.bZeroAfterBoardError = 1;
    m_pDlg->ClearBoardError(FALSE);
    EXPECT_TRUE(Calls("cbAOut").empty());
    m_pDlg->ClearBoardError(TRUE);
    const auto writes = Calls("cbAOut");
    ASSERT_EQ(2u, writes.size());
    EXPECT_EQ("cbAOut(0, 0, 101, 0) = 0", writes[0].strText);
    EXPECT_EQ("cbAOut(0, 1, 101, 0) = 0", writes[1].strText);
}

TEST_F(BoardErrors, InputWrappersLeaveThePresetOnTheSimulatedBoard) {
    Discover();  // the simulated board only
    USHORT nValue = 123;
    ULONG nCount = 77;
    CSimBoards::ClearCallLog();
    EXPECT_EQ(0, m_pDlg->ReadDigitalPort(0, FIRSTPORTA, &nValue));
    EXPECT_EQ(0, m_pDlg->ReadCounter(0, 0, &nCount));
    EXPECT_EQ(123, nValue);
    EXPECT_EQ(77u, nCount);
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());

    m_pDlg->m_bSimulatedBoard = FALSE;
    EXPECT_EQ(BADBOARD, m_pDlg->ReadDigitalPort(0, FIRSTPORTA, &nValue));
}

TEST_F(BoardErrors, InputWrappersReadARealBoard) {
    UseDda02();
    ASSERT_TRUE(CSimBoards::SetPortInput(0, FIRSTPORTA, 0x5A));
    ASSERT_TRUE(CSimBoards::AdvanceCounter(0, 9));
    USHORT nValue = 0;
    ULONG nCount = 0;
    EXPECT_EQ(0, m_pDlg->ReadDigitalPort(0, FIRSTPORTA, &nValue));
    EXPECT_EQ(0, m_pDlg->ReadCounter(0, 0, &nCount));
    EXPECT_EQ(0x5A, nValue);
    EXPECT_EQ(9u, nCount);
}

}  // namespace
