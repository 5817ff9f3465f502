#include "graphics/pix/pix_font.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_blend.h"
#include "graphics/pix/pix_font_backend.h"
#include "graphics/pix/pix_utf8.h"

namespace fluvia {
namespace {

// Flag bits of a font that need the glyph renderer (effects, vertical text, ...).
constexpr unsigned kGlyphOnlyFontFlags = 0x1f7;
// A destination answering non-zero to this extended operation wants glyph rendering.
constexpr unsigned kGlyphPathQuery = 0x59555678;
// Glyphs of taller fonts would take megabytes each; such fonts render nothing.
constexpr int kMaxGlyphLineHeight = 1023;
// Growth steps of the glyph storage; the coverage heap is capped so that text made of ever new
// characters cannot grow it without bound: past the cap the cache starts over.
constexpr std::size_t kCoverageGranularity = 65536;
constexpr std::size_t kGlyphListGranularity = 4096;
constexpr std::size_t kMaxCoverageBytes = std::size_t{32} << 20;
// Coordinates are kept well inside int so that pen arithmetic cannot overflow.
constexpr int kCoordinateLimit = 1 << 28;

int ClampCoordinate(int v) { return std::min(std::max(v, -kCoordinateLimit), kCoordinateLimit); }

template <typename T>
void ReserveInSteps(std::vector<T>& v, std::size_t needed, std::size_t stepBytes) {
  if (needed <= v.capacity()) return;
  const std::size_t step = std::max<std::size_t>(1, stepBytes / sizeof(T));
  v.reserve((needed + step - 1) / step * step);
}

struct TextLine {
  std::vector<unsigned> codes;
  int width = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Font key

PixFontKey::PixFontKey(const char* fontName, int pixelSize, int fontStyle, int degrees,
                       int fontQuality)
    : size(pixelSize), style(fontStyle), orientation(degrees), quality(fontQuality) {
  if (fontName != nullptr) {
    std::strncpy(name, fontName, sizeof name - 1);
    name[sizeof name - 1] = '\0';
  }
}

bool PixFontKey::SameFont(const PixFontKey& other) const {
  return size == other.size && orientation == other.orientation && style == other.style &&
         std::strncmp(name, other.name, sizeof name) == 0;
}

// ---------------------------------------------------------------------------------------------
// Cached font

PixCachedFont::PixCachedFont() { pixbackend::FontCreated(); }

PixCachedFont::~PixCachedFont() {
  if ((flags_ & kPixFontOwnsHandle) != 0 && systemFont_ != nullptr) {
    pixbackend::DeleteSystemFont(systemFont_);
  }
  pixbackend::FontDestroyed();
}

bool PixCachedFont::SetFromSystemFont(PixFontHandle font, unsigned flags) {
  std::lock_guard<std::mutex> hold(glyphLock_);
  if ((flags_ & kPixFontOwnsHandle) != 0 && systemFont_ != nullptr && systemFont_ != font) {
    pixbackend::DeleteSystemFont(systemFont_);
  }
  systemFont_ = font;
  flags_ = flags;
  lineHeight_ = font != nullptr ? pixbackend::LineHeight(font) : 0;
  ClearGlyphs();
  if ((flags & kPixFontPrerenderAscii) != 0) {
    for (unsigned code = 0; code < 128; ++code) FindOrRender(code);
  }
  return font != nullptr && lineHeight_ > 0;
}

std::uint32_t PixCachedFont::SetTextColour(std::uint32_t colour) {
  return std::exchange(textColour_, colour);
}
std::uint32_t PixCachedFont::SetBackgroundColour(std::uint32_t colour) {
  return std::exchange(backgroundColour_, colour);
}
std::uint32_t PixCachedFont::SetEffectColour(std::uint32_t colour) {
  return std::exchange(effectColour_, colour);
}
int PixCachedFont::SetBackgroundMode(int mode) { return std::exchange(backgroundMode_, mode); }
int PixCachedFont::SetCombineMode(int mode, float alpha) {
  if (!(alpha >= 0.0f)) alpha = 0.0f;  // also catches NaN
  combineAlpha_ = std::min(alpha, 1.0f);
  return std::exchange(combineMode_, mode);
}

std::size_t PixCachedFont::RenderedGlyphCount() const {
  std::lock_guard<std::mutex> hold(glyphLock_);
  std::size_t count = others_.size();
  for (const Glyph& g : ascii_) count += g.rendered ? 1 : 0;
  return count;
}

void PixCachedFont::ClearGlyphs() {
  for (Glyph& g : ascii_) g = Glyph{};
  others_.clear();
  coverage_.clear();
}

bool PixCachedFont::RenderInto(unsigned code, Glyph& glyph) {
  if (systemFont_ == nullptr || lineHeight_ <= 0 || lineHeight_ > kMaxGlyphLineHeight) {
    return false;
  }
  pixbackend::GlyphImage image;
  if (!pixbackend::RenderGlyph(systemFont_, code, lineHeight_, image)) return false;

  glyph = Glyph{};
  glyph.code = code;
  glyph.rendered = true;
  glyph.advance = image.advance;
  const std::size_t bytes = static_cast<std::size_t>(std::max(image.width, 0)) *
                            static_cast<std::size_t>(std::max(image.height, 0));
  if (bytes == 0 || image.coverage.size() < bytes) return true;  // measures empty: no coverage

  glyph.empty = false;
  glyph.width = image.width;
  glyph.height = image.height;
  glyph.left = image.left;
  glyph.top = image.top;
  glyph.offset = static_cast<std::uint32_t>(coverage_.size());
  ReserveInSteps(coverage_, coverage_.size() + bytes, kCoverageGranularity);
  coverage_.insert(coverage_.end(), image.coverage.begin(), image.coverage.begin() + bytes);
  return true;
}

const PixCachedFont::Glyph* PixCachedFont::FindOrRender(unsigned code) {
  if (coverage_.size() > kMaxCoverageBytes) ClearGlyphs();
  if (code < 128) {
    Glyph& slot = ascii_[code];
    if (!slot.rendered && !RenderInto(code, slot)) return nullptr;
    return &slot;
  }
  auto at = std::lower_bound(others_.begin(), others_.end(), code,
                             [](const Glyph& g, unsigned c) { return g.code < c; });
  if (at != others_.end() && at->code == code) return &*at;
  Glyph fresh;
  if (!RenderInto(code, fresh)) return nullptr;
  const auto index = at - others_.begin();
  ReserveInSteps(others_, others_.size() + 1, kGlyphListGranularity);
  // Inserting at the lower bound keeps the list sorted by code, as a re-sort would.
  return &*others_.insert(others_.begin() + index, fresh);
}

void PixCachedFont::BlendGlyph(PixBitmap* dest, const Glyph& glyph, int x, int y,
                               const PixRect& clip, std::uint32_t colour) {
  const int left = std::max({x + glyph.left, clip.left, 0});
  const int top = std::max({y + glyph.top, clip.top, 0});
  const int right = std::min({x + glyph.left + glyph.width, clip.right, dest->Width()});
  const int bottom = std::min({y + glyph.top + glyph.height, clip.bottom, dest->Height()});
  if (left >= right || top >= bottom) return;

  const int alpha = static_cast<int>(static_cast<float>(colour >> 24) * combineAlpha_ + 0.5f);
  if (alpha <= 0) return;
  const int sr = static_cast<int>((colour >> 16) & 0xff);
  const int sg = static_cast<int>((colour >> 8) & 0xff);
  const int sb = static_cast<int>(colour & 0xff);
  std::uint32_t* const pixels = dest->Pixels();
  const int span = dest->RowSpan();

  for (int py = top; py < bottom; ++py) {
    const std::uint8_t* cov =
        coverage_.data() + glyph.offset +
        static_cast<std::size_t>(py - (y + glyph.top)) * static_cast<std::size_t>(glyph.width);
    const int row = dest->IsFlipped() ? dest->Height() - 1 - py : py;
    std::uint32_t* line = pixels + static_cast<std::ptrdiff_t>(row) * span;
    for (int px = left; px < right; ++px) {
      const int c = cov[px - (x + glyph.left)];
      if (c == 0) continue;
      const int k = (c * alpha + 127) / 255;  // 0..255: this pixel's share of the text colour
      if (k == 0) continue;
      const std::uint32_t d = line[px];
      const int dr = static_cast<int>((d >> 16) & 0xff);
      const int dg = static_cast<int>((d >> 8) & 0xff);
      const int db = static_cast<int>(d & 0xff);
      const int da = static_cast<int>(d >> 24);
      const int r = (sr * k + dr * (255 - k) + 127) / 255;
      const int g = (sg * k + dg * (255 - k) + 127) / 255;
      const int b = (sb * k + db * (255 - k) + 127) / 255;
      const int a = k + (da * (255 - k) + 127) / 255;
      line[px] = PixPackArgb(static_cast<unsigned>(a), static_cast<unsigned>(r),
                             static_cast<unsigned>(g), static_cast<unsigned>(b));
    }
  }
}

bool PixCachedFont::DrawGlyph(PixBitmap* dest, unsigned code, int x, int y,
                              const PixRect& clip) {
  if (dest == nullptr || dest->Pixels() == nullptr) return false;
  std::lock_guard<std::mutex> hold(glyphLock_);
  const Glyph* glyph = FindOrRender(code);
  if (glyph == nullptr) return false;
  if (glyph->empty) return true;
  const int left = std::max(x + glyph->left, clip.left);
  const int top = std::max(y + glyph->top, clip.top);
  const int right = std::min(x + glyph->left + glyph->width, clip.right);
  const int bottom = std::min(y + glyph->top + glyph->height, clip.bottom);
  if (left >= right || top >= bottom) return false;
  BlendGlyph(dest, *glyph, x, y, clip, textColour_);
  return true;
}

bool PixCachedFont::DrawWithGlyphs(PixBitmap* dest, const char* text, int length,
                                   PixRect& rect, unsigned flags) {
  std::lock_guard<std::mutex> hold(glyphLock_);
  const bool singleLine = (flags & kPixTextSingleLine) != 0;

  // Lay the text out in lines first: alignment needs each line's width.
  std::vector<TextLine> lines;
  if (length > 0) lines.emplace_back();
  std::size_t pos = 0;
  const auto total = static_cast<std::size_t>(length);
  while (pos < total) {
    unsigned code = 0;
    pos += static_cast<std::size_t>(DecodeUtf8(text + pos, total - pos, code));
    if (code == '\r') continue;
    if (code == '\n') {
      if (!singleLine) {
        lines.emplace_back();
        continue;
      }
      code = ' ';
    }
    const Glyph* glyph = FindOrRender(code);
    if (glyph == nullptr) continue;
    lines.back().codes.push_back(code);
    lines.back().width = std::min(lines.back().width + glyph->advance, kCoordinateLimit);
  }

  const int lineAdvance = lineHeight_ + extraLineSpacing_;
  int textWidth = 0;
  for (const TextLine& line : lines) textWidth = std::max(textWidth, line.width);
  const int lineCount = static_cast<int>(lines.size());
  const long long blockHeight =
      lineCount == 0 ? 0
                     : static_cast<long long>(lineCount) * lineHeight_ +
                           static_cast<long long>(lineCount - 1) * extraLineSpacing_;
  const int textHeight = static_cast<int>(std::min<long long>(blockHeight, kCoordinateLimit));

  if ((flags & kPixTextMeasure) != 0) {
    rect.right = rect.left + textWidth;
    rect.bottom = rect.top + textHeight;
    return true;
  }
  if (dest->Pixels() == nullptr) return true;

  PixRect clip{0, 0, dest->Width(), dest->Height()};
  if ((flags & kPixTextNoClip) == 0) {
    clip.left = std::max(clip.left, rect.left);
    clip.top = std::max(clip.top, rect.top);
    clip.right = std::min(clip.right, rect.right);
    clip.bottom = std::min(clip.bottom, rect.bottom);
  }

  // Vertical placement applies to single-line text only, as with the system's text drawing.
  int y = rect.top;
  if (singleLine && (flags & kPixTextBottom) != 0) {
    y = rect.bottom - textHeight;
  } else if (singleLine && (flags & kPixTextVCentre) != 0) {
    y = rect.top + (rect.Height() - textHeight) / 2;
  }
  const std::uint32_t colour = (flags & kPixTextUseAlpha) != 0 ? textColour_
                                                                 : (textColour_ | 0xff000000u);
  for (const TextLine& line : lines) {
    int x = rect.left;
    if ((flags & kPixTextRight) != 0) {
      x = rect.right - line.width;
    } else if ((flags & kPixTextCentre) != 0) {
      x = rect.left + (rect.Width() - line.width) / 2;
    }
    if (backgroundMode_ == kPixBackgroundOpaque && line.width > 0) {
      const int l = std::max(x, clip.left), t = std::max(y, clip.top);
      const int r = std::min(x + line.width, clip.right);
      const int b = std::min(y + lineHeight_, clip.bottom);
      PixFillRect(dest, l, t, r - l, b - t, backgroundColour_, 1.0f, kPixBlendCopy);
    }
    for (unsigned code : line.codes) {
      const Glyph* glyph = FindOrRender(code);
      if (glyph == nullptr) continue;
      if (!glyph->empty) BlendGlyph(dest, *glyph, x, y, clip, colour);
      x += glyph->advance;
    }
    y += lineAdvance;
    if (y >= clip.bottom) break;  // the remaining lines are below everything visible
  }
  return true;
}

bool PixCachedFont::DrawString(PixBitmap* dest, const char* text, int length, PixRect& rect,
                               unsigned flags) {
  if (dest == nullptr && (flags & kPixTextMeasure) == 0) return false;
  if (text == nullptr) length = 0;
  if (length < 0) length = static_cast<int>(std::min<std::size_t>(std::strlen(text), 0x7fffffff));
  rect.left = ClampCoordinate(rect.left);
  rect.top = ClampCoordinate(rect.top);
  rect.right = ClampCoordinate(rect.right);
  rect.bottom = ClampCoordinate(rect.bottom);

  bool native = systemFont_ != nullptr && (flags_ & kPixFontNativeAllowed) != 0 &&
                (flags & kPixTextNoNative) == 0 && (flags & kPixTextUseAlpha) == 0 &&
                (flags_ & kGlyphOnlyFontFlags) == 0 &&
                (extraLineSpacing_ == 0 || (flags & kPixTextSingleLine) != 0);
  if (lineHeight_ > 255) native = true;
  if (dest != nullptr && dest->Extended(kGlyphPathQuery, nullptr) != 0) native = false;
  if (native && systemFont_ != nullptr && pixbackend::NativeDrawingAvailable()) {
    return pixbackend::DrawNative(*this, dest, text, length, rect, flags);
  }
  return DrawWithGlyphs(dest, text, length, rect, flags);
}

// ---------------------------------------------------------------------------------------------
// Process-wide font cache

namespace {

struct FontCache {
  struct Entry {
    PixFontKey key;
    PixCachedFont* font;
  };
  std::mutex lock;
  std::vector<Entry> entries;

  ~FontCache() {
    for (Entry& e : entries) delete e.font;
  }
};

FontCache& Cache() {
  static FontCache cache;
  return cache;
}

}  // namespace

PixCachedFont* GetCachedFont(const PixFontKey& key) {
  FontCache& cache = Cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  for (const FontCache::Entry& e : cache.entries) {
    if (e.key.SameFont(key)) return e.font;
  }
  auto font = std::make_unique<PixCachedFont>();
  PixFontHandle handle = pixbackend::CreateSystemFont(key);
  if (handle == nullptr) return nullptr;
  font->SetFromSystemFont(handle, kPixFontOwnsHandle | kPixFontNativeAllowed);
  cache.entries.push_back({key, font.get()});
  return font.release();
}

std::size_t PixFontCacheSize() {
  FontCache& cache = Cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  return cache.entries.size();
}

bool PixDrawText(PixCachedFont& font, PixBitmap* dest, const char* text, int length,
                 PixRect& rect, unsigned flags) {
  return font.DrawString(dest, text, length, rect, flags);
}

}  // namespace fluvia
