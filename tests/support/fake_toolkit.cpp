#include "support/fake_toolkit.h"

#include <stdexcept>

namespace velmora::fake {

namespace {
World TheWorld;

int Add(int id, const std::string& kind, int x, int y, int width, int height) {
  if (id == tk::kAutoId)
    id = TheWorld.NextAutoId++;
  Control& c = TheWorld.Controls[id] = Control{};
  c.Kind = kind, c.X = x, c.Y = y, c.Width = width, c.Height = height;
  return id;
}
} // namespace

World& Get() { return TheWorld; }
void Reset() { TheWorld = World{}; }

Control& ControlById(int id) {
  auto it = TheWorld.Controls.find(id);
  if (it == TheWorld.Controls.end())
    throw std::out_of_range("no control " + std::to_string(id));
  return it->second;
}

tk::Event CanvasEvent(int canvas, tk::EventType type, int x, int y, int buttons) {
  return {tk::EventKind::Control, 0, canvas, type, x, y, buttons};
}

} // namespace velmora::fake

namespace velmora::tk {

using fake::ControlById;
using fake::Get;

bool OpenWindow(int clientWidth, int clientHeight, const char* title) {
  Get().ClientWidth = clientWidth, Get().ClientHeight = clientHeight, Get().Title = title;
  return true;
}
void ShowWindow() { Get().WindowShown = true; }
void SetWindowColour(Colour c) { Get().WindowColour = c; }
bool CreateMenu(int) { return !Get().MenuFails; }
bool AddMenuItem(const char* menuTitle, int item, const char* itemText) {
  Get().MenuItems.push_back(std::string(menuTitle) + "/" + std::to_string(item) + "/" + itemText);
  return true;
}
int CreateDropDown(int id, int x, int y, int width, int height) {
  return fake::Add(id, "dropdown", x, y, width, height);
}
void AddDropDownItem(int id, const std::string& text) { ControlById(id).Items.push_back(text); }
void ClearDropDown(int id) { ControlById(id).Items.clear(); }
void OnDropDownOpening(int id, void (*refresh)()) { ControlById(id).Opening = refresh; }
void SelectDropDownItem(int id, int index) { ControlById(id).Selected = index; }
int SelectedDropDownItem(int id) { return ControlById(id).Selected; }
int CreateCanvas(int id, int x, int y, int width, int height, bool sunkenBorder, bool) {
  id = fake::Add(id, "canvas", x, y, width, height);
  ControlById(id).Sunken = sunkenBorder;
  // A sunken border of 2 pixels takes the drawing surface in from each side.
  const int border = sunkenBorder ? 2 : 0;
  ResizeRaster(ControlById(id).Picture, width - 2 * border, height - 2 * border, 0);
  return id;
}
void CreateGroupBox(int x, int y, int width, int height, const char* caption) {
  ControlById(fake::Add(kAutoId, "group", x, y, width, height)).Text = caption;
}
int CreateLabel(int id, int x, int y, int width, int height, const char* text) {
  id = fake::Add(id, "label", x, y, width, height);
  ControlById(id).Text = text;
  return id;
}
void SetLabelText(int id, const std::string& text) { ControlById(id).Text = text; }
std::string LabelText(int id) { return ControlById(id).Text; }
void SetLabelColours(int id, Colour text, Colour background) {
  ControlById(id).TextColour = text, ControlById(id).Background = background;
}
int LoadFont(const char*, int) { return Get().FontFails ? 0 : 1; }
void SetLabelFont(int id, int font) { ControlById(id).Font = font; }

Raster* BeginDrawing(int canvas) {
  fake::Control& c = ControlById(canvas);
  return c.DrawingFails ? nullptr : &c.Picture;
}
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
void Shutdown() { Get().ShutDown = true; }

} // namespace velmora::tk
