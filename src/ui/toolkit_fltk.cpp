// FLTK side of the toolkit layer. Widget callbacks and handle() overrides
// queue events; WaitWindowEvent hands them out one per call. Only the
// user-interface thread comes here, apart from Wake().
#include "ui/toolkit.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <X11/Xatom.h>

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace velmora::tk {

struct Window {
  // Not double-buffered: the X server would then copy the whole window for
  // every knob step (FLTK swaps the entire back buffer), where a plain window
  // takes only the knob's and its label's pixels. Every self-painted control
  // puts its whole picture at once, so nothing flickers.
  Fl_Window* Fl = nullptr;
  int ClientWidth = 0, ClientHeight = 0;
  int MenuHeight = 0; // the menu bar takes its rows from the top of the window
  int NextAutoId = kFirstAutoId;
  std::map<int, Fl_Widget*> Controls; // by identifier
  std::deque<Event> Queue;
};

namespace {

Fl_Color ToFl(Colour c) { return fl_rgb_color(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

std::vector<std::unique_ptr<Window>> Windows;
std::atomic<bool> WakePending{false};
std::map<int, int> FontSizes; // pixel size per loaded font

// The window a widget lies on: every Fl_Window of ours carries its own.
Window& Owner(Fl_Widget* widget) {
  Fl_Window* top = widget->as_window() ? widget->as_window() : widget->window();
  return *static_cast<Window*>(top->user_data());
}

// The pointer as the latest pointer event left it: root coordinates and
// X button mask. Asking the X server costs a round trip that wakes it, so
// it is asked only when a wait ended without any event (Stale).
struct {
  int RootX = 0, RootY = 0;
  unsigned Mask = 0;
  bool Stale = true;
} Pointer;
bool EventSeen = false; // any X event since the last wait began

// MouseButton bits from a state word, given that word's masks for the left,
// middle and right buttons (FLTK's and X's differ).
int ButtonBits(unsigned state, unsigned left, unsigned middle, unsigned right) {
  int b = 0;
  if (state & left)
    b |= kLeftButton;
  if (state & middle)
    b |= kMiddleButton;
  if (state & right)
    b |= kRightButton;
  return b;
}

// A self-painted control: shows its raster, reports mouse events. With a
// sunken border the raster is the surface inside the 2-pixel frame, and
// pointer positions are relative to that surface.
class Canvas : public Fl_Widget {
public:
  Canvas(Window& owner, int id, int x, int y, int w, int h, bool sunken)
      : Fl_Widget(x, y, w, h), owner_(owner), id_(id), border_(sunken ? 2 : 0) {
    box(sunken ? FL_DOWN_FRAME : FL_NO_BOX);
    raster_.Width = w - 2 * border_;
    raster_.Height = h - 2 * border_;
    raster_.Pixels.assign(static_cast<size_t>(raster_.Width) * raster_.Height, 0);
  }
  Raster& Picture() { return raster_; }

protected:
  void draw() override {
    if (border_)
      draw_box();
    fl_draw_image(reinterpret_cast<const uchar*>(raster_.Pixels.data()), x() + border_,
                  y() + border_, raster_.Width, raster_.Height, 4, raster_.Width * 4);
  }

  int handle(int e) override {
    EventType type;
    switch (e) {
    case FL_PUSH:
      type = Fl::event_button() == FL_LEFT_MOUSE ? EventType::LeftDown : EventType::Other;
      break;
    case FL_RELEASE:
      type = Fl::event_button() == FL_LEFT_MOUSE ? EventType::LeftUp : EventType::Other;
      break;
    case FL_DRAG:
    case FL_MOVE:
      type = EventType::MouseMove;
      break;
    case FL_ENTER:
      type = EventType::MouseEnter;
      break;
    case FL_LEAVE:
      return 1;
    default:
      return Fl_Widget::handle(e);
    }
    Event ev;
    ev.Kind = EventKind::Control;
    ev.Control = id_;
    ev.Type = type;
    ev.X = Fl::event_x() - x() - border_;
    ev.Y = Fl::event_y() - y() - border_;
    ev.Buttons = ButtonBits(Fl::event_state(), FL_BUTTON1, FL_BUTTON2, FL_BUTTON3);
    owner_.Queue.push_back(ev);
    // Taking the push gives this canvas the mouse until the release, also
    // outside its bounds.
    return 1;
  }

private:
  Window& owner_;
  int id_;
  int border_;
  Raster raster_;
};

// Drops its list down only after the list has been brought up to date.
class DropDown : public Fl_Choice {
public:
  DropDown(int x, int y, int w, int h) : Fl_Choice(x, y, w, h) {}
  void (*Refresh)() = nullptr;

protected:
  int handle(int e) override {
    const bool opening = e == FL_PUSH || (e == FL_KEYBOARD && Fl::focus() == this &&
                                          (Fl::event_key() == ' ' || Fl::event_key() == FL_Enter));
    if (opening && Refresh != nullptr)
      Refresh();
    return Fl_Choice::handle(e);
  }
};

// Sees every X event before FLTK does; keeps the pointer's position and
// buttons from the ones that carry them.
int NoteXEvent(void* event, void*) {
  const XEvent& x = *static_cast<const XEvent*>(event);
  EventSeen = true;
  switch (x.type) {
  case MotionNotify:
    Pointer = {x.xmotion.x_root, x.xmotion.y_root, x.xmotion.state, false};
    break;
  case ButtonPress:
  case ButtonRelease: {
    // The state is the one before this press or release.
    const unsigned bit = x.xbutton.button >= 1 && x.xbutton.button <= 5
                             ? static_cast<unsigned>(Button1Mask) << (x.xbutton.button - 1)
                             : 0;
    const unsigned mask = x.type == ButtonPress ? x.xbutton.state | bit : x.xbutton.state & ~bit;
    Pointer = {x.xbutton.x_root, x.xbutton.y_root, mask, false};
    break;
  }
  case EnterNotify:
  case LeaveNotify:
    Pointer = {x.xcrossing.x_root, x.xcrossing.y_root, x.xcrossing.state, false};
    break;
  default:
    break;
  }
  return 0; // FLTK handles it as usual
}

// A frame with its caption on the top edge; it holds nothing and takes no
// input.
class GroupBox : public Fl_Widget {
public:
  GroupBox(int x, int y, int w, int h, const char* caption) : Fl_Widget(x, y, w, h) {
    copy_label(caption);
  }

protected:
  void draw() override {
    const Fl_Color panel = window() ? window()->color() : FL_BACKGROUND_COLOR;
    fl_draw_box(FL_ENGRAVED_FRAME, x(), y() + 7, w(), h() - 7, panel);
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    int tw = 0, th = 0;
    fl_measure(label(), tw, th, 0);
    fl_color(panel);
    fl_rectf(x() + 8, y(), tw + 4, th);
    fl_color(FL_WHITE);
    fl_draw(label(), x() + 10, y() + fl_height() - fl_descent());
  }
  int handle(int) override { return 0; }
};

void WindowClosed(Fl_Widget* w, void*) {
  // FLTK also calls this for Escape; only the close box ends the program.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
    return;
  Event ev;
  ev.Kind = EventKind::Close;
  Owner(w).Queue.push_back(ev);
}

void MenuChosen(Fl_Widget* w, void* item) {
  Event ev;
  ev.Kind = EventKind::Menu;
  ev.MenuItem = static_cast<int>(reinterpret_cast<intptr_t>(item));
  Owner(w).Queue.push_back(ev);
}

void ChoiceChanged(Fl_Widget* w, void*) {
  Window& owner = Owner(w);
  Event ev;
  ev.Kind = EventKind::Control;
  for (const auto& [id, widget] : owner.Controls)
    if (widget == w)
      ev.Control = id;
  ev.Type = EventType::SelectionChange;
  owner.Queue.push_back(ev);
}

int Register(Window& w, int id, Fl_Widget* widget) {
  if (id == kAutoId)
    id = w.NextAutoId++;
  w.Controls[id] = widget;
  return id;
}

template <typename T> T* Find(Window& w, int id) {
  auto it = w.Controls.find(id);
  return it == w.Controls.end() ? nullptr : dynamic_cast<T*>(it->second);
}

// Title bar with a close box only: no minimise or maximise, no resizing.
void AskForCloseBoxOnly(Fl_Window* window) {
  struct {
    unsigned long flags, functions, decorations;
    long inputMode;
    unsigned long status;
  } hints = {1 | 2, 4 | 32, 2 | 8 | 16, 0, 0}; // move + close; border, title, menu
  const Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(fl_display, fl_xid(window), atom, atom, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&hints), 5);
}

} // namespace

Window& OpenWindow(int clientWidth, int clientHeight, const char* title) {
  if (Windows.empty()) {
    // Lets the MIDI thread wake Fl::wait through Fl::awake; this thread
    // holds the lock except while it waits.
    Fl::lock();
    Fl::add_system_handler(NoteXEvent, nullptr);
  }
  Window& w = *Windows.emplace_back(std::make_unique<Window>());
  w.ClientWidth = clientWidth;
  w.ClientHeight = clientHeight;
  w.Fl = new Fl_Window((Fl::w() - clientWidth) / 2, (Fl::h() - clientHeight) / 2, clientWidth,
                       clientHeight);
  w.Fl->copy_label(title);
  w.Fl->xclass("velmora"); // lets the desktop match the window to its menu entry
  w.Fl->size_range(clientWidth, clientHeight, clientWidth, clientHeight);
  w.Fl->callback(WindowClosed, &w); // its user data names the window for Owner()
  return w;
}

void ShowWindow(Window& w) {
  w.Fl->end();
  w.Fl->show();
  AskForCloseBoxOnly(w.Fl);
  w.Fl->redraw();
}

void SetWindowColour(Window& w, Colour c) { w.Fl->color(ToFl(c)); }

void AddMenu(Window& w, const char* menuTitle, int item, const char* itemText) {
  auto* bar = new Fl_Menu_Bar(0, 0, w.ClientWidth, 25);
  bar->box(FL_FLAT_BOX);
  w.MenuHeight = bar->h();
  const std::string path = std::string(menuTitle) + "/" + itemText;
  bar->add(path.c_str(), 0, MenuChosen, reinterpret_cast<void*>(intptr_t{item}));
}

int CreateDropDown(Window& w, int id, int x, int y, int width, int height) {
  auto* choice = new DropDown(x, y + w.MenuHeight, width, height);
  choice->callback(ChoiceChanged);
  // Choosing the entry already shown also reports, so a port that is not
  // open can be opened again.
  choice->when(FL_WHEN_RELEASE_ALWAYS);
  return Register(w, id, choice);
}

void AddDropDownItem(Window& w, int id, const std::string& text) {
  auto* choice = Find<Fl_Choice>(w, id);
  if (!choice)
    return;
  // FLTK reads '/' as a submenu, '&' as a shortcut mark and a leading '_' as
  // a divider; a port's name is shown as it is.
  std::string escaped;
  for (char c : text) {
    if (c == '&')
      escaped += "&&";
    else if (c == '/' || c == '\\' || c == '_')
      escaped += std::string("\\") + c;
    else
      escaped += c;
  }
  choice->add(escaped.c_str());
}

void ClearDropDown(Window& w, int id) {
  if (auto* choice = Find<Fl_Choice>(w, id)) {
    choice->clear();
    choice->redraw();
  }
}

void OnDropDownOpening(Window& w, int id, void (*refresh)()) {
  if (auto* choice = Find<DropDown>(w, id))
    choice->Refresh = refresh;
}

void SelectDropDownItem(Window& w, int id, int index) {
  auto* choice = Find<Fl_Choice>(w, id);
  if (!choice)
    return;
  if (index < 0 || index >= choice->size() - 1) // size() counts the end mark
    choice->value(static_cast<const Fl_Menu_Item*>(nullptr));
  else
    choice->value(index);
  choice->redraw();
}

int SelectedDropDownItem(Window& w, int id) {
  auto* choice = Find<Fl_Choice>(w, id);
  return choice ? choice->value() : -1;
}

int CreateCanvas(Window& w, int id, int x, int y, int width, int height, bool sunkenBorder,
                 bool focusable) {
  if (id == kAutoId)
    id = w.NextAutoId++;
  auto* canvas = new Canvas(w, id, x, y + w.MenuHeight, width, height, sunkenBorder);
  if (!focusable)
    canvas->clear_visible_focus();
  w.Controls[id] = canvas;
  return id;
}

void CreateGroupBox(Window& w, int x, int y, int width, int height, const char* caption) {
  Register(w, kAutoId, new GroupBox(x, y + w.MenuHeight, width, height, caption));
}

int CreateLabel(Window& w, int id, int x, int y, int width, int height, const char* text) {
  auto* box = new Fl_Box(FL_FLAT_BOX, x, y + w.MenuHeight, width, height, nullptr);
  box->copy_label(text);
  box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  return Register(w, id, box);
}

void SetLabelText(Window& w, int id, const std::string& text) {
  if (auto* box = Find<Fl_Box>(w, id)) {
    box->copy_label(text.c_str());
    box->redraw();
  }
}

std::string LabelText(Window& w, int id) {
  auto* box = Find<Fl_Box>(w, id);
  return box && box->label() ? box->label() : "";
}

void SetLabelColours(Window& w, int id, Colour text, Colour background) {
  if (auto* box = Find<Fl_Box>(w, id)) {
    box->labelcolor(ToFl(text));
    box->color(ToFl(background));
  }
}

int LoadFont(const char* face, int points) {
  static int loaded = 0;
  const auto font = static_cast<Fl_Font>(FL_FREE_FONT + loaded++);
  Fl::set_font(font, face); // fontconfig answers with its nearest face
  // Points are 1/72 inch; FLTK sizes are pixels at the screen's resolution.
  float hdpi = 96, vdpi = 96;
  Fl::screen_dpi(hdpi, vdpi);
  FontSizes[font] = static_cast<int>(points * vdpi / 72.0f + 0.5f);
  return font;
}

void SetLabelFont(Window& w, int id, int font) {
  if (auto* box = Find<Fl_Box>(w, id)) {
    box->labelfont(static_cast<Fl_Font>(font));
    box->labelsize(FontSizes[font]);
  }
}

Raster* BeginDrawing(Window& w, int canvas) {
  auto* c = Find<Canvas>(w, canvas);
  return c ? &c->Picture() : nullptr;
}

void EndDrawing(Window& w, int canvas) {
  if (auto* c = Find<Canvas>(w, canvas))
    c->redraw();
}

Event WaitWindowEvent(Window& w, int timeoutMs) {
  if (w.Queue.empty()) {
    EventSeen = false;
    // Fl::wait() with no time sleeps until an event, a timer or Fl::awake.
    if (timeoutMs == kWaitForever)
      Fl::wait();
    else
      Fl::wait(timeoutMs / 1000.0);
    if (!EventSeen)
      Pointer.Stale = true;
  }
  WakePending = false;
  if (w.Queue.empty())
    return Event{};
  const Event ev = w.Queue.front();
  w.Queue.pop_front();
  return ev;
}

namespace {
// The pointer on the root window and its buttons; one round trip to the X
// server only when no event has told us since the last wait.
bool QueryPointer(int& rootX, int& rootY, unsigned& mask) {
  if (!fl_display)
    return false;
  if (Pointer.Stale) {
    ::Window root, child;
    int wx, wy;
    if (!XQueryPointer(fl_display, RootWindow(fl_display, fl_screen), &root, &child, &Pointer.RootX,
                       &Pointer.RootY, &wx, &wy, &Pointer.Mask))
      return false;
    Pointer.Stale = false;
  }
  rootX = Pointer.RootX;
  rootY = Pointer.RootY;
  mask = Pointer.Mask;
  return true;
}
} // namespace

int AsyncMouseButtons() {
  int rx, ry;
  unsigned mask = 0;
  if (!QueryPointer(rx, ry, mask))
    return 0;
  return ButtonBits(mask, Button1Mask, Button2Mask, Button3Mask);
}

void WindowMousePosition(Window& w, int& x, int& y) {
  int rx, ry;
  unsigned mask;
  x = y = -1;
  if (!QueryPointer(rx, ry, mask))
    return;
  const int wx = rx - w.Fl->x_root();
  const int wy = ry - w.Fl->y_root() - w.MenuHeight;
  if (wx < 0 || wy < 0 || wx >= w.ClientWidth || wy >= w.ClientHeight - w.MenuHeight)
    return;
  x = wx;
  y = wy;
}

int ControlUnderCursor(Window& w) {
  int x, y;
  WindowMousePosition(w, x, y);
  if (x < 0)
    return 0;
  y += w.MenuHeight;
  for (const auto& [id, c] : w.Controls)
    if (dynamic_cast<Canvas*>(c) && x >= c->x() && x < c->x() + c->w() && y >= c->y() &&
        y < c->y() + c->h())
      return id;
  return 0;
}

void ControlPosition(Window& w, int id, int& x, int& y) {
  x = y = 0;
  if (auto* c = Find<Fl_Widget>(w, id)) {
    x = c->x();
    y = c->y() - w.MenuHeight;
  }
}

void MessageBox(const char* title, const std::string& text) {
  fl_message_title(title);
  fl_message_icon()->hide();
  fl_close = "OK";
  fl_message("%s", text.c_str());
}

// Ends the event loop's wait from another thread (a new note label, a port
// notice), so the loop answers at once instead of polling; Fl::awake touches
// nothing else of FLTK. One wake is enough until the loop has run again, so a
// flood of messages cannot fill FLTK's wake-up pipe and block the caller.
void Wake() {
  if (!WakePending.exchange(true))
    Fl::awake();
}

void Shutdown() {
  for (const auto& w : Windows)
    w->Fl->hide();
  Fl::flush();
  if (fl_display)
    XSync(fl_display, False);
}

} // namespace velmora::tk
