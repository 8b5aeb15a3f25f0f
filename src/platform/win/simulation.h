// The reset of the simulated platform to a fresh framework state, for tests and main.cpp; the forced
// failures, key states and records that only tests use are in simulation_testing.h. The program itself
// never calls these.
#pragma once

#include "platform/win/messages.h"

class CWinSimulation {
  public:
    // Fresh state: every window is dropped without messages (objects still attached lose their handle),
    // queues, timers, focus, menus, forced failures, key states, beeps and scripted answers are cleared;
    // the user agent, the text measurer, system texts, registered modules and the module path, the
    // clock's worker-sleep mode and performance frequency are restored. Kept: registered window messages,
    // the system classes, resources, the clock's time and whether it is manual (fixtures choose), time
    // hooks (the simulations own them) and the command line.
    static void Reset();
};
