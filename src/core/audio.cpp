#include "core/audio.h"

#include "core/state.h"
#include "engine/engine.h"
#include "ui/midiport.h"
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

[[noreturn]] void ReportAudioError() {
  tk::MessageBox("PortAudio", Pa_GetErrorText(Synth.AudioError));
  // A failure must read as one to whoever started the synth.
  EndProgram(1);
}

} // namespace

int RenderAudio(const void* /*input*/, void* output, unsigned long frameCount,
                const PaStreamCallbackTimeInfo* /*timeInfo*/, PaStreamCallbackFlags /*statusFlags*/,
                void* /*userData*/) noexcept VELMORA_NONBLOCKING {
  RenderBlock(Synth, static_cast<float*>(output), frameCount);
  AudioCallbacks.fetch_add(1, std::memory_order_relaxed);
  return paContinue;
}

void StartAudio() {
  SynthState& s = Synth;
  // The device scan makes alsa-lib and libjack print every probe that fails
  // (dozens of lines on a desktop); a real failure reaches the user in the
  // box below.
  RunQuietly([&] { s.AudioError = Pa_Initialize(); });
  if (s.AudioError != paNoError)
    ReportAudioError();

  s.OutputParameters.channelCount = 1;
  s.OutputParameters.device = Pa_GetDefaultOutputDevice();
  s.OutputParameters.sampleFormat = paFloat32;
  s.OutputParameters.suggestedLatency = 0.075;
  s.OutputParameters.hostApiSpecificStreamInfo = nullptr;

  RunQuietly([&] {
    s.AudioError = Pa_OpenStream(&s.AudioStream, nullptr, &s.OutputParameters, kSampleRate,
                                 paFramesPerBufferUnspecified, paNoFlag, RenderAudio, nullptr);
  });
  if (s.AudioError != paNoError)
    ReportAudioError();
}

void StartStream() {
  Synth.Gate = 0;
  RunQuietly([] { Synth.AudioError = Pa_StartStream(Synth.AudioStream); });
  if (Synth.AudioError != paNoError)
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
