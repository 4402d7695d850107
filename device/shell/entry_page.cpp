#include "device/shell/entry_page.h"

#include <cstdlib>
#include <vector>

#include "device/definition/entry_parts.h"
#include "device/definition/tone_marks.h"
#include "device/dictionary/database.h"
#include "device/dictionary/script_convert.h"
#include "device/shell/kept_history.h"
#include "device/shell/scroll_page.h"
#include "device/shell/shared_screen.h"
#include "widgets/frame_window.h"

namespace {

const COLORREF kNavy = RGB(0, 0, 128);
const COLORREF kGrey = RGB(128, 128, 128);
const COLORREF kNumberRed = RGB(128, 0, 0);
const COLORREF kSenseBlue = RGB(0, 0, 192);

ScrollPage* g_page = nullptr;
int g_entry = -1;
std::u16string g_text;         // the entry shown, as the table holds it
std::vector<int> g_targets;    // link n opens entry g_targets[n]

std::u16string TableText(int entry) {
  WCHAR* text = nullptr;
  int length = CopyEntryText(entry, &text);
  std::u16string copy = text && length >= 0 ? std::u16string(text, static_cast<size_t>(length)) : u"";
  std::free(text);
  return copy;
}

std::u16string OtherScript(const std::u16string& headword) {
  int direction = CurrentDatabase == 2 ? SCRIPT_TO_SIMPLIFIED : SCRIPT_TO_TRADITIONAL;
  WCHAR out[512];
  int n = ConvertScript(headword.data(), static_cast<int>(headword.size()), direction, out, 512);
  if (n <= 0) return u"";
  std::u16string other(out, static_cast<size_t>(n));
  return other == headword ? u"" : other;
}

void BuildEntry(PageLayout& page) {
  g_targets.clear();
  EntryParts parts = SplitEntry(g_text.data(), static_cast<int>(g_text.size()));
  int left = page.X();
  page.Text(parts.headword, PAGE_HEADWORD, kNavy);
  page.EndLine(2);
  std::u16string other = OtherScript(parts.headword);
  if (!other.empty()) {
    page.Text(CurrentDatabase == 2 ? u"Simplified: " : u"Traditional: ", PAGE_LABEL, kGrey);
    page.Text(other, PAGE_CHINESE_LARGE, kNavy);
    page.EndLine(2);
  }
  if (!parts.pinyin.empty()) {
    page.Text(u"Pronun: ", PAGE_TEXT, kGrey);
    if (ToneColoursOn()) {
      for (const std::u16string& syllable : Syllables(parts.pinyin))
        page.Text((ToneMarksOn() ? MarkSyllable(syllable) : syllable) + u" ", PAGE_BOLD,
                  ToneColour(SyllableTone(syllable), kGrey));
    } else {
      page.Text(ToneMarksOn() ? MarkPinyin(parts.pinyin) : parts.pinyin, PAGE_BOLD, kGrey);
    }
    page.EndLine(6);
  }
  bool marks = ToneMarksOn();
  auto plain = [&](const std::u16string& text) { return marks ? MarkBracketedPinyin(text) : text; };
  int number = 0;
  for (const std::u16string& sense : parts.senses) {
    WCHAR label[8];
    wsprintfW(label, u"%d.", ++number);
    page.Text(label, PAGE_TEXT, kNumberRed);
    page.MoveTo(left + 20);
    page.Indent(left + 20);
    int at = 0;
    for (const CrossReference& ref : FindCrossReferences(sense)) {
      page.Text(plain(sense.substr(static_cast<size_t>(at), static_cast<size_t>(ref.start - at))), PAGE_TEXT,
                kSenseBlue);
      int target = FindEntry(CurrentDatabase == 2 ? ref.traditional : ref.simplified, ref.pinyin);
      std::u16string shown = plain(sense.substr(static_cast<size_t>(ref.start), static_cast<size_t>(ref.end - ref.start)));
      if (target >= 0) {
        page.Text(shown, PAGE_TEXT, kNavy, static_cast<int>(g_targets.size()), true);
        g_targets.push_back(target);
      } else {
        page.Text(shown, PAGE_TEXT, kSenseBlue);
      }
      at = ref.end;
    }
    page.Text(plain(sense.substr(static_cast<size_t>(at))), PAGE_TEXT, kSenseBlue);
    page.EndLine(3);
    page.Indent(left);
  }
}

// A reference followed: the page and the definition panel show that entry, and it joins
// the word history as a chosen row does.
void FollowLink(int link) {
  if (link < 0 || link >= static_cast<int>(g_targets.size()) || !g_page) return;
  int target = g_targets[static_cast<size_t>(link)];
  g_entry = target;
  g_text = TableText(target);
  SelectedEntry = target;
  if (DefinitionFrame) DefinitionFrame->SetState(-1);
  RecordEntry();
  KeepHistory();
  EnableCopyCommands(1);
  g_page->Rebuild();
}

void PageClosed() {
  g_page = nullptr;
  g_entry = -1;
  g_text.clear();
  g_targets.clear();
}

void Open(int entry, const std::u16string& text) {
  if (g_page) g_page->Close();
  g_entry = entry;
  g_text = text;
  g_page = ScrollPage::Open(u"Whole Entry", BuildEntry, FollowLink, nullptr, PageClosed);
}

}  // namespace

void OpenEntryPage(int entry) {
  if (entry < 0 || entry >= EntryTable.Count) return;
  Open(entry, TableText(entry));
}

void OpenEntryPageText(const std::u16string& text) {
  int entry = -1;
  EntryParts parts = SplitEntry(text.data(), static_cast<int>(text.size()));
  if (!parts.headword.empty()) entry = FindEntry(parts.headword, parts.pinyin);
  if (entry >= 0) {
    EntryParts found = SplitEntry(EntryTable.Entries[entry] + 1, EntryTable.Entries[entry][0]);
    if (found.headword != parts.headword) entry = -1;
  }
  Open(entry, entry >= 0 ? TableText(entry) : text);
}

HWND EntryPageWindow() { return g_page ? g_page->window : nullptr; }
int EntryPageEntry() { return g_page ? g_entry : -1; }
int EntryPageScroll() { return g_page ? g_page->scroll : 0; }
int EntryPageHeight() { return g_page ? g_page->contentHeight : 0; }

bool EntryPageLinkPoint(int link, POINT* screenPoint) {
  if (!g_page) return false;
  for (const PageRun& run : g_page->runs) {
    if (run.link != link) continue;
    POINT p{run.x + 3, g_page->view.top + run.y - g_page->scroll + run.height / 2};
    if (p.y < g_page->view.top || p.y >= g_page->view.bottom) return false;
    ClientToScreen(g_page->window, &p);
    *screenPoint = p;
    return true;
  }
  return false;
}
