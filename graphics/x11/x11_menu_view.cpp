#include "graphics/x11/x11_menu_view.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_blend.h"
#include "graphics/pix/pix_font.h"

namespace fluvia {
namespace {

constexpr std::uint32_t kBorder = 0xff4a525cu;
constexpr std::uint32_t kPanel = 0xff1f2328u;
constexpr std::uint32_t kHighlight = 0xff2f6db5u;
constexpr std::uint32_t kText = 0xffe6e8ebu;
constexpr std::uint32_t kHighlightText = 0xffffffffu;
constexpr std::uint32_t kGreyText = 0xff7c848eu;
constexpr std::uint32_t kSeparator = 0xff3a4048u;
constexpr int kAntiAliased = 2;  // font quality

void Fill(PixBitmap& bitmap, int x, int y, int w, int h, std::uint32_t colour) {
  PixFillRect(&bitmap, x, y, w, h, colour, 1.0f, kPixBlendCopy);
}

PixCachedFont* MenuFont() {
  return GetCachedFont(PixFontKey(MenuMetrics::kFontName, MenuMetrics::kFontSize, 0, 0,
                                  kAntiAliased));
}

void DrawCheck(PixBitmap& bitmap, int left, int rowTop, int rowHeight, std::uint32_t colour) {
  // Two strokes, 2 pixels thick: down-right, then a longer one up-right.
  const int x0 = left + 8, y0 = rowTop + rowHeight / 2;
  for (int i = 0; i <= 3; ++i) Fill(bitmap, x0 + i, y0 - 1 + i, 2, 2, colour);
  for (int i = 0; i <= 7; ++i) Fill(bitmap, x0 + 3 + i, y0 + 2 - i, 2, 2, colour);
}

void DrawArrow(PixBitmap& bitmap, int right, int rowTop, int rowHeight, std::uint32_t colour) {
  // A triangle pointing right, 4 columns wide and 9 rows tall.
  const int x0 = right - 16, yMid = rowTop + rowHeight / 2;
  for (int i = 0; i < 5; ++i) Fill(bitmap, x0 + i, yMid - 4 + i, 1, 9 - 2 * i, colour);
}

}  // namespace

int MenuRowHeight(const IMenuEntry& entry) {
  return entry.IsSeparator() ? MenuMetrics::kSeparatorHeight : MenuMetrics::kRowHeight;
}

int MenuRowTop(const IMenuList& list, int index) {
  int top = MenuMetrics::kPadding;
  for (int i = 0; i < index && i < list.NumItems(); ++i) top += MenuRowHeight(*list.Item(i));
  return top;
}

int MenuHeight(const IMenuList& list) {
  return MenuRowTop(list, list.NumItems()) + MenuMetrics::kPadding;
}

int MenuRowAt(const IMenuList& list, int y) {
  int top = MenuMetrics::kPadding;
  for (int i = 0; i < list.NumItems(); ++i) {
    const int height = MenuRowHeight(*list.Item(i));
    if (y >= top && y < top + height) return i;
    top += height;
  }
  return -1;
}

int MenuWidth(const IMenuList& list) {
  int widest = 0;
  if (PixCachedFont* font = MenuFont()) {
    for (int i = 0; i < list.NumItems(); ++i) {
      const std::string text = list.DisplayText(i);
      PixRect rect{0, 0, 0, 0};
      PixDrawText(*font, nullptr, text.c_str(), -1, rect, kPixTextMeasure | kPixTextSingleLine);
      widest = std::max(widest, rect.Width());
    }
  }
  const int width = widest + MenuMetrics::kTextLeft + MenuMetrics::kTextRight;
  return std::min(std::max(width, MenuMetrics::kMinWidth), MenuMetrics::kMaxWidth);
}

bool MenuRowActive(const IMenuEntry& entry) {
  return !entry.IsSeparator() && !entry.Greyed() && !entry.Disabled();
}

void RenderMenu(PixBitmap& bitmap, const IMenuList& list, int highlighted) {
  const int w = bitmap.Width(), h = bitmap.Height();
  Fill(bitmap, 0, 0, w, h, kBorder);
  Fill(bitmap, 1, 1, w - 2, h - 2, kPanel);
  PixCachedFont* font = MenuFont();
  for (int i = 0; i < list.NumItems(); ++i) {
    const IMenuEntry& entry = *list.Item(i);
    const int top = MenuRowTop(list, i);
    const int height = MenuRowHeight(entry);
    if (entry.IsSeparator()) {
      Fill(bitmap, 8, top + height / 2, w - 16, 1, kSeparator);
      continue;
    }
    const bool active = MenuRowActive(entry);
    const bool lit = active && i == highlighted;
    if (lit) Fill(bitmap, 3, top, w - 6, height, kHighlight);
    const std::uint32_t colour = !active ? kGreyText : lit ? kHighlightText : kText;
    if (entry.Checked()) DrawCheck(bitmap, 0, top, height, colour);
    if (entry.subMenu) DrawArrow(bitmap, w, top, height, colour);
    if (font) {
      const std::string text = list.DisplayText(i);
      PixRect rect{MenuMetrics::kTextLeft, top, w - MenuMetrics::kTextRight, top + height};
      std::lock_guard<std::mutex> use(font->UseLock());
      font->SetTextColour(colour);
      PixDrawText(*font, &bitmap, text.c_str(), -1, rect,
                  kPixTextLeft | kPixTextVCentre | kPixTextSingleLine);
    }
  }
}

}  // namespace fluvia
