// Resource and command ids of the handheld program, shared by its .rc file and its code.
#pragma once

#define IDS_TITLE 1
#define IDS_CLASS_NAME 2
#define IDS_TASKS 104
#define IDS_ABOUT 110
#define IDS_OPTIONS 111

#define IDR_MENUBAR 102

#define IDM_TASKS_BUTTON 40001
#define IDM_OPTIONS_BUTTON 40002
#define IDM_ABOUT_BUTTON 40004

#define IDM_COPY_WORD 40013
#define IDM_COPY_PRONUNCIATION 40014
#define IDM_COPY_ENTRY 40015
#define IDM_EXIT 50006
#define IDM_MATCH_WHOLE_WORD 40011
#define IDM_MATCH_CASE 40010
#define IDM_PINYIN 40012
#define IDM_DATABASE_GB 40009
#define IDM_DATABASE_BIG5 40021
#define IDM_KEEP_HISTORY 40030
#define IDM_ABOUT 41001
#define IDM_HELP 41003

#define IDR_ABOUT_TEXT 51000
