#include "ui/UIManager.h"
#include "ui/UIContainer.h"
#include "ui/UIControl.h"
#include "ui/UIImageLookup.h"
#include "ui/UIMessagePump.h"
#include "ui/UIRender.h"
#include "ui/UIWindow.h"
#include "platform/events.h"
#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QPainter>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {
HINSTANCE g_instance = nullptr;
std::wstring g_resourcePath;
std::vector<std::wstring> g_sharedImageFolders;
double g_zoom = 1.0;

// The point of a mouse message; with a host, the message carries a screen
// point (context menu, wheel) and the result is in the host's coordinates.
POINT MessagePoint(LPARAM lParam, const QWidget* screenHost = nullptr)
{
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (screenHost) {
        QPoint local = screenHost->mapFromGlobal(QPoint(pt.x, pt.y));
        pt = POINT{local.x(), local.y()};
    }
    return pt;
}

CControlUI* FindControlFromPoint(CControlUI* control, void*) { return control; }
CControlUI* FindControlFromName(CControlUI* control, void* data)
{
    return control->GetName() == *static_cast<const std::wstring*>(data) ? control : nullptr;
}
struct ClassSearch {
    std::wstring className;
    int index;
};
CControlUI* FindControlFromClass(CControlUI* control, void* data)
{
    auto* s = static_cast<ClassSearch*>(data);
    if (control->GetClass() != s->className) return nullptr;
    return s->index-- == 0 ? control : nullptr;
}
// A tooltip is plain text: one that Qt would take for markup (a file
// named "<i>.mp3") is handed over escaped.
QString PlainTip(const std::wstring& tip)
{
    const QString text = QString::fromStdWString(tip);
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}
bool IsSelfOrDescendant(CControlUI* candidate, CControlUI* ancestor)
{
    for (CControlUI* c = candidate; c; c = c->GetParent())
        if (c == ancestor) return true;
    return false;
}
}  // namespace

struct CPaintManagerUI::TimerInfo {
    CControlUI* control = nullptr;
    UINT id = 0;
    std::unique_ptr<QTimer> timer;
};

CPaintManagerUI::CPaintManagerUI() : m_context(std::make_unique<QObject>())
{
    m_defaultFont.setPixelSize(12);
    m_maxInfo.cx = m_maxInfo.cy = 0;
}

CPaintManagerUI::~CPaintManagerUI()
{
    RemoveAllTimers();
    m_hoverTimer.reset();
    m_context.reset();
    m_asyncNotifies.clear();
    m_notifiers.clear();
    m_preFilters.clear();
    m_filters.clear();
    ++m_dispatchDepth;  // nothing of the dying tree is deferred any more
    CControlUI* root = m_root;
    m_root = nullptr;
    delete root;
    std::vector<CControlUI*> pending;
    pending.swap(m_delayedCleanup);
    for (CControlUI* c : pending) delete c;
}

void CPaintManagerUI::SetInstance(HINSTANCE instance)
{
    g_instance = instance;
    EnsureUIApplication();
}

HINSTANCE CPaintManagerUI::GetInstance() { return g_instance; }

std::wstring CPaintManagerUI::GetInstancePath()
{
    if (!QCoreApplication::instance()) return std::wstring();
    return QCoreApplication::applicationDirPath().toStdWString() + L"/";
}

void CPaintManagerUI::SetResourcePath(const std::wstring& path)
{
    g_resourcePath = path;
    std::replace(g_resourcePath.begin(), g_resourcePath.end(), L'\\', L'/');
    if (!g_resourcePath.empty() && g_resourcePath.back() != L'/') g_resourcePath += L'/';
}

const std::wstring& CPaintManagerUI::GetResourcePath() { return g_resourcePath; }

void CPaintManagerUI::SetSharedImageFolders(std::vector<std::wstring> folders) { g_sharedImageFolders = std::move(folders); }

void CPaintManagerUI::MessageLoop() { RunUIMessageLoop(); }

double CPaintManagerUI::GetZoom() { return g_zoom; }
void CPaintManagerUI::SetZoom(double zoom) { g_zoom = zoom > 0 ? zoom : 1.0; }

int CPaintManagerUI::Scale(int value)
{
    if (g_zoom == 1.0) return value;
    return static_cast<int>(std::lround(value * g_zoom));
}

RECT CPaintManagerUI::Scale(const RECT& rc)
{
    return MakeRect(Scale(rc.left), Scale(rc.top), Scale(rc.right), Scale(rc.bottom));
}

void CPaintManagerUI::Init(HWND hwnd, QWidget* host, CWindowWnd* window)
{
    m_hwnd = hwnd;
    m_host = host;
    m_window = window;
    if (host) host->setMouseTracking(true);
    m_hoverTimer = std::make_unique<QTimer>();
    m_hoverTimer->setSingleShot(true);
    m_hoverTimer->setInterval(400);
    QObject::connect(m_hoverTimer.get(), &QTimer::timeout, m_context.get(), [this] {
        if (!m_hover) return;
        CControlUI* hover = m_hover;
        SendMouseEvent(hover, UIEVENT_MOUSEHOVER, m_ptLastMouse, 0, 0);
        // Only where the pointer still is over this window itself: moved on
        // into a child window (a video), it brings the window no move.
        const bool stillHere = m_host && QApplication::widgetAt(QCursor::pos()) == m_host;
        const std::wstring tip = m_hover == hover && stillHere ? hover->GetHoverTip() : std::wstring();
        if (!tip.empty())
            QToolTip::showText(m_host->mapToGlobal(QPoint(m_ptLastMouse.x, m_ptLastMouse.y)), PlainTip(tip), m_host);
    });
}

void CPaintManagerUI::DetachWindow()
{
    if (m_hoverTimer) m_hoverTimer->stop();
    if (m_host) m_lastSize = GetClientSize();
    if (m_host) m_initSize = m_lastSize;
    m_host = nullptr;
    m_hwnd = nullptr;
    m_click = m_hover = nullptr;
    m_captured = false;
}

SIZE CPaintManagerUI::GetClientSize() const
{
    SIZE s = m_initSize;
    if (m_host) {
        s.cx = m_host->width();
        s.cy = m_host->height();
    }
    return s;
}

void CPaintManagerUI::AddFont(int id, const std::wstring& name, int size, bool bold, bool underline, bool italic, bool isDefault)
{
    QFont f(QString::fromStdWString(name));
    f.setPixelSize(std::max(1, Scale(size)));
    f.setBold(bold);
    f.setUnderline(underline);
    f.setItalic(italic);
    m_fonts[id] = f;
    if (isDefault) m_defaultFont = f;
}

QFont CPaintManagerUI::GetFont(int id) const
{
    auto it = m_fonts.find(id);
    return it == m_fonts.end() ? m_defaultFont : it->second;
}

std::wstring CPaintManagerUI::ResolveImagePath(const std::wstring& file) const
{
    std::wstring name = file;
    std::replace(name.begin(), name.end(), L'\\', L'/');
    if (name.empty()) return name;
    auto exists = [](const std::wstring& p) { return QFileInfo::exists(QString::fromStdWString(p)); };
    if (name[0] == L'/') return name;
    auto join = [](std::wstring folder, const std::wstring& n) {
        std::replace(folder.begin(), folder.end(), L'\\', L'/');
        if (!folder.empty() && folder.back() != L'/') folder += L'/';
        return folder + n;
    };
    for (const wchar_t* key : {L"ImageFolder", L"DefaultImageFolder"}) {
        std::wstring folder = GetDefaultAttributeList(key);
        if (!folder.empty() && exists(join(folder, name))) return join(folder, name);
    }
    for (const std::wstring& folder : g_sharedImageFolders)
        if (!folder.empty() && exists(join(folder, name))) return join(folder, name);
    if (!g_resourcePath.empty() && exists(g_resourcePath + name)) return g_resourcePath + name;
    std::wstring inst = GetInstancePath();
    if (!inst.empty() && exists(inst + name)) return inst + name;
    return name;
}

const QImage* CPaintManagerUI::GetImage(const std::wstring& file)
{
    if (file.empty()) return nullptr;
    auto it = m_images.find(file);
    if (it == m_images.end()) {
        QImage img;
        if (std::wstring icon = ThemeIconName(file); !icon.empty()) {
            img = LoadThemeIcon(icon);
        } else {
            std::wstring path = ResolveImagePath(file);
            // A drawing of the same name stands in for a missing bitmap.
            const std::wstring twin = SvgTwinName(file);
            if (!QFileInfo::exists(QString::fromStdWString(path)) && !twin.empty()) path = ResolveImagePath(twin);
            // Then the folder's own stand-in for pictures it lacks.
            if (!QFileInfo::exists(QString::fromStdWString(path)) && !twin.empty()) {
                std::wstring name = file;
                std::replace(name.begin(), name.end(), L'\\', L'/');
                const size_t cut = name.rfind(L'/');
                if (cut != std::wstring::npos) path = ResolveImagePath(name.substr(0, cut) + L"/default.svg");
            }
            img = QImage(QString::fromStdWString(path));
        }
        it = m_images.emplace(file, img).first;
    }
    return it->second.isNull() ? nullptr : &it->second;
}

void CPaintManagerUI::RemoveImage(const std::wstring& file) { m_images.erase(file); }
void CPaintManagerUI::RemoveAllImages() { m_images.clear(); }

void CPaintManagerUI::AddDefaultAttributeList(const std::wstring& name, const std::wstring& list)
{
    m_defaultAttributes[name] = list;
}

std::wstring CPaintManagerUI::GetDefaultAttributeList(const std::wstring& name) const
{
    auto it = m_defaultAttributes.find(name);
    return it == m_defaultAttributes.end() ? std::wstring() : it->second;
}

bool CPaintManagerUI::RemoveDefaultAttributeList(const std::wstring& name)
{
    return m_defaultAttributes.erase(name) > 0;
}

bool CPaintManagerUI::AttachDialog(CControlUI* root)
{
    if (!root) return false;
    if (m_root && m_root != root) {
        CControlUI* old = m_root;
        m_root = nullptr;
        m_focus = m_hover = m_click = nullptr;
        delete old;
    }
    m_root = root;
    m_firstLayout = true;
    InitControls(root, nullptr);
    NeedUpdate();
    return true;
}

bool CPaintManagerUI::InitControls(CControlUI* control, CControlUI* parent)
{
    if (!control) return false;
    control->SetManager(this, parent ? parent : control->GetParent(), true);
    if (!control->GetParent()) control->Init();
    return true;
}

void CPaintManagerUI::ReapObjects(CControlUI* control)
{
    if (!control) return;
    if (m_focus && IsSelfOrDescendant(m_focus, control)) m_focus = nullptr;
    if (m_hover && IsSelfOrDescendant(m_hover, control)) m_hover = nullptr;
    if (m_click && IsSelfOrDescendant(m_click, control)) {
        m_click = nullptr;
        m_captured = false;
    }
    KillTimer(control);
    for (auto it = m_asyncNotifies.begin(); it != m_asyncNotifies.end();)
        it = it->pSender == control ? m_asyncNotifies.erase(it) : it + 1;
    for (auto& group : m_optionGroups) {
        auto& v = group.second;
        v.erase(std::remove(v.begin(), v.end(), control), v.end());
    }
}

bool CPaintManagerUI::DetachTree(CControlUI* root)
{
    if (!root || (m_focus && IsSelfOrDescendant(m_focus, root))) return false;
    // What the manager holds is looked up from its side: a tree has many
    // controls, the manager few references.
    if (m_hover && IsSelfOrDescendant(m_hover, root)) m_hover = nullptr;
    if (m_click && IsSelfOrDescendant(m_click, root)) {
        m_click = nullptr;
        m_captured = false;
    }
    std::vector<std::pair<CControlUI*, UINT>> timers;
    for (const auto& t : m_timers)
        if (IsSelfOrDescendant(t->control, root)) timers.emplace_back(t->control, t->id);
    for (const auto& [control, id] : timers) KillTimer(control, id);
    for (auto it = m_asyncNotifies.begin(); it != m_asyncNotifies.end();)
        it = IsSelfOrDescendant(it->pSender, root) ? m_asyncNotifies.erase(it) : it + 1;
    if (root->OnDestroy) {
        root->OnDestroy(root);
        root->OnDestroy.Clear();
    }
    // Options of the tree still name their groups: the manager drops them.
    for (auto& group : m_optionGroups) {
        auto& v = group.second;
        v.erase(std::remove_if(v.begin(), v.end(), [root](CControlUI* c) { return IsSelfOrDescendant(c, root); }), v.end());
    }
    return true;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const
{
    if (!m_root) return nullptr;
    return m_root->FindControl(FindControlFromPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindControl(const std::wstring& name) const
{
    if (!m_root || name.empty()) return nullptr;
    std::wstring key = name;
    return m_root->FindControl(FindControlFromName, &key, UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindSubControlByPoint(CControlUI* parent, POINT pt) const
{
    if (!parent) parent = m_root;
    if (!parent) return nullptr;
    return parent->FindControl(FindControlFromPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, const std::wstring& name) const
{
    if (!parent) parent = m_root;
    if (!parent || name.empty()) return nullptr;
    std::wstring key = name;
    return parent->FindControl(FindControlFromName, &key, UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindSubControlByClass(CControlUI* parent, const std::wstring& className, int index) const
{
    if (!parent) parent = m_root;
    if (!parent) return nullptr;
    ClassSearch s{className, index};
    return parent->FindControl(FindControlFromClass, &s, UIFIND_ALL);
}

void CPaintManagerUI::AddOptionGroup(const std::wstring& group, CControlUI* control)
{
    auto& v = m_optionGroups[group];
    if (std::find(v.begin(), v.end(), control) == v.end()) v.push_back(control);
}

const std::vector<CControlUI*>* CPaintManagerUI::GetOptionGroup(const std::wstring& group) const
{
    auto it = m_optionGroups.find(group);
    return it == m_optionGroups.end() ? nullptr : &it->second;
}

void CPaintManagerUI::RemoveOptionGroup(const std::wstring& group, CControlUI* control)
{
    auto it = m_optionGroups.find(group);
    if (it == m_optionGroups.end()) return;
    auto& v = it->second;
    v.erase(std::remove(v.begin(), v.end(), control), v.end());
    if (v.empty()) m_optionGroups.erase(it);
}

void CPaintManagerUI::SetFocus(CControlUI* control)
{
    if (control == m_focus) return;
    if (control && (control->GetManager() != this || !control->IsVisible() || !control->IsEnabled())) return;
    CDispatchScope scope(this);
    if (m_focus) {
        CControlUI* old = m_focus;
        m_focus = nullptr;
        TEventUI e;
        e.Type = UIEVENT_KILLFOCUS;
        e.pSender = control;
        e.dwTimestamp = GetTickCount();
        old->Event(e);
    }
    m_focus = control;
    if (control) {
        TEventUI e;
        e.Type = UIEVENT_SETFOCUS;
        e.pSender = control;
        e.dwTimestamp = GetTickCount();
        control->Event(e);
    }
}

void CPaintManagerUI::SetFocusNeeded(CControlUI* control)
{
    if (m_host) m_host->setFocus();
    SetFocus(control);
}

void CPaintManagerUI::SetCapture() { m_captured = true; }
void CPaintManagerUI::ReleaseCapture() { m_captured = false; }

void CPaintManagerUI::SetCursor(int idc)
{
    if (!m_host) return;
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (idc) {
    case IDC_IBEAM: shape = Qt::IBeamCursor; break;
    case IDC_WAIT: shape = Qt::WaitCursor; break;
    case IDC_HAND: shape = Qt::PointingHandCursor; break;
    case IDC_SIZEWE: shape = Qt::SizeHorCursor; break;
    case IDC_SIZENS: shape = Qt::SizeVerCursor; break;
    default: break;
    }
    if (m_host->cursor().shape() != shape) m_host->setCursor(shape);
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapseMs)
{
    if (!control || !m_context) return false;
    for (auto& t : m_timers) {
        if (t->control == control && t->id == id) {
            t->timer->start(static_cast<int>(std::max(1u, elapseMs)));
            return true;
        }
    }
    auto info = std::make_unique<TimerInfo>();
    info->control = control;
    info->id = id;
    info->timer = std::make_unique<QTimer>();
    QObject::connect(info->timer.get(), &QTimer::timeout, m_context.get(), [this, control, id] { FireTimer(control, id); });
    info->timer->start(static_cast<int>(std::max(1u, elapseMs)));
    m_timers.push_back(std::move(info));
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id)
{
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if ((*it)->control == control && (*it)->id == id) {
            QTimer* timer = (*it)->timer.release();
            timer->stop();
            QObject::disconnect(timer, nullptr, nullptr, nullptr);
            timer->deleteLater();
            m_timers.erase(it);
            return true;
        }
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control)
{
    std::vector<UINT> ids;
    for (const auto& t : m_timers)
        if (t->control == control) ids.push_back(t->id);
    for (UINT id : ids) KillTimer(control, id);
}

void CPaintManagerUI::RemoveAllTimers()
{
    while (!m_timers.empty()) KillTimer(m_timers.front()->control, m_timers.front()->id);
}

bool CPaintManagerUI::HasTimer(CControlUI* control, UINT id) const
{
    for (const auto& t : m_timers)
        if (t->control == control && t->id == id) return true;
    return false;
}

void CPaintManagerUI::FireTimer(CControlUI* control, UINT id)
{
    if (!HasTimer(control, id)) return;
    TEventUI e;
    e.Type = UIEVENT_TIMER;
    e.pSender = control;
    e.dwTimestamp = GetTickCount();
    e.ptMouse = m_ptLastMouse;
    e.wParam = id;
    CDispatchScope scope(this);
    control->Event(e);
}

void CPaintManagerUI::SendNotify(CControlUI* control, const std::wstring& type, WPARAM wParam, LPARAM lParam, bool async)
{
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, async);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async)
{
    msg.ptMouse = m_ptLastMouse;
    msg.dwTimestamp = GetTickCount();
    if (async) {
        m_asyncNotifies.push_back(msg);
        if (m_context) QMetaObject::invokeMethod(m_context.get(), [this] { DeliverAsyncNotifies(); }, Qt::QueuedConnection);
        return;
    }
    CDispatchScope scope(this);
    if (msg.pSender) msg.pSender->OnNotify(&msg);
    std::vector<INotifyUI*> notifiers = m_notifiers;
    for (INotifyUI* n : notifiers) {
        if (std::find(m_notifiers.begin(), m_notifiers.end(), n) == m_notifiers.end()) continue;
        n->Notify(msg);
    }
}

void CPaintManagerUI::DeliverAsyncNotifies()
{
    CDispatchScope scope(this);
    while (!m_asyncNotifies.empty()) {
        TNotifyUI msg = m_asyncNotifies.front();
        m_asyncNotifies.pop_front();
        SendNotify(msg, false);
    }
}

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier)
{
    if (!notifier || std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end()) return false;
    m_notifiers.push_back(notifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier)
{
    auto it = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
    if (it == m_notifiers.end()) return false;
    m_notifiers.erase(it);
    return true;
}

static bool AddUnique(std::vector<IMessageFilterUI*>& v, IMessageFilterUI* f)
{
    if (!f || std::find(v.begin(), v.end(), f) != v.end()) return false;
    v.push_back(f);
    return true;
}

static bool RemoveOne(std::vector<IMessageFilterUI*>& v, IMessageFilterUI* f)
{
    auto it = std::find(v.begin(), v.end(), f);
    if (it == v.end()) return false;
    v.erase(it);
    return true;
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) { return AddUnique(m_preFilters, filter); }
bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) { return RemoveOne(m_preFilters, filter); }
bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) { return AddUnique(m_filters, filter); }
bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) { return RemoveOne(m_filters, filter); }

static bool RunFilters(std::vector<IMessageFilterUI*>& filters, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    std::vector<IMessageFilterUI*> copy = filters;
    for (IMessageFilterUI* f : copy) {
        if (std::find(filters.begin(), filters.end(), f) == filters.end()) continue;
        bool handled = false;
        LRESULT r = f->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            result = r;
            return true;
        }
    }
    return false;
}

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    CDispatchScope scope(this);
    return RunFilters(m_preFilters, uMsg, wParam, lParam, result);
}

void CPaintManagerUI::SendMouseEvent(CControlUI* control, int type, POINT pt, WPARAM wParam, LPARAM lParam)
{
    if (!control) return;
    TEventUI e;
    e.Type = type;
    e.pSender = control;
    e.dwTimestamp = GetTickCount();
    e.ptMouse = pt;
    e.wKeyState = static_cast<WORD>(wParam);
    e.wParam = wParam;
    e.lParam = lParam;
    CDispatchScope scope(this);
    control->Event(e);
}

void CPaintManagerUI::SetHover(CControlUI* control, POINT pt)
{
    if (control == m_hover) return;
    CControlUI* old = m_hover;
    m_hover = control;
    if (old) SendMouseEvent(old, UIEVENT_MOUSELEAVE, pt, 0, 0);
    if (control && m_hover == control) SendMouseEvent(control, UIEVENT_MOUSEENTER, pt, 0, 0);
    if (m_host) QToolTip::hideText();
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    CDispatchScope scope(this);
    if (RunFilters(m_filters, uMsg, wParam, lParam, result)) return true;
    if (!m_root) return false;
    result = 0;
    // Sends a mouse event to the control; false (the message not used) when there is none.
    auto sendTo = [&](CControlUI* control, int type, POINT pt, WPARAM w) {
        if (!control) return false;
        SendMouseEvent(control, type, pt, w, lParam);
        return true;
    };
    switch (uMsg) {
    case WM_SIZE:
        NeedUpdate();
        return false;
    case WM_MOUSEMOVE: {
        POINT pt = MessagePoint(lParam);
        m_ptLastMouse = pt;
        if (m_hoverTimer) m_hoverTimer->start();
        CControlUI* control = FindControl(pt);
        if (!m_click) {
            SetHover(control, pt);
            SetCursor(IDC_ARROW);
            if (control && m_hover == control) SendMouseEvent(control, UIEVENT_SETCURSOR, pt, wParam, lParam);
            if (control && m_hover == control) SendMouseEvent(control, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
        } else {
            SendMouseEvent(m_click, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
        }
        return true;
    }
    case WM_MOUSELEAVE:
        if (m_hoverTimer) m_hoverTimer->stop();
        if (!m_click) SetHover(nullptr, m_ptLastMouse);
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
        POINT pt = MessagePoint(lParam);
        m_ptLastMouse = pt;
        // A press ends the tooltip: what it named may change or go now.
        if (m_host) QToolTip::hideText();
        CControlUI* control = FindControl(pt);
        if (!control) return false;
        if (uMsg != WM_RBUTTONDOWN) {
            m_click = control;
            SetCapture();
        }
        control->SetFocus();
        if (uMsg == WM_LBUTTONDOWN && m_click == control) SendMouseEvent(control, UIEVENT_BUTTONDOWN, pt, wParam, lParam);
        else if (uMsg == WM_LBUTTONDBLCLK && m_click == control) SendMouseEvent(control, UIEVENT_DBLCLICK, pt, wParam, lParam);
        else if (uMsg == WM_RBUTTONDOWN) SendMouseEvent(control, UIEVENT_RBUTTONDOWN, pt, wParam, lParam);
        return true;
    }
    case WM_LBUTTONUP: {
        POINT pt = MessagePoint(lParam);
        m_ptLastMouse = pt;
        CControlUI* control = std::exchange(m_click, nullptr);
        ReleaseCapture();
        return sendTo(control, UIEVENT_BUTTONUP, pt, wParam);
    }
    case WM_CONTEXTMENU: {
        POINT pt = MessagePoint(lParam, m_host);
        return sendTo(FindControl(pt), UIEVENT_CONTEXTMENU, pt, wParam);
    }
    case WM_MOUSEWHEEL: {
        POINT pt = MessagePoint(lParam, m_host);
        const short delta = static_cast<short>(HIWORD(wParam));
        if (!sendTo(FindControl(pt), UIEVENT_SCROLLWHEEL, pt, MAKELPARAM(delta > 0 ? SB_LINEUP : SB_LINEDOWN, 0)))
            return false;
        // The content moved under a resting mouse: hover and tooltip follow
        // the control now under it.
        UpdateLayout();
        m_ptLastMouse = pt;
        if (!m_click) {
            SetHover(FindControl(pt), pt);
            if (m_hoverTimer) m_hoverTimer->start();
        }
        return true;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN: {
        if (!m_focus) return false;
        TEventUI e;
        e.Type = uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN : uMsg == WM_KEYUP ? UIEVENT_KEYUP : uMsg == WM_CHAR ? UIEVENT_CHAR : UIEVENT_SYSKEY;
        e.pSender = m_focus;
        e.chKey = static_cast<wchar_t>(wParam);
        e.ptMouse = m_ptLastMouse;
        e.wParam = wParam;
        e.lParam = lParam;
        e.dwTimestamp = GetTickCount();
        m_focus->Event(e);
        return true;
    }
    default:
        break;
    }
    return false;
}

void CPaintManagerUI::NeedUpdate()
{
    m_updateNeeded = true;
    ScheduleLayout();
}

void CPaintManagerUI::ScheduleLayout()
{
    if (m_host) m_host->update();
    if (m_layoutScheduled || !m_context) return;
    m_layoutScheduled = true;
    QMetaObject::invokeMethod(m_context.get(), [this] {
        m_layoutScheduled = false;
        UpdateLayout();
    }, Qt::QueuedConnection);
}

void CPaintManagerUI::Invalidate()
{
    if (m_host) m_host->update();
}

void CPaintManagerUI::Invalidate(const RECT& rc)
{
    if (m_host && !IsRectEmpty(rc)) m_host->update(ToQRect(rc));
}

bool CPaintManagerUI::IsLayoutCurrent() const
{
    const SIZE size = GetClientSize();
    return !m_updateNeeded && !m_firstLayout && size.cx == m_lastSize.cx && size.cy == m_lastSize.cy;
}

void CPaintManagerUI::UpdateLayout()
{
    if (!m_root) return;
    SIZE size = GetClientSize();
    if (!m_updateNeeded && size.cx == m_lastSize.cx && size.cy == m_lastSize.cy && !m_firstLayout) return;
    if (size.cx <= 0 || size.cy <= 0) return;
    CDispatchScope scope(this);
    m_updateNeeded = false;
    m_lastSize = size;
    m_root->SetPos(MakeRect(0, 0, size.cx, size.cy), false);
    if (m_firstLayout) {
        m_firstLayout = false;
        SendNotify(m_root, DUI_MSGTYPE_WINDOWINIT);
    }
    // A control hidden under a resting mouse hands the hover (and its tooltip)
    // to the one under the mouse now.
    if (m_hover && !m_click && !m_hover->IsVisible()) SetHover(FindControl(m_ptLastMouse), m_ptLastMouse);
    Invalidate();
}

void CPaintManagerUI::Paint(QPainter& painter, const RECT& rcPaint)
{
    UpdateLayout();
    if (!m_root) return;
    CDispatchScope scope(this);
    m_root->DoPaint(painter, rcPaint);
}

void CPaintManagerUI::UpdateUI()
{
    RemoveAllImages();
    NeedUpdate();
    Invalidate();
}

QImage CPaintManagerUI::RenderToImage(CControlUI* control)
{
    UpdateLayout();
    CControlUI* target = control ? control : m_root;
    if (!target) return QImage();
    RECT rc = target->GetPos();
    if (IsRectEmpty(rc)) return QImage();
    QImage image(rc.right - rc.left, rc.bottom - rc.top, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(-rc.left, -rc.top);
    CDispatchScope scope(this);
    target->DoPaint(painter, rc);
    return image;
}

void CPaintManagerUI::EndDispatch()
{
    if (m_dispatchDepth > 0) --m_dispatchDepth;
    if (m_dispatchDepth != 0) return;
    if (!m_delayedCleanup.empty()) FlushDelayedCleanup();
    // Last: a window destroyed during the dispatch may now get its final
    // message and delete itself (and this manager).
    if (m_window) m_window->OnDispatchIdle();
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* control)
{
    if (std::find(m_delayedCleanup.begin(), m_delayedCleanup.end(), control) == m_delayedCleanup.end())
        m_delayedCleanup.push_back(control);
}

void CPaintManagerUI::FlushDelayedCleanup()
{
    ++m_dispatchDepth;
    while (!m_delayedCleanup.empty()) {
        std::vector<CControlUI*> pending;
        pending.swap(m_delayedCleanup);
        for (CControlUI* c : pending) delete c;
    }
    --m_dispatchDepth;
}
