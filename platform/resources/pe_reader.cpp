// Reads the resource directory of a PE library (the skin and picture libraries are
// resource-only PE files made by the standard resource tools). Every offset is checked.
#include <cstring>

#include "kernel/module.h"

namespace platform {
namespace {

struct Reader {
  const BYTE* data;
  size_t size;
  bool ok = true;
  DWORD u32(size_t at) {
    if (at > size || size - at < 4) return ok = false, 0;
    DWORD v;
    std::memcpy(&v, data + at, 4);
    return v;
  }
  WORD u16(size_t at) {
    if (at > size || size - at < 2) return ok = false, 0;
    WORD v;
    std::memcpy(&v, data + at, 2);
    return v;
  }
};

struct Section {
  DWORD virtualAddress, virtualSize, rawOffset, rawSize;
};

class ResourceWalker {
 public:
  ResourceWalker(Reader& r, std::vector<Section>& sections, size_t base, DWORD dirSize)
      : r_(r), sections_(sections), base_(base), dirSize_(dirSize) {}

  bool Walk(ResourceSet& out) {
    entries_ = &out;
    return Directory(0, 0, ResourceEntry{});
  }

 private:
  // File offset of an RVA, or SIZE_MAX.
  size_t Offset(DWORD rva, DWORD length) {
    for (const Section& s : sections_) {
      DWORD span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
      if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
        size_t off = static_cast<size_t>(s.rawOffset) + (rva - s.virtualAddress);
        if (rva - s.virtualAddress + static_cast<uint64_t>(length) > s.rawSize) return SIZE_MAX;
        if (off > r_.size || r_.size - off < length) return SIZE_MAX;
        return off;
      }
    }
    return SIZE_MAX;
  }

  bool Id(DWORD field, ResourceId& id) {
    if (!(field & 0x80000000u)) {
      id.numeric = true;
      id.id = static_cast<WORD>(field);
      return true;
    }
    DWORD at = field & 0x7FFFFFFFu;
    if (at >= dirSize_) return false;
    WORD length = r_.u16(base_ + at);
    if (!r_.ok || at + 2 + static_cast<uint64_t>(length) * 2 > dirSize_) return false;
    id.numeric = false;
    id.name.clear();
    for (WORD i = 0; i < length; ++i) {
      char16_t c = r_.u16(base_ + at + 2 + i * 2u);
      id.name += (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    }
    return r_.ok;
  }

  bool Directory(DWORD at, int level, ResourceEntry current) {
    if (level > 2 || at >= dirSize_ || dirSize_ - at < 16) return false;
    WORD named = r_.u16(base_ + at + 12), numbered = r_.u16(base_ + at + 14);
    DWORD count = static_cast<DWORD>(named) + numbered;
    if (!r_.ok || 16 + static_cast<uint64_t>(count) * 8 > dirSize_ - at) return false;
    if (++visited_ > 100000) return false;  // a looping directory
    for (DWORD i = 0; i < count; ++i) {
      size_t entry = base_ + at + 16 + i * 8u;
      DWORD name = r_.u32(entry), target = r_.u32(entry + 4);
      if (!r_.ok) return false;
      ResourceEntry next = current;
      if (level == 0 && !Id(name, next.type)) return false;
      if (level == 1 && !Id(name, next.name)) return false;
      if (level == 2) next.language = static_cast<WORD>(name);
      if (target & 0x80000000u) {
        if (level == 2 || !Directory(target & 0x7FFFFFFFu, level + 1, next)) return false;
      } else {
        if (level != 2 && level != 1) return false;
        if (target >= dirSize_ || dirSize_ - target < 16) return false;
        DWORD rva = r_.u32(base_ + target), size = r_.u32(base_ + target + 4);
        size_t off = Offset(rva, size);
        if (!r_.ok || off == SIZE_MAX) return false;
        next.data = r_.data + off;
        next.size = size;
        entries_->entries.push_back(next);
      }
    }
    return true;
  }

  Reader& r_;
  std::vector<Section>& sections_;
  size_t base_;
  DWORD dirSize_;
  ResourceSet* entries_ = nullptr;
  int visited_ = 0;
};

}  // namespace

bool ParsePeResources(const BYTE* data, size_t size, ResourceSet& out) {
  Reader r{data, size};
  if (size < 64 || data[0] != 'M' || data[1] != 'Z') return false;
  DWORD pe = r.u32(0x3C);
  if (!r.ok || r.u32(pe) != 0x00004550) return false;
  WORD sectionCount = r.u16(pe + 6);
  WORD optionalSize = r.u16(pe + 20);
  size_t optional = pe + 24;
  WORD magic = r.u16(optional);
  size_t directories = magic == 0x20b ? optional + 112 : magic == 0x10b ? optional + 96 : 0;
  if (!r.ok || !directories) return false;
  DWORD directoryCount = r.u32(directories - 4);
  if (directoryCount < 3) return true;  // no resource directory: an empty set
  DWORD resourceRva = r.u32(directories + 16), resourceSize = r.u32(directories + 20);
  std::vector<Section> sections;
  size_t table = optional + optionalSize;
  for (WORD i = 0; i < sectionCount; ++i) {
    size_t s = table + i * 40u;
    sections.push_back({r.u32(s + 12), r.u32(s + 8), r.u32(s + 20), r.u32(s + 16)});
  }
  if (!r.ok) return false;
  if (resourceRva == 0 || resourceSize == 0) return true;
  size_t base = SIZE_MAX;
  for (const Section& s : sections)
    if (resourceRva >= s.virtualAddress && resourceRva - s.virtualAddress < s.rawSize) {
      base = s.rawOffset + (resourceRva - s.virtualAddress);
      DWORD available = s.rawSize - (resourceRva - s.virtualAddress);
      if (resourceSize > available) resourceSize = available;
    }
  if (base == SIZE_MAX || base > size || size - base < resourceSize) return false;
  ResourceWalker walker(r, sections, base, resourceSize);
  ResourceSet parsed;
  if (!walker.Walk(parsed)) return false;
  out = std::move(parsed);
  return true;
}

}  // namespace platform
