// The program's own look, drawn on a DC: hatched backgrounds, window frames, skin frames
// with corner pieces from the image library, captions in preset styles, and texts
// shortened with two dots.
#pragma once

#include "platform/windows.h"

// White, ruled with a 1-pixel grey line on every second row from y down to y + height
// (inclusive, so an even height puts the last line just below the filled area).
void FillHatched(HDC dc, int x, int y, int width, int height, int active);

// A dark outer and a white inner line around the window's client area.
void DrawDoubleFrame(HWND window, HDC dc, int active);
// The same frame with any outer colour (the installer's panels use the desktop's grey).
void DrawTwoLineFrame(HWND window, HDC dc, COLORREF outerColour);

// Loads the corner bitmaps 610 (variant 0) and 620 (variant 1) of the image library into
// memory DCs kept for the run. A bitmap that does not load leaves its corners undrawn.
void LoadSkinCorners(HWND window, HMODULE imageLibrary);

// The bevelled frame on (0, 0, width, height) and its four corner pieces.
void DrawSkinFrame(HDC dc, int width, int height, int variant);
void FillSkinFrame(HDC dc, int width, int height, int variant);

// One caption in preset style `style` (0 to 11), `size` pixels high, at (x, y).
void DrawStyledText(HDC dc, int x, int y, const WCHAR* text, int size, int style, int enabled);

// Shortens `text` in place to fit `maxWidth` in the DC's font, ending it with "..";
// 1 when shortened, 0 when left unchanged.
int FitTextWithDots(HDC dc, int maxWidth, WCHAR* text);
