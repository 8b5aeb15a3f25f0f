// The main dialog with a board selected through its Board menu, running as the program's main dialog
// (g_pMainDlg), the simulated host's frames delivered as they fall due on the manual clock, and the
// board's TTL outputs wired to the host's LED camera. Help > QVL Advanced opens the advanced dialog
// modally; a script of steps, one per idle moment of the dialog's loop, acts as the user. A loop that
// waits with nothing to do fails the test.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/advanced_dialog.h"
#include "support/main_dialog_fixture.h"

class AdvancedDialogFixture : public MainDialogFixture {
  protected:
    using Step = std::function<void(CQVLMisc&)>;

    void SetUp() override;
    void TearDown() override;

    // Attaches the devices, runs discovery and selects board nIndex through the Board menu.
    void StartWithBoard(const std::string& strDevices, int nIndex = 0);
    // Frames of the simulated host are posted to the registered windows as the clock passes them.
    void DeliverHostFrames(int nRateHz);

    // Moves the manual clock until pfnDone or nMaxUs passed (FALSE then), in steps of at most nStepUs and
    // never past the wake time of a waiting worker; while a burst runs, time moves only when its worker
    // waits in Sleep (the clock must be in WorkerSleepWaits mode). Frames and timers are handled at their
    // times on the way.
    bool RunClock(const std::function<bool()>& pfnDone, LONGLONG nMaxUs, LONGLONG nStepUs = 1000);

    // Chooses Help > QVL Advanced and runs the steps, one at each idle moment while the dialog is shown.
    // A step that closes the dialog should be the last. Returns false when the dialog never showed or the
    // steps ended with the dialog still open (it is then cancelled).
    bool RunAdvanced(const std::vector<Step>& steps);

    // Simulated user actions on the open dialog (they post; the dialog's loop handles them).
    static void Click(CQVLMisc& dlg, int nId);
    static void Type(CQVLMisc& dlg, int nId, const char* pszText);
    static std::string Text(CQVLMisc& dlg, int nId);
    static bool Enabled(CQVLMisc& dlg, int nId);
    static bool Visible(CQVLMisc& dlg, int nId);

    // The texts of all host commands so far, in order.
    static std::vector<std::string> HostCommands();
    static int CountBoxes(const std::string& strText);

    int m_nOpenings = 0;  // times the script saw the dialog shown

  private:
    UINT_PTR m_nHostHook = 0;
};
