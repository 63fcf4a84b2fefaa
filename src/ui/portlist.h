// The MIDI port list of the window and the one open input port: listing the
// ports into the drop-down list, opening the chosen one, switching, and
// watching that its source is still there. User-interface thread only.
#pragma once

#include "ui/midiport.h"

#include <vector>

namespace velmora {

// Fills the drop-down list with the input ports' names and returns the number
// of ports found. From then on the list is made again from the ports there
// are each time the user opens it.
int ListMidiPorts();
// Opens and starts the port MidiDevice; silent on failure.
void OpenMidiPort();
// Opens the port selected in the drop-down list in place of the open one;
// nothing when the selected port is the open one.
void SwitchMidiPort();
// Closes the open port when its source has gone away, which releases the
// notes held on it, and shows the label of the close. Reopens it by its name
// once a source of that name is back.
void WatchMidiPort();
// Whether WatchMidiPort must be run now and then: the port it looks after is
// of an API that gives no notices of ports coming and going.
bool MidiPortNeedsPolling();

// ListMidiPorts in two steps, so the list can be built from any port report.
// Adds the ports whose names could be read to the drop-down list, in order,
// and remembers which port each list position stands for. Selects the entry
// of the port that is open, if it is listed, or the one named like it.
// Returns the number of ports reported, listed or not.
int FillMidiPortList(const std::vector<FoundMidiPort>& found);
// The port behind a list position; nullptr for a position not in the list.
const FoundMidiPort* ListedMidiPort(int position);

} // namespace velmora
