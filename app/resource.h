// Resource identifiers shared by snorva.rc and the program.
#pragma once

#define IDI_SNORVA 1

#define IDB_STRIP 101
#define IDB_CLOSE 102
#define IDB_MENU 103

#define IDD_INPUT 201
#define IDC_PROMPT 202
#define IDC_ANSWER 203
