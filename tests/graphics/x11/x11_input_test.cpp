// Input translation: key symbols, double-click timing, keys passed on to the host, the hidden
// mouse cursor.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "graphics/key_codes.h"
#include "graphics/x11/x11_double_click.h"
#include "graphics/x11/x11_keys.h"
#include "tests/graphics/x11/x11_fixture.h"

// Last: Xlib's macros must not reach the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace fluvia::testing {
namespace {

TEST(X11Keys, KeySymbolsBecomeTheEditorsKeyCodes) {
  const struct {
    unsigned long keysym;
    int code;
  } cases[] = {
      {XK_space, kKeySpace},     {XK_Up, kKeyUp},          {XK_Down, kKeyDown},
      {XK_Left, kKeyLeft},       {XK_Right, kKeyRight},    {XK_KP_Left, kKeyLeft},
      {XK_0, kKeyDigit0},        {XK_9, kKeyDigit0 + 9},   {XK_KP_7, kKeyDigit0 + 7},
      {XK_a, kKeyLetterA},       {XK_z, kKeyLetterA + 25}, {XK_Q, kKeyLetterA + 16},
      {XK_F1, -1},               {XK_Escape, -1},          {XK_Return, -1},
      {XK_Shift_L, -1},          {XK_adiaeresis, -1},      {XK_KP_Add, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeyCodeFromVirtualKey(VirtualKeyFromKeySym(c.keysym)), c.code) << c.keysym;
  }
}

TEST(X11DoubleClick, OnlyASecondQuickNearbyPressOfTheSameButtonCounts) {
  const struct {
    const char* name;
    unsigned long first;
    unsigned button;
    unsigned long time;
    int x, y;
    bool isDouble;
  } cases[] = {
      {"in time and place", 1000, 1, 1400, 102, 97, true},
      {"too late", 1000, 1, 1501, 100, 100, false},
      {"too far", 1000, 1, 1100, 105, 100, false},
      {"another button", 1000, 3, 1100, 100, 100, false},
      {"across the 32-bit clock wrap", 0xffffff00UL, 1, 0x64, 100, 100, true},
  };
  for (const auto& c : cases) {
    DoubleClickDetector clicks;
    EXPECT_FALSE(clicks.Press(1, c.first, 100, 100)) << c.name;
    EXPECT_EQ(clicks.Press(c.button, c.time, c.x, c.y), c.isDouble) << c.name;
  }
  // A third quick press starts over; a reset forgets the first.
  DoubleClickDetector clicks;
  EXPECT_FALSE(clicks.Press(1, 10, 0, 0));
  EXPECT_TRUE(clicks.Press(1, 20, 0, 0));
  EXPECT_FALSE(clicks.Press(1, 30, 0, 0));
  clicks.Reset();
  EXPECT_FALSE(clicks.Press(1, 40, 0, 0));
}

class X11InputTest : public X11EditorTest {
 protected:
  void SetUp() override {
    X11EditorTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_NE(editor_->OpenWindow(reinterpret_cast<void*>(static_cast<std::uintptr_t>(host_))),
              nullptr);
    PumpFor(100);
  }

  // The key events the host's window received from the editor.
  std::vector<XKeyEvent> ForwardedKeys() {
    std::vector<XKeyEvent> keys;
    XSync(display_, False);
    XEvent event;
    while (XCheckWindowEvent(display_, host_, KeyPressMask | KeyReleaseMask, &event)) {
      if (event.xkey.send_event) keys.push_back(event.xkey);
    }
    return keys;
  }
};

TEST_F(X11InputTest, KeysTheEditorDoesNotTakeGoOnToTheHostWindow) {
  Click(500, 700);  // the background: the click gives the editor the keyboard focus
  PumpFor(100);
  ForwardedKeys();
  // F1 has no key code; "a" has one, but nothing in this editor takes keys.
  for (unsigned long keysym : {XK_F1, XK_a}) {
    TapKey(keysym);
    std::vector<XKeyEvent> forwarded;
    ASSERT_TRUE(PumpUntil([&] {
      for (const XKeyEvent& key : ForwardedKeys()) forwarded.push_back(key);
      return forwarded.size() >= 2;
    })) << keysym;
    ASSERT_EQ(forwarded.size(), 2u);
    EXPECT_EQ(forwarded[0].type, KeyPress);
    EXPECT_EQ(forwarded[1].type, KeyRelease);
    EXPECT_EQ(forwarded[0].keycode, XKeysymToKeycode(display_, keysym));
    EXPECT_EQ(forwarded[0].window, host_);
  }
}

TEST_F(X11InputTest, ShowingTheHiddenCursorPutsItBackWhereItWas) {
  MoveTo(300, 400);
  editor_->HideMouseCursor();
  MoveTo(600, 700);
  editor_->HideMouseCursor();  // already hidden: the first position stays
  editor_->ShowMouseCursor();
  XSync(display_, False);
  Window root = 0, child = 0;
  int x = 0, y = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  ASSERT_TRUE(XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &wx,
                            &wy, &mask));
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 400);
}

// Another program that owns the CLIPBOARD selection and, when `answers`, hands out `text`.
class ClipboardOwner {
 public:
  ClipboardOwner(std::string text, bool answers)
      : text_(std::move(text)), answers_(answers), thread_([this] { Serve(); }) {
    while (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~ClipboardOwner() {
    stop_ = true;
    thread_.join();
  }

 private:
  void Serve() {
    Display* d = XOpenDisplay(nullptr);
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    XSetSelectionOwner(d, clipboard, w, CurrentTime);
    XSync(d, False);
    ready_ = true;
    while (!stop_) {
      while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type != SelectionRequest || !answers_) continue;
        const XSelectionRequestEvent& request = event.xselectionrequest;
        XEvent notify{};
        notify.xselection.type = SelectionNotify;
        notify.xselection.requestor = request.requestor;
        notify.xselection.selection = request.selection;
        notify.xselection.target = request.target;
        notify.xselection.time = request.time;
        notify.xselection.property = None;
        if (request.target == utf8) {
          XChangeProperty(d, request.requestor, request.property, utf8, 8, PropModeReplace,
                          reinterpret_cast<const unsigned char*>(text_.data()),
                          int(text_.size()));
          notify.xselection.property = request.property;
        }
        XSendEvent(d, request.requestor, False, 0, &notify);
        XFlush(d);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    XDestroyWindow(d, w);
    XCloseDisplay(d);
  }

  std::string text_;
  bool answers_;
  std::atomic<bool> ready_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(X11InputTest, ClipboardTextComesFromTheSelectionOwner) {
  std::string text = "stale";
  {
    ClipboardOwner owner("0.25 Wasser \xc3\xbc", true);
    EXPECT_TRUE(editor_->GetClipboardText(text));
    EXPECT_EQ(text, "0.25 Wasser \xc3\xbc");
  }
  {
    ClipboardOwner silent("ignored", false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(editor_->GetClipboardText(text));
    EXPECT_EQ(text, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
  XSync(display_, False);
  EXPECT_FALSE(editor_->GetClipboardText(text));  // nobody owns it now
  editor_->CloseWindow();
  EXPECT_FALSE(editor_->GetClipboardText(text));
}

}  // namespace
}  // namespace fluvia::testing
