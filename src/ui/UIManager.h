// The paint manager of one window: it owns the control tree, lays it out,
// paints it with QPainter, routes the window's mouse and key messages to the
// controls, runs per-control timers and dispatches notifications.
#pragma once
#include "ui/UIDefine.h"
#include <QFont>
#include <QImage>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CControlUI;
class CWindowWnd;
class QObject;
class QPainter;
class QTimer;
class QWidget;

class CPaintManagerUI : private CNonCopyable {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();

    // Process-wide services.
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    static std::wstring GetInstancePath();
    static void SetResourcePath(const std::wstring& path);
    static const std::wstring& GetResourcePath();
    // Picture folders of every window, searched after a window's own
    // "ImageFolder" and "DefaultImageFolder" (the program's chosen skin).
    static void SetSharedImageFolders(std::vector<std::wstring> folders);
    // Runs the UI thread's loop until a quit message arrives.
    static void MessageLoop();
    static double GetZoom();
    static void SetZoom(double zoom);
    static int Scale(int value);
    static RECT Scale(const RECT& rc);

    // Binds the manager to its window's handle and host widget (either may
    // be null for a manager that only renders off screen).
    void Init(HWND hwnd, QWidget* host, CWindowWnd* window = nullptr);
    // The window is gone: forget its handle and widget.
    void DetachWindow();
    HWND GetPaintWindow() const { return m_hwnd; }
    QWidget* GetHostWidget() const { return m_host; }
    CWindowWnd* GetWindow() const { return m_window; }
    POINT GetMousePos() const { return m_ptLastMouse; }
    SIZE GetClientSize() const;

    // Window properties from the skin's Window element.
    SIZE GetInitSize() const { return m_initSize; }
    void SetInitSize(int cx, int cy) { m_initSize.cx = cx; m_initSize.cy = cy; }
    const RECT& GetSizeBox() const { return m_sizeBox; }
    void SetSizeBox(const RECT& rc) { m_sizeBox = rc; }
    const RECT& GetCaptionRect() const { return m_caption; }
    void SetCaptionRect(const RECT& rc) { m_caption = rc; }
    SIZE GetMinInfo() const { return m_minInfo; }
    void SetMinInfo(int cx, int cy) { m_minInfo.cx = cx; m_minInfo.cy = cy; }
    SIZE GetMaxInfo() const { return m_maxInfo; }
    void SetMaxInfo(int cx, int cy) { m_maxInfo.cx = cx; m_maxInfo.cy = cy; }
    // A window whose skin draws its own caption has no system frame.
    bool IsFrameless() const { return m_frameless; }
    void SetFrameless(bool frameless) { m_frameless = frameless; }

    // Fonts (by id, in skin order), default colours.
    void AddFont(int id, const std::wstring& name, int size, bool bold, bool underline, bool italic, bool isDefault = false);
    QFont GetFont(int id) const;
    QFont GetDefaultFont() const { return m_defaultFont; }
    DWORD GetDefaultFontColor() const { return m_defaultFontColor; }
    void SetDefaultFontColor(DWORD argb) { m_defaultFontColor = argb; }
    DWORD GetDefaultDisabledColor() const { return m_defaultDisabledColor; }
    void SetDefaultDisabledColor(DWORD argb) { m_defaultDisabledColor = argb; }

    // Images, cached by file name. A name is looked up as an absolute path,
    // then under the "ImageFolder" and "DefaultImageFolder" defaults, then
    // under the resource path.
    const QImage* GetImage(const std::wstring& file);
    std::wstring ResolveImagePath(const std::wstring& file) const;
    void RemoveImage(const std::wstring& file);
    void RemoveAllImages();

    // Default attribute lists by control class name, and plain values such
    // as "ImageFolder".
    void AddDefaultAttributeList(const std::wstring& name, const std::wstring& list);
    std::wstring GetDefaultAttributeList(const std::wstring& name) const;
    bool RemoveDefaultAttributeList(const std::wstring& name);
    void RemoveAllDefaultAttributeList() { m_defaultAttributes.clear(); }

    // The control tree. AttachDialog takes ownership of the root.
    bool AttachDialog(CControlUI* root);
    bool InitControls(CControlUI* control, CControlUI* parent = nullptr);
    // Forgets every reference to a control that is going away.
    void ReapObjects(CControlUI* control);
    // Takes a tree that already left its container out of this manager so
    // that another thread may destroy it inside a CDetachedDestroyScope: the
    // manager forgets every control of it and the root's OnDestroy listeners
    // hear of it now (the tree's inner controls must have none). False, with
    // nothing done, while the tree has the focus (a focused edit holds a Qt
    // editor, which only the UI thread may free).
    bool DetachTree(CControlUI* root);
    CControlUI* GetRoot() const { return m_root; }
    CControlUI* FindControl(POINT pt) const;
    CControlUI* FindControl(const std::wstring& name) const;
    CControlUI* FindSubControlByPoint(CControlUI* parent, POINT pt) const;
    CControlUI* FindSubControlByName(CControlUI* parent, const std::wstring& name) const;
    CControlUI* FindSubControl(CControlUI* parent, const std::wstring& name) const { return FindSubControlByName(parent, name); }
    CControlUI* FindSubControlByClass(CControlUI* parent, const std::wstring& className, int index = 0) const;

    // Option groups.
    void AddOptionGroup(const std::wstring& group, CControlUI* control);
    const std::vector<CControlUI*>* GetOptionGroup(const std::wstring& group) const;
    void RemoveOptionGroup(const std::wstring& group, CControlUI* control);

    // Focus, capture, cursor.
    CControlUI* GetFocus() const { return m_focus; }
    // The control under the mouse (its tooltip is the one shown).
    CControlUI* GetHover() const { return m_hover; }
    void SetFocus(CControlUI* control);
    void SetFocusNeeded(CControlUI* control);
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured() const { return m_captured; }
    void SetCursor(int idc);

    // Per-control timers: the control's DoEvent gets UIEVENT_TIMER with
    // wParam = id. Setting an existing id restarts it; timers die with
    // their control.
    bool SetTimer(CControlUI* control, UINT id, UINT elapseMs);
    bool KillTimer(CControlUI* control, UINT id);
    void KillTimer(CControlUI* control);
    void RemoveAllTimers();
    bool HasTimer(CControlUI* control, UINT id) const;

    // Notifications: synchronous ones reach the sender's OnNotify delegates
    // first, then the notifiers in the order they were added; asynchronous
    // ones are delivered on the next turn of the loop.
    void SendNotify(TNotifyUI& msg, bool async = false);
    void SendNotify(CControlUI* control, const std::wstring& type, WPARAM wParam = 0, LPARAM lParam = 0, bool async = false);
    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    bool AddPreMessageFilter(IMessageFilterUI* filter);
    bool RemovePreMessageFilter(IMessageFilterUI* filter);
    bool AddMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    // Runs the pre-filters; true when one of them handled the message.
    bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The window's mouse, key, focus and size messages; true when handled.
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Layout and painting.
    void NeedUpdate();
    bool IsUpdateNeeded() const { return m_updateNeeded; }
    // Laid out for what the window holds and its present size: what the
    // controls' places say is what the window shows once painted.
    bool IsLayoutCurrent() const;
    void Invalidate();
    void Invalidate(const RECT& rc);
    // Lays the tree out now when needed; "windowinit" follows the first layout.
    void UpdateLayout();
    void Paint(QPainter& painter, const RECT& rcPaint);
    // Re-reads images (after an image folder changed), relayouts, repaints.
    void UpdateUI();
    // Renders a control (null: the whole window) into an image of its size.
    QImage RenderToImage(CControlUI* control = nullptr);

    // Dispatch scope: a control removed while any event, notification or
    // message of this window is being handled is destroyed afterwards.
    void BeginDispatch() { ++m_dispatchDepth; }
    void EndDispatch();
    bool IsDispatching() const { return m_dispatchDepth > 0; }
    void AddDelayedCleanup(CControlUI* control);

private:
    struct TimerInfo;
    void FireTimer(CControlUI* control, UINT id);
    void DeliverAsyncNotifies();
    void ScheduleLayout();
    void FlushDelayedCleanup();
    void SendMouseEvent(CControlUI* control, int type, POINT pt, WPARAM wParam, LPARAM lParam);
    void SetHover(CControlUI* control, POINT pt);

    HWND m_hwnd = nullptr;
    QWidget* m_host = nullptr;
    CWindowWnd* m_window = nullptr;
    std::unique_ptr<QObject> m_context;  // receiver of queued calls; dies with the manager
    CControlUI* m_root = nullptr;
    CControlUI* m_focus = nullptr;
    CControlUI* m_hover = nullptr;
    CControlUI* m_click = nullptr;
    bool m_captured = false;
    POINT m_ptLastMouse;
    SIZE m_initSize;
    SIZE m_lastSize;
    RECT m_sizeBox;
    RECT m_caption;
    SIZE m_minInfo;
    SIZE m_maxInfo;
    bool m_frameless = false;
    bool m_updateNeeded = false;
    bool m_layoutScheduled = false;
    bool m_firstLayout = true;
    int m_dispatchDepth = 0;
    std::vector<CControlUI*> m_delayedCleanup;
    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_preFilters;
    std::vector<IMessageFilterUI*> m_filters;
    std::vector<std::unique_ptr<TimerInfo>> m_timers;
    std::deque<TNotifyUI> m_asyncNotifies;
    std::unique_ptr<QTimer> m_hoverTimer;
    std::map<int, QFont> m_fonts;
    QFont m_defaultFont;
    DWORD m_defaultFontColor = 0xFF000000;
    DWORD m_defaultDisabledColor = 0xFFA7A6AA;
    std::map<std::wstring, QImage> m_images;
    std::map<std::wstring, std::wstring> m_defaultAttributes;
    std::map<std::wstring, std::vector<CControlUI*>> m_optionGroups;
};

// RAII dispatch scope of a paint manager.
class CDispatchScope {
public:
    explicit CDispatchScope(CPaintManagerUI* manager) : m_manager(manager) { if (m_manager) m_manager->BeginDispatch(); }
    ~CDispatchScope() { if (m_manager) m_manager->EndDispatch(); }
    CDispatchScope(const CDispatchScope&) = delete;
    CDispatchScope& operator=(const CDispatchScope&) = delete;
private:
    CPaintManagerUI* m_manager;
};
