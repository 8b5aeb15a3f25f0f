// What the system knows of a board: everything is derived from its product name.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

enum ProductType : std::int32_t {
    PRODUCT_UNKNOWN = 1,
    PRODUCT_DEMO_BOARD = 2,
    PRODUCT_DDA02 = 3,
    PRODUCT_DDA04 = 4,
    PRODUCT_DDA08 = 5,
    PRODUCT_DIO24 = 6,
    PRODUCT_1208LS = 7,
    PRODUCT_1208FS = 8,
    PRODUCT_1208HS = 9,
};

// TTL port layout of a board. 3 is given to no product.
enum BoardFamily : std::int32_t {
    FAMILY_NONE = 0,
    FAMILY_DDA = 1,
    FAMILY_DIO24 = 2,
    FAMILY_1208 = 4,
    FAMILY_1208HS = 5,
};

constexpr int MAX_BOARDS = 6;
constexpr int BOARD_NAME_LEN = 64;
constexpr int BOARD_SERIAL_LEN = 256;

struct CapabilitiesRecord {
    std::int32_t nProductType;
    std::int32_t nFamily;
    char szName[BOARD_NAME_LEN];
    char szSerial[BOARD_SERIAL_LEN];
    std::int32_t nCodeCount;
    std::int32_t nAnalogChannels;
    std::int32_t nBits;
    std::int32_t nTtlBits;
    std::int32_t nBoardNum;
    BOOL bDigitalOnly;
};

// The name the system gives its own board when no analog board is attached.
inline constexpr const char* SIMULATED_BOARD_NAME = "PCI-DDA08/12-Demo";

// Classifies a product name, first match wins: exactly "DEMO-BOARD", then the substrings "DDA02", "DDA04",
// "DDA08", "DIO24", "1208LS", "1208FS", "1208HS" in that order; anything else is unknown. The name is read
// within its 64 bytes whether or not it is terminated.
ProductType ClassifyProductName(const char (&szName)[BOARD_NAME_LEN]);
