// The audio output stream, the report of an audio failure, and program end.
#pragma once

#include "engine/engine.h"

#include <portaudio.h>

namespace velmora {

// The stream callback: renders the EngineState that userData points to. Has
// the shape of PortAudio's PaStreamCallback and always asks it to continue.
int RenderAudio(const void* input, void* output, unsigned long frameCount,
                const PaStreamCallbackTimeInfo* timeInfo, PaStreamCallbackFlags statusFlags,
                void* userData) noexcept VELMORA_NONBLOCKING;

// Initialises the audio library and opens the output stream on the default
// device, to render the engine. On failure it reports the error and ends the
// program.
void StartAudio(EngineState& engine);
// Closes the engine's gate and starts the stream; from here on the callback
// runs. On failure it reports the error and ends the program.
void StartStream(EngineState& engine);
// Called every kAudioCheckPeriodMs from the event loop once the stream runs:
// when the callback has not run for a second and the stream has ended or the
// audio server it went through is gone (or, that unknown, after
// kAudioGiveUpSeconds of silence), the output has stopped. Reopening the
// stream could hang for minutes, so this tells the user to start Velmora
// again and ends the program. A server that only pauses is waited for.
constexpr int kAudioCheckPeriodMs = 250;
constexpr int kAudioGiveUpSeconds = 10;
void CheckAudioRunning();
// Ends the program with the given exit code, without waiting on the audio
// or MIDI threads.
[[noreturn]] void EndProgram(int exitCode);

} // namespace velmora
