#include "app/audio.h"

#include "app/midiport.h"
#include "engine/engine.h"
#include "ui/toolkit.h"

#include <portaudio.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace velmora {

namespace {

// Callbacks so far; the user-interface thread watches it move.
std::atomic<uint32_t> AudioCallbacks{0};
static_assert(std::atomic<uint32_t>::is_always_lock_free);

PaStream* Stream = nullptr;
PaError Error = paNoError;

[[noreturn]] void ReportAudioError() {
  tk::MessageBox("PortAudio", Pa_GetErrorText(Error));
  // A failure must read as one to whoever started the synth.
  EndProgram(1);
}

// Whether a server listens on this socket. A stopped server (SIGSTOP, or
// stuck) still has its socket take the connection into its queue; one that
// is gone refuses it, or its socket file is gone.
bool Listening(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path)
    return false;
  path.copy(address.sun_path, path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return true; // cannot tell
  const bool listening =
      connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
      errno == EAGAIN || errno == EINPROGRESS;
  close(fd);
  return listening;
}

std::string FromEnvironment(const char* name, const char* otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : otherwise;
}

// The sockets of the audio servers that may carry the stream under ALSA:
// JACK's (jackd, or ALSA's jack plugin) and PipeWire's and PulseAudio's
// (PipeWire serves both on a desktop).
std::vector<std::string> AudioServerSockets() {
  std::vector<std::string> paths{"/dev/shm/jack_" +
                                 FromEnvironment("JACK_DEFAULT_SERVER", "default") + "_" +
                                 std::to_string(getuid()) + "_0"};
  const std::string runtime = FromEnvironment("XDG_RUNTIME_DIR", "");
  const std::string pipewire = FromEnvironment("PIPEWIRE_REMOTE", "pipewire-0");
  if (pipewire[0] == '/')
    paths.push_back(pipewire);
  else if (const std::string dir = FromEnvironment("PIPEWIRE_RUNTIME_DIR", runtime.c_str());
           !dir.empty())
    paths.push_back(dir + "/" + pipewire);
  if (!runtime.empty())
    paths.push_back(runtime + "/pulse/native");
  return paths;
}

std::vector<std::string> ListeningAudioServers() {
  std::vector<std::string> paths = AudioServerSockets();
  std::erase_if(paths, [](const std::string& path) { return !Listening(path); });
  return paths;
}

} // namespace

int RenderAudio(const void* /*input*/, void* output, unsigned long frameCount,
                const PaStreamCallbackTimeInfo* /*timeInfo*/, PaStreamCallbackFlags /*statusFlags*/,
                void* userData) noexcept VELMORA_NONBLOCKING {
  RenderBlock(*static_cast<EngineState*>(userData), static_cast<float*>(output), frameCount);
  AudioCallbacks.fetch_add(1, std::memory_order_relaxed);
  return paContinue;
}

void StartAudio(EngineState& engine) {
  // The device scan makes alsa-lib and libjack print every probe that fails
  // (dozens of lines on a desktop); a real failure reaches the user in the
  // box below.
  RunQuietly([&] { Error = Pa_Initialize(); });
  if (Error != paNoError)
    ReportAudioError();

  PaStreamParameters output{};
  output.channelCount = 1;
  output.device = Pa_GetDefaultOutputDevice();
  output.sampleFormat = paFloat32;
  output.suggestedLatency = 0.075;
  output.hostApiSpecificStreamInfo = nullptr;

  RunQuietly([&] {
    Error = Pa_OpenStream(&Stream, nullptr, &output, kSampleRate, paFramesPerBufferUnspecified,
                          paNoFlag, RenderAudio, &engine);
  });
  if (Error != paNoError)
    ReportAudioError();
}

void StartStream(EngineState& engine) {
  engine.Gate = 0;
  RunQuietly([] { Error = Pa_StartStream(Stream); });
  if (Error != paNoError)
    ReportAudioError();
}

void CheckAudioRunning() {
  using Clock = std::chrono::steady_clock;
  static uint32_t seen = AudioCallbacks.load(std::memory_order_relaxed);
  static Clock::time_point moved = Clock::now(), checked = moved;
  // The servers that listen at the start, when the stream has just started.
  static const std::vector<std::string> servers = ListeningAudioServers();
  const uint32_t count = AudioCallbacks.load(std::memory_order_relaxed);
  const Clock::time_point now = Clock::now();
  // A check long overdue means this thread did not run either (the machine
  // slept, a modal box was open): the audio thread gets a fresh second.
  const bool overdue = now - checked > std::chrono::seconds(1);
  checked = now;
  if (count != seen || overdue) {
    seen = count;
    moved = now;
    return;
  }
  // A silence alone does not tell: a server that is paused, busy or changing
  // its device stops the callbacks for a while, and the sound comes back.
  // The output has stopped for good when the stream says so or when the
  // server it went through has gone; a silence this long is taken for that
  // as the last resort.
  const Clock::duration silent = now - moved;
  if (silent < std::chrono::seconds(1))
    return;
  if (silent < std::chrono::seconds(kAudioGiveUpSeconds) && Pa_IsStreamActive(Stream) == 1 &&
      std::all_of(servers.begin(), servers.end(), Listening))
    return;
  tk::MessageBox("PortAudio", "The audio output has stopped. Please start Velmora again.");
  EndProgram(1);
}

void EndProgram(int exitCode) {
  tk::Shutdown();
  // The stream and the MIDI port are left running on purpose: stopping a
  // stream whose audio server has died can block for minutes, and ending the
  // process stops both callbacks before anything they use goes away.
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

} // namespace velmora
