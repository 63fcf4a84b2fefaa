#include "ui/eventloop.h"

#include "core/state.h"
#include "midi/handler.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/knobdrag.h"
#include "ui/portlist.h"
#include "ui/toolkit.h"
#include "ui/warpeditor.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

// While a knob is held, every pointer move and the release arrive as events,
// and the knob follows each at once. The wait still ends every 20 ms then, so
// that a release the window system handed elsewhere (a grab taken by the
// desktop) is found by asking it. With no knob held the loop sleeps until an
// event, a wake or the next due check: a new note label and a MIDI port
// notice both wake it.
constexpr int kDragTickMs = 20;
// The RtMidi layer reports port changes for the APIs it can watch; a port of
// any other API is checked this often by asking for it by name.
constexpr auto kPortPollPeriod = std::chrono::milliseconds(500);
// A notice may come before the change shows (JACK shows a change from its
// next cycle on, and a source may take a moment to come back), so the port is
// looked at again this often for a second after each notice.
constexpr auto kAfterNoticePeriod = std::chrono::milliseconds(100);
constexpr auto kAfterNoticeFor = std::chrono::seconds(1);

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

Clock::time_point NextPortPoll;
Clock::time_point LookAgainUntil; // after the latest notice
Clock::time_point NextLookAgain;

void (*Check)() = nullptr;
Clock::duration CheckPeriod{};
Clock::time_point NextCheck;

// Looks at the open port after a notice of the platform, or when it cannot
// give notices for it, after each poll period.
void WatchMidiPortNow(Clock::time_point now) {
  bool look = MidiPortNeedsPolling() && now >= NextPortPoll;
  if (look)
    NextPortPoll = now + kPortPollPeriod;
  if (TakeMidiPortNotice()) {
    look = true;
    LookAgainUntil = now + kAfterNoticeFor;
    NextLookAgain = now + kAfterNoticePeriod;
  } else if (NextLookAgain < LookAgainUntil && now >= NextLookAgain) {
    look = true;
    NextLookAgain = now + kAfterNoticePeriod;
  }
  if (look)
    WatchMidiPort();
}

void RunCheckNow(Clock::time_point now) {
  if (Check == nullptr || now < NextCheck)
    return;
  NextCheck = now + CheckPeriod;
  Check();
}

// How long the next wait may last: until the drag tick or the next due
// check or poll, for ever when none is due.
int WaitMs(Clock::time_point now) {
  std::optional<Clock::time_point> until;
  auto earliest = [&](Clock::time_point t) {
    if (!until || t < *until)
      until = t;
  };
  if (Synth.DraggedKnob != 0)
    earliest(now + std::chrono::milliseconds(kDragTickMs));
  if (Check != nullptr)
    earliest(NextCheck);
  if (MidiPortNeedsPolling())
    earliest(NextPortPoll);
  if (NextLookAgain < LookAgainUntil)
    earliest(NextLookAgain);
  if (!until)
    return tk::kWaitForever;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*until - now).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, 60000));
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
  TakeEvent(tk::WaitWindowEvent(WaitMs(Clock::now())));
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
  const auto now = Clock::now();
  WatchMidiPortNow(now); // may close the port, which sets the label
  ShowNoteLabel();
  RunCheckNow(now);

  return e.Kind != tk::EventKind::Close;
}

void RunEventLoop() {
  while (EventLoopPass()) {
  }
}

void ResetEventLoop() {
  Current = tk::Event{};
  ShownNoteLabelSerial = 0;
  NextPortPoll = LookAgainUntil = NextLookAgain = Clock::time_point{};
  SetPeriodicCheck(0, nullptr);
}

void SetPeriodicCheck(int periodMs, void (*check)()) {
  Check = check;
  CheckPeriod = std::chrono::milliseconds(periodMs);
  NextCheck = Clock::now() + CheckPeriod;
}

} // namespace velmora
