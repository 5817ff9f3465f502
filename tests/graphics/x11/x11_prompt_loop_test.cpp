// Menus and file dialogs live inside the host's run loop: every callback returns at once while
// they are open, the answer arrives from a later callback, and closing the editor under them
// leaves nothing behind.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "engine/engine_params.h"
#include "graphics/file_selector_control.h"
#include "graphics/text_control.h"
#include "tests/graphics/x11/x11_fixture.h"

// Last: Xlib's macros must not reach the headers above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "tests/graphics/x11/popup_windows.h"

namespace fluvia::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool ProcessGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

class X11PromptLoopTest : public X11DialogTest {
 protected:
  void SetUp() override {
    X11DialogTest::SetUp();
    if (HasFatalFailure()) return;
    PumpFor(100);
  }

  // A zenity that writes its process id, waits, then answers `answer`.
  void FakeZenity(const std::string& answer, double waitSeconds) {
    const fs::path script = bin_ / "zenity";
    std::ofstream(script) << "#!/bin/sh\nPATH=/usr/bin:/bin\necho $$ > '" << (bin_ / "pid").string()
                          << "'\nsleep " << waitSeconds << "\nprintf '%s\\n' '" << answer
                          << "'\n";
    chmod(script.c_str(), 0755);
  }
  pid_t ChooserPid() {
    std::ifstream in(bin_ / "pid");
    pid_t pid = 0;
    in >> pid;
    return pid;
  }

  // The run loop as a host runs it (events when the connection is readable, the timer every
  // 40 ms), remembering the longest single callback.
  bool PumpTimed(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto nextTick = Clock::now();
    auto timed = [&](auto callback) {
      const auto start = Clock::now();
      callback();
      longestCallback_ = std::max(longestCallback_, Clock::now() - start);
    };
    while (Clock::now() < deadline) {
      pollfd fd{editor_->ConnectionFd(), POLLIN, 0};
      poll(&fd, fd.fd >= 0 ? 1 : 0, 5);
      timed([&] { editor_->ProcessPendingEvents(); });
      if (Clock::now() >= nextTick) {
        timed([&] { editor_->OnTimer(); });
        nextTick = Clock::now() + std::chrono::milliseconds(editor_->TimerPeriodMs());
      }
      if (done()) return true;
    }
    return false;
  }
  double LongestCallbackMs() const {
    return std::chrono::duration<double, std::milli>(longestCallback_).count();
  }

  std::string ShownName() { return plugin_->EditorParts().presetName->Text(); }

  Clock::duration longestCallback_{};
};

TEST_F(X11PromptLoopTest, TheOpenMenuLeavesTheLoopRunningAndClosingTheEditorRemovesIt) {
  Click(500, 100);  // the preset name opens the preset menu
  ASSERT_TRUE(PumpTimed([&] { return int(PopupWindows(display_).size()) == 1; }, 3000));
  // Open for a while, nobody answering: the loop's callbacks keep returning at once.
  int ticks = 0;
  PumpTimed([&] { return ++ticks < 0; }, 500);
  EXPECT_GT(ticks, 5);
  EXPECT_LT(LongestCallbackMs(), 300.0);  // a modal menu would not return at all
  EXPECT_EQ(int(PopupWindows(display_).size()), 1);

  editor_->CloseWindow();
  XSync(display_, False);
  EXPECT_EQ(int(PopupWindows(display_).size()), 0);
  EXPECT_EQ(ShownName(), "< Presets Library >");

  // Reopened, the same control opens the menu again and a choice still lands.
  ASSERT_NE(editor_->OpenWindow(reinterpret_cast<void*>(static_cast<std::uintptr_t>(host_))),
            nullptr);
  PumpFor(100);
  Click(500, 100);
  ASSERT_TRUE(PumpUntil([&] { return int(PopupWindows(display_).size()) == 1; }));
  TapKey(XK_Escape);
  ASSERT_TRUE(PumpUntil([&] { return int(PopupWindows(display_).size()) == 0; }));
  EXPECT_TRUE(editor_->WindowIsOpen());

  // Destroying the instance under an open menu takes the menu with it.
  Click(500, 100);
  ASSERT_TRUE(PumpUntil([&] { return int(PopupWindows(display_).size()) == 1; }));
  plugin_.reset();
  XSync(display_, False);
  EXPECT_TRUE(PopupWindows(display_).empty());
}

TEST_F(X11PromptLoopTest, TheLoadDialogAnswersFromTheLoopWhileTheHostKeepsRunning) {
  FakeZenity((folder_ / "Factory" / "SFX - Shower.fluviapreset").string(), 1.0);
  const auto start = Clock::now();
  Click(40, 105);  // the load button
  ASSERT_TRUE(PumpTimed([&] { return ShownName() == "SFX - Shower"; }, 5000)) << ShownName();
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(900));
  EXPECT_LT(LongestCallbackMs(), 300.0);  // a waiting callback would take the whole second
  EXPECT_EQ(Value(*plugin_, kAmpMainVolume), 0.5);
  // The button's pressed look goes with the dialog.
  EXPECT_TRUE(PumpUntil([&] {
    return plugin_->EditorParts().loadSelector->State() == IFileSelectorControl::kIdle;
  }));
}

TEST_F(X11PromptLoopTest, ClosingTheEditorEndsTheDialogAndNothingIsLoaded) {
  FakeZenity((folder_ / "Factory" / "SFX - Shower.fluviapreset").string(), 30);
  Click(40, 105);
  ASSERT_TRUE(PumpUntil([&] { return ChooserPid() > 0; }));
  const pid_t chooser = ChooserPid();
  const double volume = Value(*plugin_, kAmpMainVolume);

  const auto start = Clock::now();
  editor_->CloseWindow();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_TRUE(ProcessGone(chooser));  // ended and reaped: not even a zombie is left
  EXPECT_EQ(ShownName(), "< Presets Library >");
  EXPECT_EQ(Value(*plugin_, kAmpMainVolume), volume);
  // The button is not left looking pressed, and the next click opens a dialog again.
  EXPECT_EQ(plugin_->EditorParts().loadSelector->State(), IFileSelectorControl::kIdle);

  // Destroying the instance under an open dialog ends it too.
  fs::remove(bin_ / "pid");
  ASSERT_NE(editor_->OpenWindow(reinterpret_cast<void*>(static_cast<std::uintptr_t>(host_))),
            nullptr);
  PumpFor(100);
  Click(40, 105);
  ASSERT_TRUE(PumpUntil([&] { return ChooserPid() > 0; }));
  const pid_t second = ChooserPid();
  EXPECT_NE(second, chooser);
  plugin_.reset();
  EXPECT_TRUE(ProcessGone(second));
}

TEST_F(X11PromptLoopTest, WithoutADialogProgramTheEditorSaysWhatToInstall) {
  // PATH holds only the test's empty folder: nothing to find, whatever the machine has.
  const std::vector<std::uint32_t> before = Screenshot(editor_->XWindow(), editor_->Width(), editor_->Height());
  Click(40, 105);
  ASSERT_TRUE(PumpUntil([&] { return !editor_->Notice().empty(); }));
  EXPECT_NE(editor_->Notice().find("zenity"), std::string::npos) << editor_->Notice();
  const IBounds box = editor_->NoticeRect();
  ASSERT_FALSE(box.Empty());
  const int middle = ((box.top + box.bottom) / 2) * editor_->Width() + box.left + 2;
  std::vector<std::uint32_t> shown;
  ASSERT_TRUE(PumpUntil([&] {
    shown = Screenshot(editor_->XWindow(), editor_->Width(), editor_->Height());
    return !shown.empty() && shown[size_t(middle)] != before[size_t(middle)];
  }));

  // A click closes it and does nothing else: the preset menu under it stays shut.
  Click(500, 100);
  ASSERT_TRUE(PumpUntil([&] { return editor_->Notice().empty(); }));
  PumpFor(200);
  EXPECT_EQ(int(PopupWindows(display_).size()), 0);
  ASSERT_TRUE(PumpUntil([&] {
    shown = Screenshot(editor_->XWindow(), editor_->Width(), editor_->Height());
    return !shown.empty() && shown[size_t(middle)] == before[size_t(middle)];
  }));
}

}  // namespace
}  // namespace fluvia::testing
