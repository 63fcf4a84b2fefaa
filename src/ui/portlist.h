// The MIDI port list of the window and the one open input port: listing the
// ports into the drop-down list, opening the chosen one, switching, and
// watching that its source is still there. User-interface thread only.
#pragma once

#include "ui/midiport.h"

#include <vector>

namespace velmora {

// Fills the drop-down list with the input ports' names and returns the number
// of ports found.
int ListMidiPorts();
// Opens and starts the port MidiDevice; silent on failure.
void OpenMidiPort();
// Closes the open port and opens the one selected in the drop-down list.
void SwitchMidiPort();
// Closes the open port when its source has gone away, which releases the
// notes held on it. Choosing the entry again reopens it once it is back.
void WatchMidiPort();

// ListMidiPorts in two steps, so the list can be built from any port report.
// Adds the ports whose names could be read to the drop-down list, in order,
// and remembers which port each list position stands for. Returns the number
// of ports reported, listed or not.
int FillMidiPortList(const std::vector<FoundMidiPort>& found);
// The port behind a list position; nullptr for a position not in the list.
const FoundMidiPort* ListedMidiPort(int position);

} // namespace velmora
