// A small skinned window holding one player control, for the video window's
// tests (off screen and on an X display).
#pragma once
#include "MPlayerEvents.h"
#include "MediaPlayerUI.h"
#include "ui/UILib.h"

#include <string>
#include <vector>

namespace playertest {

class CPlayerHostWindow : public WindowImplBase {
public:
    std::wstring GetWindowClassName() const override { return L"VXMPlayerTestHost"; }
    std::wstring GetSkinFile() override
    {
        return L"<Window size=\"480,360\"><VerticalLayout bkcolor=\"#FF303030\">"
               L"<MediaPlayer name=\"player\" /></VerticalLayout></Window>";
    }
    CControlUI* CreateControl(const std::wstring& className) override
    {
        return className == L"MediaPlayer" ? new CMediaPlayerUI : nullptr;
    }
    void Notify(TNotifyUI& msg) override
    {
        notifications.push_back(msg.sType);
        WindowImplBase::Notify(msg);
    }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        // A player started on this window reports here: its records are freed.
        if (message == WM_VXM_MPLAYER_EVENT) {
            TakeMplayerEventPayload(wParam, lParam);
            return 0;
        }
        return WindowImplBase::HandleMessage(message, wParam, lParam);
    }
    // The window is made with new and goes with its last message.
    void OnFinalMessage(HWND hwnd) override
    {
        WindowImplBase::OnFinalMessage(hwnd);
        delete this;
    }
    CMediaPlayerUI* Player() { return static_cast<CMediaPlayerUI*>(m_PaintManager.FindControl(L"player")); }
    size_t Count(const std::wstring& type) const
    {
        size_t n = 0;
        for (const auto& t : notifications) n += t == type;
        return n;
    }

    std::vector<std::wstring> notifications;
};

}  // namespace playertest
