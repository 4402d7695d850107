// The layer's command-line options and a program's whole start-up.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "fonts/font_map.h"
#include "platform/utf.h"
#include "user/window_system.h"

namespace platform {

namespace {

bool ParseInt(const char* text, int* value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (*end || v < 0 || v > 100000) return false;
  *value = static_cast<int>(v);
  return true;
}

// Quoted the platform's way, so the program can split the line again.
std::u16string Quote(const std::u16string& arg) {
  if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string::npos) return arg;
  std::u16string out = u"\"";
  size_t backslashes = 0;
  for (char16_t c : arg) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') out.append(backslashes * 2 + 1, u'\\');
    else out.append(backslashes, u'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, u'\\');
  out += u'"';
  return out;
}

}  // namespace

bool SetOption(Options* options, const std::string& name, const char* value, std::string* error) {
  auto fail = [&](const char* message) {
    if (error) *error = message;
    return false;
  };
  if (name == "headless") {
    options->backend = BackendKind::Headless;
  } else if (name == "verbose") {
    options->verbose = true;
  } else if (name == "scale") {
    if (!ParseInt(value, &options->scale) || options->scale < 1 || options->scale > 8)
      return fail("--scale takes a whole number from 1 to 8");
  } else if (name == "screen") {
    std::string s = value ? value : "";
    size_t x = s.find_first_of("xX");
    int w, h;
    if (x == std::string::npos || !ParseInt(s.substr(0, x).c_str(), &w) || !ParseInt(s.substr(x + 1).c_str(), &h) ||
        w < 32 || h < 60 || w > 4096 || h > 4096)
      return fail("--screen takes WIDTHxHEIGHT, for example 240x320");
    options->width = w;
    options->height = h;
  } else if (name == "script") {
    if (!value || !*value) return fail("--script needs a file");
    options->script = value;
    options->backend = BackendKind::Headless;
  } else if (name == "snapshot") {
    if (!value || !*value) return fail("--snapshot needs a file");
    options->snapshot = value;
  } else {
    return fail("not an option of the window system");
  }
  return true;
}

void ApplyEnvironment(Options* options) {
  const char* env = std::getenv("ORLEND_BACKEND");
  if (env && std::strcmp(env, "headless") == 0) options->backend = BackendKind::Headless;
}

bool ParseOptions(int& argc, char** argv, Options* options, std::string* error) {
  ApplyEnvironment(options);
  int out = 1;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string name = a.size() > 2 && a.compare(0, 2, "--") == 0 ? a.substr(2) : std::string();
    if (name == "headless" || name == "verbose") {
      SetOption(options, name, nullptr, error);
    } else if (name == "scale" || name == "screen" || name == "script" || name == "snapshot") {
      if (i + 1 >= argc) {
        if (error) *error = a + " needs a value";
        return false;
      }
      if (!SetOption(options, name, argv[++i], error)) return false;
    } else {
      argv[out++] = argv[i];
    }
  }
  argc = out;
  argv[argc] = nullptr;
  return true;
}

namespace {

int Run(const char* name, const Options& options, const std::vector<std::string>& arguments, WinMainFunction winMain,
        int noScreenCode) {
  if (!fonts::TextCanBeDrawn()) {
    // Every text, every button's label, would be blank.
    std::fprintf(stderr, "%s: no font is installed (fontconfig offers none), so no text could be shown\n", name);
    return noScreenCode;
  }
  if (!Start(options)) {
    std::fprintf(stderr, "%s: the screen could not be opened%s\n", name,
                 options.backend == BackendKind::Headless ? "" : " (--headless runs without one)");
    return noScreenCode;
  }
  std::u16string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += u' ';
    line += Quote(Utf16FromUtf8(argument));
  }
  int result = winMain(GetModuleHandleW(nullptr), line.data(), SW_SHOW);
  FinishRun();
  return result;
}

}  // namespace

int RunProgram(const char* name, const Options& options, const std::vector<std::string>& arguments,
               WinMainFunction winMain, int noScreenCode) {
  KeepStandardStreams();
  try {
    return Run(name, options, arguments, winMain, noScreenCode);
  } catch (const std::bad_alloc&) {
    // What the platform's calls could not turn into a failed call of their own. The run's
    // state is half made: nothing more of it is written, and no handler at exit runs.
    std::fprintf(stderr, "%s: not enough memory\n", name);
    std::fflush(nullptr);
    std::_Exit(2);
  }
}

int RunProgram(int argc, char** argv, ScreenKind kind, WinMainFunction winMain, int noScreenCode) {
  const char* name = argc > 0 ? argv[0] : "program";
  Options options;
  options.screen = kind;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "%s: %s\n", name, error.c_str());
    return 2;
  }
  return RunProgram(name, options, std::vector<std::string>(argv + 1, argv + argc), winMain, noScreenCode);
}

}  // namespace platform
