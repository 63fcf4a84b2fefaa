#include "app/midiport.h"

#include "midi/handler.h"
#include "midi/message.h"
#include "ui/toolkit.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <iostream>
#include <memory>
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
  // JACK: our input port's full name, as a connection of the source's port;
  // empty when it could not be told.
  std::string JackInput;
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
// A client of each platform that only listens to its announcements of ports
// coming and going. Each announcement sets Notice and wakes the event loop,
// which then looks at the open port; between announcements nothing runs.

std::atomic<bool> Notice{false};

void Announce() {
  Notice = true;
  tk::Wake();
}

// JACK: callbacks on the client's notification thread. The client is active
// (JACK sends notices only to active clients) but has no process callback,
// so the server does not wake it on every cycle.
jack_client_t* JackWatch = nullptr;
std::atomic<bool> JackWatchDown{false};

void OnJackPort(jack_port_id_t, int, void*) { Announce(); }
void OnJackShutdown(void*) {
  JackWatchDown = true;
  Announce();
}

bool WatchJack() {
  if (JackWatch != nullptr && !JackWatchDown)
    return true;
  // A client whose server died is left as it is: closing it could wait on
  // the dead server.
  JackWatch = jack_client_open("Velmora watch", JackNoStartServer, nullptr);
  JackWatchDown = false;
  if (JackWatch == nullptr)
    return false;
  jack_on_shutdown(JackWatch, OnJackShutdown, nullptr);
  if (jack_set_port_registration_callback(JackWatch, OnJackPort, nullptr) != 0 ||
      jack_activate(JackWatch) != 0) {
    jack_client_close(JackWatch);
    JackWatch = nullptr;
    return false;
  }
  return true;
}

// The ports a JACK port is connected to, by full name.
std::vector<std::string> JackConnections(const std::string& name) {
  std::vector<std::string> names;
  const jack_port_t* port =
      JackWatch == nullptr || JackWatchDown ? nullptr : jack_port_by_name(JackWatch, name.c_str());
  if (port == nullptr)
    return names;
  if (const char** connected = jack_port_get_all_connections(JackWatch, port)) {
    for (size_t i = 0; connected[i] != nullptr; ++i)
      names.emplace_back(connected[i]);
    jack_free(connected);
  }
  return names;
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

// The RtMidi callback, on the platform's MIDI thread. Long messages and
// malformed ones are dropped by the packing.
void DeliverMessage(double, std::vector<unsigned char>* message, void* userData) {
  auto* port = static_cast<MidiInputPort*>(userData);
  port->Delivering.fetch_add(1);
  if (port->Started.load() && !port->Closing.load()) {
    if (const auto word = PackShortMessage(*message)) {
      HandleMidiData(*port->Engine, *word);
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

namespace {

// JACK's MIDI sources as RtMidi's input lists them, without the client that
// RtMidi would open and activate for that (activating and closing each wait
// for the server's cycle): through the watch client when it runs, else a
// client that is never activated. False when there is no JACK server.
bool ListJackSources(std::vector<FoundMidiPort>& found) {
  jack_client_t* client = JackWatch != nullptr && !JackWatchDown
                              ? JackWatch
                              : jack_client_open(kClientName, JackNoStartServer, nullptr);
  if (client == nullptr)
    return false;
  if (const char** names =
          jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput)) {
    for (unsigned i = 0; names[i] != nullptr; ++i)
      found.push_back({RtMidi::UNIX_JACK, i, std::string(names[i])});
    jack_free(names);
  }
  if (client != JackWatch)
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
  bool opened = false;
  RunQuietly([&] {
    try {
      port->In = std::make_unique<RtMidiIn>(static_cast<RtMidi::Api>(found.Api), kClientName);
      port->In->setErrorCallback(NoteRtMidiError, port.get());
      const auto number = FindPortNumber(*port->In, found.Number, *found.Name);
      if (number && !port->Failed) {
        // Clock and active sensing must reach the handler: every data message
        // refreshes the note label. System-exclusive data never does anything.
        port->In->ignoreTypes(true, false, false);
        port->In->setCallback(DeliverMessage, port.get());
        // Our own port is the source's one new connection: RtMidi does not
        // tell its name, and its client may have been renamed.
        const bool jack = found.Api == RtMidi::UNIX_JACK && WatchJack();
        const std::vector<std::string> before =
            jack ? JackConnections(*found.Name) : std::vector<std::string>{};
        port->In->openPort(*number, kInputPortName);
        // The server shows a new connection from its next cycle on.
        for (int wait = 0; jack && port->JackInput.empty() && wait < 100; ++wait) {
          for (std::string& name : JackConnections(*found.Name)) {
            if (std::find(before.begin(), before.end(), name) == before.end())
              port->JackInput = std::move(name);
          }
          if (port->JackInput.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        opened = port->In->isPortOpen() && !port->Failed;
        port->Api = found.Api;
        port->Name = *found.Name;
        port->Number = *number;
      }
    } catch (const RtMidiError&) {
    }
    if (!opened)
      port->In.reset(); // may print, so inside the quiet section
    else if (found.Api == RtMidi::LINUX_ALSA)
      WatchAlsa();
  });
  return opened ? port.release() : nullptr;
}

bool TakeMidiPortNotice() { return Notice.exchange(false); }

bool MidiPortNoticesFor(int api) {
  if (api == RtMidi::UNIX_JACK)
    return JackWatch != nullptr && !JackWatchDown;
  return api == RtMidi::LINUX_ALSA && AlsaWatching;
}

bool MidiInputSourcePresent(MidiInputPort* port) {
  if (port == nullptr || !port->In)
    return false;
  // A JACK source that quit and came back under the same name is a new port
  // (perhaps even in the old one's slot): our connection went with the old
  // one, and that is what tells.
  if (!port->JackInput.empty() && MidiPortNoticesFor(RtMidi::UNIX_JACK)) {
    const std::vector<std::string> connected = JackConnections(port->Name);
    return std::find(connected.begin(), connected.end(), port->JackInput) != connected.end();
  }
  bool present = true; // when the platform cannot tell, keep the port
  RunQuietly([&] {
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
  // Closing. Only then may the held notes be released.
  RunQuietly([&] { port->In.reset(); });
  while (port->Delivering.load() != 0)
    std::this_thread::yield();
  HandleMidiClose(*port->Engine);
  delete port;
}

} // namespace velmora
