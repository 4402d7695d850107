// Programs run as processes of their own, and a private X server (Xvfb) for the tests that
// show them in a real window: screenshots with xwd, input with xdotool.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/windows.h"

namespace test {

// Starts a program with extra environment entries (NAME=VALUE); its output goes to
// `output` (or nowhere when empty).
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& output);
// Waits up to `seconds` for the process: its exit code, 128 + the signal when a signal
// ended it, or -1 when it did not end (it is then killed).
int WaitFor(pid_t pid, int seconds);
// True while the process runs (it is not reaped).
bool StillRunning(pid_t pid);
int RunToEnd(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& output,
             int seconds = 60);

bool OnPath(const char* program);
std::string ReadWholeFile(const std::string& path);

// An X window dump (xwd) of a true colour visual, 24 or 32 bits a pixel.
bool ReadXwd(const std::string& path, platform::Surface* out);
// How many pixels of `screen`, each scaled to a `scale` x `scale` block, differ in
// `window`; -1 when the sizes do not fit. The first difference is described in `first`.
int ScaledDifferences(const platform::Surface& screen, const platform::Surface& window, int scale, std::string* first);

// One Xvfb on a display number of its own, stopped with the object.
class XvfbSession {
 public:
  XvfbSession() = default;
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;
  ~XvfbSession() { Stop(); }
  bool Start(const std::string& screen = "800x700x24");
  void Stop();
  std::string Env() const { return "DISPLAY=" + display_; }

 private:
  std::string display_;
  pid_t pid_ = -1;
};

// The id of the first window whose name contains `title` (within 15 s), or "".
// `scratch` is a folder for xdotool's output.
std::string FindXWindow(const std::string& env, const std::string& title, const std::string& scratch);
// Takes screenshots of the window until it shows `expected` scaled by `scale`, or 15 s
// have passed; the last screenshot is left in `scratch`/window.actual.png. With `at`, the
// picture must stand there in a larger window, which is black around it.
::testing::AssertionResult XWindowShows(const std::string& env, const std::string& id,
                                        const platform::Surface& expected, int scale, const std::string& scratch,
                                        const POINT* at = nullptr);

}  // namespace test
