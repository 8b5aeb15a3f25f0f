#include "platform/win/dialog_user_agent.h"
#include "platform/win/clock_testing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "platform/win/controls_testing.h"
#include "platform/win/dialog_user_agent_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/list_box.h"
#include "platform/win/list_box_testing.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_fixture.h"

namespace fs = std::filesystem;

namespace {

// Runs the script's steps one per idle turn of the open dialog's loop, the next only once the previous
// step's input has been handled.
class CIdleScript {
  public:
    explicit CIdleScript(std::vector<std::function<void()>> steps) : m_steps(std::move(steps)) {
        m_hook = CMessageLoop::AddIdleHook([this] {
            if (m_nNext >= m_steps.size() || !IsOpen()) return;
            m_steps[m_nNext++]();
        });
    }
    ~CIdleScript() { CMessageLoop::RemoveIdleHook(m_hook); }
    CIdleScript(const CIdleScript&) = delete;
    CIdleScript& operator=(const CIdleScript&) = delete;
    size_t StepsRun() const { return m_nNext; }

  private:
    static bool IsOpen() {
        CWnd* p = CFileChooserDialogTesting::GetOpenDialog();
        if (CMessageBoxDialog* pBox = CMessageBoxDialogTesting::GetOpenBox()) p = pBox;
        return p != nullptr && p->IsWindowVisible();
    }
    std::vector<std::function<void()>> m_steps;
    size_t m_nNext = 0;
    UINT_PTR m_hook = 0;
};

HWND BoxItem(int nID) {
    CMessageBoxDialog* pBox = CMessageBoxDialogTesting::GetOpenBox();
    CWnd* p = pBox ? pBox->GetDlgItem(nID) : nullptr;
    return p ? p->m_hWnd : nullptr;
}

HWND FileItem(int nID) {
    CFileChooserDialog* pDlg = CFileChooserDialogTesting::GetOpenDialog();
    CWnd* p = pDlg ? pDlg->GetDlgItem(nID) : nullptr;
    return p ? p->m_hWnd : nullptr;
}

std::string TextOf(HWND h) {
    char sz[512] = {};
    ::GetWindowTextA(h, sz, sizeof sz);
    return sz;
}

class DialogUserAgent : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        ASSERT_TRUE(m_owner.CreateTopLevel(WS_POPUP | WS_VISIBLE | WS_CAPTION));
        m_pAgent = std::make_unique<CDialogUserAgent>();
        AfxSetUserAgent(m_pAgent.get());
    }
    void TearDown() override {
        AfxSetUserAgent(nullptr);
        m_owner.DestroyWindow();
        CWinTestFixture::TearDown();
    }
    int Box(const char* pszText, const char* pszCaption, UINT nType) {
        return ::MessageBoxA(m_owner.m_hWnd, pszText, pszCaption, nType);
    }

    CRecordingWnd m_owner;
    std::unique_ptr<CDialogUserAgent> m_pAgent;
};

// ---- Message boxes ----

TEST_F(DialogUserAgent, EveryButtonOfEveryKindAnswersWithItsId) {
    const UINT kinds[] = {MB_OK,    MB_OKCANCEL,    MB_ABORTRETRYIGNORE, MB_YESNOCANCEL,
                          MB_YESNO, MB_RETRYCANCEL, MB_CANCELTRYCONTINUE};
    for (UINT nKind : kinds) {
        for (int nButton : CMessageBoxDialogTesting::ButtonsOf(nKind)) {
            CIdleScript script({[nButton] { EXPECT_TRUE(AfxUserClick(BoxItem(nButton))); }});
            EXPECT_EQ(nButton, Box("Question", "Caption", nKind))
                << "kind " << nKind << " button " << nButton;
            EXPECT_EQ(1u, script.StepsRun());
        }
    }
    EXPECT_EQ(3u, CMessageBoxDialogTesting::ButtonsOf(MB_YESNOCANCEL).size());
    EXPECT_EQ(CMessageBoxDialogTesting::ButtonsOf(MB_OK), std::vector<int>{IDOK});
    EXPECT_FALSE(m_bStalled);
}

TEST_F(DialogUserAgent, EnterChoosesTheDefaultButtonAndEscapeOnlyWhereACancelExists) {
    {
        CIdleScript script(
            {[] { EXPECT_TRUE(AfxUserPressEnter(CMessageBoxDialogTesting::GetOpenBox()->m_hWnd)); }});
        EXPECT_EQ(IDNO, Box("Quit?", "Caption", MB_YESNO | MB_DEFBUTTON2));
    }
    {
        CIdleScript script({[] { AfxUserPressEnter(CMessageBoxDialogTesting::GetOpenBox()->m_hWnd); }});
        EXPECT_EQ(IDCANCEL, Box("Go on?", "Caption", MB_YESNOCANCEL | MB_DEFBUTTON3));
    }
    {
        CIdleScript script({[] { AfxUserPressEscape(CMessageBoxDialogTesting::GetOpenBox()->m_hWnd); }});
        EXPECT_EQ(IDCANCEL, Box("Go on?", "Caption", MB_OKCANCEL));
    }
    {
        CIdleScript script({[] { AfxUserPressEscape(CMessageBoxDialogTesting::GetOpenBox()->m_hWnd); }});
        EXPECT_EQ(IDOK, Box("Done.", "Caption", MB_OK));
    }
    {
        // Yes/No has no answer for Escape or the close box: the box stays until a button is clicked.
        bool bStillOpen = false;
        CIdleScript script({[] { AfxUserPressEscape(CMessageBoxDialogTesting::GetOpenBox()->m_hWnd); },
                            [] { AfxUserClose(CMessageBoxDialogTesting::GetOpenBox()->m_hWnd); },
                            [&] {
                                bStillOpen = true;
                                AfxUserClick(BoxItem(IDYES));
                            }});
        EXPECT_EQ(IDYES, Box("Quit?", "Caption", MB_YESNO));
        EXPECT_TRUE(bStillOpen);
    }
    EXPECT_FALSE(m_bStalled);
}

// A button's underlined letter answers the box, with or without Alt, in either case of the letter;
// a letter no button has does nothing.
TEST_F(DialogUserAgent, TheButtonsLettersAnswerTheBox) {
    const auto press = [](int nKey) {
        return [nKey] { AfxUserPressKey(CMessageBoxDialogTesting::GetOpenBox()->m_hWnd, nKey); };
    };
    {
        CIdleScript script({press('N')});
        EXPECT_EQ(IDNO, Box("Quit?", "Caption", MB_YESNO));
    }
    {
        CIdleScript script({press('Q'), press('Y')});
        EXPECT_EQ(IDYES, Box("Quit?", "Caption", MB_YESNO | MB_DEFBUTTON2));
        EXPECT_EQ(2u, script.StepsRun());
    }
    {
        CIdleScript script({press('R')});
        EXPECT_EQ(IDRETRY, Box("Again?", "Caption", MB_RETRYCANCEL));
    }
    {
        CIdleScript script({press('I')});
        EXPECT_EQ(IDIGNORE, Box("Again?", "Caption", MB_ABORTRETRYIGNORE));
    }
    {
        // Alt+C: Continue, the button whose letter C is underlined (Cancel has none).
        CIdleScript script(
            {[] { ::PostMessageA(::GetFocus(), WM_SYSKEYDOWN, 'C', static_cast<LPARAM>(1) << 29); }});
        EXPECT_EQ(IDCONTINUE, Box("Go on?", "Caption", MB_CANCELTRYCONTINUE));
    }
    {
        // With Ctrl held the letter is no answer.
        CIdleScript script({[&] {
                                CWinSimulationTesting::SetKeyDown(VK_CONTROL, TRUE);
                                press('Y')();
                            },
                            [] {
                                CWinSimulationTesting::SetKeyDown(VK_CONTROL, FALSE);
                                AfxUserClick(BoxItem(IDNO));
                            }});
        EXPECT_EQ(IDNO, Box("Quit?", "Caption", MB_YESNO));
    }
    EXPECT_FALSE(m_bStalled);
}

TEST_F(DialogUserAgent, BoxShowsTextCaptionIconAndButtonsAndDisablesItsOwner) {
    const std::string longText(300, 'w');
    const std::string text = "Short line\n" + std::string("word ") + longText.substr(0, 20) + " " +
                             std::string(60, 'x') + " " + std::string(60, 'y');
    bool bOwnerDisabled = false;
    std::string strShownText, strCaption, strOk, strCancel;
    LONG_PTR exStyle = 0;
    RECT rcText{};
    int nEllipses = 0;
    CIdleScript script({[&] {
        CMessageBoxDialog* pBox = CMessageBoxDialogTesting::GetOpenBox();
        bOwnerDisabled = !m_owner.IsWindowEnabled();
        strShownText = TextOf(BoxItem(kMessageBoxTextId));
        strCaption = TextOf(pBox->m_hWnd);
        strOk = TextOf(BoxItem(IDOK));
        strCancel = TextOf(BoxItem(IDCANCEL));
        exStyle = ::GetWindowLongPtrA(pBox->m_hWnd, GWL_EXSTYLE);
        ::GetClientRect(BoxItem(kMessageBoxTextId), &rcText);
        for (const CDrawOp& op : AfxGetDrawOps(pBox->m_hWnd)) nEllipses += op.nKind == CDrawOpKind::Ellipse;
        AfxUserClick(BoxItem(IDOK));
    }});
    EXPECT_EQ(IDOK, Box(text.c_str(), "Corvessa~Tessaro ", MB_OKCANCEL | MB_ICONHAND | MB_TOPMOST));
    EXPECT_TRUE(bOwnerDisabled);
    EXPECT_TRUE(m_owner.IsWindowEnabled());
    EXPECT_EQ(text, strShownText);
    EXPECT_EQ("Corvessa~Tessaro ", strCaption);
    EXPECT_EQ("OK", strOk);
    EXPECT_EQ("Cancel", strCancel);
    EXPECT_NE(0, exStyle & WS_EX_TOPMOST);
    EXPECT_EQ(1, nEllipses);  // the error icon
    EXPECT_LE(rcText.right, kMessageBoxMaxTextWidth);
    // Two explicit lines and the long words broken: more than three lines of the fixed metrics.
    EXPECT_GT(rcText.bottom, 3 * 13);
    EXPECT_EQ(nullptr, CMessageBoxDialogTesting::GetOpenBox());
}

TEST_F(DialogUserAgent, TheOwnerTakesTheActivationBackWhenABoxCloses) {
    // The owner's control had the focus; the box takes it, and when it closes the control has it again.
    CRecordingWnd child;
    ASSERT_TRUE(child.CreateChild(&m_owner, 501));
    ::SetFocus(child.m_hWnd);
    HWND hActiveWhileOpen = nullptr;
    CIdleScript script({[&] {
        hActiveWhileOpen = ::GetActiveWindow();
        AfxUserClick(BoxItem(IDOK));
    }});
    EXPECT_EQ(IDOK, Box("Note", "Caption", MB_OK));
    ASSERT_NE(nullptr, hActiveWhileOpen);
    EXPECT_NE(m_owner.m_hWnd, hActiveWhileOpen) << "the box is active while it is open";
    EXPECT_EQ(child.m_hWnd, ::GetFocus());
    EXPECT_EQ(m_owner.m_hWnd, ::GetActiveWindow());
}

TEST_F(DialogUserAgent, TimersAndPostedMessagesRunWhileABoxIsOpen) {
    m_owner.SetTimer(5, 50, nullptr);
    int nTimersSeen = 0;
    CIdleScript script({[] { CClockTesting::Advance(60); }, [] { CClockTesting::Advance(60); },
                        [] { CClockTesting::Advance(60); },
                        [&] {
                            nTimersSeen = m_owner.Count(WM_TIMER);
                            AfxUserClick(BoxItem(IDOK));
                        }});
    EXPECT_EQ(IDOK, Box("Wait", "Caption", MB_OK));
    EXPECT_EQ(3, nTimersSeen);
    CWndTesting::KillTimer(m_owner, 5);
}

TEST_F(DialogUserAgent, RecordsTheSameBoxesAsTheHeadlessAgent) {
    std::vector<CUserEvent> observed;
    m_pAgent->SetObserver([&](const CUserEvent& ev) { observed.push_back(ev); });
    {
        CIdleScript script({[] { AfxUserClick(BoxItem(IDNO)); }});
        EXPECT_EQ(IDNO, Box("Quit TessaroPro?                  ", "TessaroPro", MB_YESNO | MB_ICONQUESTION));
    }
    AfxSetUserAgent(nullptr);
    CScriptedUserAgentTesting::QueueAnswer(Agent(), IDNO);
    EXPECT_EQ(IDNO, Box("Quit TessaroPro?                  ", "TessaroPro", MB_YESNO | MB_ICONQUESTION));
    const std::vector<CUserEvent> mine = CRecordingUserAgentTesting::MessageBoxes(*m_pAgent);
    const std::vector<CUserEvent> headless = CRecordingUserAgentTesting::MessageBoxes(Agent());
    ASSERT_EQ(1u, mine.size());
    ASSERT_EQ(1u, headless.size());
    ASSERT_EQ(1u, observed.size());
    for (const CUserEvent* p : {&mine[0], static_cast<const CUserEvent*>(&observed[0])}) {
        EXPECT_EQ(headless[0].strText, p->strText);
        EXPECT_EQ(headless[0].strCaption, p->strCaption);
        EXPECT_EQ(headless[0].nType, p->nType);
        EXPECT_EQ(headless[0].hOwner, p->hOwner);
        EXPECT_EQ(headless[0].nResult, p->nResult);
        EXPECT_EQ(headless[0].nDepth, p->nDepth);
    }
}

TEST_F(DialogUserAgent, BoxOfAnotherThreadIsRecordedAndAnsweredByDefault) {
    int nResult = 0;
    CUserEvent box;
    box.nType = MB_YESNO | MB_DEFBUTTON2;
    box.strText = "From a worker";
    std::thread worker([&] { nResult = m_pAgent->ShowMessageBox(box); });
    worker.join();
    EXPECT_EQ(IDNO, nResult);
    ASSERT_EQ(1u, CRecordingUserAgentTesting::MessageBoxes(*m_pAgent).size());
    EXPECT_EQ(IDNO, CRecordingUserAgentTesting::MessageBoxes(*m_pAgent)[0].nResult);
    EXPECT_EQ("From a worker", CRecordingUserAgentTesting::MessageBoxes(*m_pAgent)[0].strText.Str());
}

// ---- File dialogs ----

class DialogUserAgentFiles : public DialogUserAgent {
  protected:
    void SetUp() override {
        DialogUserAgent::SetUp();
        m_root =
            fs::temp_directory_path() / ("tessaro-files-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "b_sub");
        fs::create_directories(m_root / "A_dir");
        for (const char* name : {"x.prm", "y.txt", "Z.PRM", ".hidden.prm"}) Touch(m_root / name);
        Touch(m_root / "b_sub" / "inner.prm");
        m_root = fs::canonical(m_root);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_root, ec);
        DialogUserAgent::TearDown();
    }
    static void Touch(const fs::path& p) { std::ofstream(p) << "x"; }

    static std::vector<std::string> Entries() {
        std::vector<std::string> v;
        auto* pList = static_cast<CListBox*>(CWnd::FromHandle(FileItem(kFileDialogListId)));
        for (int i = 0; i < CListBoxTesting::GetCount(*pList); ++i) {
            CString s;
            CListBoxTesting::GetText(*pList, i, s);
            v.push_back(s.Str());
        }
        return v;
    }
    static int IndexOf(const std::string& strEntry) {
        const std::vector<std::string> v = Entries();
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i] == strEntry) return static_cast<int>(i);
        return -1;
    }
    // A double click on an entry, as the mouse gives it (press, release, double click, release).
    static void DoubleClick(const std::string& strEntry) {
        HWND hList = FileItem(kFileDialogListId);
        const int nIndex = IndexOf(strEntry);
        ASSERT_GE(nIndex, 0) << strEntry;
        const int itemH = AfxControlItemHeight(hList);
        const LPARAM pt = MAKELPARAM(5, nIndex * itemH + 1);
        ::PostMessageA(hList, WM_LBUTTONDOWN, MK_LBUTTON, pt);
        ::PostMessageA(hList, WM_LBUTTONUP, 0, pt);
        ::PostMessageA(hList, WM_LBUTTONDBLCLK, MK_LBUTTON, pt);
        ::PostMessageA(hList, WM_LBUTTONUP, 0, pt);
    }
    INT_PTR Open(CFileDialog& dlg) {
        dlg.m_ofn.lpstrInitialDir = m_strInitial.c_str();
        return dlg.DoModal();
    }

    fs::path m_root;
    std::string m_strInitial;
};

TEST_F(DialogUserAgentFiles, ListsFoldersFirstAndTheFilteredFilesAndGoesInAndUp) {
    m_strInitial = m_root.string();
    std::vector<std::string> top, inside, back;
    std::string strFolderShown, strFolderInside;
    CFileDialog dlg(TRUE, "prm", nullptr, OFN_FILEMUSTEXIST, "PRM files (*.prm)|*.prm||", &m_owner);
    CIdleScript script({[&] {
                            top = Entries();
                            strFolderShown = TextOf(FileItem(kFileDialogFolderId));
                            DoubleClick("[b_sub]");
                        },
                        [&] {
                            inside = Entries();
                            strFolderInside = TextOf(FileItem(kFileDialogFolderId));
                            DoubleClick("[..]");
                        },
                        [&] {
                            back = Entries();
                            AfxUserClick(FileItem(IDCANCEL));
                        }});
    EXPECT_EQ(IDCANCEL, Open(dlg));
    EXPECT_EQ((std::vector<std::string>{"[..]", "[A_dir]", "[b_sub]", "x.prm", "Z.PRM"}), top);
    EXPECT_EQ(m_root.string(), strFolderShown);
    EXPECT_EQ((std::vector<std::string>{"[..]", "inner.prm"}), inside);
    EXPECT_EQ((m_root / "b_sub").string(), strFolderInside);
    EXPECT_EQ(top, back);
    ASSERT_EQ(1u, CRecordingUserAgentTesting::Events(*m_pAgent).size());
    EXPECT_EQ(IDCANCEL, CRecordingUserAgentTesting::Events(*m_pAgent)[0].nResult);
    EXPECT_TRUE(CRecordingUserAgentTesting::Events(*m_pAgent)[0].strPath.IsEmpty());
}

TEST_F(DialogUserAgentFiles, ChoosesAFileByDoubleClickOrByATypedNameAndOk) {
    m_strInitial = m_root.string();
    {
        CFileDialog dlg(TRUE, "prm", nullptr, OFN_FILEMUSTEXIST, "PRM files (*.prm)|*.prm||", &m_owner);
        CIdleScript script({[] { DoubleClick("x.prm"); }});
        EXPECT_EQ(IDOK, Open(dlg));
        EXPECT_EQ((m_root / "x.prm").string(), dlg.GetPathName().Str());
    }
    {
        // A relative name against the shown folder; the default extension added.
        CFileDialog dlg(FALSE, "prm", nullptr, OFN_OVERWRITEPROMPT, "PRM files (*.prm)|*.prm||", &m_owner);
        CIdleScript script({[] { AfxUserType(FileItem(kFileDialogNameId), "b_sub/new"); },
                            [] { AfxUserClick(FileItem(IDOK)); }});
        EXPECT_EQ(IDOK, Open(dlg));
        EXPECT_EQ((m_root / "b_sub" / "new.prm").string(), dlg.GetPathName().Str());
        EXPECT_EQ("new.prm", CFileDialogTesting::GetFileName(dlg).Str());
    }
    const std::vector<CUserEvent> events = CRecordingUserAgentTesting::Events(*m_pAgent);
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(CUserEvent::FileSave, events[1].nKind);
    EXPECT_EQ((m_root / "b_sub" / "new.prm").string(), events[1].strPath.Str());
    EXPECT_EQ("PRM files (*.prm)|*.prm||", events[1].strFilter.Str());
}

// The filter's file types are listed; the one chosen decides the files shown (folders always).
TEST_F(DialogUserAgentFiles, TheFileTypesAreListedAndTheChosenOneFiltersTheFiles) {
    m_strInitial = m_root.string();
    const char* pszFilter = "PRM files (*.prm)|*.prm|All Files (*.*)|*.*||";
    std::vector<std::string> types, first, all;
    CFileDialog dlg(TRUE, "prm", nullptr, OFN_FILEMUSTEXIST, pszFilter, &m_owner);
    CIdleScript script({[&] {
                            auto* pTypes =
                                static_cast<CComboBox*>(CWnd::FromHandle(FileItem(kFileDialogTypeId)));
                            ASSERT_NE(nullptr, pTypes);
                            for (int i = 0; i < pTypes->GetCount(); ++i) {
                                CString s;
                                pTypes->GetLBText(i, s);
                                types.push_back(s.Str());
                            }
                            first = Entries();
                            AfxUserPickListEntry(FileItem(kFileDialogTypeId), 1);
                        },
                        [&] {
                            all = Entries();
                            DoubleClick("y.txt");
                        }});
    EXPECT_EQ(IDOK, Open(dlg));
    EXPECT_EQ((std::vector<std::string>{"PRM files (*.prm)", "All Files (*.*)"}), types);
    EXPECT_EQ((std::vector<std::string>{"[..]", "[A_dir]", "[b_sub]", "x.prm", "Z.PRM"}), first);
    EXPECT_EQ((std::vector<std::string>{"[..]", "[A_dir]", "[b_sub]", "x.prm", "y.txt", "Z.PRM"}), all);
    EXPECT_EQ((m_root / "y.txt").string(), dlg.GetPathName().Str());
    ASSERT_EQ(1u, CRecordingUserAgentTesting::Events(*m_pAgent).size());
    EXPECT_EQ(pszFilter, CRecordingUserAgentTesting::Events(*m_pAgent)[0].strFilter.Str())
        << "the record keeps the program's filter";
}

TEST_F(DialogUserAgentFiles, EnterOnAFolderEntersItAndTheFlagsAskTheirQuestions) {
    m_strInitial = m_root.string();
    std::vector<std::string> inside;
    CFileDialog dlg(FALSE, "prm", nullptr, OFN_OVERWRITEPROMPT, "PRM files (*.prm)|*.prm||", &m_owner);
    CIdleScript script({[] {
                            HWND hList = FileItem(kFileDialogListId);
                            ::SendMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(IndexOf("[b_sub]")), 0);
                            AfxUserSetFocus(hList);
                            AfxUserPressEnter(hList);
                        },
                        [&] {
                            inside = Entries();
                            AfxUserType(FileItem(kFileDialogNameId), "inner");
                        },
                        [] { AfxUserPressEnter(FileItem(kFileDialogNameId)); },
                        // The replace question: No keeps the dialog open, Yes chooses.
                        [] { AfxUserClick(BoxItem(IDNO)); }, [] { AfxUserClick(FileItem(IDOK)); },
                        [] { AfxUserClick(BoxItem(IDYES)); }});
    EXPECT_EQ(IDOK, Open(dlg));
    EXPECT_EQ(6u, script.StepsRun());
    EXPECT_EQ((std::vector<std::string>{"[..]", "inner.prm"}), inside);
    EXPECT_EQ((m_root / "b_sub" / "inner.prm").string(), dlg.GetPathName().Str());
    const std::vector<CUserEvent> boxes = CRecordingUserAgentTesting::MessageBoxes(*m_pAgent);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("inner.prm already exists.\nDo you want to replace it?", boxes[0].strText.Str());
    EXPECT_EQ(IDNO, boxes[0].nResult);
    EXPECT_EQ(1, boxes[0].nDepth);

    // Open with OFN_FILEMUSTEXIST refuses a missing file.
    CFileDialog open(TRUE, "prm", nullptr, OFN_FILEMUSTEXIST, "PRM files (*.prm)|*.prm||", &m_owner);
    CIdleScript script2({[] { AfxUserType(FileItem(kFileDialogNameId), "missing"); },
                         [] { AfxUserClick(FileItem(IDOK)); }, [] { AfxUserClick(BoxItem(IDOK)); },
                         [] { AfxUserClick(FileItem(IDCANCEL)); }});
    EXPECT_EQ(IDCANCEL, Open(open));
    ASSERT_EQ(3u, CRecordingUserAgentTesting::MessageBoxes(*m_pAgent).size());
    EXPECT_EQ("missing.prm\nFile not found.\nCheck the file name and try again.",
              CRecordingUserAgentTesting::MessageBoxes(*m_pAgent)[2].strText.Str());
}

TEST_F(DialogUserAgentFiles, StartsInTheInitialNamesFolderAndRefusesAPathTooLongForTheBuffer) {
    std::string strFolderShown, strName;
    const std::string initial = m_root.string() + "\\b_sub\\inner.prm";  // '\\' as the program writes it
    CFileDialog dlg(TRUE, "prm", initial.c_str(), OFN_FILEMUSTEXIST, "PRM files (*.prm)|*.prm||", &m_owner);
    char szShort[8] = {};
    dlg.m_ofn.lpstrFile = szShort;
    dlg.m_ofn.nMaxFile = sizeof szShort;
    std::strncpy(szShort, "in.prm", sizeof szShort - 1);
    // The start folder from the initial name.
    CFileDialog dlg2(TRUE, "prm", initial.c_str(), OFN_FILEMUSTEXIST, "PRM files (*.prm)|*.prm||", &m_owner);
    {
        CIdleScript script({[&] {
            strFolderShown = TextOf(FileItem(kFileDialogFolderId));
            strName = TextOf(FileItem(kFileDialogNameId));
            AfxUserClick(FileItem(IDOK));
        }});
        EXPECT_EQ(IDOK, dlg2.DoModal());
        EXPECT_EQ(1u, script.StepsRun());
    }
    EXPECT_EQ((m_root / "b_sub").string(), strFolderShown);
    EXPECT_EQ("inner.prm", strName);
    EXPECT_EQ((m_root / "b_sub" / "inner.prm").string(), dlg2.GetPathName().Str());

    // The same choice into a buffer of 8 characters: never a cut path.
    m_strInitial = (m_root / "b_sub").string();
    CIdleScript script({[] { DoubleClick("inner.prm"); }});
    EXPECT_EQ(IDCANCEL, Open(dlg));
    EXPECT_STREQ("in.prm", szShort);
    EXPECT_EQ(IDOK, CRecordingUserAgentTesting::Events(*m_pAgent)
                        .back()
                        .nResult);  // chosen, as the headless agent records it
}

TEST(FileChooserPatterns, AFiltersTypesArePairsUpToItsEnd) {
    using Types = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ((Types{{"PRM files (*.prm)", "*.prm"}, {"All Files (*.*)", "*.*"}}),
              CFileChooserDialogTesting::FileTypesOf("PRM files (*.prm)|*.prm|All Files (*.*)|*.*||"));
    EXPECT_EQ((Types{{"Text", "*.txt;*.log"}}), CFileChooserDialogTesting::FileTypesOf("Text|*.txt;*.log"));
    EXPECT_EQ((Types{{"B", "*.b"}}), CFileChooserDialogTesting::FileTypesOf("A||B|*.b"));
    EXPECT_TRUE(CFileChooserDialogTesting::FileTypesOf("").empty());
    EXPECT_TRUE(CFileChooserDialogTesting::FileTypesOf("Only a name").empty());
}

TEST(FileChooserPatterns, MatchWithoutCaseAndSeveralPatterns) {
    EXPECT_TRUE(CFileChooserDialogTesting::MatchesPattern("Params.PRM", "*.prm"));
    EXPECT_FALSE(CFileChooserDialogTesting::MatchesPattern("params.prm.bak", "*.prm"));
    EXPECT_TRUE(CFileChooserDialogTesting::MatchesPattern("a.txt", "*.prm; *.txt"));
    EXPECT_TRUE(CFileChooserDialogTesting::MatchesPattern("noext", "*.*"));
    EXPECT_TRUE(CFileChooserDialogTesting::MatchesPattern("ab1.dat", "ab?.dat"));
    EXPECT_FALSE(CFileChooserDialogTesting::MatchesPattern("ab12.dat", "ab?.dat"));
}

}  // namespace
