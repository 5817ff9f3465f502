#include "graphics/value_readout.h"

#include <algorithm>
#include <cmath>

#include "framework/parameter.h"
#include "graphics/graphics.h"

namespace fluvia {
namespace {

// The artwork's colours: the knobs' glowing rim, the label plates' navy, their lettering.
constexpr IArgbColor kRim{255, 58, 156, 255};
constexpr IArgbColor kFill{255, 9, 20, 36};
constexpr IArgbColor kNameColour{255, 170, 196, 222};
constexpr IArgbColor kValueColour{255, 255, 255, 255};
constexpr const char* kFont = "Arial";

// A rounded plate with ends of the given radius, its curved edges blended by coverage so the
// rim is as smooth as the artwork's.
void FillRounded(IGraphics& graphics, const IArgbColor& colour, const IBounds& r, double radius) {
  const int height = r.H();
  radius = std::min(radius, std::min(r.W(), height) * 0.5);
  for (int row = 0; row < height; ++row) {
    const double y = row + 0.5;
    double dy = 0.0;
    if (y < radius) dy = radius - y;
    else if (y > height - radius) dy = y - (height - radius);
    const double inset = dy > 0.0 ? radius - std::sqrt(std::max(0.0, radius * radius - dy * dy)) : 0.0;
    const double left = r.left + inset, right = r.right - inset;
    const int fullLeft = int(std::ceil(left)), fullRight = int(std::floor(right));
    const int top = r.top + row;
    if (fullRight > fullLeft) graphics.FillIRect(colour, IBounds(fullLeft, top, fullRight, top + 1), nullptr);
    const double leftCover = fullLeft - left, rightCover = right - fullRight;
    if (leftCover > 0.02) {
      const IBlendMode edge(IBlendMode::kNone, float(leftCover));
      graphics.FillIRect(colour, IBounds(fullLeft - 1, top, fullLeft, top + 1), &edge);
    }
    if (rightCover > 0.02 && fullRight >= fullLeft) {
      const IBlendMode edge(IBlendMode::kNone, float(rightCover));
      graphics.FillIRect(colour, IBounds(fullRight, top, fullRight + 1, top + 1), &edge);
    }
  }
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

IValueReadout::IValueReadout(IPluginCore& plugin, ArtworkSet set)
    : IControl(plugin, IBounds(), -1, IBlendMode(IBlendMode::kNone, 1.0f)), set_(set) {
  hidden_ = true;
}

IValueReadout::Metrics IValueReadout::Sizes() const {
  // The large editor's measures; the small one has every measure halved, like its artwork.
  // The plate is centred where the knob's printed label is, 14 pixels below the knob.
  if (set_ == ArtworkSet::Small) return {18, 1, 9, 6, 9, 10, 29, 471, 7};
  return {36, 2, 18, 12, 17, 20, 58, 942, 14};
}

ITextStyle IValueReadout::NameStyle() const {
  return ITextStyle(kFont, Sizes().nameSize, kNameColour, ITextStyle::kBold, ITextStyle::kAlignNear);
}

ITextStyle IValueReadout::ValueStyle() const {
  return ITextStyle(kFont, Sizes().valueSize, kValueColour, ITextStyle::kBold,
                    ITextStyle::kAlignNear);
}

std::string IValueReadout::NameText() const {
  const IParameter* param = subject_ ? subject_->Param() : nullptr;
  return param ? Upper(param->DisplayName()) : std::string();
}

std::string IValueReadout::ValueText() const {
  const IParameter* param = subject_ ? subject_->Param() : nullptr;
  return param ? param->FormatNormalised(subject_->Value()) : std::string();
}

void IValueReadout::Layout() {
  IBounds plate;
  if (subject_) {
    const Metrics m = Sizes();
    const std::string name = NameText(), value = ValueText();
    int nameWidth = int(name.size()) * m.nameSize * 3 / 5;
    int valueWidth = int(value.size()) * m.valueSize * 3 / 5;
    if (IGraphics* graphics = Graphics()) {
      IBounds extent;
      if (graphics->DrawIText(NameStyle(), name.c_str(), extent, true)) nameWidth = extent.W();
      extent = IBounds();
      if (graphics->DrawIText(ValueStyle(), value.c_str(), extent, true)) valueWidth = extent.W();
    }
    const int width = std::min(m.padding * 2 + nameWidth + m.gap + valueWidth,
                               m.panelRight - m.panelLeft);
    const IBounds& knob = subject_->Rect();
    int left = (knob.left + knob.right) / 2 - width / 2;
    left = std::clamp(left, m.panelLeft, m.panelRight - width);
    const int top = knob.bottom + m.below - m.height / 2;
    plate = IBounds(left, top, left + width, top + m.height);
  }
  // Until the next drawing the dirty area covers the old place too.
  rect_ = rect_.Union(plate_).Union(plate);
  plate_ = plate;
  hidden_ = plate_.Empty();
  FlagDirty();
}

void IValueReadout::SetClean() {
  IControl::SetClean();
  rect_ = plate_;
}

void IValueReadout::ShowFor(const IControl& knob) {
  // While one knob is dragged, passing over another does not take its readout.
  if (pressed_ && pressed_ != &knob) return;
  subject_ = &knob;
  Layout();
}

void IValueReadout::HideFor(const IControl& knob) {
  if (pressed_ == &knob || subject_ != &knob) return;
  subject_ = nullptr;
  Layout();
}

void IValueReadout::Press(const IControl& knob) {
  pressed_ = &knob;
  subject_ = &knob;
  Layout();
}

void IValueReadout::Release(const IControl& knob, int x, int y) {
  if (pressed_ != &knob) return;
  pressed_ = nullptr;
  // Released over the knob, the pointer still rests on it.
  if (!knob.Rect().Contains(x, y)) HideFor(knob);
}

void IValueReadout::Refresh(const IControl& knob) {
  if (subject_ == &knob) Layout();
}

void IValueReadout::SetArtwork(ArtworkSet set) {
  set_ = set;
  pressed_ = nullptr;
  subject_ = nullptr;
  Layout();
}

bool IValueReadout::Draw(IGraphics& graphics) {
  if (plate_.Empty()) return true;
  const Metrics m = Sizes();
  FillRounded(graphics, kRim, plate_, m.height * 0.5);
  const IBounds inner(plate_.left + m.border, plate_.top + m.border, plate_.right - m.border,
                      plate_.bottom - m.border);
  FillRounded(graphics, kFill, inner, m.height * 0.5 - m.border);

  const std::string name = NameText(), value = ValueText();
  const ITextStyle nameStyle = NameStyle(), valueStyle = ValueStyle();
  IBounds nameRect(plate_.left + m.padding, plate_.top, plate_.right, plate_.bottom);
  graphics.DrawIText(nameStyle, name.c_str(), nameRect, true);
  IBounds valueRect(nameRect.right + m.gap, plate_.top, plate_.right, plate_.bottom);
  graphics.DrawIText(valueStyle, value.c_str(), valueRect, true);
  // Both texts sit on the plate's middle line.
  const int middle = (plate_.top + plate_.bottom) / 2;
  nameRect = IBounds(nameRect.left, middle - nameRect.H() / 2, plate_.right, plate_.bottom);
  valueRect = IBounds(valueRect.left, middle - valueRect.H() / 2, plate_.right, plate_.bottom);
  graphics.DrawIText(nameStyle, name.c_str(), nameRect);
  graphics.DrawIText(valueStyle, value.c_str(), valueRect);
  return true;
}

}  // namespace fluvia
