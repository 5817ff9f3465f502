#pragma once
// IValueReadout: the knob's name and value in words ("COLLISIONS  608 Hz") while the person
// drags or turns a knob and while the pointer rests on it. It is drawn in the artwork's style
// as a label plate over the knob's printed label: a dark rounded plate with the knobs' blue
// glow for a rim, the name in the labels' light blue-grey and the value in white.
//
// One readout serves every knob of the editor; it lies on top of all controls and is never
// hit, so the mouse goes to what lies beneath it. It reads the knob's parameter when it draws,
// so a value the host or a preset changes while it shows is shown at once.

#include <string>

#include "graphics/control.h"
#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

class IValueReadout : public IControl {
 public:
  IValueReadout(IPluginCore& plugin, ArtworkSet set);

  // The pointer came onto a knob, or the knob was pressed or turned: show it.
  void ShowFor(const IControl& knob);
  // The pointer left the knob (a drag keeps it), or the knob was released away from itself.
  void HideFor(const IControl& knob);
  void Press(const IControl& knob);
  void Release(const IControl& knob, int x, int y);
  // The knob's value changed: redraw when it is the one shown.
  void Refresh(const IControl& knob);
  // The editor changed size; the plate follows its knob.
  void SetArtwork(ArtworkSet set);

  const IControl* Subject() const { return subject_; }
  bool Dragging() const { return pressed_ != nullptr; }
  // What the plate says: the name and the value (empty while hidden).
  std::string NameText() const;
  std::string ValueText() const;
  // Where the plate is drawn (empty while hidden).
  const IBounds& Plate() const { return plate_; }

  bool Draw(IGraphics& graphics) override;
  bool IsHit(int, int) const override { return false; }
  void SetClean() override;

 private:
  struct Metrics {
    int height, border, padding, gap, nameSize, valueSize, panelLeft, panelRight, below;
  };
  Metrics Sizes() const;
  ITextStyle NameStyle() const;
  ITextStyle ValueStyle() const;
  // Measures the texts and places the plate; the old plate stays in the dirty area so the
  // controls beneath it are redrawn where it was.
  void Layout();

  ArtworkSet set_;
  const IControl* subject_ = nullptr;
  const IControl* pressed_ = nullptr;
  IBounds plate_;
};

}  // namespace fluvia
