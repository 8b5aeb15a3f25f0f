// Template 100 (the About box), the program's version texts and the pictures of the About box and the
// system-information window.
#include <vector>

#include "platform/win/resources.h"
#include "resources/bitmaps.h"
#include "resources/resource.h"
#include "resources/template_item.h"

namespace {


// The box's controls are hidden by its initialisation; only what it paints is seen.
CDialogTemplate AboutBoxTemplate() {
    CDialogTemplate t;
    t.nID = IDD_ABOUTBOX;
    t.strCaption = "About Tessaro";
    t.strFontName = "MS Shell Dlg";
    t.wPointSize = 8;
    t.dwStyle = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = 234;
    t.cy = 113;
    const DWORD shown = WS_CHILD | WS_VISIBLE;
    t.items.push_back(TemplateItem(IDC_ABOUT_ICON, "Static", "", shown | SS_ICON, 11, 17, 20, 20, IDR_MAINFRAME));
    t.items.push_back(TemplateItem(IDC_ABOUT_TEXT1, "Static", "TessaroPro Version 2.9.5.136",
                           shown | SS_LEFT | SS_NOPREFIX, 40, 10, 119, 8));
    t.items.push_back(TemplateItem(IDC_ABOUT_TEXT2, "Static", "Corvessa", shown | SS_LEFT, 40, 25, 119, 8));
    t.items.push_back(
        TemplateItem(IDOK, "Button", "OK", shown | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 177, 7, 50, 16));
    return t;
}

}  // namespace

void RegisterAboutBoxResources() {
    AfxRegisterDialogTemplate(AboutBoxTemplate());
    // Exactly as the version resource stores them, the trailing blank included.
    AfxRegisterVersionText("FileVersion", "2.9.5.136 ");
    AfxRegisterVersionText("ProductName", "TessaroPro");
    for (unsigned id : {IDB_ABOUT, IDB_PINOUT_DIO37, IDB_PINOUT_DDA100, IDB_PINOUT_DDA50_TTL,
                        IDB_PINOUT_DDA50_ANALOG, IDB_PINOUT_PMD1208}) {
        const std::vector<BYTE>& bmp = TessaroBitmap(id);
        AfxRegisterBitmap(id, bmp.data(), bmp.size());
    }
}
