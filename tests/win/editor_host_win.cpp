// The editor check's host window on Windows: a borderless top-level window at (0, 0) sized to
// the view, the view attached to it as "HWND", and a plain message loop, as a host runs one.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "pluginterfaces/gui/iplugview.h"
#include "tests/win/editor_host.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"
#ifdef FLUVIA_MODULE_CHECK_VST2
#include "tools/vst2host/vst2_host.h"
#endif
#ifdef FLUVIA_MODULE_CHECK_CLAP
#include "tools/claphost/clap_host.h"
#include "tools/claphost/clap_instance.h"
#endif

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

// One plug-in's editor as the host window sees it, whatever the format.
class EditorGuest {
 public:
  virtual ~EditorGuest() = default;
  // The editor's size; false when the plug-in has no editor for a window handle.
  virtual bool Size(int& width, int& height) = 0;
  virtual bool Attach(HWND window) = 0;
  // Called from the host's loop every 50 ms (VST2 hosts send idle calls).
  virtual void Idle() {}
  virtual void Detach() = 0;
  // Every parameter as "param NAME VALUE", normalised, as the host sees it.
  virtual void PrintParameters() = 0;
};

class Vst3Guest : public EditorGuest {
 public:
  bool Load(const std::string& bundle, std::string& error) {
    module_ = vst3host::Vst3Module::Load(bundle, error);
    plugin_ = module_ ? vst3host::Vst3Plugin::Create(*module_, host_, error) : nullptr;
    if (!plugin_) return false;
    view_ = plugin_->Controller()->createView(ViewType::kEditor);
    return true;
  }
  ~Vst3Guest() override {
    if (view_) view_->release();
    plugin_.reset();
  }
  bool Size(int& width, int& height) override {
    ViewRect size{};
    if (!view_ || view_->isPlatformTypeSupported(kPlatformTypeHWND) != kResultTrue ||
        view_->getSize(&size) != kResultOk) {
      return false;
    }
    width = size.getWidth(), height = size.getHeight();
    return true;
  }
  bool Attach(HWND window) override {
    view_->setFrame(&frame_);
    return view_->attached(window, kPlatformTypeHWND) == kResultOk;
  }
  void Detach() override {
    view_->removed();
    view_->setFrame(nullptr);
  }
  void PrintParameters() override {
    IEditController* controller = plugin_->Controller();
    for (int32 i = 0; i < controller->getParameterCount(); ++i) {
      ParameterInfo info{};
      if (controller->getParameterInfo(i, info) != kResultOk) continue;
      char title[129] = {};
      for (int c = 0; c < 128 && info.title[c]; ++c) title[c] = char(info.title[c] & 0x7f);
      std::printf("param %s %.9f\n", title, controller->getParamNormalized(info.id));
    }
  }

 private:
  vst3host::HostApplication host_;
  vst3host::PlugFrame frame_;
  std::unique_ptr<vst3host::Vst3Module> module_;
  std::unique_ptr<vst3host::Vst3Plugin> plugin_;
  IPlugView* view_ = nullptr;
};

#ifdef FLUVIA_MODULE_CHECK_VST2
class Vst2Guest : public EditorGuest {
 public:
  bool Load(const std::string& path, std::string& error) {
    module_ = vst2host::Vst2Module::Load(path, error);
    instance_ = module_ ? vst2host::Vst2Instance::Create(*module_, error) : nullptr;
    if (!instance_) return false;
    instance_->Start(48000.0, 512);
    return true;
  }
  ~Vst2Guest() override { instance_.reset(); }
  bool Size(int& width, int& height) override {
    vst2::Rect* rect = nullptr;
    if (!(instance_->Effect()->flags & vst2::kFlagHasEditor) ||
        !instance_->Dispatch(vst2::kEditGetRect, 0, 0, &rect) || !rect) {
      return false;
    }
    width = rect->right - rect->left, height = rect->bottom - rect->top;
    return true;
  }
  bool Attach(HWND window) override {
    return instance_->Dispatch(vst2::kEditOpen, 0, 0, window) != 0;
  }
  void Idle() override { instance_->Dispatch(vst2::kEditIdle); }
  void Detach() override { instance_->Dispatch(vst2::kEditClose); }
  void PrintParameters() override {
    for (int i = 0; i < instance_->Effect()->numParams; ++i) {
      char name[256] = {};
      instance_->Dispatch(vst2::kGetParamName, i, 0, name);
      std::printf("param %s %.9f\n", name, double(instance_->GetParameter(i)));
    }
  }

 private:
  std::unique_ptr<vst2host::Vst2Module> module_;
  std::unique_ptr<vst2host::Vst2Instance> instance_;
};
#endif

#ifdef FLUVIA_MODULE_CHECK_CLAP
// The CLAP editor: created for "win32", sized, parented into the host window and shown; the
// host answers the plug-in's flush requests from its loop, as the editor's edits ask.
class ClapGuest : public EditorGuest {
 public:
  bool Load(const std::string& path, std::string& error) {
    module_ = claphost::ClapModule::Load(path, error);
    instance_ = module_ ? claphost::ClapInstance::Create(*module_, host_, error) : nullptr;
    if (!instance_) return false;
    gui_ = instance_->Ext<clap::PluginGui>(clap::kExtGui);
    return true;
  }
  ~ClapGuest() override { instance_.reset(); }
  bool Size(int& width, int& height) override {
    const clap::Plugin* plugin = instance_->Plugin();
    uint32_t w = 0, h = 0;
    if (!gui_ || !gui_->isApiSupported(plugin, clap::kWindowApiWin32, false) ||
        !gui_->create(plugin, clap::kWindowApiWin32, false) || !gui_->getSize(plugin, &w, &h)) {
      return false;
    }
    width = int(w), height = int(h);
    return true;
  }
  bool Attach(HWND window) override {
    clap::Window parent{};
    parent.api = clap::kWindowApiWin32;
    parent.win32 = window;
    const clap::Plugin* plugin = instance_->Plugin();
    return gui_->setParent(plugin, &parent) && gui_->show(plugin);
  }
  void Idle() override { instance_->Flush(); }
  void Detach() override { gui_->destroy(instance_->Plugin()); }
  void PrintParameters() override {
    for (uint32_t i = 0; i < instance_->ParamCount(); ++i) {
      clap::ParamInfo info{};
      if (!instance_->ParamInfoAt(i, info)) continue;
      const double span = info.maxValue - info.minValue;
      const double value = instance_->Value(info.id);
      std::printf("param %s %.9f\n", info.name, span > 0.0 ? (value - info.minValue) / span : 0.0);
    }
  }

 private:
  claphost::ClapHost host_{"fluvia-module-check"};
  std::unique_ptr<claphost::ClapModule> module_;
  std::unique_ptr<claphost::ClapInstance> instance_;
  const clap::PluginGui* gui_ = nullptr;
};
#endif

int RunGuest(EditorGuest& guest, double seconds, const std::string& stopFile) {
  int width = 0, height = 0;
  if (!guest.Size(width, height)) {
    std::fprintf(stderr, "FAIL: the plug-in offers no editor for a window handle\n");
    return 1;
  }
  HWND window = MakeHostWindow(width, height);
  if (!window || !guest.Attach(window)) {
    std::fprintf(stderr, "FAIL: the editor did not open in the host window\n");
    if (window) DestroyWindow(window);
    return 1;
  }
  HWND child = GetWindow(window, GW_CHILD);
  RECT childRect = {};
  if (child) GetClientRect(child, &childRect);
  char className[64] = {};
  if (child) GetClassNameA(child, className, sizeof className);
  std::printf("ready %d %d child %s %ld %ld\n", width, height, className,
              long(childRect.right), long(childRect.bottom));
  std::fflush(stdout);

  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  UINT_PTR poll = SetTimer(nullptr, 0, 50, nullptr);
  MSG message;
  const std::string dumpFile = stopFile.empty() ? std::string() : stopFile + ".dump";
  while (std::chrono::steady_clock::now() < end && !FileExists(stopFile) &&
         GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (message.message == WM_TIMER && message.hwnd == nullptr) {
      guest.Idle();
      // The test asks for the host's view of the parameters while the editor stays open.
      if (FileExists(dumpFile)) {
        guest.PrintParameters();
        std::printf("dumped\n");
        std::fflush(stdout);
        DeleteFileA(dumpFile.c_str());
      }
    }
  }
  KillTimer(nullptr, poll);
  guest.Detach();
  DestroyWindow(window);
  guest.PrintParameters();
  std::fflush(stdout);
  return 0;
}

}  // namespace

int RunEditor(const std::string& format, const std::string& module,
              const std::vector<std::string>& args) {
  if (args.empty()) return 2;
  const double seconds = std::atof(args[0].c_str());
  const std::string stopFile = args.size() > 1 ? args[1] : std::string();
  std::string error;
  if (format == "vst3") {
    Vst3Guest guest;
    if (guest.Load(module, error)) return RunGuest(guest, seconds, stopFile);
#ifdef FLUVIA_MODULE_CHECK_VST2
  } else if (format == "vst2") {
    Vst2Guest guest;
    if (guest.Load(module, error)) return RunGuest(guest, seconds, stopFile);
#endif
#ifdef FLUVIA_MODULE_CHECK_CLAP
  } else if (format == "clap") {
    ClapGuest guest;
    if (guest.Load(module, error)) return RunGuest(guest, seconds, stopFile);
#endif
  } else {
    error = "no editor check for format " + format;
  }
  std::fprintf(stderr, "FAIL: %s\n", error.c_str());
  return 1;
}

}  // namespace fluvia::modulecheck
