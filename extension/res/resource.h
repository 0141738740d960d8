// Resource and control identifiers of TVNTCpl.
#pragma once

#define IDD_BUTTONS_PAGE       201

#define IDB_LOGO               102
#define IDB_MOUSE_FIRST        103  // + button mask (1 left, 2 middle, 4 right): 103 to 110

#define IDI_ANIMAL_AT_REST     104
#define IDI_ANIMAL_STARTLED    105

#define IDC_PICTURE            111
#define IDC_MIDDLE_LIST        1000
#define IDC_RIGHT_LIST         1022
#define IDC_LEFT_LIST          1024
#define IDC_THREE_BUTTON_MODE  1025
#define IDC_LEFT_HAND_USER     1026
#define IDC_WHERE_IS_CURSOR    1027
#define IDC_HELP_BUTTON        1028
#define IDC_SENSITIVITY        1029
#define IDC_DOUBLE_CLICK_SPEED 1030
#define IDC_ACCELERATION       1031
#define IDC_MIDDLE_LABEL       1032
#define IDC_RIGHT_LABEL        1033
#define IDC_LEFT_LABEL         1034
#define IDC_TEST_AREA          1035
#define IDC_TEST_ICON          1036
#define IDC_UNINSTALL          1037
#define IDC_LOGO               1038
