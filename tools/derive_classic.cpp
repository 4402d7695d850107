#include "tools/derive_classic.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <vector>

#include "installer/cedict_source.h"
#include "platform/utf.h"

namespace {

// Base letters of U+00C0..U+017F, U+0180..U+024F and U+1E00..U+1EFF after
// their accents are taken away; '.' where there is none.
const char kLatin1[] =
    "AAAAAA.CEEEEIIII.NOOOOO..UUUUY..aaaaaa.ceeeeiiii.nooooo..uuuuy.y"
    "AaAaAaCcCcCcCcDd..EeEeEeEeEeGgGgGgGgHh..IiIiIiIiI...JjKk.LlLlLl."
    "...NnNnNn...OoOoOo..RrRrRrSsSsSsSsTtTt..UuUuUuUuUuUuWwYyYZzZzZz.";
const char kLatinB[] =
    "................................Oo.............Uu..............."
    ".............AaIiOoUuUuUuUuUu.AaAa....GgKkOoOo..j...Gg..NnAa...."
    "AaAaEeEeIiIiOoOoRrRrUuUuSsTt..Hh......AaEeOoOoOoOoYy............"
    "................";
const char kLatinAdditional[] =
    "AaBbBbBbCcDdDdDdDdDdEeEeEeEeEeFfGgHhHhHhHhHhIiIiKkKkKkLlLlLlLlMm"
    "MmMmNnNnNnNnOoOoOoOoPpPpRrRrRrRrSsSsSsSsSsTtTtTtTtUuUuUuUuUuVvVv"
    "WwWwWwWwWwXxXxYyZzZzZzhtwy......AaAaAaAaAaAaAaAaAaAaAaAaEeEeEeEe"
    "EeEeEeEeIiIiOoOoOoOoOoOoOoOoOoOoOoOoUuUuUuUuUuUuUuYyYyYyYy......";

struct Special {
  char32_t c;
  const char* ascii;
};
const Special kSpecials[] = {
    {0x00A0, " "},  {0x00B2, "2"},  {0x00B3, "3"},  {0x00B9, "1"},  {0x00B4, "'"},
    {0x00B5, "u"},  {0x00BF, "?"},  {0x00C6, "AE"}, {0x00E6, "ae"}, {0x00D8, "O"},
    {0x00F8, "o"},  {0x00D0, "D"},  {0x00F0, "d"},  {0x00DE, "Th"}, {0x00FE, "th"},
    {0x00DF, "ss"}, {0x0110, "D"},  {0x0111, "d"},  {0x0126, "H"},  {0x0127, "h"},
    {0x0131, "i"},  {0x0141, "L"},  {0x0142, "l"},  {0x014A, "Ng"}, {0x014B, "ng"},
    {0x0152, "OE"}, {0x0153, "oe"}, {0x0251, "a"},  {0x2033, "\""}, {0x2036, "\""},
    {0x2044, "/"},  {0x207F, "n"},  {0x2083, "3"},  {0x2264, "<="}, {0x2265, ">="},
};

std::string FromTable(const char* table, size_t size, char32_t first, char32_t c) {
  if (c < first || c - first >= size - 1) return {};
  char base = table[c - first];
  return base == '.' ? std::string() : std::string(1, base);
}

}  // namespace

std::string FoldToAscii(char32_t c, bool* drop) {
  *drop = false;
  if (c >= 0x0300 && c <= 0x036F) {
    *drop = true;
    return {};
  }
  for (const Special& s : kSpecials) {
    if (s.c == c) return s.ascii;
  }
  if (c >= 0xC0 && c <= 0x17F) return FromTable(kLatin1, sizeof(kLatin1), 0xC0, c);
  if (c >= 0x180 && c <= 0x24F) return FromTable(kLatinB, sizeof(kLatinB), 0x180, c);
  if (c >= 0x1E00 && c <= 0x1EFF) return FromTable(kLatinAdditional, sizeof(kLatinAdditional), 0x1E00, c);
  return {};
}

ClassicEncoder::ClassicEncoder(unsigned codePage) {
  cd_ = iconv_open(codePage == 950 ? "CP950" : "CP936", "UTF-16LE");
  if (!ok()) return;
  std::u16string mark(1, static_cast<char16_t>(kReplacementMark));
  EncodingLoss ignored;
  Encode(mark, mark_, ignored);
}

ClassicEncoder::~ClassicEncoder() {
  if (ok()) iconv_close(static_cast<iconv_t>(cd_));
}

void ClassicEncoder::Encode(std::u16string_view line, std::string& out, EncodingLoss& loss) {
  iconv_t cd = static_cast<iconv_t>(cd_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(line.data()));
  size_t inLeft = line.size() * 2;
  bool lost = false;
  char buffer[4096];
  while (inLeft > 0) {
    char* to = buffer;
    size_t toLeft = sizeof(buffer);
    size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
    out.append(buffer, static_cast<size_t>(to - buffer));
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // The unit at in cannot be written: one character, maybe a surrogate pair.
    const char16_t* unit = reinterpret_cast<const char16_t*>(in);
    char32_t c = unit[0];
    size_t units = 1;
    if ((c & 0xFC00) == 0xD800 && inLeft >= 4 && (unit[1] & 0xFC00) == 0xDC00) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit[1] - 0xDC00);
      units = 2;
    }
    in += units * 2;
    inLeft -= units * 2;
    lost = true;
    loss.characters[c]++;
    bool drop = false;
    std::string ascii = FoldToAscii(c, &drop);
    if (drop) {
      loss.dropped++;
    } else if (!ascii.empty()) {
      out += ascii;
      loss.folded++;
    } else {
      out += mark_;
      loss.replaced++;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  if (lost) loss.lines++;
}

namespace {

struct Output {
  ClassicList* list;
  ClassicEncoder encoder;
  std::string temporary;
  std::ofstream file;
  std::string bytes;

  Output(ClassicList* l) : list(l), encoder(l->codePage), temporary(l->path + ".new") {}

  void Line(std::u16string_view text, bool count) {
    bytes.clear();
    if (count) {
      encoder.Encode(text, bytes, list->loss);
    } else {
      EncodingLoss ignored;
      encoder.Encode(text, bytes, ignored);
    }
    if (bytes.size() > 499) list->longLines++;
    bytes += "\r\n";
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    list->lines++;
  }
};

std::string Join(const std::string& folder, const char* name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

bool DeriveClassicLists(const std::string& source, const std::string& folder, DeriveResult* result,
                        std::string* error) {
  *result = DeriveResult();
  result->gb.variant = CEDICT_SIMPLIFIED;
  result->gb.codePage = 936;
  result->gb.path = Join(folder, "cedict.gb");
  result->b5.variant = CEDICT_TRADITIONAL;
  result->b5.codePage = 950;
  result->b5.path = Join(folder, "cedict.b5");

  std::ifstream in(source, std::ios::binary);
  if (!in) {
    *error = "cannot open " + source;
    return false;
  }
  Output outputs[2] = {Output(&result->gb), Output(&result->b5)};
  for (Output& o : outputs) {
    if (!o.encoder.ok()) {
      *error = "this system's iconv has no code page " + std::to_string(o.list->codePage);
      return false;
    }
    o.file.open(o.temporary, std::ios::binary | std::ios::trunc);
    if (!o.file) {
      *error = "cannot write " + o.temporary;
      return false;
    }
  }
  auto removeTemporaries = [&] {
    for (Output& o : outputs) {
      o.file.close();
      std::remove(o.temporary.c_str());
    }
  };

  CedictHeader header{};
  bool headerWritten = false;
  std::string line;
  std::u16string text;
  std::vector<WCHAR> formatted;
  bool first = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    first = false;
    text = platform::Utf16FromUtf8(line);
    CedictEntry entry;
    if (!text.empty() && text[0] == u'#') {
      if (!headerWritten) ReadCedictHeaderLine(text.data(), static_cast<int>(text.size()), &header);
      continue;
    }
    if (!ParseCedictLine(text.data(), static_cast<int>(text.size()), &entry)) {
      if (text.find_first_not_of(u" \t") != std::u16string::npos) result->skipped++;
      continue;
    }
    if (!headerWritten) {
      WCHAR head[256];
      for (Output& o : outputs) {
        int n = FormatCedictHeader(&header, o.list->variant, head, 256);
        o.Line(std::u16string_view(head, static_cast<size_t>(n)), false);
      }
      headerWritten = true;
    }
    formatted.resize(text.size() + 1);
    for (Output& o : outputs) {
      int n = FormatCedictEntry(&entry, o.list->variant, formatted.data(), static_cast<int>(formatted.size()));
      o.Line(std::u16string_view(formatted.data(), static_cast<size_t>(n)), true);
    }
    result->entries++;
  }
  if (in.bad()) {
    removeTemporaries();
    *error = "cannot read " + source;
    return false;
  }
  if (result->entries == 0) {
    removeTemporaries();
    *error = source + " holds no CC-CEDICT entries";
    return false;
  }
  for (Output& o : outputs) {
    o.file.close();
    if (!o.file) {
      removeTemporaries();
      *error = "cannot write " + o.temporary;
      return false;
    }
  }
  for (Output& o : outputs) {
    if (std::rename(o.temporary.c_str(), o.list->path.c_str()) != 0) {
      removeTemporaries();
      *error = "cannot replace " + o.list->path;
      return false;
    }
  }
  return true;
}
