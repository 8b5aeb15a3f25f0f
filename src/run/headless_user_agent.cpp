#include "run/headless_user_agent.h"

#include <utility>

#include "app/main_dialog.h"
#include "platform/win/message_box_codes.h"

CHeadlessUserAgent::CHeadlessUserAgent(std::function<void(const CUserEvent&)> pfnReport)
    : m_pfnReport(std::move(pfnReport)) {}

int CHeadlessUserAgent::ShowMessageBox(CUserEvent& box) {
    const bool bQuitting = m_bQuit && box.strText.Str() == kQuitQuestion;
    if (bQuitting) {
        // Yes at once: a box open for no time handles nothing, so a backlog in the queue of a program that
        // cannot keep up does not hold up its close.
        box.nResult = IDYES;
        if (m_pfnReport) m_pfnReport(box);
        return IDYES;
    }
    if (CUserAgent* pPerson = m_pPerson.load()) return pPerson->ShowMessageBox(box);
    const int nResult = AfxGetScriptedUserAgent().ShowMessageBox(box);
    if (m_pfnReport) m_pfnReport(box);
    return nResult;
}

void CHeadlessUserAgent::AnswerNextFileDialog(std::string strPath) {
    std::lock_guard<std::mutex> lock(m_fileMutex);
    m_filePaths.push_back(std::move(strPath));
}

int CHeadlessUserAgent::ShowFileDialog(CUserEvent& dlg) {
    std::string strPath;
    {
        std::lock_guard<std::mutex> lock(m_fileMutex);
        if (!m_filePaths.empty()) {
            strPath = std::move(m_filePaths.front());
            m_filePaths.pop_front();
        }
    }
    if (!strPath.empty()) {
        // The framework's agent answers with the path; boxes are shown on this thread only, so the answer
        // queued here is the one this dialog takes.
        AfxGetScriptedUserAgent().QueueFile(strPath.c_str());
        const int nResult = AfxGetScriptedUserAgent().ShowFileDialog(dlg);
        if (m_pfnReport) m_pfnReport(dlg);
        return nResult;
    }
    if (CUserAgent* pPerson = m_pPerson.load()) return pPerson->ShowFileDialog(dlg);
    const int nResult = AfxGetScriptedUserAgent().ShowFileDialog(dlg);
    if (m_pfnReport) m_pfnReport(dlg);
    return nResult;
}
