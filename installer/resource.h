// Resource ids of the installer's dialogs and their controls.
#pragma once

// The setup dialog: readme, CD drive letter, destination folder and the two
// folder pickers.
#define IDD_SETUP 101
#define IDC_SETUP_README 1001
#define IDC_SETUP_DRIVE 1002
#define IDC_SETUP_DEST 1003
#define IDC_SETUP_BROWSE_DEST 1004
#define IDC_SETUP_BROWSE_DRIVE 1005

// The copy dialog: current source and destination paths and the progress bar.
#define IDD_COPY 102
#define IDC_SRCFILE 1005
#define IDC_DSTFILE 1006
#define IDC_PROGRESS 1008

// The completion dialog: its text.
#define IDD_FINISH 103
#define IDC_FINISH_TEXT 1002
