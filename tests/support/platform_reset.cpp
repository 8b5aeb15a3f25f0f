#include "support/platform_reset.h"

#include "platform/hostlib/sim_host.h"
#include "platform/ul/sim_control.h"
#include "platform/win/clock_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/user_agent.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"

void ResetSimulatedPlatform() {
    CWinSimulation::Reset();
    CClockTesting::UseManualClock(kPlatformClockStartMs);
    CClockTesting::SetPerformanceFrequency(10000000);
    CScriptedUserAgentTesting::ClearAnswers(AfxGetScriptedUserAgent());
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    CSimBoards::Reset();
    SimHost().Reset();
    SimHost().SetTimeSource([] { return CClock::NowMicros(); });
    RegisterTessaroResources();
}
