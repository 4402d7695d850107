// Derives the classic one-headword word lists from CC-CEDICT's UTF-8 list:
// cedict.gb (code page 936, simplified headwords) and cedict.b5 (code page
// 950, traditional headwords), CR LF line ends, one header comment line first.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// Characters the code page cannot hold.
struct EncodingLoss {
  long folded = 0;    // accented Latin letters written as their base letter(s)
  long replaced = 0;  // characters written as the replacement mark
  long dropped = 0;   // combining accents left out (their letter stays)
  long lines = 0;     // lines holding any of these
  std::map<char32_t, long> characters;  // each such character and how often
};

struct ClassicList {
  int variant = 0;  // CEDICT_SIMPLIFIED or CEDICT_TRADITIONAL
  unsigned codePage = 0;
  std::string path;
  long lines = 0;      // written, the header included
  long longLines = 0;  // longer than 499 bytes before their CR LF
  EncodingLoss loss;
};

struct DeriveResult {
  long entries = 0;
  long skipped = 0;  // lines that were neither comments, blank nor entries
  ClassicList gb;
  ClassicList b5;
};

// What stands for a character that neither the code page nor the Latin
// folding can write: U+25A1 WHITE SQUARE, the mark Chinese editions use for
// a missing character; it exists in both code pages.
constexpr char32_t kReplacementMark = 0x25A1;

// The ASCII text an accented Latin letter or a few symbols fold to; empty
// when there is none. A combining accent folds to "" with *drop set.
std::string FoldToAscii(char32_t c, bool* drop);

// Encodes one UTF-16 line into the code page, writing unencodable
// characters as FoldToAscii gives them or as kReplacementMark, and counting them.
class ClassicEncoder {
public:
  explicit ClassicEncoder(unsigned codePage);
  ~ClassicEncoder();
  ClassicEncoder(const ClassicEncoder&) = delete;
  ClassicEncoder& operator=(const ClassicEncoder&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<void*>(-1); }
  void Encode(std::u16string_view line, std::string& out, EncodingLoss& loss);

private:
  void* cd_;
  std::string mark_;
};

// Reads source (CC-CEDICT, UTF-8) and writes folder/cedict.gb and
// folder/cedict.b5, each through a temporary file renamed at the end.
// false with a message in *error on failure (no list is then replaced).
bool DeriveClassicLists(const std::string& source, const std::string& folder, DeriveResult* result,
                        std::string* error);
