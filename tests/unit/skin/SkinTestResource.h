#pragma once
#define IDD_SKIN_TEST 500
// The settings window's background at 100 % and as drawn for 150, 200 and 300 %.
#define IDB_TEST_BACKGROUND 133
// The same pictures as the programs ship them: 8-bit run-length-encoded bitmaps at each drawn
// scale (at IDB_TEST_SHIPPED + percent above 100 %).
#define IDB_TEST_SHIPPED 140
#define IDR_TEST_BACKGROUND_PNG 2000
#define IDI_TEST_TRAY 135
