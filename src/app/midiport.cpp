#include "app/midiport.h"

#include "midi/handler.h"
#include "midi/message.h"
#include "ui/toolkit.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <iostream>
#include <memory>
#include <span>
#include <thread>

// alsa-lib (1.2.8) declares snd_lib_error_set_local outside the header's
// extern "C" block, so a C++ caller cannot link against that declaration;
// this one names the C symbol.
extern "C" {
using AlsaLocalErrorHandler = void (*)(const char* file, int line, const char* function, int err,
                                       const char* format, va_list arguments);
AlsaLocalErrorHandler
SetAlsaLocalErrorHandler(AlsaLocalErrorHandler handler) __asm__("snd_lib_error_set_local");
}

namespace velmora {

struct MidiInputPort {
  std::unique_ptr<RtMidiIn> In;
  EngineState* Engine = nullptr;
  // Messages are handed on only while started and not closing.
  std::atomic<bool> Started{false};
  std::atomic<bool> Closing{false};
  // Callbacks inside the handler right now; closing waits for 0.
  std::atomic<int> Delivering{0};
  // An RtMidi error (not a warning) reported through the error callback.
  std::atomic<bool> Failed{false};
  // The source it was opened on, to notice when that source goes away.
  int Api = 0;
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

// --- Port notices ---------------------------------------------------------
// Each announcement of the platform (a port came or went, a connection of
// ours changed) sets Notice and wakes the event loop, which then looks at the
// open port; between announcements nothing runs.

std::atomic<bool> Notice{false};

void Announce() {
  Notice = true;
  tk::Wake();
}

// Plays one whole message on the port's engine, on the platform's MIDI
// thread (RtMidi's, or our JACK client's process thread). Long messages and
// malformed ones are dropped by the packing.
void DeliverMessage(MidiInputPort& port, std::span<const uint8_t> message) {
  port.Delivering.fetch_add(1);
  if (port.Started.load() && !port.Closing.load()) {
    if (const auto word = PackShortMessage(message)) {
      HandleMidiData(*port.Engine, *word);
      tk::Wake();
    }
  }
  port.Delivering.fetch_sub(1);
}

void DeliverRtMidiMessage(double, std::vector<unsigned char>* message, void* port) {
  DeliverMessage(*static_cast<MidiInputPort*>(port), *message);
}

// JACK: our one client, with one MIDI input port, in place of RtMidi's. It
// carries the notes of every source connected to that port, and it hears the
// server's announcements of ports and connections on its notification
// thread. It must be active to carry notes, and an active client's thread
// runs every cycle, callback or not: one client for both costs one wake-up
// per cycle, not two. Opened with the first JACK port and kept, with its
// input port (which a patchbay may connect), until the server goes away.
jack_client_t* Jack = nullptr;
jack_port_t* JackInput = nullptr;
std::atomic<bool> JackDown{false};
// The open port that hears what arrives, and the process callbacks that may
// be handing something to it now: closing sets the first to nullptr, then
// waits for the second to reach 0.
std::atomic<MidiInputPort*> JackReceiver{nullptr};
std::atomic<int> JackDelivering{0};
// The source port the open port was connected to, and whether it has been
// unregistered since (its program quit, perhaps to come back at once).
std::atomic<const jack_port_t*> JackSource{nullptr};
std::atomic<bool> JackSourceGone{false};

int OnJackProcess(jack_nframes_t frames, void*) {
  JackDelivering.fetch_add(1);
  MidiInputPort* const port = JackReceiver.load();
  void* const buffer = jack_port_get_buffer(JackInput, frames);
  const uint32_t count = port == nullptr ? 0 : jack_midi_get_event_count(buffer);
  for (uint32_t i = 0; i < count; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) == 0)
      DeliverMessage(*port, {event.buffer, event.size});
  }
  JackDelivering.fetch_sub(1);
  return 0;
}

void OnJackPort(jack_port_id_t id, int registered, void*) {
  if (registered == 0 && jack_port_by_id(Jack, id) == JackSource.load())
    JackSourceGone = true;
  Announce();
}

void OnJackConnect(jack_port_id_t a, jack_port_id_t b, int, void*) {
  if (jack_port_by_id(Jack, a) == JackInput || jack_port_by_id(Jack, b) == JackInput)
    Announce();
}

void OnJackShutdown(void*) {
  JackDown = true;
  Announce();
}

bool JackUp() { return Jack != nullptr && !JackDown; }

// libjack writes its own diagnostics to the terminal, also in the normal
// course of things (a client that left while the server told us of it, a
// server that stalled); the window shows what the player must know (the
// port list, the note label, the "PortAudio" box). Set once the program
// uses JACK, and for every JACK client in the process.
void SilenceJack() {
  jack_set_error_function(IgnoreJack);
  jack_set_info_function(IgnoreJack);
}

bool OpenJack() {
  if (JackUp())
    return true;
  SilenceJack();
  // A client whose server died is left as it is: closing it could wait on
  // the dead server.
  Jack = nullptr;
  jack_client_t* const client = jack_client_open(kClientName, JackNoStartServer, nullptr);
  if (client == nullptr)
    return false;
  jack_port_t* const input =
      jack_port_register(client, kInputPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  JackDown = false;
  jack_on_shutdown(client, OnJackShutdown, nullptr);
  if (input == nullptr || jack_set_process_callback(client, OnJackProcess, nullptr) != 0 ||
      jack_set_port_registration_callback(client, OnJackPort, nullptr) != 0 ||
      jack_set_port_connect_callback(client, OnJackConnect, nullptr) != 0) {
    jack_client_close(client);
    return false;
  }
  // The callbacks may run from activation on.
  Jack = client;
  JackInput = input;
  if (jack_activate(client) != 0) {
    jack_client_close(client);
    Jack = nullptr;
    return false;
  }
  return true;
}

// Whether our input port is connected to the named port. The server shows a
// connection made or broken from its next cycle on.
bool JackConnected(const std::string& source) {
  return JackUp() && jack_port_connected_to(JackInput, source.c_str()) != 0;
}

MidiInputPort* OpenJackInput(std::unique_ptr<MidiInputPort> port) {
  if (!OpenJack())
    return nullptr;
  const jack_port_t* const source = jack_port_by_name(Jack, port->Name.c_str());
  if (source == nullptr)
    return nullptr;
  JackSource = source;
  JackSourceGone = false;
  // Already connected (from a patchbay, say) counts as opened.
  const int result = jack_connect(Jack, port->Name.c_str(), jack_port_name(JackInput));
  for (int wait = 0; (result == 0 || result == EEXIST) && wait < 100; ++wait) {
    if (JackConnected(port->Name)) {
      JackReceiver = port.get();
      return port.release();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return nullptr;
}

// Drops our end of the connection; connections made from outside to other
// sources stay, though nothing hears them until a port is open.
void CloseJackInput(MidiInputPort& port) {
  if (JackConnected(port.Name))
    jack_disconnect(Jack, port.Name.c_str(), jack_port_name(JackInput));
  JackReceiver = nullptr;
  while (JackDelivering.load() != 0)
    std::this_thread::yield();
}

// Where the open JACK port's source stands. A source that quit and came back
// under the same name at once is a new port: gone, though its name is there.
MidiSource JackSourceState(const MidiInputPort& port) {
  if (JackConnected(port.Name))
    return MidiSource::Connected;
  // The server announces a port's disconnection just before its
  // unregistration: give that notice a moment to arrive before taking the
  // disconnection for the user's.
  for (int wait = 0; wait < 50 && JackUp() && !JackSourceGone; ++wait) {
    if (jack_port_by_name(Jack, port.Name.c_str()) == nullptr)
      return MidiSource::Gone;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return JackUp() && !JackSourceGone ? MidiSource::Disconnected : MidiSource::Gone;
}

// ALSA sequencer: a port subscribed to the system announce port; a thread
// sleeps in the blocking read.
bool AlsaWatching = false;

bool WatchAlsa() {
  if (AlsaWatching)
    return true;
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, 0) < 0)
    return false;
  snd_seq_set_client_name(seq, "Velmora watch");
  const int port = snd_seq_create_simple_port(seq, "announcements",
                                              SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                              SND_SEQ_PORT_TYPE_APPLICATION);
  if (port < 0 ||
      snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
    snd_seq_close(seq);
    return false;
  }
  std::thread([seq] {
    for (;;) {
      snd_seq_event_t* event = nullptr;
      const int result = snd_seq_event_input(seq, &event);
      if (result < 0 && result != -ENOSPC && result != -EAGAIN && result != -EINTR)
        return;   // the sequencer is gone; the port list will say so
      Announce(); // an overrun (ENOSPC) lost some: look anyway
    }
  }).detach();
  AlsaWatching = true;
  return true;
}

} // namespace

void RunQuietly(const std::function<void()>& work) {
  std::streambuf* const cerrBuffer = std::cerr.rdbuf(nullptr);
  const AlsaLocalErrorHandler alsa = SetAlsaLocalErrorHandler(IgnoreAlsa); // this thread only
  void (*const jackError)(const char*) = jack_error_callback;
  void (*const jackInfo)(const char*) = jack_info_callback;
  jack_set_error_function(IgnoreJack);
  jack_set_info_function(IgnoreJack);
  auto restore = [&] {
    jack_set_info_function(jackInfo);
    jack_set_error_function(jackError);
    SetAlsaLocalErrorHandler(alsa);
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

namespace {

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

namespace {

// JACK's MIDI sources as RtMidi's input lists them, without a client that is
// activated for that (activating and closing each wait for the server's
// cycle): through our client when it runs, else one that is never activated.
// False when there is no JACK server.
bool ListJackSources(std::vector<FoundMidiPort>& found) {
  SilenceJack();
  jack_client_t* client =
      JackUp() ? Jack : jack_client_open(kClientName, JackNoStartServer, nullptr);
  if (client == nullptr)
    return false;
  if (const char** names =
          jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput)) {
    for (unsigned i = 0; names[i] != nullptr; ++i)
      found.push_back({RtMidi::UNIX_JACK, i, std::string(names[i])});
    jack_free(names);
  }
  if (client != Jack)
    jack_client_close(client);
  return true;
}

} // namespace

std::vector<FoundMidiPort> FindMidiInputPorts() {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  std::vector<FoundMidiPort> found;
  RunQuietly([&] {
    for (const RtMidi::Api api : apis) {
      if (api == RtMidi::UNIX_JACK) {
        ListJackSources(found);
        continue;
      }
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

MidiInputPort* OpenMidiInput(const FoundMidiPort& found, EngineState& engine) {
  if (!found.Name)
    return nullptr;
  auto port = std::make_unique<MidiInputPort>();
  port->Engine = &engine;
  port->Api = found.Api;
  port->Name = *found.Name;
  port->Number = found.Number;
  MidiInputPort* opened = nullptr;
  RunQuietly([&] {
    if (found.Api == RtMidi::UNIX_JACK) {
      opened = OpenJackInput(std::move(port));
      return;
    }
    try {
      port->In = std::make_unique<RtMidiIn>(static_cast<RtMidi::Api>(found.Api), kClientName);
      port->In->setErrorCallback(NoteRtMidiError, port.get());
      const auto number = FindPortNumber(*port->In, found.Number, *found.Name);
      if (number && !port->Failed) {
        // Clock and active sensing must reach the handler: every data message
        // refreshes the note label. System-exclusive data never does anything.
        port->In->ignoreTypes(true, false, false);
        port->In->setCallback(DeliverRtMidiMessage, port.get());
        port->In->openPort(*number, kInputPortName);
        port->Number = *number;
        if (port->In->isPortOpen() && !port->Failed)
          opened = port.release();
      }
    } catch (const RtMidiError&) {
    }
    if (opened == nullptr)
      port.reset(); // may print, so inside the quiet section
    else if (found.Api == RtMidi::LINUX_ALSA)
      WatchAlsa();
  });
  return opened;
}

std::optional<FoundMidiPort> ConnectedMidiSource() {
  std::optional<FoundMidiPort> source;
  RunQuietly([&] {
    const char** names = JackUp() ? jack_port_get_all_connections(Jack, JackInput) : nullptr;
    if (names != nullptr && names[0] != nullptr)
      source = FoundMidiPort{RtMidi::UNIX_JACK, 0, std::string(names[0])};
    jack_free(names);
  });
  return source;
}

bool TakeMidiPortNotice() { return Notice.exchange(false); }

bool MidiPortNoticesFor(int api) {
  if (api == RtMidi::UNIX_JACK)
    return JackUp();
  return api == RtMidi::LINUX_ALSA && AlsaWatching;
}

MidiSource MidiInputSource(MidiInputPort* port) {
  if (port == nullptr)
    return MidiSource::Gone;
  MidiSource source = MidiSource::Connected; // when the platform cannot tell, keep the port
  RunQuietly([&] {
    if (port->Api == RtMidi::UNIX_JACK) {
      source = JackSourceState(*port);
      return;
    }
    try {
      if (!FindPortNumber(*port->In, port->Number, port->Name))
        source = MidiSource::Gone;
    } catch (const RtMidiError&) {
    }
  });
  return source;
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
  // Destroying the RtMidiIn joins its input thread (ALSA); our JACK client
  // stops handing messages to the port. A callback already inside the
  // handler is waited out below, and any later one sees Closing. Only then
  // may the held notes be released.
  RunQuietly([&] {
    if (port->Api == RtMidi::UNIX_JACK)
      CloseJackInput(*port);
    port->In.reset();
  });
  while (port->Delivering.load() != 0)
    std::this_thread::yield();
  HandleMidiClose(*port->Engine);
  delete port;
}

} // namespace velmora
