// The thin layer between the user-interface logic and the window toolkit.
// The real side (toolkit_fltk.cpp) talks to FLTK; the tests link a fake side
// (tests/support/fake_toolkit.cpp) that records calls and replays events, so
// the logic runs without a display. Only the user-interface thread calls it,
// except Wake(), which any thread may call.
#pragma once

#include "ui/colour.h"
#include "ui/raster.h"

#include <string>

namespace velmora::tk {

// Identifier handed out by the toolkit when a control has no fixed one; the
// automatic ones start far above every fixed identifier.
constexpr int kAutoId = -1;
constexpr int kFirstAutoId = 1001; // above the menu (1000)

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
// Opens the one window, centred, fixed size, close box only. The client area
// is clientWidth x clientHeight; a menu bar added later takes its height out
// of it, and every control is placed below it.
bool OpenWindow(int clientWidth, int clientHeight, const char* title);
// Puts the built window on the screen.
void ShowWindow();
void SetWindowColour(Colour c);
// Menu bar with one titled menu holding one numbered item.
bool CreateMenu(int menuId);
bool AddMenuItem(const char* menuTitle, int item, const char* itemText);
int CreateDropDown(int id, int x, int y, int width, int height);
void AddDropDownItem(int id, const std::string& text);
void ClearDropDown(int id);
// Called just before the list drops down for the user, so its entries can be
// brought up to date first.
void OnDropDownOpening(int id, void (*refresh)());
// index -1 selects nothing.
void SelectDropDownItem(int id, int index);
int SelectedDropDownItem(int id); // -1 when none
int CreateCanvas(int id, int x, int y, int width, int height, bool sunkenBorder, bool focusable);
void CreateGroupBox(int x, int y, int width, int height, const char* caption);
int CreateLabel(int id, int x, int y, int width, int height, const char* text);
void SetLabelText(int id, const std::string& text);
std::string LabelText(int id);
void SetLabelColours(int id, Colour text, Colour background);
// Loads a font by face name and size in points; 0 when it cannot be loaded.
int LoadFont(const char* face, int points);
void SetLabelFont(int id, int font);

// --- Drawing on canvases ---------------------------------------------------
// Returns the canvas's raster to draw into, or nullptr when drawing cannot
// begin. EndDrawing shows what was drawn.
Raster* BeginDrawing(int canvas);
void EndDrawing(int canvas);

// --- Events and pointer -----------------------------------------------------
// The next event, waiting at most timeoutMs (kWaitForever: until an event
// or Wake()); Kind None when none came.
constexpr int kWaitForever = -1;
Event WaitWindowEvent(int timeoutMs);
// The pointer questions below answer from the latest pointer event the
// window system delivered: while a button pressed on one of our controls is
// held, every move and the release come to us, so that is where the pointer
// is. Only after a wait that ended with no window-system event at all do
// they ask the window system itself (once), in case a release went
// elsewhere.
// Mouse buttons held (MouseButton bits).
int AsyncMouseButtons();
// Identifier of the control under the mouse cursor, 0 when none of ours.
int ControlUnderCursor();
// Cursor relative to the window's client area; (-1, -1) outside it.
void WindowMousePosition(int& x, int& y);
// Position of a control in the window's client area.
void ControlPosition(int id, int& x, int& y);

void MessageBox(const char* title, const std::string& text);
// Ends a WaitWindowEvent in progress (or the next one) from any thread.
void Wake();
// Closes the window and releases the toolkit's resources.
void Shutdown();

} // namespace velmora::tk
