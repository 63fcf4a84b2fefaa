// The knobs on the window: their canvases and value labels, through the
// toolkit layer. Kept apart from knob.cpp so that the painting links without
// a toolkit (the benchmark paints on a bare raster).
#include "core/state.h"
#include "ui/knob.h"
#include "ui/toolkit.h"

#include <cmath>
#include <string>

namespace velmora {

namespace {

constexpr int kKnobSize = 80;   // pixels
constexpr int kLabelAbove = 35; // label top above the canvas top, pixels
constexpr int kLabelWidth = 50;
constexpr int kLabelHeight = 30;
constexpr Colour kLabelText = Rgb(255, 255, 255);

} // namespace

void DrawKnob(int index) {
  if (index < 0 || index > kLastKnob)
    return;
  const Knob& knob = Synth.Knobs[index];
  Raster* raster = tk::BeginDrawing(knob.Canvas);
  if (raster == nullptr)
    return;
  PaintKnob(*raster, knob, index);
  tk::EndDrawing(knob.Canvas);
}

void CreateKnobs(int lastIndex) {
  // The table has no place for more knobs than the window holds.
  const int last = Clamp(lastIndex, -1, kLastKnob);
  for (int i = 0; i <= last; ++i) {
    Knob& knob = Synth.Knobs[i];
    const KnobControl& place = kKnobControls[i];
    knob.LightColour = Rgb(191, 191, 191);
    knob.DarkColour = Rgb(69, 69, 69);
    knob.BackgroundColour = Synth.PanelColour;

    knob.Size = kKnobSize;
    knob.Min = place.Min;
    knob.Max = place.Max;
    knob.Angle = place.StartAngle;
    knob.Value =
        MapToRange(knob.Angle, 0, 360, static_cast<float>(knob.Min), static_cast<float>(knob.Max));

    knob.Canvas = tk::CreateCanvas(tk::kAutoId, place.X, place.Y, knob.Size, knob.Size,
                                   /*sunkenBorder=*/false, /*focusable=*/true);
    knob.CentreX = knob.CentreY = static_cast<int>(std::nearbyint(knob.Size / 2.0));

    knob.ValueLabel = tk::CreateLabel(tk::kAutoId, place.X + knob.CentreX, place.Y - kLabelAbove,
                                      kLabelWidth, kLabelHeight, "");
    tk::SetLabelColours(knob.ValueLabel, kLabelText, knob.BackgroundColour);

    DrawKnob(i);

    if (place.Rule == KnobRule::Caption) {
      // A font of its own; the label keeps the default one if it will not load.
      const int font = tk::LoadFont("Arial", 10);
      if (font != 0)
        tk::SetLabelFont(knob.ValueLabel, font);
    }
    tk::SetLabelText(knob.ValueLabel, KnobLabelText(i));
  }
}

} // namespace velmora
