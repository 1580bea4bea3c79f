// The burn window: shows the stage, the progress and the outcome of a burn
// run by its worker, and lets the user stop it. Modal over the pane.
#pragma once
#include "BurnWorker.h"
#include "BurnerSetup.h"
#include "ui/UILib.h"

#include <memory>

class CBurnWindowUI : public WindowImplBase {
public:
    CBurnWindowUI(SBurnJob job, std::vector<SMenuButton> buttons, SBurnerSetup* setup);
    ~CBurnWindowUI() override;

    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // 1 made, 0 stopped or closed first, -1 failed.
    int GetResult() const { return m_result.code; }

    static constexpr UINT WM_BURN_REPORT = 0x0400 + 2201;  // lParam: SBurnReport*, owned by the receiver
    static constexpr UINT WM_BURN_DONE = 0x0400 + 2202;    // lParam: SBurnResult*, owned by the receiver

private:
    void SetTexts(const std::wstring& stage, const std::wstring& detail, int percent);
    // Stops the clock in the pane's footer (the work ended).
    void StopPaneClock();
    void RequestStop();

    SBurnJob m_job;
    std::vector<SMenuButton> m_buttons;
    SBurnerSetup* m_setup;
    std::unique_ptr<CBurnWorker> m_worker;
    SBurnResult m_result{0, {}};
    bool m_finished = false;
    bool m_closeWhenDone = false;
};

// Tests: the window closes by itself once the burn has ended.
void SetBurnWindowAutoClose(bool close);
