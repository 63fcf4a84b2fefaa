// One pass of the event loop: About box, MIDI port list, close and the note
// label.
#include "interaction_fixture.h"
#include "midi/handler.h"

#include <string>

namespace velmora::test {
namespace {

void QueueWindowEvent(tk::EventKind kind, int menuItem = 0) {
  tk::Event e;
  e.Kind = kind;
  e.MenuItem = menuItem;
  fake::Get().Events.push_back(e);
}

using EventLoopTest = InteractionTest;

TEST_F(EventLoopTest, AboutItemShowsThreeLines) {
  QueueWindowEvent(tk::EventKind::Menu, 2);
  QueueWindowEvent(tk::EventKind::Menu, kAboutMenuItem);
  RunQueued();
  EventLoopPass(); // timed out: opens nothing more
  ASSERT_EQ(fake::Get().Messages.size(), 1u);
  const auto& [title, text] = fake::Get().Messages[0];
  EXPECT_EQ(title, "About");
  const std::string tail = "\nA Vector Phase Synthesizer\n'Help' is available at Quorvex site";
  EXPECT_EQ(text.rfind("Velmora v1.02", 0), 0u) << text;
  ASSERT_GT(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.find_first_of("\r\n"), text.size() - tail.size()); // one line before it
}

TEST_F(EventLoopTest, AnyEventOfThePortListSwitchesThePort) {
  for (const char* name : {"A", "B", "C"})
    tk::AddDropDownItem(kMidiPortList, name);
  tk::SetLabelText(kNoteLabel, "A5");
  for (auto [type, index] :
       {std::pair{tk::EventType::SelectionChange, 2}, std::pair{tk::EventType::Other, 1}}) {
    tk::SelectDropDownItem(kMidiPortList, index);
    fake::Get().Events.push_back(fake::CanvasEvent(kMidiPortList, type, 0, 0, 0));
    RunQueued();
    EXPECT_EQ(Synth.MidiDevice, index);
  }
  tk::SelectDropDownItem(kMidiPortList, 0);
  EventLoopPass(); // timed out: still names the list, but switches nothing
  EXPECT_EQ(Synth.MidiDevice, 1);
  EXPECT_EQ(tk::LabelText(kNoteLabel), "A5") << "a switch by the user leaves the label";
}

// The loop sleeps until something happens; it wakes on its own only while a
// knob is held and when a check is due.
TEST_F(EventLoopTest, WaitsOnlyAsLongAsNothingIsDue) {
  static int checks;
  // Knob held, check period (-1: none), longest wait allowed, checks run.
  const int rows[][4] = {
      {0, -1, tk::kWaitForever, 0}, {1, -1, 20, 0}, {0, 250, 250, 0}, {0, 0, 0, 1}};
  for (const auto& [held, period, longest, ran] : rows) {
    Synth.DraggedKnob = held ? Synth.Knobs[0].Canvas : 0;
    fake::Get().AsyncButtons = tk::kLeftButton;
    checks = 0;
    SetPeriodicCheck(
        period, period < 0 ? nullptr : +[] { ++checks; });
    fake::Get().Waits.clear();
    EventLoopPass();
    const int waited = fake::Get().Waits.at(0);
    EXPECT_TRUE(longest < 0 ? waited == longest : waited >= 0 && waited <= longest) << waited;
    EXPECT_EQ(checks, ran);
  }
}

TEST_F(EventLoopTest, CloseEndsTheLoopAfterFinishingItsPass) {
  const Knob& sustain = Synth.Knobs[5];
  fake::Get().UnderCursor = sustain.Canvas;
  fake::Get().AsyncButtons = tk::kLeftButton;
  Press(sustain.Canvas, 40, 40);
  RunQueued();
  ASSERT_EQ(Synth.DraggedKnob, sustain.Canvas);
  fake::Get().MouseX = 440 + 40 + 30; // 3 o'clock of the knob
  fake::Get().MouseY = 50 + 40;
  QueueWindowEvent(tk::EventKind::Close);
  Press(kSyncButton, 20, 20);
  RunEventLoop();
  EXPECT_EQ(Synth.Sustain.load(), 25); // the knob step ran in the closing pass
  EXPECT_EQ(Synth.Sync, 0);
  EXPECT_EQ(fake::Get().Events.size(), 1u); // nothing after the close is taken
}

TEST_F(EventLoopTest, NoteLabelIsShownOncePerSerial) {
  auto publish = [](const char* text) {
    Synth.NoteLabel = PackLabel(text);
    Synth.NoteLabelSerial.fetch_add(1);
  };
  EventLoopPass();
  EXPECT_EQ(tk::LabelText(kNoteLabel), "Off");
  publish("C#4");
  EventLoopPass();
  EXPECT_EQ(tk::LabelText(kNoteLabel), "C#4");
  tk::SetLabelText(kNoteLabel, "x");
  EventLoopPass();
  EXPECT_EQ(tk::LabelText(kNoteLabel), "x");
  publish("C#4"); // the same text again is shown again
  Press(kSyncButton, 20, 20);
  EventLoopPass();
  EXPECT_EQ(tk::LabelText(kNoteLabel), "C#4");
}

} // namespace
} // namespace velmora::test
