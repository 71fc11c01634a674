// Resource and command ids of the "Key Stations" window program. The command ids are those of the
// classic Windows framework's standard commands, so the menus and prompts keep their numbers.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUTBOX 100
#define IDR_MAINFRAME 128
#define IDD_EDIT_CONFIGURATION 129

// Edit Configuration dialog.
#define IDC_CURRENT_READERS 1000
#define IDC_READER_NAME 1002
#define IDC_PORT 1003
#define IDC_PORT_SPIN 1005
#define IDC_REMOVE 1006
#define IDC_ADD 1007

// About box.
#define IDC_PRODUCT_NAME 1010
#define IDC_VERSION 1011
#define IDC_LEGAL_NOTICE 1012

// Commands.
#define ID_CONFIGURE 32771
#define ID_FILE_NEW 57600
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_VIEW_STATUS_BAR 59393

// Status bar texts.
#define IDS_IDLE_MESSAGE 57345
#define ID_INDICATOR_CAPS 59137
#define ID_INDICATOR_NUM 59138
#define ID_INDICATOR_SCRL 59139
#define IDS_SOCKETS_FAILED 61700
#define IDS_RESTART_QUESTION 61701
#define IDS_SAVE_FAILED 61702

// The list and status bar children of the frame.
#define IDC_STATION_LIST 59648
#define IDC_STATUS_BAR 59393
