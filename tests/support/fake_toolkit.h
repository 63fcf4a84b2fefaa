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
  std::string Kind; // "canvas", "label", "dropdown", "group"
  int X = 0, Y = 0, Width = 0, Height = 0;
  std::string Text;
  Colour TextColour = 0, Background = 0;
  int Font = 0, Selected = -1; // Selected: drop-down entry
  bool Sunken = false;
  std::vector<std::string> Items; // drop-down entries
  void (*Opening)() = nullptr;    // drop-down: run before it drops down
  Raster Picture;                 // canvases
  bool DrawingFails = false;
  int Draws = 0; // completed BeginDrawing/EndDrawing pairs
};

struct World {
  bool WindowShown = false, ShutDown = false;
  int ClientWidth = 0, ClientHeight = 0;
  std::string Title;
  Colour WindowColour = 0;
  bool MenuFails = false, FontFails = false;
  std::vector<std::string> MenuItems; // "title/item/text"
  std::map<int, Control> Controls;
  int NextAutoId = tk::kFirstAutoId;

  std::deque<tk::Event> Events; // handed out by WaitWindowEvent, one per call
  std::vector<int> Waits;       // the timeout of every WaitWindowEvent, ms
  int AsyncButtons = 0, UnderCursor = 0;
  int MouseX = -1, MouseY = -1;                              // relative to the client area
  std::vector<std::pair<std::string, std::string>> Messages; // title, text
};

// The one fake world; Reset() empties it.
World& Get();
void Reset();
Control& ControlById(int id);

tk::Event CanvasEvent(int canvas, tk::EventType type, int x, int y, int buttons);

} // namespace velmora::fake
