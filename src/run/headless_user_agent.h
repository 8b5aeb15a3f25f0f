#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "platform/win/user_agent.h"

// Message boxes are answered by the framework's scripted agent (its documented defaults); once the close
// has been requested, the main dialog's quit question (kQuitQuestion) is answered Yes. Every box and file
// dialog is reported once answered.
// With a person (a run on a screen: the framework's CDialogUserAgent), every box and file dialog goes to
// the person instead, who reports it through its own observer; only the quit question after a requested
// close is still answered Yes here.
class CHeadlessUserAgent : public CUserAgent {
  public:
    explicit CHeadlessUserAgent(std::function<void(const CUserEvent&)> pfnReport = nullptr);
    int ShowMessageBox(CUserEvent& box) override;
    int ShowFileDialog(CUserEvent& dlg) override;
    void RequestQuit() { m_bQuit = true; }
    // The next file dialog is answered IDOK with this path (the default extension added to a name without
    // one), by this agent even when a person answers the rest. Any thread.
    void AnswerNextFileDialog(std::string strPath);
    bool QuitRequested() const { return m_bQuit; }
    // NULL: no person, the defaults answer. Set while no box is shown.
    void SetPerson(CUserAgent* pPerson) { m_pPerson = pPerson; }

  private:
    std::function<void(const CUserEvent&)> m_pfnReport;
    std::atomic<bool> m_bQuit{false};
    std::atomic<CUserAgent*> m_pPerson{nullptr};
    std::mutex m_fileMutex;
    std::deque<std::string> m_filePaths;  // guarded by m_fileMutex
};
