#include "framework/param_handover.h"

#include <thread>

#include "framework/parameter.h"

namespace fluvia {
namespace {

size_t WordsFor(int params) { return params > 64 ? (size_t(params) + 63) / 64 : 1; }

}  // namespace

ParamHandOver::ParamHandOver(int params)
    : words_(new std::atomic<uint64_t>[WordsFor(params)]), wordCount_(WordsFor(params)) {
  for (size_t w = 0; w < wordCount_; ++w) words_[w].store(0, std::memory_order_relaxed);
  taken_.words_.assign(wordCount_, 0);
  taken_.values_.assign(size_t(params > 0 ? params : 0), 0.0);
}

void ParamHandOver::MarkParam(int index) {
  if (index < 0 || index >= taken_.NumParams()) return;
  words_[size_t(index) / 64].fetch_or(uint64_t(1) << (unsigned(index) % 64),
                                      std::memory_order_release);
}

void ParamHandOver::Request(uint32_t bits) {
  requests_.fetch_or(bits, std::memory_order_release);
}

void ParamHandOver::BeginWhole() {
  if (wholeDepth_++ > 0) return;
  wholeCount_.fetch_add(1, std::memory_order_relaxed);
  // Orders the odd count before every value and mark written inside: an audio thread that
  // sees any of them sees the count change too.
  std::atomic_thread_fence(std::memory_order_release);
}

void ParamHandOver::EndWhole() {
  if (--wholeDepth_ > 0) return;
  wholeCount_.fetch_add(1, std::memory_order_release);
}

bool ParamHandOver::Take(const ParamList& params) {
  const uint32_t before = wholeCount_.load(std::memory_order_acquire);
  if (before & 1u) return false;
  bool any = false;
  for (size_t w = 0; w < wordCount_; ++w) {
    taken_.words_[w] = words_[w].exchange(0, std::memory_order_acq_rel);
    any = any || taken_.words_[w] != 0;
  }
  taken_.requests_ = requests_.exchange(0, std::memory_order_acq_rel);
  if (!any && taken_.requests_ == 0) return false;
  for (int i = 0; i < taken_.NumParams(); ++i) {
    if (taken_.Has(i)) taken_.values_[size_t(i)] = params[size_t(i)]->Value();
  }
  std::atomic_thread_fence(std::memory_order_acquire);
  if (wholeCount_.load(std::memory_order_relaxed) == before) return true;
  // A whole change began meanwhile, so what was read may be a part of it: everything goes
  // back, to be taken whole at a later call.
  for (size_t w = 0; w < wordCount_; ++w) {
    if (taken_.words_[w]) words_[w].fetch_or(taken_.words_[w], std::memory_order_release);
  }
  if (taken_.requests_) requests_.fetch_or(taken_.requests_, std::memory_order_release);
  return false;
}

void ParamHandOver::Clear() {
  for (size_t w = 0; w < wordCount_; ++w) words_[w].store(0, std::memory_order_relaxed);
  requests_.store(0, std::memory_order_relaxed);
}

void AudioWriteCounter::BeginWrites() {
  if (depth_++ > 0) return;
  count_.store(count_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
}

void AudioWriteCounter::EndWrites() {
  if (--depth_ > 0) return;
  count_.store(count_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void AudioWriteCounter::ReadValues(const ParamList& params, double* values) const {
  for (int attempt = 0;; ++attempt) {
    const uint32_t before = count_.load(std::memory_order_acquire);
    if (!(before & 1u)) {
      for (size_t i = 0; i < params.size(); ++i) values[i] = params[i]->Value();
      std::atomic_thread_fence(std::memory_order_acquire);
      if (count_.load(std::memory_order_relaxed) == before) return;
    }
    // A write section takes a few hundred nanoseconds; a longer wait means the audio
    // thread was descheduled inside one, and this thread makes room for it.
    if (attempt >= 64) std::this_thread::yield();
  }
}

}  // namespace fluvia
