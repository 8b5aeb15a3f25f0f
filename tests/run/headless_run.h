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

// Runs the program headless (no DISPLAY) in the current folder with these arguments; its standard output
// and error go to out.txt and err.txt there. A run still going after nLimitS seconds is killed (a failure).
inline HeadlessRun RunHeadlessProgram(const std::vector<std::string>& args, int nLimitS = 40) {
    HeadlessRun run;
    const pid_t pid = fork();
    if (pid == 0) {
        const int nOut = open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int nErr = open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(nOut, STDOUT_FILENO);
        dup2(nErr, STDERR_FILENO);
        unsetenv("DISPLAY");
        std::vector<char*> argv{const_cast<char*>(TESSARO_PROGRAM)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(TESSARO_PROGRAM, argv.data());
        _exit(127);
    }
    if (pid < 0) {
        ADD_FAILURE() << "the program could not be started";
        return run;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(nLimitS);
    for (;;) {
        int nStatus = 0;
        if (waitpid(pid, &nStatus, WNOHANG) == pid) {
            run.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= until) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            ADD_FAILURE() << "the program did not end within " << nLimitS << " s";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::istringstream out(ReadWholeFile("out.txt"));
    for (std::string line; std::getline(out, line);) {
        const size_t n = line.find(' ');
        run.lines.push_back(n == std::string::npos ? line : line.substr(n + 1));
    }
    run.strErrors = ReadWholeFile("err.txt");
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
