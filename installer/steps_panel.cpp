#include "installer/steps_panel.h"

#include "device/shell/drawing.h"

// Where the Locate, Process and Transfer buttons' tops fall in the panel.
static const int ButtonTops[3] = {304 - STEPS_PANEL_Y, 390 - STEPS_PANEL_Y, 476 - STEPS_PANEL_Y};

static int StepHeight(HDC dc, const WCHAR* text) {
  RECT r = {20, 0, STEPS_PANEL_WIDTH, 0};
  DrawTextW(dc, text, -1, &r, DT_WORDBREAK | DT_CALCRECT);
  return r.bottom;
}

// Measures the wrapped text first, then draws it; returns its bottom.
static int DrawStep(HDC dc, const WCHAR* text, int top) {
  RECT r = {20, top, STEPS_PANEL_WIDTH, top + StepHeight(dc, text)};
  DrawTextW(dc, text, -1, &r, DT_WORDBREAK);
  return r.bottom;
}

// A step's ">>" points at its button: where the texts wrap into fewer lines than the
// layout was made for, the step moves down (never up) so that its ">>" is not above the
// button and its text does not run under the button before it.
static int StepTop(HDC dc, const WCHAR* text, int top, int button) {
  int lowest = ButtonTops[button] - 9 - StepHeight(dc, text);
  return top > lowest ? top : lowest;
}

static void DrawArrows(HDC dc, int y) { TextOutW(dc, 20, y, u">>", 2); }

void DrawStepsPanel(HDC dc, int tops[4]) {
  FillHatched(dc, 0, 0, STEPS_PANEL_WIDTH, STEPS_PANEL_HEIGHT, 1);
  HFONT font = CreateFontW(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, u"Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 192));
  TextOutW(dc, 0, 0, STEPS_TITLE, lstrlenW(STEPS_TITLE));

  HPEN rule = CreatePen(PS_SOLID, 1, RGB(192, 192, 192));
  HGDIOBJ oldPen = SelectObject(dc, rule);
  MoveToEx(dc, 0, 17, nullptr);
  LineTo(dc, STEPS_PANEL_WIDTH, 17);
  SelectObject(dc, oldPen);
  DeleteObject(rule);

  int top[4];
  top[0] = 30;
  int bottom = DrawStep(dc, STEP_1_TEXT, top[0]);
  top[1] = StepTop(dc, STEP_2_TEXT, bottom + 20, 0);
  bottom = DrawStep(dc, STEP_2_TEXT, top[1]);
  DrawArrows(dc, bottom + 9);
  top[2] = StepTop(dc, STEP_3_TEXT, bottom + 50, 1);
  bottom = DrawStep(dc, STEP_3_TEXT, top[2]);
  DrawArrows(dc, bottom + 9);
  top[3] = StepTop(dc, STEP_4_TEXT, bottom + 50, 2);
  bottom = DrawStep(dc, STEP_4_TEXT, top[3]);
  DrawArrows(dc, bottom + 9);

  SetTextColor(dc, RGB(156, 0, 0));
  for (int i = 0; i < 4; i++) {
    WCHAR number[8];
    int length = wsprintfW(number, u"%d.", i + 1);
    TextOutW(dc, 0, top[i], number, length);
    if (tops) tops[i] = top[i];
  }
  SelectObject(dc, oldFont);
  DeleteObject(font);
}
