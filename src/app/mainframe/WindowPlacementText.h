// The main window's placement as the settings keep it:
// "flags,showCmd,minX,minY,maxX,maxY,left,top,right,bottom;".
#pragma once
#include "ui/UIWindow.h"
#include "ui/desktop/IScreens.h"
#include <string>
#include <vector>

std::wstring FormatWindowPlacement(const WINDOWPLACEMENT& placement);
// False when the text holds fewer than ten fields.
bool ParseWindowPlacement(const std::wstring& text, WINDOWPLACEMENT& placement);
// A placement of `width` x `height` centred on the primary screen.
WINDOWPLACEMENT DefaultWindowPlacement(const std::vector<CScreenInfo>& screens, int width, int height);
// A normal rectangle that lies on no screen is moved into the work area of
// the nearest one (and shrunk to fit it). True when it moved.
bool MovePlacementOntoScreen(const std::vector<CScreenInfo>& screens, WINDOWPLACEMENT& placement);
