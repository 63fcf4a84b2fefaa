// Asks a top-level window to close, as a window manager does for its close
// box: a WM_DELETE_WINDOW client message. Usage: xclose WINDOW_ID
#include <X11/Xlib.h>

#include <cstdlib>

int main(int argc, char** argv) {
  Display* d = XOpenDisplay(nullptr);
  if (argc != 2 || d == nullptr)
    return 2;
  const auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.display = d;
  ev.xclient.window = std::strtoul(argv[1], nullptr, 0);
  ev.xclient.message_type = atom("WM_PROTOCOLS");
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(atom("WM_DELETE_WINDOW"));
  XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
  XCloseDisplay(d); // flushes the request
}
