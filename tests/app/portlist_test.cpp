// The port list and opening ports from it. The list is built from a port
// report, so the ports listed can be staged without a MIDI system; the
// opening tests run the real layer against ports that cannot be reached.
// That the entry of the port in use stays selected as ports come and go is
// left to the end-to-end story's patchbay steps.
#include "app/portlist.h"
#include "support/rigs.h"

#include <RtMidi.h>

#include <cstdlib>

namespace velmora::test {
namespace {

const FoundMidiPort kA{RtMidi::UNIX_JACK, 0, "a:out"}, kB{RtMidi::UNIX_JACK, 1, "b:out"},
    kNameless{RtMidi::LINUX_ALSA, 1, std::nullopt};

struct PortListRig : ProgramRig {
  PortListRig() {
    // JACK ports of a server that does not exist, whatever runs on the machine.
    setenv("JACK_DEFAULT_SERVER", "velmora-absent", 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    ListMidiPorts(*Synth);
    FillMidiPortList(*Synth, {}); // no port listed,
    OpenMidiPort(*Synth);         // and none in use
    List().Items.clear();
  }
  fake::Control& List() { return Tk()[kMidiPortList]; }
};

TEST(PortList, ListsThePortsWhoseNamesCanBeRead) {
  PortListRig rig;
  ASSERT_NE(rig.List().Opening, nullptr) << "made again when it opens";
  EXPECT_EQ(FillMidiPortList(*rig.Synth, {kA, kNameless, kB}), 3) << "ports reported";
  EXPECT_EQ(rig.List().Items, (std::vector<std::string>{"a:out", "b:out"}));
  EXPECT_EQ(rig.List().Selected, -1) << "none in use yet";
  EXPECT_EQ(ListedMidiPort(1)->Name, "b:out");
  EXPECT_EQ(ListedMidiPort(2), nullptr) << "a position past the list";
}

// A failed open or a switch with nothing open is silent, leaves the label as
// it was and the note state alone (no port was closed).
TEST(PortList, FailuresAreSilent) {
  PortListRig rig;
  EngineState& s = rig.Synth->Engine;
  FillMidiPortList(*rig.Synth, {kA, kB});
  tk::SetLabelText(rig.Tk(), kNoteLabel, "C5");
  s.HeldNotes = 2;
  s.Gate = 1;
  ::testing::internal::CaptureStderr();
  for (int chosen : {0, 1, -1}) {
    rig.List().Selected = chosen;
    SwitchMidiPort(*rig.Synth);
    WatchMidiPort(*rig.Synth); // nothing open, nothing lost: nothing to reopen
    EXPECT_EQ(OpenPort(), nullptr) << chosen;
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(tk::LabelText(rig.Tk(), kNoteLabel), "C5");
  EXPECT_EQ(s.HeldNotes, 2);
  EXPECT_EQ(s.Gate, 1);
  EXPECT_FALSE(MidiPortNeedsPolling()) << "no port open or lost";
}

} // namespace
} // namespace velmora::test
