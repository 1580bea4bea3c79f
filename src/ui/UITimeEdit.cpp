#include "ui/UITimeEdit.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "platform/text.h"
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QTime>
#include <QTimeEdit>
#include <algorithm>

std::wstring FormatTime(long long ms)
{
    const long long tenths = (std::max(ms, 0LL) + 50) / 100;
    const long long seconds = tenths / 10;
    return FormatW(L"%02lld:%02d:%02d.%d", seconds / 3600, static_cast<int>(seconds / 60 % 60),
                   static_cast<int>(seconds % 60), static_cast<int>(tenths % 10));
}

// ---- the label ----

CTimeEditUI::CTimeEditUI()
{
    m_time.wYear = 1900;
    m_time.wMonth = 1;
    m_time.wDay = 1;
    m_state = kEditing;
}

CTimeEditUI::~CTimeEditUI()
{
    if (CTimeEditWnd* popup = m_popup) {
        m_popup = nullptr;
        popup->DetachOwner();
        popup->DestroyWindow();  // deletes itself in its final message
    }
}

std::wstring CTimeEditUI::GetClass() const { return L"TimeEditUI"; }

void* CTimeEditUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CLabelUI>(this, name, L"TimeEdit");
}

SYSTEMTIME CTimeEditUI::SplitMs(int ms)
{
    if (ms < 0) ms = 0;
    const int s = ms / 1000;
    SYSTEMTIME t;
    t.wYear = 1900;
    t.wMonth = 1;
    t.wDay = 1;
    t.wHour = static_cast<WORD>(std::min(s / 3600, 0xFFFF));
    t.wMinute = static_cast<WORD>((s / 60) % 60);
    t.wSecond = static_cast<WORD>(s % 60);
    t.wMilliseconds = static_cast<WORD>(ms % 1000);
    return t;
}

void CTimeEditUI::SetValue(int ms)
{
    m_time = SplitMs(ms);
    const int state = m_state;
    m_state = kTaken;
    UpdateText();
    m_state = state;
}

void CTimeEditUI::SetTimeLimit(int ms)
{
    if (ms == 0) return;
    m_upper = SplitMs(ms);
}

void CTimeEditUI::UpdateText()
{
    if (m_state == kCleared) {
        // An empty field stands for no time: it reopens at 00:00:00 too.
        m_value = 0;
        SetText(std::wstring());
        return;
    }
    if (m_state != kTaken) return;
    const SYSTEMTIME& t = m_time;
    m_value = static_cast<int>(std::min<long long>(
        t.wHour * 3600000LL + t.wMinute * 60000LL + t.wSecond * 1000LL + t.wMilliseconds, INT32_MAX));
    SetText(FormatTime(m_value));
}

void CTimeEditUI::OpenPopup()
{
    if (!m_manager || !m_manager->GetPaintWindow()) return;
    if (!m_popup) {
        auto* popup = new CTimeEditWnd(this);
        m_popup = popup;
        if (!popup->Init()) {
            if (m_popup == popup) m_popup = nullptr;
            popup->DetachOwner();
            if (popup->GetHWND()) popup->DestroyWindow();  // deletes itself in its final message
            else delete popup;
            return;
        }
    } else {
        m_popup->ShowWindow(true, false);
        if (QTimeEdit* editor = m_popup->GetEditor()) editor->setFocus();
    }
}

void CTimeEditUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    switch (event.Type) {
    case UIEVENT_SETCURSOR:
        if (IsEnabled() && m_manager) m_manager->SetCursor(IDC_IBEAM);
        return;
    case UIEVENT_WINDOWSIZE:
        if (m_popup && m_manager) m_manager->SetFocusNeeded(this);
        return;
    case UIEVENT_SCROLLWHEEL:
        if (m_popup) return;
        break;
    case UIEVENT_SETFOCUS:
        CLabelUI::DoEvent(event);
        if (IsEnabled() && !m_popup) OpenPopup();
        return;
    case UIEVENT_KILLFOCUS:
        CLabelUI::DoEvent(event);
        if (IsEnabled()) Invalidate();
        return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_RBUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled()) {
            if (m_manager) m_manager->ReleaseCapture();
            OpenPopup();
        }
        return;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_MOUSELEAVE:
    case UIEVENT_MOUSEENTER:
    case UIEVENT_BUTTONUP:
    case UIEVENT_CONTEXTMENU:
        return;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

// ---- the picker ----

struct CTimeEditWnd::TEditor {
    QPointer<QTimeEdit> edit;
    std::unique_ptr<QObject> filter;
};

// Focus loss and the keys that end editing become window messages.
class CTimeEditWnd::CEditorFilter : public QObject {
public:
    explicit CEditorFilter(CTimeEditWnd* wnd) : m_wnd(wnd) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut) {
            m_wnd->DeliverMessage(WM_KILLFOCUS, 0, 0);
        } else if (event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            WPARAM vk = key == Qt::Key_Backspace ? VK_BACK : key == Qt::Key_Delete ? VK_DELETE : key == Qt::Key_Escape ? VK_ESCAPE : 0;
            if (vk) {
                m_wnd->DeliverMessage(WM_KEYUP, vk, 0);
                return true;
            }
        } else if (event->type() == QEvent::KeyPress) {
            // These keys end editing on release; the editor must not act on them.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Backspace || key == Qt::Key_Delete || key == Qt::Key_Escape) return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CTimeEditWnd* m_wnd;
};

CTimeEditWnd::CTimeEditWnd(CTimeEditUI* owner) : m_owner(owner), m_editor(std::make_unique<TEditor>()) {}

CTimeEditWnd::~CTimeEditWnd()
{
    if (m_editor->edit) m_editor->edit->removeEventFilter(m_editor->filter.get());
    ReleaseHost();
}

QTimeEdit* CTimeEditWnd::GetEditor() const { return m_editor->edit.data(); }

static QTime ToQTime(const SYSTEMTIME& t)
{
    if (t.wHour > 23) return QTime(23, 59, 59, 999);
    return QTime(t.wHour, std::min<int>(t.wMinute, 59), std::min<int>(t.wSecond, 59), std::min<int>(t.wMilliseconds, 999));
}

bool CTimeEditWnd::Init()
{
    CTimeEditUI* owner = m_owner;
    CPaintManagerUI* pm = owner ? owner->GetManager() : nullptr;
    if (!pm) return false;
    if (!Create(pm->GetPaintWindow(), std::wstring(), WS_CHILD | DTS_TIMEFORMAT, 0, owner->GetPos())) return false;
    QFont font = pm->GetFont(owner->GetFont());
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(&font), 1);
    if (owner->GetText().empty()) {
        SYSTEMTIME zero;
        zero.wYear = 1900;
        zero.wMonth = 1;
        zero.wDay = 1;
        owner->m_time = zero;
    }
    SendMessage(DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm:ss"));
    SendMessage(DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&owner->m_time));
    SYSTEMTIME range[2];
    range[1] = owner->m_upper;
    SendMessage(DTM_SETRANGE, GDTR_MAX, reinterpret_cast<LPARAM>(range));
    ShowWindow(true, false);
    if (m_editor->edit) m_editor->edit->setFocus();
    owner->m_state = CTimeEditUI::kEditing;
    m_init = true;
    return true;
}

LRESULT CTimeEditWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    QTimeEdit* edit = m_editor->edit.data();
    switch (msg) {
    case WM_CREATE:
        if (QWidget* host = GetWidget()) {
            auto* e = new QTimeEdit(host);
            e->setGeometry(0, 0, host->width(), host->height());
            e->setDisplayFormat(QString::fromStdWString(m_format));
            e->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
            m_editor->edit = e;
            m_editor->filter = std::make_unique<CEditorFilter>(this);
            e->installEventFilter(m_editor->filter.get());
            e->show();
        }
        return 0;
    case WM_SIZE:
        if (edit) edit->setGeometry(0, 0, LOWORD(static_cast<UINT_PTR>(lParam)), HIWORD(static_cast<UINT_PTR>(lParam)));
        return 0;
    case WM_SETFONT:
        if (edit && wParam) edit->setFont(*reinterpret_cast<const QFont*>(wParam));
        return 0;
    case DTM_SETFORMATW:
        if (lParam) m_format = reinterpret_cast<const wchar_t*>(lParam);
        if (edit) edit->setDisplayFormat(QString::fromStdWString(m_format));
        return TRUE;
    case DTM_SETSYSTEMTIME:
        if (edit && lParam && wParam == GDT_VALID) edit->setTime(ToQTime(*reinterpret_cast<const SYSTEMTIME*>(lParam)));
        return TRUE;
    case DTM_GETSYSTEMTIME: {
        if (!edit || !lParam) return -1;
        auto* out = reinterpret_cast<SYSTEMTIME*>(lParam);
        const QTime t = edit->time();
        out->wHour = static_cast<WORD>(t.hour());
        out->wMinute = static_cast<WORD>(t.minute());
        out->wSecond = static_cast<WORD>(t.second());
        out->wMilliseconds = static_cast<WORD>(t.msec());
        return static_cast<LRESULT>(GDT_VALID);
    }
    case DTM_SETRANGE:
        if (edit && lParam && (wParam & GDTR_MAX)) {
            const SYSTEMTIME& max = reinterpret_cast<const SYSTEMTIME*>(lParam)[1];
            const bool none = max.wYear == 0 && max.wMonth == 0 && max.wDay == 0 && max.wHour == 0 && max.wMinute == 0 &&
                              max.wSecond == 0 && max.wMilliseconds == 0;
            edit->setMaximumTime(none ? QTime(23, 59, 59, 999) : ToQTime(max));
        }
        return TRUE;
    case WM_DESTROY:
        if (edit) edit->removeEventFilter(m_editor->filter.get());
        return 0;
    case WM_KILLFOCUS:
        if (!m_init) return 0;
        if (m_owner && m_owner->m_state == CTimeEditUI::kEditing) {
            SendMessage(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&m_owner->m_time));
            m_owner->m_state = CTimeEditUI::kTaken;
            m_owner->UpdateText();
        }
        PostMessage(WM_CLOSE);
        return 0;
    case WM_KEYUP:
        if (wParam == VK_BACK || wParam == VK_DELETE) {
            if (m_owner) {
                m_owner->m_state = CTimeEditUI::kCleared;
                m_owner->UpdateText();
            }
            PostMessage(WM_CLOSE);
        } else if (wParam == VK_ESCAPE) {
            if (m_owner) m_owner->m_state = CTimeEditUI::kCancelled;
            PostMessage(WM_CLOSE);
        }
        return 0;
    default:
        return CWindowWnd::HandleMessage(msg, wParam, lParam);
    }
}

void CTimeEditWnd::OnFinalMessage(HWND)
{
    if (m_owner && m_owner->m_popup == this) m_owner->m_popup = nullptr;
    m_owner = nullptr;
    delete this;
}
