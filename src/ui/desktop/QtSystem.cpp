#include "ui/desktop/QtDesktop.h"
#include "platform/desktop.h"
#include "platform/online.h"
#include "ui/UIRender.h"
#include <QGuiApplication>
#include <QScreen>

bool CQtOnlineState::IsOnline() { return IsNetworkConnected(); }

std::vector<CScreenInfo> CQtScreens::List()
{
    std::vector<CScreenInfo> out;
    if (!QGuiApplication::instance()) return out;
    QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* s : QGuiApplication::screens()) {
        CScreenInfo info;
        info.area = FromQRect(s->geometry());
        info.workArea = FromQRect(s->availableGeometry());
        info.primary = s == primary;
        out.push_back(info);
    }
    return out;
}

bool CQtShutdown::PowerOff(std::wstring& error) { return RequestPowerOff(error); }
