// One pass of the event loop: About box, MIDI port list, close, the waits
// and the note label.
#include "interaction_fixture.h"
#include "midi/handler.h"

#include <regex>

namespace velmora::test {
namespace {

using EventLoopTest = InteractionTest;

TEST_F(EventLoopTest, AboutItemShowsThreeLines) {
  fake::Get().Events = {{tk::EventKind::Menu, 2}, {tk::EventKind::Menu, kAboutMenuItem}};
  RunQueued();
  ASSERT_EQ(fake::Get().Messages.size(), 1u);
  const auto& [title, text] = fake::Get().Messages[0];
  const std::regex about("Velmora v1\\.02[^\r\n]*\nA Vector Phase Synthesizer\n'Help' is available "
                         "at Quorvex site");
  EXPECT_TRUE(title == "About" && std::regex_match(text, about)) << title << ": " << text;
}

// Any event of the port list switches; the closed port's note stays on the
// label until a message comes from the new one.
TEST_F(EventLoopTest, APortSwitchLeavesTheLabelToTheNextMessage) {
  fake::ControlById(kMidiPortList).Items = {"A", "B", "C"};
  NoteOn(Synth, 61);
  EventLoopPass();
  HandleMidiClose(Synth); // as the old port's close does
  // Rows: the event, the entry selected, the port in use after the pass. A
  // pass that times out still names the list, but switches nothing.
  const tk::Event select{tk::EventKind::Control, 0, kMidiPortList, tk::EventType::SelectionChange},
      other{tk::EventKind::Control, 0, kMidiPortList, tk::EventType::Other}, timeout{};
  for (auto [event, index, device] : {std::tuple{select, 2, 2}, {other, 1, 1}, {timeout, 0, 1}}) {
    tk::SelectDropDownItem(kMidiPortList, index);
    fake::Get().Events.push_back(event);
    EventLoopPass();
    EXPECT_EQ(Synth.MidiDevice, device);
  }
  EXPECT_EQ(tk::LabelText(kNoteLabel), "C#5");
}

// The loop sleeps until something happens; it wakes on its own only while a
// knob is held and when a check (of the audio output) is due.
TEST_F(EventLoopTest, WaitsOnlyAsLongAsNothingIsDue) {
  static int checks;
  // Knob held, check period (-1: none), longest wait allowed, checks run.
  const int rows[][4] = {
      {0, -1, tk::kWaitForever, 0}, {1, -1, 20, 0}, {0, 250, 250, 0}, {0, 0, 0, 1}};
  for (const auto& [held, period, longest, ran] : rows) {
    Synth.DraggedKnob = held ? Synth.Knobs[0].Canvas : 0, fake::Get().Waits.clear(), checks = 0;
    SetPeriodicCheck(period, period < 0 ? nullptr : static_cast<void (*)()>([] { ++checks; }));
    EventLoopPass();
    const int waited = fake::Get().Waits.at(0);
    EXPECT_TRUE(longest < 0 ? waited == longest : waited >= 0 && waited <= longest) << waited;
    EXPECT_EQ(checks, ran);
  }
}

TEST_F(EventLoopTest, CloseEndsTheLoopAfterFinishingItsPass) {
  fake::Get().UnderCursor = Synth.Knobs[5].Canvas, fake::Get().AsyncButtons = tk::kLeftButton;
  Press(Synth.Knobs[5].Canvas, 40, 40);
  RunQueued();
  fake::Get().MouseX = 440 + 40 + 30, fake::Get().MouseY = 50 + 40; // 3 o'clock of the knob
  fake::Get().Events.push_back({tk::EventKind::Close});
  Press(kSyncButton, 20, 20);
  RunEventLoop();
  // The knob step ran in the closing pass; nothing after the close is taken.
  EXPECT_EQ(std::tuple(Synth.Sustain.load(), Synth.Sync.load(), fake::Get().Events.size()),
            std::tuple(25.0, 0, size_t{1}));
}

} // namespace
} // namespace velmora::test
