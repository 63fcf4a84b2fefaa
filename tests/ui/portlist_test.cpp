// The port list and opening ports from it. The list is built from a port
// report, so ports that come and go can be staged without a MIDI system; the
// opening tests run the real layer against ports that cannot be reached.
#include "core/state.h"
#include "support/fake_toolkit.h"
#include "support/test_support.h"
#include "ui/ids.h"
#include "ui/portlist.h"

#include <RtMidi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace velmora {
namespace {

const FoundMidiPort kA{RtMidi::UNIX_JACK, 0, "a:out"}, kB{RtMidi::UNIX_JACK, 1, "b:out"},
    kNew{RtMidi::UNIX_JACK, 0, "new:out"}, kNameless{RtMidi::LINUX_ALSA, 1, std::nullopt};

class PortList : public ::testing::Test {
protected:
  void SetUp() override {
    test::ResetSynth();
    fake::Reset();
    tk::CreateDropDown(kMidiPortList, 32, 405, 130, 20);
    tk::CreateLabel(kNoteLabel, 170, 407, 45, 20, "Off?");
    Synth.MidiDevice = -1;
    OpenMidiPort(); // forgets the port in use
    // JACK ports of a server that does not exist, whatever runs on the machine.
    const std::string server = "velmora-absent-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
  }
  static fake::Control& List() { return fake::ControlById(kMidiPortList); }
};

TEST_F(PortList, EveryEntryLeadsToThePortItNames) {
  EXPECT_EQ(FillMidiPortList({kA, kNameless, kB}), 3) << "ports reported, listed or not";
  EXPECT_EQ(List().Items, (std::vector<std::string>{"a:out", "b:out"}));
  EXPECT_EQ(ListedMidiPort(1)->Number, 1u);
  EXPECT_EQ(ListedMidiPort(1)->Api, RtMidi::UNIX_JACK);
  EXPECT_EQ(ListedMidiPort(2), nullptr);
  EXPECT_EQ(ListedMidiPort(-1), nullptr);
  EXPECT_EQ(List().Selected, -1) << "no port in use: the selection is the window's";
}

// Opening the list lists the ports there are now; the entry of the port in
// use stays selected wherever it moved, and each entry still names its port.
TEST_F(PortList, TheListFollowsPortsThatComeAndGo) {
  ListMidiPorts();
  ASSERT_NE(List().Opening, nullptr) << "the list is made again when it opens";
  FillMidiPortList({kA, kB});
  Synth.MidiDevice = 1;
  OpenMidiPort(); // fails here, but b:out is the port in use
  const struct {
    std::vector<FoundMidiPort> now;
    int selected;
  } rows[] = {{{kNew, kA, kB}, 2}, {{kB}, 0}, {{kA, kNew}, -1}, {{kNameless, kNew, kB}, 1}};
  for (const auto& row : rows) {
    List().Items.clear();
    FillMidiPortList(row.now);
    EXPECT_EQ(List().Selected, row.selected) << List().Items.size();
    EXPECT_EQ(Synth.MidiDevice, row.selected);
    if (row.selected >= 0) {
      EXPECT_EQ(ListedMidiPort(row.selected)->Name, "b:out");
    }
  }
}

TEST_F(PortList, ProbingThePlatformPrintsNothing) {
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  const std::vector<FoundMidiPort> found = FindMidiInputPorts();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  for (const FoundMidiPort& port : found)
    EXPECT_NE(port.Api, RtMidi::UNIX_JACK) << "no JACK server by that name";
}

// A failed open or a switch with nothing open is silent, leaves the label as
// it was and the note state alone (no port was closed).
TEST_F(PortList, FailuresAreSilent) {
  FillMidiPortList({kA, kB});
  Synth.HeldNotes = 2;
  Synth.Gate = 1;
  ::testing::internal::CaptureStderr();
  Synth.MidiDevice = 0;
  OpenMidiPort();
  EXPECT_EQ(Synth.MidiIn, nullptr);
  for (int chosen : {1, -1}) {
    List().Selected = chosen;
    SwitchMidiPort();
    EXPECT_EQ(Synth.MidiDevice, chosen);
    EXPECT_EQ(Synth.MidiIn, nullptr);
    WatchMidiPort(); // nothing open, nothing lost: nothing to reopen
    EXPECT_EQ(Synth.MidiIn, nullptr);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(tk::LabelText(kNoteLabel), "Off?");
  EXPECT_EQ(Synth.HeldNotes, 2);
  EXPECT_EQ(Synth.Gate, 1);
  EXPECT_FALSE(MidiPortNeedsPolling()) << "no port open or lost";
}

} // namespace
} // namespace velmora
