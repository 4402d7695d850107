// The search field: a framed single-line text field with a drop-down arrow whose list
// offers this run's earlier search strings, most recent first. Tap and hold in the text
// offers "Paste"; every change of the text's length is reported to the owner.
#pragma once

#include "platform/windows.h"
#include "widgets/item_lists.h"

typedef void (*ComboChangeCallback)(int* textLength);
typedef void (*ComboSearchCallback)();

// Once, before any combo box exists: both classes and the arrow strip (bitmap 7200).
void RegisterComboBoxClasses(HMODULE imageLibrary);

class ComboBoxControl {
 public:
  // A height of 0 gives fontSize + 8.
  ComboBoxControl(HWND owner, int x, int y, int width, int height, int fontSize, DWORD extraEditStyles,
                  ComboChangeCallback change);
  ~ComboBoxControl();
  ComboBoxControl(const ComboBoxControl&) = delete;
  ComboBoxControl& operator=(const ComboBoxControl&) = delete;

  void SetMaxLength(int n);
  // Enter in the field runs it while the field holds text.
  void SetSearchCallback(ComboSearchCallback search);
  void SetCharset(int gb);  // 1: Simplified font, otherwise the Traditional one
  void Focus();
  void SetText(const WCHAR* text);  // null empties the field
  // Copies at most the maximum length (256 when unset), terminator included. The buffer
  // must hold that many units.
  void GetText(WCHAR* buffer);
  int GetTextLength();
  void AddToHistory();

  HWND ownerWindow;
  int x, y, width, height;
  HFONT textFont;
  COLORREF textColour;
  int fontSize;
  ComboChangeCallback change;
  ComboSearchCallback search;
  WNDPROC previousEditProc;
  int maxTextLength;  // -1: 256
  int arrowState;     // 0 idle, 2 pressed, 1 released after a press (the list is open)
  HWND dropDown;
  int dropDownWidth, dropDownHeight;
  HWND dropDownList;
  HFONT dropDownFont;
  TextList* history;
  HWND comboWindow;
  HWND editWindow;
  int textLength;
  int pressOpened;  // the press now held opened the list; its release leaves it open

  // A tap elsewhere (a screen point) closes the drop-down; a tap on the field or its
  // arrow is theirs to handle.
  void TappedAt(POINT screenPoint);

  // For the window procedures.
  void OpenDropDown();
  void CloseDropDown();
  void Choose(int index);
  void RepaintCombo();
};
