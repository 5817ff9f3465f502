#pragma once
// Speaker arrangements by channel count, as the adapter announces its buses.

#include "pluginterfaces/vst/vsttypes.h"

namespace fluvia {

// 1 mono, 2 stereo, 3 left-right-surround, 4 first-order ambisonics, 5 five channels,
// 6 five-point-one; 0 for any other count.
Steinberg::Vst::SpeakerArrangement SpeakerArrangementFor(int channels);

// Number of speakers (set bits) in an arrangement.
int ChannelCountOf(Steinberg::Vst::SpeakerArrangement arrangement);

}  // namespace fluvia
