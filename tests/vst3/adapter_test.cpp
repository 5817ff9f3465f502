// The adapter in-process, on a probing core and a fake editor: the paths a module-level test
// cannot reach while the instrument has no editor and no latency, and the effect (non-
// instrument) configuration.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "adapters/vst3/plugin_vst3.h"
#include "framework/editor_link.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "tools/vst3host/host_objects.h"

namespace fluvia {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

struct Probe {
  std::vector<int> changed;
  int editorOpened = 0;
  int editorClosed = 0;
  int editorResized = 0;
  int hostIdentified = 0;
  std::vector<std::tuple<int, double, bool>> editorValues;
  std::vector<void*> openedWith;
  int windowsClosed = 0;
  bool windowOpen = false;
};

class FakeEditor : public IEditorLink {
 public:
  explicit FakeEditor(Probe& probe) : probe_(probe) {}
  void SetParameterFromPlug(int index, double value, bool normalised) override {
    probe_.editorValues.emplace_back(index, value, normalised);
  }
  void PrepareDrawing() override {}
  int Width() const override { return 1000; }
  int Height() const override { return 960; }
  void* OpenWindow(void* parent) override {
    probe_.openedWith.push_back(parent);
    probe_.windowOpen = true;
    return this;
  }
  void CloseWindow() override {
    ++probe_.windowsClosed;
    probe_.windowOpen = false;
  }
  bool WindowIsOpen() const override { return probe_.windowOpen; }

 private:
  Probe& probe_;
};

PluginConfig ProbeConfig(bool instrument) {
  PluginConfig config;
  config.numParams = 4;
  config.channelIO = "2-2";
  config.numPresets = 1;
  config.effectName = "Probe";
  config.manufacturerName = "VelmoraAudio";
  config.midiInput = instrument;
  config.instrument = instrument;
  return config;
}

class ProbeCore : public IPluginCore {
 public:
  ProbeCore(Probe& probe, bool instrument, bool withEditor)
      : IPluginCore(ProbeConfig(instrument)), probe_(probe) {
    for (int i = 0; i < NumParams(); ++i) {
      GetParam(i)->InitRange(("P" + std::to_string(i)).c_str(), 0.5, 0.0, 1.0, 0.00001);
    }
    if (withEditor) AttachEditor(std::make_unique<FakeEditor>(probe));
    MakeDefaultPresets("Init", 1);
  }
  void ParamChanged(int index) override { probe_.changed.push_back(index); }
  void EditorOpened() override { ++probe_.editorOpened; }
  void EditorClosed() override { ++probe_.editorClosed; }
  void EditorResized() override { ++probe_.editorResized; }
  void HostIdentified() override { ++probe_.hostIdentified; }

 private:
  Probe& probe_;
};

// The context menu a host pops up for a parameter.
class Menu : public vst3host::HostOwned<IContextMenu> {
 public:
  int32 PLUGIN_API getItemCount() override { return 0; }
  tresult PLUGIN_API getItem(int32, Item&, IContextMenuTarget**) override { return kResultFalse; }
  tresult PLUGIN_API addItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
  tresult PLUGIN_API removeItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
  tresult PLUGIN_API popup(UCoord x, UCoord y) override {
    popups.emplace_back(x, y);
    return kResultOk;
  }
  std::vector<std::pair<UCoord, UCoord>> popups;
};

class MenuHandler : public vst3host::ComponentHandler, public IComponentHandler3 {
 public:
  tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override {
    if (FUnknownPrivate::iidEqual(queried, IComponentHandler3::iid)) {
      addRef();
      *obj = static_cast<IComponentHandler3*>(this);
      return kResultOk;
    }
    return vst3host::ComponentHandler::queryInterface(queried, obj);
  }
  uint32 PLUGIN_API addRef() override { return vst3host::ComponentHandler::addRef(); }
  uint32 PLUGIN_API release() override { return vst3host::ComponentHandler::release(); }
  IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* id) override {
    menuViews.push_back(view);
    menuParams.push_back(id ? *id : 9999);
    menu.addRef();
    return &menu;
  }
  Menu menu;
  std::vector<IPlugView*> menuViews;
  std::vector<ParamID> menuParams;
};

class Vst3Adapter : public ::testing::Test {
 protected:
  void Make(bool instrument, bool withEditor, const char* hostName = "Fluvia Tests") {
    host_.SetName(hostName);
    auto core = std::make_unique<ProbeCore>(probe_, instrument, withEditor);
    core_ = core.get();
    plugin_ = new IPluginVST3(std::move(core));
    ASSERT_EQ(plugin_->initialize(&host_), kResultOk);
    plugin_->setComponentHandler(&handler_);
  }
  void TearDown() override {
    if (!plugin_) return;
    plugin_->terminate();
    plugin_->release();
  }
  tresult Process(ProcessData& data) { return plugin_->process(data); }

  Probe probe_;
  vst3host::HostApplication host_;
  MenuHandler handler_;
  IPluginVST3* plugin_ = nullptr;
  ProbeCore* core_ = nullptr;
};

TEST_F(Vst3Adapter, AnswersTypeQueriesForItsSdkBaseClasses) {
  Make(true, false);
  EXPECT_STREQ(plugin_->isA(), "IPluginVST3");
  for (const char* name : {"IPluginVST3", "SingleComponentEffect", "EditController",
                           "ComponentBase", "FObject"}) {
    EXPECT_TRUE(plugin_->isTypeOf(name)) << name;
  }
  EXPECT_FALSE(plugin_->isTypeOf("Component"));
}

TEST_F(Vst3Adapter, TheViewOpensAndClosesTheEditorWindow) {
  Make(true, true);
  IPlugView* view = plugin_->createView("editor");
  ASSERT_TRUE(view);
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultOk);
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
  ViewRect size{};
  ASSERT_EQ(view->getSize(&size), kResultOk);
  EXPECT_EQ(size.getWidth(), 1000);
  EXPECT_EQ(size.getHeight(), 960);

  void* parent = reinterpret_cast<void*>(0x4200);
  EXPECT_EQ(view->attached(nullptr, kPlatformTypeX11EmbedWindowID), kInvalidArgument);
  ASSERT_EQ(view->attached(parent, kPlatformTypeX11EmbedWindowID), kResultOk);
  EXPECT_EQ(probe_.openedWith, std::vector<void*>{parent});
  EXPECT_EQ(probe_.editorOpened, 1);
  EXPECT_EQ(view->attached(parent, kPlatformTypeX11EmbedWindowID), kResultFalse);
  ASSERT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(probe_.editorClosed, 1);
  EXPECT_EQ(probe_.windowsClosed, 1);

  // A platform type the editor cannot embed into opens no window but still counts as opened.
  ASSERT_EQ(view->attached(parent, kPlatformTypeHWND), kResultOk);
  EXPECT_EQ(probe_.openedWith.size(), 1u);
  EXPECT_EQ(probe_.editorOpened, 2);

  // Released while attached, the view closes the editor first.
  ASSERT_EQ(view->attached(parent, "ignored"), kResultFalse);
  view->release();
  EXPECT_EQ(probe_.editorClosed, 2);
}

TEST_F(Vst3Adapter, EditorResizeGoesThroughTheHostFrame) {
  Make(true, true);
  IPlugView* view = plugin_->createView("editor");
  vst3host::PlugFrame frame;
  ASSERT_EQ(view->setFrame(&frame), kResultOk);
  core_->ResizeEditor(500, 480);
  ASSERT_EQ(frame.resizeRequests.size(), 1u);
  EXPECT_EQ(frame.resizeRequests[0].getWidth(), 500);
  EXPECT_EQ(frame.resizeRequests[0].getHeight(), 480);
  EXPECT_EQ(probe_.editorResized, 1);
  // A size change the plug-in did not ask for is not reported as its resize.
  ViewRect hostSize(0, 0, 10, 10);
  EXPECT_EQ(view->onSize(&hostSize), kResultOk);
  EXPECT_EQ(probe_.editorResized, 1);
  view->release();
  core_->ResizeEditor(300, 300);  // no view any more: nothing to do
  EXPECT_EQ(frame.resizeRequests.size(), 1u);
}

TEST_F(Vst3Adapter, EditorEditsReachTheHostAndAutomationReachesTheEditor) {
  Make(true, true);
  core_->BeginParamEdit(2);
  core_->SetParamFromEditor(2, 0.25);
  core_->EndParamEdit(2);
  using Edit = vst3host::ComponentHandler::Edit;
  ASSERT_EQ(handler_.edits.size(), 3u);
  EXPECT_EQ(handler_.edits[0].kind, Edit::Begin);
  EXPECT_EQ(handler_.edits[1].kind, Edit::Perform);
  EXPECT_EQ(handler_.edits[1].id, 2u);
  EXPECT_EQ(handler_.edits[1].value, 0.25);
  EXPECT_EQ(handler_.edits[2].kind, Edit::End);
  EXPECT_EQ(core_->GetParam(2)->Value(), 0.25);

  probe_.editorValues.clear();
  probe_.changed.clear();
  vst3host::ParameterChanges changes;
  changes.Add(1, 0, 0.9);
  changes.Add(3, 0, 7.0);  // out of range: the editor sees where the parameter went
  ProcessData data{};
  data.symbolicSampleSize = kSample32;
  data.inputParameterChanges = &changes;
  ASSERT_EQ(Process(data), kResultOk);
  ASSERT_EQ(probe_.editorValues.size(), 2u);
  EXPECT_EQ(probe_.editorValues[0], std::make_tuple(1, 0.9, true));
  EXPECT_EQ(probe_.editorValues[1], std::make_tuple(3, 1.0, true));
  EXPECT_EQ(probe_.changed, (std::vector<int>{1, 3}));
}

TEST_F(Vst3Adapter, RightClickOpensTheHostsParameterMenu) {
  Make(true, true);
  core_->ShowHostParamMenu(1, 10, 20);  // no view yet: nothing
  EXPECT_TRUE(handler_.menuViews.empty());
  IPlugView* view = plugin_->createView("editor");
  core_->ShowHostParamMenu(1, 10, 20);
  ASSERT_EQ(handler_.menuViews.size(), 1u);
  EXPECT_EQ(handler_.menuViews[0], view);
  EXPECT_EQ(handler_.menuParams[0], 1u);
  EXPECT_EQ(handler_.menu.popups, (std::vector<std::pair<UCoord, UCoord>>{{10, 20}}));
  EXPECT_EQ(handler_.menu.ExtraReferences(), 0);  // the adapter released the menu
  view->release();
}

TEST_F(Vst3Adapter, LatencyChangesAskTheHostToRestart) {
  Make(true, false);
  core_->ChangeLatency(64);
  EXPECT_EQ(handler_.restarts, std::vector<int32>{kLatencyChanged});
  EXPECT_EQ(plugin_->getLatencySamples(), 64u);
}

TEST_F(Vst3Adapter, TransportComesFromTheLatestProcessContext) {
  Make(true, false);
  ProcessSetup setup{kOffline, kSample32, 256, 48000.0};
  ASSERT_EQ(plugin_->setupProcessing(setup), kResultOk);
  EXPECT_TRUE(core_->IsOfflineRendering());

  ProcessContext context{};
  context.state = ProcessContext::kPlaying | ProcessContext::kCycleActive;
  context.projectTimeSamples = 96000;
  context.projectTimeMusic = 8.0;
  context.barPositionMusic = 4.0;
  context.cycleStartMusic = 2.0;
  context.cycleEndMusic = 10.0;
  context.tempo = 140.0;
  context.timeSigNumerator = 6;
  context.timeSigDenominator = 8;
  ProcessData data{};
  data.symbolicSampleSize = kSample32;
  data.processContext = &context;
  ASSERT_EQ(Process(data), kResultOk);

  EXPECT_EQ(core_->HostTempo(), 140.0);
  EXPECT_EQ(core_->SamplePosition(), 96000);
  int numerator = 0, denominator = 0;
  core_->TimeSignature(numerator, denominator);
  EXPECT_EQ(numerator, 6);
  EXPECT_EQ(denominator, 8);
  TimeInfo info;
  core_->FillTimeInfo(info);
  EXPECT_EQ(info.samplePosition, 96000.0);
  EXPECT_EQ(info.ppqPosition, 8.0);
  EXPECT_EQ(info.lastBarPosition, 4.0);
  EXPECT_EQ(info.cycleStart, 2.0);
  EXPECT_EQ(info.cycleEnd, 10.0);
  EXPECT_TRUE(info.transportRunning);
  EXPECT_TRUE(info.cycleActive);

  // A block without a context keeps the last one.
  data.processContext = nullptr;
  ASSERT_EQ(Process(data), kResultOk);
  EXPECT_EQ(core_->HostTempo(), 140.0);
}

TEST_F(Vst3Adapter, IdentifiesTheHostByItsName) {
  struct Case {
    const char* name;
    HostKind kind;
  };
  const Case table[] = {{"REAPER", 1}, {"Ardour 7.3", 28}, {"Bitwig Studio", 0},
                        {"Steinberg Cubase Nuendo", 3}};
  for (const Case& c : table) {
    SCOPED_TRACE(c.name);
    Probe probe;
    vst3host::HostApplication host(c.name);
    auto* plugin = new IPluginVST3(std::make_unique<ProbeCore>(probe, true, false));
    ASSERT_EQ(plugin->initialize(&host), kResultOk);
    EXPECT_EQ(plugin->Core().HostKindOf(), c.kind);
    EXPECT_EQ(probe.hostIdentified, 1);
    plugin->terminate();
    plugin->release();
  }
}

TEST_F(Vst3Adapter, AnEffectHasABypassAndPassesItsInputThrough) {
  Make(false, false);
  EXPECT_EQ(plugin_->getBusCount(kEvent, kInput), 0);
  BusInfo bus{};
  ASSERT_EQ(plugin_->getBusInfo(kAudio, kOutput, 0, bus), kResultOk);
  EXPECT_EQ(bus.name[0], 'O');
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(bus.name)), u"Output");

  ASSERT_EQ(plugin_->getParameterCount(), 2 + 4);
  ParameterInfo info{};
  ASSERT_EQ(plugin_->getParameterInfo(1, info), kResultOk);
  EXPECT_EQ(info.id, kBypassParamId);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList |
                            ParameterInfo::kIsBypass);
  String128 text{};
  ASSERT_EQ(plugin_->getParamStringByValue(kBypassParamId, 1.0, text), kResultOk);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text)), u"on");

  ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
  ASSERT_EQ(plugin_->setupProcessing(setup), kResultOk);
  plugin_->activateBus(kAudio, kInput, 0, true);
  plugin_->activateBus(kAudio, kOutput, 0, true);
  vst3host::ParameterChanges changes;
  changes.Add(kBypassParamId, 0, 1.0);
  std::vector<float> inL(64, 0.5f), inR(64, -0.25f), outL(64, 9.0f), outR(64, 9.0f);
  float* ins[2] = {inL.data(), inR.data()};
  float* outs[2] = {outL.data(), outR.data()};
  AudioBusBuffers in{};
  in.numChannels = 2;
  in.channelBuffers32 = ins;
  AudioBusBuffers out{};
  out.numChannels = 2;
  out.channelBuffers32 = outs;
  ProcessData data{};
  data.symbolicSampleSize = kSample32;
  data.numSamples = 64;
  data.numInputs = 1;
  data.inputs = &in;
  data.numOutputs = 1;
  data.outputs = &out;
  data.inputParameterChanges = &changes;
  ASSERT_EQ(Process(data), kResultOk);
  EXPECT_EQ(plugin_->getParamNormalized(kBypassParamId), 1.0);
  EXPECT_EQ(outL, inL);
  EXPECT_EQ(outR, inR);

  // An input bus that stops delivering arrays reads silence, not the last block again.
  in.channelBuffers32 = nullptr;
  data.inputParameterChanges = nullptr;
  ASSERT_EQ(Process(data), kResultOk);
  EXPECT_EQ(outL, std::vector<float>(64, 0.0f));
  EXPECT_EQ(outR, std::vector<float>(64, 0.0f));
}

}  // namespace
}  // namespace fluvia
