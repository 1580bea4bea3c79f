// Makes the program's main window (not yet created). The window ends itself:
// when it closes it saves what it holds, posts the UI loop's quit and deletes
// its object.
#pragma once
#include <string>

class CWindowWnd;

// `commandLineFile`: a file named on the command line, added after start-up (may be empty).
CWindowWnd* CreateMainFrameWnd(const std::wstring& commandLineFile);
