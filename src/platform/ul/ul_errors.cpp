#include "platform/ul/ul_errors.h"

#include "platform/ul/cbw.h"

namespace {

struct UlErrorEntry {
    int nCode;
    const char* pszText;
};

constexpr UlErrorEntry kErrorTable[] = {
    {NOERRORS, "No error has occurred."},
    {BADBOARD, "Invalid board number: no board is installed under this number."},
    {BADREVISION, "This library revision is not supported."},
    {BADERRHANDLING, "Invalid error reporting or error handling option."},
    {NULLPTRARG, "A pointer argument is NULL."},
    {BADINTERFACE, "Invalid interface type for the device inventory."},
    {BADDEVCOUNT, "Invalid number of devices: the inventory capacity is negative."},
    {BADDESCRIPTOR, "The device descriptor does not describe an attached device."},
    {BOARDINUSE, "A device has already been created under this board number."},
    {DEVICEINUSE, "This device has already been created under another board number."},
    {BADINFOTYPE, "Invalid configuration information type."},
    {BADDEVNUM, "Invalid device number for this configuration item."},
    {BADCONFIGITEM, "Invalid configuration item for this board."},
    {BUFFERTOOSMALL, "The buffer is too small: the text was cut."},
    {BADDACCHAN, "Invalid D/A channel: the board has no analog output with this number."},
    {BADRANGE, "The board does not support this range."},
    {BADDACVALUE, "Data value out of range for the resolution of this board."},
    {BADPORTNUM, "The board has no digital port of this type."},
    {BADDIRECTION, "Invalid digital direction: must be DIGITALOUT or DIGITALIN."},
    {PORTNOTOUTPUT, "The digital port or line is configured for input and cannot be written."},
    {BADBITNUM, "Invalid bit number for this digital port."},
    {NOBITCONFIG, "The lines of this digital port cannot be configured one by one."},
    {BADCOUNTER, "The board has no counter with this number."},
    {BADEVENTTYPE, "The board does not support this event type."},
    {BADERRCODE, "Unknown error code."},
    {DEVNOTRESPONDING, "The device does not respond: it may have been disconnected."},
};

}  // namespace

const char* UlErrorText(int nCode) {
    for (const UlErrorEntry& e : kErrorTable) {
        if (e.nCode == nCode) return e.pszText;
    }
    return nullptr;
}
