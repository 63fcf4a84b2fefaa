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

// Round r of voice v's performance, its own notes and buffer size.
void Round(EngineState& s, int v, int r, std::vector<float>& out) {
  if (r % 8 == 0)
    test::NoteOn(s, 48 + 7 * v + r);
  if (r % 8 == 5)
    test::NoteOff(s);
  out = test::Render(s, 700, 64 + 37 * v, std::move(out));
}

TEST(TwoVoices, EachRendersAsItWouldAlone) {
  std::vector<float> alone[2], interleaved[2], threaded[2];
  std::unique_ptr<EngineState> a[2] = {Voice(0), Voice(1)}, b[2] = {Voice(0), Voice(1)},
                               c[2] = {Voice(0), Voice(1)};
  for (int v : {0, 1})
    for (int r = 0; r < 40; ++r)
      Round(*a[v], v, r, alone[v]);
  for (int r = 0; r < 40; ++r)
    for (int v : {0, 1})
      Round(*b[v], v, r, interleaved[v]);
  auto play = [&](int v) {
    for (int r = 0; r < 40; ++r) {
      Round(*c[v], v, r, threaded[v]);
      std::this_thread::yield();
    }
  };
  std::thread other(play, 1);
  play(0);
  other.join();
  ASSERT_FALSE(test::SameSamples(alone[0], alone[1])); // the voices differ
  for (int v : {0, 1}) {
    EXPECT_TRUE(test::SameSamples(alone[v], interleaved[v])) << "voice " << v << " interleaved";
    EXPECT_TRUE(test::SameSamples(alone[v], threaded[v])) << "voice " << v << " on two threads";
  }
}

} // namespace
} // namespace velmora
