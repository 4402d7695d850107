// The demo program, run as a user runs it: headless against its golden, and in a real window
// under Xvfb (where Xvfb is installed), whose screenshot must show the headless pixels.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/png.h"
#include "tests/support/pixels.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kDemo = std::string(ORLEND_BINARY_DIR) + "/bin/orlend-platform-demo";
const std::string kScript = std::string(ORLEND_SOURCE_DIR) + "/platform/demo/demo.script";

std::string Folder() {
  fs::path p = fs::path(ORLEND_BINARY_DIR) / "demo-test";
  fs::create_directories(p);
  return p.string();
}

// Starts a program with extra environment entries; its output goes to `output` (or nowhere).
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& output) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  for (const auto& e : env) putenv(const_cast<char*>(strdup(e.c_str())));
  int out = open(output.empty() ? "/dev/null" : output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out >= 0) {
    dup2(out, 1);
    dup2(out, 2);
  }
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// Waits up to `seconds`; -1 when it did not end (it is then killed).
int Wait(pid_t pid, int seconds) {
  auto end = Clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (Clock::now() < end) {
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

int RunProgramFile(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& output,
        int seconds = 60) {
  return Wait(Spawn(args, env, output), seconds);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

platform::Surface Headless(const std::string& script, const std::string& name) {
  std::string png = Folder() + "/" + name;
  fs::remove(png);
  int code = RunProgramFile({kDemo, "--headless", "--script", script, "--snapshot", png}, {}, Folder() + "/" + name + ".log");
  EXPECT_EQ(code, 0) << ReadFile(Folder() + "/" + name + ".log");
  platform::Surface s;
  std::string error;
  EXPECT_TRUE(platform::ReadPng(png, &s, &error)) << error;
  return s;
}

TEST(DemoTest, HeadlessRunMatchesItsGolden) {
  platform::Surface s = Headless(kScript, "tap.png");
  EXPECT_TRUE(test::MatchesGolden("demo/demo_tap.png", s));
}

TEST(DemoTest, BadOptionsAreRefusedWithAMessage) {
  std::string log = Folder() + "/bad.log";
  EXPECT_EQ(RunProgramFile({kDemo, "--headless", "--scale", "0"}, {}, log), 2);
  EXPECT_NE(ReadFile(log).find("--scale takes a whole number from 1 to 8"), std::string::npos);
  EXPECT_EQ(RunProgramFile({kDemo, "--headless", "--script", Folder() + "/no-such.script"}, {}, log), 2);
  EXPECT_NE(ReadFile(log).find("cannot read the script"), std::string::npos);
}

// ---- the real window under Xvfb

bool OnPath(const char* program) {
  std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// An X window dump (xwd), 24/32-bit true colour, as a surface.
bool ReadXwd(const std::string& path, platform::Surface* out) {
  std::string d = ReadFile(path);
  if (d.size() < 100) return false;
  auto u32 = [&](size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(d[at])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(d[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(d[at + 2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(d[at + 3]));
  };
  uint32_t header = u32(0), width = u32(16), height = u32(20), byteOrder = u32(28), bpp = u32(44);
  uint32_t bytesPerLine = u32(48), redMask = u32(56), greenMask = u32(60), blueMask = u32(64), colours = u32(76);
  if (bpp != 32 || width == 0 || height == 0 || width > 8192 || height > 8192) return false;
  size_t start = header + static_cast<size_t>(colours) * 12;
  if (d.size() < start + static_cast<size_t>(bytesPerLine) * height) return false;
  auto shift = [](uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
      mask >>= 1;
      ++s;
    }
    return s;
  };
  out->resize(static_cast<int>(width), static_cast<int>(height), 0);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const unsigned char* p = reinterpret_cast<const unsigned char*>(d.data()) + start + y * bytesPerLine + x * 4;
      uint32_t v = byteOrder == 0 ? (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24)
                                  : (static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
      uint32_t r = (v & redMask) >> shift(redMask), g = (v & greenMask) >> shift(greenMask),
               b = (v & blueMask) >> shift(blueMask);
      out->set_pixel(static_cast<int>(x), static_cast<int>(y), r << 16 | g << 8 | b);
    }
  return true;
}

// Every screen pixel must fill its scale x scale block of the window.
int Differences(const platform::Surface& screen, const platform::Surface& window, int scale, std::string* first) {
  if (window.width() != screen.width() * scale || window.height() != screen.height() * scale) {
    *first = "window is " + std::to_string(window.width()) + "x" + std::to_string(window.height());
    return -1;
  }
  int count = 0;
  for (int y = 0; y < screen.height(); ++y)
    for (int x = 0; x < screen.width(); ++x)
      for (int dy = 0; dy < scale; ++dy)
        for (int dx = 0; dx < scale; ++dx)
          if (window.pixel(x * scale + dx, y * scale + dy) != screen.pixel(x, y)) {
            if (!count++) *first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
          }
  return count;
}

class XvfbSession {
 public:
  bool Start() {
    for (int n = 90 + getpid() % 50; n < 200; ++n) {
      display_ = ":" + std::to_string(n);
      if (fs::exists("/tmp/.X11-unix/X" + std::to_string(n))) continue;
      pid_ = Spawn({"Xvfb", display_, "-screen", "0", "800x700x24", "-nolisten", "tcp"}, {}, "");
      for (int i = 0; i < 250; ++i) {
        if (fs::exists("/tmp/.X11-unix/X" + std::to_string(n))) return true;
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      Stop();
    }
    return false;
  }
  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      Wait(pid_, 10);
    }
    pid_ = -1;
  }
  ~XvfbSession() { Stop(); }
  std::string Env() const { return "DISPLAY=" + display_; }

 private:
  std::string display_;
  pid_t pid_ = -1;
};

std::string FindWindow(const std::string& env, const std::string& title) {
  std::string out = Folder() + "/search.txt";
  auto end = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < end) {
    if (RunProgramFile({"xdotool", "search", "--name", title}, {env}, out, 10) == 0) {
      std::string id = ReadFile(out);
      id = id.substr(0, id.find('\n'));
      if (!id.empty()) return id;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

// Screenshots until the window shows `expected` or the time is up.
::testing::AssertionResult WindowShows(const std::string& env, const std::string& id, const platform::Surface& expected,
                                       int scale) {
  std::string dump = Folder() + "/window.xwd";
  std::string first;
  int diff = -1;
  auto end = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < end) {
    platform::Surface shot;
    if (RunProgramFile({"xwd", "-silent", "-id", id, "-out", dump}, {env}, "", 10) == 0 && ReadXwd(dump, &shot)) {
      diff = Differences(expected, shot, scale, &first);
      if (diff == 0) return ::testing::AssertionSuccess();
      std::string ignored;
      platform::WritePng(shot, Folder() + "/window.actual.png", &ignored);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return ::testing::AssertionFailure() << "the window never showed the headless pixels: " << diff
                                       << " differ, first at " << first << "; last screenshot in "
                                       << Folder() << "/window.actual.png";
}

TEST(DemoTest, RealWindowUnderXvfbShowsTheHeadlessPixels) {
  if (!OnPath("Xvfb") || !OnPath("xwd") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb, xwd or xdotool is missing";
  std::string still = Folder() + "/still.script";
  std::ofstream(still) << "100 end\n";
  platform::Surface before = Headless(still, "still.png");
  platform::Surface after = Headless(kScript, "tap2.png");

  XvfbSession x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start";
  std::string log = Folder() + "/sdl.log";
  const int scale = 2;
  pid_t demo = Spawn({kDemo, "--scale", std::to_string(scale)},
                     {x.Env(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "ORLEND_TIMING=1", "ORLEND_BACKEND="},
                     log);
  std::string id = FindWindow(x.Env(), "Platform demo");
  ASSERT_FALSE(id.empty()) << "no demo window; its output: " << ReadFile(log);
  EXPECT_TRUE(WindowShows(x.Env(), id, before, scale));

  // A tap through the X server lands where the headless script taps.
  EXPECT_EQ(RunProgramFile({"xdotool", "mousemove", "--window", id, std::to_string(150 * scale + 1), std::to_string(262 * scale + 1),
                 "click", "1"},
                {x.Env()}, ""),
            0);
  EXPECT_TRUE(WindowShows(x.Env(), id, after, scale));

  kill(demo, SIGTERM);  // the device window closes: the run ends
  EXPECT_EQ(Wait(demo, 10), 0);
  std::string output = ReadFile(log);
  size_t at = output.find("platform: first frame");
  if (at != std::string::npos) std::cout << "[ measured ] SDL under Xvfb: " << output.substr(at, output.find('\n', at) - at) << "\n";
}

}  // namespace
