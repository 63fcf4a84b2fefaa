#include "ui/warpeditor.h"

#include "core/state.h"
#include "ui/raster.h"

#include <array>
#include <string>

namespace velmora {

namespace {

constexpr int kPoints = kWarpPoints;
constexpr int kCanvasSide = kWarpCanvasSide; // points stay within 0..200 inclusive
constexpr int kDotRadius = 5;
// A point is picked up inside the 9 x 9 square centred on it.
constexpr int kPickReach = 5;

const std::array<const char*, kPoints> kPointNames = {"FirstPoint", "SecondPoint", "ThirdPoint",
                                                      "FourthPoint"};
const char* const kUnpressed = "Unpressed";

constexpr std::array<Colour, kPoints> kDotColours = {Rgb(0, 255, 0), Rgb(255, 255, 255),
                                                     Rgb(255, 255, 255), Rgb(255, 0, 0)};
// Line from point k to point k + 1.
constexpr std::array<Colour, kPoints - 1> kLineColours = {Rgb(0, 255, 0), Rgb(255, 204, 0),
                                                          Rgb(255, 0, 0)};

// One oscillator's editor, as references into the synth state.
struct Editor {
  int Osc; // 0 or 1
  int Canvas;
  std::array<double*, kPoints> X, Y;
  std::string& Selection;
  int& GroupDrag;
  int& DragDX;
  int& DragDY;
  int& MouseX;
  int& MouseY;
};

Editor EditorOf(int osc) {
  SynthState& s = Synth;
  const WarpPointFields& f = kWarpPointFields[osc == 1 ? 0 : 1];
  Editor e = osc == 1 ? Editor{0,
                               kOsc1WarpCanvas,
                               {},
                               {},
                               s.Osc1DragPoint,
                               s.Osc1GroupDrag,
                               s.Osc1DragDX,
                               s.Osc1DragDY,
                               s.CanvasMouseX,
                               s.CanvasMouseY}
                      : Editor{1,
                               kOsc2WarpCanvas,
                               {},
                               {},
                               s.Osc2DragPoint,
                               s.Osc2GroupDrag,
                               s.Osc2DragDX,
                               s.Osc2DragDY,
                               s.Osc2CanvasMouseX,
                               s.Osc2CanvasMouseY};
  for (int k = 0; k < kPoints; ++k) {
    e.X[k] = &(s.*f.X[k]);
    e.Y[k] = &(s.*f.Y[k]);
  }
  return e;
}

// The points hold whole numbers, so the conversions are exact.
int PixelOf(const double* coordinate) { return static_cast<int>(*coordinate); }

void Paint(Raster& r, const Editor& e) {
  SetPlainMode(r);
  FillBox(r, 0, 0, kCanvasSide, kCanvasSide, Rgb(0, 0, 0));
  for (int k = 0; k < kPoints; ++k)
    DrawCircle(r, PixelOf(e.X[k]), PixelOf(e.Y[k]), kDotRadius, kDotColours[k]);
  // Lines over the dots, so each dot shows where its lines meet it.
  for (int k = 0; k + 1 < kPoints; ++k)
    DrawLine(r, PixelOf(e.X[k]), PixelOf(e.Y[k]), PixelOf(e.X[k + 1]), PixelOf(e.Y[k + 1]),
             kLineColours[k]);
}

void WriteKeyframe(const Editor& e, int k) { SetWarpKeyframe(Synth, e.Osc, k, *e.X[k], *e.Y[k]); }

int SelectedPoint(const Editor& e) {
  for (int k = 0; k < kPoints; ++k)
    if (e.Selection == kPointNames[k])
      return k;
  return -1;
}

bool OnCanvas(double v) { return v >= 0 && v <= kCanvasSide; }

// The move of one left-held pointer event, with drawing already begun.
void MoveWithPointer(Raster& r, const Editor& e, int mx, int my) {
  if (e.Selection == kUnpressed) {
    // Lower-numbered points win where squares overlap. Once a point is held
    // there is no hit test, so a fast pointer cannot lose it.
    for (int k = 0; k < kPoints; ++k) {
      if (*e.X[k] - kPickReach < mx && mx < *e.X[k] + kPickReach && *e.Y[k] - kPickReach < my &&
          my < *e.Y[k] + kPickReach) {
        e.Selection = kPointNames[k];
        break;
      }
    }
  }
  const int held = SelectedPoint(e);

  if (e.GroupDrag == 0) {
    // Outside the canvas the point stays where it was last put, not clamped.
    if (!OnCanvas(mx) || !OnCanvas(my))
      return;
    if (held >= 0) {
      *e.X[held] = mx;
      *e.Y[held] = my;
      WriteKeyframe(e, held);
    }
    Paint(r, e);
    return;
  }

  // Group mode: the held point lands under the pointer and the shape moves
  // rigidly; with no point held the last offset is used again.
  if (held >= 0) {
    e.DragDX = mx - PixelOf(e.X[held]);
    e.DragDY = my - PixelOf(e.Y[held]);
  }
  for (int k = 0; k < kPoints; ++k)
    if (!OnCanvas(*e.X[k] + e.DragDX) || !OnCanvas(*e.Y[k] + e.DragDY))
      return; // all or nothing: the shape never slides along a border
  for (int k = 0; k < kPoints; ++k) {
    *e.X[k] += e.DragDX;
    *e.Y[k] += e.DragDY;
  }
  for (int k = 0; k < kPoints; ++k)
    WriteKeyframe(e, k);
  Paint(r, e);
}

} // namespace

bool DrawWarpCanvas(int osc) {
  const Editor e = EditorOf(osc);
  Raster* r = tk::BeginDrawing(e.Canvas);
  if (r == nullptr)
    return false;
  Paint(*r, e);
  tk::EndDrawing(e.Canvas);
  return true;
}

void WarpEditorStep(int osc, const tk::Event& current) {
  const Editor e = EditorOf(osc);
  if (current.Kind != tk::EventKind::Control || current.Control != e.Canvas)
    return;

  if (current.Type == tk::EventType::MouseMove && (current.Buttons & tk::kLeftButton) != 0) {
    // A move that cannot be drawn is dropped whole: no pick-up, no move.
    if (Raster* r = tk::BeginDrawing(e.Canvas)) {
      e.MouseX = current.X;
      e.MouseY = current.Y;
      MoveWithPointer(*r, e, current.X, current.Y);
      tk::EndDrawing(e.Canvas);
    }
  }

  if (current.Type == tk::EventType::LeftUp) {
    // A release on either canvas ends the drags of both.
    Synth.Osc1DragPoint = kUnpressed;
    Synth.Osc2DragPoint = kUnpressed;
    e.DragDX = 0;
    e.DragDY = 0;
  }
}

} // namespace velmora
