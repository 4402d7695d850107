// The SDL backend: real windows on the desktop. The handheld screen is one window, scaled
// by a whole factor with crisp pixels; on the desktop screen every visible top-level window
// gets a borderless window of its own at its place. A resized handheld window keeps the
// screen's shape: the largest whole factor that fits, else a smaller picture, centred on
// black, and taps are mapped back through the same placement.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "backends/backend.h"
#include "backends/frame_trace.h"
#include "platform/windows.h"
#include "backends/sdl/sdl_audio.h"
#include "backends/sdl/sdl_keys.h"
#include "platform/utf.h"
#include "user/instances.h"
#include "backends/sdl/sdl_api.h"

namespace platform {

bool OpenWithDesktop(const std::string& pathOrUrl);

namespace {

struct Output {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int width = 0;
  int height = 0;
  bool keepShape = false;  // letterboxed in its window, never stretched
  // The handheld's window is drawn on its window surface, so that only what changed goes to
  // the display: the frame last shown and the surface size it was shown on.
  std::vector<uint32_t> shown;
  int surfaceW = 0, surfaceH = 0;
};

// Where a width x height picture goes in an output of outW x outH: a whole factor when
// one fits, else scaled down to fit; centred either way.
SDL_Rect Placement(int width, int height, int outW, int outH) {
  if (width <= 0 || height <= 0 || outW <= 0 || outH <= 0) return SDL_Rect{0, 0, std::max(outW, 0), std::max(outH, 0)};
  int factor = std::min(outW / width, outH / height);
  int w, h;
  if (factor >= 1) {
    w = width * factor;
    h = height * factor;
  } else if (static_cast<long long>(outW) * height <= static_cast<long long>(outH) * width) {
    w = outW;
    h = std::max(1, static_cast<int>(static_cast<long long>(outW) * height / width));
  } else {
    h = outH;
    w = std::max(1, static_cast<int>(static_cast<long long>(outH) * width / height));
  }
  return SDL_Rect{(outW - w) / 2, (outH - h) / 2, w, h};
}

SDL_Rect PlacementIn(const Output& o) {
  int outW = 0, outH = 0;
  SDL_GetWindowSize(o.window, &outW, &outH);
  return Placement(o.width, o.height, outW, outH);
}

void Close(Output& o) {
  if (o.texture) SDL_DestroyTexture(o.texture);
  if (o.renderer) SDL_DestroyRenderer(o.renderer);
  if (o.window) SDL_DestroyWindow(o.window);
  o = Output{};
}

bool MakeRenderer(Output& o, int width, int height) {
  o.renderer = SDL_CreateRenderer(o.window, -1, SDL_RENDERER_ACCELERATED);
  if (!o.renderer) o.renderer = SDL_CreateRenderer(o.window, -1, SDL_RENDERER_SOFTWARE);
  if (!o.renderer) return false;
  o.texture = SDL_CreateTexture(o.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                std::max(1, width), std::max(1, height));
  o.width = width;
  o.height = height;
  return o.texture != nullptr;
}

void Show(Output& o) {
  if (!o.renderer || !o.texture) return;
  SDL_SetRenderDrawColor(o.renderer, 0, 0, 0, 255);
  SDL_RenderClear(o.renderer);
  if (o.keepShape) {
    // The renderer's output may count other pixels than the window (high density screens).
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(o.renderer, &outW, &outH);
    SDL_Rect to = Placement(o.width, o.height, outW, outH);
    SDL_RenderCopy(o.renderer, o.texture, nullptr, &to);
  } else {
    SDL_RenderCopy(o.renderer, o.texture, nullptr, nullptr);
  }
  SDL_RenderPresent(o.renderer);
}

// Draws `pixels` (o.width x o.height, the layer's RGB888 frame) on the handheld's window
// surface and sends the display only the rectangle that differs from the frame shown last;
// the whole window after a resize, an exposure (whole) or where the scale is no whole factor.
void ShowOnSurface(Output& o, const uint32_t* pixels, bool whole) {
  SDL_Surface* target = SDL_GetWindowSurface(o.window);
  if (!target || o.width <= 0 || o.height <= 0) return;
  SDL_Rect to = Placement(o.width, o.height, target->w, target->h);
  int factor = to.w / o.width;
  bool exact = factor >= 1 && to.w == o.width * factor && to.h == o.height * factor;
  size_t count = static_cast<size_t>(o.width) * o.height;
  whole = whole || !exact || o.shown.size() != count || target->w != o.surfaceW || target->h != o.surfaceH;
  int x0 = 0, y0 = 0, x1 = o.width, y1 = o.height;
  if (!whole) {
    y0 = o.height, y1 = 0, x0 = o.width, x1 = 0;
    for (int y = 0; y < o.height; ++y) {
      const uint32_t* now = pixels + static_cast<size_t>(y) * o.width;
      const uint32_t* was = o.shown.data() + static_cast<size_t>(y) * o.width;
      if (std::memcmp(now, was, o.width * sizeof(uint32_t)) == 0) continue;
      y0 = std::min(y0, y);
      y1 = y + 1;
      int left = 0, right = o.width;
      while (now[left] == was[left]) ++left;
      while (now[right - 1] == was[right - 1]) --right;
      x0 = std::min(x0, left);
      x1 = std::max(x1, right);
    }
    if (y1 <= y0) return;  // nothing changed
  }
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), o.width, o.height, 32,
                                                           o.width * 4, SDL_PIXELFORMAT_RGB888);
  if (!source) return;
  if (whole) {
    SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    SDL_BlitScaled(source, nullptr, target, &to);
    SDL_UpdateWindowSurface(o.window);
  } else {
    SDL_Rect from{x0, y0, x1 - x0, y1 - y0};
    SDL_Rect part{to.x + x0 * factor, to.y + y0 * factor, (x1 - x0) * factor, (y1 - y0) * factor};
    SDL_BlitScaled(source, &from, target, &part);
    SDL_UpdateWindowSurfaceRects(o.window, &part, 1);
  }
  SDL_FreeSurface(source);
  o.shown.assign(pixels, pixels + count);
  o.surfaceW = target->w;
  o.surfaceH = target->h;
}

// The driver SDL chose puts windows on a screen, or it draws nowhere and was asked for by name.
bool ShowsOnADisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return false;
  if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return true;
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  return asked && std::strstr(asked, driver) != nullptr;
}

class SdlBackend : public Backend {
 public:
  explicit SdlBackend(const Options& options) : options_(options) { audio_.SetVerbose(options.verbose); }
  ~SdlBackend() override {
    for (auto& [hwnd, o] : views_) Close(o);
    Close(device_);
    audio_.Close();
    SDL_StopTextInput();
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER);
  }

  bool Init() {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    // Frames are finished in software; a GPU renderer only adds its start-up (a second and
    // more under a virtual X server). The environment can still choose another.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
      std::fprintf(stderr, "platform: no display could be opened: %s\n", SDL_GetError());
      return false;
    }
    if (!ShowsOnADisplay()) {
      // SDL falls back to a driver that draws nowhere: the program would run unseen, and a
      // later start on a real display would hand over to it.
      std::fprintf(stderr, "platform: no display could be opened (DISPLAY and WAYLAND_DISPLAY name none)\n");
      SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER);
      return false;
    }
    start_ = SDL_GetTicks64();
    return true;
  }

  void DesktopGeometry(RECT* screen, RECT* workArea) override {
    SDL_Rect bounds{0, 0, 1280, 1024}, usable{0, 0, 1280, 984};
    if (SDL_GetDisplayBounds(0, &bounds) != 0) bounds = SDL_Rect{0, 0, 1280, 1024};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) usable = bounds;
    *screen = RECT{0, 0, bounds.x + bounds.w, bounds.y + bounds.h};
    *workArea = RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
  }

  bool Open(ScreenKind kind, int width, int height) override {
    kind_ = kind;
    width_ = width;
    height_ = height;
    SDL_StartTextInput();
    if (kind != ScreenKind::Handheld) return true;
    int scale = std::max(1, options_.scale);
    // Shown with its first frame: a program that ends before it has one (a second start that
    // hands over to the running one) never shows an empty window.
    device_.window = SDL_CreateWindow("Handheld", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                      width * scale, height * scale, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    device_.keepShape = true;
    device_.width = width;
    device_.height = height;
    if (!device_.window) {
      std::fprintf(stderr, "platform: SDL cannot make the handheld's window: %s\n", SDL_GetError());
      return false;
    }
    TraceAt("window made");
    return true;
  }

  // The layer finishes a frame whenever it goes idle, which a search's progress reports make
  // a hundred times a second and more; a display shows one per refresh. So at most one frame
  // goes out per kFrameInterval, and a frame held back goes out when that much time has
  // passed or the program next waits or sleeps: the last state is always shown.
  void Present(const Surface& screen, const std::vector<FrameView>& views) override {
    heldScreen_ = &screen;
    heldViews_ = views;
    held_ = true;
    if (presented_ && SDL_GetTicks64() - lastPresent_ < kFrameInterval) return;
    PresentHeld();
  }

  unsigned FramesShown() const override { return framesShown_; }

  void PresentHeld() {
    if (!held_) return;
    held_ = false;
    lastPresent_ = SDL_GetTicks64();
    presented_ = true;
    framesShown_++;
    const Surface& screen = *heldScreen_;
    const std::vector<FrameView>& views = heldViews_;
    if (kind_ == ScreenKind::Handheld) {
      if (SDL_GetWindowFlags(device_.window) & SDL_WINDOW_HIDDEN) SDL_ShowWindow(device_.window);
      ShowOnSurface(device_, screen.data(), false);
      TraceAt("frame shown");  // SDL waits for the X server to take the frame
      for (const FrameView& v : views)
        if (v.active) {
          std::string title = Utf8FromUtf16(v.title);
          if (title != deviceTitle_) {
            deviceTitle_ = title;
            SDL_SetWindowTitle(device_.window, title.empty() ? "Handheld" : title.c_str());
          }
        }
      return;
    }
    PresentDesktop(screen, views);
    TraceAt("frame shown");
  }

  DWORD Ticks() override { return static_cast<DWORD>(SDL_GetTicks64() - start_ + 1000); }

  void Poll(std::deque<InputEvent>& out) override {
    Uint64 now = SDL_GetTicks64();
    if (held_ && now - lastPresent_ >= kFrameInterval) PresentHeld();
    // A search reports progress, and so polls, many times a millisecond; asking the display
    // server each time cost a search in a window about a fifth of its time. Once a millisecond
    // is sooner than any input can matter.
    if (now != lastPump_) {
      lastPump_ = now;
      SDL_PumpEvents();
    }
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) Translate(e, out);
    // Another start of the program may ask to come forward; a few looks a second do.
    if (now - lastRequestCheck_ >= kRequestCheck) {
      lastRequestCheck_ = now;
      InputEvent in;
      bool withOwned = false;
      if (TakeForegroundRequest(&in.window, &withOwned)) {
        in.kind = InputEvent::Kind::Foreground;
        in.key = withOwned ? 1 : 0;
        out.push_back(in);
      }
    }
  }

  bool Wait(DWORD timeout, std::deque<InputEvent>& out) override {
    PresentHeld();
    TraceAt("waiting");
    SDL_Event e;
    DWORD capped = std::min<DWORD>(timeout, kRequestCheck);
    if (SDL_WaitEventTimeout(&e, static_cast<int>(capped))) Translate(e, out);
    Poll(out);
    return true;
  }

  void Sleep(DWORD ms, std::deque<InputEvent>& out) override {
    PresentHeld();
    SDL_Delay(ms);
    Poll(out);
  }

  void Raise() override {
    if (kind_ == ScreenKind::Handheld) {
      if (device_.window) SDL_RaiseWindow(device_.window);
    } else {
      activeShown_ = nullptr;  // the next frame raises the active window's desktop window
    }
  }

  bool SetClipboardText(const std::u16string& text) override {
    return SDL_SetClipboardText(Utf8FromUtf16(text).c_str()) == 0;
  }

  bool GetClipboardText(std::u16string* text) override {
    if (!SDL_HasClipboardText()) return false;
    char* raw = SDL_GetClipboardText();
    if (!raw) return false;
    *text = Utf16FromUtf8(raw);
    SDL_free(raw);
    return true;
  }

  void PlayWave(const std::string& path) override { audio_.PlayWave(path); }
  void StopSound() override { audio_.Stop(); }
  void Tone(DWORD frequency, DWORD ms) override { audio_.Tone(frequency, ms); }
  bool OpenDocument(const std::string& target) override { return OpenWithDesktop(target); }

 private:
  void PresentDesktop(const Surface& screen, const std::vector<FrameView>& views) {
    // Windows that went away lose their desktop windows.
    for (auto it = views_.begin(); it != views_.end();) {
      bool still = std::any_of(views.begin(), views.end(), [&](const FrameView& v) { return v.window == it->first; });
      if (still) {
        ++it;
        continue;
      }
      byId_.erase(SDL_GetWindowID(it->second.window));
      Close(it->second);
      it = views_.erase(it);
    }
    // Back to front, so the desktop stacks them as the layer does.
    for (auto v = views.rbegin(); v != views.rend(); ++v) {
      RECT r = v->rect;
      int w = std::max<int>(1, r.right - r.left), h = std::max<int>(1, r.bottom - r.top);
      Output& o = views_[v->window];
      if (!o.window) {
        Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
        if (v->topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR;
        std::string title = Utf8FromUtf16(v->title);
        o.window = SDL_CreateWindow(title.c_str(), r.left, r.top, w, h, flags);
        if (!o.window || !MakeRenderer(o, w, h)) {
          Close(o);
          views_.erase(v->window);
          continue;
        }
        byId_[SDL_GetWindowID(o.window)] = v->window;
      } else {
        int x, y;
        SDL_GetWindowPosition(o.window, &x, &y);
        if (x != r.left || y != r.top) SDL_SetWindowPosition(o.window, r.left, r.top);
        if (o.width != w || o.height != h) {
          SDL_SetWindowSize(o.window, w, h);
          SDL_DestroyTexture(o.texture);
          o.texture = SDL_CreateTexture(o.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, w, h);
          o.width = w;
          o.height = h;
        }
      }
      // The window's part of the screen; what lies off the screen stays black.
      std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, 0);
      for (int y = 0; y < h; ++y) {
        int sy = r.top + y;
        if (sy < 0 || sy >= screen.height()) continue;
        const uint32_t* row = screen.row(sy);
        for (int x = 0; x < w; ++x) {
          int sx = r.left + x;
          if (sx >= 0 && sx < screen.width()) pixels[static_cast<size_t>(y) * w + x] = row[sx];
        }
      }
      SDL_UpdateTexture(o.texture, nullptr, pixels.data(), w * 4);
      Show(o);
      if (v->active && activeShown_ != v->window) {
        activeShown_ = v->window;
        SDL_RaiseWindow(o.window);
      }
    }
  }

  // The handheld's point under window point (x, y); false outside the picture (the point is
  // then its nearest edge).
  bool HandheldPoint(int x, int y, POINT* out) {
    SDL_Rect to = PlacementIn(device_);
    int w = std::max(1, to.w), h = std::max(1, to.h);
    int sx = static_cast<int>((static_cast<long long>(x - to.x) * device_.width) / w);
    int sy = static_cast<int>((static_cast<long long>(y - to.y) * device_.height) / h);
    bool inside = x >= to.x && y >= to.y && sx < device_.width && sy < device_.height;
    out->x = std::clamp(sx, 0, std::max(0, device_.width - 1));
    out->y = std::clamp(sy, 0, std::max(0, device_.height - 1));
    return inside;
  }

  POINT ScreenPoint(Uint32 windowId, int x, int y) {
    if (kind_ == ScreenKind::Handheld) {
      POINT p;
      HandheldPoint(x, y, &p);
      return p;
    }
    // On the desktop the pointer's place on the desktop is the screen point, whichever
    // window reported it (a dragged window moves under the pointer meanwhile).
    (void)windowId;
    int gx, gy;
    SDL_GetGlobalMouseState(&gx, &gy);
    return POINT{gx, gy};
  }

  void Translate(const SDL_Event& e, std::deque<InputEvent>& out) {
    InputEvent in;
    switch (e.type) {
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        if (e.button.button == SDL_BUTTON_LEFT)
          in.kind = down ? InputEvent::Kind::StylusDown : InputEvent::Kind::StylusUp;
        else if (e.button.button == SDL_BUTTON_RIGHT)
          in.kind = down ? InputEvent::Kind::RightDown : InputEvent::Kind::RightUp;
        else
          return;
        // A press on the black bars around the handheld's picture is no tap, nor its release.
        if (down && kind_ == ScreenKind::Handheld && !HandheldPoint(e.button.x, e.button.y, &in.point)) {
          pressOutside_ = true;
          return;
        }
        if (!down && pressOutside_) {
          pressOutside_ = false;
          return;
        }
        SDL_CaptureMouse(down ? SDL_TRUE : SDL_FALSE);
        if (!down && in.kind == InputEvent::Kind::StylusUp) TraceAt("stylus up");
        in.point = ScreenPoint(e.button.windowID, e.button.x, e.button.y);
        out.push_back(in);
        return;
      }
      case SDL_MOUSEMOTION:
        in.kind = InputEvent::Kind::StylusMove;
        in.point = ScreenPoint(e.motion.windowID, e.motion.x, e.motion.y);
        out.push_back(in);
        return;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        UINT vk = VirtualKeyFromSdl(e.key.keysym.sym);
        if (!vk) return;
        in.kind = e.type == SDL_KEYDOWN ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        in.key = vk;
        out.push_back(in);
        return;
      }
      case SDL_TEXTINPUT:
        in.kind = InputEvent::Kind::Text;
        in.text = Utf16FromUtf8(e.text.text);
        if (!in.text.empty()) out.push_back(in);
        return;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          in.kind = InputEvent::Kind::CloseWindow;
          auto it = byId_.find(e.window.windowID);
          in.window = it != byId_.end() ? it->second : nullptr;
          out.push_back(in);
        } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          if (kind_ == ScreenKind::Handheld) {
            if (!device_.shown.empty()) {
              std::vector<uint32_t> last = device_.shown;
              ShowOnSurface(device_, last.data(), true);
            }
          } else {
            auto it = byId_.find(e.window.windowID);
            if (it != byId_.end()) Show(views_[it->second]);
          }
        }
        return;
      case SDL_QUIT:
        in.kind = InputEvent::Kind::CloseWindow;
        out.push_back(in);
        return;
    }
  }

  Options options_;
  ScreenKind kind_ = ScreenKind::Handheld;
  int width_ = 0;
  int height_ = 0;
  Uint64 start_ = 0;
  Output device_;
  std::string deviceTitle_;
  std::unordered_map<HWND, Output> views_;
  std::unordered_map<Uint32, HWND> byId_;
  HWND activeShown_ = nullptr;
  bool pressOutside_ = false;
  SdlAudio audio_;
  static constexpr Uint64 kFrameInterval = 16;  // ms: one display refresh
  const Surface* heldScreen_ = nullptr;
  std::vector<FrameView> heldViews_;
  bool held_ = false;
  bool presented_ = false;
  Uint64 lastPresent_ = 0;
  Uint64 lastPump_ = 0;
  unsigned framesShown_ = 0;
  static constexpr DWORD kRequestCheck = 250;
  Uint64 lastRequestCheck_ = 0;
};

}  // namespace

std::unique_ptr<Backend> CreateSdlBackend(const Options& options) {
  TraceAt("SDL to be loaded");
  if (!LoadSdlApi()) {
    std::fprintf(stderr, "platform: no display could be opened: SDL2 (libSDL2-2.0.so.0) is not installed\n");
    return nullptr;
  }
  TraceAt("SDL loaded");
  auto backend = std::make_unique<SdlBackend>(options);
  if (!backend->Init()) return nullptr;
  TraceAt("display opened");
  return backend;
}

}  // namespace platform
