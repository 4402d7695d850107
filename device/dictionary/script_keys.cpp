#include "device/dictionary/script_keys.h"

#include <cstddef>
#include <cstring>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "device/dictionary/script_convert.h"
#include "device/dictionary/table_file.h"
#include "device/shell/program_folder.h"

namespace {

const char kMagic[8] = {'O', 'R', 'L', 'S', 'K', 'E', 'Y', '1'};
const size_t kPage = 4096;
const size_t kStamps = 15;
// The fewest slots of a direction: its slots fill whole pages.
const uint32_t kFewestSlots = kPage / sizeof(uint32_t);

struct KEYS_DIRECTION {
  uint32_t FirstStamp, StampCount;
  uint32_t MaxKeyUnits;  // no longer text can be a key
  uint32_t SlotCount;    // a power of two
  uint32_t HashPage;     // the page of its slot pages' hashes; the slots follow them
  uint32_t HashPages;
};

struct KEYS_HEADER {
  char Magic[8];
  uint64_t FileBytes;
  KEYS_DIRECTION Directions[2];
  SCRIPT_KEYS_STAMP Stamps[kStamps];
  unsigned char Padding[kPage - 16 - 2 * sizeof(KEYS_DIRECTION) - kStamps * sizeof(SCRIPT_KEYS_STAMP) - 8];
  uint64_t HeaderHash;  // of the page before it
};
static_assert(sizeof(KEYS_HEADER) == kPage, "the header is one page");

uint64_t HeaderHash(const KEYS_HEADER& header) { return XXH3_64bits(&header, offsetof(KEYS_HEADER, HeaderHash)); }

// A key's place and its mark in the slots: the hash of its units, its high half the first
// slot tried, its low half (never 0, which marks an empty slot) what the slot holds.
uint64_t KeyHash(const WCHAR* units, size_t count) { return XXH3_64bits(units, count * sizeof(WCHAR)); }
uint32_t Mark(uint64_t hash) { return (uint32_t)hash ? (uint32_t)hash : 1; }

uint32_t SlotPages(const KEYS_DIRECTION& direction) { return (uint32_t)(direction.SlotCount * sizeof(uint32_t) / kPage); }

// The keys file in use: its header once read and checked, and which directions' stamps hold.
struct KeysFile {
  bool tried = false;
  HANDLE file = INVALID_HANDLE_VALUE;
  KEYS_HEADER header;
  int current[2] = {-1, -1};  // -1 not yet checked, 0 stale, 1 as the stamps say
  std::vector<uint64_t> pageHashes[2];  // of each direction's slot pages, read once
};

KeysFile g_keys;
std::u16string g_path;  // set by tests; empty: beside the program

HANDLE OpenKeys()
{
  WCHAR path[MAX_PATH];
  if (!g_path.empty()) {
    if (g_path.size() >= MAX_PATH) return INVALID_HANDLE_VALUE;
    std::memcpy(path, g_path.c_str(), (g_path.size() + 1) * sizeof(WCHAR));
  } else if (!ProgramFilePath(SCRIPT_KEYS_FILE_NAME, path)) {
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The header, read and checked once: every direction's pages inside the file.
bool Opened()
{
  if (g_keys.tried) return g_keys.file != INVALID_HANDLE_VALUE;
  g_keys.tried = true;
  HANDLE file = OpenKeys();
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0, size = GetFileSize(file, &high);
  KEYS_HEADER& header = g_keys.header;
  bool sound = size != INVALID_FILE_SIZE && high == 0 && size >= kPage && ReadFileAt(file, 0, &header, kPage) &&
               std::memcmp(header.Magic, kMagic, sizeof kMagic) == 0 && header.HeaderHash == HeaderHash(header) &&
               header.FileBytes == size;
  for (const KEYS_DIRECTION& d : header.Directions)
    sound = sound && d.FirstStamp <= kStamps && d.StampCount <= kStamps - d.FirstStamp && d.SlotCount >= kFewestSlots &&
            (d.SlotCount & (d.SlotCount - 1)) == 0 && d.HashPages == (SlotPages(d) * sizeof(uint64_t) + kPage - 1) / kPage &&
            d.HashPage > 0 && (uint64_t)d.HashPage + d.HashPages + SlotPages(d) <= size / kPage;
  if (!sound) {
    CloseHandle(file);
    return false;
  }
  g_keys.file = file;
  return true;
}

// Whether direction's keys were taken from files, and each stands as it did then.
bool Current(int direction)
{
  int& current = g_keys.current[direction];
  if (current < 0) {
    const KEYS_DIRECTION& d = g_keys.header.Directions[direction];
    current = d.StampCount > 0;
    for (uint32_t k = 0; k < d.StampCount && current; k++) {
      SCRIPT_KEYS_STAMP taken = g_keys.header.Stamps[d.FirstStamp + k], now;
      taken.Path[sizeof taken.Path - 1] = 0;
      current = StampScriptKeysSource(taken.Path, &now) && now.Size == taken.Size && now.Hash == taken.Hash;
    }
  }
  return current == 1;
}

// Whether the slots of direction hold key, its hash; -1 when a page cannot be read or does
// not match its hash.
int Holds(int direction, uint64_t key)
{
  const KEYS_DIRECTION& d = g_keys.header.Directions[direction];
  std::vector<uint64_t>& hashes = g_keys.pageHashes[direction];
  if (hashes.empty()) {
    hashes.resize(SlotPages(d));
    if (!ReadFileAt(g_keys.file, d.HashPage * (DWORD)kPage, hashes.data(), hashes.size() * sizeof(uint64_t))) {
      hashes.clear();
      return -1;
    }
  }
  const uint32_t perPage = (uint32_t)(kPage / sizeof(uint32_t)), mark = Mark(key);
  uint32_t slot = (uint32_t)(key >> 32) & (d.SlotCount - 1);
  uint32_t slots[kPage / sizeof(uint32_t)];
  for (uint32_t probed = 0; probed < d.SlotCount;) {
    const uint32_t page = slot / perPage;
    const DWORD at = (d.HashPage + d.HashPages + page) * (DWORD)kPage;
    if (!ReadFileAt(g_keys.file, at, slots, kPage) || XXH3_64bits(slots, kPage) != hashes[page]) return -1;
    for (; probed < d.SlotCount && slot / perPage == page; probed++, slot = (slot + 1) & (d.SlotCount - 1)) {
      if (slots[slot % perPage] == mark) return 1;
      if (slots[slot % perPage] == 0) return 0;
    }
  }
  return 0;
}

}  // namespace

bool StampScriptKeysSource(const std::string& path, SCRIPT_KEYS_STAMP* stamp)
{
  std::memset(stamp, 0, sizeof *stamp);
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, nullptr, 0);
  if (path.size() >= sizeof stamp->Path || units <= 0 || units > MAX_PATH) return false;
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, wide, MAX_PATH);
  HANDLE file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0, size = GetFileSize(file, &high);
  // OpenCC's tables are small (the largest under 1 MB): read through in 16 KiB pieces.
  XXH3_state_t state;
  XXH3_64bits_reset(&state);
  unsigned char piece[16 * 1024];
  bool read = size != INVALID_FILE_SIZE && high == 0;
  for (DWORD at = 0; read && at < size;) {
    DWORD bytes = size - at < sizeof piece ? size - at : (DWORD)sizeof piece;
    read = ReadFileAt(file, at, piece, bytes);
    XXH3_64bits_update(&state, piece, bytes);
    at += bytes;
  }
  CloseHandle(file);
  if (!read) return false;
  stamp->Size = size;
  stamp->Hash = XXH3_64bits_digest(&state);
  path.copy(stamp->Path, sizeof stamp->Path - 1);
  return true;
}

std::vector<unsigned char> ScriptKeysFile(const std::vector<SCRIPT_KEYS_DIRECTION>& directions)
{
  KEYS_HEADER header;
  std::memset(&header, 0, sizeof header);
  std::memcpy(header.Magic, kMagic, sizeof kMagic);
  std::vector<std::vector<uint32_t>> tables;
  uint32_t stamps = 0, page = 1;
  for (size_t k = 0; k < 2 && k < directions.size(); k++) {
    const SCRIPT_KEYS_DIRECTION& made = directions[k];
    KEYS_DIRECTION& d = header.Directions[k];
    if (made.Stamps.size() > kStamps - stamps) return {};
    d.FirstStamp = stamps;
    d.StampCount = (uint32_t)made.Stamps.size();
    for (const SCRIPT_KEYS_STAMP& stamp : made.Stamps) header.Stamps[stamps++] = stamp;
    d.SlotCount = kFewestSlots;
    while (d.SlotCount < 2 * made.Keys.size()) d.SlotCount *= 2;
    std::vector<uint32_t> slots(d.SlotCount, 0);
    for (const std::u16string& key : made.Keys) {
      if (key.size() > d.MaxKeyUnits) d.MaxKeyUnits = (uint32_t)key.size();
      const uint64_t hash = KeyHash(reinterpret_cast<const WCHAR*>(key.data()), key.size());
      uint32_t slot = (uint32_t)(hash >> 32) & (d.SlotCount - 1);
      while (slots[slot] != 0 && slots[slot] != Mark(hash)) slot = (slot + 1) & (d.SlotCount - 1);
      slots[slot] = Mark(hash);
    }
    d.HashPage = page;
    d.HashPages = (uint32_t)((SlotPages(d) * sizeof(uint64_t) + kPage - 1) / kPage);
    page += d.HashPages + SlotPages(d);
    tables.push_back(std::move(slots));
  }
  std::vector<unsigned char> bytes((size_t)page * kPage, 0);
  header.FileBytes = bytes.size();
  header.HeaderHash = HeaderHash(header);
  std::memcpy(bytes.data(), &header, sizeof header);
  for (size_t k = 0; k < tables.size(); k++) {
    const KEYS_DIRECTION& d = header.Directions[k];
    unsigned char* slots = bytes.data() + (size_t)(d.HashPage + d.HashPages) * kPage;
    std::memcpy(slots, tables[k].data(), tables[k].size() * sizeof(uint32_t));
    for (uint32_t p = 0; p < SlotPages(d); p++) {
      const uint64_t hash = XXH3_64bits(slots + (size_t)p * kPage, kPage);
      std::memcpy(bytes.data() + (size_t)d.HashPage * kPage + p * sizeof hash, &hash, sizeof hash);
    }
  }
  return bytes;
}

int ConversionKeepsText(const WCHAR* text, int length, int direction)
{
  if (!text || length < 0 || (direction != SCRIPT_TO_TRADITIONAL && direction != SCRIPT_TO_SIMPLIFIED) || !Opened() ||
      !Current(direction))
    return 0;
  const uint32_t longest = g_keys.header.Directions[direction].MaxKeyUnits;
  for (int from = 0; from < length; from++)
    for (int units = 1; units <= (int)longest && from + units <= length; units++)
      if (Holds(direction, KeyHash(text + from, (size_t)units)) != 0) return 0;
  return 1;
}

void SetScriptKeysFile(const WCHAR* path)
{
  if (g_keys.file != INVALID_HANDLE_VALUE) CloseHandle(g_keys.file);
  g_keys = KeysFile();
  g_path = path ? path : u"";
}
