#pragma once
// A plug-in core with the instrument's 26 parameters (built from the engine's descriptors, as
// the instrument does) and the instrument's preset dispatch, a preset library over a scratch
// preset folder, and an editor stand-in that records what the plug-in side tells it.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_params.h"
#include "engine/water_engine.h"
#include "framework/editor_link.h"
#include "framework/plugin_core.h"
#include "presets/preset_format.h"
#include "presets/preset_library_impl.h"
#include "tests/presets/scratch_folder.h"

namespace fluvia::testing {

inline PluginConfig PresetCoreConfig() {
  PluginConfig config;
  config.numParams = kEngineParamCount;
  config.channelIO = "2-2";
  config.effectName = "Fluvia";
  config.midiInput = true;
  config.instrument = true;
  return config;
}

class PresetTestCore : public IPluginCore {
 public:
  PresetTestCore() : IPluginCore(PresetCoreConfig()), engine(WaterEngine::Create(44100.0)) {
    for (int i = 0; i < kEngineParamCount; ++i) {
      const EngineParamInfo* info = engine->Descriptor(i);
      GetParam(i)->InitRange(info->name.c_str(), info->defaultValue, info->minimum,
                             info->maximum, 0.00001);
    }
  }

  // The instrument's dispatch of the five preset commands.
  void ParamChanged(int index) override {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    const double value = GetParam(index)->Value();
    engine->SetParameter(index, value);
    changes.push_back(index);
    if (!library) return;
    if (IsStoredPresetParam(index)) library->SoundChanged();
    switch (index) {
      case kPresetBackward:
      case kPresetForward:
        if (value == 1.0) {
          ++voiceResets;
          library->StepPreset(index == kPresetForward ? +1 : -1);
        }
        break;
      case kPresetLoad: library->LoadChosenFile(); break;
      case kPresetSave:
        if (ChangeSource() == ParamChangeSource::Editor) library->SaveChosenFile();
        break;
      case kPresetSelector:
        ++voiceResets;
        library->LoadLibraryPreset();
        break;
      default: break;
    }
  }

  // The audio side: what the library handed over reaches this engine at a block start.
  void ChangesHandedOver(const ParamHandOver::Taken& taken) override {
    for (int i = 0; i < NumParams(); ++i) {
      if (taken.Has(i)) engine->SetParameter(i, taken.Value(i));
    }
  }
  // The start of a processing call (without audio): takes over what was handed over.
  void BlockStart() {
    AudioThreadScope audio(*this);
    ProcessBuffers(0);
  }

  std::unique_ptr<WaterEngine> engine;
  PresetLibrary* library = nullptr;
  std::vector<int> changes;
  int voiceResets = 0;
};

class RecordingEditor : public IEditorLink {
 public:
  struct Update {
    int index;
    double value;
    bool normalised;
  };
  void SetParameterFromPlug(int index, double value, bool normalised) override {
    updates.push_back({index, value, normalised});
  }
  void PrepareDrawing() override {}
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}
  bool WindowIsOpen() const override { return false; }

  std::vector<Update> updates;
};

// The nine stored parameters' values in file order, and every parameter's value.
inline std::vector<double> AllValues(const IPluginCore& core) {
  std::vector<double> values;
  for (int i = 0; i < core.NumParams(); ++i) values.push_back(core.GetParam(i)->Value());
  return values;
}

class PresetLibraryTest : public ::testing::Test {
 protected:
  PresetLibraryTest()
      : folder(scratch.Path() + "Presets/"),
        library(core, folder,
                {nullptr, nullptr, nullptr,
                 [this](const std::string& message) { notices.push_back(message); }}) {
    core.library = &library;
    auto recorder = std::make_unique<RecordingEditor>();
    editor = recorder.get();
    core.AttachEditor(std::move(recorder));
  }
  double Value(int index) const { return core.GetParam(index)->Value(); }
  // What the engine holds from the next block start on.
  double EngineValue(int index) {
    core.BlockStart();
    return core.engine->Parameter(index);
  }
  void HostSets(int index, double value) {
    core.GetParam(index)->SetValue(value);
    core.ParamChanged(index);
  }
  // Writes a library preset file (relative to the preset folder).
  void WriteLibraryFile(int number, const std::string& content) {
    ScratchFolder::Write(library.PresetFilePath(number), content);
  }
  // A button the person presses in the editor (the release does nothing more).
  void Press(int button) {
    core.SetParamFromEditor(button, 1.0);
    core.SetParamFromEditor(button, 0.0);
  }

  ScratchFolder scratch;
  PresetTestCore core;
  std::string folder;
  std::vector<std::string> notices;  // what the editor told the person
  PresetLibrary library;
  RecordingEditor* editor = nullptr;
};

}  // namespace fluvia::testing
