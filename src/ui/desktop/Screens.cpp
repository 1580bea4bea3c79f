#include "ui/desktop/IScreens.h"
#include "ui/UIRender.h"
#include <climits>
#include <cstdlib>

int ScreenAt(const std::vector<CScreenInfo>& screens, POINT pt)
{
    for (size_t i = 0; i < screens.size(); ++i)
        if (PtInRect(screens[i].area, pt)) return static_cast<int>(i);
    return -1;
}

int NearestScreen(const std::vector<CScreenInfo>& screens, POINT pt)
{
    int best = -1;
    long long bestDistance = LLONG_MAX;
    for (size_t i = 0; i < screens.size(); ++i) {
        const RECT& rc = screens[i].area;
        long long dx = pt.x < rc.left ? rc.left - pt.x : pt.x >= rc.right ? pt.x - rc.right + 1 : 0;
        long long dy = pt.y < rc.top ? rc.top - pt.y : pt.y >= rc.bottom ? pt.y - rc.bottom + 1 : 0;
        long long d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

int ClampPopupX(const std::vector<CScreenInfo>& screens, int x, int y)
{
    POINT pt;
    pt.x = x;
    pt.y = y;
    if (ScreenAt(screens, pt) >= 0) return x;
    int nearest = NearestScreen(screens, pt);
    if (nearest < 0) return x;
    const RECT& work = screens[static_cast<size_t>(nearest)].workArea;
    if (x < work.left) return work.left;
    if (x >= work.right) return work.right - 1;
    return x;
}
