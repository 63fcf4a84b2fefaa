// Two engine states in one process render independently: each of two voices
// with different settings and notes, rendered interleaved with the other or
// on a thread of its own, gives the samples it gives alone. Under
// ThreadSanitizer the threaded case also shows that the engine keeps no
// mutable state outside the state it is given.
#include "engine/engine.h"
#include "support/test_support.h"

#include <thread>

namespace velmora {
namespace {

constexpr int kRounds = 40;

// Voice v (0 or 1) with knobs of its own.
std::unique_ptr<EngineState> Voice(int v) {
  auto s = test::NewVoice();
  s->MixMode = 1 + 2 * v;
  s->MixAmount = 30 + 50 * v;
  s->Sync = v;
  s->Osc1Pitch = 1000 + 300 * v;
  s->Osc2Pitch = 1500 + 600 * v;
  (*s).*kWarpKeyframes[1].Out[v] = 350;
  return s;
}

// One round of voice v's performance: its own notes and buffer size.
void Round(EngineState& s, int v, int round, std::vector<float>& out) {
  if (round % 8 == 0)
    test::NoteOn(s, 48 + 7 * v + round);
  if (round % 8 == 5)
    test::NoteOff(s);
  const std::vector<float> part = test::Render(s, 700, 64 + 37 * v);
  out.insert(out.end(), part.begin(), part.end());
}

std::vector<float> Alone(int v) {
  auto s = Voice(v);
  std::vector<float> out;
  for (int r = 0; r < kRounds; ++r)
    Round(*s, v, r, out);
  return out;
}

TEST(TwoVoices, EachRendersAsItWouldAlone) {
  const std::vector<float> alone[2] = {Alone(0), Alone(1)};
  ASSERT_FALSE(test::SameSamples(alone[0], alone[1])); // the voices differ
  for (bool threads : {false, true}) {
    SCOPED_TRACE(threads ? "two threads" : "interleaved");
    std::unique_ptr<EngineState> s[2] = {Voice(0), Voice(1)};
    std::vector<float> got[2];
    if (threads) {
      auto play = [&](int v) {
        for (int r = 0; r < kRounds; ++r, std::this_thread::yield())
          Round(*s[v], v, r, got[v]);
      };
      std::thread other(play, 1);
      play(0);
      other.join();
    } else {
      for (int r = 0; r < kRounds; ++r)
        for (int v : {0, 1})
          Round(*s[v], v, r, got[v]);
    }
    for (int v : {0, 1})
      EXPECT_TRUE(test::SameSamples(alone[v], got[v])) << "voice " << v;
  }
}

} // namespace
} // namespace velmora
