#include "run/text_trace.h"

#include <utility>

#include "platform/win/system_codes.h"
#include "platform/win/window.h"
#include "platform/win/window_styles.h"
#include "run/run_text.h"
#include "run/trace_lines.h"

using runtext::IsGroupBox;
using runtext::TextOf;

std::string ControlPlace(HWND hWnd) {
    std::string strBoxes;
    HWND hTop = hWnd;
    while ((GetWindowLong(hTop, GWL_STYLE) & WS_CHILD) != 0) {
        const HWND hParent = GetParent(hTop);
        if (hParent == nullptr) break;
        hTop = hParent;
        if ((GetWindowLong(hParent, GWL_STYLE) & WS_CHILD) == 0 || !TextOf(hParent).empty()) continue;
        for (HWND hChild = GetWindow(hParent, GW_CHILD); hChild != nullptr;
             hChild = GetWindow(hChild, GW_HWNDNEXT)) {
            if (IsGroupBox(hChild)) {
                std::string strBox = ">";
                strBox += TextOf(hChild);
                strBox += strBoxes;
                strBoxes = std::move(strBox);
                break;
            }
        }
    }
    return TextOf(hTop) + strBoxes + "/" + std::to_string(GetDlgCtrlID(hWnd));
}

CRunTextTrace::CRunTextTrace(std::function<void(std::string_view)> pfnReport)
    : m_pfnReport(std::move(pfnReport)) {}

void CRunTextTrace::ReportText(HWND hWnd, std::string_view text) {
    m_pfnReport("text " + EscapeTraceText(ControlPlace(hWnd)) + " \"" + EscapeTraceText(text) + "\"");
}

void CRunTextTrace::OnWindowTextChanged(HWND hWnd, std::string_view text) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shown[hWnd] = std::string(text);
    }
    ReportText(hWnd, text);
}

void CRunTextTrace::OnControlTextDrawn(HWND hWnd, std::string_view text) {
    // A window's own text is read outside the lock: on its thread that is a message to it.
    bool bKnown = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_shown.find(hWnd);
        if (it != m_shown.end()) {
            if (it->second == text) return;
            it->second = std::string(text);
            bKnown = true;
        }
    }
    if (!bKnown) {
        const std::string strOwn = TextOf(hWnd);
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool bSame = strOwn == text;
        m_shown[hWnd] = std::string(text);
        if (bSame) return;
    }
    ReportText(hWnd, text);
}
