#pragma once
// clang-format off
// Resource identifiers. Shared by the .rc scripts and the C++ sources; keep it preprocessor-only,
// windres reads it too.

// Strings
#define IDS_DESCRIPTION        1      // the name the display settings list the saver under
#define IDS_LOAD_FAILED        103    // "%s: Unsupported file format"
#define IDS_BROWSE_TITLE       104    // "Please select folder containing pictures:"
#define IDS_APP_NAME           57344  // "Orvantar Screen Saver": application name, registry key
#define IDS_RANGE_UINT         61714  // "Please enter an integer between %1 and %2."
#define IDS_POSITIVE_UINT      61719  // "Please enter a positive integer."

// Icon and cursor
#define IDI_ORVANTA            128
#define IDC_TRANSPARENT        129

// Binary resources
#define IDR_TOWNS              130    // RCDATA: the town table (scripts/make-towns)

// Dialogs
#define IDD_ABOUTBOX           100
#define IDD_SETTINGS           102

// Settings dialog controls
#define IDC_FOLDER             1000
#define IDC_PREVIEW_FRAME      1006
#define IDC_STRETCH            1008
#define IDC_DELAY_SPIN         1009
#define IDC_DELAY              1010
#define IDC_ABOUT              1011
#define IDC_RANDOM_ORDER       1012
#define IDC_BROWSE             1013
#define IDC_SHOW_CAPTION       1014
#define IDC_SHOW_BMP           1016
#define IDC_SHOW_JPG           1017
#define IDC_SHOW_OTHER         1018
#define IDC_FADE               1019
#define IDC_PAN_AND_ZOOM       1020
#define IDC_SHOW_INFO          1021   // the date, place and folder line
#define IDC_BROWSE_KEYS        1022   // check box: the full-screen show's keys browse
#define IDC_PAIR_PORTRAITS     1023
#define IDC_MORE_FOLDERS       1030   // list box: the folders walked after Directory
#define IDC_ADD_FOLDER         1031
#define IDC_REMOVE_FOLDER      1032
#define IDC_EXCLUDED_FOLDERS   1033   // list box: the subtrees never walked
#define IDC_ADD_EXCLUDED       1034
#define IDC_REMOVE_EXCLUDED    1035
#define IDC_SHOW_HIDDEN        1036   // button: every hidden picture shows again
