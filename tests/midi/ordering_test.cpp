// The order in which the audio thread sees a note start. A MIDI thread plays
// notes through the handler, two pitches in turn, each released before the
// next; an audio thread renders one sample at a time and, between samples,
// reads Gate and then the frequencies as the engine does. Whenever it sees
// the gate open, the frequency must already be the new note's, and while it
// stays open PreviousFrequency must be the released note's before it.
// Meanwhile a third thread turns every knob and moves warp points, so that
// under ThreadSanitizer (the test command's TSan stage) any unsynchronised
// access between the three threads is a report; the ordering check itself
// catches what TSan cannot see between atomics.
#include "core/controls.h"
#include "engine/engine.h"
#include "midi/handler.h"
#include "support/test_support.h"

#include <chrono>
#include <thread>

namespace velmora {
namespace {

constexpr int kNotes = 10000;

TEST(OrderingOfNoteState, TheGateNeverOpensOnThePreviousPitch) {
  auto voice = test::NewVoice();
  EngineState& s = *voice;

  // Handshake: the MIDI thread plays note k only after the audio thread has
  // seen the gate closed after note k - 1 (Acknowledged == k), so the audio
  // thread knows the frequency of the note before; and it releases note k
  // only after the audio thread has seen it sound (Seen == k + 1).
  std::atomic<int> Acknowledged{0}, Seen{0}, StalePitch{0}, StalePrevious{0}, Stop{0};

  std::thread audio([&] {
    int round = 0, acknowledged = 0;
    double closedAt = -1; // NoteFrequency when the release was acknowledged
    float sample;
    while (!Stop) {
      RenderBlock(s, &sample, 1);
      const bool open = s.Gate != 0;
      // Read before the acknowledgement: the next note-on cannot have
      // written its frequency yet.
      if (!open && acknowledged < round) {
        closedAt = s.NoteFrequency;
        acknowledged = round;
        Acknowledged = round;
      }
      if (!open)
        continue;
      // While the gate stays open the fade-out may read PreviousFrequency:
      // it must still be the note's before, as long as the gate is open.
      const double frequency = s.NoteFrequency, previous = s.PreviousFrequency;
      StalePrevious += acknowledged > 0 && previous != closedAt && s.Gate == 1;
      if (acknowledged < round)
        continue; // the note checked already, still sounding
      StalePitch += acknowledged > 0 && frequency == closedAt;
      Seen = ++round;
    }
  });
  std::thread knobs([&] {
    for (int i = 0; !Stop; ++i) {
      for (const KnobControl& k : kKnobControls)
        s.*k.Parameter = KnobParameter(k, k.Min + i % (k.Max - k.Min + 1));
      SetControl(s, PointControl(i % 2, i % 4, false), i % 201);
      SetControl(s, PointControl(i % 2, i % 4, true), (i * 7) % 201);
      s.MixMode = 1 + i % 3;
      s.Sync = i % 2;
      std::this_thread::yield();
    }
  });

  // Generous: a hang fails the test instead of stalling the run.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  auto waitFor = [&](const std::atomic<int>& counter, int value) {
    while (counter != value && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    return counter == value;
  };
  int played = 0;
  for (int k = 0; k < kNotes && waitFor(Acknowledged, k); ++k, ++played) {
    test::NoteOn(s, k % 2 ? 67 : 60); // two pitches in turn
    const bool sounded = waitFor(Seen, k + 1);
    test::NoteOff(s);
    if (!sounded)
      break;
  }
  Stop = 1;
  audio.join();
  knobs.join();

  EXPECT_EQ(played, kNotes) << "the audio thread stopped answering";
  EXPECT_EQ(StalePitch, 0) << "gate seen open with the previous note's frequency";
  EXPECT_EQ(StalePrevious, 0) << "note start seen before PreviousFrequency was set";
}

} // namespace
} // namespace velmora
