// The shared command-line reading, in-process: what a program's own table makes of argv.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

enum { kWord = 1, kLoud, kCount };

const cli::Program& Sample() {
  static const cli::Program program = {
      "sample",
      {"[OPTION]... FILE"},
      "Does sample things.",
      {{"Things:",
        {{"word", 'w', "TEXT", "a word", kWord},
         {"loud", 'l', nullptr, "say it loudly\nsecond line", kLoud},
         {"a-very-long-option-name", 0, "VALUE", "wraps to its own line", kCount}}}},
      "FILE",
      "Exit status: 0."};
  return program;
}

struct Outcome {
  cli::Outcome outcome;
  cli::Parsed parsed;
  std::string out, err;
};

std::string Drain(FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[512];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  std::fclose(file);
  return text;
}

Outcome Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "sample");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  Outcome run;
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  run.outcome = cli::Parse(Sample(), static_cast<int>(args.size()), argv.data(), &run.parsed, out, err);
  run.out = Drain(out);
  run.err = Drain(err);
  return run;
}

TEST(CommandLine, OptionsInEveryGnuSpellingAndOperandsAnywhere) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--word", "ni hao", "in.txt", "--loud"},
           {"in.txt", "--word=ni hao", "-l"},
           {"-lw", "ni hao", "in.txt"},
           {"-wni hao", "--lo", "in.txt"}}) {  // unambiguous prefixes, attached values
    Outcome run = Parse(args);
    ASSERT_EQ(cli::kRun, run.outcome) << run.err;
    ASSERT_NE(nullptr, run.parsed.Value(kWord));
    EXPECT_EQ("ni hao", *run.parsed.Value(kWord));
    EXPECT_TRUE(run.parsed.Has(kLoud));
    EXPECT_FALSE(run.parsed.Has(kCount));
    EXPECT_EQ(std::vector<std::string>{"in.txt"}, run.parsed.operands);
    EXPECT_EQ("", run.out + run.err);
  }
  // After "--" everything is an operand, dashes and all; the last of a repeated option wins.
  Outcome run = Parse({"--word", "a", "--word", "b", "--", "--loud", "-"});
  EXPECT_EQ(cli::kRun, run.outcome);
  EXPECT_EQ("b", *run.parsed.Value(kWord));
  EXPECT_EQ((std::vector<std::string>{"--loud", "-"}), run.parsed.operands);
  // The parser keeps no state between calls.
  EXPECT_EQ(cli::kRun, Parse({"-l"}).outcome);
}

TEST(CommandLine, MistakesAreOneLineAndTheHint) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"-x"}, {"--word"}, {"-w"}, {"--loud=yes"}}) {
    Outcome run = Parse(args);
    EXPECT_EQ(cli::kExitUsage, run.outcome) << args[0];
    EXPECT_EQ("", run.out);
    EXPECT_EQ(0u, run.err.find("sample: ")) << run.err;
    EXPECT_EQ(run.err.size() - 1, run.err.find('\n', run.err.find('\n') + 1)) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("\nTry 'sample --help' for more information.\n")) << run.err;
  }
  EXPECT_NE(std::string::npos, Parse({"--bogus"}).err.find("'--bogus'"));
  EXPECT_NE(std::string::npos, Parse({"--word"}).err.find("'--word' requires an argument"));
}

TEST(CommandLine, HelpAndVersionAnswerAndStop) {
  // A mistake is reported even next to --help.
  EXPECT_EQ(cli::kExitUsage, Parse({"in.txt", "--bogus", "--help"}).outcome);

  Outcome help = Parse({"--word", "x", "--help"});
  ASSERT_EQ(cli::kExitOk, help.outcome);
  EXPECT_EQ("", help.err);
  EXPECT_EQ(0u, help.out.find("Usage: sample [OPTION]... FILE\nDoes sample things.\n"));
  EXPECT_NE(std::string::npos, help.out.find("\nThings:\n  -w, --word=TEXT"));
  EXPECT_NE(std::string::npos, help.out.find("say it loudly\n                              second line\n"));
  EXPECT_NE(std::string::npos, help.out.find("      --a-very-long-option-name=VALUE\n                              wraps"));
  EXPECT_NE(std::string::npos, help.out.find("  -h, --help "));
  EXPECT_NE(std::string::npos, help.out.find("  -V, --version "));
  EXPECT_NE(std::string::npos, help.out.find("Exit status: 0."));

  Outcome version = Parse({"-V"});
  ASSERT_EQ(cli::kExitOk, version.outcome);
  EXPECT_EQ(0u, version.out.find(std::string("sample (orlend-dict) ") + cli::Version() + "\n"));
  EXPECT_NE(std::string::npos, version.out.find("CC BY-SA 4.0"));
}

TEST(CommandLine, OperandsOnlyWhereTheProgramTakesThem) {
  cli::Program strict = Sample();
  strict.operands = nullptr;
  std::string name = "strict", operand = "stray";
  char* argv[] = {name.data(), operand.data(), nullptr};
  cli::Parsed parsed;
  FILE* err = std::tmpfile();
  EXPECT_EQ(cli::kExitUsage, cli::Parse(strict, 2, argv, &parsed, stdout, err));
  EXPECT_NE(std::string::npos, Drain(err).find("unexpected argument 'stray'"));
}

}  // namespace
