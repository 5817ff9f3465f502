// fluvia-lv2-ttl: writes the Turtle files of the Fluvia.lv2 bundle from the instrument itself,
// at build time, so that what hosts read (ports, ranges, defaults, presets) is always what
// the module does:
//   manifest.ttl   the plug-in, its editor and the factory presets, with the files to read
//   Fluvia.ttl     the plug-in's description (ports, features, state) and its editor's
//   presets.ttl    the factory presets as LV2 presets, one port value per stored parameter
//
//   fluvia-lv2-ttl <bundle folder> <factory preset folder>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "adapters/lv2/lv2_ports.h"
#include "adapters/lv2/lv2_uris.h"
#include "instrument/fluvia.h"
#include "presets/preset_format.h"

namespace fs = std::filesystem;

namespace {

using fluvia::Lv2ControlPort;

// The shortest text that reads back as the same single-precision number, in the "C" form.
std::string Number(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, result.ptr);
  // Turtle reads "1e+04" as a double and "3" as an integer; both are numbers to hosts.
  return text;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string Slug(const std::string& name) {
  std::string slug;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (std::isalnum(u) && u < 0x80) {
      slug += char(std::tolower(u));
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug;
}

const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

struct Preset {
  std::string uri;
  std::string label;
  std::vector<std::pair<std::string, float>> values;  // port symbol, value
};

std::string Uri(const std::string& uri) { return "<" + uri + ">"; }

std::string PluginTurtle(const fluvia::IPluginCore& core,
                         const std::vector<Lv2ControlPort>& ports) {
  const int version = core.Version();
  std::ostringstream t;
  t << kPrefixes;
  t << Uri(fluvia::kLv2PluginUri) << "\n"
    << "    a lv2:Plugin, lv2:InstrumentPlugin ;\n"
    << "    doap:name " << Quoted(core.EffectName()) << " ;\n"
    << "    doap:license <https://spdx.org/licenses/GPL-3.0-only> ;\n"
    << "    doap:maintainer [ foaf:name " << Quoted(core.ManufacturerName())
    << " ; foaf:homepage <https://velmora.audio> ] ;\n"
    << "    rdfs:comment \"Synthesises the sound of moving water: streams, faucets, showers, "
       "waterfalls and rain.\" ;\n"
    << "    lv2:minorVersion " << ((version >> 8) & 0xFF) << " ;\n"
    << "    lv2:microVersion " << (version & 0xFF) << " ;\n"
    << "    lv2:requiredFeature urid:map ;\n"
    << "    lv2:optionalFeature opts:options, bufsz:boundedBlockLength ;\n"
    << "    opts:supportedOption bufsz:maxBlockLength, bufsz:sequenceSize ;\n"
    << "    lv2:extensionData state:interface ;\n"
    << "    ui:ui " << Uri(fluvia::kLv2UiUri) << " ;\n"
    << "    lv2:port [\n"
    << "        a lv2:InputPort, atom:AtomPort ;\n"
    << "        atom:bufferType atom:Sequence ;\n"
    << "        atom:supports midi:MidiEvent, time:Position ;\n"
    << "        lv2:designation lv2:control ;\n"
    << "        lv2:index " << fluvia::kLv2EventsPort << " ;\n"
    << "        lv2:symbol \"events\" ;\n"
    << "        lv2:name \"MIDI In\" ;\n"
    << "        rsz:minimumSize " << fluvia::kLv2EventBufferBytes << " ;\n"
    << "    ] , [\n"
    << "        a lv2:OutputPort, lv2:AudioPort ;\n"
    << "        lv2:index " << fluvia::kLv2OutLeftPort << " ;\n"
    << "        lv2:symbol \"out_left\" ;\n"
    << "        lv2:name \"Left\" ;\n"
    << "    ] , [\n"
    << "        a lv2:OutputPort, lv2:AudioPort ;\n"
    << "        lv2:index " << fluvia::kLv2OutRightPort << " ;\n"
    << "        lv2:symbol \"out_right\" ;\n"
    << "        lv2:name \"Right\" ;\n";
  for (const Lv2ControlPort& port : ports) {
    t << "    ] , [\n"
      << "        a lv2:InputPort, lv2:ControlPort ;\n"
      << "        lv2:index " << port.index << " ;\n"
      << "        lv2:symbol " << Quoted(port.symbol) << " ;\n"
      << "        lv2:name " << Quoted(port.name) << " ;\n"
      << "        lv2:default " << Number(port.defaultValue) << " ;\n"
      << "        lv2:minimum " << Number(port.minimum) << " ;\n"
      << "        lv2:maximum " << Number(port.maximum) << " ;\n";
    if (port.integer) t << "        lv2:portProperty lv2:integer ;\n";
    if (port.toggled) t << "        lv2:portProperty lv2:toggled ;\n";
    if (!port.unit.empty()) {
      t << "        units:unit [ rdfs:label " << Quoted(port.unit) << " ; units:symbol "
        << Quoted(port.unit) << " ] ;\n";
    }
  }
  t << "    ] .\n\n";
  t << Uri(fluvia::kLv2UiUri) << "\n"
    << "    a ui:X11UI ;\n"
    << "    ui:binary <" << fluvia::kLv2BinaryName << "> ;\n"
    << "    lv2:requiredFeature ui:idleInterface, ui:parent,\n"
    << "        <http://lv2plug.in/ns/ext/instance-access> ;\n"
    << "    lv2:optionalFeature ui:resize, ui:noUserResize, ui:touch, opts:options, urid:map ;\n"
    << "    lv2:extensionData ui:idleInterface, opts:interface ;\n"
    << "    opts:supportedOption ui:scaleFactor .\n";
  return t.str();
}

std::string PresetsTurtle(const std::vector<Preset>& presets) {
  std::ostringstream t;
  t << kPrefixes;
  for (const Preset& preset : presets) {
    t << Uri(preset.uri) << "\n"
      << "    a pset:Preset ;\n"
      << "    lv2:appliesTo " << Uri(fluvia::kLv2PluginUri) << " ;\n"
      << "    rdfs:label " << Quoted(preset.label) << " ;\n"
      << "    lv2:port";
    for (size_t i = 0; i < preset.values.size(); ++i) {
      t << (i ? " , [\n" : " [\n") << "        lv2:symbol " << Quoted(preset.values[i].first)
        << " ;\n        pset:value " << Number(preset.values[i].second) << "\n    ]";
    }
    t << " .\n\n";
  }
  return t.str();
}

std::string ManifestTurtle(const std::vector<Preset>& presets) {
  std::ostringstream t;
  t << kPrefixes;
  t << Uri(fluvia::kLv2PluginUri) << "\n"
    << "    a lv2:Plugin, lv2:InstrumentPlugin ;\n"
    << "    lv2:binary <" << fluvia::kLv2BinaryName << "> ;\n"
    << "    rdfs:seeAlso <Fluvia.ttl> .\n\n";
  t << Uri(fluvia::kLv2UiUri) << "\n"
    << "    a ui:X11UI ;\n"
    << "    ui:binary <" << fluvia::kLv2BinaryName << "> ;\n"
    << "    rdfs:seeAlso <Fluvia.ttl> .\n\n";
  for (const Preset& preset : presets) {
    t << Uri(preset.uri) << "\n"
      << "    a pset:Preset ;\n"
      << "    lv2:appliesTo " << Uri(fluvia::kLv2PluginUri) << " ;\n"
      << "    rdfs:label " << Quoted(preset.label) << " ;\n"
      << "    rdfs:seeAlso <presets.ttl> .\n\n";
  }
  return t.str();
}

// The factory presets in file-name order, as port values of the stored parameters.
bool ReadPresets(const fs::path& folder, const std::vector<Lv2ControlPort>& ports,
                 std::vector<Preset>& presets) {
  std::map<int, std::string> symbolOfParam;
  for (const Lv2ControlPort& port : ports) symbolOfParam[port.param] = port.symbol;
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == std::string(".") + fluvia::kPresetExtension) {
      files.push_back(entry.path());
    }
  }
  if (error) return false;
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const fluvia::PresetValues values = fluvia::ParsePresetText(text.str());
    Preset preset;
    preset.label = file.stem().string();
    preset.uri = std::string(fluvia::kLv2PresetUriPrefix) + Slug(preset.label);
    const auto& stored = fluvia::StoredPresetParams();
    for (size_t i = 0; i < stored.size(); ++i) {
      const auto symbol = symbolOfParam.find(stored[i].index);
      if (!values[i] || symbol == symbolOfParam.end()) continue;
      preset.values.emplace_back(symbol->second, static_cast<float>(*values[i]));
    }
    if (preset.values.empty()) {
      std::fprintf(stderr, "fluvia-lv2-ttl: %s holds no preset\n", file.string().c_str());
      return false;
    }
    presets.push_back(preset);
  }
  return true;
}

bool Write(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) std::fprintf(stderr, "fluvia-lv2-ttl: cannot write %s\n", path.string().c_str());
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <bundle folder> <factory preset folder>\n", argv[0]);
    return 2;
  }
  const fs::path bundle = argv[1];
  fluvia::FluviaOptions options;
  options.api = fluvia::PluginApi::LV2;
  // No editor and a preset folder of its own: building the description touches nothing of
  // the person's.
  options.presetFolder = (bundle.parent_path() / "lv2-ttl-presets-unused").string();
  fluvia::Fluvia instrument(options);
  const std::vector<Lv2ControlPort> ports = fluvia::Lv2ControlPorts(instrument);

  std::vector<Preset> presets;
  if (!ReadPresets(argv[2], ports, presets) || presets.empty()) {
    std::fprintf(stderr, "fluvia-lv2-ttl: no factory presets in %s\n", argv[2]);
    return 1;
  }
  std::error_code error;
  fs::create_directories(bundle, error);
  const bool ok = Write(bundle / "manifest.ttl", ManifestTurtle(presets)) &&
                  Write(bundle / "Fluvia.ttl", PluginTurtle(instrument, ports)) &&
                  Write(bundle / "presets.ttl", PresetsTurtle(presets));
  return ok ? 0 : 1;
}
