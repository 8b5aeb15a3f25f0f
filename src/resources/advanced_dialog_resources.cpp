// Template 135: the advanced dialog. The window the dialog opens is narrower than the template, so only
// the left-hand column (access row, switches, Latency Measurement group) is seen; the right-hand column
// (from 247 dialog units across) lies beyond the window's edge.
#include <string>

#include "platform/win/resources.h"
#include "resources/advanced_dialog_resource.h"
#include "resources/resource.h"
#include "resources/template_item.h"
#include "resources/timing_bitmap.h"

namespace {

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPush = kShown | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheck = kShown | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kEdit = kShown | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kLabel = kShown | SS_LEFT;
constexpr DWORD kReadout = kShown | SS_RIGHT | SS_SUNKEN;


std::string Digit(int i) {
    return std::string(1, static_cast<char>('0' + i));
}

void AddLatencyGroup(std::vector<CDialogItemTemplate>& v) {
    v.push_back(
        TemplateItem(IDC_ADV_STATIC, "Button", "Latency Measurement", kShown | BS_GROUPBOX, 3, 111, 197, 201));
    for (int i = 0; i < 8; ++i) {
        const short x = static_cast<short>(31 + 17 * i);
        v.push_back(TemplateItem(IDC_ADV_LED_LABEL_FIRST + i, "Static", Digit(i), kShown | SS_CENTER, x, 124, 9, 9));
    }
    for (int i = 0; i < 8; ++i) {
        const short x = static_cast<short>(31 + 17 * i);
        v.push_back(
            TemplateItem(IDC_ADV_LED_FIRST + i, "Button", "*", kShown | WS_TABSTOP | BS_OWNERDRAW, x, 134, 9, 9));
    }
    v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", "LED On \nTimes (ms)", kLabel, 53, 151, 36, 17));
    v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", "6", kLabel, 101, 146, 8, 8));
    v.push_back(TemplateItem(IDC_ADV_LED6_ON, "Edit", "", kEdit, 91, 156, 25, 12));
    v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", "7", kLabel, 129, 146, 8, 8));
    v.push_back(TemplateItem(IDC_ADV_LED7_ON, "Edit", "", kEdit, 120, 156, 25, 12));
    v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", "Count", kLabel, 158, 146, 20, 8));
    v.push_back(TemplateItem(IDC_ADV_PULSE_COUNT, "Static", "", kReadout, 149, 156, 35, 12));
    v.push_back(TemplateItem(IDC_ADV_START, "Button", "Start", kPush | WS_DISABLED, 9, 156, 40, 12));
    v.push_back(TemplateItem(IDC_ADV_BOTH, "Button", "Both", kPush, 9, 170, 40, 12));
    v.push_back(
        TemplateItem(IDC_ADV_STATIC, "Static", "LED 6 should be paired with ROI-1.", kLabel, 55, 172, 129, 8));
    v.push_back(TemplateItem(IDC_ADV_TOGGLE_CHECK, "Button", "Toggle/\nCheck", kPush | BS_MULTILINE, 9, 184, 40, 21));
    const short headX[5] = {13, 39, 86, 123, 163};
    const char* const heads[5] = {"ROI-1", "Count", "Min", "Ave", "Max"};
    for (int i = 0; i < 5; ++i)
        v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", heads[i], kLabel, headX[i], 206, 22, 8));
    v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", "On", kLabel, 13, 218, 14, 8));
    const int onIds[4] = {IDC_ADV_ON_COUNT, IDC_ADV_ON_MIN, IDC_ADV_ON_AVE, IDC_ADV_ON_MAX};
    const short onX[4] = {35, 74, 113, 151};
    for (int i = 0; i < 4; ++i) v.push_back(TemplateItem(onIds[i], "Static", "", kReadout, onX[i], 217, 35, 12));
    v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", "Off", kLabel, 13, 232, 14, 8));
    const int offIds[4] = {IDC_ADV_OFF_COUNT, IDC_ADV_OFF_MIN, IDC_ADV_OFF_AVE, IDC_ADV_OFF_MAX};
    const short offX[4] = {35, 74, 113, 152};
    for (int i = 0; i < 4; ++i) v.push_back(TemplateItem(offIds[i], "Static", "", kReadout, offX[i], 231, 35, 12));
    v.push_back(TemplateItem(IDC_ADV_RESET, "Button", "Reset", kPush, 9, 248, 40, 12));
    v.push_back(TemplateItem(IDC_ADV_SETUP_ROIS, "Button", "Setup ROIs", kPush, 140, 248, 50, 12));
    v.push_back(TemplateItem(IDC_ADV_INSTRUCTIONS, "Static", "", WS_CHILD | SS_CENTER, 11, 264, 179, 45));
    v.push_back(TemplateItem(IDC_ADV_PICTURE, "Static", "", kShown | SS_BITMAP | SS_CENTERIMAGE, 17, 267, 166, 41,
                     IDB_LATENCY_TIMING));
}

// Never enabled by the dialog: the pulse generator has no worker behind it.
void AddPulseGeneratorGroup(std::vector<CDialogItemTemplate>& v) {
    v.push_back(TemplateItem(IDC_ADV_STATIC, "Button", "TTL output pulse generator", kShown | BS_GROUPBOX, 247, 164,
                     165, 156));
    v.push_back(TemplateItem(IDC_ADV_PULSE_GENERATOR, "Button", "Enable Pulse Generator", kCheck | WS_DISABLED, 262,
                     180, 93, 9));
    const short headX[4] = {252, 290, 330, 370};
    const char* const heads[4] = {"Channel Enabled", "Cycle Time (ms)", "On Time (ms)", "Delay Time (ms)"};
    for (int i = 0; i < 4; ++i)
        v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", heads[i], kLabel, headX[i], 195, 36, 16));
    for (int i = 0; i < 8; ++i) {
        const short y = static_cast<short>(216 + 12 * i);
        v.push_back(
            TemplateItem(IDC_ADV_GEN_ENABLE_FIRST + i, "Button", Digit(i), kCheck | WS_DISABLED, 260, y, 20, 10));
        v.push_back(TemplateItem(IDC_ADV_GEN_CYCLE_FIRST + i, "Edit", "", kEdit | WS_DISABLED, 294, y, 30, 12));
        v.push_back(TemplateItem(IDC_ADV_GEN_ON_FIRST + i, "Edit", "", kEdit | WS_DISABLED, 334, y, 30, 12));
        v.push_back(TemplateItem(IDC_ADV_GEN_DELAY_FIRST + i, "Edit", "", kEdit | WS_DISABLED, 374, y, 30, 12));
    }
}

CDialogTemplate AdvancedDialogTemplate() {
    CDialogTemplate t;
    t.nID = IDD_QVL_ADVANCED;
    t.strCaption = "QVL Advanced";
    t.strFontName = "MS Shell Dlg";
    t.wPointSize = 8;
    t.dwStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.cx = 432;
    t.cy = 379;
    auto& v = t.items;
    v.push_back(TemplateItem(IDOK, "Button", "OK", kShown | WS_TABSTOP | BS_DEFPUSHBUTTON, 1, 317, 50, 14));
    v.push_back(TemplateItem(IDCANCEL, "Button", "Cancel", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 73, 318, 50, 14));
    v.push_back(TemplateItem(IDC_ADV_PASSWORD_LABEL, "Static", "Password", kLabel, 3, 9, 32, 8));
    v.push_back(TemplateItem(IDC_ADV_PASSWORD, "Edit", "", kEdit | ES_PASSWORD, 39, 7, 44, 12));
    v.push_back(TemplateItem(IDC_ADV_PW, "Button", "PW", kPush, 91, 6, 24, 14));
    v.push_back(TemplateItem(IDC_ADV_TTL_TEST_PULSE, "Button", "5 usec TTL Test Pulse @ 1 Hz      ",
                     kCheck | BS_LEFTTEXT, 3, 28, 122, 13));
    v.push_back(TemplateItem(IDC_ADV_PIN_NOTE, "Static", "(Pin 29 on break out board (DIO 24 only) ) ", kLabel, 3, 40,
                     137, 8));
    v.push_back(TemplateItem(IDC_ADV_CHANNELS_LABEL, "Static", "Number DA Channels", kLabel, 3, 59, 69, 8));
    v.push_back(TemplateItem(IDC_ADV_CHANNELS, "Edit", "", kEdit | ES_NUMBER, 84, 57, 25, 12));
    v.push_back(TemplateItem(IDC_ADV_HOST_DISABLED, "Button", "Disable Corvessa Interface",
                     kCheck | BS_LEFTTEXT | BS_MULTILINE, 3, 74, 105, 12));
    v.push_back(TemplateItem(IDC_ADV_UI_DISABLED, "Button", "Disable UI updates", kCheck | BS_LEFTTEXT | BS_MULTILINE,
                     3, 86, 105, 12));
    AddLatencyGroup(v);
    v.push_back(TemplateItem(IDC_ADV_NEVER_WRITTEN, "Static", "Static", kLabel, 247, 9, 122, 21));
    v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", "Be sure that Corvessa Pupil Type is set to 'Bright Pupil\".",
                     kLabel, 252, 38, 179, 8));
    v.push_back(TemplateItem(IDC_ADV_SYNC_TRIGGER, "Button", "Synchronous Trigger", kCheck, 274, 60, 79, 8));
    v.push_back(TemplateItem(IDC_ADV_ONE_SHOT, "Button", "One Shot", kPush, 274, 84, 40, 12));
    v.push_back(TemplateItem(IDC_ADV_SYMMETRIC, "Button", "Symmetric", kCheck, 277, 110, 49, 10));
    v.push_back(TemplateItem(IDC_ADV_FIRST_BURST, "Edit", "", kEdit, 258, 127, 20, 12));
    v.push_back(TemplateItem(IDC_ADV_STATIC, "Static", "NLoops", WS_CHILD | SS_LEFT, 288, 131, 22, 8));
    v.push_back(TemplateItem(IDC_ADV_LOOPS, "Edit", "", WS_CHILD | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 312, 129,
                     30, 12));
    AddPulseGeneratorGroup(v);
    return t;
}

}  // namespace

void RegisterAdvancedDialogResources() {
    AfxRegisterDialogTemplate(AdvancedDialogTemplate());
    const std::vector<BYTE>& bmp = LatencyTimingBitmap();
    AfxRegisterBitmap(IDB_LATENCY_TIMING, bmp.data(), bmp.size());
}
