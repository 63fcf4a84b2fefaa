// Asks a top-level window to close, as a window manager does for its close
// box: a WM_DELETE_WINDOW client message. Usage: xclose WINDOW_ID
#include <X11/Xlib.h>

#include <cstdlib>

int main(int argc, char** argv) {
  Display* d = XOpenDisplay(nullptr);
  if (argc != 2 || d == nullptr)
    return 2;
  const auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
  // clang-format off
  XEvent ev{.xclient = {ClientMessage, 0, False, d, std::strtoul(argv[1], nullptr, 0),
                        atom("WM_PROTOCOLS"), 32, {.l = {long(atom("WM_DELETE_WINDOW"))}}}};
  // clang-format on
  XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
  XCloseDisplay(d); // flushes the request
}
