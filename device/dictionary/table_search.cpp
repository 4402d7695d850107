#include "device/dictionary/table_search.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/entry_copies.h"
#include "device/dictionary/large_block.h"
#include "device/dictionary/table_file.h"
#include "device/dictionary/table_reader.h"

namespace {

// A huge page: the reading's room and the first copies kept share one.
const size_t kSharedBytes = (size_t)2 << 20;

// A run search over a table read or written piece by piece, keeping a copy of each accepted
// entry's block as its piece goes; the sink hears of them at the end.
class PieceSearch {
 public:
  PieceSearch(const WCHAR* query, int matchCase, int wholeWord, int pinyin, size_t arenaUnits)
      : search_(BeginRunSearch(query, matchCase, wholeWord, pinyin)), kept_(arenaUnits)
  {
  }
  ~PieceSearch() { EndRunSearch(search_, nullptr, 0, nullptr); }
  bool Ready() const { return search_ != nullptr; }
  // Room of the caller's for the first copies kept (EntryCopies::Lend).
  void Lend(void* room, size_t bytes) { kept_.Lend(room, bytes); }

  // False when a copy could not be kept (no memory).
  bool Take(const TABLE_RUN& run)
  {
    int accepted = 0;
    const int* index = SearchRun(search_, run.Blocks, run.Marks, run.First, run.Count, &accepted, run.Narrow, run.NarrowFrom);
    for (size_t k = kept_.Count(); k < (size_t)accepted; k++)
      if (!kept_.Keep(run.Blocks[index[k] - run.First])) return false;
    return true;
  }

  // Hands the results to sink over a table of count entries: 1, or 0 when there were none.
  int Answer(size_t count, ResultSink sink)
  {
    if (kept_.Count() == 0) return 0;
    std::vector<const DictionaryEntry*> blocks(kept_.Count());
    for (size_t r = 0; r < blocks.size(); r++) blocks[r] = kept_.Copy(r);
    EndRunSearch(search_, blocks.data(), (LONG)count, sink);
    search_ = nullptr;
    return 1;
  }

 private:
  RUN_SEARCH* search_;
  EntryCopies kept_;  // room for the whole table's blocks: never more can be accepted
};

// The later forms' calls with firstAlone: each result once, one end after the last form.
ResultSink g_laterSink;
std::vector<uint64_t> g_given;  // a bit per entry

void LaterFormSink(int code, int length, const WCHAR* text)
{
  if (code == -1) return;
  if (code >= 0) {
    uint64_t& word = g_given[(size_t)code / 64];
    const uint64_t bit = (uint64_t)1 << (code % 64);
    if (word & bit) return;
    word |= bit;
  }
  g_laterSink(code, length, text);
}

// One search for each form, each ready (false when one could not be begun: no memory).
bool BeginForms(std::vector<std::unique_ptr<PieceSearch>>* searches, const std::vector<std::u16string>& forms,
                int matchCase, int wholeWord, int pinyin, size_t arenaUnits)
{
  for (const std::u16string& form : forms) {
    searches->push_back(std::make_unique<PieceSearch>(form.c_str(), matchCase, wholeWord, pinyin, arenaUnits));
    if (!searches->back()->Ready()) return false;
  }
  return !searches->empty();
}

// Hands the searches' results to sink over a table of count entries, as
// FindFormsThroughTableFile says; 1 when any was handed on.
int AnswerForms(std::vector<std::unique_ptr<PieceSearch>>& searches, size_t count, ResultSink sink, bool firstAlone)
{
  int found = 0;
  if (!firstAlone) {
    for (auto& search : searches) found |= search->Answer(count, sink);
    return found;
  }
  found = searches[0]->Answer(count, sink);
  if (found || searches.size() == 1) return found;
  g_laterSink = sink;
  g_given.assign(count / 64 + 1, 0);
  for (size_t k = 1; k < searches.size(); k++) found |= searches[k]->Answer(count, LaterFormSink);
  if (found) sink(-1, 0, nullptr);
  return found;
}

}  // namespace

int FindThroughTableFile(const WCHAR* fileName, const WCHAR* query, int matchCase, int wholeWord, int pinyin,
                         void (*onStatus)(int status), ResultSink sink)
{
  return FindFormsThroughTableFile(fileName, {std::u16string(query)}, matchCase, wholeWord, pinyin, onStatus, sink);
}

int FindFormsThroughTableFile(const WCHAR* fileName, const std::vector<std::u16string>& forms, int matchCase,
                              int wholeWord, int pinyin, void (*onStatus)(int status), ResultSink sink, bool firstAlone)
{
  DATABASE_STAMP stamp;
  WCHAR tablePath[MAX_PATH];
  if (forms.empty() || !LocateKeptTable(fileName, &stamp, tablePath)) return -1;
  TABLE_VIEW table;
  HANDLE file = OpenTableView(tablePath, stamp, &table);
  if (file == INVALID_HANDLE_VALUE) return -1;
  // The reading's room, then the first copies of what each search keeps, in one huge page where
  // there were two (the system zeroes each as it is first touched: about 0.1 ms).
  const size_t reading = TableReadingBytes(table), roomBytes = std::max(kSharedBytes, 2 * reading);
  LARGE_BLOCK room = {};
  std::unique_ptr<LARGE_BLOCK, void (*)(LARGE_BLOCK*)> freeRoom(&room, FreeLargeBlock);
  if (!AllocLargeBlock(&room, roomBytes)) {
    CloseHandle(file);
    return -1;
  }
  std::vector<std::unique_ptr<PieceSearch>> searches;
  bool whole = false, packedFailed = true;
  // A packed copy that fails is removed: the searches begin again over the table itself.
  for (int attempt = 0; attempt < 2 && !whole && packedFailed; attempt++) {
    searches.clear();
    bool ready = BeginForms(&searches, forms, matchCase, wholeWord, pinyin, table.ArenaUnits);
    const size_t share = ready ? ((roomBytes - reading) / searches.size()) & ~(size_t)63 : 0;
    for (size_t k = 0; ready && k < searches.size(); k++)
      searches[k]->Lend(static_cast<BYTE*>(room.Data) + reading + k * share, share);
    whole = ready && ReadTableThrough(file, table, pinyin != 0, [&searches](const TABLE_RUN& run) {
              for (auto& search : searches)
                if (!search->Take(run)) return false;
              return true;
            }, tablePath, &packedFailed, room.Data);
    packedFailed = ready && packedFailed;
  }
  CloseHandle(file);
  if (!whole) return -1;
  onStatus(table.Status);
  return AnswerForms(searches, table.Count, sink, firstAlone);
}

int FindWhileKeepingTable(const WCHAR* fileName, const WCHAR* query, int matchCase, int wholeWord, int pinyin,
                          void (*onStatus)(int status), ResultSink sink)
{
  return FindFormsWhileKeepingTable(fileName, {std::u16string(query)}, matchCase, wholeWord, pinyin, onStatus, sink);
}

int FindFormsWhileKeepingTable(const WCHAR* fileName, const std::vector<std::u16string>& forms, int matchCase,
                               int wholeWord, int pinyin, void (*onStatus)(int status), ResultSink sink,
                               bool firstAlone)
{
  DATABASE_STAMP stamp;
  WCHAR tablePath[MAX_PATH];
  if (!LocateKeptTable(fileName, &stamp, tablePath)) return -1;
  // An entry block takes at most three times the units of its line in the database.
  std::vector<std::unique_ptr<PieceSearch>> searches;
  if (!BeginForms(&searches, forms, matchCase, wholeWord, pinyin, 3 * (size_t)stamp.Size / 2 + ENTRY_TABLE_SLACK))
    return -1;
  int status = LOAD_OK;
  LONG count = 0;
  if (KeepDictionaryTable(fileName, &status, [&](const TABLE_RUN& run) {
        count = run.First + run.Count;
        for (auto& search : searches)
          if (!search->Take(run)) return false;
        return true;
      }) <= 0)
    return -1;
  onStatus(status);
  return AnswerForms(searches, (size_t)count, sink, firstAlone);
}
