#include "board/capabilities.h"

#include <cstring>
#include <string_view>

ProductType ClassifyProductName(const char (&szName)[BOARD_NAME_LEN]) {
    const std::string_view name(szName, strnlen(szName, BOARD_NAME_LEN));
    if (name == "DEMO-BOARD") return PRODUCT_DEMO_BOARD;
    struct Test {
        const char* key;
        ProductType type;
    };
    static constexpr Test kTests[] = {
        {"DDA02", PRODUCT_DDA02},   {"DDA04", PRODUCT_DDA04},   {"DDA08", PRODUCT_DDA08},
        {"DIO24", PRODUCT_DIO24},   {"1208LS", PRODUCT_1208LS}, {"1208FS", PRODUCT_1208FS},
        {"1208HS", PRODUCT_1208HS},
    };
    for (const Test& t : kTests) {
        if (name.find(t.key) != std::string_view::npos) return t.type;
    }
    return PRODUCT_UNKNOWN;
}
