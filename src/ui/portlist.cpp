#include "ui/portlist.h"

#include "core/state.h"
#include "midi/handler.h"
#include "ui/ids.h"
#include "ui/toolkit.h"

namespace velmora {

namespace {

// List position -> the port it names.
std::vector<FoundMidiPort> ListedPorts;
// The port in use: the one chosen (open, or failed to open), or the one
// whose source went away (Lost), to be opened again when a source of its
// name is back. A lost port is not shown as chosen: it is not connected.
FoundMidiPort InUse;
bool Chosen = false; // InUse names a port
bool Lost = false;

bool SamePort(const FoundMidiPort& a, const FoundMidiPort& b) {
  return a.Api == b.Api && a.Name == b.Name;
}

MidiInputPort* Open(const FoundMidiPort& port) {
  MidiInputPort* in = OpenMidiInput(port, MidiInputHandler,
                                    reinterpret_cast<uintptr_t>(static_cast<EngineState*>(&Synth)));
  StartMidiInput(in);
  return in;
}

void Close() {
  StopMidiInput(Synth.MidiIn);
  CloseMidiInput(Synth.MidiIn); // the handler gets kMimClose before this returns
  Synth.MidiIn = nullptr;
}

void RefreshList() {
  tk::ClearDropDown(kMidiPortList);
  FillMidiPortList(FindMidiInputPorts());
}

} // namespace

int FillMidiPortList(const std::vector<FoundMidiPort>& found) {
  ListedPorts.clear();
  int selected = -1;
  for (const FoundMidiPort& port : found) {
    // A port whose name cannot be read is left out; the positions after it
    // still lead to the ports they name.
    if (!port.Name)
      continue;
    if (Chosen && !Lost && SamePort(port, InUse))
      selected = static_cast<int>(ListedPorts.size());
    tk::AddDropDownItem(kMidiPortList, *port.Name);
    ListedPorts.push_back(port);
  }
  if (Chosen) {
    tk::SelectDropDownItem(kMidiPortList, selected);
    Synth.MidiDevice = selected;
  }
  return static_cast<int>(found.size());
}

const FoundMidiPort* ListedMidiPort(int position) {
  if (position < 0 || static_cast<size_t>(position) >= ListedPorts.size())
    return nullptr;
  return &ListedPorts[static_cast<size_t>(position)];
}

int ListMidiPorts() {
  tk::OnDropDownOpening(kMidiPortList, RefreshList);
  return FillMidiPortList(FindMidiInputPorts());
}

namespace {

// Makes the port at the list position MidiDevice the one in use, and opens it.
void UseListedPort() {
  const FoundMidiPort* port = ListedMidiPort(Synth.MidiDevice);
  Chosen = port != nullptr;
  Lost = false;
  if (port == nullptr)
    return;
  InUse = *port;
  Synth.MidiIn = Open(*port);
}

} // namespace

void OpenMidiPort() {
  UseListedPort();
  if (Synth.MidiIn != nullptr)
    tk::SetLabelText(kNoteLabel, "Off");
}

void SwitchMidiPort() {
  const int position = tk::SelectedDropDownItem(kMidiPortList);
  const FoundMidiPort* chosen = ListedMidiPort(position);
  // Choosing the open port again keeps it, and the notes held on it; it is
  // reopened only when it is no longer connected.
  if (chosen != nullptr && Synth.MidiIn != nullptr && Chosen && SamePort(*chosen, InUse) &&
      MidiInputSource(Synth.MidiIn) == MidiSource::Connected) {
    Synth.MidiDevice = position;
    return;
  }
  Close();
  Synth.MidiDevice = position;
  UseListedPort();
}

void WatchMidiPort() {
  // A vanished source would leave its held notes sounding for ever; closing
  // the port releases them exactly as a port switch does, and the label
  // shows the close at once: no data message can come from a port that is
  // gone. A connection broken from outside (a patchbay) is closed the same
  // way, but it is the user's choice: the port stays closed until chosen
  // again.
  if (Synth.MidiIn != nullptr) {
    const MidiSource source = MidiInputSource(Synth.MidiIn);
    if (source != MidiSource::Connected) {
      Close();
      Synth.NoteLabelSerial.fetch_add(1);
      Lost = Chosen && source == MidiSource::Gone;
      Chosen = Lost;
      Synth.MidiDevice = -1;
      tk::SelectDropDownItem(kMidiPortList, -1);
    }
  }
  if (Lost && Chosen) {
    Synth.MidiIn = Open(InUse); // nullptr while no source of its name is there
    Lost = Synth.MidiIn == nullptr;
  } else if (Synth.MidiIn == nullptr) {
    // A source connected to our input from outside plays, as the port in use.
    if (const std::optional<FoundMidiPort> source = ConnectedMidiSource()) {
      InUse = *source;
      Chosen = true;
      Synth.MidiIn = Open(InUse);
    }
  }
  if (Synth.MidiIn != nullptr && Chosen && Synth.MidiDevice < 0)
    RefreshList(); // shows the port in use again
}

bool MidiPortNeedsPolling() {
  return Chosen && (Synth.MidiIn != nullptr || Lost) && !MidiPortNoticesFor(InUse.Api);
}

} // namespace velmora
