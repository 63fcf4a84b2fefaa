#include "support/fake_toolkit.h"

#include <atomic>
#include <stdexcept>

namespace velmora::fake {

namespace {
World TheWorld;
std::atomic<int> Wakes{0};

int Register(int id, Control c) {
  World& w = TheWorld;
  if (id == tk::kAutoId)
    id = w.NextAutoId++;
  w.Controls[id] = std::move(c);
  w.Order.push_back(id);
  return id;
}
} // namespace

World& Get() { return TheWorld; }
void Reset() {
  TheWorld = World{};
  Wakes = 0;
}
int WakeCount() { return Wakes; }
void CountWake() { Wakes++; }

Control& ControlById(int id) {
  auto it = TheWorld.Controls.find(id);
  if (it == TheWorld.Controls.end())
    throw std::out_of_range("no control " + std::to_string(id));
  return it->second;
}

tk::Event CanvasEvent(int canvas, tk::EventType type, int x, int y, int buttons) {
  tk::Event e;
  e.Kind = tk::EventKind::Control;
  e.Control = canvas;
  e.Type = type;
  e.X = x;
  e.Y = y;
  e.Buttons = buttons;
  return e;
}

} // namespace velmora::fake

namespace velmora::tk {

using fake::Control;
using fake::Get;

bool OpenWindow(int clientWidth, int clientHeight, const char* title) {
  auto& w = Get();
  w.WindowOpen = true;
  w.ClientWidth = clientWidth;
  w.ClientHeight = clientHeight;
  w.Title = title;
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
  Control c;
  c.Kind = "dropdown";
  c.X = x, c.Y = y, c.Width = width, c.Height = height;
  return fake::Register(id, c);
}

void AddDropDownItem(int id, const std::string& text) {
  fake::ControlById(id).Items.push_back(text);
}
void SelectDropDownItem(int id, int index) { fake::ControlById(id).Selected = index; }
int SelectedDropDownItem(int id) { return fake::ControlById(id).Selected; }

int CreateCanvas(int id, int x, int y, int width, int height, bool sunkenBorder, bool focusable) {
  Control c;
  c.Kind = "canvas";
  c.X = x, c.Y = y, c.Width = width, c.Height = height;
  c.Sunken = sunkenBorder;
  c.Focusable = focusable;
  // A sunken border of 2 pixels takes the drawing surface in from each side.
  const int border = sunkenBorder ? 2 : 0;
  ResizeRaster(c.Picture, width - 2 * border, height - 2 * border, 0);
  return fake::Register(id, c);
}

void CreateGroupBox(int x, int y, int width, int height, const char* caption) {
  Control c;
  c.Kind = "group";
  c.X = x, c.Y = y, c.Width = width, c.Height = height;
  c.Text = caption;
  fake::Register(kAutoId, c);
}

int CreateLabel(int id, int x, int y, int width, int height, const char* text) {
  Control c;
  c.Kind = "label";
  c.X = x, c.Y = y, c.Width = width, c.Height = height;
  c.Text = text;
  return fake::Register(id, c);
}

void SetLabelText(int id, const std::string& text) { fake::ControlById(id).Text = text; }
std::string LabelText(int id) { return fake::ControlById(id).Text; }

void SetLabelColours(int id, Colour text, Colour background) {
  Control& c = fake::ControlById(id);
  c.TextColour = text;
  c.Background = background;
}

int LoadFont(const char*, int) { return Get().FontFails ? 0 : 1; }
void SetLabelFont(int id, int font) { fake::ControlById(id).Font = font; }

Raster* BeginDrawing(int canvas) {
  Control& c = fake::ControlById(canvas);
  return c.DrawingFails ? nullptr : &c.Picture;
}

void EndDrawing(int canvas) { fake::ControlById(canvas).Draws++; }

Event WaitWindowEvent(int) {
  auto& w = Get();
  if (w.Events.empty())
    return Event{};
  Event e = w.Events.front();
  w.Events.pop_front();
  return e;
}

int AsyncMouseButtons() {
  Get().AsyncQueries++;
  return Get().AsyncButtons;
}

int ControlUnderCursor() {
  Get().PointerQueries++;
  return Get().UnderCursor;
}

void WindowMousePosition(int& x, int& y) {
  Get().PointerQueries++;
  x = Get().MouseX;
  y = Get().MouseY;
}

void ControlPosition(int id, int& x, int& y) {
  const Control& c = fake::ControlById(id);
  x = c.X;
  y = c.Y;
}

void MessageBox(const char* title, const std::string& text) {
  Get().Messages.emplace_back(title, text);
}

void Wake() { fake::CountWake(); }
void Shutdown() { Get().ShutDown = true; }

} // namespace velmora::tk
