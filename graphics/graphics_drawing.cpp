// Drawing primitives for the controls and the dirty-rectangle redraw cycle.

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/control.h"
#include "graphics/graphics.h"
#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_blend.h"
#include "graphics/pix/pix_font.h"

namespace fluvia {
namespace {

// A window onto part of another bitmap. Text is drawn through it so that glyphs, which the
// font places without clipping, cannot reach pixels outside the region being redrawn (they
// would be blended a second time over themselves there, since nothing beneath was redrawn).
class BitmapWindow final : public PixBitmap {
 public:
  BitmapWindow(const PixBitmap& base, const IBounds& area)
      : pixels_(base.Pixels() + std::ptrdiff_t(area.top) * base.RowSpan() + area.left),
        width_(area.W()), height_(area.H()), span_(base.RowSpan()) {}

  std::uint32_t* Pixels() const override { return pixels_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int RowSpan() const override { return span_; }
  bool IsFlipped() const override { return false; }
  bool Resize(int, int) override { return false; }
  void* DeviceContext() const override { return nullptr; }
  std::intptr_t Extended(unsigned, void*) override { return 0; }

 private:
  std::uint32_t* pixels_;
  int width_;
  int height_;
  int span_;
};

const IBlendMode kDefaultBlend{};

// The part of dest the current region lets through; an empty dest or region means no limit.
bool ClipToRegion(const IBounds& dest, const IBounds& region, IBounds& out) {
  if (dest.Empty() || region.Empty()) {
    out = dest;
    return !dest.Empty();
  }
  out = dest.Intersect(region);
  return !out.Empty();
}

}  // namespace

bool IGraphics::DrawBitmap(const IBitmapStrip& strip, const IBounds& dest, int srcX, int srcY,
                           const IBlendMode* blend) {
  PixBitmap* bitmap = strip.Bitmap();
  if (!bitmap || !EnsureSurfaces()) return true;
  IBounds r;
  if (!ClipToRegion(dest, drawRegion_, r)) return true;
  const IBlendMode& mode = blend ? *blend : kDefaultBlend;
  const PixRect source{srcX + (r.left - dest.left), srcY + (r.top - dest.top), 0, 0};
  const PixRect sourceRect{source.left, source.top, source.left + r.W(), source.top + r.H()};
  unsigned pixMode = mode.PixMode();
  // Over-compositing a fully opaque image at full weight replaces the pixels with the image's
  // own (alpha 255 included): exactly what a plain copy does.
  if (strip.Opaque() && pixMode == kPixBlendCopyAlpha && mode.weight == 1.0f) {
    pixMode = kPixBlendCopy;
  }
  PixBlit(drawSurface_.get(), bitmap, r.left, r.top, &sourceRect, mode.weight, pixMode);
  return true;
}

bool IGraphics::DrawBitmapFrame(const IBitmapStrip& strip, const IBounds& dest, int frame,
                                const IBlendMode* blend) {
  int srcX = 0, srcY = 0;
  const int frames = strip.frames;
  if (frames >= 2 && frame >= 2) {
    const double step = double(frame - 1) / double(frames);
    if (strip.framesAreHorizontal) {
      srcX = int(double(strip.width) * step + 0.5);
    } else {
      srcY = int(double(strip.height) * step + 0.5);
    }
  }
  return DrawBitmap(strip, dest, srcX, srcY, blend);
}

bool IGraphics::FillIRect(const IArgbColor& color, const IBounds& rect, const IBlendMode* blend) {
  if (!EnsureSurfaces()) return true;
  IBounds r;
  if (!ClipToRegion(rect, drawRegion_, r)) return true;
  const IBlendMode& mode = blend ? *blend : kDefaultBlend;
  PixFillRect(drawSurface_.get(), r.left, r.top, r.W(), r.H(), color.Packed(), mode.weight,
              mode.PixMode());
  return true;
}

bool IGraphics::DrawIText(const ITextStyle& style, const char* text, IBounds& rect,
                          bool measure) {
  if (!text || !*text) return true;
  PixCachedFont* font = style.cachedFont;
  if (!font) {
    font = GetCachedFont(
        PixFontKey(style.font, style.size, style.style, style.orientation, style.quality));
    if (!font) return false;
    style.cachedFont = font;
  }
  unsigned flags = kPixTextNoClip;
  if (style.align == ITextStyle::kAlignCenter) flags |= kPixTextCentre;
  if (style.align == ITextStyle::kAlignFar) flags |= kPixTextRight;
  if (style.color.a != 255) flags |= kPixTextUseAlpha;

  if (measure) {
    PixRect extent = rect.ToPixRect();
    PixDrawText(*font, nullptr, text, -1, extent, flags | kPixTextMeasure);
    const int w = extent.right - extent.left;
    const int h = extent.bottom - extent.top;
    if (style.align == ITextStyle::kAlignCenter) {
      const int middle = (rect.left + rect.right) / 2;
      rect.left = middle - w / 2;
      rect.right = rect.left + w;
    } else if (style.align == ITextStyle::kAlignFar) {
      rect.left = rect.right - w;
    } else {
      rect.right = rect.left + w;
    }
    rect.bottom = rect.top + h;
    return true;
  }

  if (!EnsureSurfaces() || !drawSurface_->Pixels()) return true;
  std::lock_guard<std::mutex> use(font->UseLock());
  font->SetTextColour(style.color.Packed());
  const IBounds whole(0, 0, drawSurface_->Width(), drawSurface_->Height());
  const IBounds area = drawRegion_.Empty() ? whole : drawRegion_.Intersect(whole);
  if (area.Empty()) return true;
  BitmapWindow window(*drawSurface_, area);
  PixRect placed{rect.left - area.left, rect.top - area.top, rect.right - area.left,
                 rect.bottom - area.top};
  PixDrawText(*font, &window, text, -1, placed, flags);
  return true;
}

// ---- Redraw cycle ---------------------------------------------------------------------------

bool IGraphics::IsDirty(IBounds& rect) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ApplyPendingValues();
  rect = IBounds();
  bool dirty = false;
  for (const std::unique_ptr<IControl>& control : controls_) {
    if (control->IsDirty()) {
      rect = rect.Union(control->Rect());
      dirty = true;
    }
  }
  if (!noticeDirty_.Empty()) {
    rect = rect.Union(noticeDirty_);
    dirty = true;
  }
  return dirty;
}

bool IGraphics::Draw(const IBounds& region) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ApplyPendingValues();
  LoadArtwork();
  if (controls_.empty()) return true;
  if (strictDrawing_) {
    DrawStrict(region);
  } else {
    DrawLoose();
  }
  DrawNotice(region);
  return DrawScreen(region);
}

void IGraphics::DrawStrict(const IBounds& region) {
  drawRegion_ = region;
  for (const std::unique_ptr<IControl>& control : controls_) {
    if (!control->IsHidden() && control->Rect().OverlapsRegion(region)) control->Draw(*this);
    control->SetClean();
  }
}

void IGraphics::DrawLoose() {
  IControl& background = *controls_.front();
  if (background.IsDirty()) {
    // Everything sits on the backdrop: redraw the lot inside it.
    drawRegion_ = background.Rect();
    for (size_t i = 0; i < controls_.size(); ++i) {
      IControl& control = *controls_[i];
      if (i == 0 || !control.IsHidden()) control.Draw(*this);
      control.SetClean();
    }
    return;
  }
  for (size_t i = 1; i < controls_.size(); ++i) {
    IControl& dirty = *controls_[i];
    if (!dirty.IsDirty()) continue;
    drawRegion_ = dirty.Rect();
    for (const std::unique_ptr<IControl>& control : controls_) {
      if (!control->IsHidden() && control->Rect().OverlapsRegion(dirty.Rect())) {
        control->Draw(*this);
      }
    }
    dirty.SetClean();
  }
}

// ---- Notice ---------------------------------------------------------------------------------

namespace {

std::vector<std::string> NoticeLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  lines.push_back("");
  lines.push_back("(click to close)");
  return lines;
}

// Sized by the editor, so the small editor gets a small notice.
int NoticeTextSize(int editorWidth) { return std::max(editorWidth / 40, 10); }

}  // namespace

void IGraphics::ShowNotice(const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  noticeDirty_ = noticeDirty_.Union(NoticeRect());
  notice_ = text;
  noticeDirty_ = noticeDirty_.Union(NoticeRect());
}

std::string IGraphics::Notice() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return notice_;
}

IBounds IGraphics::NoticeRect() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (notice_.empty()) return {};
  const int size = NoticeTextSize(width_);
  const int lineHeight = size * 3 / 2;
  const int height = int(NoticeLines(notice_).size()) * lineHeight + 2 * size;
  const int width = width_ * 9 / 10;
  const int left = (width_ - width) / 2;
  const int top = std::max((height_ - height) / 2, 0);
  return IBounds(left, top, left + width, std::min(top + height, height_));
}

void IGraphics::DrawNotice(const IBounds& region) {
  noticeDirty_ = IBounds();
  const IBounds box = NoticeRect();
  if (box.Empty() || !box.OverlapsRegion(region)) return;
  drawRegion_ = region;
  const int size = NoticeTextSize(width_);
  FillIRect(IArgbColor(235, 24, 30, 40), box, nullptr);
  const int edge = std::max(size / 8, 1);
  const IArgbColor frame(255, 120, 170, 220);
  FillIRect(frame, IBounds(box.left, box.top, box.right, box.top + edge), nullptr);
  FillIRect(frame, IBounds(box.left, box.bottom - edge, box.right, box.bottom), nullptr);
  FillIRect(frame, IBounds(box.left, box.top, box.left + edge, box.bottom), nullptr);
  FillIRect(frame, IBounds(box.right - edge, box.top, box.right, box.bottom), nullptr);
  ITextStyle style("Arial", size, IArgbColor(255, 235, 235, 235), ITextStyle::kBold,
                   ITextStyle::kAlignCenter);
  const int lineHeight = size * 3 / 2;
  int top = box.top + size;
  for (const std::string& line : NoticeLines(notice_)) {
    IBounds lineRect(box.left + size, top, box.right - size, top + lineHeight);
    DrawIText(style, line.c_str(), lineRect);
    top += lineHeight;
  }
}

}  // namespace fluvia
