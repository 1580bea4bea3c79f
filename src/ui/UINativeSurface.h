// A window that another program draws into (the media player's picture): a
// native window of its own, painted black at first and when its size
// changes, else left to that program.
#pragma once

class CWindowWnd;

// Makes the window's surface native and black until the other program
// draws (again after each change of size). Returns its X11 window id; 0
// where windows are no X11 windows (the off-screen platform, Wayland), and
// then nothing can draw into it.
unsigned long MakeNativeSurface(CWindowWnd& window);

// The system's double-click time in milliseconds.
unsigned GetDoubleClickTime();

// Places a child window at the rectangle of its parent's client area.
void MoveChildWindow(CWindowWnd& window, int left, int top, int right, int bottom);
