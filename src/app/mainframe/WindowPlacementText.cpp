#include "WindowPlacementText.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

std::wstring FormatWindowPlacement(const WINDOWPLACEMENT& p)
{
    wchar_t buffer[136];
    std::swprintf(buffer, 136, L"%u,%u,%d,%d,%d,%d,%d,%d,%d,%d;", p.flags, p.showCmd, p.ptMinPosition.x,
                  p.ptMinPosition.y, p.ptMaxPosition.x, p.ptMaxPosition.y, p.rcNormalPosition.left,
                  p.rcNormalPosition.top, p.rcNormalPosition.right, p.rcNormalPosition.bottom);
    return buffer;
}

bool ParseWindowPlacement(const std::wstring& text, WINDOWPLACEMENT& p)
{
    unsigned flags = 0, show = 0;
    int v[8] = {};
    if (std::swscanf(text.c_str(), L"%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", &flags, &show, &v[0], &v[1], &v[2], &v[3], &v[4],
                     &v[5], &v[6], &v[7]) != 10)
        return false;
    p = WINDOWPLACEMENT();
    p.flags = flags;
    p.showCmd = show;
    p.ptMinPosition = POINT{v[0], v[1]};
    p.ptMaxPosition = POINT{v[2], v[3]};
    p.rcNormalPosition = RECT{v[4], v[5], v[6], v[7]};
    return true;
}

WINDOWPLACEMENT DefaultWindowPlacement(const std::vector<CScreenInfo>& screens, int width, int height)
{
    WINDOWPLACEMENT p;
    p.flags = 0;
    p.showCmd = SW_SHOWNORMAL;
    p.ptMinPosition = POINT{-1, -1};
    p.ptMaxPosition = POINT{-1, -1};
    RECT area{0, 0, width, height};
    for (const auto& s : screens)
        if (s.primary) area = s.area;
    if (!screens.empty() && std::none_of(screens.begin(), screens.end(), [](const CScreenInfo& s) { return s.primary; }))
        area = screens.front().area;
    int left = std::max(0, ((area.right - area.left) - width) / 2);
    int top = std::max(0, ((area.bottom - area.top) - height) / 2);
    p.rcNormalPosition = RECT{area.left + left, area.top + top, area.left + left + width, area.top + top + height};
    return p;
}

bool MovePlacementOntoScreen(const std::vector<CScreenInfo>& screens, WINDOWPLACEMENT& p)
{
    if (screens.empty()) return false;
    RECT& rc = p.rcNormalPosition;
    for (const auto& s : screens) {
        RECT a = s.workArea;
        bool overlaps = rc.left < a.right && rc.right > a.left && rc.top < a.bottom && rc.bottom > a.top;
        if (overlaps) return false;
    }
    POINT centre{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    int index = NearestScreen(screens, centre);
    if (index < 0) index = 0;
    RECT a = screens[index].workArea;
    int width = std::min<int>(rc.right - rc.left, a.right - a.left);
    int height = std::min<int>(rc.bottom - rc.top, a.bottom - a.top);
    if (width <= 0) width = a.right - a.left;
    if (height <= 0) height = a.bottom - a.top;
    int left = std::clamp<int>(rc.left, a.left, a.right - width);
    int top = std::clamp<int>(rc.top, a.top, a.bottom - height);
    rc = RECT{left, top, left + width, top + height};
    return true;
}
