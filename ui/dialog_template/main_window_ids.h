// Identifiers of the main window's controls, commands and window-menu item.
#pragma once

// Sliders and their value labels.
constexpr int IDC_SCAN_RANGE = 1067;
constexpr int IDC_SCAN_RANGE_VALUE = 1068;
constexpr int IDC_SEGMENT = 1069;
constexpr int IDC_SEGMENT_VALUE = 1070;
constexpr int IDC_DENSITY = 1071;
constexpr int IDC_DENSITY_VALUE = 1072;
constexpr int IDC_GRAIN_LENGTH = 1073;
constexpr int IDC_GRAIN_LENGTH_VALUE = 1074;
constexpr int IDC_VOLUME = 1077;
constexpr int IDC_VOLUME_VALUE = 1078;
constexpr int IDC_FADE = 1079;
constexpr int IDC_FADE_VALUE = 1080;

// Output length and resource figures.
constexpr int IDC_LENGTH_PICKER = 1022;
constexpr int IDC_LENGTH_PRESETS = 1027;
constexpr int IDC_REQUIRED_DISK = 1081;
constexpr int IDC_AVAILABLE_DISK = 1082;
constexpr int IDC_REQUIRED_MEMORY = 1085;

// File names and the two information lines about the input.
constexpr int IDC_INPUT_NAME = 1007;
constexpr int IDC_OUTPUT_NAME = 1008;
constexpr int IDC_INPUT_FORMAT_LINE = 1025;
constexpr int IDC_INPUT_TIME_LINE = 1026;

// The eight command buttons.
constexpr int IDC_GENERATE = 10001;
constexpr int IDC_PLAY = 10002;
constexpr int IDC_RESTORE = 10003;
constexpr int IDC_USER_GUIDE = 10004;
constexpr int IDC_ABOUT = 10005;
constexpr int IDC_WEB_SITE = 10006;
constexpr int IDC_INPUT_FILE = 10007;
constexpr int IDC_OUTPUT_FILE = 10008;

// The about item of the window menu. Window-menu commands keep their low four
// bits free, so the item is recognised with them cleared.
constexpr int IDM_ABOUTBOX = 0x0010;
