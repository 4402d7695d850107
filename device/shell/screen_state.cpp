#include "device/shell/screen_state.h"

int CurrentDatabase = 0;
int SelectedEntry = -1;
int MatchWholeWord = 0;
int MatchCase = 0;
int PinYinPronunciation = 0;
int GbFilePresent = 0;
int Big5FilePresent = 0;
