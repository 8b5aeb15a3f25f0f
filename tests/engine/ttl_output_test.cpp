#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ttl_output.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

class TtlOutput : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        g_nLastTtlOutput = 9999999;
        g_nTtlShadowWord = 0;
        g_nTtlTestCount = 0;
        g_Params.nTtlRadixId = ID_TTL_HEX;
    }
    void TearDown() override {
        m_pDlg->m_bBurstBusy = FALSE;  // a burst left running would be waited for by the dialog's end
        MainDialogFixture::TearDown();
    }
    // Uses the device as record 0, with the given ports as outputs.
    void UseDevice(const std::string& strDevice, std::initializer_list<int> outputPorts = {}) {
        AttachDevices(strDevice);
        Discover();
        UseBoard(0);
        for (int nPort : outputPorts) ASSERT_EQ(0, cbDConfigPort(0, nPort, DIGITALOUT));
        CSimBoards::ClearCallLog();
    }
    static std::vector<std::string> CallTexts(const std::string& strName) {
        std::vector<std::string> texts;
        for (const SimCallRecord& rec : Calls(strName)) texts.push_back(rec.strText);
        return texts;
    }
    static std::vector<int> ReportedBytes() {
        std::vector<int> bytes;
        for (const SimHostPrivateStatus& s : SimHost().PrivateStatusRecord())
            if (s.nItem == kSimHostStatusTtlOutput) bytes.push_back(s.nValue);
        return bytes;
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const CUserEvent& e : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            texts.emplace_back(static_cast<const char*>(e.strText));
        return texts;
    }
};

TEST_F(TtlOutput, UnchangedCodesAreSkippedUntilZeroed) {
    UseDevice("PCI-DDA08/12:A1", {SECONDPORTA});
    m_pDlg->TTL_setOutput_to_values(0);  // the stored last value can equal no code
    m_pDlg->TTL_setOutput_to_values(0);
    m_pDlg->TTL_setOutput_to_values(5);
    m_pDlg->TTL_setOutput_to_values(5);
    EXPECT_EQ((std::vector<std::string>{"cbDOut(0, 14, 0) = 0", "cbDOut(0, 14, 5) = 0"}),
              CallTexts("cbDOut"));
    EXPECT_EQ(" bitCode:  (hex) 0x5", WindowText(IDC_TTL_OUTPUT));

    m_pDlg->TTL_setOutput_to_zero(" Initialized to zero");
    m_pDlg->TTL_setOutput_to_zero("again");  // already zeroed: nothing
    EXPECT_EQ(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));
    m_pDlg->TTL_setOutput_to_values(5);  // unchanged, but the outputs were zeroed since
    // Bits above 7 reach the port and never count as unchanged; the host hears the low byte only.
    m_pDlg->TTL_setOutput_to_values(0x105);
    m_pDlg->TTL_setOutput_to_values(0x105);
    EXPECT_EQ((std::vector<std::string>{"cbDOut(0, 14, 0) = 0", "cbDOut(0, 14, 5) = 0",
                                        "cbDOut(0, 14, 0) = 0", "cbDOut(0, 14, 5) = 0",
                                        "cbDOut(0, 14, 261) = 0", "cbDOut(0, 14, 261) = 0"}),
              CallTexts("cbDOut"));
    EXPECT_EQ((std::vector<int>{0, 5, 5, 5, 5}), ReportedBytes());
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(TtlOutput, FailedWritesAndZeroing) {
    UseDevice("PCI-DDA08/12:A1");  // port 14 left as input: every write is refused
    m_pDlg->m_pTtlOutputLine->SetWindowText("");
    m_pDlg->TTL_setOutput_to_zero(" Initialized to zero");
    EXPECT_EQ(std::vector<std::string>{" TTL_setOutput_to_zero.\n Error: -4 "}, BoxTexts());
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    EXPECT_EQ("", WindowText(IDC_TTL_OUTPUT));

    m_pDlg->ClearBoardError(FALSE);
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->TTL_setOutput_to_values(3);
    m_pDlg->TTL_setOutput_to_values(4);  // in the board-error state: written, no second box
    EXPECT_EQ(std::vector<std::string>{" TTL_setOutput_to_values.\n Error: -3 "}, BoxTexts());
    EXPECT_EQ(3u, Calls("cbDOut").size());
    EXPECT_EQ((std::vector<int>{3, 4}), ReportedBytes());  // told although the write failed
    EXPECT_EQ(4, g_nLastTtlOutput);

    // No board: a code is a failed write, zeroing succeeds without one.
    m_pDlg->m_nBoardFamily = FAMILY_NONE;
    m_pDlg->ClearBoardError(FALSE);
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->TTL_setOutput_to_zero(" TTL zeroed when outputs of ROI is disabled.");
    EXPECT_EQ(" TTL zeroed when outputs of ROI is disabled.", WindowText(IDC_TTL_OUTPUT));
    m_pDlg->TTL_setOutput_to_values(1);
    EXPECT_EQ(1u, BoxTexts().size());
    EXPECT_EQ(3u, CSimBoards::GetCallLog().size());
}

TEST_F(TtlOutput, BurstBitsAreHeldInTheRegionCode) {
    UseDevice("PCI-DDA08/12:A1", {SECONDPORTA});
    m_pDlg->TTL_setOutput_to_values(0x11);
    SimHost().ForceGazePoint(0, 0.5f, 0.5f);
    for (int nRoi : {0, 1, 6}) CRS_SendCommand("setROI_RealRect %d 0.4 0.4 0.6 0.6", nRoi);  // code 0x43

    m_pDlg->m_bBurstBusy = TRUE;
    m_pDlg->TTL_setOutput_to_values(0x8080);
    m_pDlg->TTL_setOutput_to_values(0x8080);  // during a burst every code is written
    EXPECT_EQ(0x0080, m_pDlg->m_nHeldBits);
    EXPECT_EQ(0x11, g_nLastTtlOutput);
    m_pDlg->OutputRoiCode();  // bit 6 belongs to the burst; its held bit 7 joins
    EXPECT_EQ(0x83, g_nTtlShadowWord.load());
    EXPECT_EQ(" bitCode:  (hex) 0x83", WindowText(IDC_TTL_OUTPUT));

    // Outside a burst the region code goes out as it is, unchanged or not, and is not reported.
    m_pDlg->m_bBurstBusy = FALSE;
    m_pDlg->OutputRoiCode();
    m_pDlg->OutputRoiCode();
    EXPECT_EQ((std::vector<std::string>{"cbDOut(0, 14, 17) = 0", "cbDOut(0, 14, 128) = 0",
                                        "cbDOut(0, 14, 128) = 0", "cbDOut(0, 14, 131) = 0",
                                        "cbDOut(0, 14, 67) = 0", "cbDOut(0, 14, 67) = 0"}),
              CallTexts("cbDOut"));
    EXPECT_EQ((std::vector<int>{0x11, 0x80, 0x80}), ReportedBytes());
}

TEST_F(TtlOutput, AdvancedDialogMergesButNeverOnThePulsePort) {
    UseDevice("PCI-DIO24:B1", {FIRSTPORTB, FIRSTPORTCL});
    m_pDlg->m_nPulsePort = FIRSTPORTCL;
    m_pDlg->WriteDigitalPort(0, FIRSTPORTB, 0x8001);  // neither burst nor dialog: as it is
    m_pDlg->m_bAdvancedOpen = TRUE;
    m_pDlg->WriteDigitalPort(0, FIRSTPORTB, 0x8080);
    m_pDlg->WriteDigitalPort(0, FIRSTPORTB, 0x3F);
    m_pDlg->WriteDigitalPort(0, FIRSTPORTB, 0x80FF);  // only the burst bits come from a burst write
    m_pDlg->WriteDigitalPort(0, FIRSTPORTCL, 0x8005);
    EXPECT_EQ((std::vector<std::string>{"cbDOut(0, 11, 32769) = 0", "cbDOut(0, 11, 128) = 0",
                                        "cbDOut(0, 11, 191) = 0", "cbDOut(0, 11, 255) = 0",
                                        "cbDOut(0, 12, 32773) = 0"}),
              CallTexts("cbDOut"));
    EXPECT_EQ(0xFF, g_nTtlShadowWord.load());
}

TEST_F(TtlOutput, The1208HsWritesLineByLineAndTheTestPatternOnlyShows) {
    UseDevice("USB-1208HS:C1");
    for (int nLine = 8; nLine < 16; ++nLine) ASSERT_EQ(0, cbDConfigBit(0, AUXPORT, nLine, DIGITALOUT));
    CSimBoards::ClearCallLog();
    m_pDlg->TTL_setOutput_to_values(0x05);
    EXPECT_EQ((std::vector<std::string>{"cbDBitOut(0, 1, 8, 1) = 0", "cbDBitOut(0, 1, 9, 0) = 0",
                                        "cbDBitOut(0, 1, 10, 4) = 0", "cbDBitOut(0, 1, 11, 0) = 0",
                                        "cbDBitOut(0, 1, 12, 0) = 0", "cbDBitOut(0, 1, 13, 0) = 0",
                                        "cbDBitOut(0, 1, 14, 0) = 0", "cbDBitOut(0, 1, 15, 0) = 0"}),
              CallTexts("cbDBitOut"));
    EXPECT_EQ(0x05, CSimBoards::GetTtlOutputByte(0));
    m_pDlg->TestTtlOutput();
    EXPECT_EQ(" TTL out: (hex) 0x1 TEST", WindowText(IDC_TTL_OUTPUT));
    EXPECT_EQ(8u, CSimBoards::GetCallLog().size());
}

TEST_F(TtlOutput, TestPatternCountsModulo256) {
    UseDevice("PCI-DDA08/12:A1", {SECONDPORTA});
    m_pDlg->ShowTtlOutput(0x21);
    for (int i = 0; i < 257; ++i) m_pDlg->TestTtlOutput();
    const std::vector<std::string> texts = CallTexts("cbDOut");
    ASSERT_EQ(257u, texts.size());
    EXPECT_EQ("cbDOut(0, 14, 1) = 0", texts[0]);
    EXPECT_EQ("cbDOut(0, 14, 0) = 0", texts[255]);
    EXPECT_EQ("cbDOut(0, 14, 1) = 0", texts[256]);
    m_pDlg->ShowTtlOutput(-1);  // the test value was not recorded as shown
    EXPECT_EQ(" bitCode:  (hex) 0x21", WindowText(IDC_TTL_OUTPUT));
}

}  // namespace
