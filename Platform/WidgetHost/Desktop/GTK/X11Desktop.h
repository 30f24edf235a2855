// What GTK 4 no longer does for a desktop widget's window on X11, done with the window manager's
// own properties and messages: the window type, below other windows, on every workspace, out of
// the taskbar and pager, and moving the window to a position of our choosing. On any other
// backend (Wayland) these do nothing and the windows stay ordinary undecorated windows.
#pragma once

#include <gtk/gtk.h>

#include <optional>
#include <vector>

#include "Platform/WidgetHost/Desktop/Core/Placement.h"

namespace WidgetHost::X11Desktop {

// Before the window is first mapped (from its `realize` handler): the window type. A utility
// window keeps the window manager's move on every manager (a desktop or dock window cannot be
// dragged on openbox, mutter or KWin), and the skip hints keep it out of the taskbar and pager.
void typeAsWidget(GtkWindow* window);

// Once mapped (from its `map` handler): below other windows, sticky, on all workspaces.
void keepOnDesktop(GtkWindow* window);

// Cuts the window to a rectangle of `width` × `height` pixels with corners of `radius`, so the
// desktop shows through the corners with or without a compositing manager.
void roundCorners(GtkWindow* window, int width, int height, double radius);

// Moves the mapped window's top-left corner to `position` in screen pixels.
void move(GtkWindow* window, ScreenPoint position);

// The mapped window's top-left corner in screen pixels.
std::optional<ScreenPoint> position(GtkWindow* window);

// The X window of `window`, 0 when it has none (not realized, or not X11).
unsigned long xid(GtkWindow* window);

// The monitors in screen pixels, the primary one first, with their work areas.
std::vector<Monitor> monitors(GdkDisplay* display);

// Calls `moved` with the X window whenever one of ours is moved or resized (ConfigureNotify).
void onConfigure(GdkDisplay* display, void (*moved)(unsigned long xid, void* data), void* data);

}  // namespace WidgetHost::X11Desktop
