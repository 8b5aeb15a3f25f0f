// Runs of the built program for the runner's tests, and their platform options parsed: one maker of each,
// shared by the test files of the run folder. TESSARO_PROGRAM is the program's path (a compile definition
// of run_tests).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "run/program_options.h"

struct HeadlessRun {
    int nExit = -1;                  // -1: killed at the deadline, or ended on a signal
    std::vector<std::string> lines;  // standard output, each line without its seconds: "<kind> <text>"
    std::string strErrors;           // standard error
};

inline std::string ReadWholeFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The built program as a child process, started in a working folder (the current one by default) with
// its standard output in out.txt and its standard error in err.txt there; headless unless a display is
// named. Killed by the destructor whatever happened (the watchdog of a test that failed half-way).
class CProgramProcess {
  public:
    CProgramProcess() = default;
    CProgramProcess(const CProgramProcess&) = delete;
    CProgramProcess& operator=(const CProgramProcess&) = delete;
    ~CProgramProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool Start(const std::vector<std::string>& args, const std::string& strDisplay = {},
               const std::string& strDir = ".") {
        m_strDir = strDir;
        m_pid = fork();
        if (m_pid == 0) {
            if (chdir(strDir.c_str()) != 0) _exit(126);
            const int nOut = open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int nErr = open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(nOut, STDOUT_FILENO);
            dup2(nErr, STDERR_FILENO);
            if (strDisplay.empty())
                unsetenv("DISPLAY");
            else
                setenv("DISPLAY", strDisplay.c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(TESSARO_PROGRAM)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(TESSARO_PROGRAM, argv.data());
            _exit(127);
        }
        return m_pid > 0;
    }
    void Signal(int nSignal) const {
        if (m_pid > 0) kill(m_pid, nSignal);
    }
    // The exit status once it ended before the deadline; -1 when it still runs, -2 - N when signal N ended
    // it.
    int WaitForExit(std::chrono::steady_clock::time_point until) {
        while (m_pid > 0) {
            int nStatus = 0;
            if (waitpid(m_pid, &nStatus, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -2 - WTERMSIG(nStatus);
            }
            if (std::chrono::steady_clock::now() >= until) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    std::string Output() const { return ReadWholeFile(m_strDir + "/out.txt"); }
    std::string Errors() const { return ReadWholeFile(m_strDir + "/err.txt"); }

  private:
    std::string m_strDir = ".";
    pid_t m_pid = -1;
};

// The kind and text of each output line, without its seconds: "<kind> <text>".
inline std::vector<std::string> LineBodies(const std::string& text) {
    std::vector<std::string> bodies;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const size_t n = line.find(' ');
        bodies.push_back(n == std::string::npos ? line : line.substr(n + 1));
    }
    return bodies;
}

// Runs the program headless (no DISPLAY) in the current folder with these arguments; its standard output
// and error go to out.txt and err.txt there. A run still going after nLimitS seconds is killed (a failure).
inline HeadlessRun RunHeadlessProgram(const std::vector<std::string>& args, int nLimitS = 40) {
    HeadlessRun run;
    CProgramProcess program;
    if (!program.Start(args)) {
        ADD_FAILURE() << "the program could not be started";
        return run;
    }
    const int nExit = program.WaitForExit(std::chrono::steady_clock::now() + std::chrono::seconds(nLimitS));
    run.nExit = nExit >= 0 ? nExit : -1;
    if (nExit == -1) ADD_FAILURE() << "the program did not end within " << nLimitS << " s";
    run.lines = LineBodies(program.Output());
    run.strErrors = program.Errors();
    return run;
}

// The platform options of a command line (the program's path first, then these words).
struct ParsedOptions {
    EOptionsResult eResult = EOptionsResult::Run;
    ProgramOptions options;
    std::string strError;
};

inline ParsedOptions ParseWords(std::vector<const char*> words) {
    words.insert(words.begin(), "/opt/tessaro/TessaroPro");
    ParsedOptions p;
    p.eResult = ParseProgramOptions(static_cast<int>(words.size()), words.data(), p.options, p.strError);
    return p;
}
