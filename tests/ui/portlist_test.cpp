// The port list and opening ports from it. The list is built from a port
// report, so a port whose name cannot be read can be staged without a MIDI
// system; the opening tests run the real layer against ports that cannot be
// reached.
#include "core/ids.h"
#include "core/state.h"
#include "midi/midi.h"
#include "midi/port.h"
#include "midi/toolkit_stand_in.h"
#include "support/test_support.h"

#include <RtMidi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace velmora {
namespace {

class PortList : public ::testing::Test {
protected:
  void SetUp() override {
    test::ResetSynth();
    midi_test::ResetToolkit();
    FillMidiPortList({});
    midi_test::Toolkit().DropDownItems.clear();
    // JACK ports of a server that does not exist, whatever runs on the machine.
    const std::string server = "velmora-absent-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
  }
  void TearDown() override { FillMidiPortList({}); }
};

TEST_F(PortList, EveryEntryLeadsToThePortItNames) {
  const std::vector<FoundMidiPort> found = {
      {RtMidi::LINUX_ALSA, 0, "Midi Through Port-0"},
      {RtMidi::LINUX_ALSA, 1, std::nullopt}, // name could not be read
      {RtMidi::LINUX_ALSA, 2, "Keyboard"},
      {RtMidi::UNIX_JACK, 0, "source:out"},
  };
  EXPECT_EQ(FillMidiPortList(found), 4) << "the count of ports reported, listed or not";
  EXPECT_EQ(midi_test::Toolkit().DropDownItems[kMidiPortList],
            (std::vector<std::string>{"Midi Through Port-0", "Keyboard", "source:out"}));

  for (int position = 0; position < 3; ++position) {
    const FoundMidiPort* port = ListedMidiPort(position);
    ASSERT_NE(port, nullptr) << position;
    EXPECT_EQ(port->Name, midi_test::Toolkit().DropDownItems[kMidiPortList][position]);
  }
  EXPECT_EQ(ListedMidiPort(1)->Api, RtMidi::LINUX_ALSA);
  EXPECT_EQ(ListedMidiPort(1)->Number, 2u);
  EXPECT_EQ(ListedMidiPort(2)->Api, RtMidi::UNIX_JACK);
  EXPECT_EQ(ListedMidiPort(2)->Number, 0u);
  EXPECT_EQ(ListedMidiPort(3), nullptr);
  EXPECT_EQ(ListedMidiPort(-1), nullptr);
}

TEST_F(PortList, NoPortsGiveAnEmptyList) {
  EXPECT_EQ(FillMidiPortList({}), 0);
  EXPECT_TRUE(midi_test::Toolkit().DropDownItems[kMidiPortList].empty());
  EXPECT_EQ(ListedMidiPort(0), nullptr);
}

TEST_F(PortList, ProbingThePlatformPrintsNothing) {
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  const std::vector<FoundMidiPort> found = FindMidiInputPorts();
  const std::string out = ::testing::internal::GetCapturedStdout();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "");
  for (const FoundMidiPort& port : found)
    EXPECT_NE(port.Api, RtMidi::UNIX_JACK) << "no JACK server by that name";
}

TEST_F(PortList, AFailedOpenIsSilentAndLeavesTheLabel) {
  FillMidiPortList({{RtMidi::UNIX_JACK, 0, "gone:out"}});
  midi_test::Toolkit().Labels[kNoteLabel] = "Off?";
  Synth.MidiDevice = 0;
  ::testing::internal::CaptureStderr();
  OpenMidiPort();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Synth.MidiIn, nullptr);
  EXPECT_EQ(midi_test::Toolkit().Labels[kNoteLabel], "Off?");

  Synth.MidiDevice = -1; // no port at all
  OpenMidiPort();
  EXPECT_EQ(Synth.MidiIn, nullptr);
  EXPECT_EQ(midi_test::Toolkit().Labels[kNoteLabel], "Off?");
}

TEST_F(PortList, SwitchingWithoutAnOpenPortTakesTheSelectionQuietly) {
  FillMidiPortList({{RtMidi::UNIX_JACK, 0, "a:out"}, {RtMidi::UNIX_JACK, 1, "b:out"}});
  Synth.HeldNotes = 2;
  Synth.Gate = 1;
  midi_test::Toolkit().Selected[kMidiPortList] = 1;
  ::testing::internal::CaptureStderr();
  SwitchMidiPort();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Synth.MidiDevice, 1);
  EXPECT_EQ(Synth.MidiIn, nullptr);
  // No port was open, so none was closed and no close notification came.
  EXPECT_EQ(Synth.HeldNotes, 2);
  EXPECT_EQ(Synth.Gate, 1);

  midi_test::Toolkit().Selected.erase(kMidiPortList);
  SwitchMidiPort();
  EXPECT_EQ(Synth.MidiDevice, -1);
}

} // namespace
} // namespace velmora
