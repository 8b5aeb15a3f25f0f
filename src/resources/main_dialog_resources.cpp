// Template 102 (the main dialog), menu 131, the About string, the dialog's icon and the main dialog's
// bitmaps. Our own pictures are drawn here as 24-bit BMP images.
#include <string>
#include <utility>
#include <vector>

#include "platform/win/resources.h"
#include "resources/advanced_dialog_resource.h"
#include "resources/bitmaps.h"
#include "resources/resource.h"
#include "resources/template_item.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;


CDialogTemplate MainDialogTemplate() {
    CDialogTemplate t;
    t.nID = IDD_TESSARO_DIALOG;
    t.strCaption = "Corvessa~TessaroPro";
    t.strFontName = "Microsoft Sans Serif";
    t.wPointSize = 10;
    t.dwStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT;
    t.dwExStyle = WS_EX_APPWINDOW;
    t.x = 1;
    t.y = 1;
    t.cx = 443;
    t.cy = 292;
    t.nMenuId = IDR_MAINMENU;
    auto& v = t.items;
    v.push_back(TemplateItem(IDOK, "Button", "OK", WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, 306, 9, 50, 14));
    v.push_back(TemplateItem(IDCANCEL, "Button", "Cancel", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 307, 23, 50, 14));
    v.push_back(TemplateItem(IDC_BOARD_LABEL, "Static", "Status", kChild | SS_LEFT, 7, 14, 222, 10));
    v.push_back(TemplateItem(IDC_MESSAGE_LINE, "Static", "Error", kChild | SS_LEFT, 7, 24, 222, 10));
    v.push_back(TemplateItem(IDC_TTL_GROUP, "Button", "Digital I/O (TTL)", kChild | BS_GROUPBOX, 7, 37, 225, 54));
    v.push_back(TemplateItem(IDC_OUTPUT_LABEL, "Static", "Output", kChild | SS_LEFT, 15, 55, 19, 8));
    v.push_back(TemplateItem(IDC_INPUT_LABEL, "Static", "Input", kChild | SS_LEFT, 16, 70, 19, 8));
    v.push_back(TemplateItem(IDC_TTL_OUTPUT, "Static", "TTL Output", kChild | SS_LEFT, 38, 55, 130, 10));
    v.push_back(TemplateItem(IDC_TTL_INPUT, "Static", "TTL Input", kChild | SS_LEFT, 38, 70, 130, 10));
    for (int k = 0; k < 8; ++k) {
        const std::string digit(1, static_cast<char>('0' + k));
        const short x = static_cast<short>(48 + 17 * k);
        v.push_back(TemplateItem(static_cast<UINT>(IDC_BIT_NUMBER_FIRST + k), "Static", digit.c_str(), kChild | SS_CENTER,
                         x, 46, 9, 9));
    }
    for (int k = 0; k < 8; ++k) {
        const short x = static_cast<short>(48 + 17 * k);
        v.push_back(TemplateItem(static_cast<UINT>(IDC_OUTPUT_LED_FIRST + k), "Button", "*",
                         kChild | WS_TABSTOP | BS_OWNERDRAW, x, 56, 9, 9));
    }
    for (int k = 0; k < 8; ++k) {
        const short x = static_cast<short>(48 + 17 * k);
        v.push_back(TemplateItem(static_cast<UINT>(IDC_INPUT_LED_FIRST + k), "Button", "*",
                         kChild | WS_TABSTOP | BS_OWNERDRAW, x, 70, 9, 9));
    }
    v.push_back(TemplateItem(IDC_TRIGGER_LABEL, "Static", "Trig", WS_CHILD | SS_CENTER, 187, 61, 30, 8));
    v.push_back(TemplateItem(IDC_TRIGGER_LED, "Button", "*", kChild | WS_TABSTOP | BS_OWNERDRAW, 198, 70, 9, 9));
    v.push_back(TemplateItem(IDC_NOTICE_LINE, "Static", "Static", kChild | SS_LEFT, 12, 94, 87, 10));
    v.push_back(TemplateItem(IDC_EXPAND_ALL, "Button", "", WS_CHILD | WS_TABSTOP | BS_BITMAP | BS_CENTER | BS_NOTIFY, 223,
                     100, 8, 8));
    v.push_back(TemplateItem(IDC_ANALOG_GROUP, "Button", "Analog Output", kChild | BS_GROUPBOX, 7, 105, 225, 166));
    v.push_back(TemplateItem(IDC_CHANNEL_SCROLL, "ScrollBar", "", WS_CHILD | SBS_VERT, 220, 115, 10, 36));
    v.push_back(TemplateItem(IDC_STATUS_LINE, "Static", "Static", kChild | SS_LEFT, 124, 1, 107, 12));
    v.push_back(TemplateItem(IDC_RADIX_BUTTON, "Button", "F", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 308, 58, 10, 10));
    v.push_back(TemplateItem(IDC_RADIX_LIST, "ComboBox", "", WS_CHILD | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT,
                     320, 58, 73, 55));
    v.push_back(TemplateItem(IDC_SHOW_MSG_COUNT, "Button", "Show Msg Count", kChild | WS_TABSTOP | BS_PUSHBUTTON, 307, 75,
                     61, 11));
    v.push_back(TemplateItem(IDC_EYE_A_LABEL, "Static", "Eye A", kChild | SS_LEFT, 305, 94, 21, 8));
    v.push_back(TemplateItem(IDC_EYE_B_LABEL, "Static", "Eye B", kChild | SS_LEFT, 305, 108, 21, 8));
    v.push_back(TemplateItem(IDC_EYE_A, "Static", "*", kChild | SS_CENTER, 324, 97, 12, 8));
    v.push_back(TemplateItem(IDC_EYE_B, "Static", "*", kChild | SS_CENTER, 326, 110, 12, 8));
    v.push_back(TemplateItem(IDC_TTL_TEST, "Button", "TTL Test", WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, 320, 140, 38, 8));
    v.push_back(TemplateItem(IDC_ENABLE_TRIGGER, "Button", "Enable Trigger",
                     WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX | BS_LEFTTEXT | BS_MULTILINE, 321, 152, 56, 13));
    v.push_back(TemplateItem(IDC_STALLED, "Static", "CorvessaStalled?", WS_CHILD | SS_LEFT, 317, 193, 56, 10));
    v.push_back(TemplateItem(IDC_LOGO, "Static", "", kChild | SS_BITMAP | SS_CENTERIMAGE, 313, 214, 74, 14, IDB_LOGO));
    return t;
}

CMenuItemTemplate Cmd(UINT id, const char* text, UINT flags = MF_STRING) {
    CMenuItemTemplate it;
    it.nFlags = flags;
    it.nID = id;
    it.strText = text;
    return it;
}

CMenuItemTemplate Separator() {
    CMenuItemTemplate it;
    it.nFlags = MF_SEPARATOR;
    return it;
}

CMenuItemTemplate Popup(const char* text, std::vector<CMenuItemTemplate> items) {
    CMenuItemTemplate it;
    it.nFlags = MF_POPUP;
    it.strText = text;
    it.items = std::move(items);
    return it;
}

CMenuTemplate MainMenu() {
    CMenuTemplate m;
    m.nID = IDR_MAINMENU;
    m.items.push_back(Popup("File", {Cmd(ID_SAVE_PARAMETERS, "&Save Parameters"),
                                     Cmd(ID_LOAD_PARAMETERS, "&Load Parameters"), Separator(),
                                     Cmd(ID_FILE_EXIT, "Exit")}));
    m.items.push_back(Popup("Board", {Cmd(ID_BOARD_NONE, "No Board", MF_STRING | MF_CHECKED)}));
    m.items.push_back(Popup(
        "Options",
        {Popup("TTL",
               {Cmd(ID_TTL_ROI_OUTPUT, "TTL  output  of  ROI  code", MF_STRING | MF_CHECKED),
                Cmd(ID_TTL_INPUT_MARKERS, "TTL  inputs  send  DataFile  markers", MF_STRING | MF_CHECKED),
                Separator(), Cmd(ID_TTL_BINARY, "Show  TTL  as  Binary"), Cmd(ID_TTL_OCTAL, "Show  TTL  as  Octal"),
                Cmd(ID_TTL_DECIMAL, "Show  TTL  as  Decimal"), Cmd(ID_TTL_HEX, "Show  TTL  as  Hex"),
                Cmd(ID_TTL_LEDS, "Show  TTL  as  LEDs"), Separator(), Cmd(ID_TTL_TEST_MODE, "TTL  Test"),
                Cmd(ID_PULSE_EDGE_DETECTION, "Enable  pulse  edge  detection")}),
         Separator(),
         Popup("Data  Quality  Threshold",
               {Cmd(ID_QUALITY_SCAN_FAILED, "Pupil  Scan  Failed"), Cmd(ID_QUALITY_FIT_FAILED, "Pupil  Fit  Failed"),
                Cmd(ID_QUALITY_CRITERIA_FAILED, "Pupil  Criteria  Failed"),
                Cmd(ID_QUALITY_FALL_BACK, "Pupil  Fall  Back"), Cmd(ID_QUALITY_PUPIL_ONLY, "Pupil  Only  is  Good"),
                Cmd(ID_QUALITY_GLINT_GOOD, "Glint  is  Good")})}));
    m.items.push_back(Popup("&Help", {Cmd(ID_APP_ABOUT, "&About"), Cmd(ID_INFORMATION, "&Information"),
                                      Cmd(ID_ADVANCED, "QVL Advanced")}));
    return m;
}

}  // namespace

void RegisterTessaroResources() {
    AfxRegisterDialogTemplate(MainDialogTemplate());
    AfxRegisterMenuTemplate(MainMenu());
    RegisterChannelPanelResources();
    RegisterAboutBoxResources();
    RegisterAdvancedDialogResources();
    AfxRegisterString(IDS_ABOUTBOX, "&About TessaroPro...");
    const std::vector<BYTE>& icon = TessaroBitmap(IDR_MAINFRAME);
    AfxRegisterIcon(IDR_MAINFRAME, icon.data(), icon.size());
    for (unsigned id : {IDB_COLLAPSED, IDB_EXPANDED, IDB_LOGO}) {
        const std::vector<BYTE>& bmp = TessaroBitmap(id);
        AfxRegisterBitmap(id, bmp.data(), bmp.size());
    }
}
