// The main window: its controls, which the search driver and the commands use, and
// its window procedure.
#pragma once

#include "platform/aygshell.h"
#include "platform/windows.h"

class ComboBoxControl;
class TextButton;
class ListViewControl;
struct LabelControl;

extern HINSTANCE Instance;
extern HWND MainWindow;
extern HMODULE ImageLibrary;    // tovu.dll: control skins
extern HMODULE PictureLibrary;  // zorwen.dll: message box pictures
extern ComboBoxControl* SearchBox;
extern TextButton* SearchButton;
extern LabelControl* ResultLabel;
extern ListViewControl* ResultList;
extern SHACTIVATEINFO ActivationInfo;

// Deletes a TextButton (lParam) whose window is gone; posted by code that ends inside the
// button's own click.
#define WM_APP_FREE_BUTTON (WM_APP + 1)

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Returns when the screen is 240 x 320 or the user goes on; ends the program otherwise.
void CheckScreenSize(HWND owner);

// The database command (target 1 or 2). While a search runs it waits until the search
// has ended, because a new table must not replace the one being scanned.
void SwitchToDatabase(int target);
