// The output WAV file: written into an unnamed file in the directory of its
// final path and given that name only when complete, so that neither a failed
// render nor the death of the process, by any signal, leaves a partial file,
// and an existing file stays as it was until it is replaced whole. Where the
// file system has no unnamed files, a hidden temporary name stands in, removed
// by a handler for every signal that ends a process and can be caught.
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
  std::string TempPath; // empty while the file has no name
  int Descriptor = -1;
  SNDFILE* File = nullptr;
  // Samples not yet handed to libsndfile: a render hands over short blocks
  // wherever messages are dense, and libsndfile costs several times more in
  // small writes than in large ones.
  std::vector<float> Pending;
};

// Creates the file, 44100 Hz mono 32-bit float, with the chunks fmt, fact,
// PAD (aligning the data) and data alone: nothing in it changes from one
// render of the same input to the next. Refuses a final path
// that is a directory or another non-regular file, or an existing file this process may not write
// (as cp does). The new file takes an existing file's mode and, where permitted, its owner.
bool OpenWavOutput(const std::string& path, WavOutput& out, std::string& error);
bool WriteWav(WavOutput& out, std::span<const float> samples, std::string& error);
// Completes the file, flushes it to disk and puts it in place.
bool CommitWavOutput(WavOutput& out, std::string& error);
// Closes the file and removes it.
void DiscardWavOutput(WavOutput& out);

} // namespace velmora
