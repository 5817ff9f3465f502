// Debian's lilv tools read the built bundle as every lilv-based host (Ardour, Carla, jalv,
// Qtractor) does: the plug-in's URI, its class, every port with its range and default, its
// editor and the factory presets, all as the instrument's own parameter table has them.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "adapters/lv2/lv2_uris.h"
#include "tests/lv2/lv2_fixture.h"

namespace fluvia::lv2test {
namespace {

namespace fs = std::filesystem;

// The output of a command run with LV2_PATH naming a private copy of the bundle (and the
// system's LV2 specifications, which carry the class names).
std::string RunLilvTool(const std::string& command) {
  static const fs::path folder = [] {
    const fs::path path = fs::temp_directory_path() / ("fluvia-lv2-bundle-" + std::to_string(getpid()));
    fs::remove_all(path);
    fs::create_directories(path);
    fs::copy(BundlePath(), path / "Fluvia.lv2", fs::copy_options::recursive);
    return path;
  }();
  const std::string line = "LV2_PATH='" + folder.string() + ":/usr/lib/lv2' " + command + " 2>&1";
  std::string out;
  if (FILE* pipe = popen(line.c_str(), "r")) {
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    pclose(pipe);
  }
  return out;
}

// lv2info's port blocks: "Port N:" followed by indented "Key: value" lines.
std::map<int, std::map<std::string, std::string>> Ports(const std::string& info) {
  std::map<int, std::map<std::string, std::string>> ports;
  std::istringstream in(info);
  std::string line;
  int current = -1;
  std::string lastKey;
  while (std::getline(in, line)) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    const std::string text = line.substr(start);
    if (text.rfind("Port ", 0) == 0 && text.back() == ':') {
      current = std::atoi(text.c_str() + 5);
      continue;
    }
    if (current < 0) continue;
    if (text.rfind("http", 0) == 0 && !lastKey.empty()) {  // a further value of the last key
      ports[current][lastKey] += "\n" + text;
      continue;
    }
    const size_t colon = text.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = text.substr(0, colon);
    lastKey = key;
    std::string value = text.substr(colon + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    auto& port = ports[current];
    port[key] += port.count(key) ? "\n" + value : value;
  }
  return ports;
}

TEST(Lv2Bundle, LilvListsThePlugin) {
  const std::string list = RunLilvTool("lv2ls");
  EXPECT_NE(list.find(kLv2PluginUri), std::string::npos) << list;
}

TEST(Lv2Bundle, LilvReadsClassPortsEditorAndPresets) {
  const std::string info = RunLilvTool(std::string("lv2info ") + kLv2PluginUri);
  EXPECT_NE(info.find("Name:              Fluvia"), std::string::npos) << info;
  EXPECT_NE(info.find("Class:             Instrument Plugin"), std::string::npos);
  EXPECT_NE(info.find("Required Features: http://lv2plug.in/ns/ext/urid#map"), std::string::npos);
  EXPECT_NE(info.find("http://lv2plug.in/ns/ext/state#interface"), std::string::npos);
  EXPECT_NE(info.find(kLv2UiUri), std::string::npos);
  EXPECT_NE(info.find("http://lv2plug.in/ns/extensions/ui#X11UI"), std::string::npos);
  for (const char* preset : {"WLCM - The River Wild", "SFX - Faucet Water", "SFX - Shower",
                             "SFX - Waterfall", "SFX - Light Rain", "SFX - Heavy Rain"}) {
    EXPECT_NE(info.find(preset), std::string::npos) << preset;
  }

  const auto ports = Ports(info);
  const auto& controls = ControlPorts();
  ASSERT_EQ(ports.size(), Lv2PortCount(controls.size()));
  EXPECT_EQ(ports.at(0).at("Symbol"), "events");
  EXPECT_NE(ports.at(0).at("Type").find("AtomPort"), std::string::npos);
  EXPECT_NE(ports.at(0).at("Type").find("InputPort"), std::string::npos);
  for (int audio : {1, 2}) {
    EXPECT_NE(ports.at(audio).at("Type").find("AudioPort"), std::string::npos);
    EXPECT_NE(ports.at(audio).at("Type").find("OutputPort"), std::string::npos);
  }
  EXPECT_EQ(ports.at(1).at("Symbol"), "out_left");
  EXPECT_EQ(ports.at(2).at("Symbol"), "out_right");
  for (const Lv2ControlPort& port : controls) {
    SCOPED_TRACE(port.symbol);
    const auto& read = ports.at(int(port.index));
    EXPECT_NE(read.at("Type").find("ControlPort"), std::string::npos);
    EXPECT_NE(read.at("Type").find("InputPort"), std::string::npos);
    EXPECT_EQ(read.at("Symbol"), port.symbol);
    EXPECT_EQ(read.at("Name"), port.name);
    // lv2info prints six decimals.
    EXPECT_NEAR(std::atof(read.at("Minimum").c_str()), port.minimum, 5e-7);
    EXPECT_NEAR(std::atof(read.at("Maximum").c_str()), port.maximum, 5e-7);
    EXPECT_NEAR(std::atof(read.at("Default").c_str()), port.defaultValue, 5e-7);
  }
}

}  // namespace
}  // namespace fluvia::lv2test
