#pragma once
// The instrument's editor: backdrop, header, label panel, nine knobs and the preset bar.
// Built once per instance; the returned handles stay valid for the editor's lifetime (the
// control list owns the controls).

#include <memory>
#include <string>

#include "graphics/bounds.h"
#include "graphics/control.h"
#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

class IBitmapControl;
class IContactControl;
class IFileSelectorControl;
class IGraphics;
class IKnobMultiControl;
class IPanelControl;
class IPluginCore;
class ITextControl;
class IValueReadout;

struct EditorControls {
  static constexpr int kNumRows = 22;
  static constexpr int kNumKnobs = 9;
  static constexpr int kPresetNameRow = 14;
  static constexpr int kPresetSelectorRow = 15;

  ITextControl* presetName = nullptr;            // row 14
  IFileSelectorControl* loadSelector = nullptr;  // row 20, PresetLoad
  IFileSelectorControl* saveSelector = nullptr;  // row 21, PresetSave
  IKnobMultiControl* knobs[kNumKnobs] = {};      // rows 4 to 12, in row order
  IPanelControl* presetBar = nullptr;            // row 13
  IControl* presetSelector = nullptr;            // row 15
  IContactControl* presetBackward = nullptr;     // row 16
  IContactControl* presetForward = nullptr;      // row 17
  IControl* rows[kNumRows] = {};                 // every control, index = row = list index
  IControl* sizeMenu = nullptr;                  // over the header, after the rows (if given)
  IValueReadout* readout = nullptr;              // the knobs' name and value, on top of all
};

// The text the preset name shows until a preset is loaded.
inline constexpr const char* kPresetNamePlaceholder = "< Presets Library >";
// The file selectors' extension list (no dot), and what the file prompts call such files.
inline constexpr const char* kPresetFileExtension = "fluviapreset";
inline constexpr const char* kPresetFileTypeName = "Fluvia preset";

// Fills the (empty) editor with the layout for the artwork set; the small set is the large
// one with every measure halved. presetSelector becomes row 15 (an inert stand-in of the
// same rectangle when null). The editor is not handed to the plug-in here: the caller attaches
// it once the layout is built.
// A size menu, when given, is attached after the rows, over the header; the knobs' readout
// comes last, above everything, and the editor then follows the pointer for it.
EditorControls BuildEditorLayout(IGraphics& graphics, IPluginCore& plugin, ArtworkSet set,
                                 std::unique_ptr<IControl> presetSelector,
                                 const std::string& presetDirectory,
                                 std::unique_ptr<IControl> sizeMenu = nullptr);

// Puts a built editor on the other artwork set: the same controls (values, texts, open
// prompts and the handles others hold stay as they are) take the set's images and
// rectangles, and the editor takes the set's size (through its window host's Resize, which
// asks the plug-in's host for the new window size). Images of the set are decoded when the
// editor next draws, unless an editor of the process decoded them already. Call on the
// editor's thread.
void SwitchEditorArtwork(IGraphics& graphics, const EditorControls& controls, ArtworkSet set);

// The rectangle of a layout row (1 to 21) in the set's editor pixels, e.g. for building the
// preset selector before the layout; empty for other rows.
IBounds EditorRowRect(int row, ArtworkSet set);

}  // namespace fluvia
