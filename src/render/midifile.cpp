#include "render/midifile.h"

#include "engine/engine.h"
#include "midi/message.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <queue>
#include <utility>

namespace velmora {

namespace {

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

std::string Hex(unsigned byte) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", byte & 0xFF);
  return text;
}

// One event of a track, as far as the schedule needs it.
struct Event {
  enum class Kind { Message, Tempo, Other };
  Kind What = Kind::Other;
  int64_t Pulses = 0;
  uint32_t Value = 0; // Message: the packed word; Tempo: microseconds per quarter note
};

// Walks one track chunk event by event, checking every length against what is
// left of the chunk.
class TrackReader {
public:
  TrackReader(std::span<const uint8_t> chunk, size_t offset, int number)
      : bytes_(chunk), offset_(offset), number_(number) {}

  // The next event; false at the track's end (its end-of-track event, or the
  // end of the chunk for a track that lacks one, which ends at its last
  // event) and on damage, which sets error.
  bool Next(Event& event, std::string& error) {
    if (ended_ || at_ == bytes_.size()) {
      ended_ = true;
      return false;
    }
    uint32_t delta = 0;
    if (!Quantity(delta, error))
      return false;
    pulses_ += delta;
    event.Pulses = pulses_;
    event.What = Event::Kind::Other;
    if (at_ == bytes_.size())
      return Fail(error, "the track ends inside an event");
    uint8_t status = bytes_[at_];
    if (status >= 0x80)
      ++at_;
    else if (running_ == 0)
      return Fail(error, "a data byte (" + Hex(status) + ") where a status byte belongs");
    else
      status = running_;

    if (status < 0xF0) {
      const size_t length = (status & 0xE0) == 0xC0 ? 2 : 3; // program change, channel pressure
      if (bytes_.size() - at_ < length - 1)
        return Fail(error, "the track ends inside a message");
      uint8_t message[3] = {status, 0, 0};
      for (size_t i = 1; i < length; ++i) {
        message[i] = bytes_[at_++];
        if (message[i] >= 0x80)
          return Fail(error, "a status byte (" + Hex(message[i]) + ") inside a message");
      }
      running_ = status;
      if (const auto word = PackShortMessage(std::span<const uint8_t>(message, length))) {
        event.What = Event::Kind::Message;
        event.Value = *word;
      }
      return true;
    }

    // Meta events and system-exclusive data leave running status as it was:
    // in a file they are not messages on the wire, and sequencers write the
    // data bytes of a channel message straight after them (common readers
    // play such files).
    if (status != 0xF0 && status != 0xF7 && status != 0xFF)
      return Fail(error, "status byte " + Hex(status) + ", which a MIDI file cannot hold");
    uint8_t type = 0;
    if (status == 0xFF) {
      if (at_ == bytes_.size())
        return Fail(error, "the track ends inside a meta event");
      type = bytes_[at_++];
    }
    uint32_t length = 0;
    if (!Quantity(length, error))
      return false;
    if (bytes_.size() - at_ < length)
      return Fail(error, "an event of " + std::to_string(length) + " bytes, " +
                             std::to_string(bytes_.size() - at_) + " left in the track");
    const uint8_t* data = bytes_.data() + at_;
    at_ += length;
    if (status != 0xFF)
      return true;
    switch (type) {
    case 0x2F: // end of track: its time still counts for the file's end
      ended_ = true;
      break;
    case 0x51:
      if (length != 3)
        return Fail(error, "a tempo change of length " + std::to_string(length) + " instead of 3");
      event.What = Event::Kind::Tempo;
      event.Value = static_cast<uint32_t>(data[0]) << 16 | data[1] << 8 | data[2];
      if (event.Value == 0)
        return Fail(error, "a tempo of 0 microseconds per quarter note");
      break;
    default:
      break;
    }
    return true;
  }

private:
  bool Fail(std::string& error, const std::string& what) {
    error = "damaged: track " + std::to_string(number_) + ", byte " +
            std::to_string(offset_ + at_) + ": " + what;
    return false;
  }

  // A variable-length quantity: at most four bytes of seven bits.
  bool Quantity(uint32_t& value, std::string& error) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (at_ == bytes_.size())
        return Fail(error, "the track ends inside a variable-length number");
      const uint8_t byte = bytes_[at_++];
      value = value << 7 | (byte & 0x7F);
      if (byte < 0x80)
        return true;
    }
    return Fail(error, "a variable-length number of more than 4 bytes");
  }

  std::span<const uint8_t> bytes_;
  size_t offset_; // of the chunk's first byte in the file, for messages
  int number_;    // from 1
  size_t at_ = 0;
  int64_t pulses_ = 0;
  uint8_t running_ = 0; // the last channel status of the track; 0: none yet
  bool ended_ = false;
};

struct TrackChunk {
  size_t Offset; // of its data in the file
  size_t Length;
};

struct FileLayout {
  int Format = 0;
  uint16_t Division = 0;
  std::vector<TrackChunk> Tracks;
};

// The header and where each track's data lies. Chunks of other types are
// skipped wherever they are; what follows the last announced track is not
// read.
bool ReadLayout(std::span<const uint8_t> bytes, FileLayout& layout, std::string& error) {
  if (bytes.size() < 8 || std::memcmp(bytes.data(), "MThd", 4) != 0) {
    error = "not a Standard MIDI File: it does not begin with MThd";
    return false;
  }
  const uint32_t headerLength = Read32(bytes.data() + 4);
  if (headerLength < 6) {
    error = "damaged: a header of " + std::to_string(headerLength) + " bytes, fewer than 6";
    return false;
  }
  if (bytes.size() - 8 < headerLength) {
    error = "truncated: the header is cut short";
    return false;
  }
  layout.Format = Read16(bytes.data() + 8);
  const int announced = Read16(bytes.data() + 10);
  layout.Division = Read16(bytes.data() + 12);
  if (layout.Format != 0 && layout.Format != 1) {
    error = "MIDI file format " + std::to_string(layout.Format) +
            (layout.Format == 2 ? " (independent sequences)" : "") +
            " is not supported, only 0 and 1";
    return false;
  }
  if (announced == 0 || (layout.Format == 0 && announced != 1)) {
    error = "damaged: a format " + std::to_string(layout.Format) + " file announcing " +
            std::to_string(announced) + " tracks";
    return false;
  }
  size_t at = 8 + size_t{headerLength};
  while (layout.Tracks.size() < static_cast<size_t>(announced)) {
    if (bytes.size() - at < 8) {
      error = "truncated: the file ends after " + std::to_string(layout.Tracks.size()) +
              " of its " + std::to_string(announced) + " tracks";
      return false;
    }
    const uint32_t length = Read32(bytes.data() + at + 4);
    if (bytes.size() - at - 8 < length) {
      error = "truncated: the chunk at byte " + std::to_string(at) + " announces " +
              std::to_string(length) + " bytes, " + std::to_string(bytes.size() - at - 8) +
              " are left";
      return false;
    }
    if (std::memcmp(bytes.data() + at, "MTrk", 4) == 0)
      layout.Tracks.push_back({at + 8, length});
    at += 8 + size_t{length};
  }
  return true;
}

// Exact times: a time is a whole number of samples times Per(), so that every
// event takes the sample nearest to its true time, halves to the even one,
// however many tempo changes come before it. A quarter note of T microseconds
// at P pulses a quarter note makes a pulse T x 44100 / (P x 1000000) samples;
// a tick of SMPTE time at F frames of K ticks a second, 44100 / (F x K)
// samples, with F = 30000 / 1001 for 29.97 frames a second.
using Wide = unsigned __int128;

constexpr uint64_t kRate = static_cast<uint64_t>(kSampleRate);
static_assert(kRate == kSampleRate);

// Far past any render (a WAV file holds about 6.8 hours), and within what a
// schedule can hold.
constexpr int64_t kFarSamples = 1000000000000;
static_assert(kFarSamples < TimedMessage::kSampleLimit);

// The sample nearest to time / per, halves to the even one, or kFarSamples
// for any time past it.
int64_t NearestSample(Wide time, uint64_t per) {
  Wide whole = time / per;
  const Wide left = time % per;
  if (2 * left > per || (2 * left == per && (whole & 1) != 0))
    ++whole;
  return whole < static_cast<Wide>(kFarSamples) ? static_cast<int64_t>(whole) : kFarSamples;
}

// Microseconds a quarter note until a tempo change: 120 beats a minute.
constexpr uint64_t kStartTempo = 500000;

class Clock {
public:
  explicit Clock(uint16_t division) {
    if ((division & 0x8000) != 0) {
      // SMPTE time: frames a second (stored negative; 29 is 30 drop-frame,
      // 29.97 frames a second) times ticks a frame.
      const int frames = -static_cast<int8_t>(division >> 8);
      const uint64_t ticks = division & 0xFF;
      per_ = (frames == 29 ? 30000 : static_cast<uint64_t>(frames)) * ticks;
      pulse_ = frames == 29 ? kRate * 1001 : kRate;
      valid_ = (frames == 24 || frames == 25 || frames == 29 || frames == 30) && ticks != 0;
    } else {
      ppqn_ = division;
      per_ = uint64_t{division} * 1000000;
      pulse_ = kStartTempo * kRate;
      valid_ = division != 0;
    }
  }
  bool Valid() const { return valid_; }
  uint64_t Per() const { return per_; }

  // The time of a pulse in samples times Per(). Events come in time order,
  // so a pulse is never before the last tempo change.
  Wide At(int64_t pulses) const { return start_ + static_cast<Wide>(pulses - from_) * pulse_; }

  // From a tempo change on, pulses take its length.
  void Mark(const Event& event) {
    if (ppqn_ == 0 || event.What != Event::Kind::Tempo)
      return;
    start_ = At(event.Pulses);
    from_ = event.Pulses;
    pulse_ = uint64_t{event.Value} * kRate;
  }

private:
  Wide start_ = 0;   // the time of the last tempo change
  int64_t from_ = 0; // its pulse
  uint64_t pulse_;   // the length of a pulse from there
  uint64_t per_;
  int ppqn_ = 0;
  bool valid_ = false;
};

} // namespace

int64_t SampleAt(double seconds) {
  const double samples = seconds * kSampleRate;
  if (!(samples < static_cast<double>(kFarSamples)))
    return kFarSamples;
  // nearbyint rounds halves to even in the default rounding mode.
  return static_cast<int64_t>(std::nearbyint(samples));
}

bool ParseMidiSchedule(std::span<const uint8_t> bytes, MidiSchedule& schedule, std::string& error) {
  schedule = {};
  error.clear();
  FileLayout layout;
  if (!ReadLayout(bytes, layout, error))
    return false;
  Clock clock(layout.Division);
  if (!clock.Valid()) {
    error = "damaged: a time division of " + Hex(layout.Division >> 8) + Hex(layout.Division);
    return false;
  }
  std::vector<TrackReader> readers;
  readers.reserve(layout.Tracks.size());
  for (const TrackChunk& chunk : layout.Tracks)
    readers.emplace_back(bytes.subspan(chunk.Offset, chunk.Length), chunk.Offset,
                         static_cast<int>(readers.size() + 1));

  // A first pass finds any damage before anything is merged, and counts the
  // messages so that the schedule takes the memory it needs and no more.
  size_t count = 0;
  for (TrackReader reader : readers) {
    Event event;
    while (reader.Next(event, error))
      count += event.What == Event::Kind::Message ? 1 : 0;
    if (!error.empty())
      return false;
  }
  schedule.Messages.reserve(count);

  // Merge: the earliest event next, and of events at the same time the one of
  // the first track.
  using Next = std::pair<int64_t, size_t>; // pulses, track
  std::priority_queue<Next, std::vector<Next>, std::greater<Next>> queue;
  std::vector<Event> pending(readers.size());
  for (size_t t = 0; t < readers.size(); ++t) {
    if (readers[t].Next(pending[t], error))
      queue.push({pending[t].Pulses, t});
  }
  int64_t last = 0;
  Wide end = 0;
  while (!queue.empty()) {
    const size_t t = queue.top().second;
    queue.pop();
    const Event& event = pending[t];
    clock.Mark(event);
    const Wide time = clock.At(event.Pulses);
    end = std::max(end, time);
    if (event.What == Event::Kind::Message) {
      // Times never decrease; this keeps samples in order all the same.
      last = std::max(last, NearestSample(time, clock.Per()));
      schedule.Messages.emplace_back(last, event.Value);
    }
    if (readers[t].Next(pending[t], error))
      queue.push({pending[t].Pulses, t});
  }
  if (!error.empty()) { // cannot happen after the first pass
    schedule = {};
    return false;
  }
  schedule.EndSample = std::max(last, NearestSample(end, clock.Per()));
  schedule.EndSeconds = static_cast<double>(static_cast<long double>(end) / clock.Per() / kRate);
  return true;
}

bool LoadMidiSchedule(const std::string& path, MidiSchedule& schedule, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? "is a directory, not a MIDI file" : std::strerror(errno);
    close(fd);
    return false;
  }
  // The size is a hint: a pipe or a file that grows is read to its end.
  std::vector<uint8_t> bytes;
  bytes.reserve(S_ISREG(info.st_mode) ? static_cast<size_t>(info.st_size) + 1 : 65536);
  for (;;) {
    if (bytes.size() == bytes.capacity())
      bytes.reserve(bytes.capacity() * 2);
    const size_t have = bytes.size();
    bytes.resize(bytes.capacity());
    const ssize_t n = read(fd, bytes.data() + have, bytes.size() - have);
    bytes.resize(have + static_cast<size_t>(std::max<ssize_t>(n, 0)));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0) {
      error = std::strerror(errno);
      close(fd);
      return false;
    }
    if (n == 0)
      break;
  }
  close(fd);
  if (bytes.empty()) {
    error = "is empty, not a MIDI file";
    return false;
  }
  return ParseMidiSchedule(bytes, schedule, error);
}

} // namespace velmora
