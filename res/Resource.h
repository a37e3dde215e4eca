// Identifiers of the application's resources and of the controls in its dialogs.
#pragma once

// Dialogs
#define IDD_ABOUTBOX 100
#define IDD_CONVERTER_DIALOG 102

// Icons and strings
#define IDR_MAINFRAME 128
#define IDS_ABOUTBOX 101

// The About item; on Windows a system menu command (below 0xF000, low four bits 0)
#define IDM_ABOUTBOX 0x0010

// Controls
#define IDC_ABORT 1001
#define IDC_FILELIST 1002
#define IDC_PROGRESS 1003
#define IDC_FILENAME 1004
#define IDC_PREVIEW 1005
#define IDC_QUALITY 1009
#define IDC_QUALITY_VALUE 1010
#define IDC_RATE_AVG 1012
#define IDC_RATE_MAX 1013
#define IDC_ADDFILES 1014
