// The knobs on the window: their canvases and value labels, through the
// toolkit layer. Kept apart from knob.cpp so that the painting links without
// a toolkit (the benchmark paints on a bare raster).
#include "ui/knob.h"

#include <cmath>

namespace velmora {

namespace {

constexpr int kLabelAbove = 35; // label top above the canvas top, pixels
constexpr int kLabelWidth = 50;
constexpr int kLabelHeight = 30;
constexpr Colour kLabelText = Rgb(255, 255, 255);

struct Place {
  int X, Y; // canvas top-left on the window, pixels
};
// In the table's order.
constexpr Place kKnobPlaces[kKnobCount] = {{40, 50},  {40, 170}, {40, 290}, {240, 50},
                                           {340, 50}, {440, 50}, {540, 50}};

} // namespace

void DrawKnob(tk::Window& w, const Knob& knob, int index) {
  Raster* raster = tk::BeginDrawing(w, knob.Canvas);
  if (raster == nullptr)
    return;
  PaintKnob(*raster, knob, index);
  tk::EndDrawing(w, knob.Canvas);
}

void CreateKnobs(tk::Window& w, std::array<Knob, kKnobCount>& knobs, Colour panel) {
  for (int i = 0; i < kKnobCount; ++i) {
    Knob& knob = knobs[i];
    const KnobControl& control = kKnobControls[i];
    const Place& place = kKnobPlaces[i];
    knob.LightColour = Rgb(191, 191, 191);
    knob.DarkColour = Rgb(69, 69, 69);
    knob.BackgroundColour = panel;

    knob.Size = kKnobSize;
    knob.Min = control.Min;
    knob.Max = control.Max;
    knob.Angle = control.StartAngle;
    knob.Value = StartValue(control);

    knob.Canvas = tk::CreateCanvas(w, tk::kAutoId, place.X, place.Y, knob.Size, knob.Size,
                                   /*sunkenBorder=*/false, /*focusable=*/true);
    knob.CentreX = knob.CentreY = static_cast<int>(std::nearbyint(knob.Size / 2.0));

    knob.ValueLabel = tk::CreateLabel(w, tk::kAutoId, place.X + knob.CentreX, place.Y - kLabelAbove,
                                      kLabelWidth, kLabelHeight, "");
    tk::SetLabelColours(w, knob.ValueLabel, kLabelText, knob.BackgroundColour);

    DrawKnob(w, knob, i);

    if (control.Rule == KnobRule::Caption) {
      // A font of its own; the label keeps the default one if it will not load.
      const int font = tk::LoadFont("Arial", 10);
      if (font != 0)
        tk::SetLabelFont(w, knob.ValueLabel, font);
    }
    tk::SetLabelText(w, knob.ValueLabel, KnobLabel(control, knob.Value));
  }
}

} // namespace velmora
