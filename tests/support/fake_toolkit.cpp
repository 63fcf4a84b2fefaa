#include "support/fake_toolkit.h"

namespace velmora::tk {

using namespace fake;

static int Add(int id, int x, int y, const char* text = "") {
  id = id == kAutoId ? Get().NextAutoId++ : id;
  Control& c = Get().Controls[id] = Control{};
  c.X = x, c.Y = y, c.Text = text;
  return id;
}

bool OpenWindow(int, int, const char*) { return true; }
void ShowWindow() {}
void SetWindowColour(Colour) {}
bool CreateMenu(int) { return true; }
bool AddMenuItem(const char*, int, const char*) { return true; }
int CreateDropDown(int id, int x, int y, int, int) { return Add(id, x, y); }
void AddDropDownItem(int id, const std::string& text) { ControlById(id).Items.push_back(text); }
void ClearDropDown(int id) { ControlById(id).Items.clear(); }
void OnDropDownOpening(int id, void (*refresh)()) { ControlById(id).Opening = refresh; }
void SelectDropDownItem(int id, int index) { ControlById(id).Selected = index; }
int SelectedDropDownItem(int id) { return ControlById(id).Selected; }
int CreateCanvas(int id, int x, int y, int width, int height, bool sunkenBorder, bool) {
  id = Add(id, x, y); // a sunken border of 2 pixels takes the surface in from each side
  ResizeRaster(ControlById(id).Picture, width - 4 * sunkenBorder, height - 4 * sunkenBorder, 0);
  return id;
}
void CreateGroupBox(int x, int y, int, int, const char* t) { Add(kAutoId, x, y, t); }
int CreateLabel(int id, int x, int y, int, int, const char* t) { return Add(id, x, y, t); }
void SetLabelText(int id, const std::string& text) { ControlById(id).Text = text; }
std::string LabelText(int id) { return ControlById(id).Text; }
void SetLabelColours(int, Colour, Colour) {}
int LoadFont(const char*, int) { return 1; }
void SetLabelFont(int, int) {}

Raster* BeginDrawing(int canvas) { return &ControlById(canvas).Picture; }
void EndDrawing(int canvas) { ControlById(canvas).Draws++; }

Event WaitWindowEvent(int timeoutMs) {
  Get().Waits.push_back(timeoutMs);
  Event e;
  if (!Get().Events.empty())
    e = Get().Events.front(), Get().Events.pop_front();
  return e;
}
int AsyncMouseButtons() { return Get().AsyncButtons; }
int ControlUnderCursor() { return Get().UnderCursor; }
void WindowMousePosition(int& x, int& y) { x = Get().MouseX, y = Get().MouseY; }
void ControlPosition(int id, int& x, int& y) { x = ControlById(id).X, y = ControlById(id).Y; }
void MessageBox(const char* title, const std::string& t) { Get().Messages.emplace_back(title, t); }
void Wake() {}
void Shutdown() {}

} // namespace velmora::tk
