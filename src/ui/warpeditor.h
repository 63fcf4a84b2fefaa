// The two warp canvases (24 for oscillator 1, 25 for oscillator 2): four
// draggable points per oscillator whose canvas positions are the warp
// keyframes (core/controls.h maps a point to its keyframe).
#pragma once

#include "core/controls.h"
#include "ui/toolkit.h"

#include <array>

namespace velmora {

// The point a drag holds, in keyframe order.
enum class HeldPoint { None, First, Second, Third, Fourth };

struct WarpEditor {
  int Osc; // 0 or 1
  std::array<CanvasPoint, kWarpPoints> Points{
      {kStartWarpPoints[0], kStartWarpPoints[1], kStartWarpPoints[2], kStartWarpPoints[3]}};
  HeldPoint Held = HeldPoint::None;
  bool GroupMode = false;       // the group button is on: a drag moves all four points
  int GroupDX = 0, GroupDY = 0; // pixels from the held point to the pointer
};

// Paints the editor's canvas from its points: black ground, four dots, three
// joining lines. False when drawing cannot begin. Also the first drawing at
// window building.
bool DrawWarpCanvas(tk::Window& w, const WarpEditor& e);

// One event for the editor: picks up, moves or releases a point when the
// event belongs to its canvas, and sends every point it moves to the sink.
void WarpEditorStep(tk::Window& w, WarpEditor& e, const tk::Event& current, ParameterSink& sink);

} // namespace velmora
