// The window and the MIDI ports as an offline render sees them: there are
// none. The message handler is the synth's own; of these functions it only
// ever reaches Wake, which has no event loop to wake here. The rest exist
// because the handler's file also holds the port list, port switching and
// watching; no port is ever open here.
#include "midi/port.h"
#include "ui/toolkit.h"

#include <string>
#include <vector>

namespace velmora {

namespace tk {
void Wake() {}
void AddDropDownItem(int, const std::string&) {}
int SelectedDropDownItem(int) { return -1; }
void SetLabelText(int, const std::string&) {}
} // namespace tk

std::vector<FoundMidiPort> FindMidiInputPorts() { return {}; }
MidiInputPort* OpenMidiInput(const FoundMidiPort&, MidiHandler, uintptr_t) { return nullptr; }
bool MidiInputSourcePresent(MidiInputPort*) { return false; }
bool StartMidiInput(MidiInputPort*) { return false; }
void StopMidiInput(MidiInputPort*) {}
void CloseMidiInput(MidiInputPort*) {}

} // namespace velmora
