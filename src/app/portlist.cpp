#include "app/portlist.h"

#include "ui/ids.h"

namespace velmora {

namespace {

// List position -> the port it names.
std::vector<FoundMidiPort> ListedPorts;
int ChosenPosition = -1;
MidiInputPort* In = nullptr;
// The port in use: the one chosen (open, or failed to open), or the one
// whose source went away (Lost), to be opened again when a source of its
// name is back. A lost port is not shown as chosen: it is not connected.
FoundMidiPort InUse;
bool Chosen = false; // InUse names a port
bool Lost = false;
// The program whose list the drop-down's refresh fills.
Program* Listing = nullptr;

bool SamePort(const FoundMidiPort& a, const FoundMidiPort& b) {
  return a.Api == b.Api && a.Name == b.Name;
}

tk::Window& ListWindow(Program& p) { return *p.MainWindow.Toolkit; }

MidiInputPort* Open(Program& p, const FoundMidiPort& port) {
  MidiInputPort* in = OpenMidiInput(port, p.Engine);
  StartMidiInput(in);
  return in;
}

void Close() {
  StopMidiInput(In);
  CloseMidiInput(In); // releases the notes held on it before this returns
  In = nullptr;
}

void RefreshList(Program& p) {
  tk::ClearDropDown(ListWindow(p), kMidiPortList);
  FillMidiPortList(p, FindMidiInputPorts());
}

// Makes the port at the chosen list position the one in use, and opens it.
void UseListedPort(Program& p) {
  const FoundMidiPort* port = ListedMidiPort(ChosenPosition);
  Chosen = port != nullptr;
  Lost = false;
  if (port == nullptr)
    return;
  InUse = *port;
  In = Open(p, *port);
}

} // namespace

int FillMidiPortList(Program& p, const std::vector<FoundMidiPort>& found) {
  ListedPorts.clear();
  int selected = -1;
  for (const FoundMidiPort& port : found) {
    // A port whose name cannot be read is left out; the positions after it
    // still lead to the ports they name.
    if (!port.Name)
      continue;
    if (Chosen && !Lost && SamePort(port, InUse))
      selected = static_cast<int>(ListedPorts.size());
    tk::AddDropDownItem(ListWindow(p), kMidiPortList, *port.Name);
    ListedPorts.push_back(port);
  }
  if (Chosen) {
    tk::SelectDropDownItem(ListWindow(p), kMidiPortList, selected);
    ChosenPosition = selected;
  }
  return static_cast<int>(found.size());
}

const FoundMidiPort* ListedMidiPort(int position) {
  if (position < 0 || static_cast<size_t>(position) >= ListedPorts.size())
    return nullptr;
  return &ListedPorts[static_cast<size_t>(position)];
}

int ListMidiPorts(Program& p) {
  Listing = &p;
  tk::OnDropDownOpening(ListWindow(p), kMidiPortList, [] { RefreshList(*Listing); });
  const int found = FillMidiPortList(p, FindMidiInputPorts());
  ChosenPosition = found > 0 ? 0 : -1;
  if (found > 0)
    tk::SelectDropDownItem(ListWindow(p), kMidiPortList, 0);
  return found;
}

int ChosenListPosition() { return ChosenPosition; }
MidiInputPort* OpenPort() { return In; }

void OpenMidiPort(Program& p) {
  UseListedPort(p);
  if (In != nullptr)
    tk::SetLabelText(ListWindow(p), kNoteLabel, "Off");
}

void SwitchMidiPort(Program& p) {
  const int position = tk::SelectedDropDownItem(ListWindow(p), kMidiPortList);
  const FoundMidiPort* chosen = ListedMidiPort(position);
  // Choosing the open port again keeps it, and the notes held on it; it is
  // reopened only when it is no longer connected.
  if (chosen != nullptr && In != nullptr && Chosen && SamePort(*chosen, InUse) &&
      MidiInputSource(In) == MidiSource::Connected) {
    ChosenPosition = position;
    return;
  }
  Close();
  ChosenPosition = position;
  UseListedPort(p);
}

void WatchMidiPort(Program& p) {
  // A vanished source would leave its held notes sounding for ever; closing
  // the port releases them exactly as a port switch does, and the label
  // shows the close at once: no data message can come from a port that is
  // gone. A connection broken from outside (a patchbay) is closed the same
  // way, but it is the user's choice: the port stays closed until chosen
  // again.
  if (In != nullptr) {
    const MidiSource source = MidiInputSource(In);
    if (source != MidiSource::Connected) {
      Close();
      p.Engine.NoteLabelSerial.fetch_add(1);
      Lost = Chosen && source == MidiSource::Gone;
      Chosen = Lost;
      ChosenPosition = -1;
      tk::SelectDropDownItem(ListWindow(p), kMidiPortList, -1);
    }
  }
  if (Lost && Chosen) {
    In = Open(p, InUse); // nullptr while no source of its name is there
    Lost = In == nullptr;
  } else if (In == nullptr) {
    // A source connected to our input from outside plays, as the port in use.
    if (const std::optional<FoundMidiPort> source = ConnectedMidiSource()) {
      InUse = *source;
      Chosen = true;
      In = Open(p, InUse);
    }
  }
  if (In != nullptr && Chosen && ChosenPosition < 0)
    RefreshList(p); // shows the port in use again
}

bool MidiPortNeedsPolling() {
  return Chosen && (In != nullptr || Lost) && !MidiPortNoticesFor(InUse.Api);
}

} // namespace velmora
