// Reports from a plug-in thread while the editor thread is busy. Run under ThreadSanitizer.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/graphics/editor/editor_fixture.h"

namespace fluvia::testing {
namespace {

// The plug-in may report while it holds its instance mutex, and the editor thread may be
// waiting for that mutex inside an event: the report must not wait for the editor.
TEST(ParamLink, ReportFromAnotherThreadNeverWaitsForTheEditor) {
  EditorFixture f;
  ProbeControl& probe = f.Probe({0, 0, 10, 10}, "a", kAmpFadeInOut);
  f.Attach();
  f.Settle();

  std::unique_lock<std::recursive_mutex> editorBusy(f.graphics.Lock());
  std::atomic<bool> returned{false};
  std::thread plugThread([&] {
    f.graphics.SetParameterFromPlug(kAmpFadeInOut, 0.9, true);
    f.graphics.SetParameterFromPlug(kAmpFadeInOut, 0.7, true);  // the later value wins
    returned = true;
  });
  plugThread.join();
  EXPECT_TRUE(returned);
  EXPECT_DOUBLE_EQ(probe.Value(), 0.3);  // parked while the editor was busy
  editorBusy.unlock();

  IBounds dirty;
  EXPECT_TRUE(f.graphics.IsDirty(dirty));  // the editor thread's next look applies it
  EXPECT_DOUBLE_EQ(probe.Value(), 0.7);
}

TEST(ParamLink, ConcurrentReportsAndEditingStayConsistent) {
  EditorFixture f;
  ProbeControl& probe = f.Probe({0, 0, 10, 10}, "a", kAmpFadeInOut);
  ProbeControl& other = f.Probe({20, 0, 30, 10}, "b", kAmpMainVolume);
  f.Attach();
  f.Settle();
  std::atomic<bool> done{false};
  std::atomic<double> lastSent{0.3};
  std::thread plugThread([&] {
    for (int i = 0; i < 20000; ++i) {
      const double value = (i % 100) / 100.0;
      f.graphics.SetParameterFromPlug(kAmpFadeInOut, value, true);
      f.graphics.SetParameterFromPlug(kAmpMainVolume, 0.5, true);
      lastSent = value;
    }
    done = true;
  });
  // The editor thread presses, releases and redraws for as long as the reports come.
  for (int i = 0; i < 100 || !done; ++i) {
    f.graphics.MouseDown(25, 5);
    f.graphics.MouseUp(25, 5);
    f.graphics.Tick();
  }
  plugThread.join();
  IBounds dirty;
  f.graphics.IsDirty(dirty);
  // However the reports and the editor interleaved, the last report is what shows.
  EXPECT_DOUBLE_EQ(probe.Value(), lastSent.load());
  EXPECT_DOUBLE_EQ(other.Value(), 0.5);
}

}  // namespace
}  // namespace fluvia::testing
