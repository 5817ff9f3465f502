#pragma once
// What the module tells hosts about its maker and its one class.

#include "pluginterfaces/base/ftypes.h"

namespace fluvia {

constexpr const char* kVendorName = "VelmoraAudio";
constexpr const char* kVendorUrl = "https://velmora.audio";
constexpr const char* kVendorEmail = "support@velmora.audio";
constexpr Steinberg::int32 kFactoryFlags = 16;  // strings are Unicode

// F2AEE70D-00DE-4F4E in the COM byte order (the first three fields little-endian), then the
// manufacturer code and the plug-in code, so that the identifier is the same on every platform.
constexpr Steinberg::int8 kFluviaClassId[16] = {
    Steinberg::int8(0x0D), Steinberg::int8(0xE7), Steinberg::int8(0xAE), Steinberg::int8(0xF2),
    Steinberg::int8(0xDE), Steinberg::int8(0x00), Steinberg::int8(0x4E), Steinberg::int8(0x4F),
    'V', 'e', 'l', 'm', 'V', 'f', 'l', '1'};

constexpr const char* kClassCategory = "Audio Module Class";
constexpr const char* kClassName = "Fluvia";
constexpr Steinberg::int32 kClassFlags = 2;
constexpr const char* kClassSubCategories = "Instrument|Synth";
constexpr const char* kClassVersion = "1.0.2";
constexpr const char* kClassSdkVersion = "VST 3.6.0";
constexpr Steinberg::int32 kClassCardinality = 0x7FFFFFFF;

}  // namespace fluvia
