// What the standard controls share: their look, fonts, notifications to the parent, state
// kept in the window's extra bytes, and waiting inside a control's own modal loop.
#pragma once

#include <string>

#include "platform/commctrl.h"
#include "platform/windows.h"

namespace platform::controls {

// One look for every control: white faces, navy for what is chosen, greys for lines.
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kNavy = RGB(0, 44, 130);
inline constexpr COLORREF kNavyDark = RGB(0, 22, 80);
inline constexpr COLORREF kFrameGrey = RGB(128, 128, 128);
inline constexpr COLORREF kLineGrey = RGB(200, 200, 200);
inline constexpr COLORREF kGreyText = RGB(150, 150, 150);
inline constexpr COLORREF kPaleGrey = RGB(228, 228, 228);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);

// The font a control uses until it is given one (Tahoma 12 px); kept for the whole run.
HFONT DefaultFont();
HFONT DefaultBoldFont();
inline HFONT FontOrDefault(HFONT font) { return font ? font : DefaultFont(); }
// The font's cell height (tmHeight), measured on a memory DC.
int FontHeight(HFONT font);
// Width of a run of text in the font.
int TextWidth(HFONT font, const std::u16string& text);

// WM_COMMAND to the parent: the low word of the control id and the notification code.
void NotifyCommand(HWND control, WORD code);
// WM_NOTIFY to the parent with the header filled in; returns the parent's answer.
LRESULT NotifyParent(HWND control, NMHDR* header, UINT code);

// Per-window state lives behind the first window extra bytes, so that a program may use
// GWLP_USERDATA of a control for its own purposes.
inline constexpr int kStateBytes = sizeof(void*);
template <class T>
T* StateOf(HWND hwnd) {
  return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, 0));
}
template <class T>
void SetState(HWND hwnd, T* state) {
  SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(state));
}

// For a control's own modal loop: waits until input comes, a timer falls due or `ms` pass.
// False when nothing can come any more (a headless run with its input used up).
bool WaitAtMost(DWORD ms);
// Dispatches what is due except input: posted messages, paints and timers.
void DispatchNonInput();

// Fills `r` with a solid colour.
void FillSolid(HDC dc, const RECT& r, COLORREF colour);
// A one-pixel frame just inside `r`.
void FrameSolid(HDC dc, const RECT& r, COLORREF colour);
void HorizontalLine(HDC dc, int x1, int x2, int y, COLORREF colour);

// Text cut with "..." to fit `width` (the whole text when it fits).
std::u16string FitWithEllipsis(HDC dc, const std::u16string& text, int width);

}  // namespace platform::controls
