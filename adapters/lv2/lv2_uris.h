#pragma once
// The identifiers this module gives itself in LV2: the plug-in, its editor, the key of its
// saved state and the factory presets. They are part of every saved project and preset that
// names the plug-in, so they never change.

namespace fluvia {

inline constexpr const char* kLv2PluginUri = "https://velmora.audio/plugins/fluvia";
inline constexpr const char* kLv2UiUri = "https://velmora.audio/plugins/fluvia#ui";
// The state is one chunk under this key: the same bytes a VST3 host saves.
inline constexpr const char* kLv2StateKeyUri = "https://velmora.audio/plugins/fluvia#state";
// Factory presets are named by this prefix and a slug of the preset's name.
inline constexpr const char* kLv2PresetUriPrefix = "https://velmora.audio/plugins/fluvia/presets#";

// The module's file inside the bundle (plug-in and editor alike).
inline constexpr const char* kLv2BinaryName = "Fluvia.so";

}  // namespace fluvia
