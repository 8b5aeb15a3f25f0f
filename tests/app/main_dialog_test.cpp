#include "app/main_dialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win/resources.h"
#include "platform/win/resources_testing.h"
#include "platform/win/simulation.h"
#include "resources/resource.h"

namespace {

class MainDialogRecord : public ::testing::Test {
  protected:
    void SetUp() override {
        CWinSimulation::Reset();
        RegisterTessaroResources();
    }
};

CapabilitiesRecord Classified(CTessaro2010Dlg& dlg, const char* name) {
    CapabilitiesRecord rec;
    std::memset(&rec, 0x5A, sizeof rec);  // every capability field must be written
    std::memset(rec.szName, 0, sizeof rec.szName);
    std::strncpy(rec.szName, name, sizeof rec.szName - 1);
    std::strcpy(rec.szSerial, "SER");
    rec.nBoardNum = 3;
    dlg.MCL_setCapabilitiesRecord(rec);
    return rec;
}

}  // namespace

TEST_F(MainDialogRecord, ConstructorClearsBoardTableAndSetsColourTable) {
    std::memset(g_CapabilitiesRecords, 0x7F, sizeof g_CapabilitiesRecords);
    CTessaro2010Dlg dlg;
    for (const CapabilitiesRecord& r : g_CapabilitiesRecords) {
        EXPECT_EQ(0, r.nProductType);
        EXPECT_EQ('\0', r.szName[0]);
    }
    EXPECT_EQ(LED_DARK, dlg.m_crControlColor[99]);
    EXPECT_EQ(0, dlg.m_nControlColors);
    EXPECT_EQ(0xC0, dlg.m_nBurstMask.load());
    EXPECT_EQ(0x80, dlg.m_nBurstOutput);
    EXPECT_EQ(1000, dlg.m_nBurstLoops);
    EXPECT_TRUE(dlg.m_bPanelsExpanded);
    EXPECT_TRUE(dlg.m_strDefaultParamPath.IsEmpty());
}

TEST_F(MainDialogRecord, DefaultsAloneLeaveChannelsUnusableAndWriteThe692ByteImage) {
    CTessaro2010Dlg dlg;
    std::memset(&g_Params, 0xAB, sizeof g_Params);
    dlg.SetParameterDefaults();
    for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
        EXPECT_EQ(0, g_Params.nSignalCode[ch]);
        EXPECT_EQ(0, g_Params.range[ch].nRangeCode);
        EXPECT_EQ(0, g_Params.range[ch].nUlRange);
        EXPECT_EQ(0.0f, g_Params.fDomainMax[ch]);
    }
    EXPECT_EQ(ID_BOARD_NONE, g_Params.nBoardMenuId);
    EXPECT_EQ(-1, g_Params.nBoardIndex);
    EXPECT_EQ(ID_TTL_LEDS, g_Params.nTtlRadixId);
    EXPECT_EQ(2, g_Params.nQualityThreshold);
    EXPECT_EQ(1, g_Params.nSpare);
    EXPECT_EQ(1, g_Params.bZeroOnBadScan);
    EXPECT_EQ(1, g_Params.bZeroAfterBoardError);
    EXPECT_EQ(0, g_Params.bRoiOutput);

    char path[] = "/tmp/tessaro_params_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    FILE* f = fdopen(fd, "w+b");
    ASSERT_NE(nullptr, f);
    ASSERT_EQ(1u, std::fwrite(&g_Params, sizeof g_Params, 1, f));
    std::fflush(f);
    EXPECT_EQ(PARAMS_SIZE, std::ftell(f));
    std::rewind(f);
    unsigned char head[8] = {};
    ASSERT_EQ(8u, std::fread(head, 1, 8, f));
    std::fclose(f);
    std::remove(path);
    const unsigned char expected[] = {0x04, 0x00, 0x00, 0x00, 0xB4, 0x02, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(head, expected, 8));
}

TEST_F(MainDialogRecord, CapabilitiesFollowTheNameAndOverwriteEveryField) {
    CTessaro2010Dlg dlg;
    CapabilitiesRecord demo = Classified(dlg, "PCI-DDA08/12-Demo");
    EXPECT_EQ(PRODUCT_DDA08, demo.nProductType);
    EXPECT_EQ(FAMILY_DDA, demo.nFamily);
    EXPECT_EQ(8, demo.nAnalogChannels);
    EXPECT_EQ(4096, demo.nCodeCount);
    EXPECT_EQ(50, demo.nTtlBits);
    EXPECT_EQ(0, demo.bDigitalOnly);
    EXPECT_STREQ("SER", demo.szSerial);
    EXPECT_EQ(3, demo.nBoardNum);

    CapabilitiesRecord ls = Classified(dlg, "USB-1208LS");
    EXPECT_EQ(1023, ls.nCodeCount);
    EXPECT_EQ(10, ls.nBits);
    EXPECT_EQ(FAMILY_1208, ls.nFamily);

    CapabilitiesRecord dio = Classified(dlg, "PCI-DIO24");
    EXPECT_EQ(FAMILY_DIO24, dio.nFamily);
    EXPECT_EQ(1, dio.bDigitalOnly);
    EXPECT_EQ(0, dio.nAnalogChannels);
    EXPECT_EQ(0, dio.nCodeCount);
    EXPECT_EQ(24, dio.nTtlBits);

    CapabilitiesRecord board = Classified(dlg, "DEMO-BOARD");
    EXPECT_EQ(PRODUCT_DEMO_BOARD, board.nProductType);
    EXPECT_EQ(FAMILY_NONE, board.nFamily);
    EXPECT_STREQ("DEMO-BOARD", board.szName);

    CapabilitiesRecord unknown = Classified(dlg, "demo-board");
    EXPECT_EQ(PRODUCT_UNKNOWN, unknown.nProductType);
    EXPECT_STREQ("Unknown Board", unknown.szName);
    EXPECT_EQ(0, unknown.nCodeCount);

    const std::string longName(63, 'Z');
    CapabilitiesRecord longUnknown = Classified(dlg, longName.c_str());
    EXPECT_STREQ("Unknown Board", longUnknown.szName);  // no stale tail of the long name survives
    EXPECT_EQ('\0', longUnknown.szName[20]);
}

TEST_F(MainDialogRecord, MainDialogTemplateAndMenuAreRegistered) {
    const CDialogTemplate* t = AfxFindDialogTemplate(IDD_TESSARO_DIALOG);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ("Corvessa~TessaroPro", t->strCaption);
    EXPECT_EQ(443, t->cx);
    EXPECT_EQ(292, t->cy);
    int leds = 0;
    for (const CDialogItemTemplate& it : t->items)
        if (it.nID >= 1080 && it.nID <= 1097 && (it.dwStyle & BS_TYPEMASK) == BS_OWNERDRAW) ++leds;
    EXPECT_EQ(16, leds);

    const CMenuTemplate* m = AfxFindMenuTemplate(IDR_MAINMENU);
    ASSERT_NE(nullptr, m);
    ASSERT_EQ(4u, m->items.size());
    EXPECT_EQ("Board", m->items[1].strText);
    EXPECT_EQ("No Board", m->items[1].items[0].strText);
    const CMenuItemTemplate& ttl = m->items[2].items[0];
    EXPECT_EQ("TTL  output  of  ROI  code", ttl.items[0].strText);
    EXPECT_EQ("Enable  pulse  edge  detection", ttl.items.back().strText);
    EXPECT_EQ("Glint  is  Good", m->items[2].items[2].items.back().strText);
    EXPECT_STREQ("&About TessaroPro...", AfxFindString(IDS_ABOUTBOX));
}
