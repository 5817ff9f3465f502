#pragma once
// How parameter changes travel between the audio thread and the other threads without either
// side ever waiting for the other. The values themselves are the parameters' own (atomics);
// what travels here is which of them changed, and when a set of them is complete.
//
// To the audio thread (ParamHandOver). A thread that changes a value outside processing marks
// the parameter in a mask of one bit per parameter; requests of the plug-in's own (clear the
// voices, say) are bits of a second mask. The audio thread takes both masks at the start of
// each processing call and hands the marked values to its engine. Changes that belong
// together (a restored state, a loaded preset) are written inside a whole change: a counter
// that is odd while one is being written. The audio thread takes the masks only when the
// counter is even and unchanged across the take, and otherwise leaves them for its next call,
// so a whole change acts from one block start on, all of it.
//
// From the audio thread (AudioWriteCounter). The audio thread writes values too (automation,
// MIDI controllers, notes, the tempo), each group of writes inside a short write section, a
// counter that is odd within one. A thread that saves the state reads all values and reads
// again when a section overlapped, so a saved state is one set of values that held at one
// moment; the audio thread never waits for it.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace fluvia {

class IParameter;
using ParamList = std::vector<std::unique_ptr<IParameter>>;

class ParamHandOver {
 public:
  explicit ParamHandOver(int params);

  // What one take gave the audio thread: the marked parameters with the values they had,
  // and the requests. Sized once, so taking never allocates.
  class Taken {
   public:
    bool Has(int index) const {
      return (words_[size_t(index) / 64] >> (unsigned(index) % 64)) & 1u;
    }
    double Value(int index) const { return values_[size_t(index)]; }
    uint32_t Requests() const { return requests_; }
    int NumParams() const { return int(values_.size()); }

   private:
    friend class ParamHandOver;
    std::vector<uint64_t> words_;
    std::vector<double> values_;
    uint32_t requests_ = 0;
  };

  // Any thread; wait-free. The value must be stored before the parameter is marked.
  void MarkParam(int index);
  void Request(uint32_t bits);
  // The requests not taken yet.
  uint32_t Requested() const { return requests_.load(std::memory_order_acquire); }

  // A whole change; begin and end it on the thread that holds the instance mutex (whole
  // changes nest there, and only one thread writes them at a time).
  void BeginWhole();
  void EndWhole();

  // The audio thread, at the start of a processing call. False when there was nothing to
  // take, or when a whole change was being written (everything stays marked then).
  bool Take(const ParamList& params);
  const Taken& LastTaken() const { return taken_; }
  // Forgets what is marked and requested (the caller hands every value over itself).
  void Clear();

 private:
  std::unique_ptr<std::atomic<uint64_t>[]> words_;
  size_t wordCount_;
  std::atomic<uint32_t> requests_{0};
  std::atomic<uint32_t> wholeCount_{0};  // odd while a whole change is being written
  int wholeDepth_ = 0;                    // guarded by the instance mutex
  Taken taken_;                           // the audio thread's
};

class AudioWriteCounter {
 public:
  // The audio thread, around each group of value writes (sections may nest).
  void BeginWrites();
  void EndWrites();

  // Any other thread: every parameter's value, as they all were at one moment between two
  // write sections. Tries again while the audio thread writes; never makes it wait.
  void ReadValues(const ParamList& params, double* values) const;

 private:
  std::atomic<uint32_t> count_{0};  // odd within a write section
  int depth_ = 0;                   // the audio thread's
};

}  // namespace fluvia
