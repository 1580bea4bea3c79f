// Screens and their work areas (the screen less panels and docks).
#pragma once
#include "ui/UIDefine.h"
#include <vector>

struct CScreenInfo {
    RECT area;
    RECT workArea;
    bool primary = false;
};

class IScreens {
public:
    virtual ~IScreens() = default;
    virtual std::vector<CScreenInfo> List() = 0;
};

// Index of the screen holding a point, -1 when none.
int ScreenAt(const std::vector<CScreenInfo>& screens, POINT pt);
// Index of the screen nearest to a point (-1 when there are none).
int NearestScreen(const std::vector<CScreenInfo>& screens, POINT pt);
// A popup's x: unchanged on a screen; off every screen it is kept inside
// the nearest screen's work area.
int ClampPopupX(const std::vector<CScreenInfo>& screens, int x, int y);
