// The program's synth with its window built on the fake toolkit, for the
// event loop and the port list.
#pragma once

#include "app/eventloop.h"
#include "support/fake_toolkit.h"
#include "support/test_support.h"
#include "ui/ids.h"

#include <memory>

namespace velmora::test {

struct ProgramRig {
  ProgramRig() {
    fake::HeldButtons = 0;
    fake::Messages.clear();
    ResetEventLoop();
    InitEngineDefaults(Synth->Engine);
    BuildWindow(Synth->MainWindow);
  }
  std::unique_ptr<Program> Synth = std::make_unique<Program>(); // heap: the sine memos are large
  tk::Window& Tk() const { return *Synth->MainWindow.Toolkit; }
  void RunQueued() {
    while (!Tk().Events.empty())
      EventLoopPass(*Synth);
  }
};

} // namespace velmora::test
