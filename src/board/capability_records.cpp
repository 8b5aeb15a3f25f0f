#include <cstring>

#include "app/main_dialog.h"

namespace {

struct CapabilityRow {
    std::int32_t nFamily;
    std::int32_t nAnalogChannels;
    std::int32_t nBits;
    std::int32_t nTtlBits;
    std::int32_t nCodeCount;
    BOOL bDigitalOnly;
};

// Indexed by ProductType. The DDA boards report 50 TTL lines; the 1208LS has 1023 codes.
constexpr CapabilityRow kCapabilities[] = {
    {0, 0, 0, 0, 0, 0},                  // (no type 0)
    {FAMILY_NONE, 0, 0, 0, 0, 0},        // PRODUCT_UNKNOWN
    {FAMILY_NONE, 0, 0, 0, 0, 0},        // PRODUCT_DEMO_BOARD
    {FAMILY_DDA, 2, 12, 50, 4096, 0},    // PRODUCT_DDA02
    {FAMILY_DDA, 4, 12, 50, 4096, 0},    // PRODUCT_DDA04
    {FAMILY_DDA, 8, 12, 50, 4096, 0},    // PRODUCT_DDA08
    {FAMILY_DIO24, 0, 0, 24, 0, 1},      // PRODUCT_DIO24
    {FAMILY_1208, 2, 10, 16, 1023, 0},   // PRODUCT_1208LS
    {FAMILY_1208, 2, 12, 16, 4096, 0},   // PRODUCT_1208FS
    {FAMILY_1208HS, 4, 12, 16, 4096, 0}, // PRODUCT_1208HS
};

}  // namespace

void CTessaro2010Dlg::MCL_setCapabilitiesRecord(CapabilitiesRecord& rec) {
    const ProductType type = ClassifyProductName(rec.szName);
    const CapabilityRow& row = kCapabilities[type];
    rec.nProductType = type;
    rec.nFamily = row.nFamily;
    rec.nAnalogChannels = row.nAnalogChannels;
    rec.nBits = row.nBits;
    rec.nTtlBits = row.nTtlBits;
    rec.nCodeCount = row.nCodeCount;
    rec.bDigitalOnly = row.bDigitalOnly;
    if (type == PRODUCT_UNKNOWN) {
        std::memset(rec.szName, 0, sizeof rec.szName);
        std::strcpy(rec.szName, "Unknown Board");
    }
}
