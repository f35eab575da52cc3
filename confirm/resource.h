// Resource and control identifiers of the confirmation program.
#pragma once

#define IDD_CONFIRMATION 104
#define IDB_CONFIRM_BACKGROUND 277
// The background drawn for a larger scale: IDB_CONFIRM_BACKGROUND + its percent.
#define IDB_CONFIRM_BACKGROUND_AT_150 427
#define IDB_CONFIRM_BACKGROUND_AT_200 477
#define IDB_CONFIRM_BACKGROUND_AT_300 577
#define IDI_CONFIRM 315
// The background drawn at other scales: PNG resources numbered base + percent (2150 is 150 %).
#define IDR_CONFIRM_BACKGROUND_PNG 2000
#define IDR_CONFIRM_BACKGROUND_150 2150
#define IDR_CONFIRM_BACKGROUND_200 2200
#define IDR_CONFIRM_BACKGROUND_300 2300

#define IDC_CONFIRM_OK 1030
#define IDC_CONFIRM_CANCEL 1031
#define IDC_DONT_SHOW_AGAIN 1004
#define IDC_DONT_SHOW_LABEL 1006
#define IDC_MESSAGE 1060
#define IDC_CONFIRM_TITLE 1062
#define IDC_BLANK_1 1063
#define IDC_BLANK_2 1064
#define IDC_BLANK_3 1065
#define IDC_BLANK_4 1066
#define IDC_BLANK_5 1067
#define IDC_BLANK_6 1068
#define IDC_BLANK_7 1069
#define IDC_BLANK_8 1071
