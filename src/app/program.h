// The stand-alone program's synth: the engine that the audio callback renders
// and the MIDI thread plays, and the window that sets it through a sink. main()
// owns the one the program has; tests make their own.
#pragma once

#include "core/controls.h"
#include "engine/state.h"
#include "ui/window.h"

namespace velmora {

struct Program {
  EngineState Engine;
  EngineSink Sink{Engine};
  Window MainWindow{Sink};
};

} // namespace velmora
