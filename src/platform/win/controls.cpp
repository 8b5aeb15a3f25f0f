// The control classes' registration and what is common to every control.
#include "platform/win/controls.h"

#include "platform/win/app.h"
#include "platform/win/app_internal.h"
#include "platform/win/control_support.h"
#include "platform/win/controls_internal.h"
#include "platform/win/controls_testing.h"
#include "platform/win/dialog.h"
#include "platform/win/dialog_internal.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/window_internal.h"

using namespace winctl;

namespace {

void RegisterOne(LPCSTR name, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS | CS_PARENTDC;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    AfxRegisterSystemClass(&wc);
}

[[maybe_unused]] const bool g_bClassesAtStart = (AfxEnsureControlClasses(), true);

}  // namespace

void AfxEnsureControlClasses() {
    static const bool done = [] {
        RegisterOne("Button", &ButtonProc);
        RegisterOne("Static", &StaticProc);
        RegisterOne("Edit", &EditProc);
        RegisterOne("ComboBox", &ComboProc);
        RegisterOne("ScrollBar", &ScrollBarProc);
        RegisterOne("msctls_updown32", &UpDownProc);
        RegisterOne("SysTabControl32", &TabProc);
        RegisterOne("ListBox", &ListBoxProc);
        RegisterOne("ComboLBox", &ComboListProc);
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS | CS_SAVEBITS;
        wc.lpfnWndProc = &AfxDefDlgProc;
        wc.lpszClassName = kDialogClassName;
        AfxRegisterSystemClass(&wc);
        AfxAddWindowDestroyHook(&ControlWindowGone);
        AfxEnsureGdiHooks();
        return true;
    }();
    (void)done;
}

void AfxControlOwnsImage(HWND hCtl) {
    if (ButtonState* b = AfxGetWndExtraAs<ButtonState>(hCtl)) b->bOwnImage = b->hImage != nullptr;
    if (StaticState* st = AfxGetWndExtraAs<StaticState>(hCtl)) st->bOwnImage = st->hImage != nullptr;
}
