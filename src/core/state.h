// The one program-wide synth state: the engine's state (sound parameters,
// note state, everything the audio thread keeps), the devices, and what the
// user-interface thread keeps of the window. Shared by the user-interface
// thread, the MIDI thread and the audio thread; the engine's part says which
// fields are shared.
#pragma once

#include "core/controls.h"
#include "engine/state.h"
#include "ui/colour.h"

#include <portaudio.h>

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

struct MidiInputPort; // the platform's open MIDI input, see src/ui/midiport.h

// One knob of the window; every field is owned by the user-interface thread.
struct Knob {
  int32_t Canvas;  // toolkit identifier of the knob's canvas
  int32_t Size;    // side of the square canvas, pixels
  int32_t Min;     // smallest value
  int32_t Max;     // largest value
  int32_t Value;   // always within Min..Max
  int32_t CentreX; // knob centre inside the canvas, pixels
  int32_t CentreY;
  Colour LightColour; // cap light grey
  Colour DarkColour;  // cap dark grey
  Colour BackgroundColour;
  float Angle;        // degrees clockwise from 12 o'clock, 0..360
  int32_t ValueLabel; // toolkit identifier of the value label
};

// clang-format off
// Fields of the user-interface thread alone.
#define VELMORA_GUI_DOUBLES(X)                                                \
  /* warp canvas points, pixels 0..200 */                                     \
  X(Osc1Point1X) X(Osc1Point1Y) X(Osc1Point2X) X(Osc1Point2Y)                 \
  X(Osc1Point3X) X(Osc1Point3Y) X(Osc1Point4X) X(Osc1Point4Y)                 \
  X(Osc2Point1X) X(Osc2Point1Y) X(Osc2Point2X) X(Osc2Point2Y)                 \
  X(Osc2Point3X) X(Osc2Point3Y) X(Osc2Point4X) X(Osc2Point4Y)

#define VELMORA_GUI_INTS(X)                                                   \
  X(AudioError) X(MidiDevice) X(LastKnob) X(DraggedKnob) X(KnobIndex)         \
  X(Osc1GroupButton) X(Osc2GroupButton) X(Osc1GroupDrag) X(Osc2GroupDrag)     \
  X(CanvasMouseX) X(CanvasMouseY) X(Osc2CanvasMouseX) X(Osc2CanvasMouseY)     \
  X(Osc1DragDX) X(Osc1DragDY) X(Osc2DragDX) X(Osc2DragDY)
// clang-format on

struct SynthState : EngineState {
#define VELMORA_DOUBLE(name) double name;
#define VELMORA_INT(name) int32_t name;
  VELMORA_GUI_DOUBLES(VELMORA_DOUBLE)
  VELMORA_GUI_INTS(VELMORA_INT)
#undef VELMORA_DOUBLE
#undef VELMORA_INT

  // Devices.
  PaStream* AudioStream;
  PaStreamParameters OutputParameters;
  MidiInputPort* MidiIn;

  // User interface.
  Colour PanelColour;
  std::array<Knob, kKnobCount> Knobs;
  std::string Osc1DragPoint; // "FirstPoint" .. "FourthPoint" or "Unpressed"
  std::string Osc2DragPoint;
};

extern SynthState Synth;

// Each oscillator's canvas points, keyframes 1..4: x and y in pixels.
using PointField = double SynthState::*;
struct WarpPointFields {
  PointField X[kWarpPoints];
  PointField Y[kWarpPoints];
};
inline constexpr WarpPointFields kWarpPointFields[2] = {
    {{&SynthState::Osc1Point1X, &SynthState::Osc1Point2X, &SynthState::Osc1Point3X,
      &SynthState::Osc1Point4X},
     {&SynthState::Osc1Point1Y, &SynthState::Osc1Point2Y, &SynthState::Osc1Point3Y,
      &SynthState::Osc1Point4Y}},
    {{&SynthState::Osc2Point1X, &SynthState::Osc2Point2X, &SynthState::Osc2Point3X,
      &SynthState::Osc2Point4X},
     {&SynthState::Osc2Point1Y, &SynthState::Osc2Point2Y, &SynthState::Osc2Point3Y,
      &SynthState::Osc2Point4Y}},
};

// Zero-fills the state and gives it its start-up defaults. Called once at
// start-up before any other thread exists; tests call it to reset the state
// between cases.
void InitSynthState();

} // namespace velmora
