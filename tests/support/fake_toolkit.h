// Test side of the toolkit layer: records what the window's logic builds and
// draws, and hands it the events and pointer state a test scripts. Each
// window keeps its own controls and events; the pointer's buttons are the
// process's.
#pragma once

#include "ui/toolkit.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace velmora::fake {

// X, Y: top-left on the window. Text: labels. Selected, Items, Opening (run
// before it drops down): drop-down lists. Picture, Draws (completed
// BeginDrawing/EndDrawing pairs): canvases.
struct Control {
  int X = 0, Y = 0, Selected = -1, Draws = 0;
  std::string Text;
  std::vector<std::string> Items;
  void (*Opening)() = nullptr;
  Raster Picture;
};

// The buttons held.
inline int HeldButtons = 0;

} // namespace velmora::fake

namespace velmora::tk {

struct Window {
  std::map<int, fake::Control> Controls;
  std::deque<Event> Events; // handed out by WaitWindowEvent, one per call
  std::vector<int> Waits;   // the timeout of every WaitWindowEvent, ms
  int NextAutoId = kFirstAutoId;
  int UnderCursor = 0;          // the control under the cursor
  int MouseX = -1, MouseY = -1; // relative to the client area
  fake::Control& operator[](int id) { return Controls.at(id); }
};

} // namespace velmora::tk
