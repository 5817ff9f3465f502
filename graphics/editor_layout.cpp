#include "graphics/editor_layout.h"

#include "graphics/bitmap_control.h"
#include "graphics/editor_size.h"
#include "graphics/file_selector_control.h"
#include "graphics/graphics.h"
#include "graphics/knob_control.h"
#include "graphics/panel_control.h"
#include "graphics/switch_control.h"
#include "graphics/text_control.h"
#include "graphics/value_readout.h"

namespace fluvia {
namespace {

struct Image {
  int id;
  const char* file;
  int frames;
};

// In the order the editor first asks for them; 101, the backdrop, comes with the background.
constexpr Image kImages[] = {
    {102, "resources/img/va_panel_header_0002.png", 1},
    {117, "resources/img/va_panel_fluvia_0001.png", 1},
    {116, "resources/img/va_panel_mask_0001_blue.png", 1},
    {107, "resources/img/va_knob_0029.png", 29},
    {108, "resources/img/va_knob_0032.png", 29},
    {109, "resources/img/va_knob_0033_blue.png", 29},
    {110, "resources/img/va_knob_0034_blue.png", 29},
    {111, "resources/img/va_knob_0036.png", 29},
    {112, "resources/img/va_knob_0037.png", 29},
    {113, "resources/img/va_knob_0038.png", 29},
    {114, "resources/img/va_knob_0039.png", 29},
    {115, "resources/img/va_knob_0040.png", 29},
    {103, "resources/img/va_button_preset_backward_0001.png", 1},
    {104, "resources/img/va_button_preset_forward_0001.png", 1},
    {105, "resources/img/va_button_preset_load_0001.png", 1},
    {106, "resources/img/va_button_preset_save_0001.png", 1},
};
constexpr int kBackdropId = 101;
constexpr const char* kBackdropFile = "resources/img/va_background_0003.png";

enum class Kind { Bitmap, Knob, Panel, Text, Selector, Contact, FileOpen, FileSave };

struct Row {
  Kind kind;
  IBounds rect;  // large set
  int image;     // 0: none
  int param;     // -1: none
};

// Rows 1 to 21; row 0 is the backdrop. Parameter numbers are the instrument's.
constexpr Row kRows[] = {
    {Kind::Bitmap, {0, 0, 1000, 1000}, 116, -1},
    {Kind::Bitmap, {0, 0, 1000, 60}, 102, -1},
    {Kind::Bitmap, {50, 160, 950, 880}, 117, -1},
    {Kind::Knob, {642, 740, 742, 820}, 109, 0},     // AmpFadeInOut
    {Kind::Knob, {790, 740, 890, 820}, 110, 1},     // AmpMainVolume
    {Kind::Knob, {420, 682, 580, 842}, 108, 17},    // SoundfieldAmt
    {Kind::Knob, {420, 210, 580, 370}, 107, 18},    // SystemEnergyAmt
    {Kind::Knob, {730, 446, 890, 606}, 112, 2},     // ContainerDamping
    {Kind::Knob, {730, 210, 890, 370}, 113, 3},     // ContainerSize
    {Kind::Knob, {110, 210, 270, 370}, 111, 9},     // ParticlesCollisions
    {Kind::Knob, {420, 446, 580, 606}, 115, 10},    // ParticlesMassSpread
    {Kind::Knob, {110, 446, 270, 606}, 114, 11},    // ParticlesWeightVelocityRatio
    {Kind::Panel, {120, 80, 880, 130}, 0, -1},
    {Kind::Text, {120, 86, 880, 130}, 0, -1},
    {Kind::Selector, {120, 80, 880, 130}, 0, -1},
    {Kind::Contact, {80, 80, 120, 130}, 103, 12},   // PresetBackward
    {Kind::Contact, {880, 80, 920, 130}, 104, 13},  // PresetForward
    {Kind::Bitmap, {0, 80, 80, 130}, 105, -1},
    {Kind::Bitmap, {920, 80, 1000, 130}, 106, -1},
    {Kind::FileOpen, {0, 80, 80, 130}, 105, 14},    // PresetLoad
    {Kind::FileSave, {920, 80, 1000, 130}, 106, 15},  // PresetSave
};
static_assert(sizeof kRows / sizeof kRows[0] == EditorControls::kNumRows - 1, "rows 1 to 21");

constexpr IArgbColor kPresetBarColor{140, 0, 0, 0};
constexpr IArgbColor kPresetNameColor{255, 200, 200, 200};
constexpr int kPresetNameSize = 40;
constexpr double kKnobGearing = 4.0;

// Every large-set measure is even, so halving is exact.
IBounds Scaled(const IBounds& r, int divisor) {
  return {r.left / divisor, r.top / divisor, r.right / divisor, r.bottom / divisor};
}

int DivisorFor(ArtworkSet set) { return set == ArtworkSet::Small ? 2 : 1; }

ITextStyle PresetNameStyle(ArtworkSet set) {
  return ITextStyle("Arial", kPresetNameSize / DivisorFor(set), kPresetNameColor,
                    ITextStyle::kBold, ITextStyle::kAlignCenter, 0, ITextStyle::kQualityDefault);
}

// The strips of every image the layout uses, from the editor's current artwork set, indexed
// by image id (0: none).
struct Strips {
  IBitmapStrip byId[118] = {};
};

void LoadStrips(IGraphics& graphics, Strips& strips) {
  for (const Image& image : kImages) {
    strips.byId[image.id] = graphics.LoadBitmapStrip(image.id, image.file, image.frames);
  }
}

// A stand-in for the preset menu when none is given: covers the same place, does nothing.
class InertControl final : public IControl {
 public:
  using IControl::IControl;
  bool Draw(IGraphics&) override { return true; }
};

}  // namespace

EditorControls BuildEditorLayout(IGraphics& graphics, IPluginCore& plugin, ArtworkSet set,
                                 std::unique_ptr<IControl> presetSelector,
                                 const std::string& presetDirectory,
                                 std::unique_ptr<IControl> sizeMenu) {
  const int divisor = DivisorFor(set);
  EditorControls out;

  graphics.SetArtwork(set);
  graphics.SetFileTypeName(kPresetFileExtension, kPresetFileTypeName);
  graphics.AttachBackground(kBackdropId, kBackdropFile);
  out.rows[0] = graphics.GetControl(0);

  const ITextStyle nameStyle = PresetNameStyle(set);
  Strips loaded;
  LoadStrips(graphics, loaded);
  const IBitmapStrip* strips = loaded.byId;

  const IBlendMode blend(IBlendMode::kNone, 1.0f);
  int knob = 0;
  for (int row = 1; row < EditorControls::kNumRows; ++row) {
    const Row& entry = kRows[row - 1];
    const IBounds rect = Scaled(entry.rect, divisor);
    const IBitmapStrip& strip = strips[entry.image];
    std::unique_ptr<IControl> control;
    switch (entry.kind) {
      case Kind::Bitmap:
        control = std::make_unique<IBitmapControl>(plugin, rect, entry.param, strip, blend);
        break;
      case Kind::Knob: {
        auto k = std::make_unique<IKnobMultiControl>(plugin, rect, entry.param, strip,
                                                     IKnobControl::kVertical, kKnobGearing, blend);
        out.knobs[knob++] = k.get();
        control = std::move(k);
        break;
      }
      case Kind::Panel: {
        auto panel = std::make_unique<IPanelControl>(plugin, rect, kPresetBarColor, blend);
        out.presetBar = panel.get();
        control = std::move(panel);
        break;
      }
      case Kind::Text: {
        auto text = std::make_unique<ITextControl>(plugin, rect, nameStyle, kPresetNamePlaceholder);
        out.presetName = text.get();
        control = std::move(text);
        break;
      }
      case Kind::Selector:
        control = presetSelector ? std::move(presetSelector)
                                 : std::make_unique<InertControl>(plugin, rect, -1, blend);
        out.presetSelector = control.get();
        break;
      case Kind::Contact: {
        auto contact = std::make_unique<IContactControl>(plugin, rect, entry.param, strip, blend);
        (row == 16 ? out.presetBackward : out.presetForward) = contact.get();
        control = std::move(contact);
        break;
      }
      case Kind::FileOpen:
      case Kind::FileSave: {
        const bool save = entry.kind == Kind::FileSave;
        auto selector = std::make_unique<IFileSelectorControl>(
            plugin, rect, entry.param, strip,
            save ? IFileSelectorControl::kSave : IFileSelectorControl::kOpen, presetDirectory,
            kPresetFileExtension, blend);
        (save ? out.saveSelector : out.loadSelector) = selector.get();
        control = std::move(selector);
        break;
      }
    }
    out.rows[row] = control.get();
    graphics.AttachControl(std::move(control));
  }
  if (sizeMenu) {
    sizeMenu->SetRect(Scaled(kRows[1].rect, divisor));
    out.sizeMenu = sizeMenu.get();
    graphics.AttachControl(std::move(sizeMenu));
  }
  auto readout = std::make_unique<IValueReadout>(plugin, set);
  out.readout = readout.get();
  for (IKnobMultiControl* k : out.knobs) k->SetReadout(out.readout);
  graphics.AttachControl(std::move(readout));
  graphics.HandleMouseOver(true);
  return out;
}

void SwitchEditorArtwork(IGraphics& graphics, const EditorControls& controls, ArtworkSet set) {
  {
    std::lock_guard<std::recursive_mutex> guard(graphics.Lock());
    if (graphics.Artwork() == set) return;
    const int divisor = DivisorFor(set);
    graphics.SetArtwork(set);
    Strips loaded;
    LoadStrips(graphics, loaded);
    const IBitmapStrip backdrop = graphics.LoadBitmapStrip(kBackdropId, kBackdropFile, 1);

    // The rows are the controls BuildEditorLayout made, so each row's kind is known.
    if (auto* control = static_cast<IBitmapControl*>(controls.rows[0])) {
      control->SetStrip(backdrop);
      control->SetRect(IBounds(0, 0, backdrop.width, backdrop.height));
    }
    for (int row = 1; row < EditorControls::kNumRows; ++row) {
      IControl* control = controls.rows[row];
      if (!control) continue;
      const Row& entry = kRows[row - 1];
      const IBitmapStrip& strip = loaded.byId[entry.image];
      switch (entry.kind) {
        case Kind::Bitmap:
        case Kind::Contact:
          static_cast<IBitmapControl*>(control)->SetStrip(strip);
          break;
        case Kind::Knob:
          static_cast<IKnobMultiControl*>(control)->SetStrip(strip);
          break;
        case Kind::FileOpen:
        case Kind::FileSave:
          static_cast<IFileSelectorControl*>(control)->SetStrip(strip);
          break;
        case Kind::Text:
          control->SetTextStyle(PresetNameStyle(set));
          break;
        case Kind::Panel:
        case Kind::Selector:
          break;
      }
      control->SetRect(Scaled(entry.rect, divisor));
    }
    if (controls.sizeMenu) controls.sizeMenu->SetRect(Scaled(kRows[1].rect, divisor));
    if (controls.readout) controls.readout->SetArtwork(set);
  }
  const EditorSize size = EditorSizeFor(set);
  graphics.Resize(size.width, size.height);
}

IBounds EditorRowRect(int row, ArtworkSet set) {
  if (row < 1 || row >= EditorControls::kNumRows) return {};
  return Scaled(kRows[row - 1].rect, DivisorFor(set));
}

}  // namespace fluvia
