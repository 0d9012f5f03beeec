// Resource identifiers shared by snorva.rc and the program.
#pragma once

#define IDI_SNORVA 1

#define IDB_STRIP 101
#define IDB_CLOSE 102
#define IDB_MENU 103

// The popup menu's commands, one per row that can be chosen.
#define IDM_TITLE 101
#define IDM_IDLEON 103
#define IDM_IDLEOFF 104
#define IDM_ABOUT 107
#define IDM_MINIMIZE 109
#define IDM_UNLOAD 110

#define IDD_INPUT 201
#define IDC_PROMPT 202
#define IDC_ANSWER 203
