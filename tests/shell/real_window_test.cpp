// The handheld program as a person runs it: started from a program folder of its own (the
// libraries, sounds, help pages and a database converted from the bundled sample), in a
// real window on a private X server, typed into and tapped through that server. Its window
// must show the pixels of a headless run of the same steps. A second start while it runs
// brings it to the front and ends without showing a window.
// Skipped where Xvfb, xdotool or xwd is missing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/png.h"
#include "tests/support/real_window.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const fs::path kBin = fs::path(ORLEND_BINARY_DIR) / "bin";
constexpr int kScale = 2;

// The steps, at screen points of the 240 x 320 handheld: the search box, "china", the
// Search button, then the second result row (中国).
struct Step {
  enum Kind { Tap, Text, Key, Drag } kind;
  int x = 0, y = 0;
  std::string text;  // the text typed, or the key (headless name / xdotool name)
  int x2 = 0, y2 = 0;
};
const std::vector<Step> kSteps = {
    {Step::Tap, 60, 178, ""}, {Step::Text, 0, 0, "china"}, {Step::Tap, 190, 180, ""}, {Step::Tap, 40, 235, ""}};

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::OnPath("Xvfb") || !test::OnPath("xdotool") || !test::OnPath("xwd"))
      GTEST_SKIP() << "Xvfb, xdotool or xwd is missing";
    scratch_ = fs::path(ORLEND_BINARY_DIR) / "test-scratch" / "shell" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(scratch_);
    program_ = scratch_ / "program";
    fs::create_directories(program_);
    for (const char* file : {"orlend-dict", "orlend-dict-handheld", "tovu.dll", "zorwen.dll"})
      fs::copy_file(kBin / file, program_ / file);
    for (const char* folder : {"res", "help"}) fs::copy(kBin / folder, program_ / folder, fs::copy_options::recursive);

    // The database the way a person gets it: the GB list derived from the word list, then
    // converted by the installer.
    fs::path source = scratch_ / "source";
    fs::create_directories(source);
    std::string log = (scratch_ / "prepare.log").string();
    ASSERT_EQ(test::RunToEnd({(kBin / "cedict-derive").string(),
                              (fs::path(ORLEND_SOURCE_DIR) / "resources/sample/cedict_sample.u8").string(),
                              source.string()},
                             {}, log),
              0)
        << test::ReadWholeFile(log);
    ASSERT_EQ(test::RunToEnd({(kBin / "orlend-dict-installer").string(), "--convert", (source / "cedict.gb").string()},
                             {"SDL_VIDEODRIVER=dummy"}, log),
              0)
        << test::ReadWholeFile(log);
    fs::copy_file(source / "cedict.gb.dat", program_ / "cedict.gb.dat");

    // Running programs find each other through a per-user folder: this test's own.
    runtime_ = scratch_ / "runtime";
    fs::create_directories(runtime_);
    ::chmod(runtime_.c_str(), 0700);
  }

  void TearDown() override {
    for (pid_t pid : started_)
      if (test::StillRunning(pid)) {
        kill(pid, SIGKILL);
        test::WaitFor(pid, 10);
      }
  }

  std::vector<std::string> Env() const {
    return {x_.Env(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "ORLEND_BACKEND=",
            "XDG_RUNTIME_DIR=" + runtime_.string(), "ORLEND_TIMING=1"};
  }

  pid_t StartWindow(const fs::path& program, const std::string& logName) {
    pid_t pid = test::Spawn({program.string(), "--scale", std::to_string(kScale)}, Env(),
                            (scratch_ / logName).string());
    started_.push_back(pid);
    return pid;
  }

  // The same program, headless, through `steps`; the screen at the end.
  platform::Surface Headless(const std::vector<Step>& steps, const std::string& name) {
    fs::path script = scratch_ / (name + ".script"), png = scratch_ / (name + ".png");
    std::ofstream out(script);
    std::string at = "500";  // the first line's time is from the start
    for (const Step& s : steps) {
      // The pointer moves to each point before it taps there, as in the window.
      if (s.kind == Step::Text)
        out << at << " text " << s.text << "\n";
      else if (s.kind == Step::Key)
        out << at << " key " << s.text.substr(0, s.text.find('/')) << "\n";
      else if (s.kind == Step::Drag)
        out << at << " move " << s.x << " " << s.y << "\n+10 drag " << s.x << " " << s.y << " " << s.x2 << " "
            << s.y2 << " 10\n";
      else
        out << at << " move " << s.x << " " << s.y << "\n+10 tap " << s.x << " " << s.y << "\n";
      at = "+300";
    }
    out << at << " end\n";
    out.close();
    std::string log = (scratch_ / (name + ".log")).string();
    EXPECT_EQ(test::RunToEnd({(program_ / "orlend-dict").string(), "--headless", "--script", script.string(),
                              "--snapshot", png.string()},
                             {"ORLEND_BACKEND=", "XDG_RUNTIME_DIR=" + runtime_.string()}, log),
              0)
        << test::ReadWholeFile(log);
    platform::Surface s;
    std::string error;
    EXPECT_TRUE(platform::ReadPng(png.string(), &s, &error)) << error;
    return s;
  }

  // The same steps through the X server, into window `id`.
  void Perform(const std::vector<Step>& steps, const std::string& id) {
    for (const Step& s : steps) {
      std::vector<std::string> args = {"xdotool"};
      auto point = [&](int x, int y) {
        return std::vector<std::string>{std::to_string(x * kScale + 1), std::to_string(y * kScale + 1)};
      };
      if (s.kind == Step::Text) {
        args.insert(args.end(), {"type", "--delay", "30", s.text});
      } else if (s.kind == Step::Key) {
        args.insert(args.end(), {"key", s.text.substr(s.text.find('/') + 1)});
      } else if (s.kind == Step::Drag) {
        std::vector<std::string> from = point(s.x, s.y), to = point(s.x2, s.y2);
        args.insert(args.end(), {"mousemove", "--window", id, from[0], from[1], "mousedown", "1"});
        for (int i = 1; i <= 10; ++i) {
          std::vector<std::string> p = point(s.x + (s.x2 - s.x) * i / 10, s.y + (s.y2 - s.y) * i / 10);
          args.insert(args.end(), {"sleep", "0.02", "mousemove", "--window", id, p[0], p[1]});
        }
        args.insert(args.end(), {"mouseup", "1"});
      } else {
        args.insert(args.end(), {"mousemove", "--window", id, std::to_string(s.x * kScale + 1),
                                 std::to_string(s.y * kScale + 1), "click", "1"});
      }
      EXPECT_EQ(test::RunToEnd(args, {x_.Env()}, ""), 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
  }

  // The window's top-left corner on the X screen.
  bool WindowPosition(const std::string& id, int* x, int* y) {
    std::string out = (scratch_ / "geometry.txt").string();
    if (test::RunToEnd({"xdotool", "getwindowgeometry", "--shell", id}, {x_.Env()}, out, 10) != 0) return false;
    std::istringstream in(test::ReadWholeFile(out));
    std::string line;
    bool gotX = false, gotY = false;
    while (std::getline(in, line)) {
      if (line.rfind("X=", 0) == 0) *x = std::stoi(line.substr(2)), gotX = true;
      if (line.rfind("Y=", 0) == 0) *y = std::stoi(line.substr(2)), gotY = true;
    }
    return gotX && gotY;
  }

  // How many pixels of the X screen at (x, y) differ from `expected` scaled; -1 without a
  // screenshot.
  int ScreenDifferences(int x, int y, const platform::Surface& expected) {
    std::string dump = (scratch_ / "root.xwd").string();
    platform::Surface root;
    if (test::RunToEnd({"xwd", "-silent", "-root", "-out", dump}, {x_.Env()}, "", 10) != 0 ||
        !test::ReadXwd(dump, &root))
      return -1;
    int w = expected.width() * kScale, h = expected.height() * kScale;
    if (x < 0 || y < 0 || x + w > root.width() || y + h > root.height()) return -1;
    platform::Surface part(w, h);
    for (int py = 0; py < h; ++py)
      for (int px = 0; px < w; ++px) part.set_pixel(px, py, root.pixel(x + px, y + py));
    std::string first;
    return test::ScaledDifferences(expected, part, kScale, &first);
  }

  // The platform's demo program as it starts, headless.
  platform::Surface HeadlessDemo() {
    fs::path script = scratch_ / "demo.script", png = scratch_ / "demo.png";
    std::ofstream(script) << "100 end\n";
    std::string log = (scratch_ / "demo-headless.log").string();
    EXPECT_EQ(test::RunToEnd({(kBin / "orlend-platform-demo").string(), "--headless", "--script", script.string(),
                              "--snapshot", png.string()},
                             {"ORLEND_BACKEND="}, log),
              0)
        << test::ReadWholeFile(log);
    platform::Surface s;
    std::string error;
    EXPECT_TRUE(platform::ReadPng(png.string(), &s, &error)) << error;
    return s;
  }

  // Waits up to 15 s for the screen at (x, y) to show `expected`.
  bool ScreenShows(int x, int y, const platform::Surface& expected) {
    auto end = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < end) {
      if (ScreenDifferences(x, y, expected) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  void ReportFirstFrame(const std::string& logName) {
    std::string output = test::ReadWholeFile((scratch_ / logName).string());
    size_t at = output.find("platform: first frame");
    if (at != std::string::npos)
      std::cout << "[ measured ] orlend-dict under Xvfb: " << output.substr(at, output.find('\n', at) - at) << "\n";
  }

  fs::path scratch_, program_, runtime_;
  test::XvfbSession x_;
  std::vector<pid_t> started_;
};

TEST_F(RealWindow, SearchingAndChoosingAWordShowsTheHeadlessPixels) {
  platform::Surface start = Headless({}, "start");
  platform::Surface chosen = Headless(kSteps, "chosen");
  // The real run starts as the headless ones did: no saved database, no kept history.
  fs::remove(program_ / "vemora.opt");
  fs::remove(program_ / "vemora.set");

  ASSERT_TRUE(x_.Start()) << "Xvfb did not start";
  pid_t first = StartWindow(program_ / "orlend-dict", "window.log");
  std::string id = test::FindXWindow(x_.Env(), "Duzavur", scratch_.string());
  ASSERT_FALSE(id.empty()) << "no window; the program's output: " << test::ReadWholeFile((scratch_ / "window.log").string());
  EXPECT_TRUE(test::XWindowShows(x_.Env(), id, start, kScale, scratch_.string()));

  Perform(kSteps, id);
  EXPECT_TRUE(test::XWindowShows(x_.Env(), id, chosen, kScale, scratch_.string()));
  EXPECT_TRUE(test::StillRunning(first));
  ReportFirstFrame("window.log");
}

// The whole entry of a word with many senses: opened by a tap on the panel, scrolled by a
// drag and by keys, and a reference in it followed to the entry it names.
TEST_F(RealWindow, AWholeEntryOpensScrollsAndFollowsAReference) {
  // A list of our own, converted as the sample is.
  fs::path source = scratch_ / "entries";
  fs::create_directories(source);
  std::ofstream(source / "entries.u8")
      << "中國 中国 [Zhong1 guo2] /China/\n"
         "華夏 华夏 [Hua2 xia4] /see also 中國|中国[Zhong1 guo2]/cathay/old name for China/of the central plain/"
         "the Chinese people/the Chinese nation/the Xia dynasty's land/ancient name/literary name/"
         "used in titles/used in names of firms/a second line of senses/and a third/and a fourth/the last one/\n";
  std::string log = (scratch_ / "entries.log").string();
  ASSERT_EQ(test::RunToEnd({(kBin / "cedict-derive").string(), (source / "entries.u8").string(), source.string()}, {},
                           log),
            0)
      << test::ReadWholeFile(log);
  ASSERT_EQ(test::RunToEnd({(kBin / "orlend-dict-installer").string(), "--convert", (source / "cedict.gb").string()},
                           {"SDL_VIDEODRIVER=dummy"}, log),
            0)
      << test::ReadWholeFile(log);
  fs::copy_file(source / "cedict.gb.dat", program_ / "cedict.gb.dat", fs::copy_options::overwrite_existing);

  const std::vector<Step> open = {{Step::Tap, 60, 178, ""}, {Step::Text, 0, 0, "cathay"}, {Step::Tap, 190, 180, ""},
                                  {Step::Tap, 40, 220, ""}, {Step::Tap, 60, 90, ""}};
  std::vector<Step> scrolled = open;
  scrolled.push_back({Step::Drag, 120, 240, "", 120, 140});  // inside the frame: the page's own stylus
  scrolled.push_back({Step::Key, 0, 0, "down/Down"});
  std::vector<Step> followed = scrolled;
  followed.push_back({Step::Key, 0, 0, "home/Home"});
  followed.push_back({Step::Tap, 110, 135, ""});  // the reference, the first sense
  platform::Surface start = Headless({}, "start");
  platform::Surface page = Headless(open, "page");
  platform::Surface moved = Headless(scrolled, "scrolled");
  platform::Surface other = Headless(followed, "followed");
  auto differing = [](const platform::Surface& a, const platform::Surface& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
  };
  ASSERT_GT(differing(page, moved), 100) << "the page did not scroll";
  ASSERT_GT(differing(page, other), 100) << "the reference was not followed";
  fs::remove(program_ / "vemora.opt");
  fs::remove(program_ / "vemora.set");

  ASSERT_TRUE(x_.Start()) << "Xvfb did not start";
  StartWindow(program_ / "orlend-dict", "window.log");
  std::string id = test::FindXWindow(x_.Env(), "Duzavur", scratch_.string());
  ASSERT_FALSE(id.empty()) << "no window; the program's output: " << test::ReadWholeFile((scratch_ / "window.log").string());
  ASSERT_TRUE(test::XWindowShows(x_.Env(), id, start, kScale, scratch_.string()));
  Perform(open, id);
  EXPECT_TRUE(test::XWindowShows(x_.Env(), id, page, kScale, scratch_.string()));
  Perform(std::vector<Step>(scrolled.begin() + static_cast<long>(open.size()), scrolled.end()), id);
  EXPECT_TRUE(test::XWindowShows(x_.Env(), id, moved, kScale, scratch_.string()));
  Perform(std::vector<Step>(followed.begin() + static_cast<long>(scrolled.size()), followed.end()), id);
  EXPECT_TRUE(test::XWindowShows(x_.Env(), id, other, kScale, scratch_.string()));
}

TEST_F(RealWindow, AResizedWindowKeepsTheScreensShapeAndTapsLandWhereTheyShow) {
  platform::Surface start = Headless({}, "start");
  const std::vector<Step> options = {{Step::Tap, 85, 308, ""}};  // the menu bar's Options
  // The menu open: taken while its loop waits for the next tap.
  fs::path script = scratch_ / "menu.script", png = scratch_ / "menu.png";
  std::ofstream(script) << "500 move 85 308\n+10 tap 85 308\n+300 snapshot " << png.string() << "\n+300 end\n";
  std::string log = (scratch_ / "menu.log").string();
  ASSERT_EQ(test::RunToEnd({(program_ / "orlend-dict").string(), "--headless", "--script", script.string()},
                           {"ORLEND_BACKEND=", "XDG_RUNTIME_DIR=" + runtime_.string()}, log),
            0)
      << test::ReadWholeFile(log);
  platform::Surface menu;
  std::string error;
  ASSERT_TRUE(platform::ReadPng(png.string(), &menu, &error)) << error;
  fs::remove(program_ / "vemora.opt");

  ASSERT_TRUE(x_.Start()) << "Xvfb did not start";
  StartWindow(program_ / "orlend-dict", "window.log");
  std::string id = test::FindXWindow(x_.Env(), "Duzavur", scratch_.string());
  ASSERT_FALSE(id.empty()) << "no window; the program's output: " << test::ReadWholeFile((scratch_ / "window.log").string());
  ASSERT_TRUE(test::XWindowShows(x_.Env(), id, start, kScale, scratch_.string()));

  // Wider and only a little taller: twice the size still fits, centred on black.
  ASSERT_EQ(test::RunToEnd({"xdotool", "windowsize", id, "780", "690"}, {x_.Env()}, ""), 0);
  const POINT at{(780 - 240 * kScale) / 2, (690 - 320 * kScale) / 2};
  ASSERT_TRUE(test::XWindowShows(x_.Env(), id, start, kScale, scratch_.string(), &at));
  for (const Step& s : options)
    EXPECT_EQ(test::RunToEnd({"xdotool", "mousemove", "--window", id, std::to_string(at.x + s.x * kScale + 1),
                              std::to_string(at.y + s.y * kScale + 1), "click", "1"},
                             {x_.Env()}, ""),
              0);
  EXPECT_TRUE(test::XWindowShows(x_.Env(), id, menu, kScale, scratch_.string(), &at));
}

TEST_F(RealWindow, ASecondStartBringsTheFirstForwardAndEnds) {
  platform::Surface start = Headless({}, "start");
  fs::remove(program_ / "vemora.opt");

  ASSERT_TRUE(x_.Start()) << "Xvfb did not start";
  pid_t first = StartWindow(program_ / "orlend-dict", "first.log");
  std::string id = test::FindXWindow(x_.Env(), "Duzavur", scratch_.string());
  ASSERT_FALSE(id.empty()) << "no window; the program's output: " << test::ReadWholeFile((scratch_ / "first.log").string());
  EXPECT_TRUE(test::XWindowShows(x_.Env(), id, start, kScale, scratch_.string()));
  int x = 0, y = 0;
  ASSERT_TRUE(WindowPosition(id, &x, &y));
  ASSERT_TRUE(ScreenShows(x, y, start));

  // Another program's handheld window opens over it, in the same place.
  platform::Surface demo = HeadlessDemo();
  StartWindow(kBin / "orlend-platform-demo", "demo.log");
  std::string demoId = test::FindXWindow(x_.Env(), "Platform demo", scratch_.string());
  ASSERT_FALSE(demoId.empty());
  ASSERT_TRUE(ScreenShows(x, y, demo)) << "the other window does not cover the dictionary";

  // Windows mapped from now on, seen by xev; a one-pixel move of the other window, once seen,
  // tells that xev listens.
  pid_t watch = -1;
  std::string events = (scratch_ / "xev.txt").string();
  if (test::OnPath("xev")) {
    watch = test::Spawn({"xev", "-root", "-event", "substructure"}, {x_.Env()}, events);
    started_.push_back(watch);
    auto until = Clock::now() + std::chrono::seconds(10);
    for (int dx = 1; Clock::now() < until && test::ReadWholeFile(events).find("ConfigureNotify") == std::string::npos;
         dx = 1 - dx) {
      test::RunToEnd({"xdotool", "windowmove", demoId, std::to_string(x + dx), std::to_string(y)}, {x_.Env()}, "");
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_NE(test::ReadWholeFile(events).find("ConfigureNotify"), std::string::npos) << "xev saw nothing";
  }

  // The second start finds the first, asks it forward and ends at once, showing nothing.
  auto before = Clock::now();
  pid_t second = test::Spawn({(program_ / "orlend-dict").string(), "--scale", std::to_string(kScale)}, Env(),
                             (scratch_ / "second.log").string());
  started_.push_back(second);
  EXPECT_EQ(test::WaitFor(second, 10), 0) << test::ReadWholeFile((scratch_ / "second.log").string());
  double seconds = std::chrono::duration<double>(Clock::now() - before).count();
  EXPECT_LT(seconds, 5.0);
  EXPECT_TRUE(test::StillRunning(first));
  EXPECT_TRUE(ScreenShows(x, y, start)) << "the first window did not come to the front";
  EXPECT_TRUE(test::StillRunning(first));
  if (watch > 0) {
    kill(watch, SIGTERM);
    test::WaitFor(watch, 10);
    EXPECT_EQ(test::ReadWholeFile(events).find("MapNotify"), std::string::npos) << "the second start showed a window";
  } else {
    std::cout << "[ skipped  ] xev is missing: windows of the second start not watched\n";
  }
}

// A killed program's list names its window, but its process number now belongs to an
// unrelated live process: that is no running copy, so the list goes and the program starts
// (on SDL's dummy video; no X needed) instead of handing over to nothing.
TEST_F(RealWindow, AStaleListWhoseNumberWasReusedIsDroppedAndTheProgramStarts) {
  pid_t unrelated = test::Spawn({"sleep", "60"}, {}, "");
  started_.push_back(unrelated);
  fs::path lists = runtime_ / "orlend-windows";
  fs::create_directories(lists);
  ::chmod(lists.c_str(), 0700);
  fs::path stale = lists / std::to_string(unrelated);
  std::ofstream(stale) << "process\t" << (program_ / "orlend-dict").string()
                       << "\t12345\n1000\tOrlendDuzavurEvuravuzadMain\tDuzavur Evuravuzad\n";

  std::string log = (scratch_ / "stale.log").string();
  pid_t program = test::Spawn({(program_ / "orlend-dict").string()},
                              {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "ORLEND_BACKEND=",
                               "XDG_RUNTIME_DIR=" + runtime_.string(), "ORLEND_TIMING=1"},
                              log);
  started_.push_back(program);
  auto until = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < until && test::StillRunning(program) &&
         test::ReadWholeFile(log).find("platform: first frame") == std::string::npos)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_NE(test::ReadWholeFile(log).find("platform: first frame"), std::string::npos) << test::ReadWholeFile(log);
  EXPECT_TRUE(test::StillRunning(program)) << "it handed over to a window that does not exist";
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(lists / std::to_string(program))) << "its own list";
}

}  // namespace
