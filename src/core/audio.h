// The audio output stream, the report of an audio failure, and program end.
#pragma once

namespace velmora {

// Initialises the audio library and opens the output stream on the default
// device. On failure it reports the error and ends the program.
void StartAudio();
// Closes the gate and starts the stream; from here on the callback runs.
void StartStream();
// Ends the program with the given exit code, without waiting on the audio
// or MIDI threads.
[[noreturn]] void EndProgram(int exitCode);

} // namespace velmora
