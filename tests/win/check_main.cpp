// fluvia-module-check: loads a built plug-in module through its real entry points and drives
// it as a host would. Built for Linux and for Windows from the same sources, so the Windows
// modules (run under Wine) can be compared with the Linux ones on identical work.
//
//   render  vst3|vst2 MODULE 32|64 OUT [PRESET]
//                                         plays the fixed performance, writes the samples;
//                                         with a library preset number, from that preset
//   state   vst3|vst2 MODULE OUT          saves state, restores it into a second instance,
//                                         checks the second saves the same bytes, writes them
//   compare-samples A B TOLERANCE         largest difference of two sample files
//   compare-bytes A B                     byte equality of two files
//   bench   vst3|vst2 MODULE BLOCKS       time per 512-frame block at 64 bits
//   editor  vst3|vst2 MODULE SECONDS      (Windows) the editor in a host window, see editor_host
//   version FILE                          (Windows) FILE's version resource, see version_info
//
// Exit status 0 on success, 1 on a failed check, 2 on bad usage.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/win/editor_host.h"
#include "tests/win/performance.h"
#include "tests/win/sample_file.h"
#include "tests/win/version_info.h"
#include "tests/win/vst2_driver.h"
#include "tests/win/vst3_driver.h"

namespace fluvia::modulecheck {
namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "FAIL: %s\n", message.c_str());
  return 1;
}

std::unique_ptr<ModuleDriver> Load(const std::string& format, const std::string& module,
                                   std::string& error) {
  if (format == "vst3") return LoadVst3(module, error);
  if (format == "vst2") return LoadVst2(module, error);
  error = "unknown format '" + format + "'";
  return nullptr;
}

int Render(const std::string& format, const std::string& module, bool doubles,
           const std::string& out, int presetNumber) {
  std::string error;
  auto driver = Load(format, module, error);
  if (!driver) return Fail(error);
  if (!driver->Start(kSampleRate, kMaxBlock, doubles, error)) return Fail(error);
  std::vector<double> samples;
  if (!Perform(*driver, doubles, samples, presetNumber)) {
    return Fail("the module refused the performance");
  }
  double peak = 0.0;
  for (double s : samples) peak = std::max(peak, std::fabs(s));
  // Silence would compare equal everywhere and prove nothing.
  if (!(peak > 1e-3)) return Fail("the performance rendered silence");
  if (!WriteSamples(out, samples)) return Fail("cannot write " + out);
  std::printf("rendered %zu frames, peak %.6f\n", samples.size() / 2, peak);
  return 0;
}

int State(const std::string& format, const std::string& module, const std::string& out) {
  std::string error;
  auto first = Load(format, module, error);
  auto second = first ? Load(format, module, error) : nullptr;
  if (!second) return Fail(error);
  if (!first->Start(kSampleRate, kMaxBlock, true, error) ||
      !second->Start(kSampleRate, kMaxBlock, true, error)) {
    return Fail(error);
  }
  std::vector<double> samples;
  if (!Perform(*first, true, samples)) return Fail("the module refused the performance");
  std::vector<std::uint8_t> saved, fresh, restored;
  if (!first->SaveState(saved) || saved.empty()) return Fail("the first instance saved nothing");
  if (!second->SaveState(fresh)) return Fail("the second instance saved nothing");
  if (fresh == saved) return Fail("the performance left no trace in the saved state");
  if (!second->LoadState(saved)) return Fail("the second instance refused the saved state");
  if (!second->SaveState(restored) || restored != saved) {
    return Fail("the restored instance saves different bytes");
  }
  if (!WriteBytes(out, saved)) return Fail("cannot write " + out);
  std::printf("state of %zu bytes round-trips\n", saved.size());
  return 0;
}

int CompareSamples(const std::string& a, const std::string& b, double tolerance) {
  std::vector<double> first, second;
  if (!ReadSamples(a, first)) return Fail("cannot read " + a);
  if (!ReadSamples(b, second)) return Fail("cannot read " + b);
  if (first.size() != second.size() || first.empty()) return Fail("different lengths");
  double worst = 0.0;
  size_t at = 0;
  for (size_t i = 0; i < first.size(); ++i) {
    const double d = std::fabs(first[i] - second[i]);
    if (!(d <= worst)) {  // also catches NaN
      worst = d;
      at = i;
    }
  }
  std::printf("largest difference %.3g at frame %zu\n", worst, at / 2);
  if (!(worst <= tolerance)) return Fail("difference above the tolerance");
  return 0;
}

int CompareBytes(const std::string& a, const std::string& b) {
  std::vector<std::uint8_t> first, second;
  if (!ReadBytes(a, first)) return Fail("cannot read " + a);
  if (!ReadBytes(b, second)) return Fail("cannot read " + b);
  if (first != second) return Fail(a + " and " + b + " differ");
  std::printf("%zu equal bytes\n", first.size());
  return 0;
}

int Bench(const std::string& format, const std::string& module, int blocks) {
  std::string error;
  auto driver = Load(format, module, error);
  if (!driver) return Fail(error);
  if (!driver->Start(kSampleRate, kMaxBlock, true, error)) return Fail(error);
  if (!PerformOpening(*driver)) return Fail("the module refused the opening");
  std::vector<double> left(kMaxBlock), right(kMaxBlock);
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < blocks; ++i) driver->Process(left.data(), right.data(), kMaxBlock);
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - begin;
    best = std::min(best, spent.count() / blocks);
  }
  std::printf("%s process: %.0f ns per %d-frame block (best of 5 rounds of %d blocks)\n",
              format.c_str(), best, kMaxBlock, blocks);
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: fluvia-module-check render|state|bench|editor vst3|vst2 MODULE ...\n"
               "       fluvia-module-check compare-samples A B TOLERANCE | compare-bytes A B\n"
               "       fluvia-module-check version FILE\n");
  return 2;
}

}  // namespace
}  // namespace fluvia::modulecheck

int main(int argc, char** argv) {
  using namespace fluvia::modulecheck;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string& command = args[0];
  if (command == "render" && (args.size() == 5 || args.size() == 6) &&
      (args[3] == "32" || args[3] == "64")) {
    const int preset = args.size() == 6 ? std::atoi(args[5].c_str()) : 0;
    return Render(args[1], args[2], args[3] == "64", args[4], preset);
  }
  if (command == "state" && args.size() == 4) return State(args[1], args[2], args[3]);
  if (command == "compare-samples" && args.size() == 4) {
    return CompareSamples(args[1], args[2], std::atof(args[3].c_str()));
  }
  if (command == "compare-bytes" && args.size() == 3) return CompareBytes(args[1], args[2]);
  if (command == "bench" && args.size() == 4) {
    const int blocks = std::atoi(args[3].c_str());
    return blocks > 0 ? Bench(args[1], args[2], blocks) : Usage();
  }
  if (command == "version" && args.size() == 2) return PrintVersionInfo(args[1]);
  if (command == "editor" && args.size() >= 3) {
    std::vector<std::string> script(args.begin() + 3, args.end());
    return RunEditor(args[1], args[2], script);
  }
  return Usage();
}
