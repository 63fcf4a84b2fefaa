#include "ui/warpeditor.h"

#include "ui/ids.h"
#include "ui/raster.h"

namespace velmora {

namespace {

constexpr int kDotRadius = 5;
// A point is picked up inside the 9 x 9 square centred on it.
constexpr int kPickReach = 5;

constexpr std::array<Colour, kWarpPoints> kDotColours = {Rgb(0, 255, 0), Rgb(255, 255, 255),
                                                         Rgb(255, 255, 255), Rgb(255, 0, 0)};
// Line from point k to point k + 1.
constexpr std::array<Colour, kWarpPoints - 1> kLineColours = {Rgb(0, 255, 0), Rgb(255, 204, 0),
                                                              Rgb(255, 0, 0)};

int WarpCanvas(const WarpEditor& e) { return e.Osc == 0 ? kOsc1WarpCanvas : kOsc2WarpCanvas; }

void Paint(Raster& r, const WarpEditor& e) {
  SetPlainMode(r);
  FillBox(r, 0, 0, kWarpCanvasSide, kWarpCanvasSide, Rgb(0, 0, 0));
  for (int k = 0; k < kWarpPoints; ++k)
    DrawCircle(r, e.Points[k].X, e.Points[k].Y, kDotRadius, kDotColours[k]);
  // Lines over the dots, so each dot shows where its lines meet it.
  for (int k = 0; k + 1 < kWarpPoints; ++k)
    DrawLine(r, e.Points[k].X, e.Points[k].Y, e.Points[k + 1].X, e.Points[k + 1].Y,
             kLineColours[k]);
}

void SendPoint(const WarpEditor& e, int k, ParameterSink& sink) {
  sink.Set(PointControl(e.Osc, k, false), e.Points[k].X);
  sink.Set(PointControl(e.Osc, k, true), e.Points[k].Y);
}

bool OnCanvas(int v) { return v >= 0 && v <= kWarpCanvasSide; }

// The move of one left-held pointer event, with drawing already begun.
void MoveWithPointer(Raster& r, WarpEditor& e, int mx, int my, ParameterSink& sink) {
  if (e.Held == HeldPoint::None) {
    // Lower-numbered points win where squares overlap. Once a point is held
    // there is no hit test, so a fast pointer cannot lose it.
    for (int k = 0; k < kWarpPoints; ++k) {
      const CanvasPoint& p = e.Points[k];
      if (p.X - kPickReach < mx && mx < p.X + kPickReach && p.Y - kPickReach < my &&
          my < p.Y + kPickReach) {
        e.Held = static_cast<HeldPoint>(k + 1);
        break;
      }
    }
  }
  const int held = static_cast<int>(e.Held) - 1;

  if (!e.GroupMode) {
    // Outside the canvas the point stays where it was last put, not clamped.
    if (!OnCanvas(mx) || !OnCanvas(my))
      return;
    if (held >= 0) {
      e.Points[held] = {mx, my};
      SendPoint(e, held, sink);
    }
    Paint(r, e);
    return;
  }

  // Group mode: the held point lands under the pointer and the shape moves
  // rigidly; with no point held the last offset is used again.
  if (held >= 0) {
    e.GroupDX = mx - e.Points[held].X;
    e.GroupDY = my - e.Points[held].Y;
  }
  for (const CanvasPoint& p : e.Points)
    if (!OnCanvas(p.X + e.GroupDX) || !OnCanvas(p.Y + e.GroupDY))
      return; // all or nothing: the shape never slides along a border
  for (CanvasPoint& p : e.Points)
    p = {p.X + e.GroupDX, p.Y + e.GroupDY};
  for (int k = 0; k < kWarpPoints; ++k)
    SendPoint(e, k, sink);
  Paint(r, e);
}

} // namespace

bool DrawWarpCanvas(tk::Window& w, const WarpEditor& e) {
  Raster* r = tk::BeginDrawing(w, WarpCanvas(e));
  if (r == nullptr)
    return false;
  Paint(*r, e);
  tk::EndDrawing(w, WarpCanvas(e));
  return true;
}

void WarpEditorStep(tk::Window& w, WarpEditor& e, const tk::Event& current, ParameterSink& sink) {
  const int canvas = WarpCanvas(e);
  if (current.Kind != tk::EventKind::Control || current.Control != canvas)
    return;
  if (current.Type == tk::EventType::MouseMove && (current.Buttons & tk::kLeftButton) != 0) {
    // A move that cannot be drawn is dropped whole: no pick-up, no move.
    if (Raster* r = tk::BeginDrawing(w, canvas)) {
      MoveWithPointer(*r, e, current.X, current.Y, sink);
      tk::EndDrawing(w, canvas);
    }
  }
  if (current.Type == tk::EventType::LeftUp) {
    e.Held = HeldPoint::None;
    e.GroupDX = e.GroupDY = 0;
  }
}

} // namespace velmora
