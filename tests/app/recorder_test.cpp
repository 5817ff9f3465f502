// Recording what plays: the file holds exactly the blocks handed over, a path that cannot be
// written is refused with a reason, and nothing blocks the thread that starts and stops.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/core/wav_recorder.h"

namespace fluvia::app {
namespace {

WavRecorder::Status WaitForEnd(WavRecorder& recorder) {
  for (int i = 0; i < 500; ++i) {
    WavRecorder::Status status = recorder.Poll();
    if (status.finished) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return {};
}

std::vector<float> ReadInterleaved(const std::string& path, SF_INFO& info) {
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return {};
  std::vector<float> samples(size_t(info.frames) * size_t(info.channels));
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  return samples;
}

TEST(Recorder, TheFileHoldsTheBlocksHandedOver) {
  const std::string path = ::testing::TempDir() + "fluvia recording \xC3\xA4.wav";
  WavRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.Start(path, 44100, error)) << error;
  EXPECT_TRUE(recorder.Recording());
  EXPECT_EQ(recorder.Path(), path);
  std::vector<float> left(300), right(300);
  std::vector<float> expected;
  for (int block = 0; block < 50; ++block) {
    for (int i = 0; i < 300; ++i) {
      left[size_t(i)] = float(block * 300 + i) / 20000.0f;
      right[size_t(i)] = -left[size_t(i)];
      expected.push_back(left[size_t(i)]);
      expected.push_back(right[size_t(i)]);
    }
    recorder.Write(left.data(), right.data(), 300);
  }
  recorder.Stop();
  recorder.Write(left.data(), right.data(), 300);  // after the stop: not recorded
  const WavRecorder::Status status = WaitForEnd(recorder);
  ASSERT_TRUE(status.finished);
  EXPECT_FALSE(status.failed) << status.error;
  EXPECT_EQ(status.frames, 15000u);
  EXPECT_EQ(status.dropped, 0u);
  EXPECT_FALSE(recorder.Recording());

  SF_INFO info{};
  EXPECT_EQ(ReadInterleaved(path, info), expected);
  EXPECT_EQ(info.samplerate, 44100);
  EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
  // A plain RIFF WAVE file that every program reads (RF64 only past 4 GB).
  char magic[12] = {};
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    EXPECT_EQ(std::fread(magic, 1, sizeof magic, file), sizeof magic);
    std::fclose(file);
  }
  EXPECT_EQ(std::string(magic, 4), "RIFF");
  EXPECT_EQ(std::string(magic + 8, 4), "WAVE");

  // A second recording starts clean.
  ASSERT_TRUE(recorder.Start(path, 48000, error)) << error;
  recorder.Write(left.data(), right.data(), 10);
  recorder.Stop();
  EXPECT_EQ(WaitForEnd(recorder).frames, 10u);
  std::remove(path.c_str());
}

TEST(Recorder, AnUnwritablePlaceIsRefusedWithItsName) {
  WavRecorder recorder;
  std::string error;
  const std::string path = ::testing::TempDir() + "no such folder/x.wav";
  EXPECT_FALSE(recorder.Start(path, 48000, error));
  EXPECT_NE(error.find(path), std::string::npos);
  EXPECT_FALSE(recorder.Recording());
  float sample = 0.5f;
  recorder.Write(&sample, &sample, 1);  // harmless without a recording
  EXPECT_FALSE(recorder.Poll().finished);
}

TEST(Recorder, MoreThanTheRingHoldsIsDroppedAndCounted) {
  const std::string path = ::testing::TempDir() + "fluvia-overflow.wav";
  WavRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.Start(path, 48000, error)) << error;
  // One block larger than the whole ring, faster than any writer.
  std::vector<float> big(size_t(WavRecorder::kRingFrames) + 1000, 0.25f);
  recorder.Write(big.data(), big.data(), int(big.size()));
  recorder.Stop();
  const WavRecorder::Status status = WaitForEnd(recorder);
  EXPECT_EQ(status.dropped, 1000u);
  EXPECT_EQ(status.frames, uint64_t(WavRecorder::kRingFrames));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace fluvia::app
