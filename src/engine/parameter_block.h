// The settings record. Its byte image is the parameter file: packed, little-endian, 692 bytes, version 4.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/wintypes.h"
#include "resources/resource.h"

class CWnd;

constexpr int PARAMS_VERSION = 4;
constexpr int PARAMS_SIZE = 692;
constexpr int MAX_CHANNELS = 16;

// The record stores the board's and the TTL radix's menu ids (resources/resource.h).

// Output range of one channel: the panel's RangeCode 0..6 and the matching board library constant.
struct ChannelRange {
    std::int32_t nRangeCode;
    std::int32_t nUlRange;
};

#pragma pack(push, 1)
struct ParameterBlock {
    std::int32_t nVersion;
    std::int32_t nSize;
    std::int32_t nBoardMenuId;
    std::int32_t nBoardIndex;
    std::int32_t nBoardNum;
    std::int32_t nSignalCode[MAX_CHANNELS];
    ChannelRange range[MAX_CHANNELS];
    std::int32_t nSpare;
    // Reserved 32-bit slots in the file. The live links to the panel controls cannot fit 32 bits on this
    // platform and are kept in g_ChannelLinks; these slots are written as zero and never read.
    std::uint32_t pValueText[MAX_CHANNELS];
    std::uint32_t pClampText[MAX_CHANNELS];
    std::int32_t nEye[MAX_CHANNELS];
    BOOL bZeroOnBadScan;
    BOOL bZeroAfterBoardError;
    BOOL bRoiOutput;
    BOOL bTtlInputMarkers;
    float fDomainMin[MAX_CHANNELS];
    float fDomainMax[MAX_CHANNELS];
    BOOL bInvert[MAX_CHANNELS];
    std::int32_t nTtlRadixId;
    BOOL bExternalInterrupt;
    std::int32_t nQualityThreshold;
    char szBoardName[64];
};
#pragma pack(pop)

static_assert(sizeof(float) == 4 && sizeof(BOOL) == 4, "the record needs 32-bit BOOL and float");
static_assert(sizeof(ParameterBlock) == PARAMS_SIZE);
static_assert(offsetof(ParameterBlock, nVersion) == 0);
static_assert(offsetof(ParameterBlock, nSize) == 4);
static_assert(offsetof(ParameterBlock, nBoardMenuId) == 8);
static_assert(offsetof(ParameterBlock, nBoardIndex) == 12);
static_assert(offsetof(ParameterBlock, nBoardNum) == 16);
static_assert(offsetof(ParameterBlock, nSignalCode) == 20);
static_assert(offsetof(ParameterBlock, range) == 84);
static_assert(offsetof(ParameterBlock, nSpare) == 212);
static_assert(offsetof(ParameterBlock, pValueText) == 216);
static_assert(offsetof(ParameterBlock, pClampText) == 280);
static_assert(offsetof(ParameterBlock, nEye) == 344);
static_assert(offsetof(ParameterBlock, bZeroOnBadScan) == 408);
static_assert(offsetof(ParameterBlock, bZeroAfterBoardError) == 412);
static_assert(offsetof(ParameterBlock, bRoiOutput) == 416);
static_assert(offsetof(ParameterBlock, bTtlInputMarkers) == 420);
static_assert(offsetof(ParameterBlock, fDomainMin) == 424);
static_assert(offsetof(ParameterBlock, fDomainMax) == 488);
static_assert(offsetof(ParameterBlock, bInvert) == 552);
static_assert(offsetof(ParameterBlock, nTtlRadixId) == 616);
static_assert(offsetof(ParameterBlock, bExternalInterrupt) == 620);
static_assert(offsetof(ParameterBlock, nQualityThreshold) == 624);
static_assert(offsetof(ParameterBlock, szBoardName) == 628);

// The record is stored as its memory image, so the platform must be little-endian like the file.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the parameter file is little-endian");

// Live links from each channel to the text controls of its panel (the value text and the domain-status
// text). NULL means no control is linked; the engine then writes nothing there.
struct ChannelLinks {
    CWnd* pValueText[MAX_CHANNELS];
    CWnd* pClampText[MAX_CHANNELS];
};

// Default signal code of each channel (signal kind in the high 16 bits, component in the low 16 bits).
extern const std::int32_t g_DefaultSignalCodes[MAX_CHANNELS];

// Clears every live panel link (after a load, before new panels exist).
void ClearChannelLinks();
