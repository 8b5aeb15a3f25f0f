// A headless main dialog on a fresh framework: manual clock, scripted user agent, simulated boards and
// host reset, resources registered, parameter defaults, and the dialog's window made from its template
// (modeless) with the four line controls linked as its initialisation links them. The dialog's own
// start-up (discovery, parameter file, timers) does not run here: each test brings up what it needs.
// Every test runs in a fresh empty working folder, so the settings file the dialog writes at its end
// stays with the test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "platform/ul/sim_control.h"
#include "resources/resource.h"
#include "support/temp_work_dir.h"

// Every global of the program's layers (board, engine, host link, application) back at its start value.
void ResetProgramGlobals();

class MainDialogFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Attaches the devices ("NAME[:SERIAL],...", see CSimBoards::SetAttachedDevices).
    static void AttachDevices(const std::string& strList);
    // Starts the library and runs discovery as the dialog's initialisation does.
    void Discover();
    // Makes record nIndex the board in use the way board selection does (index, number, family,
    // channel counts, simulated flag), without touching the ports.
    void UseBoard(int nIndex);

    std::string WindowText(int nId) const;
    static std::string WindowText(CWnd* pWnd);
    // The host's log lines ("say" texts) in order.
    static std::vector<std::string> HostLog();
    // The library calls of one name, in order.
    static std::vector<SimCallRecord> Calls(const std::string& strName);

    std::unique_ptr<CTessaro2010Dlg> m_pDlg;
    std::string m_strWorkDir;

  private:
    CTempWorkDir m_workDir;
};

// For a whole program run (AfxWinMain) in the test: the program makes its own main dialog, so the
// fixture's goes, the globals a run starts from are reset, the work folder has its Settings folder, and
// a loop that stalls for 5 s fails the test.
class ProgramRunFixture : public MainDialogFixture {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// The main dialog with the framework's own initialisation only.
class CBareMainDialog : public CTessaro2010Dlg {
  public:
    BOOL OnInitDialog() override { return CDialog::OnInitDialog(); }
};
