#include "MainFrameDialogs.h"
#include "AboutDlgUI.h"
#include "DVDOpenDlgUI.h"
#include "DlgSelectDVD.h"

namespace {

CMainFrameDialogs& Own()
{
    static CMainFrameDialogs dialogs = [] {
        CMainFrameDialogs d;
        d.chooseDrive = RunSelectDVDDialog;
        d.openDisc = RunDVDOpenDialog;
        d.about = RunAboutDialog;
        return d;
    }();
    return dialogs;
}

CMainFrameDialogs g_current;
bool g_replaced = false;

template <typename F>
F Either(const F& chosen, const F& own)
{
    return chosen ? chosen : own;
}

}  // namespace

CMainFrameDialogs& ProgramDialogs() { return Own(); }

const CMainFrameDialogs& MainFrameDialogs() { return g_replaced ? g_current : Own(); }

void SetMainFrameDialogs(const CMainFrameDialogs* dialogs)
{
    g_replaced = dialogs != nullptr;
    if (!dialogs) return;
    const CMainFrameDialogs& own = Own();
    g_current.options = Either(dialogs->options, own.options);
    g_current.about = Either(dialogs->about, own.about);
    g_current.batchAdd = Either(dialogs->batchAdd, own.batchAdd);
    g_current.checkForUpdates = Either(dialogs->checkForUpdates, own.checkForUpdates);
    g_current.urls = Either(dialogs->urls, own.urls);
    g_current.chooseDrive = Either(dialogs->chooseDrive, own.chooseDrive);
    g_current.openDisc = Either(dialogs->openDisc, own.openDisc);
}
