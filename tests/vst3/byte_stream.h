#pragma once
// An IBStream over a byte vector, with the failures a host's stream can show: reads that stop
// after a number of bytes (as a file cut short would), reads that fail outright from some
// point on, and writes that fail.

#include <cstdint>
#include <vector>

#include "tools/vst3host/host_objects.h"
#include "pluginterfaces/base/ibstream.h"

namespace fluvia::vst3test {

class ByteStream : public vst3host::HostOwned<Steinberg::IBStream> {
 public:
  ByteStream() = default;
  explicit ByteStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  // Reads beyond this many bytes from the start fail with kResultFalse.
  void FailReadsAfter(size_t bytes) { failReadsAfter_ = bytes; }
  // Every read delivers at most this many bytes (the stream stays correct, only slow).
  void LimitReadChunk(int32_t bytes) { readChunk_ = bytes; }
  void FailWrites() { failWrites_ = true; }

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  void Rewind() { cursor_ = 0; }

  Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                     Steinberg::int32* numBytesRead) override;
  Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                      Steinberg::int32* numBytesWritten) override;
  Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                     Steinberg::int64* result) override;
  Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

 private:
  std::vector<uint8_t> bytes_;
  size_t cursor_ = 0;
  size_t failReadsAfter_ = SIZE_MAX;
  int32_t readChunk_ = INT32_MAX;
  bool failWrites_ = false;
};

}  // namespace fluvia::vst3test
