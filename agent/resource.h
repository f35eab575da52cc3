// Resource and control identifiers of the agent.
#pragma once

#define IDD_SETTINGS 102
#define IDI_WINDOW 132
#define IDB_BACKGROUND 133
// The background drawn for a larger scale: IDB_BACKGROUND + its percent.
#define IDB_BACKGROUND_AT_150 283
#define IDB_BACKGROUND_AT_200 333
#define IDB_BACKGROUND_AT_300 433
#define IDM_TRAY 134
#define IDI_TRAY 135
// The background drawn at other scales: PNG resources numbered base + percent (2150 is 150 %).
#define IDR_BACKGROUND_PNG 2000
#define IDR_BACKGROUND_150 2150
#define IDR_BACKGROUND_200 2200
#define IDR_BACKGROUND_300 2300

#define IDC_OK 1000
#define IDC_CANCEL 1001
#define IDC_REDEFINE 1002
#define IDC_ENABLE_FUNCTION 1003
#define IDC_SHOW_IN_TRAY 1004
#define IDC_LABEL_ENABLE 1005
#define IDC_LABEL_TRAY 1006
#define IDC_TITLE 1007
#define IDC_LABEL_HEADING 1008
#define IDC_KEY1_NAME 1011
#define IDC_KEY2_NAME 1012
#define IDC_REDEFINE_TEXT 1013
#define IDC_KEY_PLUS 1014
#define IDC_POWER_NOTE 1015

#define ID_TRAY_ENABLE_HOTKEY 32771
#define ID_TRAY_SHOW_ICON 32772
