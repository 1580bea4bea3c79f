#include "ui/UIControl.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "platform/events.h"
#include <QPainter>
#include <algorithm>
#include <climits>

CControlUI::CControlUI()
{
    m_max.cx = m_max.cy = 9999;
}

namespace {
thread_local int t_detachedDestroys = 0;
}  // namespace

CDetachedDestroyScope::CDetachedDestroyScope() { ++t_detachedDestroys; }
CDetachedDestroyScope::~CDetachedDestroyScope() { --t_detachedDestroys; }
bool CDetachedDestroyScope::Active() { return t_detachedDestroys > 0; }

CControlUI::~CControlUI()
{
    OnDestroy(this);
    if (m_manager && !CDetachedDestroyScope::Active()) m_manager->ReapObjects(this);
}

std::wstring CControlUI::GetClass() const { return L"ControlUI"; }

void* CControlUI::GetInterface(const std::wstring& name)
{
    if (name == L"Control") return this;
    return nullptr;
}

UINT CControlUI::GetControlFlags() const { return 0; }

bool CControlUI::Activate()
{
    return IsVisible() && IsEnabled();
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    m_manager = manager;
    m_parent = parent;
    if (init && m_parent) Init();
}

void CControlUI::SetText(const std::wstring& text)
{
    ChangeLook(m_skinText, false);
    ChangeLook(m_text, text);
}

void CControlUI::SetSkinText(const std::wstring& text)
{
    SetText(text);
    ChangeLook(m_skinText, true);
}
void CControlUI::SetBkColor(DWORD argb) { ChangeLook(m_bkColor, argb); }
void CControlUI::SetBkImage(const std::wstring& image) { ChangeLook(m_bkImage, image); }
void CControlUI::SetBorderColor(DWORD argb) { ChangeLook(m_borderColor, argb); }
void CControlUI::SetBorderSize(int size) { ChangeLook(m_borderSize, size); }

void CControlUI::SetPos(RECT rc, bool needInvalidate)
{
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    bool sizeChanged = (rc.right - rc.left) != GetWidth() || (rc.bottom - rc.top) != GetHeight();
    if (needInvalidate) Invalidate();
    m_rcItem = rc;
    m_updateNeeded = false;
    if (needInvalidate) Invalidate();
    if (sizeChanged) {
        OnSize(this);
        if (m_manager) {
            TEventUI event;
            event.Type = UIEVENT_WINDOWSIZE;
            event.pSender = this;
            event.dwTimestamp = GetTickCount();
            CDispatchScope scope(m_manager);
            Event(event);
        }
    }
}

void CControlUI::SetPadding(const RECT& rc)
{
    m_rcPadding = rc;
    NeedParentUpdate();
}

void CControlUI::SetFloat(bool isFloat)
{
    if (m_float == isFloat) return;
    m_float = isFloat;
    NeedParentUpdate();
}

void CControlUI::SetSizeLimit(LONG& field, int value)
{
    if (value < 0) return;
    field = value;
    NeedParentUpdate();
}

void CControlUI::SetFixedWidth(int cx) { SetSizeLimit(m_fixed.cx, cx); }
void CControlUI::SetFixedHeight(int cy) { SetSizeLimit(m_fixed.cy, cy); }
void CControlUI::SetMinWidth(int cx) { SetSizeLimit(m_min.cx, cx); }
void CControlUI::SetMaxWidth(int cx) { SetSizeLimit(m_max.cx, cx); }
void CControlUI::SetMinHeight(int cy) { SetSizeLimit(m_min.cy, cy); }
void CControlUI::SetMaxHeight(int cy) { SetSizeLimit(m_max.cy, cy); }

int CControlUI::ClampSize(int size, bool height) const
{
    const int lo = height ? m_min.cy : m_min.cx;
    const int hi = height ? m_max.cy : m_max.cx;
    return std::clamp(size, lo, std::max(lo, hi));
}

SIZE CControlUI::EstimateSize(SIZE)
{
    return m_fixed;
}

void CControlUI::SetVisible(bool visible)
{
    if (m_visible == visible) return;
    bool wasVisible = IsVisible();
    m_visible = visible;
    if (m_focused && !visible) m_focused = false;
    if (!visible && m_manager && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
    m_updateNeeded = true;
    if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible)
{
    m_internVisible = visible;
    if (!visible && m_manager && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled)
{
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    Invalidate();
}

void CControlUI::SetFocus()
{
    if (m_manager) m_manager->SetFocus(this);
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC proc, void* data, UINT flags)
{
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) && (!m_mouseEnabled || !PtInRect(m_rcItem, *static_cast<POINT*>(data)))) return nullptr;
    return proc(this, data);
}

void CControlUI::Invalidate()
{
    if (!IsVisible() || !m_manager) return;
    m_manager->Invalidate(m_rcItem);
}

void CControlUI::NeedUpdate()
{
    // The parents learn that a child changed, also while it is hidden: it is
    // laid out again when it shows.
    m_updateNeeded = true;
    for (CControlUI* p = m_parent; p; p = p->m_parent) p->m_childLayoutPending = true;
    if (!IsVisible()) return;
    Invalidate();
    if (m_manager) m_manager->NeedUpdate();
}

void CControlUI::NeedParentUpdate()
{
    if (m_parent) {
        m_parent->NeedUpdate();
        m_parent->Invalidate();
    } else {
        NeedUpdate();
    }
    if (m_manager) m_manager->NeedUpdate();
}

void CControlUI::Init()
{
    OnInit(this);
    DoInit();
}

void CControlUI::Event(TEventUI& event)
{
    if (OnEvent(&event)) DoEvent(event);
}

bool CControlUI::ForwardDisabledMouseEvent(TEventUI& event)
{
    if (m_mouseEnabled || !IsMouseEventType(event.Type)) return false;
    if (m_parent) m_parent->DoEvent(event);
    return true;
}

void CControlUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    switch (event.Type) {
    case UIEVENT_SETCURSOR:
        return;
    case UIEVENT_SETFOCUS:
        m_focused = true;
        Invalidate();
        return;
    case UIEVENT_KILLFOCUS:
        m_focused = false;
        Invalidate();
        return;
    case UIEVENT_TIMER:
        if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_TIMER, event.wParam, event.lParam);
        return;
    case UIEVENT_WINDOWSIZE:
        return;
    default:
        break;
    }
    if (m_parent) m_parent->DoEvent(event);
}

static int ToInt(const std::wstring& v)
{
    try { return std::stoi(v); } catch (...) { return 0; }
}

void CControlUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"name") SetName(value);
    else if (name == L"text") SetSkinText(value);
    else if (name == L"tooltip") SetToolTip(value);
    else if (name == L"userdata") SetUserData(value);
    else if (name == L"pos") {
        RECT rc = CPaintManagerUI::Scale(ParseRect(value));
        m_fixed.cx = rc.right - rc.left;
        m_fixed.cy = rc.bottom - rc.top;
        m_floatOffset.x = rc.left;
        m_floatOffset.y = rc.top;
        NeedParentUpdate();
    } else if (name == L"float") SetFloat(ParseBool(value));
    else if (name == L"padding") SetPadding(CPaintManagerUI::Scale(ParseRect(value)));
    else if (name == L"width") SetFixedWidth(CPaintManagerUI::Scale(ToInt(value)));
    else if (name == L"height") SetFixedHeight(CPaintManagerUI::Scale(ToInt(value)));
    else if (name == L"minwidth") SetMinWidth(CPaintManagerUI::Scale(ToInt(value)));
    else if (name == L"maxwidth") SetMaxWidth(CPaintManagerUI::Scale(ToInt(value)));
    else if (name == L"minheight") SetMinHeight(CPaintManagerUI::Scale(ToInt(value)));
    else if (name == L"maxheight") SetMaxHeight(CPaintManagerUI::Scale(ToInt(value)));
    else if (name == L"bkcolor") SetBkColor(ParseColor(value));
    else if (name == L"bkimage") SetBkImage(value);
    else if (name == L"bordercolor") SetBorderColor(ParseColor(value));
    else if (name == L"bordersize") SetBorderSize(ToInt(value));
    else if (name == L"visible") SetVisible(ParseBool(value));
    else if (name == L"enabled") SetEnabled(ParseBool(value));
    else if (name == L"mouse") SetMouseEnabled(ParseBool(value));
    else if (name == L"keyboard") SetKeyboardEnabled(ParseBool(value));
}

std::vector<std::pair<std::wstring, std::wstring>> CControlUI::ParseAttributeList(const std::wstring& list)
{
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    size_t i = 0;
    const size_t n = list.size();
    while (i < n) {
        while (i < n && iswspace(list[i])) ++i;
        size_t nameStart = i;
        while (i < n && list[i] != L'=' && !iswspace(list[i])) ++i;
        std::wstring name = list.substr(nameStart, i - nameStart);
        while (i < n && iswspace(list[i])) ++i;
        if (i >= n || list[i] != L'=') break;
        ++i;
        while (i < n && iswspace(list[i])) ++i;
        if (i >= n || (list[i] != L'"' && list[i] != L'\'')) break;
        wchar_t quote = list[i++];
        size_t valueStart = i;
        while (i < n && list[i] != quote) ++i;
        std::wstring value = list.substr(valueStart, i - valueStart);
        if (i < n) ++i;
        if (!name.empty()) pairs.emplace_back(std::move(name), std::move(value));
    }
    return pairs;
}

CControlUI* CControlUI::ApplyAttributeList(const std::wstring& list)
{
    for (const auto& [name, value] : ParseAttributeList(list)) SetAttribute(name, value);
    return this;
}

bool CControlUI::GetTextAttribute(const std::wstring& name, std::wstring& value) const
{
    if (name == L"text") value = GetText();
    else if (name == L"tooltip") value = m_toolTip;
    else return false;
    return true;
}

void CControlUI::DoPaint(QPainter& painter, const RECT& rcPaint)
{
    if (!IntersectRect(&m_rcPaint, rcPaint, m_rcItem)) return;
    PaintBkColor(painter);
    PaintBkImage(painter);
    PaintStatusImage(painter);
    PaintText(painter);
    PaintBorder(painter);
}

void CControlUI::PaintBkColor(QPainter& painter)
{
    if (m_bkColor != 0) CRenderEngine::DrawColor(painter, m_rcPaint, m_bkColor);
}

void CControlUI::PaintBkImage(QPainter& painter)
{
    if (!m_bkImage.empty()) DrawImage(painter, m_bkImage);
}

void CControlUI::PaintStatusImage(QPainter&) {}
void CControlUI::PaintText(QPainter&) {}

void CControlUI::PaintBorder(QPainter& painter)
{
    if (m_borderSize > 0 && m_borderColor != 0) CRenderEngine::DrawBorder(painter, m_rcItem, m_borderSize, m_borderColor);
}

bool CControlUI::DrawImage(QPainter& painter, const std::wstring& image, const std::wstring& modify)
{
    return CRenderEngine::DrawImageString(painter, m_manager, m_rcItem, m_rcPaint, image, modify);
}
