// IGraphicsWin in real Win32 windows (run under Wine inside Xvfb): an editor with probe
// controls is opened as a child of a host window of the test's own, and messages are sent to
// it as the system would send them.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "framework/parameter.h"
#include "graphics/bitmap_control.h"
#include "graphics/editor_layout.h"
#include "graphics/knob_control.h"
#include "graphics/win/graphics_win.h"
#include "tests/graphics/editor/probe_control.h"
#include "tests/graphics/editor/test_plugin.h"

namespace fluvia {
namespace {

using testing::ProbeControl;
using testing::TestPlugin;

std::vector<UINT> gHostMessages;  // what reached the host window

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP) gHostMessages.push_back(message);
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeHostWindow(int width, int height) {
  static bool registered = false;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "FluviaTestHost";
  if (!registered) registered = RegisterClassA(&wc) != 0;
  return CreateWindowExA(0, "FluviaTestHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                         nullptr, nullptr, wc.hInstance, nullptr);
}

// Runs the thread's message loop for about `ms` milliseconds.
void Pump(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  UINT_PTR wake = SetTimer(nullptr, 0, 10, nullptr);
  MSG message;
  while (GetTickCount() < end && GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  KillTimer(nullptr, wake);
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

class WinEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gHostMessages.clear();
    graphics_ = std::make_unique<IGraphicsWin>(plugin_, ArtworkSet::Small);
    // A backdrop first: keys over control 0 count as keys over nothing.
    graphics_->AttachControl(
        std::make_unique<ProbeControl>(plugin_, IBounds(0, 0, 500, 480), "back", backLog_));
    auto probe = std::make_unique<ProbeControl>(plugin_, IBounds(10, 10, 110, 110), "knob", log_,
                                                testing::kHostTempoBpm);
    probe_ = probe.get();
    graphics_->AttachControl(std::move(probe));
    graphics_->PrepareDrawing();
    host_ = MakeHostWindow(graphics_->Width() + 40, graphics_->Height() + 40);
    ASSERT_NE(host_, nullptr);
    editor_ = static_cast<HWND>(graphics_->OpenWindow(host_));
    ASSERT_NE(editor_, nullptr);
    Pump(150);  // the first ticks draw everything
    log_.clear();
  }
  void TearDown() override {
    graphics_.reset();
    if (host_) DestroyWindow(host_);
  }

  TestPlugin plugin_;
  std::vector<std::string> log_;
  std::vector<std::string> backLog_;
  ProbeControl* probe_ = nullptr;
  std::unique_ptr<IGraphicsWin> graphics_;
  HWND host_ = nullptr;
  HWND editor_ = nullptr;
};

TEST_F(WinEditorTest, OpensAChildWindowOfTheHostThatTheTimerDraws) {
  char name[64] = {}, title[64] = {};
  GetClassNameA(editor_, name, sizeof name);
  GetWindowTextA(editor_, title, sizeof title);
  EXPECT_STREQ(name, "IPluginWndClass");
  EXPECT_STREQ(title, "IPlugin");
  EXPECT_EQ(GetParent(editor_), host_);
  EXPECT_TRUE(GetWindowLongA(editor_, GWL_STYLE) & WS_CHILD);
  RECT r;
  GetClientRect(editor_, &r);
  EXPECT_EQ(r.right, 500);
  EXPECT_EQ(r.bottom, 480);
  EXPECT_EQ(graphics_->TimerPeriodMs(), 40);

  // A control made dirty from the plug-in side is drawn by the timer alone.
  const int before = probe_->draws;
  probe_->SetDirty(true);
  Pump(200);
  EXPECT_GT(probe_->draws, before);
}

TEST_F(WinEditorTest, MouseDownCapturesDragsAndReleases) {
  SendMessageA(editor_, WM_LBUTTONDOWN, MK_LBUTTON, Point(50, 50));
  EXPECT_EQ(GetCapture(), editor_);
  SendMessageA(editor_, WM_MOUSEMOVE, MK_LBUTTON, Point(50, 40));
  SendMessageA(editor_, WM_MOUSEMOVE, MK_LBUTTON, Point(50, 40));  // no movement: no drag
  SendMessageA(editor_, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, Point(53, 38));
  SendMessageA(editor_, WM_LBUTTONUP, 0, Point(53, 38));
  EXPECT_NE(GetCapture(), editor_);
  const std::vector<std::string> expected = {"knob down", "knob drag 0,-10", "knob drag 3,-2",
                                             "knob up"};
  std::vector<std::string> mouse;
  std::copy_if(log_.begin(), log_.end(), std::back_inserter(mouse),
               [](const std::string& e) { return e.find("draw") == std::string::npos; });
  EXPECT_EQ(mouse, expected);
}

TEST_F(WinEditorTest, WheelCountsWholeNotchesAtScreenPositions) {
  POINT p = {50, 50};
  ClientToScreen(editor_, &p);
  for (int delta : {119, 240, -120}) {
    SendMessageA(editor_, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(delta))), Point(p.x, p.y));
  }
  const std::vector<std::string> expected = {"knob wheel 0", "knob wheel 2", "knob wheel -1"};
  EXPECT_EQ(log_, expected);
}

TEST_F(WinEditorTest, KeysTheEditorDoesNotTakeReachTheHostWindow) {
  POINT p = {50, 50};
  ClientToScreen(editor_, &p);
  SetCursorPos(p.x, p.y);
  struct Case {
    WPARAM key;
    bool takes;
    const char* logged;  // nullptr: the key is not offered to the control
    bool forwarded;
  } cases[] = {
      {'A', true, "knob key 15", false},
      {'7', true, "knob key 12", false},
      {VK_LEFT, true, "knob key 3", false},
      {VK_SPACE, false, "knob key 0", true},  // offered, refused, passed on
      {VK_F1, true, nullptr, true},       // 112, not the letter "p"
      {VK_NUMPAD1, true, nullptr, true},  // 97, not the letter "a"
      {VK_ESCAPE, true, nullptr, true},
  };
  for (const Case& c : cases) {
    log_.clear();
    gHostMessages.clear();
    probe_->takesKeys = c.takes;
    SendMessageA(editor_, WM_KEYDOWN, c.key, 0);
    if (c.logged) {
      EXPECT_EQ(log_, std::vector<std::string>{c.logged}) << "key " << c.key;
    } else {
      EXPECT_TRUE(log_.empty()) << "key " << c.key;
    }
    EXPECT_EQ(!gHostMessages.empty(), c.forwarded) << "key " << c.key;
  }
  gHostMessages.clear();
  SendMessageA(editor_, WM_KEYUP, 'A', 0);
  EXPECT_EQ(gHostMessages, std::vector<UINT>{WM_KEYUP});
}

TEST_F(WinEditorTest, TypedNumberCommitsOnEnterAtTheNextTick) {
  IParameter* tempo = plugin_.GetParam(testing::kHostTempoBpm);
  ASSERT_NE(tempo, nullptr);
  ASSERT_EQ(tempo->Kind(), ParamKind::Double);
  graphics_->PromptUserInput(*probe_, *tempo, IBounds(20, 20, 80, 40));
  HWND edit = GetDlgItem(editor_, 99);
  ASSERT_NE(edit, nullptr);
  char className[16] = {};
  GetClassNameA(edit, className, sizeof className);
  EXPECT_STRCASEEQ(className, "Edit");
  Pump(100);  // the focus tick

  SendMessageA(edit, WM_CHAR, VK_BACK, 0);  // the selected text goes
  for (char c : std::string("1x2.5a")) SendMessageA(edit, WM_CHAR, WPARAM(c), 0);
  char typed[32] = {};
  GetWindowTextA(edit, typed, sizeof typed);
  EXPECT_STREQ(typed, "12.5");  // letters refused while typing

  const double before = probe_->Value();
  SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(probe_->Value(), before);  // nothing yet: it commits on the next tick
  Pump(150);
  EXPECT_EQ(GetDlgItem(editor_, 99), nullptr);
  EXPECT_DOUBLE_EQ(probe_->Value(), tempo->ToNormalised(12.5));
}

TEST_F(WinEditorTest, EscapeCancelsTheTextEntry) {
  IParameter* tempo = plugin_.GetParam(testing::kHostTempoBpm);
  const double before = probe_->Value();
  graphics_->PromptUserInput(*probe_, *tempo, IBounds(20, 20, 80, 40));
  HWND edit = GetDlgItem(editor_, 99);
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_CHAR, '9', 0);
  SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump(150);
  EXPECT_EQ(GetDlgItem(editor_, 99), nullptr);
  EXPECT_EQ(probe_->Value(), before);
}

// While the popup menu's modal loop runs, a timer acts as the user: it posts the command of
// `gChoice` (or nothing) and ends the menu.
int gChoice = -1;
HWND gMenuOwner = nullptr;
void CALLBACK ActAsUser(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (gChoice >= 0) PostMessageA(gMenuOwner, WM_COMMAND, MAKEWPARAM(gChoice, 0), 0);
  EndMenu();
}

TEST_F(WinEditorTest, PopupMenuMapsTheChoiceBackThroughSubMenus) {
  IMenuList sub;
  sub.AddItem("deep 0");
  sub.AddItem("deep 1");
  IMenuList root;
  root.AddItem("first");
  root.AddSeparator();
  root.AddSubMenu("more", &sub);
  root.AddItem("last");
  gMenuOwner = editor_;
  // Identifiers count up across the tree: first 0, deep 0 1, deep 1 2, last 3.
  struct Case {
    int id;
    IMenuList* list;
    int index;
  } cases[] = {{2, &sub, 1}, {3, &root, 3}, {0, &root, 0}, {-1, nullptr, -1}};
  for (const Case& c : cases) {
    root.chosenIndex = sub.chosenIndex = -1;
    gChoice = c.id;
    SetTimer(nullptr, 0, 50, ActAsUser);
    IMenuList* chosen = graphics_->CreateIPopupMenu(root, IBounds(10, 10, 110, 30));
    EXPECT_EQ(chosen, c.list) << "command " << c.id;
    if (chosen) {
      EXPECT_EQ(chosen->chosenIndex, c.index);
    }
    // Chosen or dismissed, the editor repaints where the menu was.
    RECT update;
    EXPECT_TRUE(GetUpdateRect(editor_, &update, FALSE));
    Pump(100);
  }
}

// The file dialog as a person sees it, read by a timer of the test's thread while the
// prompt's own loop runs, then cancelled as a person would.
struct DialogSeen {
  bool found = false;
  std::string filter;  // the shown entry of the type list
  int filters = -1;    // entries in the type list
  bool readOnlyBox = true;
  std::string folder;
  std::string name;
};
DialogSeen gSeen;
int gDialogTicks = 0;

BOOL CALLBACK FindFileDialog(HWND window, LPARAM found) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK InspectFileDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindFileDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) {
    if (++gDialogTicks > 200) KillTimer(nullptr, timer);  // 10 s: no dialog came
    return;
  }
  KillTimer(nullptr, timer);
  gSeen.found = true;
  HWND types = GetDlgItem(dialog, cmb1);
  gSeen.filters = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
  const LRESULT shown = SendMessageA(types, CB_GETCURSEL, 0, 0);
  char text[MAX_PATH] = {};
  if (shown >= 0) SendMessageA(types, CB_GETLBTEXT, shown, reinterpret_cast<LPARAM>(text));
  gSeen.filter = text;
  HWND readOnly = GetDlgItem(dialog, chx1);
  gSeen.readOnlyBox = readOnly && IsWindowVisible(readOnly);
  char folder[MAX_PATH] = {};
  SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
  gSeen.folder = folder;
  char name[MAX_PATH] = {};
  SendMessageA(dialog, CDM_GETSPEC, sizeof name, reinterpret_cast<LPARAM>(name));
  gSeen.name = name;
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

TEST_F(WinEditorTest, FileDialogsNameTheirTypeOfferNoReadOnlyBoxAndStartWhereTheCallerSays) {
  graphics_->SetFileTypeName(kPresetFileExtension, kPresetFileTypeName);
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string root = std::string(temp) + "fluvia dialog test";
  const std::string user = root + "\\User", factory = root + "\\Factory";
  CreateDirectoryA(root.c_str(), nullptr);
  CreateDirectoryA(user.c_str(), nullptr);
  CreateDirectoryA(factory.c_str(), nullptr);
  for (const int mode : {IGraphics::kFileOpen, IGraphics::kFileSave}) {
    SCOPED_TRACE(mode == IGraphics::kFileOpen ? "open" : "save");
    gSeen = DialogSeen();
    gDialogTicks = 0;
    SetTimer(nullptr, 0, 50, InspectFileDialog);
    // The current file lies in another folder than the one the caller starts in.
    std::string file = factory + "\\SFX - Shower.fluviapreset";
    std::string directory = user;
    graphics_->PromptForFile(file, mode, directory, kPresetFileExtension);
    ASSERT_TRUE(gSeen.found);
    EXPECT_EQ(gSeen.filter, "Fluvia preset (*.fluviapreset)");
    EXPECT_EQ(gSeen.filters, 1);
    EXPECT_FALSE(gSeen.readOnlyBox);
    EXPECT_EQ(Lower(gSeen.folder), Lower(user));
    EXPECT_EQ(gSeen.name, "SFX - Shower.fluviapreset");
    EXPECT_EQ(file, "");  // cancelled
    EXPECT_EQ(directory, user);
  }
  RemoveDirectoryA(user.c_str());
  RemoveDirectoryA(factory.c_str());
  RemoveDirectoryA(root.c_str());
}

TEST_F(WinEditorTest, ResizingGrowsTheEditorAndForVst2HostsItsParent) {
  RECT host;
  GetWindowRect(host_, &host);
  graphics_->Resize(520, 500);
  RECT r;
  GetClientRect(editor_, &r);
  EXPECT_EQ(r.right, 520);
  EXPECT_EQ(r.bottom, 500);
  RECT after;
  GetWindowRect(host_, &after);
  EXPECT_EQ(after.right - after.left, host.right - host.left);  // a VST3 host resizes itself
}

// The instrument's layout in a real window switched between the sizes in place: the window
// follows, the same controls take the other set's images from the module's resources, and the
// editor draws them.
TEST(WinEditorSizes, TheOpenEditorSwitchesSetsInPlace) {
  TestPlugin plugin(PluginApi::VST3);
  auto owned = std::make_unique<IGraphicsWin>(plugin, ArtworkSet::Small);
  IGraphicsWin& graphics = *owned;
  const EditorControls controls = BuildEditorLayout(graphics, plugin, ArtworkSet::Small, nullptr,
                                                    "C:\\");
  plugin.AttachEditor(std::move(owned));
  HWND host = MakeHostWindow(1100, 1000);
  ASSERT_NE(host, nullptr);
  HWND editor = static_cast<HWND>(graphics.OpenWindow(host));
  ASSERT_NE(editor, nullptr);
  Pump(150);
  IKnobMultiControl* volume = controls.knobs[1];
  ASSERT_NE(volume->Strip().Bitmap(), nullptr);
  EXPECT_EQ(volume->Strip().width, 50);

  SwitchEditorArtwork(graphics, controls, ArtworkSet::Large);
  Pump(150);
  RECT r;
  GetClientRect(editor, &r);
  EXPECT_EQ(r.right, 1000);
  EXPECT_EQ(r.bottom, 960);
  EXPECT_EQ(controls.knobs[1], volume);
  EXPECT_EQ(volume->Rect(), IBounds(790, 740, 890, 820));
  ASSERT_NE(volume->Strip().Bitmap(), nullptr);  // decoded from the large set's resources
  EXPECT_EQ(volume->Strip().width, 100);
  EXPECT_EQ(static_cast<IBitmapControl*>(controls.rows[0])->Strip().width, 2000);

  SwitchEditorArtwork(graphics, controls, ArtworkSet::Small);
  Pump(100);
  GetClientRect(editor, &r);
  EXPECT_EQ(r.right, 500);
  EXPECT_EQ(volume->Strip().width, 50);
  graphics.CloseWindow();
  DestroyWindow(host);
}

TEST(WinEditorLifecycle, ClassLivesWhileAnEditorIsOpenAndReopeningKeepsThePlace) {
  TestPlugin plugin(PluginApi::VST2);
  IGraphicsWin graphics(plugin, ArtworkSet::Small);
  graphics.PrepareDrawing();
  HWND host = MakeHostWindow(700, 700);
  WNDCLASSA info;
  HWND first = static_cast<HWND>(graphics.OpenWindow(host));
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "IPluginWndClass", &info));
  SetWindowPos(first, nullptr, 30, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  HWND second = static_cast<HWND>(graphics.OpenWindow(host));  // no close in between
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(IsWindow(first));
  RECT r;
  GetWindowRect(second, &r);
  MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 20);

  // Under a VST2 host the plug-in grows the window it sits in.
  RECT hostBefore, hostAfter;
  GetWindowRect(host, &hostBefore);
  graphics.Resize(graphics.Width() + 10, graphics.Height() + 5);
  GetWindowRect(host, &hostAfter);
  EXPECT_EQ(hostAfter.right - hostAfter.left, hostBefore.right - hostBefore.left + 10);
  EXPECT_EQ(hostAfter.bottom - hostAfter.top, hostBefore.bottom - hostBefore.top + 5);

  graphics.CloseWindow();
  EXPECT_FALSE(IsWindow(second));
  EXPECT_FALSE(graphics.WindowIsOpen());
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "IPluginWndClass", &info));
  DestroyWindow(host);
}

TEST(WinEditorLifecycle, AHostThatDestroysItsWindowFirstLeavesTheEditorClosed) {
  TestPlugin plugin;
  IGraphicsWin graphics(plugin, ArtworkSet::Small);
  graphics.PrepareDrawing();
  HWND host = MakeHostWindow(600, 600);
  HWND editor = static_cast<HWND>(graphics.OpenWindow(host));
  ASSERT_NE(editor, nullptr);
  DestroyWindow(host);  // takes the editor window with it
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_FALSE(graphics.WindowIsOpen());
  EXPECT_EQ(graphics.GetWindowHandle(), nullptr);
  graphics.CloseWindow();  // the host's later close: only the class is left to unregister
  WNDCLASSA info;
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "IPluginWndClass", &info));

  HWND again = MakeHostWindow(600, 600);
  EXPECT_NE(graphics.OpenWindow(again), nullptr);
  graphics.CloseWindow();
  DestroyWindow(again);
}

}  // namespace
}  // namespace fluvia
