// The program on an X display. One screen thread owns the X connection: it keeps one X window per
// visible top-level framework window (placed and sized from the window's rectangle, hidden when the
// framework window is hidden, gone with it), paints each from the latest snapshot that changed it, and
// hands every input event to the user-interface thread as posted user input (screen_input.h). The
// framework stays the only owner of window state: nothing here changes a window except through input,
// and a window the window manager moved or sized is moved or sized to match by a task on the
// user-interface thread (SetWindowPos), where the framework may keep its own rectangle; the screen's own
// placing of a window is never taken for a move.
//
// Threads: Start, Stop and Refresh are called on the user-interface thread (the one whose windows are
// shown). Snapshots are taken there, in an idle hook of its message loop, so no half-finished paint is
// ever shown. While a session runs, the framework measures text with the screen's font.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/win/framework.h"

class CScreenSession {
  public:
    CScreenSession();
    ~CScreenSession();  // stops a running session

    // pszDisplay NULL or empty: $DISPLAY. FALSE (and the reason in GetError) when the display cannot be
    // opened or a session runs already.
    BOOL Start(const char* pszDisplay);
    void Stop();
    BOOL IsRunning() const;
    const std::string& GetError() const { return m_strError; }

    // Takes a snapshot now and hands it to the screen thread when something changed.
    void Refresh();

    // The display's refresh: while the session runs, windows are painted (CMessageLoop::SetPaintPeriod)
    // and snapshots taken at most this often.
    static constexpr LONGLONG kRefreshPeriodUs = 1000000 / 60;

    // Inspection (any thread): the X window showing a framework window (0: none), and how many times
    // the screen thread has painted windows.
    unsigned long GetXWindow(HWND hWnd) const;
    std::uint64_t GetPaintCount() const;
    // User-interface thread: TRUE once the screen thread is through with every snapshot handed to it
    // (its windows made, placed and painted); it paints again only for a later one or an exposure.
    BOOL IsShowingLatest() const;
    // Requests the X server refused, in every session so far: each costs that request only (a window
    // another client destroyed, a window manager's frame), never the program.
    static unsigned long GetXErrorCount();

    struct CShared;

  private:
    CScreenSession(const CScreenSession&) = delete;
    CScreenSession& operator=(const CScreenSession&) = delete;

    std::shared_ptr<CShared> m_pShared;
    std::string m_strError;
    // The idle hook's refresh: at most one snapshot per refresh period (real time); one put off wakes the
    // loop when it is due.
    void RefreshWhenDue();
    static LONGLONG RefreshClockUs();

    UINT_PTR m_nIdleHook = 0;
    LONGLONG m_nNextRefreshUs = 0;  // RefreshClockUs() from which the next refresh may come
    LONGLONG m_nPreviousPaintPeriodUs = 0;
    std::uint64_t m_nOffered = 0;  // change count of the last snapshot handed over
    class CTextMeasurer* m_pPreviousMeasurer = nullptr;
};
