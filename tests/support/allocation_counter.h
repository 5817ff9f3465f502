// Test support: linking fluvia_test_support replaces the global operator new and delete with
// versions that count every allocation request per thread, and can make requests fail on
// purpose. Use it to prove that a real-time path allocates nothing:
//
//   fluvia::test_support::AllocationCounter counter;
//   engine->Render(...);
//   EXPECT_EQ(counter.Count(), 0u);
//
// Both scopes affect and observe only the thread that creates them.
#pragma once

#include <cstddef>

namespace fluvia {
namespace test_support {

// Counts the allocation requests (including failed ones) made on this thread since its
// construction. Scopes may nest.
class AllocationCounter {
 public:
  AllocationCounter();
  std::size_t Count() const;  // number of operator new calls
  std::size_t Bytes() const;  // bytes requested by them

 private:
  std::size_t startCount_;
  std::size_t startBytes_;
};

// While alive, every allocation request of at least `minBytes` on this thread fails: throwing
// forms throw std::bad_alloc, nothrow forms return nullptr. Restores the previous setting when
// it ends.
class AllocationFailureScope {
 public:
  explicit AllocationFailureScope(std::size_t minBytes);
  ~AllocationFailureScope();
  AllocationFailureScope(const AllocationFailureScope&) = delete;
  AllocationFailureScope& operator=(const AllocationFailureScope&) = delete;

 private:
  std::size_t previousMinBytes_;
};

}  // namespace test_support
}  // namespace fluvia
