// What the search driver, the definition view and the main window share beyond the
// plain values of screen_state.h: the menu bar and the history buttons they act on,
// the menu marks, the word history and the Chinese font check.
#pragma once

#include "device/shell/screen_state.h"
#include "platform/windows.h"

struct PictureButtonControl;
class FrameWindow;

// Stored by the main window when it creates them; null until then (a null menu bar
// makes every menu operation do nothing).
extern HWND MenuBar;
extern PictureButtonControl* PreviousButton;
extern PictureButtonControl* NextButton;
extern FrameWindow* DefinitionFrame;

// ---- menu state
void EnableCopyCommands(int flag);
void MarkDatabaseItem(int database);
void MarkSearchOption(UINT commandId, int on);

// ---- word history: entries shown, oldest first, with a cursor on the one shown
void RecordEntry();
void GoBack();
void GoForward();
void HistoryToNewest();
void ClearHistory();
// Replaces the history with entries (oldest first), the cursor on the newest.
void RestoreHistory(const int* entries, int count);
int HistoryCount();
int HistoryCursor();
int HistoryItem(int index);  // -1 outside the history

// ---- the font of the database's headwords
// Returns when the font is there or the user goes on; ends the program when the user
// asks for the instructions.
void CheckChineseFont(HWND owner, int database);
