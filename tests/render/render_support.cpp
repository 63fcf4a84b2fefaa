#include "render/render_support.h"

#include "core/state.h"
#include "engine/engine.h"
#include "support/test_support.h"

// glib first: smf.h includes it inside extern "C", where its C++ parts fail.
#include <glib.h>
#include <smf.h>
#include <sndfile.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace velmora::render_test {

SongEvent NoteOn(int track, int pulses, int note, int velocity, int channel) {
  return {track,
          pulses,
          {static_cast<uint8_t>(0x90 | (channel - 1)), static_cast<uint8_t>(note),
           static_cast<uint8_t>(velocity)}};
}

SongEvent NoteOff(int track, int pulses, int note, int channel) {
  return {
      track, pulses, {static_cast<uint8_t>(0x80 | (channel - 1)), static_cast<uint8_t>(note), 64}};
}

SongEvent Tempo(int track, int pulses, int microsecondsPerQuarter) {
  const auto us = static_cast<uint32_t>(microsecondsPerQuarter);
  return {track,
          pulses,
          {0xFF, 0x51, 0x03, static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8),
           static_cast<uint8_t>(us)}};
}

void WriteSong(const std::string& path, const Song& song) {
  smf_t* smf = smf_new();
  ASSERT_NE(smf, nullptr);
  ASSERT_EQ(smf_set_ppqn(smf, song.Ppqn), 0);
  std::vector<smf_track_t*> tracks;
  for (int t = 0; t < song.Tracks; ++t) {
    tracks.push_back(smf_track_new());
    smf_add_track(smf, tracks.back());
  }
  std::vector<SongEvent> events = song.Events;
  std::stable_sort(events.begin(), events.end(),
                   [](const SongEvent& a, const SongEvent& b) { return a.Pulses < b.Pulses; });
  for (SongEvent& e : events) {
    smf_event_t* event =
        smf_event_new_from_pointer(e.Bytes.data(), static_cast<int>(e.Bytes.size()));
    ASSERT_NE(event, nullptr);
    smf_track_add_event_pulses(tracks.at(static_cast<size_t>(e.Track - 1)), event, e.Pulses);
  }
  if (song.EndPulses > 0) {
    ASSERT_EQ(smf_track_add_eot_pulses(tracks.back(), song.EndPulses), 0);
  }
  ASSERT_EQ(smf_set_format(smf, song.Format), 0);
  ASSERT_EQ(smf_save(smf, path.c_str()), 0) << path;
  smf_delete(smf);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) // a terminal's master reads EIO once the child has gone
      break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

} // namespace

RunResult RunRender(const std::vector<std::string>& args, bool onTerminal) {
  std::vector<std::string> all = {VELMORA_RENDER_PROGRAM};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv = Argv(all);
  RunResult run;
  int ends[2]; // read, write
  if (onTerminal ? openpty(&ends[0], &ends[1], nullptr, nullptr, nullptr) != 0 : pipe(ends) != 0)
    return run;
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(ends[1], STDERR_FILENO);
    close(ends[0]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(ends[1]);
  run.Stderr = ReadAll(ends[0]);
  close(ends[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::vector<float> ReadWav(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
  if (file == nullptr)
    return {};
  EXPECT_EQ(info.samplerate, 44100);
  EXPECT_EQ(info.channels, 1);
  EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
  EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
  std::vector<float> samples(static_cast<size_t>(info.frames));
  EXPECT_EQ(sf_readf_float(file, samples.data(), info.frames), info.frames);
  sf_close(file);
  return samples;
}

ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/velmora-render-test.XXXXXX";
  dir_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  EXPECT_FALSE(dir_.empty()) << "mkdtemp: " << std::strerror(errno);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!dir_.empty())
    std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::string> ScratchDir::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

Reference DriveEngine(const std::vector<Step>& steps, int64_t length,
                      const std::function<void()>& setControls) {
  test::ResetSynth();
  if (setControls)
    setControls();
  Reference reference;
  reference.Samples.resize(static_cast<size_t>(length));
  reference.Levels.resize(static_cast<size_t>(length));
  int64_t done = 0;
  // One sample per callback, so that the level of every sample can be read.
  auto renderTo = [&](int64_t until) {
    for (; done < until; ++done) {
      RenderAudio(nullptr, &reference.Samples[static_cast<size_t>(done)], 1, nullptr, 0, nullptr);
      reference.Levels[static_cast<size_t>(done)] = Synth.EnvelopeLevel;
    }
  };
  for (const Step& step : steps) {
    renderTo(step.Sample);
    step.Apply();
  }
  renderTo(length);
  return reference;
}

::testing::AssertionResult RendersWholeSound(const Reference& reference,
                                             const std::vector<float>& rendered) {
  const std::vector<float>& samples = reference.Samples;
  size_t end = reference.Levels.size();
  while (end > 0 && reference.Levels[end - 1] <= 0)
    --end;
  if (end == reference.Levels.size())
    return ::testing::AssertionFailure() << "the reference is too short to end in silence";
  const std::vector<float> expected(samples.begin(),
                                    samples.begin() + static_cast<std::ptrdiff_t>(end));
  if (rendered.size() != end) {
    return ::testing::AssertionFailure() << "the render has " << rendered.size()
                                         << " samples; the envelope falls to zero after " << end;
  }
  return test::SameSamples(expected, rendered);
}

} // namespace velmora::render_test
