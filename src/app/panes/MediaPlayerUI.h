// The player's picture: a plain native child window that the media player
// draws into, hosted by a container control. The window turns clicks, the
// Escape key and mouse moves into notifications sent by the control.
#pragma once
#include "ui/UIContainer.h"
#include "ui/UIWindow.h"

#include <functional>

class CMediaPlayerUI;

// The native window the media player draws into.
class CMediaPlayerWnd : public CWindowWnd {
public:
    static constexpr WPARAM kMarkedClick = 0x8000;  // never set by a real press
    static constexpr UINT kClickTimer = 100;

    std::wstring GetWindowClassName() const override { return L"VXMMediaPlayerWnd"; }
    UINT GetClassStyle() const override { return CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS; }

    // The X11 id of the window, 0 where there is none (see MakeNativeSurface).
    unsigned long GetNativeId() const { return m_nativeId; }

    bool NeedsFirstPaint = false;
    CMediaPlayerUI* Owner = nullptr;
    bool TrackingMouse = false;
    bool ClickPending = false;  // a press waits to be told a single click

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Notify(const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0);
    void OnMouseMove(WPARAM wParam, LPARAM lParam);

    unsigned long m_nativeId = 0;
    unsigned m_presses = 0;
};

class CMediaPlayerUI : public CContainerUI {
public:
    CMediaPlayerUI();
    // Stops the player (through the hook) before the window it draws into goes.
    ~CMediaPlayerUI() override;

    std::wstring GetClass() const override { return L"MediaPlayerUI"; }
    void* GetInterface(const std::wstring& name) override;

    // Destroys the window there is, then makes a new visible child of the
    // paint window inside the control (one pixel in from left and right).
    void CreateVideoWindow();
    void DestroyVideoWindow();
    // Bound to the control's size event: the window takes the control, one
    // pixel in on every side unless in full screen, at the picture's shape
    // (centred, the rest shows the control's black). Always handled.
    bool OnPlayerResize(void* param);
    // Width / height of the picture the player shows; 0 fills the control.
    void SetPictureAspect(double aspect);

    CMediaPlayerWnd* GetVideoWindow() const { return VideoWindow; }
    // Called before the video window is destroyed while something may still
    // draw into it (the pane stops its player there).
    void SetBeforeWindowDestroyed(std::function<void()> hook) { m_beforeDestroy = std::move(hook); }

    CMediaPlayerWnd* VideoWindow = nullptr;
    bool FullScreen = false;

private:
    std::function<void()> m_beforeDestroy;
    double m_aspect = 0.0;
};
