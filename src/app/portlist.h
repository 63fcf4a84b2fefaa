// The MIDI port list of the window and the one open input port: listing the
// ports into the drop-down list, opening the chosen one, switching, and
// watching that its source is still there. User-interface thread only.
#pragma once

#include "app/midiport.h"
#include "app/program.h"

#include <vector>

namespace velmora {

// Fills the program's drop-down list with the input ports' names, selects
// the first, and returns the number of ports found. From then on the list is
// made again from the ports there are each time the user opens it.
int ListMidiPorts(Program& p);
// Opens and starts the port at the chosen list position; silent on failure.
void OpenMidiPort(Program& p);
// Opens the port selected in the drop-down list in place of the open one;
// nothing when the selected port is the open one.
void SwitchMidiPort(Program& p);
// Closes the open port when its source has gone away, which releases the
// notes held on it, and shows the label of the close. Reopens it by its name
// once a source of that name is back.
void WatchMidiPort(Program& p);
// Whether WatchMidiPort must be run now and then: the port it looks after is
// of an API that gives no notices of ports coming and going.
bool MidiPortNeedsPolling();

// The list position of the port chosen, -1 for none.
int ChosenListPosition();
// The open port, nullptr when none is.
MidiInputPort* OpenPort();

// ListMidiPorts in two steps, so the list can be built from any port report.
// Adds the ports whose names could be read to the drop-down list, in order,
// and remembers which port each list position stands for. Selects the entry
// of the port that is open, if it is listed, or the one named like it.
// Returns the number of ports reported, listed or not.
int FillMidiPortList(Program& p, const std::vector<FoundMidiPort>& found);
// The port behind a list position; nullptr for a position not in the list.
const FoundMidiPort* ListedMidiPort(int position);

} // namespace velmora
