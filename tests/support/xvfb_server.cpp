#include "support/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

CXvfb::CXvfb(const char* pszScreen) {
    int fds[2] = {-1, -1};
    if (pipe(fds) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", pszScreen, "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The display number and a newline once the server accepts clients (at most 10 s).
    std::string number;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (m_pid > 0 && std::chrono::steady_clock::now() < until) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char c = 0;
        if (read(fds[0], &c, 1) != 1) break;  // the server ended without a display
        if (c == '\n') {
            m_strDisplay = ":" + number;
            m_bReady = !number.empty();
            break;
        }
        number += c;
    }
    close(fds[0]);
}

CXvfb::~CXvfb() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}
