#include "ui/eventloop.h"

#include "core/state.h"
#include "midi/handler.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/knobdrag.h"
#include "ui/portlist.h"
#include "ui/toolkit.h"
#include "ui/warpeditor.h"

#include <chrono>
#include <cstdint>

namespace velmora {

namespace {

// A dragged knob follows the pointer on every pass even when no event comes,
// so during a drag the loop polls every millisecond. Otherwise a timed-out
// pass has nothing to do but show a new note label, and any window event
// ends the wait at once; waking a thousand times a second would then only
// burn CPU, so the idle wait is 10 ms, under a frame of a 60 Hz display.
constexpr int kDragWaitMs = 1;
constexpr int kIdleWaitMs = 10;

// The current event as the steps read it. A wait that times out leaves the
// previous event's type and control in place, while its pointer position and
// buttons read 0; only the knob step looks at the type without the kind.
tk::Event Current;
uint32_t ShownNoteLabelSerial = 0;

void TakeEvent(const tk::Event& next) {
  if (next.Kind == tk::EventKind::None) {
    Current.Kind = tk::EventKind::None;
    Current.MenuItem = 0;
    Current.X = Current.Y = Current.Buttons = 0;
    return;
  }
  Current = next;
  if (next.Kind == tk::EventKind::Other) {
    Current.Type = tk::EventType::None;
    Current.X = Current.Y = Current.Buttons = 0;
  }
}

void ShowNoteLabel() {
  // The MIDI thread stores the text before it bumps the serial, so reading
  // the serial first never shows an older text under a newer serial.
  const uint32_t serial = Synth.NoteLabelSerial.load();
  if (serial == ShownNoteLabelSerial)
    return;
  ShownNoteLabelSerial = serial;
  tk::SetLabelText(kNoteLabel, UnpackLabel(Synth.NoteLabel.load()));
}

// Asks the platform twice a second whether the open port's source is still
// there; more often would only add load.
void WatchMidiPortNow() {
  static auto next = std::chrono::steady_clock::now();
  const auto now = std::chrono::steady_clock::now();
  if (now < next)
    return;
  next = now + std::chrono::milliseconds(500);
  WatchMidiPort();
}

} // namespace

std::string AboutText() {
  // Lines joined by "\n": a lone carriage return shows as one garbled line
  // outside Windows.
  return "Velmora v1.02 (Linux build)\n"
         "A Vector Phase Synthesizer\n"
         "'Help' is available at Quorvex site";
}

bool EventLoopPass() {
  TakeEvent(tk::WaitWindowEvent(Synth.DraggedKnob != 0 ? kDragWaitMs : kIdleWaitMs));
  const tk::Event& e = Current;

  if (e.Kind == tk::EventKind::Menu && e.MenuItem == kAboutMenuItem)
    tk::MessageBox("About", AboutText());

  if (e.Kind == tk::EventKind::Control && e.Control == kMidiPortList)
    SwitchMidiPort();

  ModeSelectorStep(e);
  UpdateKnobDrag(e);
  RoundButtonStep(e);
  WarpEditorStep(1, e);
  WarpEditorStep(2, e);
  ShowNoteLabel();
  WatchMidiPortNow();

  return e.Kind != tk::EventKind::Close;
}

void RunEventLoop() {
  while (EventLoopPass()) {
  }
}

void ResetEventLoop() {
  Current = tk::Event{};
  ShownNoteLabelSerial = 0;
}

} // namespace velmora
