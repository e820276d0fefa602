#pragma once
// Ids of the program's resources: dialog templates, their controls and the icon.

#define IDD_WIZARD_FRAME       102
#define IDD_SETTINGS_PAGE      103
#define IDD_DISC_PAGE          105
#define IDD_START_PAGE         107
#define IDD_PROGRESS_PAGE      108
#define IDD_DISC_REQUEST       129
#define IDD_COMPLETION_PAGE    130
#define IDI_SETUP              128
#define IDC_STATIC             (-1)

// Wizard frame
#define IDC_NEXT               1008
#define IDC_BACK               1009

// Start page
#define IDC_START_HEADING      1012
#define IDC_START_DISC_NAME    1018

// Disc recognition page
#define IDC_DISC_HEADLINE      1025
#define IDC_DISC_STATE         1021
#define IDC_DISC_DRIVE         1022
#define IDC_DISC_VOLUME        1023
#define IDC_DISC_RESCAN_FRAME  1012
#define IDC_DISC_RESCAN        1024

// Install settings page
#define IDC_TYPE_LIST          1003
#define IDC_TYPE_EXPLANATION   1027
#define IDC_FREE_CAPTION       1028
#define IDC_FREE_SPACE         1007
#define IDC_NEEDED_SPACE       1006
#define IDC_INSTALL_FOLDER     1002
#define IDC_BROWSE             1001

// Progress page
#define IDC_PROGRESS_FRAME     65535
#define IDC_PROGRESS_STATUS    1032
#define IDC_PROGRESS_ITEM      1030
#define IDC_PROGRESS_BAR       1019
#define IDC_PROGRESS_CANCEL    1001

// Disc request dialog
#define IDC_REQUEST_TEXT       1029

// Completion page
#define IDC_DONE_HEADLINE      1034
#define IDC_DONE_INFO          1033
