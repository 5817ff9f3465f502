#pragma once
// IBounds: a rectangle in editor pixels, right and bottom exclusive. All four values 0 is the
// empty rectangle: it is never hit, drawn or intersected, and a union with it yields the
// other operand.

#include <algorithm>
#include <cstdint>

#include "graphics/pix/pix_rect.h"

namespace fluvia {

struct IBounds {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  constexpr IBounds() = default;
  constexpr IBounds(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
      : left(l), top(t), right(r), bottom(b) {}

  constexpr bool Empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  constexpr std::int32_t W() const { return right - left; }
  constexpr std::int32_t H() const { return bottom - top; }
  constexpr bool Contains(int x, int y) const {
    return !Empty() && left <= x && x < right && top <= y && y < bottom;
  }

  IBounds Union(const IBounds& other) const {
    if (Empty()) return other;
    if (other.Empty()) return *this;
    return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
            std::max(bottom, other.bottom)};
  }

  // The redraw rule: a rectangle that touches this one on its right or bottom edge still
  // counts, one that touches its left or top edge does not (the region being redrawn is the
  // argument). Empty rectangles never overlap anything.
  bool OverlapsRegion(const IBounds& region) const {
    if (Empty() || region.Empty()) return false;
    return left <= region.right && region.left < right && top <= region.bottom &&
           region.top < bottom;
  }

  // The common part, or the empty rectangle when there is none.
  IBounds Intersect(const IBounds& other) const {
    const IBounds r{std::max(left, other.left), std::max(top, other.top),
                    std::min(right, other.right), std::min(bottom, other.bottom)};
    if (Empty() || other.Empty() || r.left >= r.right || r.top >= r.bottom) return {};
    return r;
  }

  PixRect ToPixRect() const { return {left, top, right, bottom}; }

  constexpr bool operator==(const IBounds& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  constexpr bool operator!=(const IBounds& o) const { return !(*this == o); }
};

}  // namespace fluvia
