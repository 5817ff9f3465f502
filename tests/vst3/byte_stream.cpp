#include "tests/vst3/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace fluvia::vst3test {

using namespace Steinberg;

tresult PLUGIN_API ByteStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
  if (numBytesRead) *numBytesRead = 0;
  if (!buffer || numBytes < 0) return kInvalidArgument;
  if (cursor_ >= failReadsAfter_) return kResultFalse;
  size_t n = std::min<size_t>(size_t(numBytes), bytes_.size() - std::min(cursor_, bytes_.size()));
  n = std::min<size_t>(n, size_t(readChunk_));
  n = std::min(n, failReadsAfter_ - cursor_);
  if (n) std::memcpy(buffer, bytes_.data() + cursor_, n);
  cursor_ += n;
  if (numBytesRead) *numBytesRead = int32(n);
  return kResultOk;
}

tresult PLUGIN_API ByteStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
  if (numBytesWritten) *numBytesWritten = 0;
  if (failWrites_) return kResultFalse;
  if (!buffer || numBytes < 0) return kInvalidArgument;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  if (cursor_ + size_t(numBytes) > bytes_.size()) bytes_.resize(cursor_ + size_t(numBytes));
  std::memcpy(bytes_.data() + cursor_, bytes, size_t(numBytes));
  cursor_ += size_t(numBytes);
  if (numBytesWritten) *numBytesWritten = numBytes;
  return kResultOk;
}

tresult PLUGIN_API ByteStream::seek(int64 pos, int32 mode, int64* result) {
  int64 base = 0;
  if (mode == kIBSeekCur) base = int64(cursor_);
  if (mode == kIBSeekEnd) base = int64(bytes_.size());
  const int64 target = base + pos;
  if (target < 0) return kInvalidArgument;
  cursor_ = size_t(target);
  if (result) *result = target;
  return kResultOk;
}

tresult PLUGIN_API ByteStream::tell(int64* pos) {
  if (!pos) return kInvalidArgument;
  *pos = int64(cursor_);
  return kResultOk;
}

}  // namespace fluvia::vst3test
