// Asks a top-level window to close, as a window manager does for its close
// box: a WM_DELETE_WINDOW client message. Usage: xclose WINDOW_ID
#include <X11/Xlib.h>

#include <cstdlib>

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(nullptr);
  if (argc != 2 || display == nullptr)
    return 2;
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = std::strtoul(argv[1], nullptr, 0);
  ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  XSendEvent(display, ev.xclient.window, False, NoEventMask, &ev);
  XCloseDisplay(display); // flushes the request
  return 0;
}
