#pragma once

// Control, command, image and template ids of the program's windows.

// Template 102, the main window.
constexpr int IDD_MAIN = 102;
constexpr int IDC_INPUT_FILE = 1001;
constexpr int IDC_PRESET = 1002;
constexpr int IDC_OUTPUT_FILE = 1003;
constexpr int IDC_GAIN = 1004;
constexpr int IDC_LIMITER = 1005;
constexpr int IDC_CHARACTER = 1006;
constexpr int IDC_BROWSE_OUTPUT = 1007;
constexpr int IDC_BROWSE_INPUT = 1008;
constexpr int IDC_KNEE = 1009;
constexpr int IDC_MIX = 1010;
constexpr int IDC_SOUNDCARD = 1012;
constexpr int IDC_START = 1020;
constexpr int IDC_PREVIEW = 1021;
constexpr int IDC_STOP = 1024;
constexpr int IDC_PAUSE = 1025;
constexpr int IDC_DEFAULT = 1035;
constexpr int IDC_TAPE = 1046;
constexpr int IDC_TUBE = 1047;
constexpr int IDC_DITHER = 1048;
constexpr int IDC_INPUT_GROUP = 1063;
constexpr int IDC_GAIN_LABEL = 1064;
constexpr int IDC_MIX_LABEL = 1065;
constexpr int IDC_CHARACTER_LABEL = 1066;
constexpr int IDC_KNEE_LABEL = 1067;
constexpr int IDC_LIMITER_LABEL = 1068;
constexpr int IDC_DYNAMICS_LABEL = 1069;
constexpr int IDC_SETTINGS_GROUP = 1079;
constexpr int IDC_MINIMIZE = 1082;
constexpr int IDC_CLOSE = 1086;
constexpr int IDC_PROGRESS = 1089;
constexpr int IDC_QUESTION = 1090;
constexpr int IDC_LOGO = 1091;
constexpr int IDC_DYNAMICS = 1097;
constexpr int IDC_GAIN_TEXT = 1099;
constexpr int IDC_LIMITER_TEXT = 1100;
constexpr int IDC_OUTPUT_METER = 1103;
constexpr int IDC_INPUT_METER = 1104;
constexpr int IDC_OUTPUT_GROUP = 1105;
constexpr int IDC_PRESETS_GROUP = 1106;
constexpr int IDC_DELETE_PRESET = 57672;
constexpr int IDC_ADD_PRESET = 57673;

// Commands.
constexpr int IDOK_COMMAND = 1;
constexpr int IDCANCEL_COMMAND = 2;
constexpr int ID_APP_ABOUT = 16;
constexpr int ID_HELP_TOPICS = 57670;
constexpr int ID_TOOL_TIPS = 32777;
constexpr int ID_REAL_TIME_WATCH = 32779;
constexpr int ID_TROUBLE_SHOOTING = 32776;

// Menu 238, the "?" popup.
constexpr int IDR_QUESTION_MENU = 238;

// Images.
constexpr int IDI_APPLICATION_ICON = 128;
constexpr int IDI_MINIMIZE = 250;
constexpr int IDI_CLOSE = 251;
constexpr int IDI_QUESTION = 252;
constexpr int IDI_TAPE_OFF = 253;
constexpr int IDI_TUBE_OFF = 254;
constexpr int IDI_TAPE_ON = 257;
constexpr int IDI_TUBE_ON = 258;
constexpr int IDI_SOUNDCARD = 267;
constexpr int IDI_PREVIEW = 271;
constexpr int IDI_STOP = 273;
constexpr int IDI_PAUSE = 274;
constexpr int IDI_RESUME = 275;
constexpr int IDI_ADD_PRESET = 278;
constexpr int IDI_DELETE_PRESET = 279;
constexpr int IDB_LOGO = 264;
constexpr int IDB_LOGO_16 = 265;
constexpr int IDB_START_IDLE = 276;
constexpr int IDB_START_RUNNING = 277;

// Help contexts: 0x20000 + a template id, 0x10000 + a command.
constexpr unsigned HelpContextForTemplate(int templateId) { return 0x20000u + unsigned(templateId); }
constexpr unsigned HelpContextForCommand(int command) { return 0x10000u + unsigned(command); }
