#include "support/fake_toolkit.h"

namespace velmora::fake {

namespace {
World TheWorld;

int Add(int id, int x, int y, const char* text = "") {
  id = id == tk::kAutoId ? TheWorld.NextAutoId++ : id;
  Control& c = TheWorld.Controls[id] = Control{};
  c.X = x, c.Y = y, c.Text = text;
  return id;
}
} // namespace

World& Get() { return TheWorld; }
void Reset() { TheWorld = World{}; }

Control& ControlById(int id) { return TheWorld.Controls.at(id); }

tk::Event CanvasEvent(int canvas, tk::EventType type, int x, int y, int buttons) {
  return {tk::EventKind::Control, 0, canvas, type, x, y, buttons};
}

} // namespace velmora::fake

namespace velmora::tk {

using fake::ControlById;
using fake::Get;

bool OpenWindow(int, int, const char*) { return true; }
void ShowWindow() {}
void SetWindowColour(Colour) {}
bool CreateMenu(int) { return true; }
bool AddMenuItem(const char*, int, const char*) { return true; }
int CreateDropDown(int id, int x, int y, int, int) { return fake::Add(id, x, y); }
void AddDropDownItem(int id, const std::string& text) { ControlById(id).Items.push_back(text); }
void ClearDropDown(int id) { ControlById(id).Items.clear(); }
void OnDropDownOpening(int id, void (*refresh)()) { ControlById(id).Opening = refresh; }
void SelectDropDownItem(int id, int index) { ControlById(id).Selected = index; }
int SelectedDropDownItem(int id) { return ControlById(id).Selected; }
int CreateCanvas(int id, int x, int y, int width, int height, bool sunkenBorder, bool) {
  id = fake::Add(id, x, y); // a sunken border of 2 pixels takes the surface in from each side
  ResizeRaster(ControlById(id).Picture, width - 4 * sunkenBorder, height - 4 * sunkenBorder, 0);
  return id;
}
void CreateGroupBox(int x, int y, int, int, const char* t) { fake::Add(kAutoId, x, y, t); }
int CreateLabel(int id, int x, int y, int, int, const char* t) { return fake::Add(id, x, y, t); }
void SetLabelText(int id, const std::string& text) { ControlById(id).Text = text; }
std::string LabelText(int id) { return ControlById(id).Text; }
void SetLabelColours(int, Colour, Colour) {}
int LoadFont(const char*, int) { return 1; }
void SetLabelFont(int, int) {}

Raster* BeginDrawing(int canvas) { return &ControlById(canvas).Picture; }
void EndDrawing(int canvas) { ControlById(canvas).Draws++; }

Event WaitWindowEvent(int timeoutMs) {
  Get().Waits.push_back(timeoutMs);
  if (Get().Events.empty())
    return Event{};
  const Event e = Get().Events.front();
  Get().Events.pop_front();
  return e;
}
int AsyncMouseButtons() { return Get().AsyncButtons; }
int ControlUnderCursor() { return Get().UnderCursor; }
void WindowMousePosition(int& x, int& y) { x = Get().MouseX, y = Get().MouseY; }
void ControlPosition(int id, int& x, int& y) { x = ControlById(id).X, y = ControlById(id).Y; }
void MessageBox(const char* title, const std::string& text) {
  Get().Messages.emplace_back(title, text);
}
void Wake() {}
void Shutdown() {}

} // namespace velmora::tk
