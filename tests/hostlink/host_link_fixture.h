// The main dialog fixture with the host link in place: the simulated host's frame clock stopped (tests
// send each notification themselves), its posts delivered with PostMessage, g_pMainDlg set to the bare
// dialog, the application's host-link values and the notification globals at their start values. TearDown
// detaches as the application's exit does.
#pragma once

#include <vector>

#include "app/tessaro_app.h"
#include "engine/ttl_output.h"
#include "hostlink/host_notification.h"
#include "hostlink/interapp_window.h"
#include "platform/hostlib/sim_host.h"
#include "support/main_dialog_fixture.h"

class HostLinkFixture : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        SimHost().SetRunning(false);
        SimHost().SetPostFunction([](HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
            return PostMessage(hWnd, nMessage, wParam, lParam);
        });
        theApp.m_nInterAppMsg = 0;
        theApp.m_nNotificationCount = 0;
        theApp.m_nMessageListLength = 0;
        theApp.m_nMessagePostCount = 0;
        theApp.m_nNotificationDelayMs = 0;
        g_wHostTtlBits = 0;
        g_nLastTtlOutput = 9999999;
        g_nTtlShadowWord = 0;
        g_pMainDlg = m_pDlg.get();
    }

    void TearDown() override {
        g_pMainDlg = nullptr;
        theApp.ExitInstance();
        MainDialogFixture::TearDown();
    }

    // The host sends one notification; the loop then handles what is pending.
    static void HostSends(WORD nCode, LPARAM lParam = 0) {
        SimHost().SendNotification(nCode, lParam);
        CMessageLoop::RunUntilIdle();
    }

    // The values written with cbDOut to one port, in order.
    static std::vector<int> PortWrites(int nPort) {
        std::vector<int> values;
        for (const SimCallRecord& rec : Calls("cbDOut"))
            if (rec.args.size() == 3 && std::stoi(rec.args[1]) == nPort)
                values.push_back(std::stoi(rec.args[2]));
        return values;
    }
};
