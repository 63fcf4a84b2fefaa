// Loaded with LD_PRELOAD in place of PortAudio's own: an output stream that
// opens but will not start, which no device here can be made to do.
#include <portaudio.h>

extern "C" PaError Pa_StartStream(PaStream*) { return paDeviceUnavailable; }
