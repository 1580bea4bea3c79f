#include "ui/desktop/Desktop.h"
#include "ui/desktop/OpticalDrives.h"
#include "ui/desktop/QtDesktop.h"

namespace {
struct CQtServices {
    CQtMessageBox messageBox;
    CQtFileChooser files;
    CQtColourChooser colours;
    CQtShell shell;
    CQtClipboard clipboard;
    CDesktopOpticalDrives drives;
    CQtOnlineState online;
    CQtScreens screens;
    CQtShutdown shutdown;
    CDesktopServices table{&messageBox, &files, &colours, &shell, &clipboard, &drives, &online, &screens, &shutdown};
};

CQtServices& Qt()
{
    static CQtServices services;
    return services;
}

CDesktopServices g_current;
bool g_replaced = false;
}  // namespace

const CDesktopServices& Desktop()
{
    return g_replaced ? g_current : Qt().table;
}

void SetDesktopServices(const CDesktopServices* services)
{
    g_replaced = services != nullptr;
    if (!services) return;
    const CDesktopServices& qt = Qt().table;
    g_current.messageBox = services->messageBox ? services->messageBox : qt.messageBox;
    g_current.files = services->files ? services->files : qt.files;
    g_current.colours = services->colours ? services->colours : qt.colours;
    g_current.shell = services->shell ? services->shell : qt.shell;
    g_current.clipboard = services->clipboard ? services->clipboard : qt.clipboard;
    g_current.drives = services->drives ? services->drives : qt.drives;
    g_current.online = services->online ? services->online : qt.online;
    g_current.screens = services->screens ? services->screens : qt.screens;
    g_current.shutdown = services->shutdown ? services->shutdown : qt.shutdown;
}
