// Resource and control ids of the program.
#pragma once

// Dialogs, menus, icons, bitmaps, strings.
constexpr unsigned IDD_TESSARO_DIALOG = 102;
constexpr unsigned IDR_MAINMENU = 131;
constexpr unsigned IDR_MAINFRAME = 128;  // the dialog's icon
constexpr unsigned IDB_COLLAPSED = 132;
constexpr unsigned IDB_EXPANDED = 133;
constexpr unsigned IDB_LOGO = 137;
constexpr unsigned IDS_ABOUTBOX = 101;

// The About box (template 100) and its pictures; the system-information window's pin-out pictures.
constexpr unsigned IDD_ABOUTBOX = 100;
constexpr int IDC_ABOUT_TEXT1 = 1026;
constexpr int IDC_ABOUT_TEXT2 = 1027;
constexpr int IDC_ABOUT_ICON = 1028;
constexpr unsigned IDB_ABOUT = 3000;                // 512 x 350
constexpr unsigned IDB_PINOUT_DIO37 = 3001;         // "DIO TTL 37Pin", 460 x 452
constexpr unsigned IDB_PINOUT_DDA100 = 3002;        // "DDA 100-Pin", 500 x 793
constexpr unsigned IDB_PINOUT_DDA50_TTL = 3003;     // "DDA 50-Pin TTL", 515 x 461
constexpr unsigned IDB_PINOUT_DDA50_ANALOG = 3004;  // "DDA 50-Pin Analog", 565 x 540
constexpr unsigned IDB_PINOUT_PMD1208 = 3005;       // "PMD-1208 40-Pin", 460 x 450

// Main dialog controls.
constexpr int IDC_BOARD_LABEL = 1000;
constexpr int IDC_TTL_GROUP = 1001;
constexpr int IDC_OUTPUT_LABEL = 1002;
constexpr int IDC_INPUT_LABEL = 1003;
constexpr int IDC_TTL_OUTPUT = 1004;
constexpr int IDC_TTL_INPUT = 1005;
constexpr int IDC_MESSAGE_LINE = 1006;
constexpr int IDC_ANALOG_GROUP = 1030;
constexpr int IDC_CHANNEL_SCROLL = 1031;
constexpr int IDC_TTL_TEST = 1032;
constexpr int IDC_RADIX_BUTTON = 1050;
constexpr int IDC_RADIX_LIST = 1051;
constexpr int IDC_ENABLE_TRIGGER = 1052;
constexpr int IDC_TRIGGER_LED = 1053;
constexpr int IDC_SHOW_MSG_COUNT = 1055;
constexpr int IDC_EYE_A_LABEL = 1056;
constexpr int IDC_EYE_B_LABEL = 1057;
constexpr int IDC_EYE_A = 1058;
constexpr int IDC_EYE_B = 1059;
constexpr int IDC_OUTPUT_LED_FIRST = 1080;  // 1080..1087
constexpr int IDC_INPUT_LED_FIRST = 1090;   // 1090..1097
constexpr int IDC_EXPAND_ALL = 1100;
constexpr int IDC_TRIGGER_LABEL = 1110;
constexpr int IDC_STALLED = 1111;
constexpr int IDC_LOGO = 1112;
constexpr int IDC_STATUS_LINE = 1113;
constexpr int IDC_NOTICE_LINE = 1114;
constexpr int IDC_BIT_NUMBER_FIRST = 1170;  // 1170..1177

// Menu 131 commands.
constexpr int ID_APP_ABOUT = 16;
constexpr int ID_INFORMATION = 1000;
constexpr int ID_FILE_EXIT = 4101;
constexpr int ID_TTL_INPUT_MARKERS = 4301;
constexpr int ID_TTL_ROI_OUTPUT = 4302;
constexpr int ID_SAVE_PARAMETERS = 32774;
constexpr int ID_LOAD_PARAMETERS = 32775;
constexpr int ID_ADVANCED = 32777;
constexpr int ID_TTL_TEST_MODE = 32779;
constexpr int ID_PULSE_EDGE_DETECTION = 32782;
constexpr int ID_QUALITY_SCAN_FAILED = 32783;
constexpr int ID_QUALITY_FIT_FAILED = 32784;
constexpr int ID_QUALITY_CRITERIA_FAILED = 32785;
constexpr int ID_QUALITY_FALL_BACK = 32786;
constexpr int ID_QUALITY_PUPIL_ONLY = 32787;
constexpr int ID_QUALITY_GLINT_GOOD = 32788;
// The Board menu: No Board, then one item per board found.
constexpr int ID_BOARD_NONE = 4200;
constexpr int ID_BOARD_FIRST = 4201;
// Display radix of the TTL lines; the settings record stores the chosen one's id.
constexpr int ID_TTL_BINARY = 4331;
constexpr int ID_TTL_OCTAL = 4332;
constexpr int ID_TTL_DECIMAL = 4333;
constexpr int ID_TTL_HEX = 4334;
constexpr int ID_TTL_LEDS = 4335;
// Quality threshold t carries the radio mark on menu item ID_QUALITY_BASE - t (0..5).
constexpr int ID_QUALITY_BASE = 32788;

// Registers every dialog template, menu, string, icon and bitmap of the program with the framework.
// Start-up (and each test fixture) calls it before the first window is made.
void RegisterTessaroResources();

// Channel panel (template 136) and its controls.
constexpr unsigned IDD_CHANNEL_PANEL = 136;
constexpr int IDC_PANEL_EXPAND = 1007;
constexpr int IDC_PANEL_FRAME = 1008;
constexpr int IDC_PANEL_SOURCE_LABEL = 1009;
constexpr int IDC_PANEL_SOURCE = 1010;
constexpr int IDC_PANEL_RANGE_LABEL = 1011;
constexpr int IDC_PANEL_RANGE = 1012;
constexpr int IDC_PANEL_INVERT = 1017;
constexpr int IDC_PANEL_EYE_A = 1019;
constexpr int IDC_PANEL_EYE_B = 1020;
constexpr int IDC_PANEL_MAX = 1022;
constexpr int IDC_PANEL_MAX_SPIN = 1023;
constexpr int IDC_PANEL_HEADING = 1024;
constexpr int IDC_PANEL_MAX_LABEL = 1025;
constexpr int IDC_PANEL_MIN = 1026;
constexpr int IDC_PANEL_MIN_SPIN = 1027;
constexpr int IDC_PANEL_MIN_LABEL = 1028;
constexpr int IDC_PANEL_CAPTION = 1029;
constexpr int IDC_PANEL_SET = 1054;
constexpr int IDC_PANEL_VALUE = 1107;
constexpr int IDC_PANEL_SIGNAL_LABEL = 1108;
constexpr int IDC_PANEL_CLAMP = 1109;
constexpr int IDC_PANEL_UNIT_LABEL = 1110;
// Template 136 (channel_panel_resources.cpp); called by RegisterTessaroResources.
void RegisterChannelPanelResources();
// Template 100, the version texts and bitmaps 3000..3005 (about_box_resources.cpp); called by
// RegisterTessaroResources.
void RegisterAboutBoxResources();
