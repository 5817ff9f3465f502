// Windows text: GDI fonts. Strings are drawn by GDI itself where it can (opaque text into a
// bitmap with a DC, outside Wine); otherwise glyph coverage is rendered here with GDI, white on
// black in a scratch DIB, and the glyph cache blends it.
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "graphics/pix/pix_blend.h"
#include "graphics/pix/pix_font_backend.h"
#include "graphics/pix/pix_sys_bitmap.h"
#include "graphics/pix/pix_utf8.h"

namespace fluvia {
namespace pixbackend {
namespace {

std::mutex gLock;
int gLiveFonts = 0;
PixSysBitmap* gGlyphScratch = nullptr;   // glyph rendering: white text on opaque black
PixSysBitmap* gNativeScratch = nullptr;  // native drawing into bitmaps that have no DC
int gUnderWine = -1;                     // unknown until first needed

// Wine's GDI text differs enough (and is slow enough) that the glyph path looks better.
bool RunsUnderWine() {
  if (gUnderWine < 0) {
    HKEY key = nullptr;
    gUnderWine = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine", 0, KEY_READ, &key) ==
                 ERROR_SUCCESS;
    if (key != nullptr) RegCloseKey(key);
  }
  return gUnderWine == 1;
}

HDC GlyphScratchDc(int side) {
  if (gGlyphScratch == nullptr) gGlyphScratch = new PixSysBitmap;
  if (gGlyphScratch->Width() < side || gGlyphScratch->Height() < side) {
    gGlyphScratch->Resize(std::max(side, gGlyphScratch->Width()),
                          std::max(side, gGlyphScratch->Height()));
  }
  HDC dc = static_cast<HDC>(gGlyphScratch->DeviceContext());
  if (dc != nullptr) {
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
  }
  return gGlyphScratch->Pixels() != nullptr ? dc : nullptr;
}

PixRect ToPixRect(const RECT& r) {
  return PixRect{static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                 static_cast<int>(r.bottom)};
}

COLORREF ToColorRef(std::uint32_t argb) {
  return RGB((argb >> 16) & 0xff, (argb >> 8) & 0xff, argb & 0xff);
}

// Text as GDI wants it: UTF-16 when it holds any real multi-byte character, else the bytes.
struct GdiText {
  const char* narrow = nullptr;
  int narrowLength = 0;
  wchar_t small[1024];
  std::vector<wchar_t> large;
  const wchar_t* wide = nullptr;
  int wideLength = 0;

  GdiText(const char* text, int length) : narrow(text), narrowLength(length) {
    bool multiByte = false;
    for (int pos = 0; pos < length && !multiByte;) {
      unsigned code = 0;
      const int used = DecodeUtf8(text + pos, static_cast<std::size_t>(length - pos), code);
      multiByte = used > 1;
      pos += used;
    }
    if (!multiByte) return;
    const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if (needed <= 0) return;  // invalid UTF-8: GDI gets the bytes as they are
    wchar_t* out = small;
    if (needed > 999) {
      large.resize(static_cast<std::size_t>(needed));
      out = large.data();
    }
    wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, out, needed);
    if (wideLength > 0) wide = out;
  }

  int Draw(HDC dc, RECT* rect, UINT format) const {
    if (wide != nullptr) return DrawTextW(dc, wide, wideLength, rect, format);
    return DrawTextA(dc, narrow, narrowLength, rect, format);
  }
};

}  // namespace

void FontCreated() {
  std::lock_guard<std::mutex> hold(gLock);
  ++gLiveFonts;
}

void FontDestroyed() {
  std::lock_guard<std::mutex> hold(gLock);
  if (--gLiveFonts <= 0) {
    gLiveFonts = 0;
    delete gGlyphScratch;
    delete gNativeScratch;
    gGlyphScratch = nullptr;
    gNativeScratch = nullptr;
  }
}

PixFontHandle CreateSystemFont(const PixFontKey& key) {
  if (!FontSizeIsMakeable(key.size)) return nullptr;
  static const DWORD kQuality[] = {DEFAULT_QUALITY, NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY,
                                   CLEARTYPE_QUALITY};
  const DWORD quality = key.quality >= 0 && key.quality <= 3 ? kQuality[key.quality] : 0;
  const int tenths = (key.orientation % 360) * 10;
  return CreateFontA(key.size, 0, tenths, tenths, key.style == 1 ? FW_BOLD : FW_NORMAL,
                     key.style == 2, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH, key.name);
}

void DeleteSystemFont(PixFontHandle font) {
  if (font != nullptr) DeleteObject(static_cast<HGDIOBJ>(font));
}

int LineHeight(PixFontHandle font) {
  std::lock_guard<std::mutex> hold(gLock);
  HDC dc = GlyphScratchDc(256);
  if (dc == nullptr || font == nullptr) return 0;
  HGDIOBJ previous = SelectObject(dc, static_cast<HGDIOBJ>(font));
  TEXTMETRICA metrics = {};
  const int height = GetTextMetricsA(dc, &metrics) ? metrics.tmHeight : 0;
  SelectObject(dc, previous);
  return height;
}

bool RenderGlyph(PixFontHandle font, unsigned code, int lineHeight, GlyphImage& out) {
  std::lock_guard<std::mutex> hold(gLock);
  out = GlyphImage{};
  HDC dc = GlyphScratchDc(2 * std::max(lineHeight, 1) + 8);
  if (dc == nullptr || font == nullptr) return false;
  HGDIOBJ previous = SelectObject(dc, static_cast<HGDIOBJ>(font));
  const wchar_t ch = static_cast<wchar_t>(code);

  RECT measured = {0, 0, 0, 0};
  DrawTextW(dc, &ch, 1, &measured, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  const int width = static_cast<int>(measured.right - measured.left);
  if (width <= 0) {
    SelectObject(dc, previous);
    return true;  // measures empty: a record without coverage
  }
  int cell = width + (lineHeight >= 16 ? lineHeight / 16 : 0) + 2;
  cell = std::min(cell, gGlyphScratch->Width());
  const int height = std::min(lineHeight, gGlyphScratch->Height());
  RECT cellRect = {0, 0, cell, height};
  PatBlt(dc, 0, 0, cell, height, BLACKNESS);
  DrawTextW(dc, &ch, 1, &cellRect, DT_SINGLELINE | DT_NOPREFIX);
  GdiFlush();
  SelectObject(dc, previous);

  out.width = cell;
  out.height = height;
  out.advance = width;
  out.coverage.resize(static_cast<std::size_t>(cell) * static_cast<std::size_t>(height));
  const std::uint32_t* pixels = gGlyphScratch->Pixels();
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * gGlyphScratch->RowSpan();
    for (int x = 0; x < cell; ++x) {
      out.coverage[static_cast<std::size_t>(y) * cell + x] =
          static_cast<std::uint8_t>((row[x] >> 16) & 0xff);
    }
  }
  return true;
}

bool NativeDrawingAvailable() { return !RunsUnderWine(); }

bool DrawNative(PixCachedFont& font, PixBitmap* dest, const char* text, int length,
                PixRect& rect, unsigned flags) {
  const GdiText gdiText(text, length);
  const UINT format = (flags & 0xffffu) | DT_NOPREFIX;
  const bool measure = (flags & kPixTextMeasure) != 0;
  HFONT hfont = static_cast<HFONT>(font.SystemFont());

  if (dest != nullptr && dest->DeviceContext() != nullptr) {
    HDC dc = static_cast<HDC>(dest->DeviceContext());
    HGDIOBJ previous = SelectObject(dc, hfont);
    SetTextColor(dc, ToColorRef(font.TextColour()));
    SetBkMode(dc, font.BackgroundMode() == kPixBackgroundOpaque ? OPAQUE : TRANSPARENT);
    if (font.BackgroundMode() == kPixBackgroundOpaque) {
      SetBkColor(dc, ToColorRef(font.BackgroundColour()));
    }
    RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    gdiText.Draw(dc, &r, format);
    GdiFlush();
    SelectObject(dc, previous);
    if (measure) rect = ToPixRect(r);
    return true;
  }

  std::lock_guard<std::mutex> hold(gLock);
  if (gNativeScratch == nullptr) gNativeScratch = new PixSysBitmap;
  if (gNativeScratch->DeviceContext() == nullptr) return false;
  HDC dc = static_cast<HDC>(gNativeScratch->DeviceContext());
  HGDIOBJ previous = SelectObject(dc, hfont);
  RECT m = {rect.left, rect.top, rect.right, rect.bottom};
  gdiText.Draw(dc, &m, format | DT_CALCRECT);
  if (measure || dest == nullptr) {
    SelectObject(dc, previous);
    if (measure) rect = ToPixRect(m);
    return measure;
  }

  // Place the measured text in the target rectangle as GDI would, then draw it over a copy of
  // the destination pixels it covers and put them back at the font's combine alpha.
  const int w = static_cast<int>(m.right - m.left), h = static_cast<int>(m.bottom - m.top);
  int x = rect.left, y = rect.top;
  if (flags & kPixTextRight) x = rect.right - w;
  else if (flags & kPixTextCentre) x = rect.left + (rect.Width() - w) / 2;
  if (flags & kPixTextSingleLine) {
    if (flags & kPixTextBottom) y = rect.bottom - h;
    else if (flags & kPixTextVCentre) y = rect.top + (rect.Height() - h) / 2;
  }
  PixRect area{std::max(x, 0), std::max(y, 0), std::min(x + w, dest->Width()),
               std::min(y + h, dest->Height())};
  if ((flags & kPixTextNoClip) == 0) {
    area = PixRect{std::max(area.left, rect.left), std::max(area.top, rect.top),
                   std::min(area.right, rect.right), std::min(area.bottom, rect.bottom)};
  }
  if (area.Width() <= 0 || area.Height() <= 0) {
    SelectObject(dc, previous);
    return true;
  }
  gNativeScratch->Resize(std::max(area.Width(), gNativeScratch->Width()),
                         std::max(area.Height(), gNativeScratch->Height()));
  if (gNativeScratch->Pixels() == nullptr) {
    SelectObject(dc, previous);
    return false;
  }
  PixBlit(gNativeScratch, dest, -area.left, -area.top, nullptr, 1.0f, kPixBlendCopy);
  SetTextColor(dc, ToColorRef(font.TextColour()));
  SetBkMode(dc, font.BackgroundMode() == kPixBackgroundOpaque ? OPAQUE : TRANSPARENT);
  if (font.BackgroundMode() == kPixBackgroundOpaque) {
    SetBkColor(dc, ToColorRef(font.BackgroundColour()));
  }
  RECT target = {x - area.left, y - area.top, x - area.left + w, y - area.top + h};
  gdiText.Draw(dc, &target, (format & ~(DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM)));
  GdiFlush();
  SelectObject(dc, previous);
  const PixRect source{0, 0, area.Width(), area.Height()};
  PixBlit(dest, gNativeScratch, area.left, area.top, &source, font.CombineAlpha(), kPixBlendCopy);
  return true;
}

}  // namespace pixbackend
}  // namespace fluvia
