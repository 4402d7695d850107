#include "device/dictionary/lookup_index.h"

#include "device/dictionary/best_match.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <vector>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "device/dictionary/database.h"
#include "device/dictionary/large_block.h"
#include "device/dictionary/table_file.h"
#include "device/dictionary/table_hash.h"
#include "device/dictionary/table_packed.h"
#include "device/dictionary/table_reader.h"

namespace {

const char kMagic[8] = {'O', 'R', 'L', 'I', 'N', 'D', 'X', '8'};
const size_t kPage = 4096;
const size_t kUnits = 0x10000 - LOOKUP_INDEX_FIRST_UNIT;
// The lists of three-unit pieces are kept by a hash of the piece: pieces that share a list
// lead to more entries, never to fewer.
const size_t kBuckets = (size_t)1 << 16;
// A Latin query is read through the index while its pieces lead to at most one entry in this
// many: each entry read costs about a read call, and a query with more is read through faster
// with the whole table.
const size_t kBroad = 128;
// The same where the entries are unpacked from the table's packed copy, mapped: each costs a
// few misses of the processor's cache, not a call. china's 4,444 entries were found in 4.5 ms
// (processor, whole process) against 5.1 for the whole table read through; chinese's 6,208 and
// person's 8,420 took 0.8 and 1.1 ms longer than the whole table.
const size_t kBroadPacked = 24;
// The largest copy mapped: each huge page of it a lookup touches costs a fault, and its entries
// more misses of the caches as it grows. At ten times the list (a copy of 111 MB), 中国 took
// 9.8 ms through the mapped copy against 5.0 through the table's reads, and china 67 ms
// against 40 for the whole table read through.
const size_t kMostMappedBytes = (size_t)32 << 20;
// However small the table, this many are always read through the index.
const size_t kFewest = 64;

// The most entries a Latin query may lead to and still be read through the index, of a table of
// count entries, with the entries unpacked from the packed copy or read from the table.
size_t MostCandidates(size_t count, bool packed)
{
  return count / (packed ? kBroadPacked : kBroad) + kFewest;
}

// A Latin list says where every this many-th of its entries starts, so that a lookup that
// wants a few entries of a long list decodes the stretches that may hold them, not all of it.
const size_t kSkipEvery = 64;

// The file: this header, a hash of every 4 KiB of the body, then the body: a record of every
// entry block (where it starts in the table's arena, in units, and a hash of it), where each
// unit's postings start (kUnits + 1), then the postings: for each unit, the entries that hold
// it, ascending, each with its block's place and hash, so that a Chinese query reads no record.
// The directory is padded to 8 bytes, this Chinese part to whole pages. Then the Latin part:
// where each bucket's list starts (kBuckets + 1 byte offsets), how many entries each list
// holds (kBuckets), then the lists: for each bucket, the entries whose text holds a piece of
// three units below LOOKUP_INDEX_FIRST_UNIT (case folded) that hashes to it, ascending, each
// written as its distance from the one before less one, seven bits a byte (the high bit set on
// all but the last). Before each list's distances, for its entries kSkipEvery, 2 kSkipEvery
// and so on, a LIST_SKIP: where that entry's distance starts and the entry before it, plus
// one. A lookup checks the header and the body's page hashes, then each page of
// the body as it first reads it, and each entry block it reads against its record or posting:
// not the whole index, nor the pages of the table around the blocks.
struct INDEX_HEADER {
  char Magic[8];
  TABLE_TIE Table;
  uint64_t ArenaUnits;
  uint64_t PostingCount;
  uint64_t LatinBytes;
  uint64_t FileBytes;
  uint64_t ContentHash;  // of the body's page hashes
  uint64_t HeaderHash;   // of the header before this field
};

size_t Pages(uint64_t bytes) { return (size_t)((bytes + kPage - 1) / kPage); }
size_t Padded(size_t bytes) { return (bytes + 7) & ~(size_t)7; }

// Where a Latin list's entry k kSkipEvery starts (k from 1 on): the byte of its distance,
// counted from the list's first distance, and the entry before it plus one, from which that
// distance is counted.
struct LIST_SKIP {
  uint32_t At;
  uint32_t After;
};

// How many skips a list of count entries starts with.
size_t SkipCount(size_t count) { return count > 0 ? (count - 1) / kSkipEvery : 0; }

struct ENTRY_RECORD {
  uint32_t Offset;  // in units from the start of the arena
  uint32_t Hash;    // of the whole block: its length, text and zero
};

// An entry holding a unit, and where its block lies, as its record and the next one's say.
struct POSTING {
  uint32_t Entry;
  uint32_t Offset;
  uint32_t Units;  // of the whole block
  uint32_t Hash;
};

// The records, the directory and the postings, padded to whole pages: the Latin part starts a
// page of its own, so that the index can be made and written one part at a time.
size_t ChineseBytes(size_t count, size_t postings)
{
  return Pages(count * sizeof(ENTRY_RECORD) + Padded((kUnits + 1) * sizeof(uint32_t)) + postings * sizeof(POSTING)) * kPage;
}

size_t BodyBytes(size_t count, size_t postings, size_t latinBytes)
{
  return ChineseBytes(count, postings) + (2 * kBuckets + 1) * sizeof(uint32_t) + latinBytes;
}

size_t IndexBytes(size_t count, size_t postings, size_t latinBytes)
{
  size_t body = BodyBytes(count, postings, latinBytes);
  return sizeof(INDEX_HEADER) + Pages(body) * sizeof(uint64_t) + body;
}

// The bucket of a piece's key: its three units, case folded, the first in the high bits.
uint32_t KeyBucket(uint64_t key) { return (uint32_t)((key * 0x9E3779B97F4A7C15ull) >> 48); }

// The bucket of the piece a b c (each below LOOKUP_INDEX_FIRST_UNIT).
uint32_t PieceBucket(WCHAR a, WCHAR b, WCHAR c)
{
  return KeyBucket((uint64_t)FoldUnit(a) << 32 | (uint64_t)FoldUnit(b) << 16 | (uint64_t)FoldUnit(c));
}

size_t VarintBytes(uint32_t value)
{
  size_t bytes = 1;
  while (value >= 0x80) value >>= 7, bytes++;
  return bytes;
}

BYTE* PutVarint(BYTE* at, uint32_t value)
{
  while (value >= 0x80) *at++ = (BYTE)(value | 0x80), value >>= 7;
  *at++ = (BYTE)value;
  return at;
}

// A bucket's list read entry by entry, ascending; a list that does not decode to entries below
// the table's count, or whose skips lead anywhere but forward, is damaged.
class ListCursor {
 public:
  ListCursor() = default;
  // The list's bytes (its skips, then its distances), its number of entries and the table's.
  ListCursor(const BYTE* bytes, size_t size, size_t entries, size_t count) : count_(count)
  {
    skips_ = SkipCount(entries);
    if (size < skips_ * sizeof(LIST_SKIP)) {
      Damaged();
      return;
    }
    skip_ = bytes;
    bytes_ = bytes + skips_ * sizeof(LIST_SKIP);
    size_ = size - skips_ * sizeof(LIST_SKIP);
  }

  // The next entry, or false at the end of the list or where it is damaged.
  bool Next(uint32_t* entry)
  {
    if (at_ >= size_) return false;
    uint64_t distance = 0;
    for (int shift = 0;; shift += 7) {
      if (at_ >= size_ || shift > 28) return Damaged();
      BYTE b = bytes_[at_++];
      distance |= (uint64_t)(b & 0x7F) << shift;
      if (!(b & 0x80)) break;
    }
    uint64_t next = next_ + distance;
    if (next >= count_) return Damaged();
    *entry = (uint32_t)next;
    next_ = next + 1;
    read_++;
    return true;
  }

  // Passes over entries that are all below wanted without decoding them, as far as the skips
  // allow: the first entry at or above wanted is then at most kSkipEvery entries ahead.
  void Toward(uint32_t wanted)
  {
    size_t from = read_ / kSkipEvery + 1, to = skips_;  // the skips ahead of the cursor
    if (from > to || Skip(from).After > wanted) return;
    while (from < to) {  // the last skip ahead whose entries before it are all below wanted
      size_t middle = (from + to + 1) / 2;
      if (Skip(middle).After <= wanted) {
        from = middle;
      } else {
        to = middle - 1;
      }
    }
    LIST_SKIP skip = Skip(from);
    if (skip.At < at_ || skip.At >= size_ || skip.After < next_ || skip.After > count_) {
      Damaged();
      return;
    }
    at_ = skip.At;
    next_ = skip.After;
    read_ = from * kSkipEvery;
  }

  bool damaged() const { return damaged_; }

 private:
  LIST_SKIP Skip(size_t k) const
  {
    LIST_SKIP skip;
    memcpy(&skip, skip_ + (k - 1) * sizeof skip, sizeof skip);
    return skip;
  }

  bool Damaged()
  {
    damaged_ = true;
    at_ = size_;
    skips_ = 0;
    return false;
  }

  const BYTE* skip_ = nullptr;
  const BYTE* bytes_ = nullptr;
  size_t size_ = 0, count_ = 0, at_ = 0, skips_ = 0;
  size_t read_ = 0;  // entries decoded or passed over
  uint64_t next_ = 0;
  bool damaged_ = false;
};

uint64_t HeaderHash(const INDEX_HEADER& header) { return TableHashOf(&header, offsetof(INDEX_HEADER, HeaderHash)); }

uint32_t BlockHash(const WCHAR* block, size_t units) { return (uint32_t)XXH3_64bits(block, units * sizeof(WCHAR)); }

// The hash of each 4 KiB of bytes (the last piece shorter).
std::vector<uint64_t> PageHashesOf(const BYTE* bytes, size_t size)
{
  std::vector<uint64_t> hashes(Pages(size));
  for (size_t page = 0; page < hashes.size(); page++) {
    size_t at = page * kPage;
    hashes[page] = TableHashOf(bytes + at, size - at < kPage ? size - at : kPage);
  }
  return hashes;
}

// The stamp of the database fileName and the paths of its table and index.
bool Locate(const WCHAR* fileName, DATABASE_STAMP* stamp, WCHAR tablePath[MAX_PATH], WCHAR indexPath[MAX_PATH])
{
  if (!LocateKeptTable(fileName, stamp, tablePath)) return false;
  lstrcpyW(indexPath, tablePath);
  lstrcatW(indexPath, u".index");
  return true;
}

// An index whose header and page hashes were checked. Its body is read from the file as a
// lookup needs it, a few pages at a time, into one block, and each page is checked against its
// hash as it is read: every accessor is false when a page it needs cannot be read or does not
// match. Reading rather than mapping: on this kind of machine each first touch of a mapped
// file's pages costs 25 to 50 µs a fault and about 1 µs a page after it, where a read of a few
// pages costs 2 µs and the copy lands in memory taken in huge pages (computer's lookup touched
// 250 pages of the mapping in 24 faults: 0.9 ms). A file cut short under a lookup fails a read
// instead of faulting the process.
class IndexView {
 public:
  IndexView() = default;
  IndexView(const IndexView&) = delete;  // its lists' room points back at it
  IndexView& operator=(const IndexView&) = delete;
  ~IndexView() { Close(); }

  // Opens the file at indexPath and reads its header, nothing checked yet: false when there is
  // no such file or it is shorter than a header.
  bool OpenFile(const WCHAR* indexPath)
  {
    file_ = CreateFileW(indexPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    fileBytes_ = GetFileSize(file_, &high);
    if (fileBytes_ != INVALID_FILE_SIZE && high == 0 && fileBytes_ >= sizeof header_ &&
        ReadFileAt(file_, 0, &header_, sizeof header_))
      return true;
    Close();
    return false;
  }

  // The file and its header as OpenFile read them, not checked: for a look that only chooses
  // the faster way.
  HANDLE File() const { return file_; }
  const INDEX_HEADER& Header() const { return header_; }

  // Takes the index OpenFile opened when it was made from table and its header and page hashes
  // hold; with whole, every page of its body must match too.
  bool Open(const TABLE_VIEW& table, bool whole)
  {
    const INDEX_HEADER& header = header_;
    const DWORD fileBytes = fileBytes_;
    count_ = table.Count;
    bool sound = file_ != INVALID_HANDLE_VALUE && memcmp(header.Magic, kMagic, sizeof kMagic) == 0 &&
                 header.HeaderHash == HeaderHash(header) && TiedTo(header.Table, table) &&
                 header.ArenaUnits == table.ArenaUnits && header.FileBytes == fileBytes &&
                 header.PostingCount <= fileBytes / sizeof(uint32_t) && header.LatinBytes <= fileBytes &&
                 IndexBytes(count_, (size_t)header.PostingCount, (size_t)header.LatinBytes) == fileBytes;
    if (sound) {
      postingCount_ = (size_t)header.PostingCount;
      latinBytes_ = (size_t)header.LatinBytes;
      bodyBytes_ = BodyBytes(count_, postingCount_, latinBytes_);
      const size_t pages = Pages(bodyBytes_);
      bodyAt_ = sizeof header + pages * sizeof(uint64_t);
      // The page hashes, where each page was read (its place plus one, 0 while unread), the
      // lookup's working memory, then room for every page twice (a range is read again only
      // where it overlaps one read before without lying as it does, at most a page or two each
      // time) and for every entry block of the table once. Only touched as far as it is used;
      // a check of the whole body needs room for one piece of it.
      const size_t hashBytes = pages * sizeof(uint64_t), whereBytes = Pages(pages * sizeof(uint64_t)) * kPage;
      scratchAt_ = Pages(hashBytes) * kPage + whereBytes;
      dataAt_ = scratchAt_ + kScratch;
      storeBytes_ = dataAt_ + (whole ? kWholePiecePages * kPage : 2 * pages * kPage + table.ArenaUnits * sizeof(WCHAR)) + kTail;
      sound = AllocLargeBlock(&store_, storeBytes_) &&
              ReadFileAt(file_, sizeof header, store_.Data, hashBytes) &&
              TableHashOf(store_.Data, hashBytes) == header.ContentHash;
    }
    if (sound) {
      BYTE* store = static_cast<BYTE*>(store_.Data);
      ownHashes_ = reinterpret_cast<const uint64_t*>(store);
      where_ = reinterpret_cast<uint64_t*>(store + Pages(pages() * sizeof(uint64_t)) * kPage);
      memset(where_, 0, pages() * sizeof(uint64_t));
      scratch_.Reset(store, storeBytes_, scratchAt_, kScratch);
      used_ = kept_ = dataAt_;
      directory_ = count_ * sizeof(ENTRY_RECORD);
      postings_ = directory_ + Padded((kUnits + 1) * sizeof(uint32_t));
      latinDirectory_ = ChineseBytes(count_, postingCount_);
      latinCounts_ = latinDirectory_ + (kBuckets + 1) * sizeof(uint32_t);
      latinLists_ = latinCounts_ + kBuckets * sizeof(uint32_t);
      if (whole) sound = Whole();
    }
    if (!sound) Close();
    return sound;
  }

  void Close()
  {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    scratch_.Close();
    FreeLargeBlock(&store_);
  }

  // Where the lookup's lists and vectors live while the view is open: in the store, whose
  // first huge page the page hashes already took, so that they take no fresh small pages
  // (about 12 µs each here; computer's lookup took 15 of them, china's 17 for its results'
  // list alone when it went to the heap). Past its room, the store's room after what is
  // taken; with the store full, the heap.
  std::pmr::memory_resource* Scratch() { return &scratch_; }

  // Room for bytes more in the store (for entry blocks read from the table), or null when
  // there is none left. The store keeps kTail bytes after the last room, which the candidate
  // scan may read past a block's end.
  BYTE* Take(size_t bytes)
  {
    const size_t taken = (bytes + 63) & ~(size_t)63;  // each on a cache line of its own
    if (taken < bytes || taken + kTail > storeBytes_ - used_) return nullptr;
    BYTE* room = static_cast<BYTE*>(store_.Data) + used_;
    used_ += taken;
    return room;
  }

  // How far the store is used, and giving back what was taken after it (blocks that did not
  // check out), to be taken again: never what the lists took, which stays theirs.
  size_t Used() const { return used_; }
  void GiveBack(size_t used) { used_ = std::max(std::min(used, used_), kept_); }

  // Gives back the store's room from used on, with the pages of the body read into it (read
  // again when asked for again): for pages a lookup needs once, such as its candidates'
  // records, so that the blocks read after them take their room.
  void Forget(size_t used)
  {
    GiveBack(used);
    for (size_t page = 0; page < pages(); page++)
      if (where_[page] > used_) where_[page] = 0;
  }

  // The records of entries first to last, or null when they are not all there.
  const ENTRY_RECORD* Records(size_t first, size_t last)
  {
    if (first > last || last >= count_) return nullptr;
    return reinterpret_cast<const ENTRY_RECORD*>(
        Bytes(first * sizeof(ENTRY_RECORD), (last - first + 1) * sizeof(ENTRY_RECORD)));
  }

  // The entries that hold unit, or false when the index says something impossible.
  bool Postings(WCHAR unit, const POSTING** list, size_t* size)
  {
    size_t k = (size_t)unit - LOOKUP_INDEX_FIRST_UNIT;
    uint32_t from, to;
    if (!Read(directory_ + k * sizeof(uint32_t), &from) || !Read(directory_ + (k + 1) * sizeof(uint32_t), &to) ||
        from > to || to > postingCount_)
      return false;
    const BYTE* bytes = Bytes(postings_ + from * sizeof(POSTING), (to - from) * sizeof(POSTING));
    if (!bytes) return false;
    *list = reinterpret_cast<const POSTING*>(bytes);
    *size = to - from;
    for (size_t j = 0; j < *size; j++)
      if ((*list)[j].Entry >= count_ || (j > 0 && (*list)[j].Entry <= (*list)[j - 1].Entry)) return false;
    return true;
  }

  // How many entries a Latin bucket's list holds, or false when the index says something
  // impossible.
  bool LatinCount(uint32_t bucket, uint32_t* count)
  {
    return bucket < kBuckets && Read(latinCounts_ + bucket * sizeof(uint32_t), count) && *count <= count_;
  }

  // The list of a Latin bucket of entries entries (as LatinCount said), or false when the
  // index says something impossible.
  bool LatinList(uint32_t bucket, uint32_t entries, ListCursor* list)
  {
    uint32_t from, to;
    if (bucket >= kBuckets || entries > count_ || !Read(latinDirectory_ + bucket * sizeof(uint32_t), &from) ||
        !Read(latinDirectory_ + (bucket + 1) * sizeof(uint32_t), &to) || from > to || to > latinBytes_)
      return false;
    const BYTE* bytes = Bytes(latinLists_ + from, to - from);
    if (!bytes) return false;
    *list = ListCursor(bytes, to - from, entries, count_);
    return !list->damaged();
  }

 private:
  size_t pages() const { return Pages(bodyBytes_); }

  template <class T>
  bool Read(size_t at, T* value)
  {
    const BYTE* bytes = Bytes(at, sizeof *value);
    if (!bytes) return false;
    memcpy(value, bytes, sizeof *value);
    return true;
  }

  // The body's bytes [at, at + bytes), read in one piece with the pages they lie on and checked,
  // or as they were read before when they were read together; null when they do not lie inside
  // the body, cannot be read or a page does not match its hash.
  const BYTE* Bytes(size_t at, size_t bytes)
  {
    BYTE* store = static_cast<BYTE*>(store_.Data);
    if (at > bodyBytes_ || bytes > bodyBytes_ - at) return nullptr;
    if (bytes == 0) return store + dataAt_;
    const size_t first = at / kPage, last = (at + bytes - 1) / kPage;
    bool together = where_[first] != 0;
    for (size_t page = first + 1; together && page <= last; page++)
      together = where_[page] == where_[first] + (page - first) * kPage;
    if (together) return store + where_[first] - 1 + at % kPage;
    if ((last - first + 1) * kPage > storeBytes_ - used_) return nullptr;
    BYTE* piece = store + used_;
    if (!ReadPages(first, last, piece)) return nullptr;
    for (size_t page = first; page <= last; page++) where_[page] = used_ + (page - first) * kPage + 1;
    used_ += (last - first + 1) * kPage;
    return piece + at % kPage;
  }

  // Reads the body's pages first to last into piece, in one call; false when they cannot be
  // read or one does not match its hash.
  bool ReadPages(size_t first, size_t last, BYTE* piece)
  {
    const size_t from = first * kPage, to = last + 1 < pages() ? (last + 1) * kPage : bodyBytes_;
    if (!ReadFileAt(file_, (DWORD)(bodyAt_ + from), piece, to - from)) return false;
    for (size_t page = first; page <= last; page++)
      if (TableHashOf(piece + (page - first) * kPage, page == last ? to - page * kPage : kPage) != ownHashes_[page])
        return false;
    return true;
  }

  // Whether every page of the body matches its hash: read through a piece at a time into the
  // room the pages would take, which is then left as it was.
  bool Whole()
  {
    BYTE* piece = static_cast<BYTE*>(store_.Data) + used_;
    for (size_t first = 0; first < pages(); first += kWholePiecePages)
      if (!ReadPages(first, std::min(first + kWholePiecePages, pages()) - 1, piece)) return false;
    return true;
  }

  static constexpr size_t kScratch = 256 << 10;
  static constexpr size_t kTail = ENTRY_TABLE_SLACK * sizeof(WCHAR);
  static constexpr size_t kWholePiecePages = 64;

  HANDLE file_ = INVALID_HANDLE_VALUE;
  DWORD fileBytes_ = 0;
  INDEX_HEADER header_ = {};
  LARGE_BLOCK store_ = {};
  // The lists' memory: the scratch room, bytes at a time, then the store's room (Take), never
  // given back while the view is open; the heap's only when the store is full.
  class ListRoom : public std::pmr::memory_resource {
   public:
    explicit ListRoom(IndexView* view) : view_(view) {}
    // The scratch room of a store of storeBytes at store; a store's room stays known after it
    // is closed, so that what a list took of it is never handed to the heap.
    void Reset(BYTE* store, size_t storeBytes, size_t roomAt, size_t roomBytes)
    {
      store_ = store;
      storeEnd_ = store + storeBytes;
      room_ = store + roomAt;
      left_ = roomBytes;
    }
    void Close() { room_ = nullptr, left_ = 0; }

   private:
    void* do_allocate(size_t bytes, size_t alignment) override
    {
      void* at = room_;
      if (room_ && std::align(alignment, bytes, at, left_)) {
        room_ = static_cast<BYTE*>(at) + bytes;
        left_ -= bytes;
        return at;
      }
      if (alignment <= 64 && view_->store_.Data) {
        if (BYTE* taken = view_->Take(bytes)) {
          view_->kept_ = view_->used_;
          return taken;
        }
      }
      return std::pmr::new_delete_resource()->allocate(bytes, alignment);
    }
    void do_deallocate(void* at, size_t bytes, size_t alignment) override
    {
      const BYTE* p = static_cast<const BYTE*>(at);
      if (!store_ || p < store_ || p >= storeEnd_) std::pmr::new_delete_resource()->deallocate(at, bytes, alignment);
    }
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    IndexView* view_;
    const BYTE *store_ = nullptr, *storeEnd_ = nullptr;
    BYTE* room_ = nullptr;
    size_t left_ = 0;
  };
  ListRoom scratch_{this};
  size_t kept_ = 0;  // how far the lists took the store
  const uint64_t* ownHashes_ = nullptr;
  uint64_t* where_ = nullptr;
  size_t count_ = 0, postingCount_ = 0, latinBytes_ = 0, bodyBytes_ = 0;
  size_t bodyAt_ = 0;                          // where the body starts in the file
  size_t storeBytes_ = 0, scratchAt_ = 0, dataAt_ = 0, used_ = 0;  // the store's size, where its parts start, how far it is used
  size_t directory_ = 0, postings_ = 0, latinDirectory_ = 0, latinCounts_ = 0, latinLists_ = 0;  // where they start in the body
};

// The candidates' entry blocks, read from the table's file into the index's store, and each
// checked: its extent from its record and the next one's, its length and zero in place, its
// hash the record's. Entries a few units apart are read together. Reading, rather than
// mapping, holds only what is read: a mapping of the table counts in the process's resident
// size 2 MiB at a time.
class CandidateReader {
 public:
  CandidateReader(HANDLE file, const TABLE_VIEW& table, IndexView& index) : file_(file), table_(table), index_(index) {}

  struct Extent {
    size_t begin, end;  // in units of the arena
    uint32_t hash;
  };

  // Where the blocks of candidates (entry indices, ascending) lie, from their records and the
  // next ones'; false where a record says something impossible. The records of candidates a
  // few pages apart are read together.
  bool Locate(const std::pmr::vector<int>& candidates, std::pmr::vector<Extent>* extents)
  {
    const size_t perPage = 4096 / sizeof(ENTRY_RECORD), gap = 8 * perPage;
    extents->resize(candidates.size());
    // The records are read once: their room is the blocks' afterwards (china's 900 KB of
    // records would otherwise take a second huge page, zeroed, for its blocks).
    const size_t used = index_.Used();
    for (size_t j = 0; j < candidates.size();) {
      const size_t first = (size_t)candidates[j];
      size_t last = j + 1;
      while (last < candidates.size() && (size_t)candidates[last] - (size_t)candidates[last - 1] <= gap) last++;
      const size_t lastEntry = std::min((size_t)candidates[last - 1] + 1, table_.Count - 1);
      const ENTRY_RECORD* records = index_.Records(first, lastEntry);
      if (!records) return false;
      for (; j < last; j++) {
        const size_t entry = (size_t)candidates[j];
        Extent& extent = (*extents)[j];
        extent.begin = records[entry - first].Offset;
        extent.hash = records[entry - first].Hash;
        extent.end = entry + 1 < table_.Count ? records[entry + 1 - first].Offset : table_.ArenaUnits - ENTRY_TABLE_SLACK;
        if (!Fits(extent)) return false;
      }
    }
    index_.Forget(used);
    return true;
  }

  // An entry's extent as a posting gives it; false when it does not lie inside the blocks.
  bool Place(const POSTING& posting, Extent* extent)
  {
    extent->begin = posting.Offset;
    extent->end = (size_t)posting.Offset + posting.Units;
    extent->hash = posting.Hash;
    return Fits(*extent);
  }

  // Unpacks the blocks at extents (ascending) from the table's packed copy, mapped, into
  // entries; false at the first block that does not unpack or check, or when a page of the copy
  // cannot be read.
  bool Unpack(const PACKED_MAP& packed, const std::pmr::vector<Extent>& extents,
              std::pmr::vector<const DictionaryEntry*>* entries)
  {
    entries->resize(extents.size());
    const size_t used = index_.Used();
    struct Work {
      CandidateReader* reader;
      const PACKED_MAP& packed;
      const std::pmr::vector<Extent>& extents;
      std::pmr::vector<const DictionaryEntry*>& entries;
    } work{this, packed, extents, *entries};
    const bool read = ReadMappedGuarded(
        [](void* context) -> BOOL {
          Work& w = *static_cast<Work*>(context);
          const size_t count = w.extents.size();
          for (size_t j = 0; j < count; j++) {
            // What the blocks a few ahead need asked for early: the loads of one block wait on
            // each other (the place of its first patch, then the patch), those of several need not.
            if (j + 8 < count) PrefetchUnitsAt(w.packed, w.extents[j + 8].begin, w.extents[j + 8].end, false);
            if (j + 4 < count) PrefetchUnitsAt(w.packed, w.extents[j + 4].begin, w.extents[j + 4].end, true);
            const Extent& e = w.extents[j];
            WCHAR* block = reinterpret_cast<WCHAR*>(w.reader->index_.Take((e.end - e.begin) * sizeof(WCHAR)));
            if (!block || !UnpackUnitsAt(w.packed, e.begin, e.end, block) || !Sound(block, e)) return FALSE;
            w.entries[j] = block;
          }
          return TRUE;
        },
        &work);
    if (!read) index_.GiveBack(used);
    return read;
  }

  // Reads the blocks at extents (ascending) into entries; false at the first read or check
  // that fails.
  bool Read(const std::pmr::vector<Extent>& extents, std::pmr::vector<const DictionaryEntry*>* entries)
  {
    const size_t count = extents.size();
    // Units read in between rather than a read more: 8 KiB costs about what a read call does
    // (computer's 700 entries 4.69 -> 4.53 ms against 2 KiB; 32 KiB was slower again).
    const size_t gap = 4096;
    struct Span {
      size_t begin, end, last;  // units of the arena; the extent after its last
    };
    std::pmr::vector<Span> spans(index_.Scratch());
    std::pmr::vector<FILE_RANGE> ranges(index_.Scratch());
    for (size_t j = 0; j < count;) {
      size_t spanBegin = extents[j].begin, spanEnd = extents[j].end, last = j + 1;
      for (; last < count && extents[last].begin >= spanEnd && extents[last].begin - spanEnd <= gap &&
             extents[last].end - spanBegin <= kSpanUnits;
           last++)
        spanEnd = extents[last].end;
      spans.push_back({spanBegin, spanEnd, last});
      ranges.push_back({table_.ArenaOffset + spanBegin * sizeof(WCHAR), (spanEnd - spanBegin) * sizeof(WCHAR)});
      j = last;
    }
    // A table not in memory (the system gives back the page cache of files left alone a
    // while) is read from the disk, where each read waits for its own fetch: 80 µs apiece
    // here, 26 ms for 中's 298 spans. Asked for all at once, the whole lookup of 中 takes
    // about 10 ms instead of 20, computer 12 instead of 29.
    if (spans.size() > 1) PrefetchFileRanges(file_, ranges.data(), (DWORD)ranges.size());
    // Then read in one call, which submits many spans at a time: a read call each cost about
    // 2 µs here (computer's 490 spans: its lookup 4.32 -> 3.80 ms processor).
    entries->resize(count);
    std::pmr::vector<void*> into(spans.size(), index_.Scratch());
    for (size_t k = 0; k < spans.size(); k++)
      if (!(into[k] = index_.Take((spans[k].end - spans[k].begin) * sizeof(WCHAR)))) return false;
    if (!ReadFileRanges(file_, ranges.data(), into.data(), (DWORD)ranges.size())) return false;
    size_t j = 0;
    for (size_t k = 0; k < spans.size(); k++) {
      const Span& at = spans[k];
      const size_t spanBegin = at.begin, last = at.last;
      const WCHAR* span = static_cast<const WCHAR*>(into[k]);
      for (; j < last; j++) {
        const Extent& e = extents[j];
        const WCHAR* block = span + (e.begin - spanBegin);
        if (!Sound(block, e)) return false;
        (*entries)[j] = block;
      }
    }
    return true;
  }

 private:
  static const size_t kSpanUnits = 32 * 1024;

  // Whether the block read for extent e is the one the index vouches for: its length and zero
  // in place, its hash the record's.
  static bool Sound(const WCHAR* block, const Extent& e)
  {
    size_t length = block[0];
    return length + 2 == e.end - e.begin && block[length + 1] == 0 && BlockHash(block, length + 2) == e.hash;
  }

  bool Fits(const Extent& extent) const
  {
    return extent.begin < extent.end && extent.end - extent.begin >= 2 &&
           extent.end <= table_.ArenaUnits - ENTRY_TABLE_SLACK;
  }

  HANDLE file_;
  const TABLE_VIEW& table_;
  IndexView& index_;
};

// What the search sent, to be handed on only when it found something.
struct Call {
  int code, length;
  const WCHAR* text;
};
std::pmr::vector<Call>* g_calls;

void Record(int code, int length, const WCHAR* text) { g_calls->push_back({code, length, text}); }

// For each place p where a window the search accepts for a Latin query of n units may differ
// from it (none when m is n, else each from m on), the query's three-unit pieces that leave p
// out, the one whose list is shortest (counts) first. False when for some p none is left out,
// or its one piece's list holds more than most entries, or even the shortest of several lists
// more than four times most (lists that long seldom have few entries in common, and reading
// them costs more than a read-through saves).
bool LatinPlaces(const std::vector<uint32_t>& counts, int n, int m, size_t most, std::vector<std::vector<size_t>>* places)
{
  for (int p = m < n ? m : -1; p < n; p++) {
    std::vector<size_t> pieces;
    for (int i = 0; i + 2 < n; i++)
      if (p < i || p > i + 2) pieces.push_back((size_t)i);
    std::sort(pieces.begin(), pieces.end(), [&](size_t a, size_t b) { return counts[a] < counts[b]; });
    if (pieces.empty() || counts[pieces[0]] > (pieces.size() == 1 ? most : 4 * most)) return false;
    places->push_back(pieces);
    if (p < 0) break;
  }
  return true;
}

// How many entries hold each three-unit piece of a Latin query, as the index OpenFile opened
// says, read as it stands (nothing checked: a wrong answer only chooses the slower way) before
// anything else is read or taken for it; false when they cannot be read.
bool LatinPieceCounts(const IndexView& index, const WCHAR* query, int n, std::vector<uint32_t>* counts)
{
  const INDEX_HEADER& header = index.Header();
  counts->assign((size_t)n - 2, 0);
  bool read = memcmp(header.Magic, kMagic, sizeof kMagic) == 0 && header.Table.Count < UINT32_MAX &&
              header.PostingCount < UINT32_MAX;
  if (read) {
    const size_t body = BodyBytes((size_t)header.Table.Count, (size_t)header.PostingCount, 0);
    const uint64_t countsAt = sizeof header + Pages(body + header.LatinBytes) * sizeof(uint64_t) + body -
                              kBuckets * sizeof(uint32_t);
    for (int i = 0; read && i + 2 < n; i++) {
      uint64_t at = countsAt + PieceBucket(query[i], query[i + 1], query[i + 2]) * sizeof(uint32_t);
      read = at < UINT32_MAX && ReadFileAt(index.File(), (DWORD)at, &(*counts)[i], sizeof(uint32_t));
    }
  }
  return read;
}

// Whether a Latin query whose pieces' counts are these is too broad for the index of a table
// of count entries, with the entries unpacked from the packed copy or read from the table.
bool LatinLooksBroad(const std::vector<uint32_t>& counts, size_t count, int n, int m, bool packed)
{
  std::vector<std::vector<size_t>> places;
  return !LatinPlaces(counts, n, m, MostCandidates(count, packed), &places);
}

// The entries that may hold a window the search accepts for the Latin query: a window
// holds the query's first m units exactly and differs from it in one unit after them at most.
// For each place p of that unit (or none, when m is n), the window holds every three-unit piece
// of the query that leaves out p, so the entry is on each of their lists: the shortest list is
// read whole, the others only as far as it reaches, each only to keep what is on it. Ascending;
// false when a list is damaged. broad is set instead when they are more than most, or when
// LatinPlaces finds the lists too long to read.
bool LatinCandidates(IndexView& index, const WCHAR* query, int n, int m, size_t most, std::pmr::vector<int>* candidates,
                     bool* broad)
{
  std::vector<uint32_t> buckets((size_t)n - 2), counts((size_t)n - 2);
  for (int i = 0; i + 2 < n; i++) {
    buckets[i] = PieceBucket(query[i], query[i + 1], query[i + 2]);
    if (!index.LatinCount(buckets[i], &counts[i])) return false;
  }
  std::vector<std::vector<size_t>> places;
  *broad = !LatinPlaces(counts, n, m, most, &places);
  if (*broad) return true;
  std::pmr::vector<uint32_t> found(index.Scratch()), holding(index.Scratch()), kept(index.Scratch());
  for (const std::vector<size_t>& pieces : places) {
    ListCursor list;
    if (!index.LatinList(buckets[pieces[0]], counts[pieces[0]], &list)) return false;
    holding.clear();
    holding.reserve(counts[pieces[0]]);
    for (uint32_t entry; list.Next(&entry);) holding.push_back(entry);
    if (list.damaged() || holding.size() != counts[pieces[0]]) return false;
    for (size_t k = 1; k < pieces.size() && !holding.empty(); k++) {
      if (!index.LatinList(buckets[pieces[k]], counts[pieces[k]], &list)) return false;
      kept.clear();
      uint32_t entry = 0;
      bool more = list.Next(&entry);
      for (uint32_t wanted : holding) {
        if (more && entry < wanted) {
          list.Toward(wanted);
          more = list.Next(&entry);
        }
        while (more && entry < wanted) more = list.Next(&entry);
        if (!more) break;
        if (entry == wanted) kept.push_back(wanted);
      }
      if (list.damaged()) return false;
      holding.swap(kept);
    }
    kept.clear();
    std::set_union(found.begin(), found.end(), holding.begin(), holding.end(), std::back_inserter(kept));
    found.swap(kept);
    if (found.size() > most) {
      *broad = true;
      return true;
    }
  }
  candidates->assign(found.begin(), found.end());
  return true;
}

}  // namespace

int IndexAnswers(const WCHAR* query, int wholeWord)
{
  int n = CandidatesSuffice(query, wholeWord);
  bool chinese = n > 0;
  for (int p = 0; p < n; p++)
    if (query[p] < LOOKUP_INDEX_FIRST_UNIT) chinese = false;
  if (chinese) return INDEX_CHINESE;
  n = QueryUnits(query);
  if (n < 3) return 0;
  for (int p = 0; p < n; p++)
    if (query[p] >= LOOKUP_INDEX_FIRST_UNIT) return 0;
  return INDEX_LATIN;
}

int FindThroughIndex(const WCHAR* fileName, const WCHAR* query, int matchCase, int wholeWord, int headwords,
                     void (*onStatus)(int status), ResultSink sink)
{
  const int kind = IndexAnswers(query, wholeWord);
  if (!kind) return 0;
  int n = kind == INDEX_CHINESE ? CandidatesSuffice(query, wholeWord) : QueryUnits(query);
  DATABASE_STAMP stamp;
  WCHAR tablePath[MAX_PATH], indexPath[MAX_PATH];
  if (!Locate(fileName, &stamp, tablePath, indexPath)) return -1;
  IndexView index;
  if (!index.OpenFile(indexPath)) return -1;
  // The entries come from the table's packed copy when it has a whole one (which the folder
  // tells before anything is read, and its header once the table's is), else from the table.
  WCHAR packedPath[MAX_PATH];
  const bool packable = PackedTablePath(tablePath, packedPath);
  const bool packedThere = packable && GetFileAttributesW(packedPath) != INVALID_FILE_ATTRIBUTES;
  std::vector<uint32_t> pieceCounts;
  const bool weighed = kind == INDEX_LATIN && LatinPieceCounts(index, query, n, &pieceCounts);
  const size_t indexedCount = (size_t)index.Header().Table.Count;
  if (weighed && LatinLooksBroad(pieceCounts, indexedCount, n, ExactLeadingUnits(n, wholeWord), packedThere))
    return INDEX_TOO_BROAD;
  TABLE_VIEW table;
  HANDLE tableFile = OpenTableView(tablePath, stamp, &table);
  if (tableFile == INVALID_HANDLE_VALUE) return -1;
  // The copy is mapped only while the page cache holds it in huge pages, as its writing leaves
  // it. Not held, its faults would each wait on the disk, where the table's reads ask for all
  // they need at once (中 after a pause: 6.3 ms against 12.7 through the mapped copy); held in
  // small pieces (read back in by a reading of the table through after the system gave it back),
  // each entry costs a fault (china 11.5 ms instead of 4.5).
  PACKED_VIEW packedView;
  PACKED_MAP map;
  HANDLE packed = packable ? OpenPackedTable(packedPath, table, &packedView) : INVALID_HANDLE_VALUE;
  if (packed != INVALID_HANDLE_VALUE &&
      !(packedView.MarksOffset <= kMostMappedBytes && PackedTableInMemory(packed, packedView) &&
        MapPackedTable(packed, packedView, table.ArenaUnits, &map))) {
    CloseHandle(packed);
    packed = INVALID_HANDLE_VALUE;
  }
  std::unique_ptr<void, void (*)(void*)> closePacked(packed == INVALID_HANDLE_VALUE ? nullptr : packed,
                                                     [](void* handle) { CloseHandle(handle); });
  // Without it, a Latin query weighed for it is weighed again as the table's reads take it.
  if (weighed && packedThere && packed == INVALID_HANDLE_VALUE &&
      LatinLooksBroad(pieceCounts, indexedCount, n, ExactLeadingUnits(n, wholeWord), false)) {
    CloseHandle(tableFile);
    return INDEX_TOO_BROAD;
  }
  if (!index.Open(table, false)) {
    CloseHandle(tableFile);
    return -1;
  }

  std::pmr::vector<int> candidates(index.Scratch());
  bool sound = true;
  if (kind == INDEX_LATIN) {
    bool broad = false;
    sound = LatinCandidates(index, query, n, ExactLeadingUnits(n, wholeWord),
                            MostCandidates(table.Count, packed != INVALID_HANDLE_VALUE),
                            &candidates, &broad);
    if (sound && broad) {
      CloseHandle(tableFile);
      return INDEX_TOO_BROAD;
    }
  }
  // The entries that hold every unit of a Chinese query: the shortest list, filtered by the others.
  std::vector<WCHAR> units(kind == INDEX_CHINESE ? query : query + n, query + n);
  std::sort(units.begin(), units.end());
  units.erase(std::unique(units.begin(), units.end()), units.end());
  std::vector<const POSTING*> lists(units.size());
  std::vector<size_t> sizes(units.size());
  size_t shortest = 0;
  for (size_t u = 0; sound && u < units.size(); u++) {
    sound = index.Postings(units[u], &lists[u], &sizes[u]);
    if (sound && sizes[u] < sizes[shortest]) shortest = u;
  }
  CandidateReader reader(tableFile, table, index);
  std::pmr::vector<CandidateReader::Extent> extents(index.Scratch());
  if (!units.empty() && sound) {
    // Each page of memory a lookup takes costs more than filling it: no list grows by doubling.
    candidates.reserve(sizes[shortest]);
    extents.reserve(sizes[shortest]);
  }
  const auto before = [](const POSTING& posting, uint32_t entry) { return posting.Entry < entry; };
  for (size_t j = 0; sound && !units.empty() && j < sizes[shortest]; j++) {
    const POSTING& posting = lists[shortest][j];
    bool everywhere = true;
    for (size_t u = 0; everywhere && u < units.size(); u++) {
      if (u == shortest) continue;
      const POSTING* at = std::lower_bound(lists[u], lists[u] + sizes[u], posting.Entry, before);
      everywhere = at < lists[u] + sizes[u] && at->Entry == posting.Entry;
    }
    if (!everywhere) continue;
    candidates.push_back((int)posting.Entry);
    extents.emplace_back();
    sound = reader.Place(posting, &extents.back());
  }
  std::pmr::vector<const DictionaryEntry*> entries(index.Scratch());
  sound = sound && (kind == INDEX_CHINESE || reader.Locate(candidates, &extents));
  // A packed copy whose blocks do not match is removed (the next reading of the table through
  // makes it again), and the table read instead.
  bool unpacked = false;
  if (sound && packed != INVALID_HANDLE_VALUE) {
    unpacked = reader.Unpack(map, extents, &entries);
    if (!unpacked) DeleteFileW(packedPath);
  }
  sound = sound && (unpacked || reader.Read(extents, &entries));
  int results = 0;
  std::pmr::vector<Call> calls(index.Scratch());
  calls.reserve(candidates.size() + 100);  // the results, the progress reports, the end
  g_calls = &calls;
  if (sound) {
    WCHAR copy[MAX_QUERY_UNITS + 1] = {};
    std::copy(query, query + n, copy);
    std::pmr::vector<int> room(3 * candidates.size(), index.Scratch());  // the search's accepted entries
    SearchCandidateEntries(copy, matchCase, wholeWord, candidates.data(), entries.data(), (int)candidates.size(),
                           (LONG)table.Count, Record, room.data());
    for (const Call& call : calls) results += call.code >= 0;
  }
  g_calls = nullptr;
  if (sound && !calls.empty() && headwords && !wholeWord && n == 2 && IsChineseText(query, n)) {
    // Every headword that holds the query is among the candidates: those the search did not
    // accept follow its results (or stand alone when it found none), the ones starting with it
    // first, each group in entry order.
    std::pmr::vector<int> accepted(index.Scratch());
    for (const Call& call : calls)
      if (call.code >= 0) accepted.push_back(call.code);
    std::sort(accepted.begin(), accepted.end());
    const std::u16string asked(query, (size_t)n);
    std::pmr::vector<Call> starting(index.Scratch()), inside(index.Scratch());
    for (size_t k = 0; k < candidates.size(); k++) {
      if (std::binary_search(accepted.begin(), accepted.end(), candidates[k])) continue;
      int holds = HeadwordHolds(entries[k], asked);
      if (holds) (holds == 1 ? starting : inside).push_back({candidates[k], entries[k][0], entries[k] + 1});
    }
    Call end = calls.back();  // the search's end signal stays last
    calls.pop_back();
    calls.insert(calls.end(), starting.begin(), starting.end());
    calls.insert(calls.end(), inside.begin(), inside.end());
    calls.push_back(end);
    results += (int)(starting.size() + inside.size());
  }
  // A query that finds nothing may have its answer (no other form of it is searched): the
  // table's status is told as the read-through tells it.
  if (sound) onStatus(table.Status);
  if (results > 0)
    for (const Call& call : calls) sink(call.code, call.length, call.text);
  CloseHandle(tableFile);
  // A page or entry that does not match: the table or the index is damaged, and made again.
  return !sound ? -1 : results > 0 ? 1 : 0;
}

bool KeepLookupIndex(const WCHAR* fileName)
{
  DATABASE_STAMP stamp;
  WCHAR tablePath[MAX_PATH], indexPath[MAX_PATH];
  if (!Locate(fileName, &stamp, tablePath, indexPath)) return false;
  TABLE_VIEW table;
  HANDLE file = OpenTableView(tablePath, stamp, &table);
  if (file == INVALID_HANDLE_VALUE) return false;
  IndexView existing;
  bool kept = existing.OpenFile(indexPath) && existing.Open(table, true);
  existing.Close();
  if (kept) {
    CloseHandle(file);
    return false;
  }
  // Begun before the work: a folder that cannot be written costs a lookup nothing more.
  FILE_IN_PLACE place;
  if (!BeginFileInPlace(indexPath, &place)) {
    CloseHandle(file);
    return false;
  }

  // Made from the table file read through twice (a mapping of it would hold it all in memory
  // at once): counting, then placing straight into the index's body. Each time it must be the
  // table its header describes, every block in place and every byte as hashed.
  std::vector<uint32_t> directory(kUnits + 1, 0), last(kUnits, 0), next;
  auto eachUnit = [&last](const TABLE_RUN& run, auto&& onUnit) {
    for (int k = 0; k < run.Count; k++) {
      const DictionaryEntry* block = run.Blocks[k];
      const uint32_t mark = (uint32_t)(run.First + k) + 1;  // last[u] is the last entry holding u, plus one
      for (size_t i = 1; i <= block[0]; i++) {
        if (block[i] < LOOKUP_INDEX_FIRST_UNIT) continue;
        size_t u = (size_t)block[i] - LOOKUP_INDEX_FIRST_UNIT;
        if (last[u] == mark) continue;
        last[u] = mark;
        if (!onUnit(u, mark - 1)) return false;
      }
    }
    return true;
  };
  // The Latin lists likewise, a bucket's state kept together: the last entry on its list, plus
  // one, from which the next one's distance is taken; the bytes of its list (while counting)
  // or where its next entry goes (while placing); how many entries it has. Each entry's pieces
  // are taken with a key that rolls along its text.
  struct BUCKET_STATE {
    uint32_t previous, bytes, count;
  };
  std::vector<BUCKET_STATE> buckets(kBuckets, BUCKET_STATE{0, 0, 0});
  std::vector<uint32_t> latin(kBuckets + 1, 0);  // where each bucket's list starts, then their end
  auto eachPiece = [&buckets](const TABLE_RUN& run, auto&& onPiece) {
    for (int k = 0; k < run.Count; k++) {
      const DictionaryEntry* block = run.Blocks[k];
      const uint32_t entry = (uint32_t)(run.First + k);
      const WCHAR* text = block + 1;
      uint64_t key = 0;
      int units = 0;  // the units below the Chinese range the key holds, up to three
      for (size_t i = 0; i < block[0]; i++) {
        if (text[i] >= LOOKUP_INDEX_FIRST_UNIT) {
          units = 0;
          continue;
        }
        key = (key << 16 | FoldUnit(text[i])) & 0xFFFFFFFFFFFFull;
        if (units < 3 && ++units < 3) continue;
        const uint32_t bucket = KeyBucket(key);
        BUCKET_STATE& state = buckets[bucket];
        if (state.previous == entry + 1) continue;
        if (!onPiece(state, bucket, entry - state.previous)) return false;
        state.previous = entry + 1;
      }
    }
    return true;
  };
  bool read = ReadTableThrough(file, table, false, [&](const TABLE_RUN& run) {
    return eachUnit(run,
                    [&directory](size_t u, uint32_t) {
                      directory[u + 1]++;
                      return true;
                    }) &&
           eachPiece(run, [](BUCKET_STATE& state, uint32_t, uint32_t distance) {
             state.bytes += (uint32_t)VarintBytes(distance);
             state.count++;
             return true;
           });
  }, tablePath);
  // The two parts are made and written one after the other, each from a reading of its own:
  // the first lookup of a new database, which makes the index, holds one part at a time.
  // Each list: its skips, then its distances.
  uint64_t latinBytes = 0;
  for (size_t b = 0; b < kBuckets; b++) {
    latinBytes += SkipCount(buckets[b].count) * sizeof(LIST_SKIP) + buckets[b].bytes;
    latin[b + 1] = (uint32_t)latinBytes;  // used only when all of them fit, below
  }
  read = read && latinBytes < UINT32_MAX;  // the lists' offsets are 32 bits
  for (size_t u = 0; read && u < kUnits; u++) directory[u + 1] += directory[u];
  const size_t postingCount = directory[kUnits];
  const size_t chineseBytes = ChineseBytes(table.Count, postingCount);
  const size_t bodyBytes = BodyBytes(table.Count, postingCount, latinBytes);
  const size_t bodyAt = sizeof(INDEX_HEADER) + Pages(bodyBytes) * sizeof(uint64_t);
  std::vector<uint64_t> ownHashes;
  LARGE_BLOCK part = {};
  if (read && AllocLargeBlock(&part, chineseBytes)) {
    BYTE* bytes = static_cast<BYTE*>(part.Data);
    const size_t directoryAt = table.Count * sizeof(ENTRY_RECORD), directoryBytes = directory.size() * sizeof(uint32_t);
    ENTRY_RECORD* records = reinterpret_cast<ENTRY_RECORD*>(bytes);
    memcpy(bytes + directoryAt, directory.data(), directoryBytes);
    POSTING* postings = reinterpret_cast<POSTING*>(bytes + directoryAt + Padded(directoryBytes));
    const size_t used = directoryAt + Padded(directoryBytes) + postingCount * sizeof(POSTING);
    memset(bytes + directoryAt + directoryBytes, 0, Padded(directoryBytes) - directoryBytes);
    memset(bytes + used, 0, chineseBytes - used);
    next.assign(directory.begin(), directory.end() - 1);
    std::fill(last.begin(), last.end(), 0);
    read = ReadTableThrough(file, table, false, [&](const TABLE_RUN& run) {
      for (int k = 0; k < run.Count; k++) {
        const DictionaryEntry* block = run.Blocks[k];
        records[run.First + k] = {(uint32_t)(run.FirstUnit + (size_t)(block - run.Blocks[0])),
                                  BlockHash(block, (size_t)block[0] + 2)};
      }
      // A table changed since it was counted stops here rather than overrun a list.
      return eachUnit(run, [&](size_t u, uint32_t entry) {
        if (next[u] >= directory[u + 1]) return false;
        const DictionaryEntry* block = run.Blocks[entry - run.First];
        postings[next[u]++] = {entry, records[entry].Offset, (uint32_t)block[0] + 2, records[entry].Hash};
        return true;
      });
    }, tablePath);
    read = read && WriteFileAt(place.File, (DWORD)bodyAt, bytes, chineseBytes);
    if (read) ownHashes = PageHashesOf(bytes, chineseBytes);
  } else {
    read = false;
  }
  FreeLargeBlock(&part);
  if (read && AllocLargeBlock(&part, bodyBytes - chineseBytes)) {
    BYTE* latinAt = static_cast<BYTE*>(part.Data);
    memcpy(latinAt, latin.data(), latin.size() * sizeof(uint32_t));
    uint32_t* counts = reinterpret_cast<uint32_t*>(latinAt + latin.size() * sizeof(uint32_t));
    for (size_t b = 0; b < kBuckets; b++) {
      counts[b] = buckets[b].count;
      buckets[b] = BUCKET_STATE{0, latin[b] + (uint32_t)(SkipCount(counts[b]) * sizeof(LIST_SKIP)), 0};
    }
    BYTE* lists = latinAt + (latin.size() + kBuckets) * sizeof(uint32_t);
    read = ReadTableThrough(file, table, false, [&](const TABLE_RUN& run) {
      return eachPiece(run, [&](BUCKET_STATE& state, uint32_t bucket, uint32_t distance) {
        if (state.bytes + VarintBytes(distance) > latin[bucket + 1]) return false;
        if (state.count % kSkipEvery == 0 && state.count > 0) {
          const size_t skips = SkipCount(counts[bucket]), k = state.count / kSkipEvery;
          if (k > skips) return false;
          const LIST_SKIP skip = {state.bytes - latin[bucket] - (uint32_t)(skips * sizeof skip), state.previous};
          memcpy(lists + latin[bucket] + (k - 1) * sizeof skip, &skip, sizeof skip);
        }
        state.bytes = (uint32_t)(PutVarint(lists + state.bytes, distance) - lists);
        state.count++;
        return true;
      });
    }, tablePath);
    read = read && WriteFileAt(place.File, (DWORD)(bodyAt + chineseBytes), latinAt, bodyBytes - chineseBytes);
    if (read) {
      std::vector<uint64_t> latinHashes = PageHashesOf(latinAt, bodyBytes - chineseBytes);
      ownHashes.insert(ownHashes.end(), latinHashes.begin(), latinHashes.end());
    }
  } else {
    read = false;
  }
  FreeLargeBlock(&part);
  CloseHandle(file);

  INDEX_HEADER header;
  memset(&header, 0, sizeof header);
  memcpy(header.Magic, kMagic, sizeof kMagic);
  header.Table = TieOf(table);
  header.ArenaUnits = table.ArenaUnits;
  header.PostingCount = postingCount;
  header.LatinBytes = latinBytes;
  header.FileBytes = IndexBytes(table.Count, postingCount, latinBytes);
  header.ContentHash = TableHashOf(ownHashes.data(), ownHashes.size() * sizeof(uint64_t));
  header.HeaderHash = HeaderHash(header);
  read = read && ownHashes.size() == Pages(bodyBytes) && WriteFileAt(place.File, 0, &header, sizeof header) &&
         WriteFileAt(place.File, sizeof header, ownHashes.data(), ownHashes.size() * sizeof(uint64_t));
  return FinishFileInPlace(&place, read);
}
