#pragma once
#define IDD_SKIN_TEST 500
// The settings window's background at 100 % and as drawn for 150, 200 and 300 %.
#define IDB_TEST_BACKGROUND 133
#define IDR_TEST_BACKGROUND_PNG 2000
#define IDI_TEST_TRAY 135
