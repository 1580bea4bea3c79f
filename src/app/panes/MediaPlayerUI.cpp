#include "MediaPlayerUI.h"

#include "VXMMessages.h"
#include "ui/UIInputOrder.h"
#include "ui/UIManager.h"
#include "ui/UINativeSurface.h"

#include <algorithm>

namespace {

bool InRect(const RECT& rc, int x, int y) { return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom; }

// The window deletes itself once its last message has run.
class CSelfDeletingPlayerWnd : public CMediaPlayerWnd {
protected:
    void OnFinalMessage(HWND) override { delete this; }
};

}  // namespace

void CMediaPlayerWnd::Notify(const wchar_t* type, WPARAM wParam, LPARAM lParam)
{
    if (Owner && Owner->GetManager()) Owner->GetManager()->SendNotify(Owner, type, wParam, lParam);
}

LRESULT CMediaPlayerWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        m_nativeId = MakeNativeSurface(*this);
        break;
    case WM_CHAR:
        if (wParam == 27 && Owner && Owner->FullScreen) Notify(L"fullscreen");
        return 0;
    case WM_KEYDOWN:
        // Escape comes as a key only (it has no character here).
        if (wParam == VK_ESCAPE && Owner && Owner->FullScreen) Notify(L"fullscreen");
        return 0;
    case WM_LBUTTONDOWN:
        if (wParam & kMarkedClick) {
            // lParam: the press it decides; a later press decides for itself.
            if (ClickPending && static_cast<unsigned>(lParam) == m_presses) {
                ClickPending = false;
                Notify(L"mouseclick");
            }
        } else {
            ClickPending = true;
            ++m_presses;
            ::SetTimer(GetHWND(), kClickTimer, GetDoubleClickTime());
        }
        return 0;
    case WM_TIMER:
        if (wParam != kClickTimer) break;
        ::KillTimer(GetHWND(), kClickTimer);
        // A second press the system already has must be seen first: it may
        // make this press part of a double click.
        if (ClickPending) PostAfterPendingInput(*this, WM_LBUTTONDOWN, kMarkedClick | 0x0001, m_presses);
        return 0;
    case WM_LBUTTONDBLCLK:
        ClickPending = false;
        Notify(L"fullscreen", Owner && Owner->FullScreen ? 0 : 1, 0);
        return 0;
    case WM_RBUTTONDOWN:
        Notify(L"showmainrightkeymenu");
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        break;
    case WM_MOUSELEAVE:
        TrackingMouse = false;
        break;
    case WM_VXM_PLAY_FINISHED:
        Notify(L"playfinished", wParam, lParam);
        return 0;
    case WM_VXM_PREVIEW_PROGRESS:
        Notify(L"poschanged", wParam, lParam);
        return 0;
    default:
        break;
    }
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CMediaPlayerWnd::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    // Leaving the window comes as WM_MOUSELEAVE without a request.
    TrackingMouse = true;
    if (!Owner || !Owner->GetManager()) return;
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    RECT r = Owner->GetPos();
    r.bottom -= r.top;
    r.top = 0;
    RECT mine{}, paint{};
    ::GetWindowRect(GetHWND(), &mine);
    ::GetWindowRect(Owner->GetManager()->GetPaintWindow(), &paint);
    if (mine.top - paint.top <= 50 || (wParam & kMarkedClick))
        Notify(InRect(RECT{r.left, 0, r.right, 20}, x, y) ? L"showtopbar" : L"hidetopbar");
    Notify(InRect(RECT{r.left, r.bottom - 30, r.right, r.bottom}, x, y) ? L"showbottombar" : L"hidebottombar");
    Notify(InRect(r, x, y) ? L"showaddtoconvertedbutton" : L"hideaddtoconvertedbutton");
    Notify(L"dvdnavmousemove", wParam, lParam);
}

CMediaPlayerUI::CMediaPlayerUI()
{
    OnSize += MakeDelegate(this, &CMediaPlayerUI::OnPlayerResize);
}

CMediaPlayerUI::~CMediaPlayerUI()
{
    DestroyVideoWindow();
}

void* CMediaPlayerUI::GetInterface(const std::wstring& name)
{
    if (name == L"MediaPlayer") return this;
    return CContainerUI::GetInterface(name);
}

void CMediaPlayerUI::CreateVideoWindow()
{
    DestroyVideoWindow();
    if (!m_manager) return;
    auto* window = new CSelfDeletingPlayerWnd;
    window->Owner = this;
    window->NeedsFirstPaint = true;
    const RECT& rc = m_rcItem;
    if (!window->Create(m_manager->GetPaintWindow(), L"VXMMediaWnd", WS_CHILD | WS_VISIBLE, 0, rc.left + 1, rc.top,
                        rc.right - rc.left - 2, rc.bottom - rc.top)) {
        return;  // a window that failed its creation has had its final message
    }
    VideoWindow = window;
}

void CMediaPlayerUI::DestroyVideoWindow()
{
    if (!VideoWindow) return;
    if (m_beforeDestroy) m_beforeDestroy();
    CMediaPlayerWnd* window = VideoWindow;
    VideoWindow = nullptr;
    window->Owner = nullptr;
    window->DestroyWindow();  // the object goes with its final message
}

bool CMediaPlayerUI::OnPlayerResize(void*)
{
    if (!VideoWindow || !VideoWindow->GetWidget()) return true;
    RECT rc = m_rcItem;
    if (!FullScreen) {
        rc.left += 1;
        rc.top += 1;
        rc.right -= 1;
        rc.bottom -= 1;
    }
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    if (m_aspect > 0.0 && width > 0 && height > 0) {
        // The player fills the window: the window has the picture's shape.
        const int fitWidth = std::min(width, static_cast<int>(height * m_aspect + 0.5));
        const int fitHeight = std::min(height, static_cast<int>(fitWidth / m_aspect + 0.5));
        rc.left += (width - fitWidth) / 2;
        rc.top += (height - fitHeight) / 2;
        rc.right = rc.left + fitWidth;
        rc.bottom = rc.top + fitHeight;
    }
    MoveChildWindow(*VideoWindow, rc.left, rc.top, rc.right, rc.bottom);
    VideoWindow->ShowWindow(true, false);
    return true;
}

void CMediaPlayerUI::SetPictureAspect(double aspect)
{
    if (aspect == m_aspect) return;
    m_aspect = aspect;
    OnPlayerResize(nullptr);
}
