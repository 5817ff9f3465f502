#pragma once
// The process-wide side of the editor windows: the "IPluginWndClass" registration, counted by
// open editor windows, and the timer rate of the editor opened last.

#include <windows.h>

namespace fluvia {

constexpr const char* kEditorWindowClass = "IPluginWndClass";

// Registers the class when no editor window is open yet (false when that fails).
bool AcquireEditorWindowClass(HINSTANCE module);
// One editor window fewer (or a failed creation); unregisters the class at 0.
void ReleaseEditorWindowClass(HINSTANCE module);
// Unregisters the class if that had to wait for a window the host was destroying.
void RetryEditorWindowClassRelease(HINSTANCE module);
int OpenEditorWindows();
void SetEditorTimerRate(int framesPerSecond);
int EditorTimerRate();

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TextEntryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace fluvia
