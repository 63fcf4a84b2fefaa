// velmora-render as a user runs it: MIDI files written byte by byte, the
// program run as a child process, its WAV files compared sample for sample
// with the engine driven directly and with each other.
#include "core/controls.h"
#include "engine/engine.h"
#include "midi/handler.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>

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
Bytes Be(uint32_t value, int bytes) {
  Bytes out;
  for (int i = bytes - 1; i >= 0; --i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return out;
}
Bytes Chunk(const char* type, const Bytes& data) {
  return Cat({Bytes(type, type + 4), Be(static_cast<uint32_t>(data.size()), 4), data});
}
Bytes Header(int format, int tracks, int division = 96) {
  return Chunk("MThd", Cat({Be(format, 2), Be(tracks, 2), Be(division, 2)}));
}
// An event: delta time in pulses as a variable-length number, then the bytes.
Bytes Ev(uint32_t delta, const Bytes& bytes) {
  Bytes vlq = {static_cast<uint8_t>(delta & 0x7F)};
  while ((delta >>= 7) != 0)
    vlq.insert(vlq.begin(), static_cast<uint8_t>(0x80 | (delta & 0x7F)));
  return Cat({vlq, bytes});
}
Bytes Track(std::initializer_list<Bytes> events) { return Chunk("MTrk", Cat(events)); }
Bytes Tempo(uint32_t us) { return Cat({{0xFF, 0x51, 3}, Be(us, 3)}); }
const Bytes kEnd = {0xFF, 0x2F, 0};

struct Outcome {
  int Exit = -1;   // -1 when ended by a signal
  int Signal = 0;  // the signal that ended it
  std::string Err; // standard error
};

// Runs velmora-render; with kill, sends that signal once its first line of
// standard error has come; fileLimit is RLIMIT_FSIZE in bytes. With
// permissions, root's power to override them is dropped, so that they count.
Outcome RunRender(const std::vector<std::string>& args, int kill = 0, rlim_t fileLimit = 0,
                  bool permissions = false) {
  std::vector<const char*> argv = {VELMORA_RENDER_PROGRAM};
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  argv.push_back(nullptr);
  int pipeEnds[2];
  EXPECT_EQ(pipe(pipeEnds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    const rlimit noCore{0, 0}, files{fileLimit, fileLimit};
    setrlimit(RLIMIT_CORE, &noCore);
    if (fileLimit != 0)
      setrlimit(RLIMIT_FSIZE, &files);
    if (permissions && geteuid() == 0 &&
        (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE) != 0 ||
         prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH) != 0))
      _exit(126);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0), dup2(null, 1), dup2(pipeEnds[1], 2);
    execv(argv[0], const_cast<char* const*>(argv.data()));
    _exit(127);
  }
  close(pipeEnds[1]);
  Outcome run;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
    run.Err.append(buffer, static_cast<size_t>(n));
    if (kill != 0 && run.Err.find('\n') != std::string::npos)
      ::kill(pid, std::exchange(kill, 0));
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return run;
}

std::vector<float> ReadWav(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr)
    return {};
  EXPECT_TRUE(info.samplerate == 44100 && info.channels == 1 &&
              info.format == (SF_FORMAT_WAV | SF_FORMAT_FLOAT));
  std::vector<float> samples(static_cast<size_t>(info.frames));
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  return samples;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

class RenderTest : public ::testing::Test {
protected:
  ~RenderTest() override { fs::remove_all(dir); }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  void Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
      names.insert(entry.path().filename());
    return names;
  }
  static std::string MakeDir() {
    std::string pattern = (fs::temp_directory_path() / "velmora-render-test.XXXXXX").string();
    return mkdtemp(pattern.data()) != nullptr ? pattern : "/nonexistent";
  }
  const std::string dir = MakeDir();
  const std::string in = Path("in.mid"), out = Path("out.wav");
};

// Format 1: the tempo map in track 1 (120 beats a minute, 240 from beat 2,
// 80 from beat 4), channel 1's notes in track 2 with running status, legato
// and a velocity-0 note-on, other channels in track 3; a note left held.
// The options set what the window's controls would, with the values below.
TEST_F(RenderTest, PlaysAsTheEngineDrivenDirectly) {
  Write("in.mid",
        Cat({Header(1, 3),
             Track({Ev(0, Tempo(500000)), Ev(192, Tempo(250000)), Ev(192, Tempo(750000)),
                    Ev(0, kEnd)}),
             Track({Ev(96, {0x90, 60, 100}), Ev(54, {60, 0}), Ev(138, {64, 90}), Ev(20, {67, 90}),
                    Ev(22, {0x80, 64, 0}), Ev(150, {0x90, 72, 80}), Ev(96, kEnd)}),
             Track({Ev(100, {0x91, 50, 100}), Ev(50, {0xC0, 5}), Ev(250, kEnd)})}));
  // Pulses to samples: 96 -> 0.5 s, 150 -> 0.78125 s, 288 -> 1.25 s, 308 -> 1.3020833 s,
  // 330 -> 1.359375 s, 480 -> 2.25 s, 576 -> 3 s.
  const std::vector<std::pair<int64_t, uint32_t>> messages = {{22050, 0x643C90}, {34453, 0x3C90},
                                                              {55125, 0x5A4090}, {57422, 0x5A4390},
                                                              {59948, 0x4080},   {99225, 0x504890}};
  const int64_t end = 132300; // pulse 576: two notes still held
  Write("out.wav", {});
  chmod(out.c_str(), 0600);
  const Outcome run =
      RunRender({"--osc1-pitch=-700", "--osc2-pitch", "1200", "--mix=80", "--attack=45",
                 "--decay=7", "--sustain=30", "--release", "9", "--mode=fm", "--sync",
                 "--osc1-point3=100,50", "--osc2-point1=0,200", in, out});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Err, "");
  struct stat info {};
  EXPECT_EQ(stat(out.c_str(), &info) == 0 ? info.st_mode & 07777 : 0, 0600u);

  auto s = std::make_unique<EngineState>();
  InitEngineDefaults(*s);
  s->Osc1Pitch = 500, s->Osc2Pitch = 2400, s->MixAmount = 80, s->Attack = 900, s->Decay = 350;
  s->Sustain = 30, s->Release = 450, s->MixMode = 2, s->Sync = 1, s->Gate = 0;
  s->Osc1WarpOut3 = 250, s->Osc1WarpIn3 = 25, s->Osc2WarpOut1 = 0, s->Osc2WarpIn1 = 100;
  std::vector<float> expected(10 * 44100);
  int64_t lastSounding = -1;
  for (size_t i = 0, next = 0; i < expected.size(); ++i) {
    for (; next < messages.size() && messages[next].first == static_cast<int64_t>(i); ++next)
      HandleMidiData(*s, messages[next].second);
    while (static_cast<int64_t>(i) == end && s->HeldNotes > 0) // the file's end lets go
      HandleMidiData(*s, 0x80);
    RenderBlock(*s, &expected[i], 1);
    lastSounding = s->EnvelopeLevel > 0 ? static_cast<int64_t>(i) : lastSounding;
  }
  ASSERT_LT(lastSounding + 1, static_cast<int64_t>(expected.size()));
  expected.resize(static_cast<size_t>(lastSounding + 1));
  EXPECT_TRUE(SameBits(ReadWav(out), expected));
}

// The plain file: two notes, half a second each, format 0.
const Bytes kNotes = Cat(
    {Ev(0, {0x90, 60, 100}), Ev(96, {0x80, 60, 0}), Ev(0, {0x90, 64, 100}), Ev(96, {0x80, 64, 0})});
const Bytes kPlain = Cat({Header(0, 1), Chunk("MTrk", Cat({kNotes, Ev(0, kEnd)}))});

// Every render here lasts to the file's end (1 s) and half a second more.
TEST_F(RenderTest, UnusualFilesPlayAsThePlainOneAndDamagedOnesAreRefused) {
  Write("in.mid", kPlain);
  ASSERT_EQ(RunRender({"--tail=0.5", in, out}).Exit, 0);
  const std::vector<float> plain = ReadWav(out);
  ASSERT_EQ(plain.size(), 44100u + 22050);
  const Bytes head = Header(0, 1), text(300, 'a');
  const Bytes notes = Chunk("MTrk", Cat({kNotes, Ev(0, kEnd)}));
  struct Case {
    const char* What;
    Bytes File;
    const char* Refusal; // nullptr: plays as the plain file; "": silence, 1 s and the tail
  } cases[] = {
      {"chunks of unknown type before, between and after the tracks",
       Cat({Header(1, 2), Chunk("XFIH", text),
            Track({Ev(0, {0x90, 60, 100}), Ev(96, {0x80, 60, 0}), Ev(0, kEnd)}), Chunk("junk", {}),
            Track({Ev(96, {0x90, 64, 100}), Ev(96, {0x80, 64, 0}), Ev(0, kEnd)}),
            Chunk("tail", text)}),
       nullptr},
      {"running status, velocity-0 note-ons for note-offs",
       Cat({head, Track({Ev(0, {0x90, 60, 100}), Ev(96, {60, 0}), Ev(0, {64, 100}), Ev(96, {64, 0}),
                         Ev(0, kEnd)})}),
       nullptr},
      {"system-exclusive data (F0, F7), long and unknown meta events, a time signature",
       Cat({head, Chunk("MTrk", Cat({Ev(0, Cat({{0xF0}, Ev(200, Bytes(200, 0x11))})),
                                     Ev(0, {0xF7, 2, 0xF8, 0xFA}),
                                     Ev(0, Cat({{0xFF, 0x01}, Ev(300, text)})),
                                     Ev(0, {0xFF, 0x7F, 3, 0, 0, 0x41}),
                                     Ev(0, {0xFF, 0x58, 4, 3, 2, 24, 8}), kNotes, Ev(0, kEnd)}))}),
       nullptr},
      {"SMPTE time, 25 frames of 40 ticks a second",
       Cat({Header(0, 1, 0xE728),
            Track({Ev(0, {0x90, 60, 100}), Ev(500, {0x80, 60, 0}), Ev(0, {0x90, 64, 100}),
                   Ev(500, {0x80, 64, 0}), Ev(0, kEnd)})}),
       nullptr},
      {"a longer header, no end-of-track, a track more than announced",
       Cat({Chunk("MThd", {0, 0, 0, 1, 0, 96, 1, 2}), Chunk("MTrk", kNotes),
            Track({Ev(0, {0x90, 70, 100}), Ev(0, kEnd)})}),
       nullptr},
      {"events after the end-of-track",
       Cat({head, Chunk("MTrk", Cat({kNotes, Ev(0, kEnd), Ev(0, {0x90, 70, 100})}))}), nullptr},
      {"no note at all", Cat({head, Track({Ev(192, kEnd)})}), ""},
      {"empty", {}, "empty"},
      {"text", {'h', 'e', 'l', 'l', 'o', '\n'}, "not a Standard MIDI File"},
      {"the header alone", head, "truncated: the file ends after 0 of its 1 tracks"},
      {"cut inside the first note", Bytes(kPlain.begin(), kPlain.begin() + 24), "truncated"},
      {"a note across the track's end", Cat({head, Chunk("MTrk", {0, 0x90, 60})}),
       "the track ends inside a message"},
      {"format 2", Cat({Header(2, 1), notes}), "format 2"},
      {"format 0 with two tracks", Cat({Header(0, 2), notes, notes}), "announcing 2 tracks"},
      {"a tempo change of one byte", Cat({head, Track({Ev(0, {0xFF, 0x51, 1, 7}), kNotes})}),
       "tempo change of length 1"},
      {"a tempo of 0", Cat({head, Track({Ev(0, Tempo(0)), kNotes})}), "tempo of 0"},
      {"a delta time of five bytes",
       Cat({head, Chunk("MTrk", {0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100})}),
       "more than 4 bytes"},
      {"a data byte after a meta event", Cat({head, Track({Ev(0, Tempo(500000)), Ev(0, {60, 1})})}),
       "where a status byte belongs"},
      {"a status byte inside a message", Cat({head, Track({Ev(0, {0x90, 60, 0x90})})}),
       "inside a message"},
      {"a real-time message", Cat({head, Track({Ev(0, {0xF8})})}), "cannot hold"},
      {"system-exclusive data longer than the track",
       Cat({head, Chunk("MTrk", {0, 0xF0, 0x7F, 1, 2})}), "left in the track"},
      {"SMPTE time of 0 ticks a frame", Cat({Header(0, 1, 0xE700), notes}), "time division"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    fs::remove(out);
    Write("in.mid", c.File);
    const Outcome run = RunRender({"--tail=0.5", in, out});
    if (c.Refusal == nullptr || *c.Refusal == '\0') {
      EXPECT_EQ(run.Exit, 0) << run.Err;
      EXPECT_TRUE(SameBits(ReadWav(out), c.Refusal ? std::vector<float>(44100 + 22050) : plain));
    } else {
      EXPECT_EQ(run.Exit, 1);
      EXPECT_EQ(run.Err.rfind("velmora-render: " + in + ": ", 0), 0u) << run.Err;
      EXPECT_NE(run.Err.find(c.Refusal), std::string::npos) << run.Err;
      EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
      EXPECT_EQ(Names(), std::set<std::string>{"in.mid"});
    }
  }
}

// Refused before anything is read or written: exit code 2 for the command
// line, and for OUT the same file as IN under any name; 1 for an OUT that
// cannot be written.
TEST_F(RenderTest, BadCommandLinesAndOutputsAreRefusedWithNothingWritten) {
  Write("in.mid", kPlain);
  Write("readonly.wav", {});
  chmod(Path("readonly.wav").c_str(), 0444);
  fs::create_directory(Path("folder"));
  fs::create_hard_link(in, Path("hard.mid"));
  fs::create_symlink("in.mid", Path("soft.mid"));
  const std::set<std::string> names = Names();
  struct Case {
    std::vector<std::string> Args;
    int Exit;
    std::string Says;
  };
  std::vector<Case> cases = {
      {{in, out, "--attack"}, 2, "needs a value"},
      {{in}, 2, "missing OUT.wav"},
      {{in, out, Path("more.wav")}, 2, "unexpected argument"},
      {{in, in}, 2, "same file"},
      {{in, Path("hard.mid")}, 2, "same file"},
      {{in, Path("soft.mid")}, 2, "same file"},
      {{in, Path("no/such/out.wav")}, 1, "No such file or directory"},
      {{in, Path("folder")}, 1, "is a directory"},
      {{in, "/dev/null"}, 1, "not a regular file"},
      {{in, Path("readonly.wav")}, 1, "Permission denied"},
  };
  for (std::string bad :
       {"--osc1-pitch=-1200", "--osc2-pitch=1201", "--attack=0", "--sustain=101", "--decay=12.5",
        "--mode=saw", "--osc1-point2=201,0", "--osc2-point4=5", "--osc3-point1=1,1", "--tail=-1",
        "--tail=nan", "--sync=1", "--frobnicate", "-x"})
    cases.push_back({{bad, in, out}, 2, bad.substr(0, bad.find('='))});
  cases.push_back({{"--release", "101", in, out}, 2, "--release"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args[0] + " " + c.Args.back());
    const Outcome run = RunRender(c.Args, 0, 0, true);
    EXPECT_EQ(run.Exit, c.Exit) << run.Err;
    EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
    EXPECT_EQ(Names(), names);
  }
  std::ifstream file(in, std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(file), {}), kPlain);
}

// An hour of tail takes seconds to write; the render announces its length
// and is ended long before. An existing OUT stays as it was.
TEST_F(RenderTest, NoSignalLeavesAFileBehind) {
  Write("in.mid", kPlain);
  const struct {
    int Kill;
    rlim_t FileLimit;
    int Dies;
  } cases[] = {{SIGTERM, 0, SIGTERM}, {SIGQUIT, 0, SIGQUIT}, {0, 1 << 20, SIGXFSZ}};
  for (const auto& c : cases) {
    SCOPED_TRACE(strsignal(c.Dies));
    Write("out.wav", {'o', 'l', 'd'});
    const Outcome run = RunRender({"--tail=3600", in, out}, c.Kill, c.FileLimit);
    EXPECT_EQ(run.Signal, c.Dies) << run.Err;
    EXPECT_EQ(run.Err, "velmora-render: " + out + ": rendering 1:00:01 of audio\n");
    EXPECT_EQ(Names(), (std::set<std::string>{"in.mid", "out.wav"}));
    EXPECT_EQ(fs::file_size(out), 3u);
  }
}

} // namespace
} // namespace velmora
