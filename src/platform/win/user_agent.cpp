#include "platform/win/user_agent.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/win/app.h"
#include "platform/win/app_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/message_loop.h"
#include "platform/win/resources.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

namespace {

std::atomic<CUserAgent*> g_pAgent{nullptr};

// The file name part of a path (after the last '\\' or '/').
size_t FileNameOffset(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

// ---- CScriptedUserAgent ----
int CScriptedUserAgent::DefaultAnswer(UINT nType) {
    static const int kButtons[][3] = {
        {IDOK, IDOK, IDOK},                  // MB_OK
        {IDOK, IDCANCEL, IDCANCEL},          // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},        // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},             // MB_YESNOCANCEL
        {IDYES, IDNO, IDNO},                 // MB_YESNO
        {IDRETRY, IDCANCEL, IDCANCEL},       // MB_RETRYCANCEL
        {IDCANCEL, IDTRYAGAIN, IDCONTINUE},  // MB_CANCELTRYCONTINUE
    };
    UINT nButtons = nType & MB_TYPEMASK;
    if (nButtons > MB_CANCELTRYCONTINUE) nButtons = MB_OK;
    UINT nDefault = std::min<UINT>((nType & MB_DEFMASK) >> 8, 2);
    return kButtons[nButtons][nDefault];
}

int CScriptedUserAgent::ShowMessageBox(CUserEvent& box) {
    box.nKind = CUserEvent::MessageBox;
    return Show(box);
}

int CScriptedUserAgent::ShowFileDialog(CUserEvent& dlg) {
    if (dlg.nKind == CUserEvent::MessageBox) dlg.nKind = CUserEvent::FileOpen;
    return Show(dlg);
}

int CScriptedUserAgent::Show(CUserEvent& ev) {
    CUserAnswer answer;
    bool bAnswered = false;
    size_t nIndex = 0;
    BOOL bPump = TRUE;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        nIndex = RecordShownLocked(ev);
        if (!m_answers.empty()) {
            answer = std::move(m_answers.front());
            m_answers.pop_front();
            bAnswered = true;
        }
        bPump = m_bPump;
    }
    // While the box is open its own loop handles what arrives.
    if (bPump) CMessageLoop::PumpPending();
    if (answer.pfnWhileOpen) answer.pfnWhileOpen();
    if (bPump) CMessageLoop::PumpPending();

    int nResult = 0;
    if (answer.pfnDecide) {
        nResult = answer.pfnDecide(ev);
    } else if (bAnswered && answer.nResult != 0) {
        nResult = answer.nResult;
    } else if (ev.nKind != CUserEvent::MessageBox) {
        nResult = (bAnswered && !answer.strPath.IsEmpty()) ? IDOK : IDCANCEL;
    } else {
        nResult = DefaultAnswer(ev.nType);
    }
    ev.nResult = nResult;
    ev.strPath.Empty();
    if (ev.nKind != CUserEvent::MessageBox && nResult == IDOK) {
        std::string path = answer.strPath.Str();
        if (path.empty()) path = ev.strFileName.Str();
        const std::string ext = ev.strDefExt.Str();
        if (!path.empty() && !ext.empty() && path.find('.', FileNameOffset(path)) == std::string::npos) {
            path += "." + ext;
        }
        if (path.empty()) {
            nResult = ev.nResult = IDCANCEL;  // nothing chosen
        } else {
            ev.strPath = path;
        }
    }
    RecordAnswered(nIndex, ev);
    return nResult;
}

void CScriptedUserAgent::QueueAnswer(int nResult, std::function<void()> pfnWhileOpen) {
    CUserAnswer a;
    a.nResult = nResult;
    a.pfnWhileOpen = std::move(pfnWhileOpen);
    QueueAnswer(std::move(a));
}

void CScriptedUserAgent::QueueAnswer(CUserAnswer answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.push_back(std::move(answer));
}

void CScriptedUserAgent::QueueFile(LPCTSTR lpszPath) {
    CUserAnswer a;
    a.nResult = IDOK;
    a.strPath = lpszPath;
    QueueAnswer(std::move(a));
}

void CScriptedUserAgent::ClearAnswers() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.clear();
}

void CScriptedUserAgent::SetPumpWhileOpen(BOOL bPump) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPump = bPump;
}

std::vector<CUserEvent> CRecordingUserAgent::Events() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

std::vector<CUserEvent> CRecordingUserAgent::MessageBoxes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<CUserEvent> boxes;
    std::copy_if(m_events.begin(), m_events.end(), std::back_inserter(boxes),
                 [](const CUserEvent& e) { return e.nKind == CUserEvent::MessageBox; });
    return boxes;
}

void CRecordingUserAgent::ClearEvents() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
}

size_t CRecordingUserAgent::RecordShownLocked(CUserEvent& ev) {
    ev.nDepth = m_nDepth++;
    ev.nTime = GetTickCount();
    m_events.push_back(ev);
    return m_events.size() - 1;
}

void CRecordingUserAgent::RecordAnswered(size_t nIndex, const CUserEvent& ev) {
    std::function<void(const CUserEvent&)> observer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_nDepth;
        if (nIndex < m_events.size()) {  // ClearEvents may have run while the box was open
            m_events[nIndex].nResult = ev.nResult;
            m_events[nIndex].strPath = ev.strPath;
        }
        observer = m_observer;
    }
    if (observer) observer(ev);
}

void CRecordingUserAgent::SetObserver(std::function<void(const CUserEvent&)> pfnObserver) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observer = std::move(pfnObserver);
}

// ---- The agent in use ----
CScriptedUserAgent& AfxGetScriptedUserAgent() {
    static CScriptedUserAgent* p = new CScriptedUserAgent;  // never destroyed: boxes may open during exit
    return *p;
}

CUserAgent* AfxGetUserAgent() {
    CUserAgent* p = g_pAgent.load();
    return p ? p : &AfxGetScriptedUserAgent();
}

void AfxSetUserAgent(CUserAgent* pAgent) {
    g_pAgent = pAgent;
}

// ---- Message boxes ----
namespace {

// While a box or file dialog is open its owner's top-level window is disabled, as for any modal window,
// so that no click or menu choice reaches the window underneath; it is enabled again when the box
// closes. Only for an owner of the calling thread: a box that a worker shows leaves the window alone.
class COwnerDisabled {
  public:
    explicit COwnerDisabled(HWND hOwner) {
        if (hOwner == nullptr || !::IsWindow(hOwner)) return;
        if (CWnd* pTop = CWnd::FromHandle(hOwner)->GetTopLevelParent()) hOwner = pTop->GetSafeHwnd();
        if (::GetWindowThreadProcessId(hOwner, nullptr) != GetCurrentThreadId()) return;
        if (!::IsWindowEnabled(hOwner)) return;
        ::EnableWindow(hOwner, FALSE);
        m_hOwner = hOwner;
    }
    ~COwnerDisabled() {
        if (m_hOwner == nullptr || !::IsWindow(m_hOwner)) return;
        ::EnableWindow(m_hOwner, TRUE);
        // A box's window that went with the focus left it nowhere: the owner takes the activation back.
        if (::GetFocus() == nullptr) ::SetActiveWindow(m_hOwner);
    }
    COwnerDisabled(const COwnerDisabled&) = delete;
    COwnerDisabled& operator=(const COwnerDisabled&) = delete;

  private:
    HWND m_hOwner = nullptr;
};

int ShowBox(HWND hOwner, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    CUserEvent box;
    box.nKind = CUserEvent::MessageBox;
    box.strText = lpText ? lpText : "";
    box.strCaption = lpCaption;
    box.nType = uType;
    box.hOwner = hOwner;
    const COwnerDisabled disabled(hOwner);
    return AfxGetUserAgent()->ShowMessageBox(box);
}

}  // namespace

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    return ShowBox(hWnd, lpText, lpCaption ? lpCaption : "Error", uType);
}

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp) {
    if (CWinApp* pApp = AfxGetApp()) return pApp->DoMessageBox(lpszText, nType, nIDHelp);
    CWnd* pMain = AfxGetMainWnd();
    return ShowBox(pMain ? pMain->m_hWnd : nullptr, lpszText, AfxGetAppName(), nType);
}

int CWinApp::DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT) {
    CWnd* pMain = AfxGetMainWnd();
    return ShowBox(pMain ? pMain->m_hWnd : nullptr, lpszPrompt, m_pszAppName ? m_pszAppName : AfxGetAppName(),
                   nType);
}

// ---- CFileDialog ----
IMPLEMENT_DYNAMIC(CFileDialog, CCmdTarget)

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd, DWORD, BOOL bVistaStyle)
    : m_bOpenFileDialog(bOpenFileDialog), m_bVistaStyle(bVistaStyle), m_strFilterText(lpszFilter) {
    m_strFilter = m_strFilterText.Str();
    std::replace(m_strFilter.begin(), m_strFilter.end(), '|', '\0');
    m_strFilter.push_back('\0');
    m_ofn.lStructSize = sizeof(OPENFILENAME);
    m_ofn.hwndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    m_ofn.hInstance = AfxGetInstanceHandle();
    m_ofn.lpstrFilter = lpszFilter ? m_strFilter.c_str() : nullptr;
    m_ofn.nFilterIndex = 1;
    if (lpszFileName) {
        std::strncpy(m_szFileName, lpszFileName, sizeof m_szFileName - 1);
    }
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = sizeof m_szFileName;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = sizeof m_szFileTitle;
    m_ofn.Flags = dwFlags | OFN_ENABLESIZING | (bVistaStyle ? OFN_EXPLORER : 0);
    m_ofn.lpstrDefExt = lpszDefExt;
}

INT_PTR CFileDialog::DoModal() {
    CUserEvent dlg;
    dlg.nKind = m_bOpenFileDialog ? CUserEvent::FileOpen : CUserEvent::FileSave;
    dlg.strCaption = m_ofn.lpstrTitle;
    dlg.strFilter = m_strFilterText;
    dlg.strDefExt = m_ofn.lpstrDefExt;
    if (m_ofn.lpstrFile && m_ofn.nMaxFile > 0)
        dlg.strFileName =
            CString(m_ofn.lpstrFile, static_cast<int>(strnlen(m_ofn.lpstrFile, m_ofn.nMaxFile)));
    dlg.strInitialDir = m_ofn.lpstrInitialDir;
    dlg.nFlags = m_ofn.Flags;
    dlg.bVistaStyle = m_bVistaStyle;
    CWnd* pMain = AfxGetMainWnd();
    dlg.hOwner = m_ofn.hwndOwner ? m_ofn.hwndOwner : (pMain ? pMain->m_hWnd : nullptr);
    int nResult = IDCANCEL;
    {
        const COwnerDisabled disabled(dlg.hOwner);
        nResult = AfxGetUserAgent()->ShowFileDialog(dlg);
    }
    if (nResult != IDOK) return IDCANCEL;
    const std::string& path = dlg.strPath.Str();
    // A path that does not fit the caller's buffer is refused rather than cut: a cut path names another file.
    if (m_ofn.lpstrFile == nullptr || path.empty() || path.size() + 1 > m_ofn.nMaxFile) return IDCANCEL;
    std::memcpy(m_ofn.lpstrFile, path.c_str(), path.size() + 1);
    const size_t nName = FileNameOffset(path);
    const size_t nDot = path.rfind('.');
    m_ofn.nFileOffset = static_cast<WORD>(nName);
    m_ofn.nFileExtension =
        static_cast<WORD>((nDot != std::string::npos && nDot >= nName) ? nDot + 1 : path.size());
    if (m_ofn.lpstrFileTitle && m_ofn.nMaxFileTitle > 0) {
        std::string title = path.substr(nName);
        size_t n = std::min(title.size(), static_cast<size_t>(m_ofn.nMaxFileTitle) - 1);
        std::memcpy(m_ofn.lpstrFileTitle, title.data(), n);
        m_ofn.lpstrFileTitle[n] = '\0';
    }
    return IDOK;
}

CString CFileDialog::GetPathName() const {
    return m_ofn.lpstrFile
               ? CString(m_ofn.lpstrFile, static_cast<int>(strnlen(m_ofn.lpstrFile, m_ofn.nMaxFile)))
               : CString();
}

CString CFileDialog::GetFileName() const {
    std::string path = GetPathName().Str();
    return CString(path.substr(FileNameOffset(path)));
}
