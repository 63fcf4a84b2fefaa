// The order in which the audio thread sees a note start. A MIDI thread plays
// notes through the handler, two pitches in turn, each note released before
// the next; an audio thread polls Gate and then the frequencies, as the
// envelope and the oscillators do at every sample. Whenever it sees the gate
// open, the frequency must already be the new note's, and PreviousFrequency
// the released note's. ThreadSanitizer runs this too, but it cannot see an
// ordering mistake between atomics: the check below can.
#include "core/state.h"
#include "midi/midi.h"
#include "midi/toolkit_stand_in.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace velmora {
namespace {

constexpr int kNotes = 10000;
constexpr auto kTimeLimit = std::chrono::seconds(20);

uint32_t NoteOnWord(int note) { return 0x90u | (static_cast<uint32_t>(note) << 8) | (100u << 16); }
uint32_t NoteOffWord(int note) { return 0x80u | (static_cast<uint32_t>(note) << 8); }

TEST(OrderingOfNoteState, TheGateNeverOpensOnThePreviousPitch) {
  test::ResetSynth();
  midi_test::ResetToolkit();
  const int pitches[2] = {60, 67};

  // Handshake: the MIDI thread plays note k only after the audio thread has
  // seen the gate closed after note k - 1 (Acknowledged == k), so the audio
  // thread knows which frequency belongs to the note before; and it releases
  // note k only after the audio thread has seen it sound (Seen == k + 1), so
  // every gate opening is watched.
  std::atomic<int> Acknowledged{0};
  std::atomic<int> Seen{0};
  std::atomic<bool> Stop{false};
  std::atomic<int> Openings{0};
  std::atomic<int> StalePitch{0};
  std::atomic<int> StalePrevious{0};

  std::thread audio([&] {
    int round = 0;        // notes seen sounding so far
    int acknowledged = 0; // the last round whose release was acknowledged
    double closedAt = -1; // NoteFrequency when the release was acknowledged
    while (!Stop.load()) {
      const int gate = Synth.Gate.load();
      if (gate == 0) {
        if (acknowledged < round) {
          // Read before the acknowledgement: the next note-on cannot have
          // written its frequency yet, so this is the released note's.
          closedAt = Synth.NoteFrequency.load();
          acknowledged = round;
          Acknowledged.store(round);
        }
        continue;
      }
      if (acknowledged < round)
        continue; // the note checked already, still sounding
      // The first sample of a note: the oscillators take NoteFrequency, the
      // fade-out PreviousFrequency.
      const double frequency = Synth.NoteFrequency.load();
      const double previous = Synth.PreviousFrequency.load();
      if (round > 0) {
        if (frequency == closedAt)
          StalePitch++;
        if (previous != closedAt)
          StalePrevious++;
      }
      Openings++;
      ++round;
      Seen.store(round);
    }
  });

  const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
  auto waitFor = [&](const std::atomic<int>& counter, int value) {
    while (counter.load() != value) {
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      std::this_thread::yield();
    }
    return true;
  };
  int played = 0;
  bool timedOut = false;
  for (int k = 0; k < kNotes; ++k) {
    if (!waitFor(Acknowledged, k)) {
      timedOut = true;
      break;
    }
    MidiInputHandler(nullptr, kMimData, 0, NoteOnWord(pitches[k % 2]), 0);
    const bool sounded = waitFor(Seen, k + 1);
    MidiInputHandler(nullptr, kMimData, 0, NoteOffWord(pitches[k % 2]), 0);
    if (!sounded) {
      timedOut = true;
      break;
    }
    ++played;
  }
  Stop = true;
  audio.join();

  EXPECT_FALSE(timedOut) << "the audio thread stopped answering after " << played << " notes";
  EXPECT_EQ(StalePitch, 0) << "gate seen open with the previous note's frequency";
  EXPECT_EQ(StalePrevious, 0) << "note start seen before PreviousFrequency was set";
  EXPECT_EQ(Openings, played);
}

} // namespace
} // namespace velmora
