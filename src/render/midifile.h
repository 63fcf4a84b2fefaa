// A Standard MIDI File read into what the synth's MIDI input would receive:
// short messages, each with the sample at which it arrives.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora {

struct TimedMessage {
  int64_t Sample; // arrives before this sample is rendered
  uint32_t Word;  // status | data1 << 8 | data2 << 16, as MidiInputHandler takes it
};

struct MidiSchedule {
  std::vector<TimedMessage> Messages; // in time order, samples never decreasing
  int64_t EndSample = 0;              // the file's last event, end-of-track included
};

// Nearest sample to a time in seconds, halves to the even sample; times too
// far off for any render give a sample far past the longest one.
int64_t SampleAt(double seconds);

// Reads a file of format 0 or 1, merging all tracks in time order (events at
// the same time in track order) and following its tempo map, or its SMPTE
// time code. Every short message is kept, on any channel: the handler decides
// what it acts on, as it does for live input. Meta events and system-exclusive
// data (F0 and F7 events) are left out, as the platform never hands those to
// the handler. On failure returns false and says why in error, in one line
// without the path.
bool ParseMidiSchedule(std::span<const uint8_t> bytes, MidiSchedule& schedule, std::string& error);

// The same for a file on disk.
bool LoadMidiSchedule(const std::string& path, MidiSchedule& schedule, std::string& error);

} // namespace velmora
