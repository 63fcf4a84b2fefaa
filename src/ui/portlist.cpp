#include "ui/portlist.h"

#include "core/state.h"
#include "midi/handler.h"
#include "ui/ids.h"
#include "ui/toolkit.h"

namespace velmora {

namespace {

// List position -> the port it names.
std::vector<FoundMidiPort> ListedPorts;

MidiInputPort* OpenListedPort(int position) {
  const FoundMidiPort* port = ListedMidiPort(position);
  return port == nullptr
             ? nullptr
             : OpenMidiInput(*port, MidiInputHandler,
                             reinterpret_cast<uintptr_t>(static_cast<EngineState*>(&Synth)));
}

} // namespace

int FillMidiPortList(const std::vector<FoundMidiPort>& found) {
  ListedPorts.clear();
  for (const FoundMidiPort& port : found) {
    // A port whose name cannot be read is left out; the positions after it
    // still lead to the ports they name.
    if (!port.Name)
      continue;
    tk::AddDropDownItem(kMidiPortList, *port.Name);
    ListedPorts.push_back(port);
  }
  return static_cast<int>(found.size());
}

const FoundMidiPort* ListedMidiPort(int position) {
  if (position < 0 || static_cast<size_t>(position) >= ListedPorts.size())
    return nullptr;
  return &ListedPorts[static_cast<size_t>(position)];
}

int ListMidiPorts() { return FillMidiPortList(FindMidiInputPorts()); }

void OpenMidiPort() {
  Synth.MidiIn = OpenListedPort(Synth.MidiDevice);
  if (Synth.MidiIn != nullptr && StartMidiInput(Synth.MidiIn))
    tk::SetLabelText(kNoteLabel, "Off");
}

void WatchMidiPort() {
  // A vanished source would leave its held notes sounding for ever; closing
  // the port releases them exactly as a port switch does.
  if (Synth.MidiIn != nullptr && !MidiInputSourcePresent(Synth.MidiIn)) {
    StopMidiInput(Synth.MidiIn);
    CloseMidiInput(Synth.MidiIn);
    Synth.MidiIn = nullptr;
  }
}

void SwitchMidiPort() {
  StopMidiInput(Synth.MidiIn);
  CloseMidiInput(Synth.MidiIn); // the handler gets kMimClose before this returns
  Synth.MidiIn = nullptr;
  Synth.MidiDevice = tk::SelectedDropDownItem(kMidiPortList);
  Synth.MidiIn = OpenListedPort(Synth.MidiDevice);
  StartMidiInput(Synth.MidiIn);
}

} // namespace velmora
