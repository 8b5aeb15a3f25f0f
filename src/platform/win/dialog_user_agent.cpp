#include "platform/win/dialog_user_agent.h"

#include <algorithm>
#include <iterator>

#include "platform/win/kernel.h"
#include "platform/win/message_loop.h"
#include "platform/win/user_agent_testing.h"

CDialogUserAgent::CDialogUserAgent() : m_nThreadId(GetCurrentThreadId()) {}

int CDialogUserAgent::ShowMessageBox(CUserEvent& box) {
    box.nKind = CUserEvent::MessageBox;
    return Show(box);
}

int CDialogUserAgent::ShowFileDialog(CUserEvent& dlg) {
    if (dlg.nKind == CUserEvent::MessageBox) dlg.nKind = CUserEvent::FileOpen;
    return Show(dlg);
}

int CDialogUserAgent::Show(CUserEvent& ev) {
    size_t nIndex = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        nIndex = RecordShownLocked(ev);
    }
    const bool bOnScreen = GetCurrentThreadId() == m_nThreadId;
    const bool bBox = ev.nKind == CUserEvent::MessageBox;
    int nResult = IDCANCEL;
    ev.strPath.Empty();
    if (bBox) {
        if (bOnScreen) {
            CMessageBoxDialog dlg(ev);
            nResult = static_cast<int>(dlg.DoModal());
            // A box that could not be made, or whose loop was abandoned (WM_QUIT), answers with its
            // default button, as the headless agent would.
            if (nResult <= 0) nResult = CScriptedUserAgent::DefaultAnswer(ev.nType);
        } else {
            nResult = CScriptedUserAgent::DefaultAnswer(ev.nType);
        }
    } else if (bOnScreen) {
        CFileChooserDialog dlg(ev);
        nResult = dlg.DoModal() == IDOK ? IDOK : IDCANCEL;
        if (nResult == IDOK) ev.strPath = dlg.GetChosenPath();
    }
    ev.nResult = nResult;
    RecordAnswered(nIndex, ev);
    return nResult;
}
