// A font realised at one size and style: metrics and rendered glyphs, cached for the run
// (text is drawn on every paint).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/wingdi.h"

namespace platform::fonts {

struct Glyph {
  int left = 0;    // from the pen position to the bitmap's first column
  int top = 0;     // from the baseline up to the bitmap's first row
  int width = 0;
  int height = 0;
  int advance = 0;                // whole pixels
  std::vector<uint8_t> coverage;  // width * height, 0..255
};

struct Metrics {
  int ascent = 0;
  int descent = 0;
  int height = 0;
  int internalLeading = 0;
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int underlineOffset = 0;  // first underline row below the baseline (0 = the row just below)
  int underlineThickness = 1;
  int strikeoutOffset = 0;  // rows above the baseline of the strikeout's top row
  int strikeoutThickness = 1;
};

struct FaceAtSize;

class FontInstance {
 public:
  struct Key {
    std::string family;
    int em = 0;
    bool bold = false;
    bool italic = false;
    bool antialiased = false;
    int charSet = 0;
    bool operator==(const Key&) const = default;
  };

  explicit FontInstance(const Key& key);
  ~FontInstance();

  const Metrics& metrics() const { return metrics_; }
  const Key& key() const { return key_; }
  // Characters below U+0020 have no glyph and no width. Each character comes from the first
  // face of the chain that has it: a Latin face for the Latin letters of a Chinese face, the
  // small-size face, the face itself, then the fallbacks, so Chinese always shows.
  const Glyph& GlyphFor(char32_t c);
  int Advance(char32_t c) { return GlyphFor(c).advance; }

 private:
  struct Source {
    std::unique_ptr<FaceAtSize> face;
    bool latinOnly = false;
    bool borrowed = false;  // not the face that gives the metrics
    // A fallback family whose faces are opened when a character first reaches it (the
    // Chinese fallbacks are large collections that most texts never need); face is null.
    std::string pendingFamily;
  };
  // The family's faces as sources: its small-size face, then the face itself.
  std::vector<Source> FamilySources(const std::string& family, bool borrowed, bool latinOnly);
  void AddFamily(const std::string& family, bool borrowed, bool latinOnly);
  bool Render(FaceAtSize* face, char32_t c, Glyph& out);

  Key key_;
  Metrics metrics_;
  std::unique_ptr<FaceAtSize> primary_;  // gives the metrics
  std::vector<Source> chain_;             // gives the glyphs, in this order
  std::unordered_map<char32_t, Glyph> glyphs_;
};

// The realised font for a LOGFONTW (shared by every font object with the same look).
std::shared_ptr<FontInstance> InstanceFor(const LOGFONTW& font);

// The character height in pixels that a LOGFONTW height asks for.
int EmPixels(const LOGFONTW& font);

}  // namespace platform::fonts
