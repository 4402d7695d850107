#include "cli/command_line.h"

#include <getopt.h>

#include <cerrno>
#include <cstring>

#include "cli/version.h"

namespace cli {

namespace {

constexpr int kHelp = -1;
constexpr int kVersion = -2;

const Section& StandardSection() {
  static const Section section{
      "",
      {{"help", 'h', nullptr, "display this help and exit", kHelp},
       {"version", 'V', nullptr, "output version information and exit", kVersion}}};
  return section;
}

std::string OptionColumn(const Option& option) {
  std::string column = "  ";
  column += option.shortName ? std::string("-") + option.shortName + ", " : std::string("    ");
  column += "--";
  column += option.name;
  if (option.value) {
    column += '=';
    column += option.value;
  }
  return column;
}

void AppendOptions(std::string& text, const Section& section) {
  constexpr size_t kHelpColumn = 30;
  for (const Option& option : section.options) {
    std::string column = OptionColumn(option);
    text += column;
    if (column.size() + 2 > kHelpColumn) {
      text += '\n';
      text.append(kHelpColumn, ' ');
    } else {
      text.append(kHelpColumn - column.size(), ' ');
    }
    for (const char* c = option.help; *c; ++c) {
      text += *c;
      if (*c == '\n') text.append(kHelpColumn, ' ');
    }
    text += '\n';
  }
}

}  // namespace

bool Parsed::Has(int id) const {
  for (const Given& given : options)
    if (given.id == id) return true;
  return false;
}

const std::string* Parsed::Value(int id) const {
  const std::string* value = nullptr;
  for (const Given& given : options)
    if (given.id == id) value = &given.value;
  return value;
}

const char* Version() { return ORLEND_VERSION; }

std::string HelpText(const Program& program) {
  std::string text;
  for (size_t i = 0; i < program.usages.size(); ++i) {
    text += i == 0 ? "Usage: " : "  or:  ";
    text += program.name;
    text += ' ';
    text += program.usages[i];
    text += '\n';
  }
  text += program.description;
  text += "\n";
  for (const Section& section : program.sections) {
    text += "\n";
    text += section.title;
    text += "\n";
    AppendOptions(text, section);
  }
  text += "\n";
  AppendOptions(text, StandardSection());
  if (program.epilogue) {
    text += "\n";
    text += program.epilogue;
    text += "\n";
  }
  text += "\nThe manual page tells more: man ";
  text += program.name;
  text += "\n";
  return text;
}

std::string VersionText(const Program& program) {
  std::string text = program.name;
  text += " (" ORLEND_PACKAGE ") " ORLEND_VERSION "\n";
  text += "Copyright (C) " ORLEND_COPYRIGHT_YEAR " the " ORLEND_PACKAGE " developers.\n"
          "The dictionary data is CC-CEDICT, licensed under CC BY-SA 4.0.\n"
          "There is NO WARRANTY, to the extent permitted by law.\n";
  return text;
}

Outcome UsageError(const Program& program, const std::string& message, FILE* err) {
  std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", program.name, message.c_str(),
               program.name);
  return kExitUsage;
}

Outcome Parse(const Program& program, int argc, char** argv, Parsed* parsed, FILE* out, FILE* err) {
  parsed->options.clear();
  parsed->operands.clear();

  // getopt_long's tables, built from ours: `val` indexes `all`.
  std::vector<const Option*> all;
  for (const Section& section : program.sections)
    for (const Option& option : section.options) all.push_back(&option);
  for (const Option& option : StandardSection().options) all.push_back(&option);
  std::vector<struct option> longs;
  std::string shorts = ":";  // a leading ':' lets us word a missing argument ourselves
  for (size_t i = 0; i < all.size(); ++i) {
    longs.push_back({all[i]->name, all[i]->value ? required_argument : no_argument, nullptr, static_cast<int>(1000 + i)});
    if (all[i]->shortName) {
      shorts += all[i]->shortName;
      if (all[i]->value) shorts += ':';
    }
  }
  longs.push_back({nullptr, 0, nullptr, 0});

  auto indexOfShort = [&](int c) -> int {
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i]->shortName == c) return static_cast<int>(i);
    return -1;
  };

  // getopt keeps its place in globals; 0 starts it afresh (and permutes a copy, not argv).
  std::vector<char*> args(argv, argv + argc);
  args.push_back(nullptr);
  optind = 0;
  opterr = 0;
  bool help = false, version = false;
  for (;;) {
    int longIndex = -1;
    int c = getopt_long(argc, args.data(), shorts.c_str(), longs.data(), &longIndex);
    if (c == -1) break;
    const char* at = optind - 1 < argc && optind >= 1 ? args[optind - 1] : "";
    if (c == '?') {
      if (optopt) return UsageError(program, std::string("invalid option -- '") + static_cast<char>(optopt) + "'", err);
      return UsageError(program, std::string("unrecognized option '") + at + "'", err);
    }
    if (c == ':') {
      const char* name = nullptr;
      int index = optopt >= 1000 ? optopt - 1000 : indexOfShort(optopt);
      if (index >= 0) name = all[index]->name;
      return UsageError(program, std::string("option '--") + (name ? name : "?") + "' requires an argument", err);
    }
    int index = c >= 1000 ? c - 1000 : indexOfShort(c);
    if (index < 0) return UsageError(program, std::string("unrecognized option '") + at + "'", err);
    const Option* option = all[index];
    if (option->id == kHelp) help = true;
    else if (option->id == kVersion) version = true;
    else parsed->options.push_back({option->id, optarg ? optarg : ""});
  }
  for (int i = optind; i < argc; ++i) parsed->operands.push_back(args[i]);

  if (help || version) {
    std::string text = help ? HelpText(program) : VersionText(program);
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
      std::fprintf(err, "%s: write error: %s\n", program.name, std::strerror(errno));
      return kExitUsage;
    }
    return kExitOk;
  }
  if (!program.operands && !parsed->operands.empty())
    return UsageError(program, "unexpected argument '" + parsed->operands.front() + "'", err);
  return kRun;
}

}  // namespace cli
