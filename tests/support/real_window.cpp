#include "tests/support/real_window.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/png.h"

namespace test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& output) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  for (const auto& e : env) {
    size_t eq = e.find('=');
    if (eq == std::string::npos) continue;
    if (eq + 1 == e.size())
      unsetenv(e.substr(0, eq).c_str());  // "NAME=" takes NAME away
    else
      putenv(strdup(e.c_str()));
  }
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

int WaitFor(pid_t pid, int seconds) {
  auto end = Clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (Clock::now() < end) {
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (r < 0) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

bool StillRunning(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == 0;
}

int RunToEnd(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& output,
             int seconds) {
  return WaitFor(Spawn(args, env, output), seconds);
}

bool OnPath(const char* program) {
  std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool ReadXwd(const std::string& path, platform::Surface* out) {
  std::string d = ReadWholeFile(path);
  if (d.size() < 100) return false;
  auto u32 = [&](size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(d[at])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(d[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(d[at + 2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(d[at + 3]));
  };
  uint32_t header = u32(0), width = u32(16), height = u32(20), byteOrder = u32(28), bpp = u32(44);
  uint32_t bytesPerLine = u32(48), redMask = u32(56), greenMask = u32(60), blueMask = u32(64), colours = u32(76);
  if ((bpp != 32 && bpp != 24) || width == 0 || height == 0 || width > 8192 || height > 8192) return false;
  size_t bytes = bpp / 8;
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
      const unsigned char* p =
          reinterpret_cast<const unsigned char*>(d.data()) + start + y * bytesPerLine + x * bytes;
      uint32_t v = 0;
      for (size_t i = 0; i < bytes; ++i)  // byte order 0: least significant byte first
        v |= static_cast<uint32_t>(p[i]) << (8 * (byteOrder == 0 ? i : bytes - 1 - i));
      uint32_t r = (v & redMask) >> shift(redMask), g = (v & greenMask) >> shift(greenMask),
               b = (v & blueMask) >> shift(blueMask);
      out->set_pixel(static_cast<int>(x), static_cast<int>(y), r << 16 | g << 8 | b);
    }
  return true;
}

int ScaledDifferences(const platform::Surface& screen, const platform::Surface& window, int scale, std::string* first) {
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

bool XvfbSession::Start(const std::string& screen) {
  // Xvfb picks a free display number itself and writes it to the pipe once it listens, so
  // servers started at the same moment by other tests never share a number.
  int fds[2];
  if (pipe(fds) != 0) return false;
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, 1);
      dup2(null, 2);
    }
    std::string fd = std::to_string(fds[1]);
    // -noreset: by default the server resets when its last client leaves, and a client that
    // connects during the reset (a program starting while a probe just left) is refused.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-noreset",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    return false;
  }
  std::string number;
  auto end = Clock::now() + std::chrono::seconds(10);
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  while (Clock::now() < end) {
    char c;
    ssize_t n = read(fds[0], &c, 1);
    if (n == 1) {
      if (c == '\n') break;
      number += c;
      continue;
    }
    if (n == 0) break;  // the server ended without a display
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  close(fds[0]);
  if (number.empty()) {
    Stop();
    return false;
  }
  display_ = ":" + number;
  // The number comes once the server listens; a client's first connection is the proof that
  // it also answers (a program started too early cannot open the display and ends at once).
  while (Clock::now() < end) {
    if (RunToEnd({"xdotool", "getdisplaygeometry"}, {Env()}, "", 5) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  Stop();
  return false;
}

void XvfbSession::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    WaitFor(pid_, 10);
  }
  pid_ = -1;
}

std::string FindXWindow(const std::string& env, const std::string& title, const std::string& scratch) {
  std::string out = scratch + "/search.txt";
  auto end = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < end) {
    if (RunToEnd({"xdotool", "search", "--name", title}, {env}, out, 10) == 0) {
      std::string id = ReadWholeFile(out);
      id = id.substr(0, id.find('\n'));
      if (!id.empty()) return id;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

// The picture's part of a window's screenshot, or an empty surface when the rest of the
// window is not black.
static platform::Surface Letterboxed(const platform::Surface& shot, POINT at, int width, int height,
                                     std::string* first) {
  if (at.x < 0 || at.y < 0 || at.x + width > shot.width() || at.y + height > shot.height()) {
    *first = "the picture does not fit the window";
    return platform::Surface();
  }
  platform::Surface part(width, height);
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      bool inside = x >= at.x && y >= at.y && x < at.x + width && y < at.y + height;
      if (inside) {
        part.set_pixel(x - at.x, y - at.y, shot.pixel(x, y));
      } else if ((shot.pixel(x, y) & 0xFFFFFF) != 0) {
        *first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") outside the picture is not black";
        return platform::Surface();
      }
    }
  return part;
}

::testing::AssertionResult XWindowShows(const std::string& env, const std::string& id,
                                        const platform::Surface& expected, int scale, const std::string& scratch,
                                        const POINT* at) {
  std::string dump = scratch + "/window.xwd";
  std::string first;
  int diff = -1;
  auto end = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < end) {
    platform::Surface shot;
    if (RunToEnd({"xwd", "-silent", "-id", id, "-out", dump}, {env}, "", 10) == 0 && ReadXwd(dump, &shot)) {
      if (at) {
        platform::Surface part = Letterboxed(shot, *at, expected.width() * scale, expected.height() * scale, &first);
        diff = part.width() > 0 ? ScaledDifferences(expected, part, scale, &first) : -1;
      } else {
        diff = ScaledDifferences(expected, shot, scale, &first);
      }
      if (diff == 0) return ::testing::AssertionSuccess();
      std::string ignored;
      platform::WritePng(shot, scratch + "/window.actual.png", &ignored);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return ::testing::AssertionFailure() << "the window never showed the headless pixels: " << diff
                                       << " differ, first at " << first << "; last screenshot in " << scratch
                                       << "/window.actual.png";
}

}  // namespace test
