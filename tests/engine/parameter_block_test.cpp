#include "engine/parameter_block.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/signal_codes.h"

TEST(ParameterBlockLayout, ImageIsLittleEndianWithFieldsWhereTheFileHasThem) {
    ParameterBlock p;
    std::memset(&p, 0, sizeof p);
    p.nVersion = 4;
    p.nSize = 692;
    p.nBoardIndex = -1;
    p.range[15].nUlRange = 114;
    p.fDomainMax[0] = 1.0f;
    std::strcpy(p.szBoardName, "PCI-DDA08/12");

    unsigned char bytes[PARAMS_SIZE];
    std::memcpy(bytes, &p, sizeof bytes);
    const unsigned char head[] = {0x04, 0x00, 0x00, 0x00, 0xB4, 0x02, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(bytes, head, sizeof head));
    EXPECT_EQ(0xFF, bytes[12]);  // nBoardIndex -1
    EXPECT_EQ(114, bytes[84 + 15 * 8 + 4]);
    EXPECT_EQ(0x3F, bytes[488 + 3]);  // 1.0f = 0x3F800000
    EXPECT_EQ('P', bytes[628]);
}

TEST(SignalCodes, KindAndAxisSplitTheWord) {
    EXPECT_EQ(13 * 65536 + 2, MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_Y));
    EXPECT_EQ(40, SignalKindOf(MakeSignalCode(40, 7)));
    EXPECT_EQ(7, SignalAxisOf(MakeSignalCode(40, 7)));
    EXPECT_EQ(0xFFFF, SignalKindOf(-1));  // a negative stored code is still a kind, not UB
    EXPECT_EQ(MakeSignalCode(SIGNAL_GAZE_ANGLE, AXIS_Y), g_DefaultSignalCodes[15]);
    EXPECT_EQ(MakeSignalCode(SIGNAL_TORSION, AXIS_NONE), g_DefaultSignalCodes[7]);
}
