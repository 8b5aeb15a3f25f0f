// The user agent of a run on a screen: message boxes and file dialogs are framework dialogs that a person
// answers with mouse and keys, so they show in snapshots and take the screen's input like every window.
//
// Installing: whoever runs a screen makes one CDialogUserAgent on the user-interface thread and calls
// AfxSetUserAgent(&agent) before the program's first box, and AfxSetUserAgent(nullptr) before the agent is
// destroyed. The headless agents (CScriptedUserAgent and the run's headless user) are untouched by it.
//
// Records: every box and file dialog is recorded as CScriptedUserAgent records it (kind, caption, text,
// type, owner, time, nesting depth, filter, flags, then the answer and the chosen path), and the observer
// runs after each answer with no agent lock held, so a run prints the same `box` / `file` lines.
//
// Threads: a box shown on the thread that made the agent is a modal dialog there (a nested loop: timers,
// posted messages and host frames keep running; the owner's top-level window is disabled by the caller,
// see user_agent.cpp). A box shown on any other thread has no screen to show on: it is recorded and
// answered with the default answer (CScriptedUserAgent::DefaultAnswer; a file dialog: IDCANCEL).
//
// Message box (CMessageBoxDialog): the caption, the icon of MB_ICON* (drawn by the box: a disc with a
// mark), the text in a static (SS_NOPREFIX, word-wrapped at kMessageBoxMaxTextWidth pixels and sized
// with the text measuring), a row of buttons of the MB_ type whose ids are the answers (IDOK, IDCANCEL,
// IDYES, ...), the MB_DEFBUTTONn button the default and focused one; Enter clicks the focused button,
// Escape and the close box answer IDCANCEL where a Cancel button exists, IDOK for a lone OK, and do
// nothing otherwise (Yes/No, Abort/Retry/Ignore). MB_TOPMOST makes the window WS_EX_TOPMOST.
//
// File dialog (CFileChooserDialog): the folder's path (a static), a list of the folder's entries
// (folders first as "[name]", "[..]" to go up, files that match the filter's first pattern, hidden
// dot-files left out, each group sorted by name without case), the file name edit, OK ("Open" / "Save")
// and "Cancel". A double click or Enter on a folder enters it; a double click on a file chooses it;
// selecting a file puts its name into the edit; OK with a name chooses it (a relative name against the
// shown folder; a name that is a folder enters it). The default extension is added to a name without
// one. Open with OFN_FILEMUSTEXIST refuses a missing file, save with OFN_OVERWRITEPROMPT asks before
// an existing file is replaced (both as message boxes through the agent in use). The start folder is
// the initial folder, else the folder part of the initial file name, else the working folder; '\\' in
// names is taken as '/'. The path chosen is absolute; CFileDialog::DoModal copies it into the caller's
// buffer (IDCANCEL when it does not fit).
#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/dialog.h"
#include "platform/win/user_agent.h"

constexpr UINT kMessageBoxTextId = 0xFFFF;  // the text static

// A dialog made from a template held by the object rather than a registered one.
class CRuntimeTemplateDialog : public CDialog {
  public:
    explicit CRuntimeTemplateDialog(HWND hOwner) : m_hOwner(hOwner) {}
    INT_PTR DoModal() override;

  protected:
    CDialogTemplate m_template;
    HWND m_hOwner = nullptr;
};

class CMessageBoxDialog : public CRuntimeTemplateDialog {
  public:
    explicit CMessageBoxDialog(const CUserEvent& box);

  protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // A button's underlined letter, with or without Alt, clicks it.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    afx_msg void OnPaint();
    void PostNcDestroy() override;

  private:
    void LayOut();

    UINT m_nType = 0;
    std::vector<int> m_buttons;
    RECT m_rcIcon{};
    DECLARE_MESSAGE_MAP()
    friend class CMessageBoxDialogTesting;
    static LPCTSTR ButtonText(int nID);
    // The button ids of a box of this type, left to right.
    static std::vector<int> ButtonsOf(UINT nType);
    // The first open message box of this thread, NULL when none is open.
    static CMessageBoxDialog* GetOpenBox();
};

class CFileChooserDialog : public CRuntimeTemplateDialog {
  public:
    explicit CFileChooserDialog(const CUserEvent& dlg);

    // The full path chosen once DoModal returned IDOK.
    const std::string& GetChosenPath() const { return m_strChosen; }

  protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

  private:
    struct CEntry {
        std::string strName;
        BOOL bFolder = FALSE;
    };
    void Fill();
    void Enter(const std::filesystem::path& folder);
    void OnListDoubleClick();
    void OnListSelection();
    void OnTypeSelection();
    void OnOk();
    BOOL Choose(std::string strName);

    CUserEvent m_event;
    std::filesystem::path m_folder;
    std::vector<CEntry> m_entries;
    std::vector<std::pair<std::string, std::string>> m_types;
    std::string m_strPatterns;  // of the file type chosen; empty: every file
    std::string m_strChosen;
    friend class CFileChooserDialogTesting;
    // The first open file dialog of this thread, NULL when none is open.
    static CFileChooserDialog* GetOpenDialog();
    // TRUE when a file name matches one of the ';'-separated patterns ("*.prm;*.txt"), without case.
    static BOOL MatchesPattern(const std::string& strName, const std::string& strPatterns);
    // The (description, patterns) pairs of a filter ("PRM files (*.prm)|*.prm|All Files (*.*)|*.*||"),
    // in order; a pair without its patterns is left out.
    static std::vector<std::pair<std::string, std::string>> FileTypesOf(const std::string& strFilter);
};

class CDialogUserAgent : public CRecordingUserAgent {
  public:
    CDialogUserAgent();
    int ShowMessageBox(CUserEvent& box) override;
    int ShowFileDialog(CUserEvent& dlg) override;

  private:
    int Show(CUserEvent& ev);

    DWORD m_nThreadId = 0;
};
