// Parsing input scripts: one event per line, each at a virtual time.
#include "backends/headless/input_script.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/utf.h"
#include "platform/windows.h"

namespace platform {

namespace {

struct KeyName {
  const char* name;
  UINT key;
};

constexpr KeyName kKeys[] = {
    {"enter", VK_RETURN},   {"return", VK_RETURN}, {"back", VK_BACK},     {"backspace", VK_BACK},
    {"tab", VK_TAB},        {"escape", VK_ESCAPE}, {"esc", VK_ESCAPE},    {"delete", VK_DELETE},
    {"insert", VK_INSERT},  {"home", VK_HOME},     {"end", VK_END},       {"left", VK_LEFT},
    {"right", VK_RIGHT},    {"up", VK_UP},         {"down", VK_DOWN},     {"space", VK_SPACE},
    {"pageup", VK_PRIOR},   {"pagedown", VK_NEXT}, {"shift", VK_SHIFT},   {"ctrl", VK_CONTROL},
    {"control", VK_CONTROL}, {"alt", VK_MENU},
};

// Bounds that keep every sum and product below the virtual clock's and the points' ranges.
constexpr long kLatest = 1000000000;  // milliseconds: about eleven days of script
constexpr long kFarthest = 100000;    // pixels from the screen's origin

bool ParseNumber(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (*end || errno == ERANGE) return false;
  *value = v;
  return true;
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "ctrl+shift+c" as the modifiers and the key.
bool ParseChord(const std::string& text, std::vector<UINT>* modifiers, UINT* key) {
  std::string rest = Lower(text);
  size_t plus;
  while ((plus = rest.find('+')) != std::string::npos && plus + 1 < rest.size()) {
    UINT m = KeyFromName(rest.substr(0, plus));
    if (m != VK_CONTROL && m != VK_SHIFT && m != VK_MENU) return false;
    modifiers->push_back(m);
    rest = rest.substr(plus + 1);
  }
  *key = KeyFromName(rest);
  return *key != 0;
}

InputEvent Pointer(InputEvent::Kind kind, long x, long y) {
  InputEvent e;
  e.kind = kind;
  e.point = POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
  return e;
}

InputEvent Key(InputEvent::Kind kind, UINT key) {
  InputEvent e;
  e.kind = kind;
  e.key = key;
  return e;
}

}  // namespace

UINT KeyFromName(const std::string& name) {
  std::string n = Lower(name);
  for (const KeyName& k : kKeys)
    if (n == k.name) return k.key;
  if (n.size() == 1 && std::isalpha(static_cast<unsigned char>(n[0])))
    return static_cast<UINT>(std::toupper(static_cast<unsigned char>(n[0])));
  if (n.size() == 1 && std::isdigit(static_cast<unsigned char>(n[0]))) return static_cast<UINT>(n[0]);
  if (n.size() >= 2 && n[0] == 'f') {
    long f;
    if (ParseNumber(n.substr(1), &f) && f >= 1 && f <= 12) return VK_F1 + static_cast<UINT>(f - 1);
  }
  return 0;
}

bool ParseScript(const std::string& text, std::vector<TimedEvent>* events, std::string* error) {
  std::vector<TimedEvent> out;
  std::istringstream lines(text);
  std::string line;
  long previous = 0;
  int number = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(number) + ": " + why;
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::istringstream words(line.substr(first));
    std::string when, command;
    words >> when >> command;
    long at;
    bool relative = !when.empty() && when[0] == '+';
    if (!ParseNumber(relative ? when.substr(1) : when, &at) || at < 0)
      return fail("a time in milliseconds (or +milliseconds) comes first");
    if (at > kLatest || (relative && at > kLatest - previous))
      return fail("times go up to " + std::to_string(kLatest) + " ms");
    if (relative) at += previous;
    if (at < previous) return fail("times must not go back");
    previous = at;
    DWORD t = static_cast<DWORD>(at);
    command = Lower(command);
    std::vector<std::string> args;
    for (std::string a; words >> a;) args.push_back(a);
    std::vector<long> numbers;
    for (const auto& a : args) {
      long v;
      if (ParseNumber(a, &v)) numbers.push_back(v);
    }
    for (long v : numbers)
      if (v < -kFarthest || v > kFarthest)
        return fail("numbers go from " + std::to_string(-kFarthest) + " to " + std::to_string(kFarthest));
    auto needPoint = [&](size_t count) { return args.size() == count && numbers.size() == count; };
    if (command == "tap") {
      if (!needPoint(2)) return fail("tap X Y");
      out.push_back({t, Pointer(InputEvent::Kind::StylusDown, numbers[0], numbers[1])});
      out.push_back({t, Pointer(InputEvent::Kind::StylusUp, numbers[0], numbers[1])});
    } else if (command == "down" || command == "move" || command == "up" || command == "rdown" ||
               command == "rup") {
      if (!needPoint(2)) return fail(command + " X Y");
      InputEvent::Kind kind = command == "down"    ? InputEvent::Kind::StylusDown
                              : command == "move"  ? InputEvent::Kind::StylusMove
                              : command == "up"    ? InputEvent::Kind::StylusUp
                              : command == "rdown" ? InputEvent::Kind::RightDown
                                                   : InputEvent::Kind::RightUp;
      out.push_back({t, Pointer(kind, numbers[0], numbers[1])});
    } else if (command == "drag") {
      if (!(needPoint(4) || needPoint(5))) return fail("drag X1 Y1 X2 Y2 [STEPS]");
      long steps = numbers.size() == 5 ? numbers[4] : 10;
      if (steps < 1 || steps > 1000) return fail("drag steps go from 1 to 1000");
      out.push_back({t, Pointer(InputEvent::Kind::StylusDown, numbers[0], numbers[1])});
      for (long i = 1; i <= steps; ++i) {
        long x = numbers[0] + (numbers[2] - numbers[0]) * i / steps;
        long y = numbers[1] + (numbers[3] - numbers[1]) * i / steps;
        out.push_back({t + static_cast<DWORD>(10 * i), Pointer(InputEvent::Kind::StylusMove, x, y)});
      }
      t += static_cast<DWORD>(10 * steps);
      out.push_back({t, Pointer(InputEvent::Kind::StylusUp, numbers[2], numbers[3])});
      previous = static_cast<long>(t);
    } else if (command == "key" || command == "keydown" || command == "keyup") {
      std::vector<UINT> modifiers;
      UINT key = 0;
      if (args.size() != 1 || !ParseChord(args[0], &modifiers, &key))
        return fail("unknown key: " + (args.empty() ? std::string() : args[0]));
      if (command != "keyup") {
        for (UINT m : modifiers) out.push_back({t, Key(InputEvent::Kind::KeyDown, m)});
        out.push_back({t, Key(InputEvent::Kind::KeyDown, key)});
      }
      if (command != "keydown") {
        out.push_back({t, Key(InputEvent::Kind::KeyUp, key)});
        for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
          out.push_back({t, Key(InputEvent::Kind::KeyUp, *m)});
      }
    } else if (command == "text") {
      // The rest of the line after the command and one blank, as written (UTF-8).
      size_t timeEnd = line.find_first_of(" \t", first);
      size_t commandStart = line.find_first_not_of(" \t", timeEnd);
      size_t commandEnd = line.find_first_of(" \t", commandStart);
      std::string rest = commandEnd == std::string::npos ? std::string() : line.substr(commandEnd + 1);
      if (rest.empty()) return fail("text needs something to type");
      InputEvent e;
      e.kind = InputEvent::Kind::Text;
      e.text = Utf16FromUtf8(rest);
      out.push_back({t, e});
    } else if (command == "snapshot") {
      if (args.size() != 1) return fail("snapshot FILE");
      InputEvent e;
      e.kind = InputEvent::Kind::Snapshot;
      e.file = args[0];
      out.push_back({t, e});
    } else if (command == "end") {
      if (!args.empty()) return fail("end takes nothing");
      InputEvent e;
      e.kind = InputEvent::Kind::End;
      out.push_back({t, e});
    } else {
      return fail("unknown command: " + command);
    }
  }
  *events = std::move(out);
  return true;
}

}  // namespace platform
