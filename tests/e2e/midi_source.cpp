// A MIDI source for the end-to-end tests: a virtual JACK MIDI output port,
// named by the first argument, that sends what standard input asks for, one
// command a line:
//   on NOTE VELOCITY, off NOTE   note messages on channel 1
//   flood RATE SECONDS SEED      random messages of mixed channels and kinds at
//                                RATE per second; answers "flooded"
//   restart                      the source quits and comes back at once under
//                                the same name, as a restarted program does;
//                                answers "restarted"
//   quit
// Prints "ready" each time the port exists. JACK_DEFAULT_SERVER picks the
// server; none is ever started. RtMidi's errors end the program.
#include <RtMidi.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::unique_ptr<RtMidiOut> Open(const std::string& name, const char* answer) {
  auto out = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, name);
  out->openVirtualPort(name);
  std::cout << answer << std::endl;
  return out;
}

void Flood(RtMidiOut& out, long rate, long seconds, unsigned seed) {
  static const unsigned char kinds[] = {0x90, 0x80, 0x91, 0x81, 0x9F, 0xB0, 0xE0, 0xC0, 0xF8, 0xFE};
  static const size_t lengths[] = {3, 3, 3, 3, 3, 3, 3, 2, 1, 1};
  std::mt19937 rng(seed);
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < rate * seconds; ++i) {
    const size_t kind = rng() % sizeof kinds;
    std::vector<unsigned char> m{kinds[kind], static_cast<unsigned char>(rng() % 128),
                                 static_cast<unsigned char>(rng() % 128)};
    m.resize(lengths[kind]);
    out.sendMessage(&m);
    if (i % 100 == 99) // keep to the rate
      std::this_thread::sleep_until(start + std::chrono::microseconds((i + 1) * 1000000 / rate));
  }
}

} // namespace

int main(int argc, char** argv) {
  const std::string name = argc > 1 ? argv[1] : "velmora-test-source";
  std::unique_ptr<RtMidiOut> out = Open(name, "ready");
  std::string line, command;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    int note = 0, velocity = 0;
    long rate = 0, seconds = 0;
    unsigned seed = 0;
    if (!(in >> command) || command == "quit")
      break;
    if (command == "restart") {
      out.reset(); // the old client must be gone before the name is taken again
      out = Open(name, "restarted");
    } else if ((command == "on" && in >> note >> velocity) || (command == "off" && in >> note)) {
      const int status = command == "on" ? 0x90 : 0x80;
      std::vector<unsigned char> m;
      for (int byte : {status, note, velocity})
        m.push_back(static_cast<unsigned char>(byte));
      out->sendMessage(&m);
    } else if (command == "flood" && in >> rate >> seconds >> seed) {
      Flood(*out, rate, seconds, seed);
      std::cout << "flooded" << std::endl;
    } else {
      std::cerr << "midi_source: bad command: " << line << std::endl;
      return 2;
    }
  }
  // Closing the port lets RtMidi leave the server cleanly, which keeps the
  // server's client slots from leaking.
  out->closePort();
  return 0;
}
