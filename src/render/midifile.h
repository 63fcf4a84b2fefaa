// A Standard MIDI File read into what the synth's MIDI input would receive:
// short messages, each with the sample at which it arrives.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora {

// A short message and the sample before which it arrives, in 8 bytes: a dense
// file holds a message in every 3 of its bytes, so the schedule is most of
// the memory a render takes.
class TimedMessage {
public:
  static constexpr int64_t kSampleLimit = int64_t{1} << 40; // samples stay below it

  TimedMessage(int64_t sample, uint32_t word)
      : bits_(static_cast<uint64_t>(sample) << 24 | (word & 0xFFFFFF)) {}
  int64_t Sample() const { return static_cast<int64_t>(bits_ >> 24); }
  // status | data1 << 8 | data2 << 16, as HandleMidiData takes it
  uint32_t Word() const { return static_cast<uint32_t>(bits_ & 0xFFFFFF); }

private:
  uint64_t bits_;
};

struct MidiSchedule {
  std::vector<TimedMessage> Messages; // in time order, samples never decreasing
  int64_t EndSample = 0;              // the file's last event, end-of-track included
  // The same in seconds, however far: EndSample stops far past the longest
  // render, this tells how long the file would play.
  double EndSeconds = 0;
};

// Nearest sample to a time in seconds, halves to the even sample, as near as
// a double holds it; times too far off for any render give a sample far past
// the longest one. For times given in seconds, such as a tail.
int64_t SampleAt(double seconds);

// Reads a file of format 0 or 1, merging all tracks in time order (events at
// the same time in track order) and following its tempo map, or its SMPTE
// time code. Each message takes the sample nearest to its time, halves to the
// even one, found exactly in whole numbers whatever the tempo changes before
// it. Every short message is kept, on any channel: the handler decides what
// it acts on, as it does for live input. Meta events and system-exclusive data
// (F0 and F7 events) are left out, as the platform never hands those to the
// handler; they do not cancel running status, so the data bytes of a channel
// message after them continue the track's last channel status. A data byte
// before any channel status in its track is refused. On failure returns false
// and says why in error, in one line without the path.
bool ParseMidiSchedule(std::span<const uint8_t> bytes, MidiSchedule& schedule, std::string& error);

// The same for a file on disk.
bool LoadMidiSchedule(const std::string& path, MidiSchedule& schedule, std::string& error);

} // namespace velmora
