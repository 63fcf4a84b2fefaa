// The thin layer between the window's logic and the window toolkit.
// The real side (toolkit_fltk.cpp) talks to FLTK; the tests link a fake side
// (tests/support/fake_toolkit.cpp) that records calls and replays events, so
// the logic runs without a display. Only the user-interface thread calls it,
// except Wake(), which any thread may call.
#pragma once

#include "ui/colour.h"
#include "ui/raster.h"

#include <string>

namespace velmora::tk {

// One window of the toolkit: its widgets, their identifiers and its queue of
// events. Identifiers belong to a window, so two windows (two plugin
// instances in one host, say) may use the same ones.
struct Window;

// Identifier handed out by the toolkit when a control has no fixed one; the
// automatic ones start far above every fixed identifier.
constexpr int kAutoId = -1;
constexpr int kFirstAutoId = 1001;

enum class EventKind { None, Menu, Control, Close, Other };
enum class EventType { None, LeftDown, LeftUp, MouseMove, MouseEnter, SelectionChange, Other };

enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

struct Event {
  EventKind Kind = EventKind::None;
  int MenuItem = 0;
  int Control = 0;
  EventType Type = EventType::None;
  int X = 0, Y = 0; // pointer, relative to the control's canvas
  int Buttons = 0;  // MouseButton bits held when the event was recorded
};

// --- Window building ------------------------------------------------------
// Opens a window, centred, fixed size, close box only. The client area is
// clientWidth x clientHeight; a menu bar added later takes its height out of
// it, and every control is placed below it.
Window& OpenWindow(int clientWidth, int clientHeight, const char* title);
// Puts the built window on the screen.
void ShowWindow(Window& w);
void SetWindowColour(Window& w, Colour c);
// A menu bar with one titled menu holding one numbered item.
void AddMenu(Window& w, const char* menuTitle, int item, const char* itemText);
int CreateDropDown(Window& w, int id, int x, int y, int width, int height);
void AddDropDownItem(Window& w, int id, const std::string& text);
void ClearDropDown(Window& w, int id);
// Called just before the list drops down for the user, so its entries can be
// brought up to date first.
void OnDropDownOpening(Window& w, int id, void (*refresh)());
// index -1 selects nothing.
void SelectDropDownItem(Window& w, int id, int index);
int SelectedDropDownItem(Window& w, int id); // -1 when none
int CreateCanvas(Window& w, int id, int x, int y, int width, int height, bool sunkenBorder,
                 bool focusable);
void CreateGroupBox(Window& w, int x, int y, int width, int height, const char* caption);
int CreateLabel(Window& w, int id, int x, int y, int width, int height, const char* text);
void SetLabelText(Window& w, int id, const std::string& text);
std::string LabelText(Window& w, int id);
void SetLabelColours(Window& w, int id, Colour text, Colour background);
// Loads a font by face name and size in points; 0 when it cannot be loaded.
int LoadFont(const char* face, int points);
void SetLabelFont(Window& w, int id, int font);

// --- Drawing on canvases ---------------------------------------------------
// Returns the canvas's raster to draw into, or nullptr when drawing cannot
// begin. EndDrawing shows what was drawn.
Raster* BeginDrawing(Window& w, int canvas);
void EndDrawing(Window& w, int canvas);

// --- Events and pointer -----------------------------------------------------
// The window's next event, waiting at most timeoutMs (kWaitForever: until an
// event or Wake()); Kind None when none came.
constexpr int kWaitForever = -1;
Event WaitWindowEvent(Window& w, int timeoutMs);
// The pointer questions below answer from the latest pointer event the
// window system delivered: while a button pressed on one of our controls is
// held, every move and the release come to us, so that is where the pointer
// is. Only after a wait that ended with no window-system event at all do
// they ask the window system itself (once), in case a release went
// elsewhere.
// Mouse buttons held (MouseButton bits).
int AsyncMouseButtons();
// Identifier of the window's control under the mouse cursor, 0 when none.
int ControlUnderCursor(Window& w);
// Cursor relative to the window's client area; (-1, -1) outside it.
void WindowMousePosition(Window& w, int& x, int& y);
// Position of a control in the window's client area.
void ControlPosition(Window& w, int id, int& x, int& y);

void MessageBox(const char* title, const std::string& text);
// Ends a WaitWindowEvent in progress (or the next one) from any thread.
void Wake();
// Closes every window and releases the toolkit's resources.
void Shutdown();

} // namespace velmora::tk
