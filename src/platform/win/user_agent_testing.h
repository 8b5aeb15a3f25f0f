// Test inspection of the user agent (user_agent.h) and message boxes by their short name.
// CUserEventTesting, CRecordingUserAgentTesting, CScriptedUserAgentTesting and CFileDialogTesting reach the
// members of their classes that only tests call.
#pragma once

#include "platform/win/user_agent.h"

CUserAgent* AfxGetUserAgent();

inline int MessageBox(HWND h, LPCSTR t, LPCSTR c, UINT u) {
    return MessageBoxA(h, t, c, u);
}

// CUserEvent's members that only tests call.
class CUserEventTesting {
  public:
    static UINT Buttons(const CUserEvent& o) { return o.Buttons(); }
    static UINT Icon(const CUserEvent& o) { return o.Icon(); }
    static BOOL IsTopmost(const CUserEvent& o) { return o.IsTopmost(); }
};

// CRecordingUserAgent's members that only tests call.
class CRecordingUserAgentTesting {
  public:
    static std::vector<CUserEvent> Events(const CRecordingUserAgent& o) { return o.Events(); }
    static std::vector<CUserEvent> MessageBoxes(const CRecordingUserAgent& o) { return o.MessageBoxes(); }
    static void ClearEvents(CRecordingUserAgent& o) { o.ClearEvents(); }
};

// CScriptedUserAgent's members that only tests call.
class CScriptedUserAgentTesting {
  public:
    static void QueueAnswer(CScriptedUserAgent& o, int nResult,
                            std::function<void()> pfnWhileOpen = nullptr) {
        o.QueueAnswer(nResult, pfnWhileOpen);
    }
    static void QueueAnswer(CScriptedUserAgent& o, CUserAnswer answer) { o.QueueAnswer(answer); }
    static void ClearAnswers(CScriptedUserAgent& o) { o.ClearAnswers(); }
    static void SetPumpWhileOpen(CScriptedUserAgent& o, BOOL bPump) { o.SetPumpWhileOpen(bPump); }
    static int DefaultAnswer(UINT nType) { return CScriptedUserAgent::DefaultAnswer(nType); }
};

// CFileDialog's members that only tests call.
class CFileDialogTesting {
  public:
    static CString GetFileName(const CFileDialog& o) { return o.GetFileName(); }
};
