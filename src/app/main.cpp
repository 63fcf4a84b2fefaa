// Velmora: start-up, then the event loop until the window is closed.
#include "app/audio.h"
#include "app/eventloop.h"
#include "app/portlist.h"

#include <csignal>

int main() {
  using namespace velmora;
  // A dead audio server or MIDI peer must not end the program through a
  // write to its closed socket.
  std::signal(SIGPIPE, SIG_IGN);
  // Static: the audio and MIDI threads use it until the process ends
  // (EndProgram does not wait for them).
  static Program synth;
  InitEngineDefaults(synth.Engine);
  StartAudio(synth.Engine);
  BuildWindow(synth.MainWindow);
  ListMidiPorts(synth);
  tk::ShowWindow(*synth.MainWindow.Toolkit);
  OpenMidiPort(synth);
  StartStream(synth.Engine);
  SetPeriodicCheck(kAudioCheckPeriodMs, CheckAudioRunning);
  RunEventLoop(synth);
  EndProgram(0);
}
