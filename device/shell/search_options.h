// The learner's search options of the Options menu, kept in the settings file (off when
// absent, so a program never told otherwise searches as it always did).
#pragma once

// Best matches first: the best-match order of the results (device/dictionary/best_match.h).
int BestMatchesFirst();
void SetBestMatchesFirst(int on);

// Search as you type: the list follows the search box after a pause in typing.
int SearchAsYouType();
void SetSearchAsYouType(int on);
