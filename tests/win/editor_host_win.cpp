// The editor check's host window on Windows: a borderless top-level window at (0, 0) sized to
// the view, the view attached to it as "HWND", and a plain message loop, as a host runs one.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "pluginterfaces/gui/iplugview.h"
#include "tests/win/editor_host.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace fluvia::modulecheck {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr const char* kHostClass = "FluviaCheckHostWindow";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeHostWindow(int width, int height) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kHostClass;
  RegisterClassA(&wc);
  return CreateWindowExA(0, kHostClass, "Fluvia check host", WS_POPUP | WS_VISIBLE, 0, 0, width,
                         height, nullptr, nullptr, wc.hInstance, nullptr);
}

bool FileExists(const std::string& path) {
  return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The controller's values, the way a host sees the edits the editor made.
void PrintParameters(IEditController* controller) {
  for (int32 i = 0; i < controller->getParameterCount(); ++i) {
    ParameterInfo info{};
    if (controller->getParameterInfo(i, info) != kResultOk) continue;
    char title[129] = {};
    for (int c = 0; c < 128 && info.title[c]; ++c) title[c] = char(info.title[c] & 0x7f);
    std::printf("param %s %.9f\n", title, controller->getParamNormalized(info.id));
  }
}

int RunVst3Editor(const std::string& bundle, double seconds, const std::string& stopFile) {
  std::string error;
  vst3host::HostApplication host;
  auto module = vst3host::Vst3Module::Load(bundle, error);
  auto plugin = module ? vst3host::Vst3Plugin::Create(*module, host, error) : nullptr;
  if (!plugin) {
    std::fprintf(stderr, "FAIL: %s\n", error.c_str());
    return 1;
  }
  IPlugView* view = plugin->Controller()->createView(ViewType::kEditor);
  ViewRect size{};
  if (!view || view->isPlatformTypeSupported(kPlatformTypeHWND) != kResultTrue ||
      view->getSize(&size) != kResultOk) {
    std::fprintf(stderr, "FAIL: the plug-in offers no HWND editor\n");
    if (view) view->release();
    return 1;
  }
  vst3host::PlugFrame frame;
  view->setFrame(&frame);
  HWND window = MakeHostWindow(size.getWidth(), size.getHeight());
  if (!window || view->attached(window, kPlatformTypeHWND) != kResultOk) {
    std::fprintf(stderr, "FAIL: the editor did not open in the host window\n");
    view->setFrame(nullptr);
    view->release();
    return 1;
  }
  HWND child = GetWindow(window, GW_CHILD);
  RECT childRect = {};
  if (child) GetClientRect(child, &childRect);
  char className[64] = {};
  if (child) GetClassNameA(child, className, sizeof className);
  std::printf("ready %d %d child %s %ld %ld\n", int(size.getWidth()), int(size.getHeight()),
              className, long(childRect.right), long(childRect.bottom));
  std::fflush(stdout);

  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  UINT_PTR poll = SetTimer(nullptr, 0, 50, nullptr);
  MSG message;
  while (std::chrono::steady_clock::now() < end && !FileExists(stopFile) &&
         GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  KillTimer(nullptr, poll);
  view->removed();
  view->setFrame(nullptr);
  view->release();
  DestroyWindow(window);
  PrintParameters(plugin->Controller());
  std::fflush(stdout);
  return 0;
}

}  // namespace

int RunEditor(const std::string& format, const std::string& module,
              const std::vector<std::string>& args) {
  if (args.empty()) return 2;
  const double seconds = std::atof(args[0].c_str());
  const std::string stopFile = args.size() > 1 ? args[1] : std::string();
  if (format == "vst3") return RunVst3Editor(module, seconds, stopFile);
  std::fprintf(stderr, "FAIL: no editor check for format %s\n", format.c_str());
  return 1;
}

}  // namespace fluvia::modulecheck
