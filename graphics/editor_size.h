#pragma once
// The instrument editor's fixed size for each artwork set and its redraw rate.

#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

struct EditorSize {
  int width;
  int height;
};

constexpr EditorSize EditorSizeFor(ArtworkSet set) {
  return set == ArtworkSet::Small ? EditorSize{500, 480} : EditorSize{1000, 960};
}

constexpr int kEditorFrameRate = 25;

}  // namespace fluvia
