// Resource ids of the uninstaller's dialogs and their controls.
#pragma once

// The confirmation before anything is removed.
#define IDD_CONFIRM 101
// The completion notice.
#define IDD_DONE 103

// Confirmation: the "next" button (the default push button).
#define IDC_NEXT 1000
// Both dialogs: the read-only text.
#define IDC_TEXT 1001
