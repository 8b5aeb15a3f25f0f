#include "hostlink/host_notification.h"

#include "app/main_dialog.h"

std::uint16_t g_wHostTtlBits = 0;
const std::uint16_t g_wBitMask[12] = {0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020,
                                      0x0040, 0x0080, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};

// FIXME: stubs
void CTessaro2010Dlg::OnHostNotification(int, WPARAM, LPARAM) {}
void CTessaro2010Dlg::PollHostStatus() {}
