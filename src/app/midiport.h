// The platform side of MIDI input, over RtMidi: which input ports exist, and
// one open port that plays each whole short message on an engine through the
// MIDI handler, on the platform's MIDI thread, then wakes the event loop so
// the note label follows at once. Nothing here prints: an API that cannot
// start, a port that cannot be opened, a name that cannot be read are all
// answered by return values.
#pragma once

#include "engine/state.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct MidiInputPort; // defined in midiport.cpp

// One input port as the platform reported it. Api is an RtMidi::Api value;
// Number counts the API's ports from 0. Name is empty when it could not be
// read.
struct FoundMidiPort {
  int Api = 0;
  unsigned Number = 0;
  std::optional<std::string> Name;
};

// The input ports of every compiled API that can start here, API by API.
std::vector<FoundMidiPort> FindMidiInputPorts();

// Opens the port with this name, looked up again in its API (the number given
// is tried first), to play the engine. Messages are passed on only between
// StartMidiInput and StopMidiInput. Returns nullptr on any failure, also for
// a port without a name.
MidiInputPort* OpenMidiInput(const FoundMidiPort& port, EngineState& engine);
// Where the source the port was opened on stands. A source that goes away (a
// cable pulled, a program ended) does not close the port by itself; a JACK
// source that quit and came back under the same name has gone too, since our
// connection went with it. Disconnected: the source is there, but our
// connection to it was broken from outside (a patchbay).
enum class MidiSource { Connected, Gone, Disconnected };
MidiSource MidiInputSource(MidiInputPort* port);
// A JACK source connected to our input port, from a patchbay say; nothing
// when there is none. What such a source sends reaches the open port.
std::optional<FoundMidiPort> ConnectedMidiSource();

// Opening a port also starts listening to the platform's announcements of
// ports coming and going and, for JACK, of our input's connections: each one
// wakes the event loop. True once after any announcement.
bool TakeMidiPortNotice();
// Whether announcements come for ports of this API; ports of other APIs must
// be looked at now and then.
bool MidiPortNoticesFor(int api);

// Runs work with the diagnostics of RtMidi, alsa-lib and libjack silenced
// (they print every probe failure to stderr) and puts them back afterwards,
// so other users of those libraries keep their messages. alsa-lib's handler
// is silenced for the calling thread only.
void RunQuietly(const std::function<void()>& work);
// Both accept nullptr and then do nothing; StartMidiInput then gives false.
bool StartMidiInput(MidiInputPort* port);
void StopMidiInput(MidiInputPort* port);
// Closes and frees the port. Once the platform can no longer deliver
// messages, the engine's held notes are released on the calling thread.
// nullptr: nothing.
void CloseMidiInput(MidiInputPort* port);

} // namespace velmora
