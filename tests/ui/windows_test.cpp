// Two windows in one process, each over its own engine.
#include "support/rigs.h"

namespace velmora::test {
namespace {

TEST(TwoWindows, ADragOnOneChangesOnlyItsOwnEngine) {
  WindowRig first, second;
  ASSERT_NE(&first.Tk(), &second.Tk());
  // The same control identifiers on both: each window has its own.
  second.Tk().UnderCursor = second.Window.Knobs[kSustainKnob].Canvas;
  fake::HeldButtons = tk::kLeftButton;
  second.Press(second.Window.Knobs[kSustainKnob].Canvas, 40, 40);
  second.Step();
  second.Tk().MouseX = 440 + 40 + 30; // 3 o'clock of the knob
  second.Tk().MouseY = 50 + 40;
  second.Step();
  first.Step();
  EXPECT_EQ(second.Engine->Sustain, 25);
  EXPECT_EQ(first.Engine->Sustain, 50);
  EXPECT_EQ(first.Window.Knobs[kSustainKnob].Value, 50);
}

} // namespace
} // namespace velmora::test
