#include "core/audio.h"

#include "core/state.h"
#include "engine/engine.h"
#include "ui/toolkit.h"

#include <portaudio.h>

#include <cstdio>
#include <cstdlib>

namespace velmora {

namespace {

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
  return paContinue;
}

void StartAudio() {
  SynthState& s = Synth;
  s.AudioError = Pa_Initialize();
  if (s.AudioError != paNoError)
    ReportAudioError();

  s.OutputParameters.channelCount = 1;
  s.OutputParameters.device = Pa_GetDefaultOutputDevice();
  s.OutputParameters.sampleFormat = paFloat32;
  s.OutputParameters.suggestedLatency = 0.075;
  s.OutputParameters.hostApiSpecificStreamInfo = nullptr;

  s.AudioError = Pa_OpenStream(&s.AudioStream, nullptr, &s.OutputParameters, kSampleRate,
                               paFramesPerBufferUnspecified, paNoFlag, RenderAudio, nullptr);
  if (s.AudioError != paNoError)
    ReportAudioError();
}

void StartStream() {
  Synth.Gate = 0;
  Pa_StartStream(Synth.AudioStream); // a failure here just means no sound
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
