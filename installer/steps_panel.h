// The panel with the four numbered step texts, drawn once into an off-screen bitmap.
#pragma once

#include "platform/windows.h"

#define STEPS_PANEL_X 30
#define STEPS_PANEL_Y 138
#define STEPS_PANEL_WIDTH 380
#define STEPS_PANEL_HEIGHT 419

#define STEPS_TITLE u"Steps 1 to 4:"
#define STEP_1_TEXT                                                                          \
  u"Download a dictionary file from the links on the Orlend Software Chinese Language " \
  u"Pocket PC web site, unzip it, and save the file on your hard drive."
#define STEP_2_TEXT u"Locate the downloaded file on your hard drive - click the Locate button:"
#define STEP_3_TEXT u"Process the dictionary file - click the 'Process' button:"
#define STEP_4_TEXT \
  u"Install the processed dictionary file on your Pocket PC device - click the 'Install' button:"

// Draws the panel into dc at (0, 0). tops receives the four steps' top lines (may be null).
void DrawStepsPanel(HDC dc, int tops[4]);
