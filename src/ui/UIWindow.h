// A window of ours: one Qt widget (top level, or a child surface) with a
// message handle from the platform message core. Qt events become window
// messages that reach HandleMessage; messages posted or sent to the handle
// from any thread arrive there too, on the UI thread.
#pragma once
#include "ui/UIDefine.h"
#include <functional>
#include <memory>
#include <string>

class CPaintManagerUI;
class QWidget;
class CUIHostWidget;

struct WINDOWPLACEMENT {
    UINT length = sizeof(WINDOWPLACEMENT);
    UINT flags = 0;
    UINT showCmd = SW_SHOWNORMAL;
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;
};
constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

class CWindowWnd : private CNonCopyable {
public:
    CWindowWnd();
    virtual ~CWindowWnd();

    HWND GetHWND() const { return m_hwnd; }
    operator HWND() const { return m_hwnd; }
    QWidget* GetWidget() const;
    static CWindowWnd* FromHandle(HWND hwnd);
    // The window whose widget this is (null for other widgets).
    static CWindowWnd* FromWidget(const QWidget* widget);

    virtual std::wstring GetWindowClassName() const = 0;
    virtual UINT GetClassStyle() const { return 0; }
    // The paint manager that paints this window (none for plain surfaces).
    virtual CPaintManagerUI* GetPaintManager() { return nullptr; }

    // Creates the window (hidden unless the style has WS_VISIBLE) and sends
    // it WM_CREATE; null when WM_CREATE answers -1.
    HWND Create(HWND parent, const std::wstring& name, DWORD style, DWORD exStyle,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
                HMENU menu = nullptr);
    HWND Create(HWND parent, const std::wstring& name, DWORD style, DWORD exStyle, const RECT& rc);
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window modally over its owner (disabled meanwhile) and runs
    // a nested loop; returns the code given to Close.
    UINT ShowModal();
    // Posts WM_CLOSE with the code.
    void Close(UINT ret = IDOK);
    // Ends a modal run as the user's cancel does (the default closes with IDCANCEL).
    virtual void CancelModal() { Close(IDCANCEL); }
    // Raises the window above the others and gives it the keyboard.
    void BringToFront();

    // Modal windows now running (ShowModal), with Qt's own modal dialogs and
    // popup menus above them.
    static bool HasModalWindows();
    // Cancels every one of them, the innermost first.
    static void CancelModalWindows();
    // Runs `then` once no modal window runs any more (at once when none does).
    static void WhenNoModalWindows(std::function<void()> then);
    void CenterWindow();
    void ResizeClient(int cx = -1, int cy = -1);
    void SetWindowText(const std::wstring& text);
    bool IsZoomed() const;
    bool IsIconic() const;
    bool IsVisible() const;
    bool GetPlacement(WINDOWPLACEMENT* placement) const;
    bool SetPlacement(const WINDOWPLACEMENT& placement);
    RECT GetWindowRect() const;
    RECT GetClientRect() const;

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessage(msg, wParam, lParam); }
    LRESULT PostMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return PostMessage(msg, wParam, lParam); }

    // Ends the window now: WM_DESTROY, then the handle and the widget go,
    // then OnFinalMessage (after the running dispatch of this window).
    void DestroyWindow();

    // Entry of every message (from Qt events and from the message core).
    LRESULT DeliverMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool preFilter = false);
    // The paint manager finished a dispatch: a pending final message runs
    // now when nothing of this window is running any more.
    void OnDispatchIdle();

protected:
    // Cuts the widget and the handle loose without any further message
    // (for destructors of derived windows, whose parts are going away).
    void ReleaseHost();
    // Default processing: system commands, WM_CLOSE destroys the window.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Last call of a window's life; a window object allocated with new may delete itself here.
    virtual void OnFinalMessage(HWND hwnd) {}

private:
    struct Shared;
    friend class CUIHostWidget;
    bool IsBusy();
    // A top-level window with an owner is a dialog of it for the window
    // manager: stacked above it, never lost behind it.
    void StayAboveOwner();
    // The window waiting for modal windows was clicked or activated: they come up.
    static void BringModalWindowsToFront();

    HWND m_hwnd = nullptr;
    CUIHostWidget* m_widget = nullptr;
    std::shared_ptr<Shared> m_shared;
    HWND m_owner = nullptr;
    int m_dispatchDepth = 0;
    bool m_finalPending = false;
    HWND m_finalHwnd = nullptr;
    bool m_destroying = false;
    struct ModalState* m_modal = nullptr;
};

// Window functions on handles of our windows (false/0 for other handles).
BOOL IsZoomed(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int showCmd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);
BOOL GetClientRect(HWND hwnd, RECT* rc);
BOOL GetWindowRect(HWND hwnd, RECT* rc);
// Aliases of the message core's calls under the names the windows use.
inline LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return SendMessage(hwnd, msg, wParam, lParam); }
inline BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return PostMessage(hwnd, msg, wParam, lParam); }
// State of a modifier key (VK_SHIFT, VK_CONTROL, VK_MENU) as of the input
// event being handled: negative when down.
short GetKeyState(int vk);
