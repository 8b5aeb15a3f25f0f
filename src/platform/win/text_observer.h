// An observer of the texts that windows show, for a run's trace of what the program writes into its
// controls. It is told
//  - of every change of a window's own text (SetWindowText, WM_SETTEXT's default handling, a user typing
//    into an edit): the text differs from the one the window had; a window made with a text is no change;
//  - of the texts drawn into a window through a context from GetDC (not a paint) that first filled the
//    whole client area, once the context is released: a control whose content its owner redraws itself
//    (a status line drawn in colours). The texts of the context's DrawText and TextOut calls are joined
//    with line breaks; a context that only filled gives the empty text.
// Calls come on the thread that made the change, with no lock of the framework held, so the observer may
// call the framework. With no observer installed each place costs one atomic load.
#pragma once

#include <string_view>

#include "platform/wintypes.h"

class CTextObserver {
  public:
    virtual ~CTextObserver() = default;
    virtual void OnWindowTextChanged(HWND hWnd, std::string_view text) = 0;
    virtual void OnControlTextDrawn(HWND hWnd, std::string_view text) = 0;
};

// NULL removes it. The observer must outlive its use: remove it only when no thread can still change a
// text.
void AfxSetTextObserver(CTextObserver* pObserver);
