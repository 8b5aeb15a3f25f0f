// The user's side: message boxes and file dialogs go through one replaceable agent. The default agent,
// CScriptedUserAgent, records everything shown and answers from a script, else with a documented default:
//  - a message box: its default button (MB_DEFBUTTON1..3 of its buttons: IDOK for MB_OK and MB_OKCANCEL,
//    IDYES for MB_YESNO and MB_YESNOCANCEL, IDABORT, IDRETRY, IDCANCEL ...), what Enter would choose;
//  - a file dialog: IDCANCEL.
// While a box is "open" the agent runs the thread's pending messages, as a modal box's own loop would:
// once when the box opens, then the answer's callback (if any), then once more. So timers and messages
// posted meanwhile are handled, and a box opened from them is recorded too. Everything is thread-safe;
// a box shown on a worker thread pumps that thread's (normally empty) queue.
// A run on a screen installs CDialogUserAgent instead (dialog_user_agent.h): the same records, answered
// by a person in framework dialogs.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/cmd_target.h"
#include "platform/win/cstring.h"

class CWnd;

struct CUserEvent {
    enum Kind { MessageBox, FileOpen, FileSave };
    Kind nKind = MessageBox;
    CString strCaption;  // message box caption; file dialog title (empty: the default title)
    CString strText;     // message box text
    UINT nType = 0;      // message box MB_* flags
    HWND hOwner = nullptr;
    DWORD nTime = 0;  // GetTickCount when shown
    int nDepth = 0;   // 0 for a box shown outside another box, 1 inside one, ...
    // File dialogs.
    CString strFilter;  // as given, '|' separators
    CString strDefExt;
    CString strFileName;  // initial file name
    CString strInitialDir;
    DWORD nFlags = 0;         // OFN_*
    BOOL bVistaStyle = TRUE;  // FALSE: the classic style
    // The answer.
    int nResult = 0;
    CString strPath;  // file dialogs: the full path chosen (IDOK only)

  private:
    friend class CUserEventTesting;
    friend class CMessageBoxDialog;
    BOOL IsTopmost() const { return (nType & MB_TOPMOST) != 0; }
    UINT Buttons() const { return nType & MB_TYPEMASK; }
    UINT Icon() const { return nType & MB_ICONMASK; }
};

class CUserAgent {
  public:
    virtual ~CUserAgent() = default;
    // Shows a message box and returns the button chosen (IDOK, IDYES, ...).
    virtual int ShowMessageBox(CUserEvent& box) = 0;
    // Shows a file dialog; returns IDOK with dlg.strPath set, or IDCANCEL.
    virtual int ShowFileDialog(CUserEvent& dlg) = 0;
};

struct CUserAnswer {
    int nResult = 0;  // 0: the default answer
    CString strPath;  // file dialogs: the path "typed" (the default extension is added when missing)
    std::function<void()> pfnWhileOpen;  // runs while the box is open (may post, advance the clock, ...)
    std::function<int(const CUserEvent&)> pfnDecide;  // when set, decides the result instead of nResult
};

// The record every agent keeps of what it showed, and the observer told of each answer.
class CRecordingUserAgent : public CUserAgent {
  public:
    // Runs (with no agent lock held) after every answered box or file dialog; the runner prints them.
    void SetObserver(std::function<void(const CUserEvent&)> pfnObserver);

  protected:
    // With m_mutex held: stamps ev with its nesting depth and time and records it; returns its index.
    size_t RecordShownLocked(CUserEvent& ev);
    // Without the lock: fills in the answer of record nIndex, then tells the observer.
    void RecordAnswered(size_t nIndex, const CUserEvent& ev);

    mutable std::mutex m_mutex;  // guards the members below and those of the derived agent
    std::vector<CUserEvent> m_events;
    std::function<void(const CUserEvent&)> m_observer;
    int m_nDepth = 0;  // boxes open now, nested

  private:
    friend class CRecordingUserAgentTesting;
    friend class CWinSimulation;
    void ClearEvents();
    std::vector<CUserEvent> Events() const;  // in the order shown; results filled in once answered
    std::vector<CUserEvent> MessageBoxes() const;
};

class CScriptedUserAgent : public CRecordingUserAgent {
  public:
    int ShowMessageBox(CUserEvent& box) override;
    int ShowFileDialog(CUserEvent& dlg) override;

    void QueueFile(LPCTSTR lpszPath);  // a file dialog answered IDOK with this path

  private:
    int Show(CUserEvent& ev);

    std::deque<CUserAnswer> m_answers;
    BOOL m_bPump = TRUE;
    friend class CScriptedUserAgentTesting;
    friend class CWinSimulation;
    friend class CDialogUserAgent;
    void ClearAnswers();
    void SetPumpWhileOpen(BOOL bPump);
    // The default answer for a message box of this type.
    static int DefaultAnswer(UINT nType);
    // Answers are used in order, one per box or file dialog.
    void QueueAnswer(int nResult, std::function<void()> pfnWhileOpen = nullptr);
    void QueueAnswer(CUserAnswer answer);
};

// The agent in use (the framework's own CScriptedUserAgent unless replaced). NULL restores the default.
void AfxSetUserAgent(CUserAgent* pAgent);
CScriptedUserAgent& AfxGetScriptedUserAgent();  // the framework's own agent

// Message boxes. AfxMessageBox: caption = the application name (the executable's name), owner = the main
// window. ::MessageBox with a NULL caption uses "Error", as on Windows.
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

// ---- File dialogs ----
struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;  // pairs of zero-terminated texts, ended by an empty text
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;  // in: initial name; out: the full path chosen
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
};
using OPENFILENAME = OPENFILENAMEA;

class CFileDialog : public CCmdTarget {
    DECLARE_DYNAMIC(CFileDialog)
  public:
    // lpszFilter uses '|' separators ("PRM files (*.prm)|*.prm|All Files (*.*)|*.*||"). bVistaStyle
    // FALSE asks for the classic style; it is recorded.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr, DWORD dwSize = 0, BOOL bVistaStyle = TRUE);
    ~CFileDialog() override = default;

    OPENFILENAME m_ofn{};

    // IDOK or IDCANCEL from the user agent. On IDOK the path (default extension added when the name has
    // none) is in m_ofn.lpstrFile; a path that does not fit m_ofn.nMaxFile gives IDCANCEL (never a cut path).
    virtual INT_PTR DoModal();
    CString GetPathName() const;

  private:
    BOOL m_bOpenFileDialog;
    BOOL m_bVistaStyle;
    std::string m_strFilter;  // with '\0' separators: m_ofn.lpstrFilter points into it
    CString m_strFilterText;  // as given
    CString m_strDefExt;
    char m_szFileName[MAX_PATH]{};
    char m_szFileTitle[MAX_PATH]{};
    friend class CFileDialogTesting;
    CString GetFileName() const;
};
