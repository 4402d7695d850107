#include <vector>

#include "device/shell/shared_screen.h"
#include "widgets/frame_window.h"
#include "widgets/picture_button.h"

PictureButtonControl* PreviousButton = nullptr;
PictureButtonControl* NextButton = nullptr;
FrameWindow* DefinitionFrame = nullptr;

namespace {
std::vector<int> g_history;  // grows without limit for the run
int g_cursor = -1;

void Enable(PictureButtonControl* button, int flag) {
  if (button) SetPictureButtonEnabled(button, flag);
}

void Show(int entry) {
  SelectedEntry = entry;
  if (DefinitionFrame) DefinitionFrame->SetState(-1);
}
}  // namespace

int HistoryCount() { return static_cast<int>(g_history.size()); }
int HistoryCursor() { return g_cursor; }
int HistoryItem(int index) {
  return index >= 0 && index < HistoryCount() ? g_history[static_cast<size_t>(index)] : -1;
}

void RecordEntry() {
  if (SelectedEntry == -1) return;
  if (!g_history.empty() && g_history.back() == SelectedEntry) return;
  if (!g_history.empty()) Enable(PreviousButton, 1);
  g_history.push_back(SelectedEntry);
  g_cursor = HistoryCount() - 1;
  Enable(NextButton, 0);
}

void GoBack() {
  if (g_history.empty() || g_cursor <= 0) {
    Enable(PreviousButton, 0);
    return;
  }
  --g_cursor;
  if (g_cursor == 0) Enable(PreviousButton, 0);
  Enable(NextButton, 1);
  Show(g_history[static_cast<size_t>(g_cursor)]);
}

void GoForward() {
  if (g_history.empty() || g_cursor >= HistoryCount() - 1) return;
  ++g_cursor;
  Show(g_history[static_cast<size_t>(g_cursor)]);
  if (g_cursor == HistoryCount() - 1) Enable(NextButton, 0);
  Enable(PreviousButton, 1);
}

void HistoryToNewest() {
  g_cursor = HistoryCount() - 1;
  Enable(NextButton, 0);
  if (HistoryCount() > 0) Enable(PreviousButton, 1);
}

void RestoreHistory(const int* entries, int count) {
  g_history.assign(entries, entries + count);
  HistoryToNewest();
}

void ClearHistory() {
  g_history.clear();
  g_cursor = -1;
  Enable(PreviousButton, 0);
  Enable(NextButton, 0);
}
