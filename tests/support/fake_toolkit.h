// Test side of the toolkit layer: records what the logic builds and draws,
// and hands it the events and pointer state a test scripts.
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

struct World {
  std::map<int, Control> Controls;
  std::deque<tk::Event> Events; // handed out by WaitWindowEvent, one per call
  std::vector<int> Waits;       // the timeout of every WaitWindowEvent, ms
  // The mouse position is relative to the client area.
  int NextAutoId = tk::kFirstAutoId, AsyncButtons = 0, UnderCursor = 0, MouseX = -1, MouseY = -1;
  std::vector<std::pair<std::string, std::string>> Messages; // title, text
};

// The one fake world; Reset() empties it.
inline World TheWorld;
inline World& Get() { return TheWorld; }
inline void Reset() { Get() = World{}; }
inline Control& ControlById(int id) { return Get().Controls.at(id); }

} // namespace velmora::fake
