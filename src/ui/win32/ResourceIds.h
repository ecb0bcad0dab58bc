// The identifiers of the Win32 window's resources: dialogs, their controls, menus, icons, the
// banner bitmap and the private window messages. Read by the resource script (borvankh.rc) as well
// as by C++, so it holds nothing but #define lines.
#ifndef KH_UI_WIN32_RESOURCE_IDS_H
#define KH_UI_WIN32_RESOURCE_IDS_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialogs.
#define IDD_MAIN 102
#define IDD_LOGIN 129
#define IDD_SETTINGS_CENTRE 136
#define IDD_EXTRACT_RULE_PAGE 137
#define IDD_GET_SMS_PAGE 138

// Icons and the banner.
#define IDI_APP 128
#define IDB_BANNER 130
#define IDI_LOGIN_TIP 131
#define IDI_GET_NUMBERS 133
#define IDI_GET_SMS 134
#define IDI_EXTRACT_RULE 135
#define IDI_SETTINGS_CENTRE 139
#define IDI_PROJECT_MANAGEMENT 140
#define IDI_WINDOW_TOP 141
#define IDI_RECHARGE 142
#define IDI_PROJECT_LINK 143

// Menus: the number list's context menu and the notification-area icon's menu.
#define IDM_LIST_MENU 138
#define IDM_TRAY_MENU 144

// Main window (dialog 102).
#define IDC_TIPS 1000
#define IDC_PROJECT_INFO 1001
#define IDC_PROJECT_COMBO 1008
#define IDC_SEARCH_TEXT 1009
#define IDC_SEARCH_BUTTON 1010
#define IDC_PROVINCE_COMBO 1011
#define IDC_CARRIER_COMBO 1012
#define IDC_NUMBER_COUNT 1013
#define IDC_NUMBER_LIST 1014
#define IDC_AUTO_GET_SMS 1015
#define IDC_AUTO_EXTRACT 1016
#define IDC_TOOLBAR_PLACE 1017
#define IDC_LIST_AUTO_SORT 1040

// Login dialog (dialog 129).
#define IDC_LOGIN_TIPS 1000
#define IDC_LOGIN_USER 1001
#define IDC_LOGIN_PASSWORD 1002
#define IDC_LOGIN_BUTTON 1003
#define IDC_REGISTER_BUTTON 1004
#define IDC_SAVE_PASSWORD 1005
#define IDC_AUTO_RUN 1006
#define IDC_LOGIN_TIP_ICON 1007
#define IDC_BANNER 1043

// Settings centre (dialog 136) and its pages (137, 138).
#define IDC_SETTINGS_TABS 1018
#define IDC_MODE_AFTER 1019
#define IDC_AFTER_KEYWORD 1020
#define IDC_AFTER_COUNT 1021
#define IDC_MODE_BETWEEN 1022
#define IDC_BETWEEN_HEAD 1023
#define IDC_BETWEEN_TAIL 1024
#define IDC_MODE_BEFORE 1025
#define IDC_BEFORE_KEYWORD 1026
#define IDC_BEFORE_COUNT 1027
#define IDC_RULE_HELP 1028
#define IDC_BETWEEN_LABEL1 1029
#define IDC_BETWEEN_LABEL2 1030
#define IDC_BETWEEN_LABEL3 1031
#define IDC_BETWEEN_LABEL4 1032
#define IDC_AFTER_LABEL1 1033
#define IDC_AFTER_LABEL2 1034
#define IDC_AFTER_LABEL3 1035
#define IDC_BEFORE_LABEL1 1036
#define IDC_BEFORE_LABEL2 1037
#define IDC_BEFORE_LABEL3 1038
#define IDC_MODE_SMART 1039
#define IDC_SMS_INTERVAL 1041
#define IDC_SMS_TIMEOUT 1042
// The two options of what happens when a code arrives (a tray balloon, a copy on the clipboard).
#define IDC_NOTIFY_ON_CODE 1044
#define IDC_AUTO_COPY_CODE 1045

// Commands: the toolbar's, the list menu's (the values of core/ports/ToolBarPort.h) and the tray
// menu's.
#define ID_GET_NUMBERS 32771
#define ID_GET_SMS 32772
#define ID_EXTRACT_RULE 32773
#define ID_COPY_NUMBER 32774
#define ID_COPY_SMS 32775
#define ID_COPY_CODE 32776
#define ID_BLACKLIST_NUMBER 32777
#define ID_SETTINGS_CENTRE 32778
#define ID_PROJECT_MANAGEMENT 32779
#define ID_WINDOW_TOP 32780
#define ID_RECHARGE 32781
#define ID_PROJECT_LINK 32782
#define ID_TRAY_SHOW_HIDE 32783
#define ID_TRAY_EXIT 32784
#define ID_EXPORT_LIST 32785

// Private window messages: the tray icon's notifications, the close notice (main window) and the
// sign-in success notice (login dialog).
#define KH_WM_TRAY_NOTIFY (0x0400 + 1)
#define KH_WM_CLOSE_NOTICE (0x0400 + 2)
#define KH_WM_LOGIN_SUCCEEDED (0x0400 + 3)

#endif
