#pragma once

// Identifiers shared by the resource script and the windows. Tool buttons
// carry the identifier of the command they start.

#define IDI_TALLIS 1
#define IDI_OPEN 101
#define IDI_OPEN_OFF 102
#define IDI_PROGRAM 103
#define IDI_PROGRAM_OFF 104
#define IDI_ERASE 105
#define IDI_ERASE_OFF 106
#define IDI_RESET 107
#define IDI_RESET_OFF 108
#define IDI_ABOUT 109
#define IDI_ABOUT_OFF 110
#define IDI_EXIT 111
#define IDI_EXIT_OFF 112
#define IDI_OK 113
#define IDI_OK_OFF 114
#define IDB_BOARD 120

#define IDM_OPEN 1001
#define IDM_EXIT 1002
#define IDM_PROGRAM 1003
#define IDM_ERASE 1004
#define IDM_RESET 1005
#define IDM_OPTIONS 1006
#define IDM_ABOUT 1007
#define IDM_CANCEL 1008
#define IDM_IDENTIFY 1010
#define IDM_READ 1011
#define IDM_VERIFY 1012
#define IDM_BLANK_CHECK 1013
#define IDM_WRITE_ALL 1014
#define IDM_MEMORY_VIEW 1015
#define IDM_PRODUCTION 1016
// Device > Chip: Auto-detect, then the device table's rows in order.
#define IDM_DEVICE_CHIP 1400
// File: the recent files, newest first.
#define IDM_RECENT_FILE 1500

#define IDC_PIC877 1101
#define IDC_PIC877A 1102
#define IDC_WORDS 1103
#define IDC_GAUGE 1104
#define IDC_STATUS 1105
#define IDC_PICTURE 1106
#define IDC_TITLE 1107
#define IDC_LPT1 1201
#define IDC_LPT2 1202
#define IDC_OTHER 1203
#define IDC_ADDRESS 1204
#define IDC_ADDRESS_ERROR 1205
#define IDC_FAST 1206
#define IDC_DRIVER 1207
#define IDC_DRIVER_LABEL 1208
#define IDC_BOARD 1209
#define IDC_BOARD_PICTURE 1210
#define IDC_FTDI_DEVICE 1211
#define IDC_FTDI_DEVICE_LABEL 1212
#define IDC_BOARD_ERROR 1213
#define IDC_DOCUMENTATION 1301
#define IDC_PROD_COUNT 1601
#define IDC_PROD_LOG 1602
#define IDC_PROD_LOG_FORMAT 1603
#define IDC_PROD_SERIAL 1604
#define IDC_PROD_SERIAL_AT 1605
#define IDC_PROD_SERIAL_FORMAT 1606
#define IDC_PROD_SERIAL_FILE 1607
#define IDC_PROD_OVERWRITE 1608
#define IDC_PROD_RESULT 1609
#define IDC_PROD_COUNTS 1610
#define IDC_PROD_LAST 1611
#define IDC_PROD_START 1612
#define IDC_PROD_STOP 1613
#define IDC_PROD_CLOSE 1614
#define IDC_PROD_LOG_BROWSE 1615
