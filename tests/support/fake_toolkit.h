// Test side of the toolkit layer: records what the logic builds and draws,
// and hands it the events and pointer state a test scripts.
#pragma once

#include "ui/toolkit.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace velmora::fake {

struct Control {
  int X = 0, Y = 0;               // top-left on the window
  std::string Text;               // labels
  int Selected = -1;              // drop-down entry
  std::vector<std::string> Items; // drop-down entries
  void (*Opening)() = nullptr;    // drop-down: run before it drops down
  Raster Picture;                 // canvases
  int Draws = 0;                  // completed BeginDrawing/EndDrawing pairs
};

struct World {
  std::map<int, Control> Controls;
  std::deque<tk::Event> Events; // handed out by WaitWindowEvent, one per call
  std::vector<int> Waits;       // the timeout of every WaitWindowEvent, ms
  // The mouse position is relative to the client area.
  int NextAutoId = tk::kFirstAutoId, AsyncButtons = 0, UnderCursor = 0, MouseX = -1, MouseY = -1;
  std::vector<std::pair<std::string, std::string>> Messages; // title, text
};

// The one fake world; Reset() empties it.
World& Get();
void Reset();
Control& ControlById(int id);

tk::Event CanvasEvent(int canvas, tk::EventType type, int x, int y, int buttons);

} // namespace velmora::fake
