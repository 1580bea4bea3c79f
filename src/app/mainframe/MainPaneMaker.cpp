#include "MainPaneMaker.h"
#include "IMainPane.h"
#include "ui/UIContainer.h"

#include <string>

namespace {

class CMediaPaneStandIn : public CVerticalLayoutUI, public IMainPane {
public:
    explicit CMediaPaneStandIn(int mode) : m_mode(mode) {}
    int GetMode() const override { return m_mode; }
    void LoadLayout() override {}
    bool HoldsMedia(IVXMMedia*) const override { return false; }
    void AddMedia(IVXMMedia*, short, unsigned short) override {}
    void OnConversionStarted(IVXMMedia*) override {}
    void SetProgress(IVXMMedia*, int) override {}
    bool OnJobFinished(int, IVXMMedia*, std::wstring&) override { return false; }
    void RemoveMedia(IVXMMedia*) override {}
    bool IsConverting() const override { return false; }
    void StopAll() override {}
    void OnTimerTick() override {}
    void RemoveDriveRows(const std::wstring&) override {}
    void AddConvertedEntry(const std::wstring&) override {}
    void ImportCue(const std::wstring&) override {}
    bool CheckBurn() override { return false; }
    void RebuildSegments(IVXMMedia*) override {}
    void RefreshEffectMark(IVXMMedia*) override {}
    void SelectFirstManagerEntry() override {}
    bool IsBurning() const override { return false; }
    void OpenInsertedDisc(const std::wstring&, const std::wstring&) override {}
    void SetDiscSize(int) override {}

private:
    int m_mode;
};

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
    if (kind == L"MainPane") return new CMediaPaneStandIn(0);
    if (kind == L"BurnerPane") return new CMediaPaneStandIn(1);
    if (kind == L"PlayerPane") return new CPlayerPaneStandIn();
    return nullptr;
}

void SetMainPaneMaker(MainPaneMaker maker) { Maker() = std::move(maker); }
