// Resource and control identifiers shared by the resource script and the window code.
#pragma once

// Icons
#define IDI_VELLUMERE 101
#define IDI_FOLDER_CLOSED 113
#define IDI_FOLDER_OPEN 114
#define IDI_DRIVE 115

// Dialogs and the tray menu
#define IDD_OPTIONS 103
#define IDD_ABOUT 107
#define IDR_POPUP_MENU 110
#define IDD_SELECT_DIRECTORY 112
#define IDD_EXCLUDED 120

// Tray menu commands
#define ID_OPTIONS 40002
#define ID_ACTIVE 40003
#define ID_CHANGE_WALLPAPER 40013
#define ID_PREVIOUS_WALLPAPER 40014
#define ID_SHOW_PICTURE_FILE 40015
#define ID_REMOVE_PICTURE 40030

// Options dialog
#define IDC_ABOUT 3
#define IDC_HELP_CONTENTS 4
#define IDC_QUIT 1001
#define IDC_ADD_FILES 1003
#define IDC_ADD_DIRECTORY 1004
#define IDC_DELETE 1005
#define IDC_IMAGE_LIST 1010
#define IDC_INTERVAL 1013
#define IDC_SEQUENTIALLY 1015
#define IDC_RANDOMLY 1016
#define IDC_SHUFFLED 1017
#define IDC_POSITION 1018
#define IDC_MOVE 1020
#define IDC_FULL_SCREEN_PAUSE 1120
#define IDC_HOTKEY_NEXT 1121
#define IDC_HOTKEY_PREVIOUS 1122
#define IDC_EXCLUDED 1140

// Excluded pictures dialog
#define IDC_EXCLUDED_LIST 1141
#define IDC_EXCLUDED_REMOVE 1142
#define IDC_EXCLUDED_CLEAR 1143

// Directory selection dialog
#define IDC_DIRECTORY_TREE 1023
#define IDC_DIRECTORY_NAME 1024
#define IDC_ADD_AS_DIRECTORY 1026
#define IDC_ADD_FILES_IN_DIRECTORY 1027
#define IDC_SUBDIRECTORIES 1028
