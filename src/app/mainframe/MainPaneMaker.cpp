#include "MainPaneMaker.h"
#include "DlgSelectDVD.h"
#include "VXMMainFrameWnd.h"
#include "IMainPane.h"
#include "panes/MainPaneUI.h"
#include "panes/PlayerPaneUI.h"
#include "ui/UIContainer.h"

#include <string>

namespace {

MainPaneMaker& Maker()
{
    static MainPaneMaker maker;
    return maker;
}

}  // namespace

CControlUI* MakeMainFramePane(const std::wstring& kind, CPaintManagerUI* manager, CVXMMainFrameWnd* frame)
{
    if (Maker()) return Maker()(kind, manager, frame);
    if (kind == L"MainPane") return new CMainPaneUI(manager, frame, false);
    if (kind == L"BurnerPane") return new CMainPaneUI(manager, frame, true);
    if (kind == L"PlayerPane") {
        auto* pane = new CPlayerPaneUI(manager);
        pane->SetDriveChooser(RunSelectDVDDialog);
        return pane;
    }
    return nullptr;
}

void SetMainPaneMaker(MainPaneMaker maker) { Maker() = std::move(maker); }
