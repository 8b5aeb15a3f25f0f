// An Xvfb server of the test's own; it picks a free display number itself and tells it through a pipe
// (-displayfd), so test programs running side by side never share or race for a display. Stopped by the
// destructor.
#pragma once

#include <sys/types.h>

#include <string>

class CXvfb {
  public:
    // The server's screen, e.g. "800x600x24". Waits at most 10 s for the server to accept clients.
    explicit CXvfb(const char* pszScreen = "800x600x24");
    ~CXvfb();
    CXvfb(const CXvfb&) = delete;
    CXvfb& operator=(const CXvfb&) = delete;

    bool Ready() const { return m_bReady; }
    const std::string& Name() const { return m_strDisplay; }  // ":<number>"

  private:
    std::string m_strDisplay;
    pid_t m_pid = -1;
    bool m_bReady = false;
};
