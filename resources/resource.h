// Resource and control identifiers of the program. Each form has its own range, so that
// forms can be added without renumbering others:
//   100-199  program-wide (icon, manifest, version)
//   1000-1999 main window, splash and About box
//   2000-2999 "Standard Toolbar Buttons" page
//   3000-3999 "Context Menu" page and the "Select category" dialog
//   4000-4999 "Backgrounds" and "Window Attributes" pages
#pragma once

#define IDI_QUILLMERE 100

// --- main window, splash, About box (1000-1999) ---
#define IDM_MAINMENU 1000
#define IDA_MAIN 1001

// --- "Standard Toolbar Buttons" page (2000-2999) ---

// --- "Context Menu" page, "Select category" dialog (3000-3999) ---
#define IDD_CONMENUDLG 3000
#define IDC_CONMENU_COMBOBOX1 3002
#define IDI_CONMENU_YES 3010
#define IDI_CONMENU_NO 3011

// --- "Backgrounds" and "Window Attributes" pages (4000-4999) ---
