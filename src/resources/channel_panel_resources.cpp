// Template 136: the channel panel. The control order matters: the panel's layout pass treats every
// control after the expand button as part of the expanded panel.
#include "platform/win/resources.h"
#include "resources/resource.h"
#include "resources/template_item.h"

namespace {

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;


CDialogTemplate ChannelPanelTemplate() {
    CDialogTemplate t;
    t.nID = IDD_CHANNEL_PANEL;
    t.strFontName = "Microsoft Sans Serif";
    t.wPointSize = 9;
    // A child without border or caption, created hidden: the channel column places and shows it.
    t.dwStyle = WS_CHILD | DS_SETFONT | DS_CONTROL;
    t.cx = 362;
    t.cy = 124;
    const DWORD combo = kShown | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    const DWORD edit = kShown | WS_TABSTOP | WS_BORDER | ES_RIGHT | ES_AUTOHSCROLL;
    const DWORD spin = WS_CHILD | UDS_ARROWKEYS;
    auto& v = t.items;
    v.push_back(TemplateItem(IDC_PANEL_EXPAND, "Button", "", kShown | WS_TABSTOP | BS_BITMAP, 6, 3, 8, 8));
    v.push_back(TemplateItem(IDC_PANEL_FRAME, "Button", "Channel 0", kShown | BS_GROUPBOX, 15, 4, 205, 68));
    v.push_back(TemplateItem(IDC_PANEL_SOURCE_LABEL, "Static", "Source", kShown | SS_LEFT, 20, 30, 26, 10));
    v.push_back(TemplateItem(IDC_PANEL_SOURCE, "ComboBox", "", combo, 42, 28, 111, 79));
    v.push_back(TemplateItem(IDC_PANEL_RANGE_LABEL, "Static", "Range", kShown | SS_LEFT, 20, 44, 26, 10));
    v.push_back(TemplateItem(IDC_PANEL_RANGE, "ComboBox", "", combo, 42, 42, 111, 88));
    v.push_back(TemplateItem(IDC_PANEL_VALUE, "Static", "Signal", kShown | SS_LEFTNOWORDWRAP, 42, 56, 94, 12));
    v.push_back(
        TemplateItem(IDC_PANEL_INVERT, "Button", "  Invert", kShown | WS_TABSTOP | BS_AUTOCHECKBOX, 155, 43, 34, 10));
    v.push_back(TemplateItem(IDC_PANEL_MAX, "Edit", "", edit, 175, 28, 18, 12));
    v.push_back(TemplateItem(IDC_PANEL_MAX_SPIN, "msctls_updown32", "", spin, 311, 28, 10, 14));
    v.push_back(
        TemplateItem(IDC_PANEL_HEADING, "Static", "Scaling / Extrapolation", kShown | SS_CENTER, 150, 11, 50, 10));
    v.push_back(TemplateItem(IDC_PANEL_MAX_LABEL, "Static", "Max", kShown | SS_LEFT, 177, 20, 14, 8));
    v.push_back(TemplateItem(IDC_PANEL_MIN, "Edit", "", edit, 155, 28, 18, 12));
    v.push_back(TemplateItem(IDC_PANEL_MIN_SPIN, "msctls_updown32", "", spin, 311, 42, 10, 14));
    v.push_back(TemplateItem(IDC_PANEL_MIN_LABEL, "Static", "Min", kShown | SS_LEFT, 158, 20, 12, 8));
    v.push_back(TemplateItem(IDC_PANEL_CAPTION, "Static", "Static", WS_CHILD | SS_LEFT, 20, 4, 40, 8));
    v.push_back(TemplateItem(IDC_PANEL_EYE_A, "Button", "Eye    A",
                     kShown | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON | BS_LEFTTEXT, 20, 16, 31, 10));
    v.push_back(TemplateItem(IDC_PANEL_EYE_B, "Button", "B", kShown | BS_AUTORADIOBUTTON, 54, 16, 13, 10));
    v.push_back(TemplateItem(IDC_PANEL_SET, "Button", "Set",
                     kShown | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON | BS_VCENTER, 194, 27, 20, 14));
    v.push_back(TemplateItem(IDC_PANEL_SIGNAL_LABEL, "Static", "Signal", kShown | SS_LEFT, 20, 57, 21, 10));
    v.push_back(TemplateItem(IDC_PANEL_CLAMP, "Static", "Clamped", kShown | SS_LEFTNOWORDWRAP, 152, 56, 35, 12));
    v.push_back(TemplateItem(IDC_PANEL_UNIT_LABEL, "Static", "Volt", kShown | SS_LEFT, 138, 57, 12, 10));
    return t;
}

}  // namespace

void RegisterChannelPanelResources() {
    AfxRegisterDialogTemplate(ChannelPanelTemplate());
}
