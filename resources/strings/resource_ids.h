// Numeric identifiers of the program's resources: pictures, icon and strings.
#pragma once

// Icon.
constexpr int IDI_MAINFRAME = 128;

// Pictures.
constexpr int IDB_SLIDER_CHANNEL = 133;
constexpr int IDB_SLIDER_THUMB = 135;
constexpr int IDB_RESTORE = 136;
constexpr int IDB_FOLDER = 137;
constexpr int IDB_START = 138;
constexpr int IDB_PLAY = 140;
constexpr int IDB_GUIDE = 141;
constexpr int IDB_ABOUT = 142;
constexpr int IDB_WEB_SITE = 143;
constexpr int IDB_BACKGROUND = 144;
constexpr int IDB_ABOUT_PICTURE = 147;

// Strings.
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDS_TIP_RESTORE = 61566;
constexpr int IDS_TIP_INPUT_FILE = 61567;
constexpr int IDS_TIP_OUTPUT_FILE = 61568;
constexpr int IDS_TIP_GENERATE = 61569;
constexpr int IDS_TIP_PLAY = 61570;
constexpr int IDS_TIP_USER_GUIDE = 61571;
constexpr int IDS_TIP_ABOUT = 61572;
constexpr int IDS_TIP_WEB_SITE = 61573;
constexpr int IDS_CONFIRM_CANCEL = 61574;
constexpr int IDS_ERR_OPEN_INPUT = 61575;
constexpr int IDS_GENERATION_DONE = 61576;
constexpr int IDS_ERR_SOURCE_MEMORY = 61577;
constexpr int IDS_ERR_CREATE_OUTPUT = 61579;
constexpr int IDS_ERR_OUTPUT_MEMORY = 61580;
constexpr int IDS_ERR_WINDOW_MEMORY = 61581;
constexpr int IDS_ERR_PLAY = 61583;
constexpr int IDS_SELECT_OUTPUT = 61584;
constexpr int IDS_ERR_USER_GUIDE = 61585;
constexpr int IDS_SELECT_INPUT = 61586;
constexpr int IDS_ERR_DISK_SPACE = 61588;
constexpr int IDS_ERR_SCREEN = 61590;
constexpr int IDS_ERR_INPUT_TOO_SHORT = 61591;
constexpr int IDS_ERR_FILE_FAILURE = 61592;
constexpr int IDS_ERR_UNEXPECTED = 61593;
constexpr int IDS_ERR_SAME_FILE = 61594;
// The command-line generator's own messages about input and output files.
constexpr int IDS_ERR_READ_INPUT = 61595;
constexpr int IDS_ERR_WRITE_OUTPUT = 61596;
constexpr int IDS_ERR_INPUT_SHORTER_THAN_GRAIN = 61597;
constexpr int IDS_ERR_INPUT_SHORTER_THAN_ANY_GRAIN = 61598;
constexpr int IDS_ERR_INPUT_SHORTER_THAN_TRANSPOSED_GRAIN = 61599;
