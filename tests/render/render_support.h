// Helpers for the velmora-render tests: MIDI files written with libsmf, the
// program run as a child process, WAV files read back with libsndfile, and the
// engine driven directly as the reference.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace velmora::render_test {

// One event of a test song at a time in pulses. Bytes are the whole message,
// status first; meta events start with 0xFF.
struct SongEvent {
  int Track; // from 1
  int Pulses;
  std::vector<uint8_t> Bytes;
};

struct Song {
  int Format = 1;
  int Ppqn = 96;
  int Tracks = 1;
  std::vector<SongEvent> Events{};
  // End-of-track of the last track, in pulses; 0 puts it at its last event.
  int EndPulses = 0;
};

// MIDI channels are counted from 1, as players name them.
SongEvent NoteOn(int track, int pulses, int note, int velocity = 100, int channel = 1);
SongEvent NoteOff(int track, int pulses, int note, int channel = 1);
SongEvent Tempo(int track, int pulses, int microsecondsPerQuarter);

void WriteSong(const std::string& path, const Song& song);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

struct RunResult {
  int ExitCode = -1; // -1 when the program did not exit normally
  std::string Stderr;
};

// Runs velmora-render with these arguments; standard error is a pipe, or a
// terminal when onTerminal is set.
RunResult RunRender(const std::vector<std::string>& args, bool onTerminal = false);

// Samples of a 44100 Hz mono float WAV file; fails the test for any other kind.
std::vector<float> ReadWav(const std::string& path);

// A fresh directory, removed with its contents at the end of the test.
class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::vector<std::string> Names() const; // sorted, hidden files included
private:
  std::string dir_;
};

// The reference: the engine from its start-up state, with the MIDI thread's
// note-state edits made directly at given samples. A step runs before the
// sample it names is rendered.
struct Step {
  int64_t Sample;
  std::function<void()> Apply;
};
struct Reference {
  std::vector<float> Samples;
  std::vector<double> Levels; // EnvelopeLevel of each sample
};
Reference DriveEngine(const std::vector<Step>& steps, int64_t length,
                      const std::function<void()>& setControls = {});

// The render holds the reference's samples and ends with the last sample
// that the envelope leaves above zero.
::testing::AssertionResult RendersWholeSound(const Reference& reference,
                                             const std::vector<float>& rendered);

} // namespace velmora::render_test
