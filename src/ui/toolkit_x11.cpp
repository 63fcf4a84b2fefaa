// Plain-Xlib side of the toolkit layer (see toolkit_x11.h). Controls are
// rectangles of one X window: canvases show their raster with XPutImage,
// labels and group boxes are drawn with Xft in the looks the FLTK side gives
// them, so the window inside a host looks like the program's.
#include "ui/toolkit_x11.h"

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velmora::tk {

namespace {

enum class Kind { Canvas, Label, GroupBox };

struct Control {
  Kind What = Kind::Canvas;
  int X = 0, Y = 0, Width = 0, Height = 0;
  int Border = 0; // sunken frame around a canvas's raster, pixels
  Raster Picture; // canvas
  std::string Text;
  Colour Ink = 0, Paper = 0;
  int Font = 0; // 0: the default face
};

// FLTK 1.3's grey ramp, 'A' (black) to 'X' (white), as its frames use it.
constexpr unsigned char kGreyRamp[24] = {0,   13,  26,  38,  49,  61,  72,  85,
                                         95,  106, 117, 128, 138, 149, 160, 170,
                                         181, 192, 203, 213, 224, 234, 245, 255};
unsigned char Grey(char c) { return kGreyRamp[c - 'A']; }

} // namespace

struct Window {
  Display* Dpy = nullptr;
  ::Window Xid = 0;
  int Width = 0, Height = 0;
  GC Gc = nullptr;
  Visual* Vis = nullptr;
  Colormap Map = 0;
  XftDraw* Text = nullptr;
  Colour Background = 0;
  int NextAutoId = kFirstAutoId;
  std::map<int, Control> Controls;
  std::deque<Event> Queue;
  bool Gone = false; // destroyed with the host's window: nothing more to draw
  int Grab = 0;      // the canvas that took the press, until the release
  int Hovered = 0;   // the canvas under the pointer
  int PointerX = -1, PointerY = -1;
  unsigned Buttons = 0; // X button mask
  std::map<int, XftFont*> Fonts;
  std::vector<uint32_t> Scratch; // a canvas's pixels in the X server's order
};

namespace {

XftFont* FontOf(Window& w, int font) {
  auto it = w.Fonts.find(font);
  return it != w.Fonts.end() && it->second != nullptr ? it->second : w.Fonts[0];
}

unsigned long Pixel(Colour c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

void Fill(Window& w, Colour c, int x, int y, int width, int height) {
  XSetForeground(w.Dpy, w.Gc, Pixel(c));
  XFillRectangle(w.Dpy, w.Xid, w.Gc, x, y, static_cast<unsigned>(width),
                 static_cast<unsigned>(height));
}

void Line(Window& w, unsigned char grey, int x1, int y1, int x2, int y2) {
  XSetForeground(w.Dpy, w.Gc, Pixel(Rgb(grey, grey, grey)));
  XDrawLine(w.Dpy, w.Xid, w.Gc, x1, y1, x2, y2);
}

// FLTK's frames, ring by ring from the outside: "frame" draws top, left,
// bottom, right; "frame2" bottom, right, top, left.
void Frame(Window& w, const char* s, int x, int y, int width, int height, bool bottomFirst) {
  while (*s && width > 0 && height > 0) {
    if (bottomFirst) {
      Line(w, Grey(*s++), x, y + height - 1, x + width - 1, y + height - 1);
      if (--height <= 0 || !*s)
        break;
      Line(w, Grey(*s++), x + width - 1, y + height - 1, x + width - 1, y);
      if (--width <= 0 || !*s)
        break;
    }
    Line(w, Grey(*s++), x, y, x + width - 1, y);
    ++y;
    if (--height <= 0 || !*s)
      break;
    Line(w, Grey(*s++), x, y + height - 1, x, y);
    ++x;
    if (--width <= 0 || !*s)
      break;
    if (!bottomFirst) {
      Line(w, Grey(*s++), x, y + height - 1, x + width - 1, y + height - 1);
      if (--height <= 0 || !*s)
        break;
      Line(w, Grey(*s++), x + width - 1, y + height - 1, x + width - 1, y);
      if (--width <= 0)
        break;
    }
  }
}

void DrawText(Window& w, int font, Colour ink, int x, int baseline, const std::string& text) {
  XRenderColor rc{static_cast<unsigned short>((ink & 0xFF) * 257),
                  static_cast<unsigned short>((ink >> 8 & 0xFF) * 257),
                  static_cast<unsigned short>((ink >> 16 & 0xFF) * 257), 0xFFFF};
  XftColor colour;
  if (!XftColorAllocValue(w.Dpy, w.Vis, w.Map, &rc, &colour))
    return;
  XftDrawStringUtf8(w.Text, &colour, FontOf(w, font), x, baseline,
                    reinterpret_cast<const FcChar8*>(text.data()), static_cast<int>(text.size()));
  XftColorFree(w.Dpy, w.Vis, w.Map, &colour);
}

int TextWidth(Window& w, int font, const std::string& text) {
  XGlyphInfo extents;
  XftTextExtentsUtf8(w.Dpy, FontOf(w, font), reinterpret_cast<const FcChar8*>(text.data()),
                     static_cast<int>(text.size()), &extents);
  return extents.xOff;
}

void PaintCanvas(Window& w, Control& c) {
  if (w.Gone)
    return;
  const Raster& r = c.Picture;
  if (c.Border)
    Frame(w, "WWMMPPAA", c.X, c.Y, c.Width, c.Height, true);
  w.Scratch.resize(r.Pixels.size());
  for (size_t i = 0; i < r.Pixels.size(); ++i)
    w.Scratch[i] = static_cast<uint32_t>(Pixel(r.Pixels[i]));
  XImage* image =
      XCreateImage(w.Dpy, w.Vis, 24, ZPixmap, 0, reinterpret_cast<char*>(w.Scratch.data()),
                   static_cast<unsigned>(r.Width), static_cast<unsigned>(r.Height), 32, 0);
  if (!image)
    return;
  XPutImage(w.Dpy, w.Xid, w.Gc, image, 0, 0, c.X + c.Border, c.Y + c.Border,
            static_cast<unsigned>(r.Width), static_cast<unsigned>(r.Height));
  image->data = nullptr; // ours, not Xlib's
  XDestroyImage(image);
}

// As an FLTK box with a flat background and its text left-aligned inside,
// 3 pixels in, centred on the box's height.
void PaintLabel(Window& w, const Control& c) {
  if (w.Gone)
    return;
  Fill(w, c.Paper, c.X, c.Y, c.Width, c.Height);
  XftFont* f = FontOf(w, c.Font);
  const int height = f->ascent + f->descent;
  DrawText(w, c.Font, c.Ink, c.X + 3, c.Y + (c.Height - height) / 2 + f->ascent, c.Text);
}

// An engraved frame with its caption over the top edge.
void PaintGroupBox(Window& w, const Control& c) {
  Frame(w, "HHWWWWHH", c.X, c.Y + 7, c.Width, c.Height - 7, false);
  XftFont* f = FontOf(w, 0);
  Fill(w, w.Background, c.X + 8, c.Y, TextWidth(w, 0, c.Text) + 4, f->ascent + f->descent);
  DrawText(w, 0, Rgb(255, 255, 255), c.X + 10, c.Y + f->ascent, c.Text);
}

void Paint(Window& w, Control& c) {
  switch (c.What) {
  case Kind::Canvas:
    PaintCanvas(w, c);
    break;
  case Kind::Label:
    PaintLabel(w, c);
    break;
  case Kind::GroupBox:
    PaintGroupBox(w, c);
    break;
  }
}

void PaintAll(Window& w) {
  if (w.Gone)
    return;
  Fill(w, w.Background, 0, 0, w.Width, w.Height);
  for (auto& [id, c] : w.Controls)
    if (c.What == Kind::GroupBox)
      Paint(w, c);
  for (auto& [id, c] : w.Controls)
    if (c.What != Kind::GroupBox)
      Paint(w, c);
}

int CanvasAt(const Window& w, int x, int y) {
  for (const auto& [id, c] : w.Controls)
    if (c.What == Kind::Canvas && x >= c.X && x < c.X + c.Width && y >= c.Y && y < c.Y + c.Height)
      return id;
  return 0;
}

int ButtonBits(unsigned mask) {
  int b = 0;
  if (mask & Button1Mask)
    b |= kLeftButton;
  if (mask & Button2Mask)
    b |= kMiddleButton;
  if (mask & Button3Mask)
    b |= kRightButton;
  return b;
}

void Queue(Window& w, int canvas, EventType type) {
  const Control& c = w.Controls[canvas];
  Event e;
  e.Kind = EventKind::Control;
  e.Control = canvas;
  e.Type = type;
  e.X = w.PointerX - c.X - c.Border;
  e.Y = w.PointerY - c.Y - c.Border;
  e.Buttons = ButtonBits(w.Buttons);
  w.Queue.push_back(e);
}

// Turns one X event into the events a canvas would report under FLTK: a
// press takes the pointer for its canvas until the release, moves go to the
// canvas holding it, or else to the one under the pointer.
void Translate(Window& w, const XEvent& x) {
  switch (x.type) {
  case Expose:
    if (x.xexpose.count == 0)
      PaintAll(w);
    return;
  case DestroyNotify:
    w.Gone = w.Gone || x.xdestroywindow.window == w.Xid;
    return;
  case ButtonPress:
  case ButtonRelease: {
    const unsigned bit = x.xbutton.button >= 1 && x.xbutton.button <= 5
                             ? static_cast<unsigned>(Button1Mask) << (x.xbutton.button - 1)
                             : 0;
    w.PointerX = x.xbutton.x;
    w.PointerY = x.xbutton.y;
    w.Buttons = x.type == ButtonPress ? x.xbutton.state | bit : x.xbutton.state & ~bit;
    const bool left = x.xbutton.button == Button1;
    if (x.type == ButtonPress) {
      const int canvas = w.Grab ? w.Grab : CanvasAt(w, w.PointerX, w.PointerY);
      if (canvas) {
        w.Grab = canvas;
        Queue(w, canvas, left ? EventType::LeftDown : EventType::Other);
      }
    } else if (w.Grab) {
      const int canvas = w.Grab;
      if (w.Buttons == 0 || left)
        w.Grab = 0;
      Queue(w, canvas, left ? EventType::LeftUp : EventType::Other);
    }
    return;
  }
  case MotionNotify: {
    w.PointerX = x.xmotion.x;
    w.PointerY = x.xmotion.y;
    w.Buttons = x.xmotion.state;
    const int under = CanvasAt(w, w.PointerX, w.PointerY);
    if (w.Grab) {
      Queue(w, w.Grab, EventType::MouseMove);
    } else if (under) {
      Queue(w, under, under == w.Hovered ? EventType::MouseMove : EventType::MouseEnter);
    }
    w.Hovered = under;
    return;
  }
  case EnterNotify:
  case LeaveNotify:
    w.PointerX = x.xcrossing.x;
    w.PointerY = x.xcrossing.y;
    w.Buttons = x.xcrossing.state;
    w.Hovered = x.type == EnterNotify ? CanvasAt(w, w.PointerX, w.PointerY) : 0;
    return;
  default:
    return;
  }
}

Window* Current = nullptr; // the window whose event was handed out last

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

} // namespace

Window* OpenChildWindow(unsigned long parent, int width, int height) {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy)
    return nullptr;
  auto w = std::make_unique<Window>();
  w->Dpy = dpy;
  w->Width = width;
  w->Height = height;
  const int screen = DefaultScreen(dpy);
  w->Vis = DefaultVisual(dpy, screen);
  w->Map = DefaultColormap(dpy, screen);
  w->Xid = XCreateSimpleWindow(
      dpy, parent != 0 ? static_cast<::Window>(parent) : DefaultRootWindow(dpy), 0, 0,
      static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
  XSelectInput(dpy, w->Xid,
               ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                   EnterWindowMask | LeaveWindowMask | StructureNotifyMask);
  // The program's class, with a name of its own: a desktop or a test can
  // tell the window inside a host from the host's.
  XClassHint hint{const_cast<char*>("velmora-plugin"), const_cast<char*>("velmora")};
  XSetClassHint(dpy, w->Xid, &hint);
  w->Gc = XCreateGC(dpy, w->Xid, 0, nullptr);
  w->Text = XftDrawCreate(dpy, w->Xid, w->Vis, w->Map);
  // FLTK's default face and size for labels and captions.
  w->Fonts[0] = XftFontOpenName(dpy, screen, "sans:pixelsize=14");
  XMapWindow(dpy, w->Xid);
  XFlush(dpy);
  return w.release();
}

unsigned long WindowId(const Window& w) { return w.Xid; }

bool WindowGone(const Window& w) { return w.Gone; }

void CloseWindow(Window* w) {
  if (!w)
    return;
  if (Current == w)
    Current = nullptr;
  // A host may destroy its window, and ours inside it, before it closes us:
  // errors about our own resources are expected then, and Xlib's default
  // answer to an error ends the process. The handler is the process's, so
  // it is ours only for these calls, on the host's GUI thread.
  const XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
  for (auto& [id, f] : w->Fonts)
    if (f)
      XftFontClose(w->Dpy, f);
  XftDrawDestroy(w->Text);
  XFreeGC(w->Dpy, w->Gc);
  if (!w->Gone)
    XDestroyWindow(w->Dpy, w->Xid);
  XSync(w->Dpy, False);
  XSetErrorHandler(previous);
  XCloseDisplay(w->Dpy);
  delete w;
}

// --- The toolkit layer ------------------------------------------------------

Window& OpenWindow(int clientWidth, int clientHeight, const char* title) {
  // A top-level window, for as long as the program runs; as with FLTK, no
  // display means no program.
  Window* w = OpenChildWindow(0, clientWidth, clientHeight);
  if (w == nullptr) {
    std::fputs("Can't open display\n", stderr);
    std::exit(1);
  }
  XStoreName(w->Dpy, w->Xid, title);
  return *w;
}
void ShowWindow(Window& w) {
  PaintAll(w);
  XFlush(w.Dpy);
}
void SetWindowColour(Window& w, Colour c) {
  w.Background = c;
  XSetWindowBackground(w.Dpy, w.Xid, Pixel(c));
}
void AddMenu(Window&, const char*, int, const char*) {}
int CreateDropDown(Window&, int id, int, int, int, int) { return id; }
void AddDropDownItem(Window&, int, const std::string&) {}
void ClearDropDown(Window&, int) {}
void OnDropDownOpening(Window&, int, void (*)()) {}
void SelectDropDownItem(Window&, int, int) {}
int SelectedDropDownItem(Window&, int) { return -1; }

namespace {
// A new control of the window at its place; a kAutoId id is given one.
Control& AddControl(Window& w, int& id, Kind kind, int x, int y, int width, int height) {
  if (id == kAutoId)
    id = w.NextAutoId++;
  Control& c = w.Controls[id];
  c.What = kind;
  c.X = x;
  c.Y = y;
  c.Width = width;
  c.Height = height;
  return c;
}
} // namespace

int CreateCanvas(Window& w, int id, int x, int y, int width, int height, bool sunkenBorder, bool) {
  Control& c = AddControl(w, id, Kind::Canvas, x, y, width, height);
  c.Border = sunkenBorder ? 2 : 0;
  ResizeRaster(c.Picture, width - 2 * c.Border, height - 2 * c.Border);
  return id;
}

void CreateGroupBox(Window& w, int x, int y, int width, int height, const char* caption) {
  int id = kAutoId;
  AddControl(w, id, Kind::GroupBox, x, y, width, height).Text = caption;
}

int CreateLabel(Window& w, int id, int x, int y, int width, int height, const char* text) {
  AddControl(w, id, Kind::Label, x, y, width, height).Text = text;
  return id;
}

void SetLabelText(Window& w, int id, const std::string& text) {
  auto it = w.Controls.find(id);
  if (it == w.Controls.end() || it->second.What != Kind::Label || it->second.Text == text)
    return;
  it->second.Text = text;
  PaintLabel(w, it->second);
}

std::string LabelText(Window& w, int id) {
  auto it = w.Controls.find(id);
  return it == w.Controls.end() ? "" : it->second.Text;
}

void SetLabelColours(Window& w, int id, Colour text, Colour background) {
  auto it = w.Controls.find(id);
  if (it == w.Controls.end())
    return;
  it->second.Ink = text;
  it->second.Paper = background;
}

// Faces asked for so far, by the number LoadFont hands out; each window
// opens them on its own display when a label first uses one.
struct FontRequest {
  std::string Face;
  int Points;
};
std::vector<FontRequest>& FontRequests() {
  static std::vector<FontRequest> requests;
  return requests;
}

int LoadFont(const char* face, int points) {
  FontRequests().push_back({face, points});
  return static_cast<int>(FontRequests().size());
}

void SetLabelFont(Window& w, int id, int font) {
  auto it = w.Controls.find(id);
  if (it == w.Controls.end() || font < 1 || font > static_cast<int>(FontRequests().size()))
    return;
  if (!w.Fonts.count(font)) {
    // Points are 1/72 inch; pixels at the screen's resolution, as FLTK sizes them.
    const int screen = DefaultScreen(w.Dpy);
    const double dpi = DisplayHeight(w.Dpy, screen) * 25.4 / DisplayHeightMM(w.Dpy, screen);
    const FontRequest& face = FontRequests()[static_cast<size_t>(font - 1)];
    w.Fonts[font] = XftFontOpen(
        w.Dpy, screen, XFT_FAMILY, XftTypeString, face.Face.c_str(), XFT_PIXEL_SIZE, XftTypeDouble,
        static_cast<double>(static_cast<int>(face.Points * dpi / 72 + 0.5)), nullptr);
  }
  if (w.Fonts[font] != nullptr)
    it->second.Font = font;
}

Raster* BeginDrawing(Window& w, int canvas) {
  auto it = w.Controls.find(canvas);
  return it == w.Controls.end() || it->second.What != Kind::Canvas ? nullptr : &it->second.Picture;
}

void EndDrawing(Window& w, int canvas) {
  auto it = w.Controls.find(canvas);
  if (it != w.Controls.end())
    PaintCanvas(w, it->second);
}

Event WaitWindowEvent(Window& w, int) {
  Current = &w;
  while (w.Queue.empty() && XPending(w.Dpy) > 0) {
    XEvent x;
    XNextEvent(w.Dpy, &x);
    Translate(w, x);
  }
  if (w.Queue.empty()) {
    XFlush(w.Dpy);
    return Event{};
  }
  const Event e = w.Queue.front();
  w.Queue.pop_front();
  return e;
}

int AsyncMouseButtons() { return Current ? ButtonBits(Current->Buttons) : 0; }

int ControlUnderCursor(Window& w) { return CanvasAt(w, w.PointerX, w.PointerY); }

void WindowMousePosition(Window& w, int& x, int& y) {
  const bool inside =
      w.PointerX >= 0 && w.PointerY >= 0 && w.PointerX < w.Width && w.PointerY < w.Height;
  x = inside ? w.PointerX : -1;
  y = inside ? w.PointerY : -1;
}

void ControlPosition(Window& w, int id, int& x, int& y) {
  auto it = w.Controls.find(id);
  x = it == w.Controls.end() ? 0 : it->second.X;
  y = it == w.Controls.end() ? 0 : it->second.Y;
}

void MessageBox(const char*, const std::string&) {}
void Wake() {}
void Shutdown() {}

} // namespace velmora::tk
