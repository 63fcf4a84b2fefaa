// The audio thread renders while the user-interface thread turns knobs and
// drags warp points and the MIDI thread plays notes. Run under
// ThreadSanitizer: any unsynchronised access between the three is a report.
#include "core/state.h"
#include "engine/engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace velmora {
namespace {

TEST(Concurrency, RenderWhileKnobsTurnAndNotesPlay) {
  test::ResetSynth();
  std::atomic<bool> stop{false};
  std::atomic<long> frames{0};
  std::atomic<bool> finite{true};

  std::thread audio([&] {
    std::vector<float> buffer(256);
    while (!stop) {
      RenderAudio(nullptr, buffer.data(), buffer.size(), nullptr, 0, nullptr);
      for (float v : buffer)
        if (!std::isfinite(v))
          finite = false;
      frames += static_cast<long>(buffer.size());
    }
  });
  std::thread gui([&] {
    for (int i = 0; !stop; ++i) {
      Synth.Osc1Pitch = 1 + i % 2400;
      Synth.Osc2Pitch = 2400 - i % 2400;
      Synth.MixAmount = i % 101;
      Synth.MixMode = 1 + i % 3;
      Synth.Sync = i % 2;
      Synth.Attack = 20 * (1 + i % 100);
      Synth.Decay = 50 * (1 + i % 100);
      Synth.Sustain = i % 101;
      Synth.Release = 50 * (1 + i % 100);
      Synth.Osc1WarpIn3 = (i % 201) / 2.0;
      Synth.Osc2WarpOut2 = (i % 201) * 2.5;
      std::this_thread::yield();
    }
  });
  std::thread midi([&] {
    for (int i = 0; !stop; ++i) {
      test::PressKey(test::NoteHz(36 + i % 60));
      std::this_thread::yield();
      test::ReleaseKey();
      std::this_thread::yield();
    }
  });

  while (frames < 44100 * 5)
    std::this_thread::yield();
  stop = true;
  audio.join();
  gui.join();
  midi.join();
  EXPECT_TRUE(finite);
}

} // namespace
} // namespace velmora
