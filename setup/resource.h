// Resource and control ids of setup.
#pragma once

#define IDD_ABOUTBOX        100
#define IDS_ABOUTBOX        101
#define IDD_WELCOME         102
#define IDR_MAINFRAME       128
#define IDD_EXIT_SETUP      130
#define IDD_INSTALL_TYPE    131
#define IDD_COPY_FILES      132
#define IDD_FINISH          136
#define IDI_FIGURE          137

#define IDC_EXIT_TEXT       130
#define IDC_PS2_PORT        1001
#define IDC_SERIAL_PORT     1002
#define IDC_FROM_TEXT       1004
#define IDC_TO_TEXT         1005
#define IDC_PROGRESS        1006
#define IDC_PERCENT_TEXT    1009

#define IDM_ABOUTBOX        0x0010

#ifndef IDC_STATIC
#define IDC_STATIC          (-1)
#endif
