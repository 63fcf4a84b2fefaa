#include "ui/midiport.h"

#include "midi/handler.h"
#include "midi/message.h"
#include "ui/toolkit.h"

#include <RtMidi.h>
#include <jack/jack.h>

#include <atomic>
#include <cstdarg>
#include <iostream>
#include <memory>
#include <thread>

// alsa-lib (1.2.8) declares this outside the header's extern "C" block, so a
// C++ caller cannot link against the header's declaration.
extern "C" {
using AlsaLocalErrorHandler = void (*)(const char* file, int line, const char* function, int err,
                                       const char* format, va_list arguments);
AlsaLocalErrorHandler snd_lib_error_set_local(AlsaLocalErrorHandler handler);
}

namespace velmora {

struct MidiInputPort {
  std::unique_ptr<RtMidiIn> In;
  MidiHandler Handler = nullptr;
  uintptr_t Instance = 0;
  // Messages are handed on only while started and not closing.
  std::atomic<bool> Started{false};
  std::atomic<bool> Closing{false};
  // Callbacks inside the handler right now; closing waits for 0.
  std::atomic<int> Delivering{0};
  // An RtMidi error (not a warning) reported through the error callback.
  std::atomic<bool> Failed{false};
  // The source it was opened on, to notice when that source goes away.
  std::string Name;
  unsigned Number = 0;
};

namespace {

constexpr const char* kClientName = "Velmora";
constexpr const char* kInputPortName = "input";

void IgnoreAlsa(const char*, int, const char*, int, const char*, va_list) {}
void IgnoreJack(const char*) {}

// With an error callback RtMidi neither prints nor throws; it reports here.
void NoteRtMidiError(RtMidiError::Type type, const std::string&, void* userData) {
  if (userData != nullptr && type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
    static_cast<MidiInputPort*>(userData)->Failed = true;
}

// Runs work with the platform's own diagnostics silenced: RtMidi prints to
// std::cerr before its error callback can be installed (in the constructors),
// and alsa-lib and libjack print their probe failures to stderr. Everything is
// put back afterwards, so other users of those libraries keep their messages.
template <typename Work> void Quietly(Work work) {
  std::streambuf* const cerrBuffer = std::cerr.rdbuf(nullptr);
  const AlsaLocalErrorHandler alsa = snd_lib_error_set_local(IgnoreAlsa); // this thread only
  void (*const jackError)(const char*) = jack_error_callback;
  void (*const jackInfo)(const char*) = jack_info_callback;
  jack_set_error_function(IgnoreJack);
  jack_set_info_function(IgnoreJack);
  auto restore = [&] {
    jack_set_info_function(jackInfo);
    jack_set_error_function(jackError);
    snd_lib_error_set_local(alsa);
    std::cerr.rdbuf(cerrBuffer);
  };
  try {
    work();
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

// The RtMidi callback, on the platform's MIDI thread. Long messages and
// malformed ones are dropped by the packing.
void DeliverMessage(double, std::vector<unsigned char>* message, void* userData) {
  auto* port = static_cast<MidiInputPort*>(userData);
  port->Delivering.fetch_add(1);
  if (port->Started.load() && !port->Closing.load()) {
    if (const auto word = PackShortMessage(*message)) {
      port->Handler(port, kMimData, port->Instance, *word,
                    0); // no timestamp: the handler has no use for one
      tk::Wake();
    }
  }
  port->Delivering.fetch_sub(1);
}

// The port's number now: ports may have come and gone since the list was made.
std::optional<unsigned> FindPortNumber(RtMidiIn& in, unsigned hint, const std::string& name) {
  const unsigned count = in.getPortCount();
  if (hint < count && in.getPortName(hint) == name)
    return hint;
  for (unsigned i = 0; i < count; ++i) {
    if (in.getPortName(i) == name)
      return i;
  }
  return std::nullopt;
}

} // namespace

std::vector<FoundMidiPort> FindMidiInputPorts() {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  std::vector<FoundMidiPort> found;
  Quietly([&] {
    for (const RtMidi::Api api : apis) {
      try {
        RtMidiIn in(api, kClientName);
        in.setErrorCallback(NoteRtMidiError, nullptr);
        const unsigned count = in.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
          // RtMidi answers a name it cannot read with an empty one.
          std::string name = in.getPortName(i);
          found.push_back({api, i, name.empty() ? std::nullopt : std::optional(std::move(name))});
        }
      } catch (const RtMidiError&) {
        // This API cannot start on this machine (no ALSA sequencer device,
        // say): it has no ports to offer.
      }
    }
  });
  return found;
}

MidiInputPort* OpenMidiInput(const FoundMidiPort& found, MidiHandler handler, uintptr_t instance) {
  if (!found.Name)
    return nullptr;
  auto port = std::make_unique<MidiInputPort>();
  port->Handler = handler;
  port->Instance = instance;
  bool opened = false;
  Quietly([&] {
    try {
      port->In = std::make_unique<RtMidiIn>(static_cast<RtMidi::Api>(found.Api), kClientName);
      port->In->setErrorCallback(NoteRtMidiError, port.get());
      const auto number = FindPortNumber(*port->In, found.Number, *found.Name);
      if (number && !port->Failed) {
        // Clock and active sensing must reach the handler: every data message
        // refreshes the note label. System-exclusive data never does anything.
        port->In->ignoreTypes(true, false, false);
        port->In->setCallback(DeliverMessage, port.get());
        port->In->openPort(*number, kInputPortName);
        opened = port->In->isPortOpen() && !port->Failed;
        port->Name = *found.Name;
        port->Number = *number;
      }
    } catch (const RtMidiError&) {
    }
    if (!opened)
      port->In.reset(); // may print, so inside the quiet section
  });
  return opened ? port.release() : nullptr;
}

bool MidiInputSourcePresent(MidiInputPort* port) {
  if (port == nullptr || !port->In)
    return false;
  bool present = true; // when the platform cannot tell, keep the port
  Quietly([&] {
    try {
      present = FindPortNumber(*port->In, port->Number, port->Name).has_value();
    } catch (const RtMidiError&) {
    }
  });
  return present;
}

bool StartMidiInput(MidiInputPort* port) {
  if (port == nullptr)
    return false;
  port->Started = true;
  return true;
}

void StopMidiInput(MidiInputPort* port) {
  if (port != nullptr)
    port->Started = false;
}

void CloseMidiInput(MidiInputPort* port) {
  if (port == nullptr)
    return;
  port->Started = false;
  port->Closing = true;
  // Destroying the RtMidiIn joins its input thread (ALSA) or closes its
  // client, which waits out the running process cycle (JACK); a callback
  // already inside the handler is waited out below, and any later one sees
  // Closing. Only then may the close notification run.
  Quietly([&] { port->In.reset(); });
  while (port->Delivering.load() != 0)
    std::this_thread::yield();
  port->Handler(port, kMimClose, port->Instance, 0, 0);
  delete port;
}

} // namespace velmora
