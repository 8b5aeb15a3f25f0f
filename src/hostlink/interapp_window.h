// The hidden window that receives the tracker host's notifications. The host library posts the registered
// message "CRS_message" to it (CTessaro2010App::AttachToHost); the window hands each one synchronously to
// the running main dialog's OnHostNotification. User-interface thread only.
#pragma once

#include "platform/win/framework.h"

// Title of the window, as the host sees it.
constexpr const char* INTERAPP_WINDOW_NAME = "myInterAppWindow";
// Name of the registered message the host posts.
constexpr const char* INTERAPP_MESSAGE_NAME = "CRS_message";

class CInterAppWindow : public CWnd {
    DECLARE_DYNAMIC(CInterAppWindow)
  public:
    CInterAppWindow() = default;
    ~CInterAppWindow() override;

    DECLARE_MESSAGE_MAP()

  public:
    using CWnd::CreateEx;
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr) override;
    BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr) override;

    // A host message is consumed here (TRUE) whether or not it was forwarded, so the loop never
    // dispatches it to WindowProc as well.
    BOOL PreTranslateMessage(MSG* pMsg) override;

  protected:
    // The route of a host message that reaches the window without the framework's pre-translation;
    // returns 1 for it.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
