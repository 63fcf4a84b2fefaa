// velmora-render as a user runs it: MIDI files in, WAV files out, compared
// sample for sample with the engine driven directly; the command line; and
// what happens to bad input and unwritable output.
#include "render/render_support.h"

#include "core/state.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace velmora::render_test {
namespace {

using test::NoteHz;

// The MIDI thread's edits, as the handler makes them for a channel-1 note-on
// with nothing held, a note-on with a note held, and the last note-off.
Step Press(int64_t sample, int note) {
  return {sample, [note] { test::PressKey(NoteHz(note)); }};
}
Step Glide(int64_t sample, int note) {
  return {sample, [note] { Synth.NoteFrequency = NoteHz(note); }};
}
Step Let(int64_t sample) {
  return {sample, [] { test::ReleaseKey(); }};
}

// Long enough for every test song and the longest release after it.
constexpr int64_t kReferenceLength = 10 * 44100;

class RenderProgram : public ::testing::Test {
protected:
  ScratchDir dir;
  std::string in = dir.Path("in.mid");
  std::string out = dir.Path("out.wav");

  std::vector<float> Render(const Song& song, std::vector<std::string> options = {}) {
    WriteSong(in, song);
    options.push_back(in);
    options.push_back(out);
    const RunResult run = RunRender(options);
    EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
    EXPECT_EQ(run.Stderr, "");
    return ReadWav(out);
  }
};

// At 120 beats a minute and 96 pulses a beat, a pulse is 0.5 / 96 s,
// 229.6875 samples.
TEST_F(RenderProgram, OneNotePlaysAsTheEngineDrivenWithItAtTheSameSample) {
  Song song{.Format = 0};
  song.Events = {NoteOn(1, 37, 60), NoteOff(1, 150, 60)};
  const std::vector<float> rendered = Render(song);
  // 37 pulses: 8498.4375 samples; 150 pulses: 34453.125.
  const Reference reference = DriveEngine({Press(8498, 60), Let(34453)}, kReferenceLength);
  EXPECT_TRUE(RendersWholeSound(reference, rendered));
  // A note-on at a whole sample later would start the sound a sample late.
  const Reference late = DriveEngine({Press(8499, 60), Let(34453)}, kReferenceLength);
  EXPECT_FALSE(RendersWholeSound(late, rendered));
}

TEST_F(RenderProgram, TailOptionRendersExactlyThatLongAfterTheLastEvent) {
  Song song{.Format = 0};
  song.Events = {NoteOn(1, 0, 69), NoteOff(1, 96, 69)}; // off at 22050
  const Reference reference = DriveEngine({Press(0, 69), Let(22050)}, kReferenceLength);
  for (const auto& [tail, length] : std::vector<std::pair<std::string, size_t>>{
           {"0", 22050}, {"0.25", 22050 + 11025}, {"2", 22050 + 88200}}) {
    const std::vector<float> rendered = Render(song, {"--tail=" + tail});
    ASSERT_EQ(rendered.size(), length) << "--tail " << tail;
    EXPECT_TRUE(
        test::SameSamples(std::vector<float>(reference.Samples.begin(),
                                             reference.Samples.begin() + static_cast<long>(length)),
                          rendered))
        << "--tail " << tail;
  }
}

// Tempo 120 until beat 2, then 240 until beat 4, then 80, set in a track of
// its own; the notes are in the second track.
TEST_F(RenderProgram, TempoChangesMoveNotesToTheirSamples) {
  Song song{.Format = 1, .Ppqn = 96, .Tracks = 2};
  song.Events = {Tempo(1, 0, 500000), Tempo(1, 192, 250000), Tempo(1, 384, 750000),
                 NoteOn(2, 96, 60),   NoteOff(2, 150, 60),   NoteOn(2, 288, 64),
                 NoteOff(2, 330, 64), NoteOn(2, 480, 67),    NoteOff(2, 530, 67)};
  const std::vector<float> rendered = Render(song);
  const Reference reference = DriveEngine(
      {
          Press(22050, 60), // 0.5 s
          Let(34453),       // 0.78125 s
          Press(55125, 64), // 1 s + 96 pulses at 0.25 / 96 s: 1.25 s
          Let(59948),       // 1 s + 138 pulses: 1.359375 s, 59948.4375
          Press(99225, 67), // 1.5 s + 96 pulses at 0.75 / 96 s: 2.25 s
          Let(116452),      // 1.5 s + 146 pulses: 2.640625 s, 116451.5625
      },
      kReferenceLength);
  EXPECT_TRUE(RendersWholeSound(reference, rendered));
}

// Notes on other channels overlap channel 1's and fill its rests; channel 1
// also carries messages the synth ignores.
TEST_F(RenderProgram, FormatOneFileOnSeveralChannelsPlaysOnlyChannelOne) {
  Song song{.Format = 1, .Ppqn = 96, .Tracks = 3};
  song.Events = {
      NoteOn(1, 10, 60),
      {1, 20, {0xB0, 7, 100}},  // volume
      {1, 30, {0xE0, 0, 0x60}}, // pitch bend
      {1, 40, {0xC0, 5}},       // program change
      {1, 45, {0xD0, 90}},      // channel pressure
      {1, 50, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
      {1, 55, {0xFF, 0x01, 0x04, 'l', 'e', 'a', 'd'}},
      NoteOff(1, 100, 60),
      NoteOn(1, 202, 67),
      NoteOff(1, 260, 67),
      NoteOn(2, 5, 72, 100, 2),
      NoteOff(2, 150, 72, 2), // past channel 1's note-off: would hold its gate open
      NoteOn(2, 160, 48, 100, 2),
      NoteOff(2, 190, 48, 2), // in channel 1's rest: would sound a note
      NoteOn(2, 220, 50, 100, 2),
      NoteOn(3, 0, 36, 100, 10),
      NoteOff(3, 24, 36, 10),
      NoteOn(3, 120, 38, 100, 10),
      NoteOff(3, 140, 38, 10),
      NoteOn(3, 230, 16, 0, 16), // a velocity-0 note-on on channel 16
  };
  const std::vector<float> rendered = Render(song);
  // Pulses 10, 100, 202, 260 at 229.6875 samples each.
  const Reference reference =
      DriveEngine({Press(2297, 60), Let(22969), Press(46397, 67), Let(59719)}, kReferenceLength);
  EXPECT_TRUE(RendersWholeSound(reference, rendered));
}

// The synth counts note-offs without matching them to notes, follows the
// latest note-on without a new attack, and takes a velocity-0 note-on as a
// note-off. A note left held is released at the file's end.
TEST_F(RenderProgram, HeldNotesAreCountedAsTheSynthCountsThem) {
  Song song{.Format = 0, .EndPulses = 480};
  song.Events = {NoteOn(1, 0, 60), NoteOn(1, 48, 64), NoteOff(1, 96, 60), NoteOn(1, 144, 64, 0),
                 NoteOn(1, 192, 67)};
  const std::vector<float> rendered = Render(song);
  const Reference reference =
      DriveEngine({Press(0, 60), Glide(11025, 64), Let(33075), Press(44100, 67), Let(110250)},
                  kReferenceLength);
  EXPECT_TRUE(RendersWholeSound(reference, rendered));
}

// The parameters the window's knob table and warp editor give for the option
// values below.
void FmControls() {
  Synth.Osc1Pitch = 500, Synth.Osc2Pitch = 2400, Synth.MixAmount = 80, Synth.Attack = 900;
  Synth.Decay = 350, Synth.Sustain = 30, Synth.Release = 450, Synth.MixMode = 2, Synth.Sync = 1;
  Synth.Osc1WarpOut3 = 250, Synth.Osc1WarpIn3 = 25, Synth.Osc2WarpOut1 = 0, Synth.Osc2WarpIn1 = 100;
}
void AmControls() {
  Synth.Osc1Pitch = 1, Synth.Osc2Pitch = 1201, Synth.MixMode = 3, Synth.MixAmount = 100;
  Synth.Attack = 20, Synth.Decay = 5000, Synth.Sustain = 0, Synth.Release = 5000;
  Synth.Osc2WarpOut4 = 500, Synth.Osc2WarpIn4 = 0, Synth.Osc1WarpOut2 = 0, Synth.Osc1WarpIn2 = 0;
}

TEST_F(RenderProgram, OptionsSetWhatTheWindowsControlsSet) {
  Song song{.Format = 0};
  song.Events = {NoteOn(1, 0, 57), NoteOff(1, 41, 57), NoteOn(1, 48, 62), NoteOff(1, 202, 62)};
  const std::vector<Step> notes = {Press(0, 57), Let(9417), Press(11025, 62), Let(46397)};

  const std::vector<float> fm =
      Render(song, {"--osc1-pitch=-700", "--osc2-pitch", "1200", "--mix", "80", "--attack=45",
                    "--decay", "7", "--sustain=30", "--release", "9", "--mode", "fm", "--sync",
                    "--osc1-point3=100,50", "--osc2-point1", "0,200"});
  EXPECT_TRUE(RendersWholeSound(DriveEngine(notes, kReferenceLength, FmControls), fm));
  // The ends of the knobs' ranges.
  const std::vector<float> am =
      Render(song, {"--osc1-pitch", "-1199", "--osc2-pitch=1", "--mode=am", "--mix=100",
                    "--attack=1", "--decay=100", "--sustain=0", "--release=100",
                    "--osc2-point4=200,0", "--osc1-point2=0,0"});
  EXPECT_TRUE(RendersWholeSound(DriveEngine(notes, kReferenceLength, AmControls), am));
}

TEST_F(RenderProgram, BadCommandLinesAreRefusedBeforeAnythingIsWritten) {
  Song song{.Format = 0};
  song.Events = {NoteOn(1, 0, 60), NoteOff(1, 96, 60)};
  WriteSong(in, song);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--osc1-pitch=-1200"}, "--osc1-pitch"},
      {{"--osc2-pitch", "1201"}, "--osc2-pitch"},
      {{"--attack=0"}, "--attack"},
      {{"--sustain=101"}, "--sustain"},
      {{"--decay=12.5"}, "--decay"},
      {{"--mode=saw"}, "--mode"},
      {{"--osc1-point2=201,0"}, "--osc1-point2"},
      {{"--osc2-point4=5"}, "--osc2-point4"},
      {{"--osc3-point1=1,1"}, "--osc3-point1"},
      {{"--tail=-1"}, "--tail"},
      {{"--tail=nan"}, "--tail"},
      {{"--sync=1"}, "--sync"},
      {{"--frobnicate"}, "--frobnicate"},
      {{"-x"}, "-x"},
  };
  for (const auto& [options, named] : cases) {
    std::vector<std::string> args = options;
    args.push_back(in);
    args.push_back(out);
    const RunResult run = RunRender(args);
    EXPECT_EQ(run.ExitCode, 2) << options[0];
    EXPECT_EQ(run.Stderr.rfind("velmora-render: ", 0), 0u) << run.Stderr;
    EXPECT_NE(run.Stderr.find(named), std::string::npos) << options[0] << ": " << run.Stderr;
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"in.mid"}) << options[0];
  }
  // A missing value, and the wrong number of files.
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {in, out, "--attack"}, {in}, {}, {in, out, dir.Path("more.wav")}}) {
    const RunResult run = RunRender(args);
    EXPECT_EQ(run.ExitCode, 2) << run.Stderr;
    EXPECT_NE(run.Stderr.find("--help"), std::string::npos) << run.Stderr;
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"in.mid"});
  }
}

// A Standard MIDI File header, format 0, one track, 96 pulses a beat, and
// that track: note-on, note-off, end of track.
const std::vector<uint8_t> kHeader = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
const std::vector<uint8_t> kTrack = {'M', 'T', 'r',  'k',  0,  0, 0,    12,   0x00, 0x90,
                                     60,  100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t length) {
  bytes.resize(length);
  return bytes;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(RenderProgram, BadInputsAreRefusedAndLeaveNoFileBehind) {
  const std::vector<uint8_t> whole = Join(kHeader, kTrack);
  const std::vector<uint8_t> format2 = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 2, 0, 1, 0, 96};
  struct Case {
    const char* What;
    std::vector<uint8_t> Bytes;
    const char* Says;
  };
  const std::vector<Case> cases = {
      {"cut after the note-off", Cut(whole, whole.size() - 4), "truncated"},
      {"cut inside the note-on", Cut(whole, kHeader.size() + 8 + 3), "truncated"},
      {"cut inside the header", Cut(whole, 10), "truncated"},
      {"header alone", kHeader, "not a readable Standard MIDI File"},
      {"text",
       {'h', 'e', 'l', 'l', 'o', ' ', 'm', 'i', 'd', 'i', '\n'},
       "not a readable Standard MIDI File"},
      {"empty", {}, "empty"},
      {"format 2", Join(format2, kTrack), "format"},
  };
  for (const Case& c : cases) {
    WriteBytes(in, c.Bytes);
    const RunResult run = RunRender({in, out});
    EXPECT_EQ(run.ExitCode, 1) << c.What << ": " << run.Stderr;
    EXPECT_EQ(run.Stderr.rfind("velmora-render: " + in + ": ", 0), 0u)
        << c.What << ": " << run.Stderr;
    EXPECT_NE(run.Stderr.find(c.Says), std::string::npos) << c.What << ": " << run.Stderr;
    EXPECT_EQ(std::count(run.Stderr.begin(), run.Stderr.end(), '\n'), 1)
        << c.What << ": " << run.Stderr;
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"in.mid"}) << c.What;
  }

  // The whole file plays, so the cases above failed for their damage alone.
  WriteBytes(in, whole);
  ASSERT_EQ(RunRender({in, out}).ExitCode, 0);

  // A failed render leaves an existing output as it was.
  const std::vector<uint8_t> before = ReadBytes(out);
  WriteBytes(in, Cut(whole, whole.size() - 4));
  EXPECT_EQ(RunRender({in, out}).ExitCode, 1);
  EXPECT_EQ(ReadBytes(out), before);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"in.mid", "out.wav"}));

  const RunResult missing = RunRender({dir.Path("none.mid"), out});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_NE(missing.Stderr.find("No such file"), std::string::npos) << missing.Stderr;

  ASSERT_EQ(mkdir(dir.Path("folder").c_str(), 0755), 0);
  const RunResult folder = RunRender({dir.Path("folder"), dir.Path("x.wav")});
  EXPECT_EQ(folder.ExitCode, 1);
  EXPECT_NE(folder.Stderr.find("is a directory"), std::string::npos) << folder.Stderr;
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"folder", "in.mid", "out.wav"}));
}

TEST_F(RenderProgram, UnwritableOutputIsRefusedAndLeavesNoFileBehind) {
  Song song{.Format = 0};
  song.Events = {NoteOn(1, 0, 60), NoteOff(1, 96, 60)};
  WriteSong(in, song);
  ASSERT_EQ(mkdir(dir.Path("folder").c_str(), 0755), 0);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir.Path("no/such/dir/out.wav"), "No such file or directory"},
      {dir.Path("folder"), "is a directory"},
      {dir.Path("folder/"), "directory"},
      {"/dev/null", "not a regular file"},
  };
  for (const auto& [path, says] : cases) {
    const RunResult run = RunRender({in, path});
    EXPECT_EQ(run.ExitCode, 1) << path << ": " << run.Stderr;
    EXPECT_EQ(run.Stderr.rfind("velmora-render: " + path + ": ", 0), 0u) << run.Stderr;
    EXPECT_NE(run.Stderr.find(says), std::string::npos) << path << ": " << run.Stderr;
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"folder", "in.mid"})) << path;
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path("folder"))) << path;
  }
}

TEST_F(RenderProgram, InterruptedRenderLeavesNoFileBehind) {
  Song song{.Format = 0};
  song.Events = {NoteOn(1, 0, 60), NoteOff(1, 96, 60)};
  WriteSong(in, song);
  // An hour of tail takes seconds to write; the render is stopped long before.
  const std::string command = std::string("timeout -s TERM 0.3 ") + VELMORA_RENDER_PROGRAM +
                              " --tail=3600 '" + in + "' '" + out + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 124) << "the render was not stopped by the timeout";
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"in.mid"});
}

// Six seconds of audio: long enough for the indicator.
TEST_F(RenderProgram, ProgressShowsOnATerminalOnly) {
  Song song{.Format = 0};
  song.Events = {NoteOn(1, 0, 60), NoteOff(1, 96 * 12, 60)};
  WriteSong(in, song);
  const RunResult piped = RunRender({in, out});
  EXPECT_EQ(piped.ExitCode, 0);
  EXPECT_EQ(piped.Stderr, "");

  const RunResult terminal = RunRender({in, out}, true);
  EXPECT_EQ(terminal.ExitCode, 0);
  // One line, rewritten as the render goes, ending at 100%.
  EXPECT_GE(std::count(terminal.Stderr.begin(), terminal.Stderr.end(), '\r'), 20)
      << terminal.Stderr;
  EXPECT_NE(terminal.Stderr.find("100%"), std::string::npos) << terminal.Stderr;
  EXPECT_EQ(terminal.Stderr.find("100%"), terminal.Stderr.rfind('%') - 3) << terminal.Stderr;

  song.Events = {NoteOn(1, 0, 60), NoteOff(1, 96, 60)};
  WriteSong(in, song);
  const RunResult shortRender = RunRender({in, out}, true);
  EXPECT_EQ(shortRender.ExitCode, 0);
  EXPECT_EQ(shortRender.Stderr, "");
}

} // namespace
} // namespace velmora::render_test
