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

// --- main window and splash (1000-1499) ---
// Commands: a menu item, its accelerator and its tool bar button share one identifier.
#define IDM_IMPORTTOOLBARSINFO1 1010
#define IDM_EXPORTTOOLBARSINFO1 1011
#define IDM_REFRESH 1020
#define IDM_ADD 1021
#define IDM_SAVE 1022
#define IDM_DELETE 1023
#define IDM_VIEWSTDBTN 1030
#define IDM_VIEWCONTEXTMENU 1031
#define IDM_VIEWTBBACKGROUND 1032
#define IDM_VIEWWINDOWTITLE 1033
#define IDM_CONTENT 1040
#define IDM_ABOUT2 1041

#define IDC_TOOLBAR1 1100
#define IDC_PAGECONTROL1 1101

// Pictures: 16 x 16 images in strips, magenta (255, 0, 255) where they are transparent.
#define IDB_TOOLBAR_NORMAL 1200 // Refresh, Add, Save, Delete
#define IDB_TOOLBAR_HOT 1201    // the same, highlighted
#define IDB_TABS 1202           // the four pages, in tab order
#define IDB_MENU 1203           // Import, Export, Content, About
#define IDB_LOGO 1204           // the 150 x 200 splash picture
// The same four strips drawn at 20, 24 and 32 pixels, for screens of more than 96 DPI: the
// 16-pixel strip's identifier plus the size's offset.
#define IDB_PICTURES20_OFFSET 20
#define IDB_PICTURES24_OFFSET 30
#define IDB_PICTURES32_OFFSET 40
#define IDB_TOOLBAR_NORMAL_20 1220
#define IDB_TOOLBAR_HOT_20 1221
#define IDB_TABS_20 1222
#define IDB_MENU_20 1223
#define IDB_TOOLBAR_NORMAL_24 1230
#define IDB_TOOLBAR_HOT_24 1231
#define IDB_TABS_24 1232
#define IDB_MENU_24 1233
#define IDB_TOOLBAR_NORMAL_32 1240
#define IDB_TOOLBAR_HOT_32 1241
#define IDB_TABS_32 1242
#define IDB_MENU_32 1243

// A page whose room has not been built into the program: nothing on it.
#define IDD_EMPTYPAGE 1300

// The preview pane added to the picture-open dialog.
#define IDD_PICTUREPREVIEW 1310
#define IDC_PICTUREPREVIEWGROUP 1311
#define IDC_PICTUREPREVIEW 1312
#define IDC_PICTURESIZE 1313
// --- end of main window and splash ---

// --- About box (1500-1599) ---
#define IDD_ABOUT 1500
#define IDB_ABOUT 1501
#define IDC_ABOUT_PANEL1 1510
#define IDC_ABOUT_IMAGE1 1511
#define IDC_ABOUT_PANEL2 1512
#define IDC_ABOUT_TITLE 1513
#define IDC_ABOUT_VERSION 1514
#define IDC_ABOUT_WEBLINK 1515
#define IDC_ABOUT_MAILCAPTION 1516
#define IDC_ABOUT_MAILLINK 1517
#define IDC_ABOUT_CREDIT 1518
// --- end of About box ---

// --- "Standard Toolbar Buttons" page (2000-2999) ---
#define IDD_STDBTN 2000
#define IDC_TOOLBAR2 2001
#define IDC_STRIPVIEW 2002
#define IDC_BUTTONTEXTLABEL 2010
#define IDC_BUTTONTEXT 2011
#define IDC_EXEC 2012
#define IDC_EXECEDIT 2013
#define IDC_EXECBROWSE 2014
#define IDC_SCRIPT 2015
#define IDC_SCRIPTEDIT 2016
#define IDC_SCRIPTBROWSE 2017
#define IDC_ICONLABEL 2020
#define IDC_IMAGE1 2021
#define IDC_ICONEDIT 2022
#define IDC_ICONBROWSE 2023
#define IDC_ICONVIEW 2024
#define IDC_HOTICONLABEL 2030
#define IDC_IMAGE2 2031
#define IDC_HOTICONEDIT 2032
#define IDC_HOTICONBROWSE 2033
#define IDC_HOTICONVIEW 2034
#define IDC_DEFAULTVISIBLE 2040
#define IDC_SHOWINTOOLS 2041
#define IDC_MENUTEXTLABEL 2042
#define IDC_MENUTEXTEDIT 2043
#define IDC_STATUSBARTEXTLABEL 2044
#define IDC_STATUSBARTEXTEDIT 2045
#define IDC_KEYLABEL 2050
#define IDC_STATICTEXT1 2051
#define IDC_ONLYQUILLMERE 2052

// --- "Context Menu" page, "Select category" dialog (3000-3999) ---
#define IDD_CONMENUDLG 3000
#define IDC_CONMENU_COMBOBOX1 3002
#define IDI_CONMENU_YES 3010
#define IDI_CONMENU_NO 3011

#define IDD_CONTEXTMENU 3100
#define IDC_CONTEXTMENU_TITLE 3101
#define IDC_POPUPMENULIST 3102
#define IDC_SHOWONLYQUILLMEREMENU 3103
#define IDC_MENULABEL 3110
#define IDC_MENUEDIT 3111
#define IDC_DEFAULTLABEL 3112
#define IDC_DEFAULTEDIT 3113
#define IDC_CONTEXTSLABEL 3114
#define IDC_DECIMALLABEL 3115
#define IDC_CONTEXTDECIMALEDIT 3116
#define IDC_HEXLABEL 3117
#define IDC_CONTEXTHEXEDIT 3118
#define IDC_CHECKREQIRED 3119
#define IDC_CONTEXTDEFAULT 3120
#define IDC_CONTEXTIMAGES 3121
#define IDC_CONTEXTCONTROLS 3122
#define IDC_CONTEXTTABLES 3123
#define IDC_CONTEXTTEXTSELECTION 3124
#define IDC_CONTEXTANCHOR 3125
#define IDC_STATICTEXT2 3130
#define IDC_FLAGSLABEL 3131
#define IDC_FLAGEDIT 3132
#define IDC_STATICTEXT3 3133

// --- "Backgrounds" and "Window Attributes" pages (4000-4999) ---
#define IDD_TBBACKGROUND 4000
#define IDC_TBIMAGEPANEL 4010
#define IDC_STATICTEXT9 4011
#define IDC_TBIMAGELABEL 4012
#define IDC_TBIMAGEEDIT 4013
#define IDC_TBIMAGEBROWSE 4014
#define IDC_WEBACKGROUNDPANEL 4020
#define IDC_STATICTEXT10 4021
#define IDC_WEBACKGROUNDLABEL 4022
#define IDC_WEBACKGROUND 4023
#define IDC_WEBACKGROUNDBROWSE 4024

#define IDD_WINDOWTITLE 4100
#define IDC_WTITLELABEL 4110
#define IDC_WTITLEEDIT 4111
#define IDC_STATICTEXT4 4112
#define IDC_STARTPAGELABEL 4113
#define IDC_STARTPAGE 4114
#define IDC_STATICTEXT5 4115
#define IDC_SEARCHPAGELABEL 4116
#define IDC_SEARCHPAGE 4117
#define IDC_STATICTEXT6 4118
#define IDC_FAVORITFOLDERLABEL 4119
#define IDC_FAVORITFOLDER 4120
#define IDC_FAVORITFOLDERBROWSE 4121
#define IDC_STATICTEXT7 4122
#define IDC_OTHEROPTIONSLABEL 4123
#define IDC_OPTIONSGROUP 4124
#define IDC_STATICTEXT8 4125
#define IDC_SHOWPICTURES 4130
#define IDC_PLAYVIDEOS 4131
#define IDC_PLAYANIMATIONS 4132
#define IDC_PLAYSOUNDS 4133
#define IDC_FULLSCREEN 4134
#define IDC_PRINTBACKGROUND 4135
#define IDC_SHOWGOBUTTON 4136
