#include "app/audio.h"

#include "app/midiport.h"
#include "engine/engine.h"
#include "ui/toolkit.h"

#include <portaudio.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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
  if (now - moved < std::chrono::seconds(1))
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
