// Linux text: fontconfig picks the font file for a family name ("Arial" becomes Liberation
// Sans, which has Arial's metrics), FreeType renders the glyph coverage. There is no native
// text drawing on this platform; every string goes through the glyph cache.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>

#include "graphics/pix/pix_font_backend.h"

namespace fluvia {
namespace pixbackend {
namespace {

// Constant-initialised, so they outlive the font cache that is destroyed at exit.
std::mutex gLibraryLock;
FT_Library gLibrary = nullptr;
// Our own configuration rather than the process default, which belongs to the host; it is
// destroyed with the last font (FcFini would tear down the host's fontconfig too).
FcConfig* gFontConfig = nullptr;
int gLiveFonts = 0;

struct FtFont {
  FT_Face face = nullptr;
  int lineHeight = 0;
  int ascent = 0;
  bool synthBold = false;
  bool synthItalic = false;
  bool monochrome = false;
};

// The font file fontconfig prefers for the request, with whether the file itself is bold and
// italic (otherwise those are synthesised).
bool MatchFont(const PixFontKey& key, std::string& file, int& index, bool& isBold,
               bool& isItalic) {
  if (gFontConfig == nullptr) gFontConfig = FcInitLoadConfigAndFonts();
  if (gFontConfig == nullptr) return false;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  const char* family = key.name[0] != '\0' ? key.name : "sans-serif";
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, key.style == 1 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, key.style == 2 ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(gFontConfig, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(gFontConfig, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;

  FcChar8* path = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr;
  if (found) file = reinterpret_cast<const char*>(path);
  if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(match, FC_SLANT, 0, &slant);
  isBold = weight >= FC_WEIGHT_DEMIBOLD;
  isItalic = slant != FC_SLANT_ROMAN;
  FcPatternDestroy(match);
  return found;
}

// Sizes the face so that ascent + descent (the Windows cell height) is `size` pixels, which
// is what a Windows font of that height gives; a negative size asks for the em height instead.
bool SizeFace(FtFont& font, int size) {
  FT_Face face = font.face;
  long ascender = face->ascender;
  long descender = -face->descender;
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    if (os2->version != 0xffff && os2->usWinAscent + os2->usWinDescent > 0) {
      ascender = os2->usWinAscent;
      descender = os2->usWinDescent;
    }
  }
  const long units = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  const long cellUnits = ascender + descender > 0 ? ascender + descender : units;

  double em = 0.0;
  if (size > 0) {
    font.lineHeight = size;
    em = static_cast<double>(size) * static_cast<double>(units) / static_cast<double>(cellUnits);
  } else {
    em = -static_cast<double>(size);
    font.lineHeight = std::max(1, static_cast<int>(std::lround(em * static_cast<double>(cellUnits) /
                                                              static_cast<double>(units))));
  }
  font.ascent = static_cast<int>(std::lround(static_cast<double>(font.lineHeight) *
                                             static_cast<double>(ascender) /
                                             static_cast<double>(cellUnits)));
  const auto em26 = static_cast<FT_F26Dot6>(std::lround(em * 64.0));
  return FT_Set_Char_Size(face, 0, std::max<FT_F26Dot6>(em26, 64), 72, 72) == 0;
}

void CopyCoverage(const FT_Bitmap& bitmap, GlyphImage& out) {
  const int width = static_cast<int>(bitmap.width);
  const int rows = static_cast<int>(bitmap.rows);
  out.coverage.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows), 0);
  for (int y = 0; y < rows; ++y) {
    const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
    std::uint8_t* dst = out.coverage.data() + static_cast<std::size_t>(y) * width;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
      for (int x = 0; x < width; ++x) dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      const int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
      for (int x = 0; x < width; ++x) dst[x] = static_cast<std::uint8_t>(src[x] * 255 / levels);
    }
  }
  out.width = width;
  out.height = rows;
}

}  // namespace

void FontCreated() {
  std::lock_guard<std::mutex> hold(gLibraryLock);
  ++gLiveFonts;
}

void FontDestroyed() {
  std::lock_guard<std::mutex> hold(gLibraryLock);
  if (--gLiveFonts <= 0) {
    gLiveFonts = 0;
    if (gLibrary != nullptr) FT_Done_FreeType(gLibrary);
    gLibrary = nullptr;
    if (gFontConfig != nullptr) FcConfigDestroy(gFontConfig);
    gFontConfig = nullptr;
  }
}

PixFontHandle CreateSystemFont(const PixFontKey& key) {
  if (!FontSizeIsMakeable(key.size)) return nullptr;
  std::lock_guard<std::mutex> hold(gLibraryLock);
  if (gLibrary == nullptr && FT_Init_FreeType(&gLibrary) != 0) {
    gLibrary = nullptr;
    return nullptr;
  }
  std::string file;
  int index = 0;
  bool isBold = false, isItalic = false;
  if (!MatchFont(key, file, index, isBold, isItalic)) return nullptr;

  auto* font = new FtFont;
  if (FT_New_Face(gLibrary, file.c_str(), index, &font->face) != 0) {
    delete font;
    return nullptr;
  }
  if (!SizeFace(*font, key.size)) {
    FT_Done_Face(font->face);
    delete font;
    return nullptr;
  }
  font->synthBold = key.style == 1 && !isBold;
  font->synthItalic = key.style == 2 && !isItalic;
  font->monochrome = key.quality == 1;
  return font;
}

void DeleteSystemFont(PixFontHandle handle) {
  auto* font = static_cast<FtFont*>(handle);
  if (font == nullptr) return;
  std::lock_guard<std::mutex> hold(gLibraryLock);
  FT_Done_Face(font->face);
  delete font;
}

int LineHeight(PixFontHandle handle) {
  const auto* font = static_cast<const FtFont*>(handle);
  return font != nullptr ? font->lineHeight : 0;
}

bool RenderGlyph(PixFontHandle handle, unsigned code, int, GlyphImage& out) {
  auto* font = static_cast<FtFont*>(handle);
  if (font == nullptr || font->face == nullptr) return false;
  FT_Face face = font->face;
  out = GlyphImage{};
  // Control characters have no ink; fonts map some of them to a visible box.
  if (code < 32) return true;

  const FT_UInt index = FT_Get_Char_Index(face, code);
  const FT_Int32 target = font->monochrome ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT;
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP | target) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (font->synthBold) FT_GlyphSlot_Embolden(slot);
  if (font->synthItalic) FT_GlyphSlot_Oblique(slot);
  out.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_points == 0) return true;
  const FT_Render_Mode mode = font->monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_LIGHT;
  if (FT_Render_Glyph(slot, mode) != 0) return false;

  CopyCoverage(slot->bitmap, out);
  out.left = slot->bitmap_left;
  out.top = font->ascent - slot->bitmap_top;
  return true;
}

bool NativeDrawingAvailable() { return false; }

bool DrawNative(PixCachedFont&, PixBitmap*, const char*, int, PixRect&, unsigned) {
  return false;
}

}  // namespace pixbackend
}  // namespace fluvia
