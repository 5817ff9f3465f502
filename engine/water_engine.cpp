#include "engine/water_engine.h"

#include <cmath>
#include <new>

namespace fluvia {
namespace {

constexpr int kSpreadLineSize = 2000;

// Delay lines are sized by the sample rate truncated to an integer; the conversion saturates
// so that no rate can overflow it.
int LineSizeForRate(double sampleRate) {
  if (!(sampleRate < 2147483647.0)) return 2147483647;
  return static_cast<int>(sampleRate);
}

}  // namespace

std::unique_ptr<WaterEngine> WaterEngine::Create(double sampleRate) {
  try {
    std::unique_ptr<WaterEngine> engine(new (std::nothrow) WaterEngine());
    if (!engine) return nullptr;
    engine->Reset(sampleRate);
    for (int i = 0; i < kEngineParamCount; ++i) {
      const EngineParamRow& row = EngineParamTableRow(i);
      EngineParamInfo& info = engine->descriptors_[i];
      info.name = row.name;
      info.defaultValue = engine->parameters_[i];
      info.minimum = row.minimum;
      info.maximum = row.maximum;
      info.unitLabel.clear();
    }
    return engine;
  } catch (const std::bad_alloc&) {
    return nullptr;  // a descriptor name could not be stored
  }
}

WaterEngine::~WaterEngine() = default;

void WaterEngine::Reset(double sampleRate) {
  // NaN, infinite or negative rates come only from a broken host; 0 is the rate the formulas
  // already treat as "no clock", where every stage holds still and the output is silent.
  if (!(sampleRate >= 0.0) || std::isinf(sampleRate)) sampleRate = 0.0;
  sampleRate_ = sampleRate;
  errorState_ = 0;
  rightSpreadLine_.Reset(kSpreadLineSize);
  leftSpreadLine_.Reset(kSpreadLineSize);
  synthesis_ = SynthesisState{};
  const int lineSize = LineSizeForRate(sampleRate);
  resonatorLine_.Reset(lineSize);
  excitationLine_.Reset(lineSize);
  envelope_ = GateEnvelopeState{};
  silentSpreadFrames_ = kSpreadLineSize;
  reciprocalSampleRate_ = 1.0 / sampleRate;
  for (int i = 0; i < kEngineParamCount; ++i) {
    parameters_[i] = EngineParamTableRow(i).defaultValue;
  }
  coefficientsValid_ = false;
}

void WaterEngine::SetParameter(int index, double value) {
  if (index < 0 || index >= kEngineParamCount) return;
  // NaN would pass both range tests below and poison the renderer, so it changes nothing.
  if (std::isnan(value)) return;
  const EngineParamRow& row = EngineParamTableRow(index);
  if (value < row.minimum) {
    value = row.minimum;
  } else if (value > row.maximum) {
    value = row.maximum;
  }
  parameters_[index] = value;
}

double WaterEngine::Parameter(int index) const {
  if (index < 0 || index >= kEngineParamCount) return 0.0;
  return parameters_[index];
}

const EngineParamInfo* WaterEngine::Descriptor(int index) const {
  if (index < 0 || index >= kEngineParamCount) return nullptr;
  return &descriptors_[index];
}

std::size_t WaterEngine::MemoryFootprint() const {
  return sizeof(WaterEngine) + excitationLine_.MemoryBytes() + resonatorLine_.MemoryBytes() +
         leftSpreadLine_.MemoryBytes() + rightSpreadLine_.MemoryBytes();
}

}  // namespace fluvia
