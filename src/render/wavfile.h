// The output WAV file: written under a temporary name beside its final path
// and renamed into place only when complete, so a failed or interrupted
// render never leaves a partial file, and an existing file stays as it was.
#pragma once

#include <sndfile.h>

#include <span>
#include <string>
#include <vector>

namespace velmora {

// Frames a 32-bit float mono WAV file can hold: its sizes are 32-bit byte
// counts. Some room is left for the header.
constexpr int64_t kMostWavFrames = (int64_t{0xFFFFFFFF} - 4096) / 4;

struct WavOutput {
  std::string FinalPath;
  std::string TempPath;
  int Descriptor = -1;
  SNDFILE* File = nullptr;
  // Samples not yet handed to libsndfile: a render hands over short blocks
  // wherever messages are dense, and libsndfile costs several times more in
  // small writes than in large ones.
  std::vector<float> Pending;
};

// Creates the temporary file, 44100 Hz mono 32-bit float. Refuses a final
// path that is a directory or another non-regular file. The temporary file is
// removed if the process is interrupted or terminated.
bool OpenWavOutput(const std::string& path, WavOutput& out, std::string& error);
bool WriteWav(WavOutput& out, std::span<const float> samples, std::string& error);
// Completes the file, flushes it to disk and renames it into place.
bool CommitWavOutput(WavOutput& out, std::string& error);
// Closes and removes the temporary file.
void DiscardWavOutput(WavOutput& out);

} // namespace velmora
