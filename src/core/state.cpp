#include "core/state.h"

#include <cstring>

namespace velmora {

SynthState Synth;

PackedLabel PackLabel(const char* text) noexcept {
  PackedLabel packed = 0;
  for (int i = 0; i < 8 && text[i] != '\0'; ++i)
    packed |= static_cast<PackedLabel>(static_cast<unsigned char>(text[i])) << (8 * i);
  return packed;
}

std::string UnpackLabel(PackedLabel packed) {
  std::string text;
  for (int i = 0; i < 8; ++i) {
    const char c = static_cast<char>((packed >> (8 * i)) & 0xFF);
    if (c == '\0')
      break;
    text.push_back(c);
  }
  return text;
}

double PitchFromKnobValue(int32_t v) { return v <= 1200 ? v + 1200.0 : v - 1200.0; }

namespace {

void ZeroFill() {
  SynthState& s = Synth;
#define VELMORA_ZERO(name) s.name = 0;
  VELMORA_SHARED_DOUBLES(VELMORA_ZERO)
  VELMORA_SHARED_INTS(VELMORA_ZERO)
  VELMORA_AUDIO_DOUBLES(VELMORA_ZERO)
  VELMORA_AUDIO_INTS(VELMORA_ZERO)
  VELMORA_GUI_DOUBLES(VELMORA_ZERO)
  VELMORA_GUI_INTS(VELMORA_ZERO)
#undef VELMORA_ZERO
  s.OscOutput = 0.0f;
  s.NoteLabel = 0;
  s.NoteLabelSerial = 0;
  s.NoteNames.clear();
  s.AudioStream = nullptr;
  std::memset(&s.OutputParameters, 0, sizeof s.OutputParameters);
  s.MidiIn = nullptr;
  s.PanelColour = 0;
  s.Knobs = {};
  s.Osc1DragPoint.clear();
  s.Osc2DragPoint.clear();
}

} // namespace

void InitSynthState() {
  SynthState& s = Synth;
  ZeroFill();

  s.NoteStarted = 0;
  s.Osc1Pitch = PitchFromKnobValue(0);
  s.Osc2Pitch = PitchFromKnobValue(0);
  s.MixAmount = 50;

  s.LastKnob = kLastKnob;
  s.Knobs = {};

  s.PanelColour = Rgb(85, 0, 0);
  s.Sync = 0;
  s.Osc1GroupButton = 0;
  s.Osc2GroupButton = 0;
  s.FadeCounter = 0;
  s.FadeOutLevel = 0;
  s.AttackStarted = 0;
  s.NoteNames = "C C#D EbE F F#G AbA BbB C ";

  // The knob start values 12, 20 and 60 give these settings.
  s.PreviousFrequency = 100;
  s.Attack = 12 * 20;
  s.Decay = 20 * 50;
  s.Sustain = 50;
  s.Release = 60 * 50;

  s.Osc1WarpIn = s.Osc1WarpOut = s.Osc2WarpIn = s.Osc2WarpOut = 50;

  s.Osc1WarpIn1 = s.Osc2WarpIn1 = 95;
  s.Osc1WarpIn2 = s.Osc2WarpIn2 = 70;
  s.Osc1WarpIn3 = s.Osc2WarpIn3 = 5;
  s.Osc1WarpIn4 = s.Osc2WarpIn4 = 90;
  s.Osc1WarpOut1 = s.Osc2WarpOut1 = 20;
  s.Osc1WarpOut2 = s.Osc2WarpOut2 = 500;
  s.Osc1WarpOut3 = s.Osc2WarpOut3 = 200;
  s.Osc1WarpOut4 = s.Osc2WarpOut4 = 400;

  // Canvas points from the keyframes: x = Out / 2.5, y = In * 2.
  s.Osc1GroupDrag = 0;
  s.Osc1Point1X = s.Osc1WarpOut1 / 2.5;
  s.Osc1Point1Y = s.Osc1WarpIn1 * 2;
  s.Osc1Point2X = s.Osc1WarpOut2 / 2.5;
  s.Osc1Point2Y = s.Osc1WarpIn2 * 2;
  s.Osc1Point3X = s.Osc1WarpOut3 / 2.5;
  s.Osc1Point3Y = s.Osc1WarpIn3 * 2;
  s.Osc1Point4X = s.Osc1WarpOut4 / 2.5;
  s.Osc1Point4Y = s.Osc1WarpIn4 * 2;
  s.Osc1DragPoint = "Unpressed";

  s.Osc2GroupDrag = 0;
  s.Osc2Point1X = s.Osc2WarpOut1 / 2.5;
  s.Osc2Point1Y = s.Osc2WarpIn1 * 2;
  s.Osc2Point2X = s.Osc2WarpOut2 / 2.5;
  s.Osc2Point2Y = s.Osc2WarpIn2 * 2;
  s.Osc2Point3X = s.Osc2WarpOut3 / 2.5;
  s.Osc2Point3Y = s.Osc2WarpIn3 * 2;
  s.Osc2Point4X = s.Osc2WarpOut4 / 2.5;
  s.Osc2Point4Y = s.Osc2WarpIn4 * 2;
  s.Osc2DragPoint = "Unpressed";
}

} // namespace velmora
