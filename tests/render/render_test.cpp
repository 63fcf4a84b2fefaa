// velmora-render as a user runs it: MIDI files written byte by byte, the
// program run as a child process, its WAV files compared sample for sample
// with the engine driven directly and with each other.
#include "engine/engine.h"
#include "midi/handler.h"
#include "support/test_support.h"

#include <sndfile.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}
Bytes Chunk(const char* type, const Bytes& data) {
  const auto n = static_cast<uint32_t>(data.size());
  return Cat({Bytes(type, type + 4),
              {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)},
              data});
}
Bytes Header(uint8_t format, uint8_t tracks, uint16_t division = 96) {
  return Chunk("MThd", {0, format, 0, tracks, uint8_t(division >> 8), uint8_t(division)});
}
// An event: delta time in pulses as a variable-length number, then the bytes.
Bytes Ev(uint32_t delta, const Bytes& bytes) {
  Bytes vlq = {static_cast<uint8_t>(delta & 0x7F)};
  while ((delta >>= 7) != 0)
    vlq.insert(vlq.begin(), static_cast<uint8_t>(0x80 | (delta & 0x7F)));
  return Cat({vlq, bytes});
}
Bytes On(uint32_t delta, uint8_t note) { return Ev(delta, {0x90, note, 100}); }
Bytes Off(uint32_t delta, uint8_t note) { return Ev(delta, {0x80, note, 0}); }
Bytes Tempo(uint32_t us) {
  return {0xFF, 0x51, 3, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)};
}
// A track chunk: the events, and its end that many pulses after the last.
Bytes Track(std::initializer_list<Bytes> events, uint32_t end = 0) {
  return Chunk("MTrk", Cat({Cat(events), Ev(end, {0xFF, 0x2F, 0})}));
}
// Runs velmora-render in the working directory with these arguments and
// returns its exit code (128 + N when ended by signal N) and standard error.
// Root's power to override permissions is dropped, so that they count.
std::pair<int, std::string> RunRender(const std::string& args) {
  const std::string command =
      "ulimit -c 0; [ $(id -u) != 0 ] || set -- setpriv "
      "--bounding-set=-dac_override,-dac_read_search; exec \"$@\" " VELMORA_RENDER_PROGRAM " " +
      args + " 2>&1 >/dev/null";
  FILE* shell = popen(command.c_str(), "r");
  char line[4096];
  std::string err;
  while (fgets(line, sizeof line, shell) != nullptr)
    err += line;
  const int status = pclose(shell);
  return {WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status), err};
}

// The samples of a WAV file, which has no PEAK chunk: its time stamp would
// make two renders of the same input differ.
std::vector<float> ReadWav(const char* path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path, SFM_READ, &info);
  if (file == nullptr)
    return {};
  EXPECT_TRUE(info.samplerate == 44100 && info.channels == 1 &&
              info.format == (SF_FORMAT_WAV | SF_FORMAT_FLOAT));
  double peak = 0;
  EXPECT_FALSE(sf_command(file, SFC_GET_SIGNAL_MAX, &peak, sizeof peak));
  std::vector<float> samples(size_t(info.frames));
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  return samples;
}
void Write(const char* path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}
long Files() { return std::distance(fs::directory_iterator("."), {}); }

// Each test in a directory of its own, its working directory.
class RenderTest : public ::testing::Test {
protected:
  RenderTest() { fs::current_path(dir); }
  ~RenderTest() override {
    fs::current_path(home);
    fs::remove_all(dir);
  }
  const fs::path home = fs::current_path();
  const std::string dir = [] {
    std::string d = fs::temp_directory_path() / "velmora-render-test.XXXXXX";
    EXPECT_NE(mkdtemp(d.data()), nullptr);
    return d;
  }();
};

// Format 1: the tempo map in track 1 (120 beats a minute, 240 from beat 2,
// 80 from beat 4), channel 1's notes in track 2 with running status (also
// across a text meta event and system-exclusive data), legato and a
// velocity-0 note-on, other channels in track 3 and a note on channel 1
// exactly half-way between two samples; two notes left held.
// The options set what the window's controls would, with the values below.
TEST_F(RenderTest, PlaysAsTheEngineDrivenDirectly) {
  Write("in.mid",
        Cat({Header(1, 3),
             Track({Ev(0, Tempo(500000)), Ev(192, Tempo(250000)), Ev(192, Tempo(750000))}),
             Track({On(96, 60), Ev(0, {0xFF, 0x01, 2, 'h', 'i'}), Ev(0, {0xF0, 1, 0xF7}),
                    Ev(54, {60, 0}), Ev(138, {64, 90}), Ev(20, {67, 90}), Off(22, 64),
                    Ev(150, {0x90, 72, 80})},
                   96),
             Track({Ev(100, {0x91, 50, 100}), Ev(36, {0x90, 62, 70}), Ev(14, {0xC0, 5})}, 250)}));
  // Pulses to samples: 96 -> 0.5 s, 136 -> 31237.5 samples, to the even one, 150 -> 0.78125 s,
  // 288 -> 1.25 s, 308 -> 1.3020833 s, 330 -> 1.359375 s, 480 -> 2.25 s; the file ends at
  // 576 -> 3 s with two notes held.
  const std::pair<size_t, uint32_t> messages[] = {
      {22050, 0x643C90}, {31238, 0x463E90}, {34453, 0x3C90},  {55125, 0x5A4090},
      {57422, 0x5A4390}, {59948, 0x4080},   {99225, 0x504890}};
  const auto [code, err] = RunRender(
      "--osc1-pitch=-700 --osc2-pitch 1200 --mix=80 --attack=45 --decay=7 --sustain=30 --release 9 "
      "--mode=fm --sync --osc1-point3=100,50 --osc2-point1=0,200 in.mid out.wav");
  ASSERT_EQ(code, 0) << err;
  EXPECT_EQ(err, "");

  auto s = test::NewVoice();
  s->Osc1Pitch = 500;
  s->Osc2Pitch = 2400;
  s->MixAmount = 80;
  s->Attack = 900;
  s->Decay = 350;
  s->Sustain = 30;
  s->Release = 450;
  s->MixMode = 2;
  s->Sync = 1;
  s->Gate = 0;
  s->Osc1WarpOut3 = 250;
  s->Osc1WarpIn3 = 25;
  s->Osc2WarpOut1 = 0;
  s->Osc2WarpIn1 = 100;
  // Sample by sample to the file's end, which lets go of the held notes, then
  // to the end of the release.
  std::vector<float> expected;
  auto m = std::begin(messages);
  while (expected.size() < 10 * 44100 && (expected.size() <= 132300 || s->EnvelopeLevel > 0)) {
    for (; m != std::end(messages) && m->first == expected.size(); ++m)
      HandleMidiData(*s, m->second);
    while (expected.size() == 132300 && s->HeldNotes > 0)
      HandleMidiData(*s, 0x80);
    RenderBlock(*s, &expected.emplace_back(), 1);
  }
  expected.pop_back();
  EXPECT_TRUE(test::SameSamples(expected, ReadWav("out.wav")));

  // A preset by the name hosts list, in any letter case, or by its dashed
  // name: the same sound.
  ASSERT_EQ(RunRender("--preset=fm-bass in.mid dashed.wav").first, 0);
  const std::vector<float> dashed = ReadWav("dashed.wav");
  for (const char* name : {"'FM Bass'", "'fm bass'", "'FM BASS'", "'fM bASS'", "FM-Bass"}) {
    SCOPED_TRACE(name);
    const auto [named, says] = RunRender(std::string("--preset ") + name + " in.mid out.wav");
    ASSERT_EQ(named, 0) << says;
    EXPECT_TRUE(test::SameSamples(dashed, ReadWav("out.wav")));
  }
}

// The plain file: two notes, half a second each.
const Bytes kPlain = Cat({Header(0, 1), Track({On(0, 60), Off(96, 60), On(0, 64), Off(96, 64)})});

// Refused before anything is written (exit code 2 for the command line and
// for OUT the same file as IN, 1 for an OUT that cannot be written and for a
// MIDI file that is refused): every file stays as it was.
TEST_F(RenderTest, BadCommandLinesAndOutputsLeaveEveryFileAsItWas) {
  Write("in.mid", kPlain);
  Write("out.wav", {'o', 'l', 'd'});
  Write("readonly.wav", {});
  chmod("readonly.wav", 0444);
  fs::create_directory("folder");
  // 2^28 - 1 quarter notes of 16.8 s: the file's own length, not where the render stops
  Write("long.mid", Cat({Header(0, 1, 1), Track({Ev(0, Tempo(0xFFFFFF)), On(0x0FFFFFFF, 60)})}));
  std::vector<std::tuple<std::string, int, std::string>> cases = {
      {"in.mid out.wav --attack", 2, "needs a value"},
      {"in.mid", 2, "missing OUT.wav"},
      {"in.mid out.wav more.wav", 2, "unexpected argument"},
      {"in.mid in.mid", 2, "same file"},
      {"--tail=0.5 long.mid out.wav", 1,
       "the render could last 4503599343 s, more than a WAV file holds (24348 s)"},
      {"out.wav new.wav", 1, "not a Standard MIDI File"},
      {"in.mid -", 2, "OUT.wav '-': a WAV file cannot be written to standard output"},
      {"--preset=fmbass in.mid out.wav", 2,
       "--preset: 'fmbass' is not a preset; use \"Warp Sweep\", \"Pluck\", \"Soft Pad\", "
       "\"FM Bell\", \"FM Bass\", \"Ring Mod\", \"AM Growl\", \"Sync Lead\", in any letter case"},
      {"'--preset=FM  Bass' in.mid out.wav", 2, "'FM  Bass' is not a preset"},
      {"in.mid no/such/out.wav", 1, "No such file or directory"},
      {"in.mid folder", 1, "is a directory"},
      {"in.mid /dev/null", 1, "not a regular file"},
      {"in.mid readonly.wav", 1, "Permission denied"},
      {"--release 101 in.mid out.wav", 2, "--release"},
  };
  for (std::string bad :
       {"--osc1-pitch=-1200", "--osc2-pitch=1201", "--attack=0", "--sustain=101", "--decay=12.5",
        "--mode=saw", "--osc1-point2=201,0", "--osc2-point4=5", "--osc3-point1=1,1", "--tail=-1",
        "--tail=nan", "--sync=1", "--frobnicate", "-x"})
    cases.push_back({bad + " in.mid out.wav", 2, bad.substr(0, bad.find('='))});
  for (const auto& [args, status, says] : cases) {
    SCOPED_TRACE(args);
    const auto [code, err] = RunRender(args);
    EXPECT_EQ(code, status) << err;
    EXPECT_NE(err.find(says), std::string::npos) << err;
    EXPECT_EQ(Files(), 5);
    EXPECT_EQ(fs::file_size("in.mid") + fs::file_size("out.wav"), kPlain.size() + 3);
  }
}

} // namespace
} // namespace velmora
