#include "framework/host_lookup.h"

#include <cstring>

namespace fluvia {
namespace {

struct HostKey {
  const char* key;
  HostKind kind;
};

// Searched in this order; the first key found decides, so "cubase" wins over "nuendo" and
// "live" matches inside longer words.
constexpr HostKey kHostKeys[] = {
    {"cubase", 3},      {"reaper", 1},     {"nuendo", 4},     {"cakewalk", 5},
    {"samplitude", 8},  {"fruity", 7},     {"live", 9},       {"melodyne", 12},
    {"vstmanlib", 13},  {"aulab", 14},     {"garageband", 22}, {"forte", 15},
    {"chainer", 16},    {"audition", 17},  {"orion", 18},     {"sawstudio", 20},
    {"logic", 21},      {"digital", 23},   {"audiomulch", 25}, {"presonus", 26},
    {"vst3plugintesthost", 27}, {"protools", 2}, {"ardour", 28}, {"standalone", 24},
};

}  // namespace

HostKind LookUpHost(const char* name) {
  char lowered[256] = {};
  if (name) {
    for (int i = 0; i < 255 && name[i]; ++i) {
      const char c = name[i];
      lowered[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
  }
  for (const HostKey& entry : kHostKeys) {
    if (std::strstr(lowered, entry.key)) return entry.kind;
  }
  return kHostUnknown;
}

int32_t PackVst2HostVersion(int32_t v) {
  // Unsigned arithmetic: a host may report any 32-bit value.
  const uint32_t u = static_cast<uint32_t>(v);
  return static_cast<int32_t>(u + (u % 10000u) / 100u * 156u + (u / 10000u) * 55536u);
}

}  // namespace fluvia
