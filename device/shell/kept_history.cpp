#include "device/shell/kept_history.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "device/dictionary/database.h"
#include "device/shell/main_window.h"
#include "device/shell/screen_state.h"
#include "device/shell/settings.h"
#include "device/shell/shared_screen.h"
#include "widgets/combo_box.h"
#include "widgets/item_lists.h"

namespace {

// The entry's headword: its text up to the first space, kept with the index so that a
// database changed under the same name never brings back another word.
std::u16string HeadwordOf(int entry) {
  if (entry < 0 || entry >= EntryTable.Count) return u"";
  const WCHAR* text = EntryTable.Entries[entry] + 1;
  int n = 0;
  while (text[n] && text[n] != u' ' && text[n] != u'#' && n < 32) ++n;
  return std::u16string(text, static_cast<size_t>(n));
}

std::string Utf8(const WCHAR* text, int units) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text, units, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::u16string Utf16(const std::string& text) {
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (units <= 0) return u"";
  std::u16string out(static_cast<size_t>(units), u'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), out.data(), units);
  return out;
}

std::vector<std::string> Split(const char* text, char separator) {
  std::vector<std::string> parts;
  if (!text) return parts;
  std::string part;
  for (const char* p = text;; ++p) {
    if (*p == separator || *p == 0) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
      if (*p == 0) break;
    } else {
      part += *p;
    }
  }
  return parts;
}

std::vector<int> KeptWords() {
  std::vector<int> words;
  const char* database = GetSetting("history.database");
  if (CurrentDatabase == 0 || !database || std::string(database) != std::to_string(CurrentDatabase)) return words;
  for (const std::string& item : Split(GetSetting("history"), ' ')) {
    size_t colon = item.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 9) continue;
    if (item.find_first_not_of("0123456789") != colon) continue;
    int entry = std::atoi(item.substr(0, colon).c_str());
    if (entry >= EntryTable.Count || HeadwordOf(entry) != Utf16(item.substr(colon + 1))) continue;
    if (!words.empty() && words.back() == entry) continue;
    words.push_back(entry);
  }
  if (words.size() > KEPT_HISTORY_ITEMS) words.erase(words.begin(), words.end() - KEPT_HISTORY_ITEMS);
  return words;
}

}  // namespace

int KeepingHistory() {
  const char* value = GetSetting("keep_history");
  return value && value[0] == '1' && value[1] == 0;
}

void SetKeepingHistory(int on) {
  SetSetting("keep_history", on ? "1" : "0");
  if (on) {
    KeepHistory();
    return;
  }
  SetSetting("history.database", nullptr);
  SetSetting("history", nullptr);
  SetSetting("searches", nullptr);
  WriteSettings();
}

void KeepHistory() {
  if (!KeepingHistory()) return;
  std::string words;
  int count = HistoryCount();
  for (int i = count > KEPT_HISTORY_ITEMS ? count - KEPT_HISTORY_ITEMS : 0; i < count; ++i) {
    int entry = HistoryItem(i);
    std::u16string headword = HeadwordOf(entry);
    if (headword.empty()) continue;
    if (!words.empty()) words += ' ';
    words += std::to_string(entry) + ":" + Utf8(headword.c_str(), static_cast<int>(headword.size()));
  }
  SetSetting("history.database", std::to_string(CurrentDatabase).c_str());
  SetSetting("history", words.c_str());

  // Newest first, one tab between them; a search holding a tab or a line break is left out.
  std::string searches;
  int kept = 0;
  TextList* list = SearchBox ? SearchBox->history : nullptr;
  for (int i = 0; list && i < list->count && kept < KEPT_HISTORY_ITEMS; ++i) {
    const WCHAR* item = list->At(i);
    std::string text = Utf8(item, lstrlenW(item));
    if (text.empty() || text.find_first_of("\t\r\n") != std::string::npos) continue;
    if (kept++) searches += '\t';
    searches += text;
  }
  SetSetting("searches", searches.c_str());
  WriteSettings();
}

void RestoreKeptHistory() {
  if (!KeepingHistory()) return;
  std::vector<int> words = KeptWords();
  RestoreHistory(words.data(), static_cast<int>(words.size()));
  if (!SearchBox) return;
  int kept = 0;
  for (const std::string& search : Split(GetSetting("searches"), '\t')) {
    std::u16string text = Utf16(search);
    if (text.empty() || text.size() >= 260) continue;
    SearchBox->history->Append(text.c_str());
    if (++kept == KEPT_HISTORY_ITEMS) break;
  }
}
