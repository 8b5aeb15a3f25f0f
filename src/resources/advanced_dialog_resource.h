// Template 135 (the advanced dialog "QVL Advanced"), its controls and the timing picture 139.
#pragma once

constexpr unsigned IDD_QVL_ADVANCED = 135;
constexpr unsigned IDB_LATENCY_TIMING = 139;

// Unnamed statics and group boxes of the template.
constexpr int IDC_ADV_STATIC = 0xFFFF;

// Settings column.
constexpr int IDC_ADV_TTL_TEST_PULSE = 1032;
constexpr int IDC_ADV_PASSWORD = 1102;
constexpr int IDC_ADV_PW = 1103;
constexpr int IDC_ADV_CHANNELS = 1104;
constexpr int IDC_ADV_CHANNELS_LABEL = 1105;
constexpr int IDC_ADV_PASSWORD_LABEL = 1106;
constexpr int IDC_ADV_PIN_NOTE = 1109;
constexpr int IDC_ADV_HOST_DISABLED = 1116;
constexpr int IDC_ADV_UI_DISABLED = 1117;
constexpr int IDC_ADV_PULSE_GENERATOR = 1118;
constexpr int IDC_ADV_ONE_SHOT = 1119;
constexpr int IDC_ADV_LOOPS = 1120;
constexpr int IDC_ADV_SYMMETRIC = 1123;
constexpr int IDC_ADV_SYNC_TRIGGER = 1149;
constexpr int IDC_ADV_FIRST_BURST = 1158;
constexpr int IDC_ADV_NEVER_WRITTEN = 1178;

// Latency Measurement group.
constexpr int IDC_ADV_LED_FIRST = 1080;        // 1080..1087: TTL output bits 0..7
constexpr int IDC_ADV_LED_LABEL_FIRST = 1170;  // 1170..1177
constexpr int IDC_ADV_LED6_ON = 1121;
constexpr int IDC_ADV_LED7_ON = 1122;
constexpr int IDC_ADV_TOGGLE_CHECK = 1124;
constexpr int IDC_ADV_RESET = 1125;
constexpr int IDC_ADV_BOTH = 1126;
constexpr int IDC_ADV_START = 1115;
constexpr int IDC_ADV_PULSE_COUNT = 1169;
constexpr int IDC_ADV_ON_COUNT = 1159;
constexpr int IDC_ADV_ON_MIN = 1127;
constexpr int IDC_ADV_ON_AVE = 1128;
constexpr int IDC_ADV_ON_MAX = 1129;
constexpr int IDC_ADV_OFF_COUNT = 1168;
constexpr int IDC_ADV_OFF_MIN = 1138;
constexpr int IDC_ADV_OFF_AVE = 1139;
constexpr int IDC_ADV_OFF_MAX = 1148;
constexpr int IDC_ADV_INSTRUCTIONS = 1179;
constexpr int IDC_ADV_PICTURE = 1180;
constexpr int IDC_ADV_SETUP_ROIS = 1181;

// The inert pulse-generator rows i = 0..7: channel check box, cycle, on and delay times.
constexpr int IDC_ADV_GEN_ENABLE_FIRST = 1150;
constexpr int IDC_ADV_GEN_CYCLE_FIRST = 1130;
constexpr int IDC_ADV_GEN_ON_FIRST = 1140;
constexpr int IDC_ADV_GEN_DELAY_FIRST = 1160;

// Called by RegisterTessaroResources.
void RegisterAdvancedDialogResources();
