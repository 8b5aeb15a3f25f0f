#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/win/text_observer.h"
#include "platform/wintypes.h"

// Where a control is, for a "text" line: the title of its top-level window, then for each window between
// them that has no text of its own but frames its controls with a group box (a channel panel) '>' and
// that box's caption, then '/' and the control's id: "TessaroPro>Channel 3/1022".
std::string ControlPlace(HWND hWnd);

// Prints "text <place> \"<text>\"" for each change of a text a control shows (CTextObserver): its own text,
// or the text its owner draws over its whole client area; a drawn text is a change when it differs from
// the last one printed, or, at first, from the control's own text. Any thread.
class CRunTextTrace : public CTextObserver {
  public:
    explicit CRunTextTrace(std::function<void(std::string_view)> pfnReport);
    void OnWindowTextChanged(HWND hWnd, std::string_view text) override;
    void OnControlTextDrawn(HWND hWnd, std::string_view text) override;

  private:
    void ReportText(HWND hWnd, std::string_view text);
    std::function<void(std::string_view)> m_pfnReport;
    std::mutex m_mutex;
    std::map<HWND, std::string> m_shown;  // the last text printed per control
};
