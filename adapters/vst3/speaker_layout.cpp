#include "adapters/vst3/speaker_layout.h"

namespace fluvia {

Steinberg::Vst::SpeakerArrangement SpeakerArrangementFor(int channels) {
  switch (channels) {
    case 1: return 0x80000;
    case 2: return 0x3;
    case 3: return 0x103;
    case 4: return 0xF00000;
    case 5: return 0x37;
    case 6: return 0x3F;
    default: return 0;
  }
}

int ChannelCountOf(Steinberg::Vst::SpeakerArrangement arrangement) {
  return __builtin_popcountll(static_cast<unsigned long long>(arrangement));
}

}  // namespace fluvia
