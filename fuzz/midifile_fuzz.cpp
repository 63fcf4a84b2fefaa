// Fuzz target for velmora-render's MIDI file reader: any bytes as a file.
// Aborts when a refusal gives no reason in one line or leaves messages, when
// an accepted file gives a message the handler could not have been handed by
// a port, samples that go backwards or past the end, or more messages than
// its bytes can hold.
#include "check.h"
#include "midi/message.h"
#include "render/midifile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  MidiSchedule schedule;
  std::string error;
  if (!ParseMidiSchedule(std::span<const uint8_t>(data, size), schedule, error)) {
    Check(!error.empty() && error.find('\n') == std::string::npos, "a refusal without a reason");
    Check(schedule.Messages.empty() && schedule.EndSample == 0, "a refusal left a schedule");
    return 0;
  }
  Check(error.empty(), "a reason given for an accepted file");
  // The shortest message event is a one-byte delta time and one data byte.
  Check(schedule.Messages.size() <= size / 2, "more messages than the file can hold");
  int64_t last = 0;
  for (const TimedMessage& message : schedule.Messages) {
    Check(message.Sample() >= last, "a message before the one ahead of it");
    last = message.Sample();
    const uint32_t word = message.Word();
    const uint8_t packed[3] = {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16)};
    Check((word & 0xFF) >= 0x80 && (word & 0xFF) < 0xF0 &&
              PackShortMessage(std::span(packed, (word & 0xE0) == 0xC0 ? 2 : 3)) == word,
          "a message that is not a whole channel message");
  }
  Check(schedule.EndSample >= last, "the end before the last message");
  return 0;
}
