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
};

// Every mapped face, in enumeration order.
const std::vector<MappedFace>& FaceMap();

// The family for a face name as given in a LOGFONTW: the mapped family when the name is in
// the map (case-insensitively), installed and not hidden; otherwise the default family.
std::string FamilyForFaceName(std::u16string_view faceName);
std::string DefaultFamily();
// The family that supplies glyphs a face lacks, chosen by character set.
std::string FallbackFamily(int charSet);

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
