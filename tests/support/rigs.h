// A window built on the fake toolkit over an engine of its own, with events
// scripted through its steps; and the program's synth built the same way,
// for the event loop and the port list.
#pragma once

#include "app/eventloop.h"
#include "support/fake_toolkit.h"
#include "support/test_support.h"
#include "ui/ids.h"
#include "ui/window.h"

namespace velmora::test {

struct WindowRig {
  WindowRig() {
    fake::HeldButtons = 0;
    BuildWindow(Window);
  }
  std::unique_ptr<EngineState> Engine = NewVoice();
  EngineSink Sink{*Engine};
  velmora::Window Window{Sink};

  tk::Window& Tk() const { return *Window.Toolkit; }
  // Each queued event is taken by one step; the left button is held unless said otherwise.
  void Queue(int canvas, tk::EventType type, int x, int y, int buttons = tk::kLeftButton) {
    Tk().Events.push_back({tk::EventKind::Control, 0, canvas, type, x, y, buttons});
  }
  void Press(int canvas, int x, int y) { Queue(canvas, tk::EventType::LeftDown, x, y); }
  void Release(int canvas) { Queue(canvas, tk::EventType::LeftUp, 3, 3, 0); }
  void Drag(int canvas, int x, int y) { Queue(canvas, tk::EventType::MouseMove, x, y); }
  // One step with the next queued event, or none.
  void Step() { WindowStep(Window, tk::WaitWindowEvent(Tk(), 0)); }
  void RunQueued() {
    while (!Tk().Events.empty())
      Step();
  }
  int Draws(int canvas) const { return Tk()[canvas].Draws; }
};

struct ProgramRig {
  ProgramRig() {
    fake::HeldButtons = 0;
    ResetEventLoop();
    InitEngineDefaults(Synth->Engine);
    BuildWindow(Synth->MainWindow);
  }
  std::unique_ptr<Program> Synth = std::make_unique<Program>(); // heap: the sine memos are large
  tk::Window& Tk() const { return *Synth->MainWindow.Toolkit; }
};

} // namespace velmora::test
