#include "device/dictionary/search_driver.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/definition/definition_view.h"
#include "device/definition/tone_marks.h"
#include "device/dictionary/database.h"
#include "device/dictionary/find_entries.h"
#include "device/dictionary/search_engine.h"
#include "device/dictionary/search_text.h"
#include "device/shell/kept_history.h"
#include "device/shell/main_window.h"
#include "device/shell/options.h"
#include "device/shell/search_options.h"
#include "device/shell/services.h"
#include "device/shell/shared_screen.h"
#include "widgets/combo_box.h"
#include "widgets/frame_window.h"
#include "widgets/label.h"
#include "widgets/list_view.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"
#include "widgets/text_button.h"

int* ResultEntries = nullptr;
int ResultEntryCount = 0;

namespace {

ProgressWindow* g_progress = nullptr;
int g_searching = 0;
int g_cancelled = 0;
int g_typed = 0;  // the running search follows typing: no history
int g_capacity = 0;
void (*g_afterSearch)() = nullptr;
int g_toneMarks = 0;  // the references in the rows' definitions, for this search

void AppendResultEntry(int entry) {
  if (ResultEntryCount == g_capacity) {
    int capacity = g_capacity ? g_capacity * 2 : 256;
    auto* grown = static_cast<int*>(std::realloc(ResultEntries, static_cast<size_t>(capacity) * sizeof(int)));
    if (!grown) return;  // the row is still listed; choosing it is refused (see the main window)
    ResultEntries = grown;
    g_capacity = capacity;
  }
  ResultEntries[ResultEntryCount++] = entry;
}

const WCHAR kNoDatabaseLoaded[] =
    u"Neither the Simplified or Traditional CEDICT dictionary databases have been loaded.\n\nPlease see the help "
    u"file for instructions.";

}  // namespace

void ClearResultEntries() {
  std::free(ResultEntries);
  ResultEntries = nullptr;
  ResultEntryCount = 0;
  g_capacity = 0;
}

int SearchRunning() { return g_searching; }

void CancelSearch()
{
  if (!g_searching) return;
  g_cancelled = 1;
  StopFindingEntries();
}

int RunSearchAsTyped()
{
  if (g_searching) return 0;
  g_typed = 1;
  int result = RunSearch();
  g_typed = 0;
  return result;
}
void SetAfterSearch(void (*action)()) { g_afterSearch = action; }

int RunSearch() {
  if (CurrentDatabase == 0) {
    ShowMessageBox(MainWindow, kNoDatabaseLoaded, 1);
    return -1;
  }
  if (g_searching) return 0;  // Enter or a tap queued during a search
  g_searching = 1;
  g_cancelled = 0;
  SearchButton->SetEnabled(0);
  HistoryToNewest();

  g_progress = new ProgressWindow();
  if (!g_progress->Open(MainWindow, u"Searching....", 100)) {
    delete g_progress;
    g_progress = nullptr;
  }

  SelectedEntry = -1;
  ResultList->Clear();
  if (DefinitionFrame) DefinitionFrame->SetState(1);
  EnableCopyCommands(0);
  PumpMessages();

  ResultList->SetRedraw(0);
  ClearResultEntries();

  int length = SearchBox->GetTextLength();
  // Room for whatever GetText may copy, whatever the length field says.
  std::vector<WCHAR> text(static_cast<size_t>(length > 256 ? length : 256) + 1, 0);
  SearchBox->GetText(text.data());
  if (!g_typed) {
    SearchBox->AddToHistory();
    KeepHistory();
  }
  std::vector<WCHAR> query(text);
  TrimQuery(query.data());

  g_toneMarks = ToneMarksOn();
  FindNote note;
  FindEntries(query.data(), MatchCase, MatchWholeWord, PinYinPronunciation, BestMatchesFirst(), CurrentDatabase,
              OnSearchResult, &note);

  if (g_cancelled) {
    // Rows handed on before the cancel belong to a text no longer in the box.
    ResultList->Clear();
    ClearResultEntries();
  }
  PumpMessages();
  ResultList->SetRedraw(1);
  PumpMessages();
  SearchButton->SetEnabled(1);

  WCHAR count[COUNT_TEXT_SIZE];
  if (note.converted && !g_cancelled)
    ConvertedCountText(ResultEntryCount, note.convertedText, count);
  else
    ResultCountText(ResultEntryCount, count);
  SetLabelText(ResultLabel, count);
  // The status beside the count moves when the count grows past it.
  RECT band{0, 164, 240, 182};
  InvalidateRect(MainWindow, &band, TRUE);
  WordText[0] = 0;
  PronunciationText[0] = 0;
  g_searching = 0;
  if (g_afterSearch) {
    void (*action)() = g_afterSearch;
    g_afterSearch = nullptr;
    action();
  }
  return 0;
}

void OnSearchResult(int code, int length, const WCHAR* text) {
  if (code >= 0 && g_cancelled) return;
  if (code == -1) {
    if (g_progress) {
      g_progress->Close();
      delete g_progress;
      g_progress = nullptr;
    }
    return;
  }
  if (code < -1) {
    if (g_progress) g_progress->SetPosition(-code);
    return;
  }
  WCHAR left[ROW_TEXT_SIZE];
  WCHAR right[ROW_TEXT_SIZE];
  HeadwordRowText(text, length, left);
  DefinitionRowText(text, length, right);
  if (g_toneMarks) {
    // Marked pinyin is never longer than its numbered form.
    std::u16string marked = MarkBracketedPinyin(right);
    std::memcpy(right, marked.c_str(), (marked.size() + 1) * sizeof(WCHAR));
  }
  AppendResultEntry(code);
  ResultList->AddRow(left, right, 0);
}

void SwitchDatabase() {
  bool keepChoice = false;
  CheckChineseFont(MainWindow, CurrentDatabase);
  if (CurrentDatabase == 1 || CurrentDatabase == 2) {
    bool gb = CurrentDatabase == 1;
    LoadDictionary(gb ? u"cedict.gb.dat" : u"cedict.b5.dat");
    int status = LoadDictionaryStatus();
    if (status == LOAD_NO_MEMORY) {
      // The file is whole: the choice stays saved for a start with more memory.
      keepChoice = true;
      FreeDictionary();
      CurrentDatabase = 0;
      MarkDatabaseItem(0);
      ShowMessageBox(MainWindow,
                     gb ? u"There is not enough memory to load the Simplified (GB) CEDICT dictionary database.\n\n"
                          u"Please close other programs and try again."
                        : u"There is not enough memory to load the Traditional (Big5) CEDICT dictionary database.\n\n"
                          u"Please close other programs and try again.",
                     1);
    } else if (status != LOAD_OK) {
      // A half-loaded table would give wrong and missing words: drop it and say so.
      FreeDictionary();
      CurrentDatabase = 0;
      MarkDatabaseItem(0);
      ShowMessageBox(MainWindow,
                     gb ? u"The Simplified (GB) CEDICT dictionary database is damaged or can not be read.\n\n"
                          u"Please see the help file for instructions."
                        : u"The Traditional (Big5) CEDICT dictionary database is damaged or can not be read.\n\n"
                          u"Please see the help file for instructions.",
                     1);
    } else {
      MarkDatabaseItem(CurrentDatabase);
    }
  }
  SearchBox->SetCharset(CurrentDatabase);
  SearchBox->SetText(u"");
  SetLabelText(ResultLabel, u"(No search results)");
  if (!keepChoice) SetOption(3, CurrentDatabase);
  InvalidateRect(MainWindow, nullptr, TRUE);
  UpdateWindow(MainWindow);
}
