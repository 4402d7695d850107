#include "device/dictionary/table_packed.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

const char kMagic[8] = {'O', 'R', 'L', 'P', 'A', 'C', 'K', '2'};

struct PACKED_HEADER {
  char Magic[8];
  TABLE_TIE Tie;         // the table it was made from
  uint64_t ArenaUnits;   // the table's entry blocks and slack
  uint64_t Pieces;
  uint64_t MarkBytes;
  uint64_t DirectoryHash;  // of the pieces' sizes
  uint64_t PiecesHash;     // of the pieces, one after another
  uint64_t MarksHash;
  uint64_t HeaderHash;     // of the header before this field
};
static_assert(sizeof(PACKED_HEADER) % 8 == 0, "the directory follows the header aligned");

// A piece's own header: its units, and its patches or kRawPiece when it holds its units as they are.
struct PIECE_HEADER {
  uint32_t Units;
  uint32_t Patches;
};
const uint32_t kRawPiece = PACKED_RAW;

struct PATCH {
  uint16_t At;
  uint16_t Unit;
};

// The packed bytes of a piece are padded to 32 so that they are read 32 at a time, and so that the
// stretches' first patches and the patches after them, and the next piece, stay aligned.
size_t Padded32(size_t bytes) { return (bytes + 31) & ~(size_t)31; }

static_assert(sizeof(PIECE_HEADER) == 8, "PackedPieceMostBytes counts a piece's header as 8 bytes");

// A packed piece's body: its bytes, then for each stretch the number of its patches before it
// (a piece has fewer than 2^14), then the patches.
size_t StretchBytes(size_t units) { return Padded32((units + PACKED_STRETCH_UNITS - 1) / PACKED_STRETCH_UNITS * sizeof(uint16_t)); }
size_t PatchesAt(size_t units) { return Padded32(units) + StretchBytes(units); }

size_t PieceBytes(size_t units, uint32_t patches)
{
  if (patches == kRawPiece) return PackedPieceMostBytes(units);
  return sizeof(PIECE_HEADER) + PatchesAt(units) + patches * sizeof(PATCH);
}

uint64_t HeaderHash(const PACKED_HEADER& header) { return XXH3_64bits(&header, offsetof(PACKED_HEADER, HeaderHash)); }

size_t PieceCount(size_t arenaUnits) { return (arenaUnits + PACKED_PIECE_UNITS - 1) / PACKED_PIECE_UNITS; }
// The units piece k of an arena of arenaUnits packs: PACKED_PIECE_UNITS, the last one what is left.
size_t PieceUnits(size_t arenaUnits, size_t k)
{
  return arenaUnits - k * PACKED_PIECE_UNITS < PACKED_PIECE_UNITS ? arenaUnits - k * PACKED_PIECE_UNITS : PACKED_PIECE_UNITS;
}

// Each byte of bytes as a unit, 32 at a time where there is AVX2.
#if defined(__x86_64__)
__attribute__((target("avx2"))) void WidenAvx2(const uint8_t* bytes, size_t count, WCHAR* out)
{
  size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_cvtepu8_epi16(_mm256_castsi256_si128(v)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 16), _mm256_cvtepu8_epi16(_mm256_extracti128_si256(v, 1)));
  }
  for (; i < count; i++) out[i] = bytes[i];
}
#endif

void Widen(const uint8_t* bytes, size_t count, WCHAR* out)
{
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) {
    WidenAvx2(bytes, count, out);
    return;
  }
#endif
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= count; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#endif
  for (; i < count; i++) out[i] = bytes[i];
}

}  // namespace

bool PackedTablePath(const WCHAR* tablePath, WCHAR packedPath[MAX_PATH])
{
  if (lstrlenW(tablePath) + 8 > MAX_PATH) return false;
  lstrcpyW(packedPath, tablePath);
  lstrcatW(packedPath, u".packed");
  return true;
}

HANDLE OpenPackedTable(const WCHAR* packedPath, const TABLE_VIEW& table, PACKED_VIEW* packed)
{
  HANDLE file = CreateFileW(packedPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  DWORD high = 0;
  const DWORD fileBytes = GetFileSize(file, &high);
  PACKED_HEADER header;
  const size_t pieces = PieceCount(table.ArenaUnits);
  const size_t markBytes = table.FileBytes - table.MarksOffset;
  bool fits = fileBytes != INVALID_FILE_SIZE && high == 0 && fileBytes >= sizeof header &&
              ReadFileAt(file, 0, &header, sizeof header) && memcmp(header.Magic, kMagic, sizeof kMagic) == 0 &&
              header.HeaderHash == HeaderHash(header) && TiedTo(header.Tie, table) &&
              header.ArenaUnits == table.ArenaUnits && header.Pieces == pieces && header.MarkBytes == markBytes &&
              fileBytes - sizeof header >= pieces * sizeof(uint32_t);
  if (fits) {
    packed->PieceBytes.resize(pieces);
    fits = ReadFileAt(file, sizeof header, packed->PieceBytes.data(), pieces * sizeof(uint32_t)) &&
           XXH3_64bits(packed->PieceBytes.data(), pieces * sizeof(uint32_t)) == header.DirectoryHash;
  }
  // Every piece's size possible for its units, and all of them with the marks filling the file.
  uint64_t at = sizeof header + pieces * sizeof(uint32_t);
  for (size_t k = 0; fits && k < pieces; k++) {
    const size_t units = PieceUnits(table.ArenaUnits, k);
    const uint32_t bytes = packed->PieceBytes[k];
    fits = bytes >= PieceBytes(units, 0) && bytes <= PackedPieceMostBytes(units);
    at += bytes;
  }
  if (!fits || at + markBytes != fileBytes) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  packed->PiecesOffset = sizeof header + pieces * sizeof(uint32_t);
  packed->MarksOffset = (size_t)at;
  packed->PiecesHash = header.PiecesHash;
  packed->MarksHash = header.MarksHash;
  return file;
}

bool BeginUnpack(const uint8_t* piece, size_t bytes, size_t units, PACKED_PIECE* state)
{
  PIECE_HEADER header;
  if (bytes < sizeof header) return false;
  memcpy(&header, piece, sizeof header);
  if (header.Units != units || (header.Patches != kRawPiece && header.Patches > units) ||
      PieceBytes(units, header.Patches) != bytes)
    return false;
  *state = PACKED_PIECE{piece + sizeof header, units, header.Patches, 0};
  return true;
}

bool UnpackRange(PACKED_PIECE* piece, size_t from, size_t count, WCHAR* out)
{
  if (from + count > piece->Units) return false;
  if (piece->Patches == kRawPiece) {
    memcpy(out, piece->Body + from * sizeof(WCHAR), count * sizeof(WCHAR));
    return true;
  }
  Widen(piece->Body + from, count, out);
  const PATCH* patches = reinterpret_cast<const PATCH*>(piece->Body + PatchesAt(piece->Units));
  const size_t end = from + count;
  uint32_t k = piece->NextPatch;
  for (; k < piece->Patches && patches[k].At < end; k++) {
    if (patches[k].At < from) return false;
    out[patches[k].At - from] = patches[k].Unit;
  }
  piece->NextPatch = k;
  return true;
}

bool PackedTableInMemory(HANDLE file, const PACKED_VIEW& packed)
{
  const size_t pieces = packed.PieceBytes.size();
  FILE_RANGE ranges[3];
  DWORD count = 0;
  size_t at = packed.PiecesOffset;
  for (size_t k = 0; k < pieces; k++) {
    if (k == 0 || k == pieces / 2 || k + 1 == pieces) ranges[count++] = {at, packed.PieceBytes[k]};
    if (count == 3) break;
    at += packed.PieceBytes[k];
  }
  return FileRangesInMemory(file, ranges, count);
}

bool MapPackedTable(HANDLE file, const PACKED_VIEW& packed, size_t arenaUnits, PACKED_MAP* map)
{
  UnmapPackedTable(map);
  const size_t pieces = packed.PieceBytes.size();
  map->View = MapWholeFile(file, true, true);
  if (!map->View) return false;
  map->ArenaUnits = arenaUnits;
  map->PieceAt.resize(pieces + 1);
  size_t at = packed.PiecesOffset;
  for (size_t k = 0; k < pieces; k++) {
    map->PieceAt[k] = at;
    at += packed.PieceBytes[k];
  }
  map->PieceAt[pieces] = at;
  const bool large = ReadMappedGuarded(
      [](void* context) -> BOOL {
        const PACKED_MAP& m = *static_cast<const PACKED_MAP*>(context);
        return ViewMapsLargePages(m.View, m.PieceAt.back());
      },
      map);
  return (at == packed.MarksOffset && large) || (UnmapPackedTable(map), false);
}

PACKED_MAP::~PACKED_MAP() { UnmapPackedTable(this); }

void UnmapPackedTable(PACKED_MAP* map)
{
  if (map->View) UnmapViewOfFile(map->View);
  map->View = nullptr;
  map->PieceAt.clear();
}

void PrefetchUnitsAt(const PACKED_MAP& map, size_t begin, size_t end, bool patches)
{
  if (begin >= end || end > map.ArenaUnits) return;
  const size_t k = begin / PACKED_PIECE_UNITS, from = begin % PACKED_PIECE_UNITS;
  const uint8_t* piece = map.View + map.PieceAt[k];
  const size_t units = PieceUnits(map.ArenaUnits, k);
  const size_t bytes = map.PieceAt[k + 1] - map.PieceAt[k];
  if (bytes == PackedPieceMostBytes(units)) {
    for (size_t at = from * sizeof(WCHAR); at < (end - begin + from) * sizeof(WCHAR) && at < bytes; at += 64)
      __builtin_prefetch(piece + sizeof(PIECE_HEADER) + at);
    return;
  }
  const uint8_t* body = piece + sizeof(PIECE_HEADER);
  const uint8_t* first = body + Padded32(units) + from / PACKED_STRETCH_UNITS * sizeof(uint16_t);
  if (!patches) {
    for (size_t at = from; at < from + (end - begin) && at < units; at += 64) __builtin_prefetch(body + at);
    __builtin_prefetch(first);
    return;
  }
  uint16_t j;
  memcpy(&j, first, sizeof j);
  if (PatchesAt(units) + (size_t)j * sizeof(PATCH) < bytes) __builtin_prefetch(body + PatchesAt(units) + (size_t)j * sizeof(PATCH));
}

bool UnpackUnitsAt(const PACKED_MAP& map, size_t begin, size_t end, WCHAR* out)
{
  if (begin > end || end > map.ArenaUnits) return false;
  while (begin < end) {
    const size_t k = begin / PACKED_PIECE_UNITS, from = begin % PACKED_PIECE_UNITS;
    const size_t units = PieceUnits(map.ArenaUnits, k);
    const size_t to = end - k * PACKED_PIECE_UNITS < units ? end - k * PACKED_PIECE_UNITS : units;
    const uint8_t* piece = map.View + map.PieceAt[k];
    PIECE_HEADER header;
    memcpy(&header, piece, sizeof header);
    if (header.Units != units || (header.Patches != kRawPiece && header.Patches > units) ||
        PieceBytes(units, header.Patches) != map.PieceAt[k + 1] - map.PieceAt[k])
      return false;
    const uint8_t* body = piece + sizeof header;
    if (header.Patches == kRawPiece) {
      memcpy(out, body + from * sizeof(WCHAR), (to - from) * sizeof(WCHAR));
    } else {
      Widen(body + from, to - from, out);
      // The patches from the first of the stretch that holds from on, up to the first past to.
      uint16_t first;
      memcpy(&first, body + Padded32(units) + from / PACKED_STRETCH_UNITS * sizeof first, sizeof first);
      const PATCH* patches = reinterpret_cast<const PATCH*>(body + PatchesAt(units));
      for (uint32_t j = first; j < header.Patches && patches[j].At < to; j++)
        if (patches[j].At >= from) out[patches[j].At - from] = patches[j].Unit;
    }
    out += to - from;
    begin = k * PACKED_PIECE_UNITS + to;
  }
  return true;
}

namespace {
// The copy is written 2 MiB at a time, on 2 MiB boundaries of the file, so that the page cache
// holds it in pieces as large: reading a file held in 4 KiB pieces costs up to a third more.
const size_t kWriteBytes = (size_t)2 << 20;
// After the bytes waiting to be written, room for one piece packed, its patches apart until it
// is known whether it is kept packed.
const size_t kScratchBytes = PackedPieceMostBytes(PACKED_PIECE_UNITS) + PACKED_PIECE_UNITS * sizeof(PATCH);
}  // namespace

bool PackedWriter::Begin(const WCHAR* packedPath, const TABLE_VIEW& table)
{
  Abandon();
  tie_ = TieOf(table);
  arenaUnits_ = table.ArenaUnits;
  packedUnits_ = 0;
  markBytes_ = 0;
  waiting_ = 0;
  total_ = 0;
  TableHashReset(&marksHash_);
  pieceBytes_.assign(PieceCount(arenaUnits_), 0);
  TableHashReset(&hash_);
  if (!AllocLargeBlock(&out_, kWriteBytes + kScratchBytes) || !BeginFileInPlace(packedPath, &file_)) {
    Abandon();
    return false;
  }
  ok_ = true;
  // The header and the directory come last, when all is known.
  static const uint8_t zeros[4096] = {};
  for (size_t lead = sizeof(PACKED_HEADER) + pieceBytes_.size() * sizeof(uint32_t); ok_ && lead > 0;) {
    const size_t bytes = lead < sizeof zeros ? lead : sizeof zeros;
    Put(zeros, bytes);
    lead -= bytes;
  }
  return ok_;
}

void PackedWriter::Put(const void* data, size_t bytes)
{
  const uint8_t* from = static_cast<const uint8_t*>(data);
  total_ += bytes;
  ok_ = ok_ && total_ < INVALID_FILE_SIZE;  // its reader's offsets are 32 bits
  while (ok_ && bytes > 0) {
    const size_t n = kWriteBytes - waiting_ < bytes ? kWriteBytes - waiting_ : bytes;
    memcpy(static_cast<uint8_t*>(out_.Data) + waiting_, from, n);
    waiting_ += n;
    from += n;
    bytes -= n;
    if (waiting_ == kWriteBytes) Flush();
  }
}

void PackedWriter::Flush()
{
  DWORD written = 0;
  ok_ = ok_ && (waiting_ == 0 || (WriteFile(file_.File, out_.Data, (DWORD)waiting_, &written, nullptr) && written == waiting_));
  waiting_ = 0;
}

bool PackedWriter::Add(const WCHAR* units, size_t count)
{
  for (size_t from = 0; ok_ && from < count; from += PACKED_PIECE_UNITS) {
    const size_t k = packedUnits_ / PACKED_PIECE_UNITS;
    const size_t n = count - from < PACKED_PIECE_UNITS ? count - from : PACKED_PIECE_UNITS;
    if (k >= pieceBytes_.size() || n != PieceUnits(arenaUnits_, k)) {
      ok_ = false;
      break;
    }
    uint8_t* piece = static_cast<uint8_t*>(out_.Data) + kWriteBytes;
    uint8_t* body = piece + sizeof(PIECE_HEADER);
    PATCH* patches = reinterpret_cast<PATCH*>(piece + PackedPieceMostBytes(PACKED_PIECE_UNITS));
    const WCHAR* p = units + from;
    uint32_t patched = 0;
    for (size_t i = 0; i < n; i++) {
      const bool narrow = p[i] < 0x80;
      body[i] = narrow ? (uint8_t)p[i] : 0;
      if (!narrow) patches[patched++] = PATCH{(uint16_t)i, p[i]};
    }
    PIECE_HEADER header{(uint32_t)n, patched};
    if (PieceBytes(n, patched) >= PieceBytes(n, kRawPiece)) {
      header.Patches = kRawPiece;
      memcpy(body, p, n * sizeof(WCHAR));
      memset(body + n * sizeof(WCHAR), 0, Padded32(n * sizeof(WCHAR)) - n * sizeof(WCHAR));
    } else {
      memset(body + n, 0, Padded32(n) - n);
      uint16_t* before = reinterpret_cast<uint16_t*>(body + Padded32(n));
      memset(before, 0, StretchBytes(n));
      for (uint32_t t = 0, j = 0; t * PACKED_STRETCH_UNITS < n; t++) {
        while (j < patched && patches[j].At < t * PACKED_STRETCH_UNITS) j++;
        before[t] = (uint16_t)j;
      }
      memcpy(body + PatchesAt(n), patches, patched * sizeof(PATCH));
    }
    memcpy(piece, &header, sizeof header);
    const size_t bytes = PieceBytes(n, header.Patches);
    TableHashUpdate(&hash_, piece, bytes);
    Put(piece, bytes);
    pieceBytes_[k] = (uint32_t)bytes;
    packedUnits_ += n;
  }
  return ok_;
}

bool PackedWriter::AddMarks(const void* marks, size_t bytes)
{
  ok_ = ok_ && packedUnits_ == arenaUnits_;
  if (bytes) TableHashUpdate(&marksHash_, marks, bytes);
  Put(marks, bytes);
  markBytes_ += bytes;
  return ok_;
}

bool PackedWriter::Finish(size_t markBytes)
{
  if (!ok_ || packedUnits_ != arenaUnits_ || markBytes_ != markBytes) {
    Abandon();
    return false;
  }
  Flush();
  PACKED_HEADER header;
  memset(&header, 0, sizeof header);
  memcpy(header.Magic, kMagic, sizeof kMagic);
  header.Tie = tie_;
  header.ArenaUnits = arenaUnits_;
  header.Pieces = pieceBytes_.size();
  header.MarkBytes = markBytes;
  header.DirectoryHash = XXH3_64bits(pieceBytes_.data(), pieceBytes_.size() * sizeof(uint32_t));
  header.PiecesHash = TableHashDigest(&hash_);
  header.MarksHash = TableHashDigest(&marksHash_);
  header.HeaderHash = HeaderHash(header);
  ok_ = ok_ && WriteFileAt(file_.File, 0, &header, sizeof header) &&
        WriteFileAt(file_.File, sizeof header, pieceBytes_.data(), pieceBytes_.size() * sizeof(uint32_t));
  bool placed = FinishFileInPlace(&file_, ok_);
  Abandon();
  return placed;
}

void PackedWriter::Abandon()
{
  if (file_.File != INVALID_HANDLE_VALUE) FinishFileInPlace(&file_, false);
  FreeLargeBlock(&out_);
  ok_ = false;
}
