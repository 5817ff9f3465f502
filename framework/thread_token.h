#pragma once
// A number that names the calling thread, read without a system call or an allocation, so
// that the audio thread can ask which side it is on (std::this_thread::get_id may allocate on
// Windows for a thread the host created). Never kNoThread.

#include <cstdint>

namespace fluvia {

using ThreadToken = std::uintptr_t;
constexpr ThreadToken kNoThread = 0;

ThreadToken CurrentThreadToken();

}  // namespace fluvia
