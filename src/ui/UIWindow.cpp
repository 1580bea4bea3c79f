#include "ui/UIWindow.h"
#include "ui/UIManager.h"
#include "ui/UIMessagePump.h"
#include "ui/UIRender.h"
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QColor>
#include <algorithm>
#include <map>
#include <vector>

struct ModalState {
    UINT code = IDCANCEL;  // a window closed by the system (not by Close) counts as cancelled
    bool done = false;
    CWindowWnd* window = nullptr;
    HWND owner = nullptr;
};

struct CWindowWnd::Shared {
    CWindowWnd* wnd = nullptr;
    QPointer<QWidget> widget;
};

namespace {
// Modifier keys of the input event being handled (GetKeyState reads them).
Qt::KeyboardModifiers g_inputModifiers;

// The modal windows now running, the innermost last.
std::vector<ModalState*>& RunningModals()
{
    static std::vector<ModalState*> modals;
    return modals;
}

// What waits for the last modal window to end.
std::vector<std::function<void()>>& AfterModals()
{
    static std::vector<std::function<void()>> calls;
    return calls;
}

void RunAfterModalsWhenFree()
{
    if (AfterModals().empty()) return;
    if (!RunningModals().empty()) return;  // the last ShowModal to end runs them
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        QTimer::singleShot(10, [] { RunAfterModalsWhenFree(); });
        return;
    }
    std::vector<std::function<void()>> calls;
    calls.swap(AfterModals());
    for (auto& call : calls) call();
}

std::map<HWND, CWindowWnd*>& WindowRegistry()
{
    static std::map<HWND, CWindowWnd*> registry;
    return registry;
}

WPARAM MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    WPARAM w = 0;
    if (buttons & Qt::LeftButton) w |= MK_LBUTTON;
    if (buttons & Qt::RightButton) w |= MK_RBUTTON;
    if (mods & Qt::ShiftModifier) w |= MK_SHIFT;
    if (mods & Qt::ControlModifier) w |= MK_CONTROL;
    return w;
}

WPARAM VirtualKey(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WPARAM>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<WPARAM>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return VK_F1 + static_cast<WPARAM>(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    default: return 0;
    }
}

WPARAM SizeKind(const QWidget* w)
{
    if (w->isMinimized()) return SIZE_MINIMIZED;
    if (w->isMaximized()) return SIZE_MAXIMIZED;
    return SIZE_RESTORED;
}
}  // namespace

// The Qt side of a window: turns Qt events into window messages.
class CUIHostWidget : public QWidget {
public:
    CUIHostWidget(CWindowWnd* owner, QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags), m_owner(owner)
    {
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    CWindowWnd* m_owner;
    bool m_blocked = false;  // by a modal Qt dialog

protected:
    LRESULT Deliver(UINT msg, WPARAM w, LPARAM l, bool pre = false)
    {
        return m_owner ? m_owner->DeliverMessage(msg, w, l, pre) : 0;
    }
    bool IsTopFrameless() const { return isWindow() && (windowFlags() & Qt::FramelessWindowHint); }
    LRESULT HitTest(const QPoint& global)
    {
        if (!IsTopFrameless()) return HTCLIENT;
        return Deliver(WM_NCHITTEST, 0, MAKELPARAM(global.x(), global.y()));
    }

    void paintEvent(QPaintEvent* e) override
    {
        CPaintManagerUI* pm = m_owner ? m_owner->GetPaintManager() : nullptr;
        if (!pm) return;
        QPainter painter(this);
        pm->Paint(painter, FromQRect(e->rect()));
        // Waiting for a modal window: the caption band fades, as an inactive title bar.
        const RECT& caption = pm->GetCaptionRect();
        if (isWindow() && (!isEnabled() || m_blocked) && caption.bottom > 0)
            painter.fillRect(QRect(0, 0, width(), caption.bottom), QColor(255, 255, 255, 96));
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        QPoint p = e->position().toPoint();
        if (e->button() == Qt::LeftButton) {
            LRESULT hit = HitTest(e->globalPosition().toPoint());
            if (hit == HTCAPTION) {
                if (windowHandle()) windowHandle()->startSystemMove();
                return;
            }
            Qt::Edges edges;
            switch (hit) {
            case HTLEFT: edges = Qt::LeftEdge; break;
            case HTRIGHT: edges = Qt::RightEdge; break;
            case HTTOP: edges = Qt::TopEdge; break;
            case HTBOTTOM: edges = Qt::BottomEdge; break;
            case HTTOPLEFT: edges = Qt::TopEdge | Qt::LeftEdge; break;
            case HTTOPRIGHT: edges = Qt::TopEdge | Qt::RightEdge; break;
            case HTBOTTOMLEFT: edges = Qt::BottomEdge | Qt::LeftEdge; break;
            case HTBOTTOMRIGHT: edges = Qt::BottomEdge | Qt::RightEdge; break;
            default: break;
            }
            if (edges) {
                if (windowHandle()) windowHandle()->startSystemResize(edges);
                return;
            }
            Deliver(WM_LBUTTONDOWN, MouseKeyState(e->buttons(), e->modifiers()), MAKELPARAM(p.x(), p.y()));
        } else if (e->button() == Qt::RightButton) {
            Deliver(WM_RBUTTONDOWN, MouseKeyState(e->buttons(), e->modifiers()), MAKELPARAM(p.x(), p.y()));
        }
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton) return;
        if (HitTest(e->globalPosition().toPoint()) == HTCAPTION) {
            Deliver(WM_SYSCOMMAND, isMaximized() ? SC_RESTORE : SC_MAXIMIZE, 0);
            return;
        }
        QPoint p = e->position().toPoint();
        Deliver(WM_LBUTTONDBLCLK, MouseKeyState(e->buttons(), e->modifiers()), MAKELPARAM(p.x(), p.y()));
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QPoint p = e->position().toPoint();
        if (e->button() == Qt::LeftButton)
            Deliver(WM_LBUTTONUP, MouseKeyState(e->buttons(), e->modifiers()), MAKELPARAM(p.x(), p.y()));
        else if (e->button() == Qt::RightButton)
            Deliver(WM_RBUTTONUP, MouseKeyState(e->buttons(), e->modifiers()), MAKELPARAM(p.x(), p.y()));
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        QPoint p = e->position().toPoint();
        Deliver(WM_MOUSEMOVE, MouseKeyState(e->buttons(), e->modifiers()), MAKELPARAM(p.x(), p.y()));
    }
    void leaveEvent(QEvent*) override { Deliver(WM_MOUSELEAVE, 0, 0); }
    void wheelEvent(QWheelEvent* e) override
    {
        QPoint g = e->globalPosition().toPoint();
        int delta = e->angleDelta().y();
        Deliver(WM_MOUSEWHEEL, MAKELPARAM(static_cast<int>(MouseKeyState(e->buttons(), e->modifiers())), delta),
                MAKELPARAM(g.x(), g.y()));
    }
    void contextMenuEvent(QContextMenuEvent* e) override
    {
        QPoint g = e->globalPos();
        Deliver(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_owner ? m_owner->GetHWND() : nullptr), MAKELPARAM(g.x(), g.y()));
    }
    bool event(QEvent* e) override
    {
        if (e->isInputEvent()) g_inputModifiers = static_cast<QInputEvent*>(e)->modifiers();
        // Qt's own modal dialogs (message boxes, choosers) block the window
        // without disabling it: its caption fades all the same.
        if (e->type() == QEvent::WindowBlocked || e->type() == QEvent::WindowUnblocked) {
            m_blocked = e->type() == QEvent::WindowBlocked;
            update();
        }
        // A window waiting for its modal window: a click on it, or its
        // activation, brings the modal one up instead.
        if (isWindow() && !isEnabled() && m_owner &&
            (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::WindowActivate)) {
            CWindowWnd::BringModalWindowsToFront();
        }
        return QWidget::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        WPARAM vk = VirtualKey(e->key());
        if (vk) Deliver(e->modifiers() & Qt::AltModifier ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, 0, true);
        if (vk == VK_F1) Deliver(WM_HELP, 0, 0);
        std::wstring text = e->text().toStdWString();
        for (wchar_t c : text)
            if (c >= 0x20 || c == L'\r' || c == L'\b' || c == L'\t') Deliver(WM_CHAR, static_cast<WPARAM>(c), 0, true);
    }
    void keyReleaseEvent(QKeyEvent* e) override
    {
        WPARAM vk = VirtualKey(e->key());
        if (vk) Deliver(WM_KEYUP, vk, 0, true);
    }
    bool focusNextPrevChild(bool) override { return false; }
    void closeEvent(QCloseEvent* e) override
    {
        if (!m_owner) {
            e->accept();
            return;
        }
        // The system close goes the window's way: SC_CLOSE, then WM_CLOSE.
        e->ignore();
        Deliver(WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    void resizeEvent(QResizeEvent*) override { Deliver(WM_SIZE, SizeKind(this), MAKELPARAM(width(), height())); }
    void moveEvent(QMoveEvent*) override { Deliver(WM_MOVE, 0, MAKELPARAM(x(), y())); }
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::WindowStateChange) Deliver(WM_SIZE, SizeKind(this), MAKELPARAM(width(), height()));
        if (e->type() == QEvent::EnabledChange) update();
        QWidget::changeEvent(e);
    }
    void focusInEvent(QFocusEvent*) override { Deliver(WM_SETFOCUS, 0, 0); }
    void focusOutEvent(QFocusEvent*) override { Deliver(WM_KILLFOCUS, 0, 0); }
    void showEvent(QShowEvent*) override { Deliver(WM_SHOWWINDOW, 1, 0); }
    void hideEvent(QHideEvent*) override { Deliver(WM_SHOWWINDOW, 0, 0); }
};

CWindowWnd::CWindowWnd() : m_shared(std::make_shared<Shared>())
{
    m_shared->wnd = this;
}

CWindowWnd::~CWindowWnd()
{
    ReleaseHost();
}

void CWindowWnd::ReleaseHost()
{
    m_shared->wnd = nullptr;
    if (m_modal) {
        m_modal->done = true;
        m_modal->window = nullptr;
    }
    if (QWidget* w = m_shared->widget.data()) {
        static_cast<CUIHostWidget*>(w)->m_owner = nullptr;
        w->hide();
        w->deleteLater();
    }
    m_shared->widget = nullptr;
    m_widget = nullptr;
    if (m_hwnd) {
        WindowRegistry().erase(m_hwnd);
        ::DestroyMessageWindow(m_hwnd);
        m_hwnd = nullptr;
    }
}

QWidget* CWindowWnd::GetWidget() const
{
    return m_shared->widget.data();
}

CWindowWnd* CWindowWnd::FromHandle(HWND hwnd)
{
    auto& r = WindowRegistry();
    auto it = r.find(hwnd);
    return it == r.end() ? nullptr : it->second;
}

CWindowWnd* CWindowWnd::FromWidget(const QWidget* widget)
{
    if (!widget) return nullptr;
    for (const auto& [hwnd, wnd] : WindowRegistry())
        if (wnd->GetWidget() == widget) return wnd;
    return nullptr;
}

HWND CWindowWnd::Create(HWND parent, const std::wstring& name, DWORD style, DWORD exStyle, const RECT& rc)
{
    return Create(parent, name, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

HWND CWindowWnd::Create(HWND parent, const std::wstring& name, DWORD style, DWORD, int x, int y, int cx, int cy, HMENU)
{
    if (m_hwnd) return m_hwnd;
    EnsureUIApplication();
    m_owner = parent;
    std::shared_ptr<Shared> shared = m_shared;
    m_hwnd = ::CreateMessageWindow([shared](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        CWindowWnd* wnd = shared->wnd;
        return wnd ? wnd->DeliverMessage(msg, wParam, lParam) : 0;
    });
    WindowRegistry()[m_hwnd] = this;

    CWindowWnd* parentWnd = FromHandle(parent);
    QWidget* parentWidget = parentWnd ? parentWnd->GetWidget() : nullptr;
    const bool child = (style & WS_CHILD) && parentWidget;
    Qt::WindowFlags flags = child ? Qt::Widget : Qt::Window;
    m_widget = new CUIHostWidget(this, parentWidget, flags);
    m_shared->widget = m_widget;
    m_widget->setObjectName(QString::fromStdWString(GetWindowClassName()));
    m_widget->setWindowTitle(QString::fromStdWString(name));
    if (cx != CW_USEDEFAULT && cy != CW_USEDEFAULT && cx > 0 && cy > 0) m_widget->resize(cx, cy);
    if (x != CW_USEDEFAULT && y != CW_USEDEFAULT) m_widget->move(x, y);

    if (DeliverMessage(WM_CREATE, 0, 0) == -1) {
        DestroyWindow();
        return nullptr;
    }
    if (!child && parentWidget) StayAboveOwner();
    if (m_hwnd && (style & WS_VISIBLE)) ShowWindow(true);
    return m_hwnd;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus)
{
    QWidget* w = GetWidget();
    if (!w) return;
    if (show) {
        w->show();
        if (takeFocus) {
            w->activateWindow();
            w->setFocus();
        }
    } else {
        w->hide();
    }
}

void CWindowWnd::StayAboveOwner()
{
    QWidget* w = GetWidget();
    CWindowWnd* ownerWnd = FromHandle(m_owner);
    QWidget* owner = ownerWnd && ownerWnd->GetWidget() ? ownerWnd->GetWidget()->window() : nullptr;
    if (!w || !owner) return;
    // Qt names a window transient for another only when it is a dialog.
    if (w->windowType() == Qt::Window) w->setWindowFlags((w->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    w->winId();
    owner->winId();
    if (w->windowHandle() && owner->windowHandle()) w->windowHandle()->setTransientParent(owner->windowHandle());
}

void CWindowWnd::BringToFront()
{
    QWidget* w = GetWidget();
    if (!w || !w->isVisible()) return;
    w->raise();
    w->activateWindow();
}

void CWindowWnd::BringModalWindowsToFront()
{
    // The outer ones first, so that each stays above the one it waits on.
    for (ModalState* modal : RunningModals())
        if (modal->window && !modal->done) modal->window->BringToFront();
    if (QWidget* qtModal = QApplication::activeModalWidget()) {
        qtModal->raise();
        qtModal->activateWindow();
    }
}

bool CWindowWnd::HasModalWindows()
{
    return !RunningModals().empty() || QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

void CWindowWnd::CancelModalWindows()
{
    // Qt's own dialogs and menus run inside ours: they go first. Each close
    // ends its loop once control returns there.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup) break;
        popup->close();
    }
    QList<QWidget*> qtModals;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->isModal() && !FromWidget(top)) qtModals.push_back(top);
    for (QWidget* top : qtModals) {
        if (auto* dialog = qobject_cast<QDialog*>(top)) dialog->reject();
        else top->close();
    }
    std::vector<ModalState*> modals = RunningModals();
    for (auto it = modals.rbegin(); it != modals.rend(); ++it)
        if ((*it)->window && !(*it)->done) (*it)->window->CancelModal();
}

void CWindowWnd::WhenNoModalWindows(std::function<void()> then)
{
    if (!then) return;
    if (!HasModalWindows()) {
        then();
        return;
    }
    AfterModals().push_back(std::move(then));
    // Qt's dialogs end outside our bookkeeping: look again once the loops have turned.
    QTimer::singleShot(0, [] { RunAfterModalsWhenFree(); });
}

UINT CWindowWnd::ShowModal()
{
    QWidget* w = GetWidget();
    if (!w || !m_hwnd) return IDCANCEL;
    ModalState state;
    state.window = this;
    state.owner = m_owner;
    RunningModals().push_back(&state);
    m_modal = &state;
    CWindowWnd* ownerWnd = FromHandle(m_owner);
    QPointer<QWidget> owner = ownerWnd ? ownerWnd->GetWidget() : nullptr;
    if (owner) {
        owner->setEnabled(false);
        // Qt disables the owner's child windows with it: this one takes input.
        w->setEnabled(true);
    }
    ShowWindow(true, true);
    std::shared_ptr<Shared> shared = m_shared;
    RunNestedUILoop([&state] { return state.done; });
    auto& modals = RunningModals();
    modals.erase(std::remove(modals.begin(), modals.end(), &state), modals.end());
    if (owner) {
        owner->setEnabled(true);
        owner->activateWindow();
    }
    if (shared->wnd == this) {  // the window object may be gone by now
        m_modal = nullptr;
        state.window = nullptr;
    }
    RunAfterModalsWhenFree();
    return state.code;
}

void CWindowWnd::Close(UINT ret)
{
    if (!m_hwnd) return;
    if (m_modal) m_modal->code = ret;
    ::PostMessage(m_hwnd, WM_CLOSE, ret, 0);
}

void CWindowWnd::CenterWindow()
{
    QWidget* w = GetWidget();
    if (!w || !w->isWindow()) return;
    QRect area;
    CWindowWnd* ownerWnd = FromHandle(m_owner);
    if (ownerWnd && ownerWnd->GetWidget() && ownerWnd->GetWidget()->isVisible() && !ownerWnd->GetWidget()->isMinimized())
        area = ownerWnd->GetWidget()->geometry();
    else if (QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty()) return;
    QRect g = w->frameGeometry();
    int x = area.left() + (area.width() - g.width()) / 2;
    int y = area.top() + (area.height() - g.height()) / 2;
    if (QScreen* screen = QGuiApplication::screenAt(area.center())) {
        QRect avail = screen->availableGeometry();
        x = std::max(avail.left(), std::min(x, avail.left() + avail.width() - g.width()));
        y = std::max(avail.top(), std::min(y, avail.top() + avail.height() - g.height()));
    }
    w->move(x, y);
}

void CWindowWnd::ResizeClient(int cx, int cy)
{
    QWidget* w = GetWidget();
    if (!w) return;
    w->resize(cx < 0 ? w->width() : cx, cy < 0 ? w->height() : cy);
}

void CWindowWnd::SetWindowText(const std::wstring& text)
{
    if (QWidget* w = GetWidget()) w->setWindowTitle(QString::fromStdWString(text));
}

bool CWindowWnd::IsZoomed() const { QWidget* w = GetWidget(); return w && w->isMaximized(); }
bool CWindowWnd::IsIconic() const { QWidget* w = GetWidget(); return w && w->isMinimized(); }
bool CWindowWnd::IsVisible() const { QWidget* w = GetWidget(); return w && w->isVisible(); }

bool CWindowWnd::GetPlacement(WINDOWPLACEMENT* placement) const
{
    QWidget* w = GetWidget();
    if (!w || !placement) return false;
    Qt::WindowStates st = w->windowState();
    placement->flags = 0;
    if (st & Qt::WindowMinimized) {
        placement->showCmd = SW_SHOWMINIMIZED;
        if (st & Qt::WindowMaximized) placement->flags |= WPF_RESTORETOMAXIMIZED;
    } else if (st & Qt::WindowMaximized) {
        placement->showCmd = SW_SHOWMAXIMIZED;
    } else {
        placement->showCmd = SW_SHOWNORMAL;
    }
    QRect normal = w->normalGeometry();
    if (!normal.isValid() || normal.isEmpty()) normal = w->geometry();
    placement->rcNormalPosition = FromQRect(normal);
    return true;
}

bool CWindowWnd::SetPlacement(const WINDOWPLACEMENT& placement)
{
    QWidget* w = GetWidget();
    if (!w) return false;
    if (!IsRectEmpty(placement.rcNormalPosition)) w->setGeometry(ToQRect(placement.rcNormalPosition));
    Qt::WindowStates st = Qt::WindowNoState;
    switch (placement.showCmd) {
    case SW_SHOWMAXIMIZED: st = Qt::WindowMaximized; break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        st = Qt::WindowMinimized;
        if (placement.flags & WPF_RESTORETOMAXIMIZED) st |= Qt::WindowMaximized;
        break;
    default: break;
    }
    w->setWindowState(st);
    return true;
}

RECT CWindowWnd::GetWindowRect() const
{
    QWidget* w = GetWidget();
    return w ? FromQRect(w->frameGeometry()) : RECT();
}

RECT CWindowWnd::GetClientRect() const
{
    QWidget* w = GetWidget();
    return w ? MakeRect(0, 0, w->width(), w->height()) : RECT();
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return m_hwnd ? ::SendMessage(m_hwnd, msg, wParam, lParam) : 0;
}

LRESULT CWindowWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return m_hwnd ? ::PostMessage(m_hwnd, msg, wParam, lParam) : FALSE;
}

LRESULT CWindowWnd::DeliverMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool preFilter)
{
    if (!m_hwnd && msg != WM_DESTROY) return 0;
    CPaintManagerUI* pm = GetPaintManager();
    ++m_dispatchDepth;
    if (pm) pm->BeginDispatch();
    LRESULT result = 0;
    bool handled = false;
    if (preFilter && pm) handled = pm->PreMessageHandler(msg, wParam, lParam, result);
    if (!handled) result = HandleMessage(msg, wParam, lParam);
    if (pm) pm->EndDispatch();
    --m_dispatchDepth;
    if (m_finalPending && !IsBusy()) {
        m_finalPending = false;
        OnFinalMessage(m_finalHwnd);  // may delete this: nothing after
    }
    return result;
}

bool CWindowWnd::IsBusy()
{
    CPaintManagerUI* pm = GetPaintManager();
    return m_dispatchDepth > 0 || (pm && pm->IsDispatching());
}

void CWindowWnd::OnDispatchIdle()
{
    if (!m_finalPending || IsBusy()) return;
    m_finalPending = false;
    OnFinalMessage(m_finalHwnd);  // may delete this: nothing after
}

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SYSCOMMAND: {
        QWidget* w = GetWidget();
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            DeliverMessage(WM_CLOSE, 0, 0);
            return 0;
        case SC_MINIMIZE:
            if (w) w->showMinimized();
            return 0;
        case SC_MAXIMIZE:
            if (w) w->showMaximized();
            return 0;
        case SC_RESTORE:
            if (w) w->showNormal();
            return 0;
        default:
            return 0;
        }
    }
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    default:
        return 0;
    }
}

void CWindowWnd::DestroyWindow()
{
    if (m_destroying || !m_hwnd) return;
    m_destroying = true;
    HWND hwnd = m_hwnd;
    ++m_dispatchDepth;
    HandleMessage(WM_DESTROY, 0, 0);
    --m_dispatchDepth;
    if (m_modal) {
        m_modal->done = true;
        WakeNestedUILoops();
    }
    if (CPaintManagerUI* pm = GetPaintManager()) pm->DetachWindow();
    if (QWidget* w = m_shared->widget.data()) {
        static_cast<CUIHostWidget*>(w)->m_owner = nullptr;
        w->hide();
        w->deleteLater();
    }
    m_widget = nullptr;
    m_shared->widget = nullptr;
    WindowRegistry().erase(hwnd);
    m_hwnd = nullptr;
    ::DestroyMessageWindow(hwnd);
    m_destroying = false;
    m_finalHwnd = hwnd;
    if (IsBusy()) m_finalPending = true;
    else OnFinalMessage(hwnd);  // may delete this: nothing after
}

static CWindowWnd* Wnd(HWND hwnd) { return CWindowWnd::FromHandle(hwnd); }

BOOL IsZoomed(HWND hwnd) { CWindowWnd* w = Wnd(hwnd); return w && w->IsZoomed(); }
BOOL IsIconic(HWND hwnd) { CWindowWnd* w = Wnd(hwnd); return w && w->IsIconic(); }
BOOL IsWindowVisible(HWND hwnd) { CWindowWnd* w = Wnd(hwnd); return w && w->IsVisible(); }

BOOL ShowWindow(HWND hwnd, int showCmd)
{
    CWindowWnd* wnd = Wnd(hwnd);
    if (!wnd || !wnd->GetWidget()) return FALSE;
    QWidget* w = wnd->GetWidget();
    BOOL wasVisible = w->isVisible();
    switch (showCmd) {
    case SW_HIDE: w->hide(); break;
    case SW_SHOWMAXIMIZED: w->showMaximized(); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE: w->showMinimized(); break;
    case SW_RESTORE:
    case SW_SHOWNORMAL: w->showNormal(); break;
    case SW_SHOWNOACTIVATE: w->show(); break;
    default: w->show(); w->activateWindow(); break;
    }
    return wasVisible;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    CWindowWnd* wnd = Wnd(hwnd);
    if (!wnd || !wnd->GetWidget()) return FALSE;
    BOOL wasDisabled = !wnd->GetWidget()->isEnabled();
    wnd->GetWidget()->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement)
{
    CWindowWnd* w = Wnd(hwnd);
    return w && w->GetPlacement(placement);
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement)
{
    CWindowWnd* w = Wnd(hwnd);
    return w && placement && w->SetPlacement(*placement);
}

BOOL GetClientRect(HWND hwnd, RECT* rc)
{
    CWindowWnd* w = Wnd(hwnd);
    if (!w || !rc || !w->GetWidget()) return FALSE;
    *rc = w->GetClientRect();
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rc)
{
    CWindowWnd* w = Wnd(hwnd);
    if (!w || !rc || !w->GetWidget()) return FALSE;
    *rc = w->GetWindowRect();
    return TRUE;
}

short GetKeyState(int vk)
{
    Qt::KeyboardModifiers mods = g_inputModifiers;
    bool down = false;
    if (vk == static_cast<int>(VK_SHIFT)) down = mods & Qt::ShiftModifier;
    else if (vk == static_cast<int>(VK_CONTROL)) down = mods & Qt::ControlModifier;
    else if (vk == static_cast<int>(VK_MENU)) down = mods & Qt::AltModifier;
    return down ? static_cast<short>(0x8000) : 0;
}
