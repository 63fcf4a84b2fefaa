#include "support/fake_toolkit.h"

#include <memory>

namespace velmora::tk {

namespace {

int Add(Window& w, int id, int x, int y, const char* text = "") {
  if (id == kAutoId)
    id = w.NextAutoId++;
  fake::Control& c = w.Controls[id] = fake::Control{};
  c.X = x;
  c.Y = y;
  c.Text = text;
  return id;
}

} // namespace

Window& OpenWindow(int, int, const char*) {
  static std::vector<std::unique_ptr<Window>> windows; // each lives to the end of the tests
  return *windows.emplace_back(std::make_unique<Window>());
}
void ShowWindow(Window&) {}
void SetWindowColour(Window&, Colour) {}
void AddMenu(Window&, const char*, int, const char*) {}
int CreateDropDown(Window& w, int id, int x, int y, int, int) { return Add(w, id, x, y); }
void AddDropDownItem(Window& w, int id, const std::string& text) { w[id].Items.push_back(text); }
void ClearDropDown(Window& w, int id) { w[id].Items.clear(); }
void OnDropDownOpening(Window& w, int id, void (*refresh)()) { w[id].Opening = refresh; }
void SelectDropDownItem(Window& w, int id, int index) { w[id].Selected = index; }
int SelectedDropDownItem(Window& w, int id) { return w[id].Selected; }
int CreateCanvas(Window& w, int id, int x, int y, int width, int height, bool sunkenBorder, bool) {
  id = Add(w, id, x, y);
  const int border = sunkenBorder ? 2 : 0; // pixels on each side
  ResizeRaster(w[id].Picture, width - 2 * border, height - 2 * border, 0);
  return id;
}
void CreateGroupBox(Window&, int, int, int, int, const char*) {}
int CreateLabel(Window& w, int id, int x, int y, int, int, const char* text) {
  return Add(w, id, x, y, text);
}
void SetLabelText(Window& w, int id, const std::string& text) { w[id].Text = text; }
std::string LabelText(Window& w, int id) { return w[id].Text; }
void SetLabelColours(Window&, int, Colour, Colour) {}
int LoadFont(const char*, int) { return 1; }
void SetLabelFont(Window&, int, int) {}

Raster* BeginDrawing(Window& w, int canvas) { return &w[canvas].Picture; }
void EndDrawing(Window& w, int canvas) { w[canvas].Draws++; }

Event WaitWindowEvent(Window& w, int timeoutMs) {
  w.Waits.push_back(timeoutMs);
  if (w.Events.empty())
    return {};
  const Event e = w.Events.front();
  w.Events.pop_front();
  return e;
}
int AsyncMouseButtons() { return fake::HeldButtons; }
int ControlUnderCursor(Window& w) { return w.UnderCursor; }
void WindowMousePosition(Window& w, int& x, int& y) {
  x = w.MouseX;
  y = w.MouseY;
}
void ControlPosition(Window& w, int id, int& x, int& y) {
  x = w[id].X;
  y = w[id].Y;
}
void MessageBox(const char*, const std::string&) {}
void Wake() {}
void Shutdown() {}

} // namespace velmora::tk
