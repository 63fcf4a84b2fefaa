// A MIDI source for the end-to-end tests: a virtual JACK MIDI output port,
// named by the first argument, that sends what standard input asks for, one
// command a line:
//   on NOTE VELOCITY, off NOTE   note messages on channel 1
//   flood RATE SECONDS SEED      random messages of mixed channels and kinds at
//                                RATE per second; answers "flooded"
//   restart COUNT                the source quits and comes back at once under
//                                the same name, as a restarted program does,
//                                COUNT times in a row (1 by default); answers
//                                "restarted"
//   quit
// Prints "ready" each time the port exists. JACK_DEFAULT_SERVER picks the
// server; none is ever started. RtMidi's errors end the program.
#include <RtMidi.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

int main(int argc, char** argv) {
  using Byte = unsigned char;
  const std::string name = argc > 1 ? argv[1] : "velmora-test-source";
  const auto open = [&](const char* answer) {
    auto out = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, name);
    out->openVirtualPort(name);
    if (*answer != '\0')
      std::cout << answer << std::endl;
    return out;
  };
  std::unique_ptr<RtMidiOut> out = open("ready");
  for (std::string line, command; std::getline(std::cin, line);) {
    std::istringstream in(line);
    long a = 0, b = 0, c = 0; // NOTE VELOCITY, or RATE SECONDS SEED
    if (!(in >> command) || command == "quit")
      break;
    if (command == "restart") {
      for (a = in >> a ? a : 1; a > 0; --a) {
        out.reset(); // the old client must be gone before the name is taken again
        out = open(a > 1 ? "" : "restarted");
      }
    } else if ((command == "on" && in >> a >> b) || (command == "off" && in >> a)) {
      const Byte m[] = {Byte(command == "on" ? 0x90 : 0x80), Byte(a), Byte(b)};
      out->sendMessage(m, 3);
    } else if (command == "flood" && in >> a >> b >> c) {
      // Note-ons and -offs on channels 1, 2 and 16, a controller, a pitch
      // bend, a program change, clock and active sensing.
      static const Byte kinds[] = {0x90, 0x80, 0x91, 0x81, 0x9F, 0xB0, 0xE0, 0xC0, 0xF8, 0xFE};
      std::mt19937 rng(static_cast<unsigned>(c));
      const auto start = std::chrono::steady_clock::now();
      for (long i = 0; i < a * b; ++i) {
        const size_t kind = rng() % sizeof kinds;
        const Byte m[] = {kinds[kind], Byte(rng() % 128), Byte(rng() % 128)};
        out->sendMessage(m, kind < 7 ? 3 : kind == 7 ? 2 : 1);
        if (i % 100 == 99) // keep to the rate
          std::this_thread::sleep_until(start + std::chrono::microseconds((i + 1) * 1000000 / a));
      }
      std::cout << "flooded" << std::endl;
    } else {
      return std::cerr << "midi_source: bad command: " << line << std::endl, 2;
    }
  }
  // Closing the port lets RtMidi leave the server cleanly, which keeps the
  // server's client slots from leaking.
  out->closePort();
}
