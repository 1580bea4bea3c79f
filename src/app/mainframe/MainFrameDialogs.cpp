#include "MainFrameDialogs.h"
#include "AboutDlgUI.h"
#include "DVDOpenDlgUI.h"
#include "DlgBatchAdd.h"
#include "DlgSelectDVD.h"
#include "DlgSoftwareUpdate.h"
#include "OptionDlgUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "SelectFormatDlgUI.h"
#include "URLDlgUI.h"

namespace {

// The options over the main window, whose folders its buttons open.
int RunProgramOptions(HWND owner)
{
    COptionDlgUI::CHooks hooks;
    if (auto* frame = dynamic_cast<CVXMMainFrameWnd*>(CWindowWnd::FromHandle(owner))) {
        hooks.openOutputFolder = [frame] { frame->OpenOutputFolder(); };
        hooks.openSnapshotFolder = [frame] { frame->OpenSnapshotFolder(); };
    }
    return RunOptionsDialog(CVXMSettings::GetInstance(), owner, std::move(hooks));
}

CMainFrameDialogs& Own()
{
    static CMainFrameDialogs dialogs = [] {
        CMainFrameDialogs d;
        d.chooseDrive = RunSelectDVDDialog;
        d.openDisc = RunDVDOpenDialog;
        d.about = RunAboutDialog;
        d.batchAdd = [](HWND owner) { RunBatchAddDialog(owner); };
        d.options = RunProgramOptions;
        d.urls = [](HWND owner) { return RunURLDialog(owner, false); };
        d.mp3Urls = [](HWND owner) { return RunURLDialog(owner, true); };
        d.chooseFormat = RunSelectFormatDialog;
        d.checkForUpdates = [](HWND owner) {
            CHttpGetOptions options;
            const CVXMSettings* s = CVXMSettings::GetInstance();
            options.proxy = MakeProxyText(s->ProxyServer, s->ProxyPort);
            RunUpdateCheckDialog(owner, options);
        };
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
    // A replacement that answers the address dialog answers its MP3 form too.
    g_current.mp3Urls = Either(dialogs->mp3Urls, Either(dialogs->urls, own.mp3Urls));
    g_current.chooseFormat = Either(dialogs->chooseFormat, own.chooseFormat);
    g_current.chooseDrive = Either(dialogs->chooseDrive, own.chooseDrive);
    g_current.openDisc = Either(dialogs->openDisc, own.openDisc);
}
