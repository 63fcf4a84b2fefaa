#include "app/eventloop.h"

#include "app/portlist.h"
#include "midi/handler.h"
#include "ui/ids.h"

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

uint32_t ShownNoteLabelSerial = 0;

void ShowNoteLabel(Program& p) {
  // The MIDI thread stores the text before it bumps the serial, so reading
  // the serial first never shows an older text under a newer serial.
  const uint32_t serial = p.Engine.NoteLabelSerial.load();
  if (serial == ShownNoteLabelSerial)
    return;
  ShownNoteLabelSerial = serial;
  tk::SetLabelText(*p.MainWindow.Toolkit, kNoteLabel, UnpackLabel(p.Engine.NoteLabel.load()));
}

Clock::time_point NextPortPoll;
Clock::time_point LookAgainUntil; // after the latest notice
Clock::time_point NextLookAgain;

void (*Check)() = nullptr;
Clock::duration CheckPeriod{};
Clock::time_point NextCheck;

// Looks at the open port after a notice of the platform, or when it cannot
// give notices for it, after each poll period.
void WatchMidiPortNow(Program& p, Clock::time_point now) {
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
    WatchMidiPort(p);
}

void RunCheckNow(Clock::time_point now) {
  if (Check == nullptr || now < NextCheck)
    return;
  NextCheck = now + CheckPeriod;
  Check();
}

// How long the next wait may last: until the drag tick or the next due
// check or poll, for ever when none is due.
int WaitMs(const Window& w, Clock::time_point now) {
  std::optional<Clock::time_point> until;
  auto earliest = [&](Clock::time_point t) {
    if (!until || t < *until)
      until = t;
  };
  if (w.HeldKnob >= 0)
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

bool EventLoopPass(Program& p) {
  Window& w = p.MainWindow;
  const tk::Event e = tk::WaitWindowEvent(*w.Toolkit, WaitMs(w, Clock::now()));
  if (e.Kind == tk::EventKind::Control && e.Control == kMidiPortList)
    SwitchMidiPort(p);
  WindowStep(w, e);
  const auto now = Clock::now();
  WatchMidiPortNow(p, now); // may close the port, which sets the label
  ShowNoteLabel(p);
  RunCheckNow(now);
  return e.Kind != tk::EventKind::Close;
}

void RunEventLoop(Program& p) {
  while (EventLoopPass(p)) {
  }
}

void ResetEventLoop() {
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
