#include "framework/thread_token.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace fluvia {

ThreadToken CurrentThreadToken() {
#ifdef _WIN32
  return ThreadToken(GetCurrentThreadId());  // read from the thread's own block
#else
  return ThreadToken(pthread_self());  // the thread pointer register
#endif
}

}  // namespace fluvia
