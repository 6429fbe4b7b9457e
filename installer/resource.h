// Resource ids of the installer's dialogs and their controls.
#pragma once

// The copy dialog: current source and destination paths and the progress bar.
#define IDD_COPY 102
#define IDC_SRCFILE 1005
#define IDC_DSTFILE 1006
#define IDC_PROGRESS 1008
