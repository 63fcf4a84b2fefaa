// The port list and opening ports from it. The list is built from a port
// report, so ports that come and go can be staged without a MIDI system; the
// opening tests run the real layer against ports that cannot be reached.
#include "interaction_fixture.h"
#include "ui/portlist.h"

#include <RtMidi.h>

#include <cstdlib>

namespace velmora::test {
namespace {

const FoundMidiPort kA{RtMidi::UNIX_JACK, 0, "a:out"}, kB{RtMidi::UNIX_JACK, 1, "b:out"},
    kNew{RtMidi::UNIX_JACK, 0, "new:out"}, kNameless{RtMidi::LINUX_ALSA, 1, std::nullopt};

class PortList : public InteractionTest {
protected:
  void SetUp() override {
    InteractionTest::SetUp();
    // JACK ports of a server that does not exist, whatever runs on the machine.
    setenv("JACK_DEFAULT_SERVER", "velmora-absent", 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    Synth.MidiDevice = -1, OpenMidiPort(); // forgets the port in use
    ListMidiPorts(), List().Items.clear();
  }
  static fake::Control& List() { return fake::ControlById(kMidiPortList); }
};

// The list is made again from the ports there are when it opens; the entry of
// the port in use stays selected wherever it moved, and each entry still
// names its port.
TEST_F(PortList, TheListFollowsPortsThatComeAndGo) {
  ASSERT_NE(List().Opening, nullptr);
  Synth.MidiDevice = 1;
  EXPECT_EQ(FillMidiPortList({kA, kNameless, kB}), 3) << "ports reported, listed or not";
  EXPECT_EQ(List().Items, (std::vector<std::string>{"a:out", "b:out"}));
  EXPECT_EQ(std::pair(List().Selected, Synth.MidiDevice), std::pair(-1, 1)) << "none in use yet";
  EXPECT_EQ(ListedMidiPort(2), nullptr) << "a position past the list";
  OpenMidiPort(); // fails here, but b:out is the port in use
  const std::pair<std::vector<FoundMidiPort>, int> rows[] = {
      {{kNew, kA, kB}, 2}, {{kB}, 0}, {{kA, kNew}, -1}, {{kNameless, kNew, kB}, 1}};
  for (const auto& [now, selected] : rows) {
    List().Items.clear();
    FillMidiPortList(now);
    EXPECT_EQ(std::pair(List().Selected, Synth.MidiDevice), std::pair(selected, selected));
    EXPECT_TRUE(selected < 0 || ListedMidiPort(selected)->Name == "b:out") << selected;
  }
}

// A failed open or a switch with nothing open is silent, leaves the label as
// it was and the note state alone (no port was closed).
TEST_F(PortList, FailuresAreSilent) {
  FillMidiPortList({kA, kB});
  tk::SetLabelText(kNoteLabel, "C5");
  Synth.HeldNotes = 2, Synth.Gate = 1, Synth.MidiDevice = 0;
  ::testing::internal::CaptureStderr();
  OpenMidiPort();
  for (int chosen : {1, -1}) {
    List().Selected = chosen;
    SwitchMidiPort();
    WatchMidiPort(); // nothing open, nothing lost: nothing to reopen
    EXPECT_EQ(Synth.MidiIn, nullptr) << chosen;
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(tk::LabelText(kNoteLabel), "C5");
  EXPECT_EQ(std::pair(Synth.HeldNotes.load(), Synth.Gate.load()), std::pair(2, 1));
  EXPECT_FALSE(MidiPortNeedsPolling()) << "no port open or lost";
}

} // namespace
} // namespace velmora::test
