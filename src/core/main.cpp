// Velmora: start-up, then the event loop until the window is closed.
#include "core/audio.h"
#include "core/state.h"
#include "ui/eventloop.h"
#include "ui/portlist.h"
#include "ui/window.h"

#include <csignal>

int main() {
  using namespace velmora;
  // A dead audio server or MIDI peer must not end the program through a
  // write to its closed socket.
  std::signal(SIGPIPE, SIG_IGN);
  InitSynthState();
  StartAudio();
  Synth.MidiDevice = 0;
  Synth.MidiIn = nullptr;
  BuildWindow();
  OpenMidiPort();
  StartStream();
  SetPeriodicCheck(kAudioCheckPeriodMs, CheckAudioRunning);
  RunEventLoop();
  EndProgram(0);
}
