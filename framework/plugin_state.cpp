// Parameter state blocks and the base's own preset slots.

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/plugin_core.h"

namespace fluvia {

bool IPluginCore::SerializeParams(StateChunk& chunk) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // The audio thread may be writing values meanwhile (automation, controllers, notes): the
  // state is a set of values that held together.
  std::vector<double> values(params_.size());
  audioWrites_.ReadValues(params_, values.data());
  for (double value : values) chunk.PutDouble(value);
  return true;
}

int IPluginCore::UnserializeParams(const StateChunk& chunk, int position) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // The chunk is read first, so that the whole change the audio thread waits for is only
  // the writing of the values.
  std::vector<double> values;
  values.reserve(params_.size());
  while (position >= 0 && values.size() < params_.size()) {
    double value = 0.0;
    const int next = chunk.GetDouble(value, position);
    values.push_back(next < 0 ? 0.0 : value);  // a short read sets that parameter to 0
    position = next;
  }
  {
    // The restored values act from one block start on, all of them.
    WholeChangeScope whole(*this);
    for (size_t i = 0; i < values.size(); ++i) {
      params_[i]->SetValue(values[i]);  // clamps; a NaN keeps the current value
      HandOverParam(int(i));
    }
  }
  // Every parameter is replayed, also after a short read, so that the instrument's view of
  // the values matches the parameters again. The replay is marked so that the preset
  // commands among them do not act on it.
  ChangeSourceScope source(*this, ParamChangeSource::StateRestore);
  for (int i = 0; i < NumParams(); ++i) ParamChanged(i);
  return position;
}

void IPluginCore::MakeDefaultPresets(const char* name, int count) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (int n = 0; n < count; ++n) {
    auto slot = std::find_if(presets_.begin(), presets_.end(),
                             [](const auto& preset) { return !preset->initialised; });
    if (slot == presets_.end()) return;
    PluginPreset& preset = **slot;
    preset.initialised = true;
    preset.name = (name && *name) ? name : "Empty";
    preset.name.resize(std::min(preset.name.size(), size_t(PluginPreset::kNameLength - 1)));
    preset.state.Clear();
    SaveState(preset.state);
  }
}

bool IPluginCore::RestorePreset(int index) {
  if (index < 0 || index >= NumPresets()) return false;
  // A program change that arrives with the audio: the worker restores it.
  if (OnAudioThread()) return DeferToWorker({DeferredCommand::Kind::RestorePreset, index, 0.0});
  return RestorePresetNow(index);
}

bool IPluginCore::RestorePresetNow(int index) {
  if (index < 0 || index >= NumPresets()) return false;
  WholeChangeScope whole(*this);
  PluginPreset& preset = *presets_[size_t(index)];
  bool restored = false;
  if (preset.initialised) {
    restored = LoadState(preset.state, 0) > 0;
  } else {
    const int userPresets = int(std::count_if(presets_.begin(), presets_.end(), [](const auto& p) {
      return p->name.find("user preset") != std::string::npos;
    }));
    preset.initialised = true;
    preset.name = "user preset " + std::to_string(userPresets + 1);
    preset.state.Clear();
    restored = SaveState(preset.state);
  }
  if (restored) {
    currentPreset_.store(index, std::memory_order_relaxed);
    PresetsChanged();
    RefreshEditorParams();
  }
  return restored;
}

std::string IPluginCore::PresetName(int index) const {
  const PluginPreset* preset = Preset(index);
  return preset ? preset->name : std::string();
}

void IPluginCore::ModifyCurrentPreset(const char* name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const int current = CurrentPreset();
  if (current < 0 || current >= NumPresets()) return;
  PluginPreset& preset = *presets_[size_t(current)];
  preset.state.Clear();
  SaveState(preset.state);
  if (name && *name) {
    preset.name = name;
    preset.name.resize(std::min(preset.name.size(), size_t(PluginPreset::kNameLength - 1)));
  }
}

bool IPluginCore::SerializePresets(StateChunk& chunk) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (const auto& preset : presets_) {
    chunk.PutInt32(static_cast<int32_t>(preset->name.size()));
    chunk.PutBytes(preset->name.data(), static_cast<int>(preset->name.size()));
    chunk.PutByte(preset->initialised ? 1 : 0);
    if (preset->initialised) chunk.PutBytes(preset->state.Data(), preset->state.Size());
  }
  return true;
}

int IPluginCore::UnserializePresets(const StateChunk& chunk, int position) {
  WholeChangeScope whole(*this);
  // A length of 0 keeps the name read for the previous preset, as banks written by earlier
  // versions expect.
  std::string name;
  for (auto& slot : presets_) {
    if (position < 0) break;
    int32_t length = 0;
    position = chunk.GetInt32(length, position);
    if (position < 0) break;
    if (length > 0) {
      // A length that runs past the end (or is negative) marks a damaged bank: stop here
      // rather than read beyond it.
      if (!chunk.Remaining(position, length)) {
        position = -1;
        break;
      }
      const char* bytes = reinterpret_cast<const char*>(chunk.Data() + position);
      name.assign(bytes, strnlen(bytes, size_t(length)));
      position += length;
    } else if (length < 0) {
      position = -1;
      break;
    }
    PluginPreset& preset = *slot;
    preset.name = name.substr(0, PluginPreset::kNameLength - 1);
    uint8_t initialised = 0;
    position = chunk.GetByte(initialised, position);
    if (position < 0) break;
    preset.initialised = initialised != 0;
    if (preset.initialised) {
      position = LoadState(chunk, position);
      if (position > 0) {
        preset.state.Clear();
        SaveState(preset.state);
      }
    }
  }
  RestorePreset(CurrentPreset());
  return position;
}

}  // namespace fluvia
