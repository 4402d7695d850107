#include "device/shell/word_list_page.h"

#include <string>

#include "device/definition/entry_parts.h"
#include "device/definition/tone_marks.h"
#include "device/shell/entry_page.h"
#include "device/shell/main_window.h"
#include "device/shell/scroll_page.h"
#include "device/shell/word_list.h"
#include "widgets/message_box.h"

namespace {

const COLORREF kNavy = RGB(0, 0, 128);
const COLORREF kGrey = RGB(128, 128, 128);
const COLORREF kBlue = RGB(0, 0, 192);
const size_t kShownUnits = 80;  // of the definitions; the whole entry has the rest

ScrollPage* g_page = nullptr;

void BuildList(PageLayout& page) {
  int left = page.X();
  if (WordCount() == 0) {
    page.Text(u"No words kept yet.", PAGE_TEXT, kBlue);
    page.EndLine(6);
    page.Text(u"Choose a word, then Tasks \u203A Add to Word List. Here a tap on a word shows all of it; "
              u"tap and hold to remove it.",
              PAGE_LABEL, kGrey);
    page.EndLine();
    return;
  }
  bool marks = ToneMarksOn();
  for (int i = 0; i < WordCount(); ++i) {
    std::u16string line = WordAt(i);
    EntryParts parts = SplitEntry(line.data(), static_cast<int>(line.size()));
    page.Text(parts.headword + u" ", PAGE_CHINESE_LARGE, kNavy, i);
    page.Text(marks ? MarkPinyin(parts.pinyin) : parts.pinyin, PAGE_BOLD, kGrey, i);
    page.EndLine(1);
    std::u16string senses;
    for (const std::u16string& sense : parts.senses) senses += (senses.empty() ? u"" : u"; ") + sense;
    if (senses.size() > kShownUnits) senses = senses.substr(0, kShownUnits) + u"\u2026";
    page.Indent(left + 8);
    page.Text(marks ? MarkBracketedPinyin(senses) : senses, PAGE_LABEL, kBlue, i);
    page.EndLine(7);
    page.Indent(left);
  }
}

void OpenWord(int word) { OpenEntryPageText(WordAt(word)); }

void OfferRemoval(int word) {
  std::u16string line = WordAt(word);
  EntryParts parts = SplitEntry(line.data(), static_cast<int>(line.size()));
  std::u16string question = u"Remove " + parts.headword + u" from the word list?";
  if (ShowMessageBox(MainWindow, question.c_str(), 2) != 2) return;
  RemoveWord(word);
  if (g_page) g_page->Rebuild(true);
}

void PageClosed() { g_page = nullptr; }

}  // namespace

void OpenWordListPage() {
  if (g_page) return;
  g_page = ScrollPage::Open(u"Word List", BuildList, OpenWord, OfferRemoval, PageClosed);
}

HWND WordListPageWindow() { return g_page ? g_page->window : nullptr; }

bool WordListPagePoint(int word, POINT* screenPoint) {
  if (!g_page) return false;
  for (const PageRun& run : g_page->runs) {
    if (run.link != word) continue;
    POINT p{run.x + 4, g_page->view.top + run.y - g_page->scroll + run.height / 2};
    if (p.y < g_page->view.top || p.y >= g_page->view.bottom) return false;
    ClientToScreen(g_page->window, &p);
    *screenPoint = p;
    return true;
  }
  return false;
}
