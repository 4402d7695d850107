// The two-column result list: a framed "LVCW2" window holding the platform's report-style
// list, which asks for every cell's text on demand. The control keeps the texts, colours
// and fonts each cell, and reports taps and arrow-key moves through one callback.
#pragma once

#include "platform/windows.h"
#include "widgets/item_lists.h"

// (row, left text): a row tapped or reached with the up or down arrow; (-1, null) a tap
// outside the rows; (-2, null) the list lost the keyboard focus.
typedef void (*ListViewCallback)(int row, const WCHAR* text);

// Once, before any list exists: the class and its three fonts.
void RegisterListViewClass();

class ListViewControl {
 public:
  ListViewControl(HWND owner, int x, int y, int width, int height, ListViewCallback callback);
  ~ListViewControl();
  ListViewControl(const ListViewControl&) = delete;
  ListViewControl& operator=(const ListViewControl&) = delete;

  // Texts longer than 511 units are cut.
  void AddRow(const WCHAR* left, const WCHAR* right, int tag);
  void Clear();
  void SetRedraw(int flag);
  // The new colour's palette index is the tag that selects it.
  int AddColour(COLORREF colour);
  // 1: headwords in the Simplified (GB) font, 0: in the Traditional (Big5) font.
  void SetGbMode(int flag);
  void EnableKeyboardFilter();

  HWND frameWindow;
  int x, y, width, height;
  TextList* texts;    // row i: left text at 2i, right text at 2i + 1
  ValueList* rowTags;
  ValueList* palette;
  ListViewCallback callback;
  HWND innerList;
  HFONT listFont;
  WNDPROC previousListProc;
  int redraw;
  int gbMode;

  // For the window procedures.
  LRESULT OnNotify(NMHDR* header);
  LRESULT FilterMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  const WCHAR* LeftText(int row);
};
