#include "board/capabilities.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
ProductType Classify(const char* text) {
    char name[BOARD_NAME_LEN] = {};
    std::strncpy(name, text, sizeof name);
    return ClassifyProductName(name);
}
}  // namespace

TEST(ClassifyProductName, FirstMatchWinsAndOnlyTheExactDemoName) {
    EXPECT_EQ(PRODUCT_DEMO_BOARD, Classify("DEMO-BOARD"));
    EXPECT_EQ(PRODUCT_UNKNOWN, Classify("DEMO-BOARD "));
    EXPECT_EQ(PRODUCT_UNKNOWN, Classify("demo-board"));
    EXPECT_EQ(PRODUCT_UNKNOWN, Classify("pci-dda08/12"));
    EXPECT_EQ(PRODUCT_DDA08, Classify("PCI-DDA08/12"));
    EXPECT_EQ(PRODUCT_DDA08, Classify(SIMULATED_BOARD_NAME));
    EXPECT_EQ(PRODUCT_DDA04, Classify("X-1208HS-DDA04"));
    EXPECT_EQ(PRODUCT_1208LS, Classify("USB-1208LS"));
    EXPECT_EQ(PRODUCT_DIO24, Classify("PCI-DIO24"));
    EXPECT_EQ(PRODUCT_UNKNOWN, Classify(""));
}

TEST(ClassifyProductName, UnterminatedNameIsReadWithinItsBytes) {
    char name[BOARD_NAME_LEN];
    std::memset(name, 'A', sizeof name);
    std::memcpy(name + 58, "1208FS", 6);  // key in the last bytes, no terminator
    EXPECT_EQ(PRODUCT_1208FS, ClassifyProductName(name));
}
