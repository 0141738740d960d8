// Resource and control identifiers of the Mouse control panel stand-in.
#pragma once

#define IDD_STOCK_BUTTONS      100
#define IDD_STOCK_POINTERS     101
#define IDD_STOCK_MOTION       102

#define IDC_RIGHT_HANDED       1100
#define IDC_LEFT_HANDED        1101
#define IDC_STOCK_DOUBLE_CLICK 1102
#define IDC_STOCK_TEST_AREA    1103
#define IDC_SCHEME             1110
#define IDC_CURSOR_LIST        1111
#define IDC_POINTER_SPEED      1120
#define IDC_SNAP_TO_DEFAULT    1121
