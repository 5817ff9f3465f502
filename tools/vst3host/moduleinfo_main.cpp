// fluvia-vst3-moduleinfo: describes a VST3 module in the moduleinfo.json form that hosts read
// instead of loading the module. The text is taken from the module's own factory, so it can
// never disagree with what the module answers when it is loaded.
//
// Usage: fluvia-vst3-moduleinfo <bundle> <output file>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/vst3host/vst3_module.h"

namespace {

using namespace Steinberg;

std::string Quoted(const char* text) {
  std::string out = "\"";
  for (const char* p = text; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04X", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

std::string Hex(const TUID id) {
  std::string out;
  char digits[3];
  for (int i = 0; i < 16; ++i) {
    std::snprintf(digits, sizeof(digits), "%02X", static_cast<unsigned char>(id[i]));
    out += digits;
  }
  return out;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find(separator, start);
    const std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

std::string BundleName(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

const char* Bool(bool value) { return value ? "true" : "false"; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <bundle> <output file>\n", argv[0]);
    return 2;
  }
  std::string error;
  auto module = fluvia::vst3host::Vst3Module::Load(argv[1], error);
  if (!module) {
    std::fprintf(stderr, "fluvia-vst3-moduleinfo: %s\n", error.c_str());
    return 1;
  }
  IPluginFactory* factory = module->Factory();
  PFactoryInfo info;
  if (factory->getFactoryInfo(&info) != kResultOk) {
    std::fprintf(stderr, "fluvia-vst3-moduleinfo: no factory info\n");
    return 1;
  }

  std::string classes;
  std::string version;
  for (int32 i = 0; i < factory->countClasses(); ++i) {
    PClassInfo2 c;
    if (!module->Factory2() || module->Factory2()->getClassInfo2(i, &c) != kResultOk) {
      std::fprintf(stderr, "fluvia-vst3-moduleinfo: class %d has no extended info\n", int(i));
      return 1;
    }
    if (version.empty()) version = c.version;
    std::string subCategories;
    for (const std::string& s : Split(c.subCategories, '|')) {
      subCategories += (subCategories.empty() ? "" : ",\n") + std::string("        ") + Quoted(s.c_str());
    }
    classes += std::string(classes.empty() ? "" : ",\n") + "    {\n" +
               "      \"CID\": \"" + Hex(c.cid) + "\",\n" +
               "      \"Category\": " + Quoted(c.category) + ",\n" +
               "      \"Name\": " + Quoted(c.name) + ",\n" +
               "      \"Vendor\": " + Quoted(c.vendor) + ",\n" +
               "      \"Version\": " + Quoted(c.version) + ",\n" +
               "      \"SDKVersion\": " + Quoted(c.sdkVersion) + ",\n" +
               "      \"Sub Categories\": [\n" + subCategories + "\n      ],\n" +
               "      \"Class Flags\": " + std::to_string(c.classFlags) + ",\n" +
               "      \"Cardinality\": " + std::to_string(c.cardinality) + ",\n" +
               "      \"Snapshots\": []\n" +
               "    }";
  }

  const std::string json =
      "{\n"
      "  \"Name\": " + Quoted(BundleName(argv[1]).c_str()) + ",\n" +
      "  \"Version\": " + Quoted(version.c_str()) + ",\n" +
      "  \"Factory Info\": {\n" +
      "    \"Vendor\": " + Quoted(info.vendor) + ",\n" +
      "    \"URL\": " + Quoted(info.url) + ",\n" +
      "    \"E-Mail\": " + Quoted(info.email) + ",\n" +
      "    \"Flags\": {\n" +
      "      \"Unicode\": " + Bool(info.flags & PFactoryInfo::kUnicode) + ",\n" +
      "      \"Classes Discardable\": " + Bool(info.flags & PFactoryInfo::kClassesDiscardable) + ",\n" +
      "      \"Component Non Discardable\": " + Bool(info.flags & PFactoryInfo::kComponentNonDiscardable) + "\n" +
      "    }\n" +
      "  },\n" +
      "  \"Compatibility\": [],\n" +
      "  \"Classes\": [\n" + classes + "\n  ]\n" +
      "}\n";

  FILE* out = std::fopen(argv[2], "wb");
  if (!out || std::fwrite(json.data(), 1, json.size(), out) != json.size()) {
    std::fprintf(stderr, "fluvia-vst3-moduleinfo: cannot write %s\n", argv[2]);
    if (out) std::fclose(out);
    return 1;
  }
  std::fclose(out);
  return 0;
}
