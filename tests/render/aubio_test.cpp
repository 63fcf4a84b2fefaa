// End to end against a pitch tracker that nobody here wrote: aubio's notes and
// pitch tools listen to a rendered melody and must hear every note at its
// pitch, within a quarter tone.
#include "render/render_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

namespace velmora::render_test {
namespace {

constexpr int kPpqn = 96;       // at the default 120 beats a minute: 1 / 192 s a pulse
constexpr int kNotePulses = 86; // about 0.45 s sounding
constexpr int kGapPulses = 48;  // 0.25 s rest, longer than the default release
constexpr double kPulseSeconds = 0.5 / kPpqn;
const std::vector<int> kMelody = {60, 64, 67, 72, 69, 65, 62, 57, 55, 76, 71, 48};

bool OnPath(const std::string& program) {
  std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  for (std::string dir; std::getline(path, dir, ':');) {
    if (access((dir + "/" + program).c_str(), X_OK) == 0)
      return true;
  }
  return false;
}

// Lines of numbers that a tool prints on standard output.
std::vector<std::vector<double>> Columns(const std::string& command) {
  std::vector<std::vector<double>> rows;
  FILE* out = popen(command.c_str(), "r");
  EXPECT_NE(out, nullptr) << command;
  if (out == nullptr)
    return rows;
  char line[256];
  while (std::fgets(line, sizeof line, out) != nullptr) {
    std::istringstream fields(line);
    std::vector<double> row;
    for (double v; fields >> v;)
      row.push_back(v);
    rows.push_back(row);
  }
  EXPECT_EQ(pclose(out), 0) << command;
  return rows;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

class HeardByAubio : public ::testing::TestWithParam<std::pair<std::vector<std::string>, int>> {};

TEST_P(HeardByAubio, EveryNoteIsHeardAtItsPitch) {
  for (const char* tool : {"aubionotes", "aubiopitch"})
    ASSERT_TRUE(OnPath(tool)) << tool
                              << " is missing; scripts/install-deps.sh --test installs "
                                 "aubio-tools";
  const auto& [options, transpose] = GetParam();
  ScratchDir dir;
  Song song{.Format = 0, .Ppqn = kPpqn};
  std::vector<double> starts;
  int pulses = 0;
  for (int note : kMelody) {
    song.Events.push_back(NoteOn(1, pulses, note));
    song.Events.push_back(NoteOff(1, pulses + kNotePulses, note));
    starts.push_back(pulses * kPulseSeconds);
    pulses += kNotePulses + kGapPulses;
  }
  WriteSong(dir.Path("melody.mid"), song);
  std::vector<std::string> args = options;
  args.push_back(dir.Path("melody.mid"));
  args.push_back(dir.Path("melody.wav"));
  const RunResult run = RunRender(args);
  ASSERT_EQ(run.ExitCode, 0) << run.Stderr;

  // aubionotes: one row "pitch onset offset" per note it finds, in MIDI note
  // numbers and seconds.
  std::vector<std::vector<double>> found;
  for (auto& row : Columns("aubionotes -i '" + dir.Path("melody.wav") + "' 2>/dev/null")) {
    if (row.size() == 3)
      found.push_back(row);
  }
  ASSERT_EQ(found.size(), kMelody.size());
  for (size_t i = 0; i < kMelody.size(); ++i) {
    const int expected = kMelody[i] + transpose;
    EXPECT_LT(std::abs(found[i][0] - expected), 0.5) << "note " << i << " heard as " << found[i][0];
    // The sound starts 1001 samples after its note-on; the tracker needs a
    // few analysis frames more.
    EXPECT_GE(found[i][1], starts[i]) << "note " << i;
    EXPECT_LT(found[i][1], starts[i] + 0.12) << "note " << i;
  }

  // aubiopitch: "time pitch" every 256 samples; the steady part of each note,
  // clear of its start and its release, gives its pitch without rounding.
  const auto frames = Columns("aubiopitch -u midi -i '" + dir.Path("melody.wav") + "' 2>/dev/null");
  for (size_t i = 0; i < kMelody.size(); ++i) {
    std::vector<double> pitches;
    for (const auto& row : frames) {
      if (row.size() == 2 && row[0] > starts[i] + 0.1 &&
          row[0] < starts[i] + kNotePulses * kPulseSeconds - 0.05 && row[1] > 0)
        pitches.push_back(row[1]);
    }
    ASSERT_GE(pitches.size(), 20u) << "note " << i;
    const double heard = Median(pitches);
    EXPECT_LT(std::abs(heard - (kMelody[i] + transpose)), 0.5)
        << "note " << i << " (" << kMelody[i] + transpose << ") heard as " << heard;
  }
}

// Both oscillators moved a fifth up move the whole melody a fifth up.
INSTANTIATE_TEST_SUITE_P(
    Melody, HeardByAubio,
    ::testing::Values(
        std::make_pair(std::vector<std::string>{}, 0),
        std::make_pair(std::vector<std::string>{"--osc1-pitch=700", "--osc2-pitch=700"}, 7)),
    [](const auto& info) {
      return info.param.second == 0 ? std::string("StartUpSound")
                                    : std::string("OscillatorsAFifthUp");
    });

} // namespace
} // namespace velmora::render_test
