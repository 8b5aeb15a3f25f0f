// Fresh simulated boards for every test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/ul/cbw.h"
#include "platform/ul/sim_control.h"

class UlTest : public ::testing::Test {
  protected:
    void SetUp() override { CSimBoards::Reset(); }
    void TearDown() override { CSimBoards::Reset(); }

    // Attaches the listed devices and creates them as boards 0, 1, ... in inventory order.
    static void CreateBoards(const std::string& strList) {
        std::string strError;
        ASSERT_TRUE(CSimBoards::SetAttachedDevices(strList, strError)) << strError;
        DaqDeviceDescriptor inventory[100];
        int nCount = 100;
        ASSERT_EQ(cbGetDaqDeviceInventory(ANY_IFC, inventory, &nCount), NOERRORS);
        for (int i = 0; i < nCount; ++i) ASSERT_EQ(cbCreateDaqDevice(i, inventory[i]), NOERRORS);
    }

    static std::string ErrText(int nCode) {
        char text[ERRSTRLEN];
        cbGetErrMsg(nCode, text);
        return text;
    }
};
