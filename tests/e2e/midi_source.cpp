// A MIDI source for end-to-end tests: opens a virtual JACK MIDI output port
// named "velmora-test-source" and sends what standard input asks for, one
// command a line:
//   on <note> <velocity>     note-on, channel 1
//   off <note>               note-off, channel 1
//   raw <hex bytes...>       any bytes as one message, e.g. "raw b0 07 64"
//   sleep <milliseconds>
//   quit
// Prints "ready" once the port exists, then "ok" or "error <reason>" after
// every command, flushing each line so the driving test can keep in step.
// JACK_DEFAULT_SERVER picks the server; none is ever started.
#include <RtMidi.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

bool Failed = false;

void OnError(RtMidiError::Type type, const std::string& text, void*) {
  std::fprintf(stderr, "midi_source: %s\n", text.c_str());
  if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
    Failed = true;
}

bool ReadByte(std::istringstream& in, int base, unsigned char& byte) {
  std::string token;
  if (!(in >> token))
    return false;
  size_t used = 0;
  unsigned long value = 0;
  try {
    value = std::stoul(token, &used, base);
  } catch (const std::exception&) {
    return false;
  }
  if (used != token.size() || value > 0xFF)
    return false;
  byte = static_cast<unsigned char>(value);
  return true;
}

void Answer(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
  // The port name may be given, so that a test can offer several sources.
  const std::string name = argc > 1 ? argv[1] : "velmora-test-source";
  std::unique_ptr<RtMidiOut> out;
  try {
    out = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, name);
    out->setErrorCallback(OnError);
    out->openVirtualPort(name);
  } catch (const RtMidiError& e) {
    std::fprintf(stderr, "midi_source: %s\n", e.what());
    return 1;
  }
  // isPortOpen() speaks of connections to other ports, not of a virtual port:
  // the error callback is what tells.
  if (Failed) {
    std::fprintf(stderr, "midi_source: no JACK port\n");
    return 1;
  }
  Answer("ready");

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string command;
    if (!(in >> command))
      continue;
    std::vector<unsigned char> message;
    if (command == "quit") {
      Answer("ok");
      break;
    } else if (command == "sleep") {
      long ms = -1;
      if (!(in >> ms) || ms < 0) {
        Answer("error sleep needs milliseconds");
        continue;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      Answer("ok");
      continue;
    } else if (command == "flood") {
      // flood RATE SECONDS SEED: random messages of mixed channels and kinds at
      // about RATE per second; answers "held N", the notes a channel-1
      // listener that counts note-ons and note-offs must now hold.
      long rate = 0, seconds = 0;
      unsigned seed = 0;
      if (!(in >> rate >> seconds >> seed) || rate <= 0 || seconds <= 0) {
        Answer("error flood needs a rate, seconds and a seed");
        continue;
      }
      std::mt19937 rng(seed);
      auto byte = [&](int hi) { return static_cast<unsigned char>(rng() % (hi + 1u)); };
      long held = 0;
      const long total = rate * seconds;
      const auto start = std::chrono::steady_clock::now();
      for (long i = 0; i < total; ++i) {
        static const unsigned char kinds[] = {0x90, 0x80, 0x91, 0x81, 0x9F,
                                              0xB0, 0xE0, 0xC0, 0xF8, 0xFE};
        const unsigned char status = kinds[rng() % sizeof kinds];
        std::vector<unsigned char> m{status};
        if (status < 0xC0 || (status >= 0xE0 && status < 0xF0))
          m = {status, byte(127), byte(127)};
        else if (status < 0xE0)
          m = {status, byte(127)};
        if (status == 0x90 && m[2] != 0)
          ++held;
        else if ((status == 0x80 || status == 0x90) && held > 0)
          --held;
        out->sendMessage(&m);
        if (i % 100 == 99) // keep to the rate
          std::this_thread::sleep_until(start +
                                        std::chrono::microseconds((i + 1) * 1000000 / rate));
      }
      char text[32];
      std::snprintf(text, sizeof text, "held %ld", held);
      Answer(text);
      continue;
    } else if (command == "on") {
      unsigned char note = 0, velocity = 0;
      if (!ReadByte(in, 10, note) || !ReadByte(in, 10, velocity)) {
        Answer("error on needs a note and a velocity");
        continue;
      }
      message = {0x90, note, velocity};
    } else if (command == "off") {
      unsigned char note = 0;
      if (!ReadByte(in, 10, note)) {
        Answer("error off needs a note");
        continue;
      }
      message = {0x80, note, 0};
    } else if (command == "raw") {
      unsigned char byte = 0;
      while (ReadByte(in, 16, byte))
        message.push_back(byte);
      if (message.empty() || !in.eof()) {
        Answer("error raw needs hex bytes");
        continue;
      }
    } else {
      Answer("error unknown command");
      continue;
    }
    Failed = false;
    out->sendMessage(&message);
    Answer(Failed ? "error send failed" : "ok");
  }
  // Closing the port lets RtMidi send what is still queued and leave the
  // server cleanly, which keeps the server's client slots from leaking.
  out->closePort();
  return 0;
}
