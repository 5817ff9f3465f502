#include "tests/graphics/x11/x11_fixture.h"

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "graphics/headless/headless_factory.h"
#include "graphics/pix/pix_bitmap.h"
#include "graphics/x11/x11_factory.h"
#include "tests/graphics/x11/test_display.h"

// Last: Xlib's macros must not reach the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace fluvia::testing {

namespace fs = std::filesystem;

std::unique_ptr<Fluvia> MakeInstrument(const GraphicsFactory& factory, const fs::path& folder) {
  FluviaOptions options;
  options.createGraphics = factory;
  options.presetFolder = folder.string() + "/";
  auto plugin = std::make_unique<Fluvia>(options);
  plugin->SetSampleRate(48000.0);
  plugin->SetMaxBlockSize(256);
  plugin->ResetDsp();
  return plugin;
}

void X11EditorTest::SetUp() {
  std::string why;
  ASSERT_TRUE(StartTestDisplay(why)) << why;
  display_ = XOpenDisplay(nullptr);
  ASSERT_NE(display_, nullptr);
  int event = 0, error = 0, major = 0, minor = 0;
  ASSERT_TRUE(XTestQueryExtension(display_, &event, &error, &major, &minor));

  // A preset folder per test: CTest runs the tests in parallel processes.
  folder_ = fs::path(::testing::TempDir()) /
            (std::string("fluvia x11 presets ") +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(folder_);
  fs::create_directories(folder_ / "Factory");
  fs::create_directories(folder_ / "User");
  std::ofstream(folder_ / "Factory" / "SFX - Shower.fluviapreset")
      << "<Company>Velmora Audio</Company><Product>Fluvia</Product><Version>1.0.0</Version>"
         "<AmpMainVolume>0.5</AmpMainVolume><ContainerSize>0.25</ContainerSize>"
         "<SoundfieldAmt>1</SoundfieldAmt>";

  plugin_ = MakeInstrument(X11GraphicsFactory(), folder_);
  editor_ = dynamic_cast<IGraphicsX11*>(plugin_->Editor());
  ASSERT_NE(editor_, nullptr);
  host_ = MakeHostWindow(0, 0, editor_->Width(), editor_->Height());
  driven_ = {editor_};
}

void X11EditorTest::TearDown() {
  // Editors close before the X server's windows and the test's connection go.
  plugin_.reset();
  if (display_) XCloseDisplay(display_);
  display_ = nullptr;
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void X11DialogTest::SetUp() {
  X11EditorTest::SetUp();
  if (HasFatalFailure()) return;
  const char* path = std::getenv("PATH");
  savedPath_ = path ? path : "";
  bin_ = folder_ / "bin";
  fs::create_directories(bin_);
  setenv("PATH", bin_.c_str(), 1);
  ASSERT_NE(editor_->OpenWindow(reinterpret_cast<void*>(static_cast<std::uintptr_t>(host_))),
            nullptr);
}

void X11DialogTest::TearDown() {
  setenv("PATH", savedPath_.c_str(), 1);
  X11EditorTest::TearDown();
}

Window X11EditorTest::MakeHostWindow(int x, int y, int width, int height) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = False;
  attributes.background_pixel = BlackPixel(display_, DefaultScreen(display_));
  attributes.event_mask = KeyPressMask | KeyReleaseMask | SubstructureNotifyMask;
  const Window window = XCreateWindow(
      display_, DefaultRootWindow(display_), x, y, unsigned(width), unsigned(height), 0,
      CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
  XMapWindow(display_, window);
  XSync(display_, False);
  return window;
}

void X11EditorTest::Drive(const std::vector<IGraphicsX11*>& editors) { driven_ = editors; }

bool X11EditorTest::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  auto nextTick = Clock::now();
  for (;;) {
    std::vector<pollfd> fds;
    for (IGraphicsX11* editor : driven_) {
      if (editor->ConnectionFd() >= 0) fds.push_back({editor->ConnectionFd(), POLLIN, 0});
    }
    poll(fds.data(), fds.size(), 5);
    for (IGraphicsX11* editor : driven_) editor->ProcessPendingEvents();
    if (Clock::now() >= nextTick) {
      for (IGraphicsX11* editor : driven_) editor->OnTimer();
      nextTick = Clock::now() + std::chrono::milliseconds(editor_->TimerPeriodMs());
    }
    if (done && done()) return true;
    if (Clock::now() >= deadline) return false;
  }
}

void X11EditorTest::PumpFor(int ms) { PumpUntil(nullptr, ms); }

void X11EditorTest::MoveTo(int x, int y) {
  XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
  XSync(display_, False);
}

void X11EditorTest::Press(unsigned button) {
  XTestFakeButtonEvent(display_, button, True, CurrentTime);
  XSync(display_, False);
}

void X11EditorTest::Release(unsigned button) {
  XTestFakeButtonEvent(display_, button, False, CurrentTime);
  XSync(display_, False);
}

void X11EditorTest::Click(int x, int y, unsigned button) {
  MoveTo(x, y);
  Press(button);
  Release(button);
}

void X11EditorTest::TapKey(unsigned long keysym) {
  const KeyCode code = XKeysymToKeycode(display_, keysym);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  XSync(display_, False);
}

std::vector<std::uint32_t> X11EditorTest::Screenshot(Window window, int width, int height) {
  std::vector<std::uint32_t> pixels;
  XImage* image = XGetImage(display_, window, 0, 0, unsigned(width), unsigned(height), AllPlanes,
                            ZPixmap);
  if (!image) return pixels;
  pixels.reserve(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(XGetPixel(image, x, y) & 0xffffffu);
  }
  XDestroyImage(image);
  return pixels;
}

long X11EditorTest::ScreenDifference(IGraphicsX11& editor, IGraphicsHeadless& reference) {
  Settle(reference);
  const PixBitmap* surface = reference.DrawSurface();
  if (!surface || !surface->Pixels()) return -1;
  const int w = surface->Width(), h = surface->Height();
  long differing = -1;
  PumpUntil([&] {
    const Window window = editor.XWindow();
    if (!window) return false;
    const std::vector<std::uint32_t> shown = Screenshot(window, w, h);
    if (shown.size() != size_t(w) * size_t(h)) return false;
    differing = 0;
    for (int y = 0; y < h; ++y) {
      const std::uint32_t* row = surface->Pixels() + size_t(y) * size_t(surface->RowSpan());
      for (int x = 0; x < w; ++x) {
        if ((row[x] & 0xffffffu) != shown[size_t(y) * size_t(w) + size_t(x)]) ++differing;
      }
    }
    return differing == 0;
  });
  return differing;
}

void X11EditorTest::Settle(IGraphicsHeadless& reference) {
  for (int i = 0; i < 4 && reference.Tick(); ++i) {
  }
}

}  // namespace fluvia::testing
