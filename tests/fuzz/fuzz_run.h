// Support for the fuzz targets: one whole headless run of the program per input, many runs in one
// process. Each run starts as a new process would: what the test fixtures reset (MainDialogFixture and
// ProgramRunFixture: framework, manual clock, user agent, simulated boards and host, the globals they
// name, a fresh working folder with its Settings folder), and besides that every global of the program
// that a run leaves changed (a test need not reset those, since each test has a process of its own). The
// resources are registered once per process: the framework's reset keeps them. A message loop that
// stalls, or a run that does not end, ends the process (a finding), as a crash does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "support/temp_work_dir.h"

// Reads the fuzz input from the front; past its end every read gives 0.
class CFuzzBytes {
  public:
    CFuzzBytes(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nLeft(nSize) {}
    bool Empty() const { return m_nLeft == 0; }
    std::uint8_t Byte();
    std::uint16_t Word();
    std::uint32_t DWord();
    // Four bytes as they lie in memory, so any bit pattern (NaN, infinities, denormals) can come.
    float Float();

  private:
    const std::uint8_t* m_pData;
    std::size_t m_nLeft;
};

class CFuzzProgramRun {
  public:
    CFuzzProgramRun() = default;
    CFuzzProgramRun(const CFuzzProgramRun&) = delete;
    CFuzzProgramRun& operator=(const CFuzzProgramRun&) = delete;

    // A fresh run: everything at its start values, an empty working folder with its Settings folder, the
    // simulated host's frames delivered as they fall due (60 Hz) while the clock advances.
    void Begin();
    // Notes what the run left to be seen (FuzzObservations; in the replay test's build only), then
    // removes the working folder and leaves the framework and simulations fresh.
    void End();

    // Runs the program (AfxWinMain with argv[0] only) until it ends. pfnStep runs at each idle moment of
    // the main dialog's modal run (shown, not closing), with a step number from 0; when it returns false
    // the user closes the main dialog with Escape (the quit question's default answer is Yes). Returns
    // AfxWinMain's result.
    int Run(const std::function<bool(CTessaro2010Dlg&, int)>& pfnStep);

    // Attaches the simulated devices ("NAME[:SERIAL],..."); a list the simulation refuses is a fault of
    // the harness.
    static void AttachDevices(const char* pszList);
    const std::string& WorkDir() const { return m_workDir.Path(); }

  private:
    CTempWorkDir m_workDir;
    UINT_PTR m_nHostHook = 0;
};

// Writes bytes to a file, replacing it; false on failure.
bool WriteFuzzFile(const char* pszPath, const std::uint8_t* pData, std::size_t nSize);
// The size of a file, or -1 when it cannot be read.
long FuzzFileSize(const char* pszPath);
// Ends the process with the message (a finding of the run).
[[noreturn]] void FuzzFail(const std::string& strWhat);

// What the last input's run showed: the host's commands, the board library's calls, the message boxes
// and file dialogs with their answers, and the parameter files left (name, size, bytes). Two runs of one
// input give the same observations unless something carried over from an earlier run: the replay test
// compares them. Cleared at the start of every run.
void ClearFuzzObservations();
void NoteFuzzObservation(std::string strLine);
const std::vector<std::string>& FuzzObservations();

// The targets' runs of one input (libFuzzer's entry point calls them; the replay test too).
void RunParamFileInput(const std::uint8_t* pData, std::size_t nSize);
void RunHostInputs(const std::uint8_t* pData, std::size_t nSize);
void RunLaunchWords(const std::uint8_t* pData, std::size_t nSize);
