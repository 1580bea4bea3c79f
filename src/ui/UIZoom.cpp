#include "ui/UIZoom.h"
#include "ui/UIManager.h"
#include "ui/UIMessagePump.h"
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

double CalcZoomFactor(int designW, int designH, int refW, int refH, int screenW, int screenH, int availW, int availH)
{
    if (designW <= 0 || designH <= 0 || refW <= 0 || refH <= 0 || screenW <= 0 || screenH <= 0) return 1.0;
    double zoom = std::max(1.0, std::min(static_cast<double>(screenW) / refW, static_cast<double>(screenH) / refH));
    if (availW > 0 && availH > 0) {
        double fit = std::min(static_cast<double>(availW) / designW, static_cast<double>(availH) / designH);
        zoom = std::min(zoom, std::max(fit, 0.5));
    }
    return std::round(zoom * 100.0) / 100.0;
}

double DuiInitParamsForZoom(int designW, int designH, int refW, int refH)
{
    EnsureUIApplication();
    double zoom = 1.0;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect full = screen->geometry();
        QRect avail = screen->availableGeometry();
        zoom = CalcZoomFactor(designW, designH, refW, refH, full.width(), full.height(), avail.width(), avail.height());
    }
    CPaintManagerUI::SetZoom(zoom);
    return zoom;
}
