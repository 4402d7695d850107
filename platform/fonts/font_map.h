// The Windows face names the programs ask for, and the installed fonts behind them.
// fontconfig finds the files, but only by exact family: its own substitution would give the
// Chinese names fonts without Chinese glyphs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::fonts {

struct FaceFile {
  std::string path;
  int index = 0;
  bool bold = false;    // the file itself is a bold face
  bool italic = false;  // the file itself is an italic face
};

struct MappedFace {
  std::u16string windowsName;  // as the platform spells it
  std::string family;          // the installed family that stands for it
  std::string latinFamily;     // draws the Latin letters instead, when the family's are ambiguous
  std::string smallFamily;     // draws the glyphs at small sizes, from its embedded bitmaps
};

// Every mapped face, in enumeration order.
const std::vector<MappedFace>& FaceMap();

// The family for a face name as given in a LOGFONTW: the mapped family when the name is in
// the map (case-insensitively), installed and not hidden; otherwise the default family.
std::string FamilyForFaceName(std::u16string_view faceName);
std::string DefaultFamily();
// The families that supply glyphs a face lacks, in order, chosen by character set: the
// Chinese character sets first get the mapped face of that set, so Chinese inside Latin
// text looks like the Chinese around it.
std::vector<std::string> FallbackFamilies(int charSet);

// The family that draws Latin letters and digits for `family` (empty: the family itself).
// The Chinese faces' Latin letters read l as 1.
std::string LatinFamilyFor(const std::string& family);
bool IsLatin(char32_t c);

// Embedded bitmaps are used up to this size: outlines at such sizes fill in.
constexpr int kSmallSizeLimit = 12;
// The family that draws `family`'s glyphs at `em` pixels (empty: the family itself).
std::string SmallFamilyFor(const std::string& family, int em);

// The installed file of `family` closest to the requested style; none when the family is
// not installed.
std::optional<FaceFile> FindFace(const std::string& family, bool bold, bool italic);
bool FamilyInstalled(const std::string& family);
// The face fontconfig offers for plain text when the default family is missing; none when
// it offers none at all (no font installed, or an empty configuration).
std::optional<FaceFile> AnyFace();
// False when no face at all can be found: every text would be blank.
bool TextCanBeDrawn();

void SetHidden(std::u16string_view windowsName, bool hidden);
bool IsHidden(std::u16string_view windowsName);

// Lower-cases ASCII letters, for the platform's case-insensitive face-name matching.
std::u16string FoldCase(std::u16string_view s);

}  // namespace platform::fonts
