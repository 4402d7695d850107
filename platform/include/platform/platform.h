// Starting the window system: the screen (handheld or desktop), the backend (SDL or
// headless) and the layer's command-line options. Also the headless backend's interface for
// tests and scripted runs: virtual clock, scripted input, snapshots, recorded calls.
#pragma once

#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/windef.h"

namespace platform {

enum class ScreenKind { Handheld, Desktop };
enum class BackendKind { Sdl, Headless };

struct Options {
  BackendKind backend = BackendKind::Sdl;
  ScreenKind screen = ScreenKind::Handheld;
  int width = 240;  // handheld screen size; the desktop's comes from the desktop
  int height = 320;
  int scale = 2;           // SDL handheld window: pixels per screen pixel
  std::string script;      // headless input script (see README.md for the format)
  std::string snapshot;    // PNG of the last frame, written when the run ends
  DWORD settleTime = 3000;     // headless: virtual ms a run goes on after its last input
  DWORD stallTime = 600000;    // headless: virtual ms a wait may go on with no input left
  bool verbose = false;        // say on standard error why sound or a display is not there
};

// Takes the layer's options out of argv (argc shrinks): --headless, --scale N,
// --screen WxH, --script FILE, --snapshot FILE. ORLEND_BACKEND=headless in the environment
// also selects the headless backend. On a bad option returns false with a message.
bool ParseOptions(int& argc, char** argv, Options* options, std::string* error);
// What the environment asks for: ORLEND_BACKEND=headless.
void ApplyEnvironment(Options* options);
// Sets one of those options by its long name without dashes ("scale", "screen", "script",
// "snapshot", "headless", "verbose"); `value` is ignored by the switches. False with a
// message when the value is bad.
bool SetOption(Options* options, const std::string& name, const char* value, std::string* error);

// Opens the screen and its backend. A second Start without Shutdown fails.
bool Start(const Options& options);
// Destroys every window, drops timers, queued messages and input, closes the backend.
// Registered classes stay, as they would for the rest of a process.
void Shutdown();
bool Started();
// How many frames the backend has sent to the display since the window system started. The
// headless backend sends every finished frame; the SDL backend at most one per display
// refresh (16 ms), and always the last.
unsigned FramesShown();
// Writes what the run leaves behind (the --snapshot of the last frame). Called at exit, by
// EndProcess before it ends the process at once, and by Shutdown. Runs once per Start.
void FinishRun();

// The whole start-up of a program: options, screen, backend, then winMain with the
// program's own arguments (the layer's removed) as one command line, and FinishRun.
// Returns winMain's result, or 2 after printing the reason when the options are bad or the
// screen cannot be opened.
// A program without a window of its own passes the code it ends with when there is no
// screen (the reason is printed all the same).
typedef int (*WinMainFunction)(HINSTANCE instance, LPWSTR commandLine, int show);
int RunProgram(int argc, char** argv, ScreenKind kind, WinMainFunction winMain, int noScreenCode = 2);
// The same with options already read; `arguments` (the program's own) become the command line.
// `noScreenCode` is the exit code when no screen (or no font) can be had.
int RunProgram(const char* name, const Options& options, const std::vector<std::string>& arguments,
               WinMainFunction winMain, int noScreenCode = 2);

// Puts /dev/null on standard input and error when they are closed, and on standard output
// too; so no file the program opens takes their numbers and receives what was meant for
// them. False when standard output was closed: a program whose output is its result fails.
bool KeepStandardStreams();

// Replaces this process with the program `name` in this program's folder, given argv as it
// is (the same process id, standard streams and environment). Returns only when it could not
// (errno says why).
void ExecProgramBeside(const char* name, char** argv);

// ---- screens
ScreenKind CurrentScreen();
// Handheld: the bottom strip (26 pixels high, full width) that the menu bar window covers;
// empty on the desktop. Title bar height and menu bar height are both 26.
RECT MenuBarArea();
constexpr int kTitleBarHeight = 26;
constexpr int kMenuBarHeight = 26;
// Sends WM_SETTINGCHANGE (flag, section) to every top-level window, as the shell does when a
// setting changes (the input panel, the work area).
void SendSettingChange(UINT flag, const WCHAR* section);

// ---- input events: from a backend, a test or a script
struct InputEvent {
  enum class Kind {
    StylusDown, StylusMove, StylusUp,  // left button / stylus, screen coordinates
    RightDown, RightUp,
    KeyDown, KeyUp,  // `key` is a virtual key
    Text,            // `text` arrives as WM_CHAR, one per UTF-16 unit
    CloseWindow,     // the desktop closed a top-level window (`window`), or the device window
    Foreground,      // another start of the program asks `window` forward (`key` 1: with its pop-ups)
    Snapshot,        // scripts: write the current frame to `file`
    End,             // scripts: the run ends here
  };
  Kind kind = Kind::StylusMove;
  POINT point{};
  UINT key = 0;
  std::u16string text;
  std::string file;
  HWND window = nullptr;
};

namespace headless {

bool Active();  // the headless backend is running
DWORD Now();    // the virtual clock (GetTickCount)
// Queues an event at a virtual time (clamped to now); events of one time keep their order.
void Queue(DWORD at, const InputEvent& event);
// Parses a script (see README.md) and queues its events relative to now.
bool LoadScript(const std::string& text, std::string* error);
bool LoadScriptFile(const std::string& path, std::string* error);
// Dispatches until nothing is waiting: posted messages, due input, paints and due timers.
// The clock does not move.
void RunUntilIdle();
// Lets `ms` of virtual time pass, dispatching everything that falls due on the way.
void RunFor(DWORD ms);
// The screen as it is now (paint first with RunUntilIdle) and as it was last presented.
Surface Snapshot();
bool WriteSnapshot(const std::string& path, std::string* error);

// Calls that reach outside the program, recorded instead of made.
struct Record {
  std::string call;       // "ShellExecuteEx", "PlaySound", "Beep", "MessageBeep", "MessageBox"
  std::u16string text;    // file, sound name or message text
  std::u16string detail;  // verb or caption
  DWORD flags = 0;        // fMask, sound flags, box type; Beep: frequency
  DWORD value = 0;        // Beep: duration
  HWND owner = nullptr;
  DWORD time = 0;
};
const std::vector<Record>& Records();
void ClearRecords();

}  // namespace headless
}  // namespace platform
