// One pass of the event loop: the waits, close. That an event of the port
// list switches ports is left to the end-to-end story, which chooses a port
// in the list and hears it play.
#include "support/rigs.h"

namespace velmora::test {
namespace {

int Checks = 0;
void CountCheck() { ++Checks; }

struct Wait {
  bool Held;
  int Period; // of the check, ms; -1: none
  int Longest, ChecksRun;
};

// The loop sleeps until something happens; it wakes on its own only while a
// knob is held and when a check (of the audio output) is due.
TEST(EventLoop, WaitsOnlyAsLongAsNothingIsDue) {
  for (const Wait& w : {Wait{false, -1, tk::kWaitForever, 0}, Wait{true, -1, 20, 0},
                        Wait{false, 250, 250, 0}, Wait{false, 0, 0, 1}}) {
    ProgramRig rig;
    fake::HeldButtons = tk::kLeftButton;
    rig.Synth->MainWindow.HeldKnob = w.Held ? 0 : -1;
    Checks = 0;
    SetPeriodicCheck(w.Period, w.Period < 0 ? nullptr : CountCheck);
    EventLoopPass(*rig.Synth);
    const int waited = rig.Tk().Waits.at(0);
    if (w.Longest < 0)
      EXPECT_EQ(waited, w.Longest);
    else
      EXPECT_TRUE(waited >= 0 && waited <= w.Longest) << waited;
    EXPECT_EQ(Checks, w.ChecksRun);
  }
}

TEST(EventLoop, CloseEndsTheLoopAfterFinishingItsPass) {
  ProgramRig rig;
  Window& w = rig.Synth->MainWindow;
  rig.Tk().UnderCursor = w.Knobs[kSustainKnob].Canvas;
  fake::HeldButtons = tk::kLeftButton;
  rig.Tk().Events.push_back(
      {tk::EventKind::Control, 0, w.Knobs[kSustainKnob].Canvas, tk::EventType::LeftDown, 40, 40});
  EventLoopPass(*rig.Synth);
  rig.Tk().MouseX = 440 + 40 + 30; // 3 o'clock of the knob
  rig.Tk().MouseY = 50 + 40;
  rig.Tk().Events.push_back({tk::EventKind::Close});
  rig.Tk().Events.push_back({tk::EventKind::Control, 0, kSyncButton, tk::EventType::LeftDown});
  RunEventLoop(*rig.Synth);
  // The knob step ran in the closing pass; nothing after the close is taken.
  EXPECT_EQ(rig.Synth->Engine.Sustain, 25.0);
  EXPECT_EQ(rig.Tk().Events.size(), 1u);
}

} // namespace
} // namespace velmora::test
