// libFuzzer target: every input is a preset file handed to ReadPresetFile. Any crash, sanitizer
// report or broken invariant (another parameter changed, a stored one outside 0..1) aborts.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DFLUVIA_BUILD_FUZZERS=ON
//   ninja -C build-fuzz preset_read_fuzzer
//   build-fuzz/tests/presets/preset_read_fuzzer -max_total_time=60 -max_len=4096

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/presets/preset_fixture.h"
#include "tests/presets/preset_read_checks.h"

namespace {

struct FuzzWorld {
  fluvia::testing::PresetTestCore core;
  fluvia::PresetLibrary library{core, "/nonexistent/Presets/"};
  std::string path = "/tmp/fluvia-preset-fuzz-" + std::to_string(::getpid()) + ".fluviapreset";
  ~FuzzWorld() { std::remove(path.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
  static FuzzWorld world;
  // Start each input from the same values, strictly inside every range.
  for (int i = 0; i < world.core.NumParams(); ++i) {
    fluvia::IParameter* p = world.core.GetParam(i);
    p->SetValue(p->Minimum() + (p->Maximum() - p->Minimum()) * 0.37);
    world.core.engine->SetParameter(i, p->Value());
  }
  const std::vector<double> before = fluvia::testing::AllValues(world.core);

  if (std::FILE* file = std::fopen(world.path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  world.library.ReadPresetFile(world.path);
  world.core.BlockStart();

  const std::string broken = fluvia::testing::CheckAfterRead(world.core, *world.core.engine, before);
  if (!broken.empty()) {
    std::fprintf(stderr, "invariant broken: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
