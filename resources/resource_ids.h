#ifndef TOBALIN_RESOURCES_RESOURCE_IDS_H
#define TOBALIN_RESOURCES_RESOURCE_IDS_H

// Numbers the resource script and the Win32 shell share. Plain #defines:
// the resource compilers read this file too.

// Resources. The program icon's number is also the tray icon's identifier.
#define IDI_PROGRAM 101
#define IDD_VERSION 102
#define IDM_TRAY 103
#define IDD_SETTINGS 104

// Commands of the main window, and its one-second timer.
#define IDM_QUIT 40001
#define IDM_VERSION 40002
#define IDM_SETTINGS 40003
#define IDT_POLL 40004
#define IDM_CHECK_MAIL_NOW 40005
#define IDM_SUPPORT_PAGE 40006
// Retries adding the tray icon while the taskbar is not there yet.
#define IDT_TRAY_RETRY 40007

// Controls of the settings dialog.
#define IDC_POP 1000
#define IDC_SMTP 1001
#define IDC_USER 1002
#define IDC_PASS 1003
#define IDC_EVERY_MINUTE 1004
#define IDC_EVERY_5_MINUTES 1005
#define IDC_EVERY_10_MINUTES 1006
#define IDC_EVERY_30_MINUTES 1007
#define IDC_EVERY_60_MINUTES 1008
#define IDC_BATCH 1009
#define IDC_BROWSE_BATCH 1010
#define IDC_STATION 1011
#define IDC_BROWSE_STATION 1012
#define IDC_PASS_MAIL 1013

// Texts of the settings dialog.
#define IDS_PASSWORD_NOT_ASCII 300

#endif
