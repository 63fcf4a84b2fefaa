// The controls the interaction code addresses, built on the fake toolkit,
// and helpers to script passes of the event loop.
#pragma once

#include "core/state.h"
#include "support/fake_toolkit.h"
#include "support/test_support.h"
#include "ui/controls.h"
#include "ui/eventloop.h"
#include "ui/knob.h"
#include "ui/warpeditor.h"

namespace velmora::test {

class InteractionTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The synth as start-up leaves it, with the mode selector built.
    fake::Reset(), InitSynthState(), ResetEventLoop();
    Synth.MixMode = 1;
    tk::CreateDropDown(kMidiPortList, 32, 405, 130, 20);
    tk::CreateLabel(kNoteLabel, 170, 407, 45, 20, "Off");
    tk::CreateCanvas(kOsc1WarpCanvas, 0, 0, 200, 200, false, false);
    tk::CreateCanvas(kOsc2WarpCanvas, 0, 0, 200, 200, false, false);
    tk::CreateCanvas(kModeSelectorCanvas, 140, 285, 20, 85, true, false);
    DrawWarpCanvas(1), DrawWarpCanvas(2), DrawModeSelector(1), CreateKnobs(Synth.LastKnob);
    for (int id : {kSyncButton, kOsc1GroupButtonCanvas, kOsc2GroupButtonCanvas})
      tk::CreateCanvas(id, 0, 0, 41, 41, false, false), DrawRoundButtonFirst(id);
  }

  // Each queued event is taken by one pass; the left button is held unless said otherwise.
  static void Queue(int canvas, tk::EventType type, int x, int y, int buttons = tk::kLeftButton) {
    fake::Get().Events.push_back({tk::EventKind::Control, 0, canvas, type, x, y, buttons});
  }
  static void Press(int canvas, int x, int y) { Queue(canvas, tk::EventType::LeftDown, x, y); }
  static void Release(int canvas) { Queue(canvas, tk::EventType::LeftUp, 3, 3, 0); }
  static void Drag(int canvas, int x, int y) { Queue(canvas, tk::EventType::MouseMove, x, y); }
  static void RunQueued() {
    while (!fake::Get().Events.empty())
      EventLoopPass();
  }
  static const Raster& Picture(int canvas) { return fake::ControlById(canvas).Picture; }
  static int Draws(int canvas) { return fake::ControlById(canvas).Draws; }
};

} // namespace velmora::test
