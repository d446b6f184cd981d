// Identifiers shared by the resource script and the window code.
#pragma once

#define IDS_APP_TITLE       103
#define IDS_WINDOW_CLASS    109
#define IDR_MAIN_MENU       109
#define IDD_ABOUTBOX        103
#define IDI_TIDEWATER       107
#define IDI_SMALL           108
#define IDM_ABOUT           104
#define IDM_EXIT            105
#define IDC_ABOUT_ICON      2
