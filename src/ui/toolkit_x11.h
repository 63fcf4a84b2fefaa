// The plain-Xlib side of the toolkit layer, for the window inside a plugin
// host. Each window has a display connection of its own and lives inside a
// window the host hands over; nothing is shared between windows, so any
// number of them live in one process and one closing leaves the others as
// they were. The host's thread drives each window from its idle callback:
// WaitWindowEvent never waits here, it reads what the X server has sent.
#pragma once

#include "ui/toolkit.h"

namespace velmora::tk {

// A window of width x height inside the X window `parent` (0: a top-level
// window), on the display named by DISPLAY; nullptr when that display cannot
// be opened.
Window* OpenChildWindow(unsigned long parent, int width, int height);
// The X window that the host embeds.
unsigned long WindowId(const Window& w);
// Whether the host has destroyed the window (with its own).
bool WindowGone(const Window& w);
// Closes the window and its display connection.
void CloseWindow(Window* w);

} // namespace velmora::tk
