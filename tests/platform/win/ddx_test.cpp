#include <gtest/gtest.h>

#include <string>

#include "platform/win/controls_testing.h"
#include "platform/win/ddx_testing.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_dialog_support.h"

namespace {

constexpr UINT kDlg = 9101;
constexpr UINT kInt = 1001, kFloat = 1002, kCheck = 1003, kRadioA = 1004, kRadioB = 1005, kText = 1006,
               kUint = 1007, kDouble = 1008, kAfter = 1009;

class CExchangeDlg : public CNoticeDlg {
  public:
    CExchangeDlg() : CNoticeDlg(kDlg) {}
    int m_nInt = 7;
    float m_fValue = 1.5f;
    float m_fMin = 0.0f, m_fMax = 10.0f;
    int m_bCheck = 1;
    int m_nRadio = 1;
    CString m_strText = "abc";
    UINT m_nUint = 3;
    double m_dValue = 0.25;
    int m_nAfter = 11;
    CEdit m_edit;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, kText, m_edit);
        DDX_Text(pDX, kInt, m_nInt);
        DDV_MinMaxInt(pDX, m_nInt, 1, 10000);
        DDX_Text(pDX, kFloat, m_fValue);
        DDV_MinMaxFloat(pDX, m_fValue, m_fMin, m_fMax);
        DDX_Check(pDX, kCheck, m_bCheck);
        DDX_Radio(pDX, kRadioA, m_nRadio);
        DDX_Text(pDX, kText, m_strText);
        DDV_MaxChars(pDX, m_strText, 5);
        DDX_Text(pDX, kUint, m_nUint);
        DDX_Text(pDX, kDouble, m_dValue);
        DDX_Text(pDX, kAfter, m_nAfter);
    }
};

class Ddx : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        const DWORD edit = WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
        AfxRegisterDialogTemplate(DlgTemplate(
            kDlg,
            {DlgItem(kInt, "Edit", "", edit, 10, 10, 40, 12),
             DlgItem(kFloat, "Edit", "", edit, 10, 25, 40, 12),
             DlgItem(kCheck, "Button", "Check", WS_VISIBLE | BS_AUTOCHECKBOX, 10, 40, 40, 10),
             DlgItem(kRadioA, "Button", "A", WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 10, 55, 20, 10),
             DlgItem(kRadioB, "Button", "B", WS_VISIBLE | BS_AUTORADIOBUTTON, 40, 55, 20, 10),
             DlgItem(kText, "Edit", "", edit | WS_GROUP, 10, 70, 40, 12),
             DlgItem(kUint, "Edit", "", edit, 60, 10, 40, 12),
             DlgItem(kDouble, "Edit", "", edit, 60, 25, 40, 12),
             DlgItem(kAfter, "Edit", "", edit, 60, 40, 40, 12)}));
        ASSERT_TRUE(m_dlg.Create(kDlg));  // OnInitDialog writes the members into the controls
        m_dlg.ShowWindow(SW_SHOW);
    }

    std::string Text(UINT nID) const {
        CString s;
        CWndTesting::GetDlgItemText(m_dlg, static_cast<int>(nID), s);
        return s.Str();
    }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> out;
        for (const CUserEvent& e : CRecordingUserAgentTesting::MessageBoxes(Agent()))
            out.push_back(e.strText.Str());
        return out;
    }

    CExchangeDlg m_dlg;
};

TEST_F(Ddx, WritingFormatsEveryFieldAndReadingBringsTheMembersBack) {
    EXPECT_EQ("7", Text(kInt));
    EXPECT_EQ("1.5", Text(kFloat));
    EXPECT_EQ(BST_CHECKED, m_dlg.IsDlgButtonChecked(kCheck));
    EXPECT_EQ(BST_CHECKED, m_dlg.IsDlgButtonChecked(kRadioB));
    EXPECT_EQ(BST_UNCHECKED, m_dlg.IsDlgButtonChecked(kRadioA));
    EXPECT_EQ("abc", Text(kText));
    EXPECT_EQ("0.25", Text(kDouble));
    EXPECT_EQ(&m_dlg.m_edit, m_dlg.GetDlgItem(kText));  // DDX_Control attached the member

    m_dlg.SetDlgItemText(kInt, " -42 ");
    m_dlg.SetDlgItemText(kFloat, "2.5e0");
    m_dlg.CheckDlgButton(kCheck, BST_UNCHECKED);
    AfxUserClick(m_dlg.GetDlgItem(kRadioA)->m_hWnd);
    m_dlg.SetDlgItemText(kText, "xy");
    m_dlg.SetDlgItemText(kUint, "4000000000");
    m_dlg.SetDlgItemText(kDouble, "0.1");
    m_dlg.SetDlgItemText(kInt, "42");
    ASSERT_TRUE(m_dlg.UpdateData(TRUE));
    EXPECT_EQ(42, m_dlg.m_nInt);
    EXPECT_FLOAT_EQ(2.5f, m_dlg.m_fValue);
    EXPECT_EQ(0, m_dlg.m_bCheck);
    EXPECT_EQ(0, m_dlg.m_nRadio);
    EXPECT_EQ("xy", m_dlg.m_strText.Str());
    EXPECT_EQ(4000000000u, m_dlg.m_nUint);
    EXPECT_DOUBLE_EQ(0.1, m_dlg.m_dValue);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Ddx, FloatsAreWrittenWithSixSignificantDigits) {
    const std::pair<float, const char*> cases[] = {
        {1.5f, "1.5"},         {0.1f, "0.1"}, {1.0f, "1"}, {-999.0f, "-999"}, {123456789.0f, "1.23457e+08"},
        {2.0f / 3, "0.666667"}};
    for (const auto& [v, text] : cases) {
        m_dlg.m_fValue = v;
        m_dlg.m_fMax = 1e9f;
        m_dlg.m_fMin = -1e9f;
        ASSERT_TRUE(m_dlg.UpdateData(FALSE));
        EXPECT_EQ(text, Text(kFloat)) << v;
    }
    m_dlg.m_dValue = 0.1;
    m_dlg.UpdateData(FALSE);
    EXPECT_EQ("0.1", Text(kDouble));
}

TEST_F(Ddx, NotANumberShowsTheMessageLeavesMembersAndFocusesTheEdit) {
    m_dlg.SetDlgItemText(kInt, "abc");
    m_dlg.SetDlgItemText(kAfter, "99");
    EXPECT_FALSE(m_dlg.UpdateData(TRUE));
    ASSERT_EQ(std::vector<std::string>{"Enter a number."}, Boxes());
    EXPECT_EQ(MB_ICONEXCLAMATION,
              CUserEventTesting::Icon(CRecordingUserAgentTesting::MessageBoxes(Agent())[0]));
    EXPECT_EQ(7, m_dlg.m_nInt);
    EXPECT_EQ(11, m_dlg.m_nAfter);  // the exchange stopped at the failing field
    ASSERT_NE(nullptr, CWnd::GetFocus());
    EXPECT_EQ(static_cast<int>(kInt), CWnd::GetFocus()->GetDlgCtrlID());
    int s = -1, e = -1;
    CEditTesting::GetSel(*static_cast<CEdit*>(m_dlg.GetDlgItem(kInt)), s, e);
    EXPECT_EQ(0, s);
    EXPECT_EQ(3, e);
}

struct ParseCase {
    UINT nID;
    const char* pszText;
    bool bNumber;
};

TEST_F(Ddx, TextMustBeTheWholeNumberOfItsType) {
    const ParseCase cases[] = {
        {kInt, "", false},
        {kInt, "12x", false},
        {kInt, "2147483648", false},
        {kInt, "99999999999999999999999", false},
        {kInt, "+12", true},
        {kUint, "-1", false},
        {kUint, "4294967296", false},
        {kFloat, " 2.5 ", true},
        {kFloat, "1e30", true},
        {kFloat, "1e40", false},
        {kFloat, "nan", false},
        {kFloat, "inf", false},
        {kFloat, "0x10", false},
        {kFloat, ".5", true},
        {kFloat, "5.", true},
        {kFloat, "1e", false},
        {kFloat, "-", false},
        {kDouble, "1e300", true},
        {kDouble, "1e400", false},
    };
    m_dlg.m_fMax = 1e38f;
    for (const ParseCase& c : cases) {
        CRecordingUserAgentTesting::ClearEvents(Agent());
        m_dlg.UpdateData(FALSE);
        m_dlg.SetDlgItemText(static_cast<int>(c.nID), c.pszText);
        m_dlg.UpdateData(TRUE);
        const bool bMessage = !Boxes().empty() && Boxes()[0] == "Enter a number.";
        EXPECT_EQ(!c.bNumber, bMessage) << c.pszText;
    }
}

TEST_F(Ddx, RangeMessagesCarryTheBoundsInTheExchangeFormat) {
    m_dlg.SetDlgItemText(kFloat, "10.5");
    EXPECT_FALSE(m_dlg.UpdateData(TRUE));
    EXPECT_FLOAT_EQ(1.5f, m_dlg.m_fValue);  // a value that fails its range check is not stored
    m_dlg.m_fMin = -10000.0f;
    m_dlg.m_fMax = 10000.0f;
    m_dlg.SetDlgItemText(kFloat, "1e30");  // a float, outside the range
    EXPECT_FALSE(m_dlg.UpdateData(TRUE));
    m_dlg.m_fMin = -999.5f;
    m_dlg.m_fMax = 0.1f;
    EXPECT_FALSE(m_dlg.UpdateData(TRUE));
    m_dlg.m_fMax = 10.0f;
    m_dlg.SetDlgItemText(kFloat, "1");
    m_dlg.SetDlgItemText(kInt, "0");
    EXPECT_FALSE(m_dlg.UpdateData(TRUE));
    m_dlg.SetDlgItemText(kInt, "5");
    m_dlg.SetDlgItemText(kText, "toolong");
    EXPECT_FALSE(m_dlg.UpdateData(TRUE));
    EXPECT_EQ((std::vector<std::string>{
                  "Enter a number between 0 and 10.", "Enter a number between -10000 and 10000.",
                  "Enter a number between -999.5 and 0.1.", "Enter a number between 1 and 10000.",
                  "Enter no more than 5 characters."}),
              Boxes());
    EXPECT_FLOAT_EQ(1.0f, m_dlg.m_fValue);  // fields before the failing one are read
}

TEST_F(Ddx, WritingAnUnchangedTextRaisesNoChangeAndOutOfRangeCheckWritesUnchecked) {
    m_dlg.m_notices.clear();
    m_dlg.UpdateData(FALSE);
    EXPECT_EQ(0, m_dlg.Count(WM_COMMAND, kInt, EN_CHANGE));
    m_dlg.m_nInt = 8;
    m_dlg.m_bCheck = 5;
    m_dlg.UpdateData(FALSE);
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kInt, EN_CHANGE));
    EXPECT_EQ(BST_UNCHECKED, m_dlg.IsDlgButtonChecked(kCheck));
    EXPECT_EQ(5u, CEditTesting::GetLimitText(m_dlg.m_edit));  // DDV_MaxChars limits the edit when writing
}

}  // namespace
