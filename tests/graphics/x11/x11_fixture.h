#pragma once
// The instrument's editor on the X11 window host inside a window this test creates as the
// host's, on a private X server. The test drives it like a host's run loop (ProcessPendingEvents
// when the connection is readable, OnTimer every 40 ms) and plays the user through XTest.
// A second instrument on the headless host renders the same editor for pixel comparisons.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/headless/graphics_headless.h"
#include "graphics/x11/graphics_x11.h"
#include "instrument/fluvia.h"

// Xlib itself is kept out of this header: its macros (Bool, None, Status) clash with names of
// the project and of GoogleTest. Include it after everything else.
typedef struct _XDisplay Display;

namespace fluvia::testing {

using Window = unsigned long;

// One instrument with its editor (X11 or headless) reading presets from `folder`.
std::unique_ptr<Fluvia> MakeInstrument(const GraphicsFactory& factory,
                                       const std::filesystem::path& folder);

class X11EditorTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A mapped top-level window standing in for the host's editor frame.
  Window MakeHostWindow(int x, int y, int width, int height);
  // The run loop: handles the editor connection until `done` or the timeout (false then).
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);
  void PumpFor(int ms);
  // Several editors share one loop.
  void Drive(const std::vector<IGraphicsX11*>& editors);

  // XTest input at screen coordinates, processed by the server on return.
  void MoveTo(int x, int y);
  void Press(unsigned button);
  void Release(unsigned button);
  void Click(int x, int y, unsigned button = 1);
  void TapKey(unsigned long keysym);

  // The window's pixels as 0xRRGGBB, row by row (empty when it cannot be read).
  std::vector<std::uint32_t> Screenshot(Window window, int width, int height);
  // Number of pixels that differ between the window and the headless editor's back buffer;
  // pumps until they agree or the timeout.
  long ScreenDifference(IGraphicsX11& editor, IGraphicsHeadless& reference);
  // Draws the headless editor until nothing is dirty.
  static void Settle(IGraphicsHeadless& reference);

  double Value(Fluvia& plugin, int index) { return plugin.GetParam(index)->Value(); }
  // The engine's value from the next block start on: one processing call (without audio) on
  // the audio side, where the engine takes over what the editor changed.
  double EngineValue(Fluvia& plugin, int index) {
    {
      AudioThreadScope audio(plugin);
      plugin.ProcessBuffers(0);
    }
    return plugin.Engine().Parameter(index);
  }

  Display* display_ = nullptr;  // the test's own connection ("the host")
  std::filesystem::path folder_;
  std::unique_ptr<Fluvia> plugin_;
  IGraphicsX11* editor_ = nullptr;
  Window host_ = 0;
  std::vector<IGraphicsX11*> driven_;
};

// The editor open in the host's window, with PATH narrowed to a folder of the test's own where
// stand-ins for the desktop's dialog programs go (scripts set their own PATH for the tools
// they use).
class X11DialogTest : public X11EditorTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string savedPath_;
  std::filesystem::path bin_;
};

}  // namespace fluvia::testing
