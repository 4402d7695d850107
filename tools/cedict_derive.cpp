// cedict-derive SOURCE [FOLDER]: writes FOLDER/cedict.gb and FOLDER/cedict.b5
// (default: SOURCE's folder) from CC-CEDICT's UTF-8 list and reports what
// could not be encoded.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/command_line.h"
#include "tools/derive_classic.h"

static std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

static void Report(const ClassicList& list, bool listCharacters) {
  const EncodingLoss& loss = list.loss;
  std::printf("%s: %ld lines (header + entries), code page %u\n", list.path.c_str(), list.lines,
              list.codePage);
  std::printf("  lines holding characters outside the code page: %ld (%zu distinct characters)\n",
              loss.lines, loss.characters.size());
  std::printf("    %ld accented Latin letters or symbols written in ASCII (o for \xC3\xB6, ...)\n", loss.folded);
  std::printf("    %ld combining accents left out\n", loss.dropped);
  std::printf("    %ld other characters written as \xE2\x96\xA1 (U+25A1)\n", loss.replaced);
  std::printf("  lines longer than 499 bytes: %ld\n", list.longLines);
  if (listCharacters) {
    std::printf("  characters:");
    for (const auto& [c, n] : loss.characters) std::printf(" %s(U+%04X)x%ld", Utf8(c).c_str(), (unsigned)c, n);
    std::printf("\n");
  }
}

int main(int argc, char** argv) {
  enum { kList = 1 };
  static const cli::Program program = {
      "cedict-derive",
      {"[--list] SOURCE [FOLDER]"},
      "Derives the classic word lists from CC-CEDICT's UTF-8 list SOURCE (cedict_ts.u8):\n"
      "FOLDER/cedict.gb (Simplified, GB) and FOLDER/cedict.b5 (Traditional, Big5), with\n"
      "CR LF line ends and one header line. FOLDER defaults to SOURCE's folder. Reports how\n"
      "many characters could not be encoded.",
      {{"Options:", {{"list", 'l', nullptr, "also list each character that could not be encoded", kList}}}},
      "SOURCE",
      "Exit status: 0 on success, 1 when the lists could not be made, 2 on a usage error."};
  cli::Parsed parsed;
  cli::Outcome outcome = cli::Parse(program, argc, argv, &parsed);
  if (outcome != cli::kRun) return outcome == cli::kExitOk ? 0 : 2;
  if (parsed.operands.empty() || parsed.operands.size() > 2 || parsed.operands[0].empty())
    return cli::UsageError(program, "give the word list SOURCE and at most one FOLDER");
  bool listCharacters = parsed.Has(kList);
  std::string source = parsed.operands[0];
  std::string folder = parsed.operands.size() > 1 ? parsed.operands[1] : std::string();
  if (folder.empty()) {
    size_t slash = source.rfind('/');
    folder = slash == std::string::npos ? "." : source.substr(0, slash);
  }
  DeriveResult result;
  std::string error;
  if (!DeriveClassicLists(source, folder, &result, &error)) {
    std::fprintf(stderr, "cedict-derive: %s\n", error.c_str());
    return 1;
  }
  std::printf("%ld entries", result.entries);
  if (result.skipped) std::printf(", %ld lines that are not entries left out", result.skipped);
  std::printf("\n");
  Report(result.gb, listCharacters);
  Report(result.b5, listCharacters);
  // A report that did not reach its reader (a full disk, a closed output) is a failure.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "cedict-derive: cannot write the report: %s\n", std::strerror(errno));
    return 2;
  }
  return 0;
}
