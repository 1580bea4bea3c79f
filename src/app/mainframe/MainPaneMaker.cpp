#include "MainPaneMaker.h"
#include "IMainPane.h"
#include "panes/MainPaneUI.h"
#include "ui/UIContainer.h"

#include <string>

namespace {

// The player page's pane until the player pane takes its place.
class CPlayerPaneStandIn : public CVerticalLayoutUI, public IPlayerPane {
public:
    void LoadLayout() override {}
    void LinkPane(IMainPane*) override {}
    int GetState() const override { return 0; }
    void StopAndReset() override {}
    void OnPlayerEvent(WPARAM, LPARAM) override {}
    void OnDriveRemoved(const std::wstring&, const std::wstring&) override {}
};

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
    if (kind == L"PlayerPane") return new CPlayerPaneStandIn();
    return nullptr;
}

void SetMainPaneMaker(MainPaneMaker maker) { Maker() = std::move(maker); }
