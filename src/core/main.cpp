// Velmora: start-up, then the event loop until the window is closed.
#include "core/audio.h"
#include "core/state.h"
#include "midi/midi.h"
#include "ui/eventloop.h"
#include "ui/window.h"

int main() {
  using namespace velmora;
  InitSynthState();
  StartAudio();
  Synth.MidiDevice = 0;
  Synth.MidiIn = nullptr;
  BuildWindow();
  OpenMidiPort();
  StartStream();
  RunEventLoop();
  EndProgram(0);
}
