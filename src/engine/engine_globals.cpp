#include "engine/engine_globals.h"

ParameterBlock g_Params;
ChannelLinks g_ChannelLinks;
BoardBeingLeft g_BoardBeingLeft{};

std::uint32_t g_nDefaultTicks = 0;
int g_bLastAttached = -1;
BOOL g_bPulseInit = FALSE;
BOOL g_bHavePerfCounter = FALSE;
std::uint32_t g_nPulseTicks = 0;
int g_nPulseEvery = 0;
std::uint16_t g_nPulseLevel = 0;
BYTE g_bSplashShown = TRUE;
int g_nSplashTicks = 0;
std::uint16_t g_nSawToothValue[16] = {};

std::uint32_t g_nLastCounterValue = 0;
BOOL g_bAnalogWritten = FALSE;
int g_nDecimationCounter = 0;

std::atomic<int> g_nLastTtlOutput{9999999};
std::atomic<std::uint16_t> g_nTtlShadowWord{0};
std::uint16_t g_nTtlTestCount = 0;

BOOL g_bInterruptDebounce = TRUE;
std::uint32_t g_nLastInputChangePoll = 0;
std::uint16_t g_nPrevTtlInput = 0;
std::uint8_t g_nTtlInputTestCount = 0;
std::uint32_t g_nTtlPollCount = 0;
std::atomic<HWND> g_hInterruptWnd{nullptr};

unsigned g_nSelectionsBegun = 0;

std::atomic<int> g_nBothWord{-1};
int g_nLastRoiBit = 0;

void ResetEngineGlobals() {
    g_Params = {};
    g_ChannelLinks = {};
    g_BoardBeingLeft = {};

    g_nDefaultTicks = 0;
    g_bLastAttached = -1;
    g_bPulseInit = FALSE;
    g_bHavePerfCounter = FALSE;
    g_nPulseTicks = 0;
    g_nPulseEvery = 0;
    g_nPulseLevel = 0;
    g_bSplashShown = TRUE;
    g_nSplashTicks = 0;
    for (std::uint16_t& n : g_nSawToothValue) n = 0;

    g_nLastCounterValue = 0;
    g_bAnalogWritten = FALSE;
    g_nDecimationCounter = 0;

    g_nLastTtlOutput = 9999999;
    g_nTtlShadowWord = 0;
    g_nTtlTestCount = 0;

    g_bInterruptDebounce = TRUE;
    g_nLastInputChangePoll = 0;
    g_nPrevTtlInput = 0;
    g_nTtlInputTestCount = 0;
    g_nTtlPollCount = 0;
    g_hInterruptWnd = nullptr;

    g_nSelectionsBegun = 0;

    g_nBothWord = -1;
    g_nLastRoiBit = 0;
}
