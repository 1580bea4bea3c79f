#include "ui/UIContainer.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include <QPainter>
#include <algorithm>

CContainerUI::~CContainerUI()
{
    std::vector<CControlUI*> items;
    items.swap(m_items);
    if (m_autoDestroy)
        for (CControlUI* c : items) delete c;
}

std::wstring CContainerUI::GetClass() const { return L"ContainerUI"; }

void* CContainerUI::GetInterface(const std::wstring& name)
{
    if (name == L"IContainer") return static_cast<IContainerUI*>(this);
    if (name == L"Container") return static_cast<CContainerUI*>(this);
    return CControlUI::GetInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const
{
    // The items themselves: a subclass may give GetCount another meaning.
    if (index < 0 || static_cast<size_t>(index) >= m_items.size()) return nullptr;
    return m_items[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* control) const
{
    auto it = std::find(m_items.begin(), m_items.end(), control);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index)
{
    int old = GetItemIndex(control);
    if (old < 0 || index < 0 || index >= GetCount()) return false;
    m_items.erase(m_items.begin() + old);
    m_items.insert(m_items.begin() + index, control);
    NeedUpdate();
    return true;
}

bool CContainerUI::Add(CControlUI* control)
{
    return AddAt(control, GetCount());
}

bool CContainerUI::AddAt(CControlUI* control, int index)
{
    if (!control || index < 0 || index > GetCount() || GetItemIndex(control) >= 0) return false;
    m_items.insert(m_items.begin() + index, control);
    if (m_manager)
        m_manager->InitControls(control, this);
    else
        control->SetManager(nullptr, this, false);
    control->SetInternVisible(IsVisible());
    NeedUpdate();
    return true;
}

void CContainerUI::ReleaseChild(CControlUI* control, bool destroy)
{
    if (m_manager) m_manager->ReapObjects(control);
    if (!destroy) return;
    if (m_manager && m_manager->IsDispatching()) {
        control->SetInternVisible(false);
        m_manager->AddDelayedCleanup(control);
    } else {
        delete control;
    }
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy)
{
    return CContainerUI::RemoveAt(GetItemIndex(control), doNotDestroy);
}

bool CContainerUI::RemoveAt(int index, bool doNotDestroy)
{
    CControlUI* control = GetItemAt(index);
    if (!control) return false;
    m_items.erase(m_items.begin() + index);
    NeedUpdate();
    ReleaseChild(control, !doNotDestroy && m_autoDestroy);
    return true;
}

void CContainerUI::RemoveAll()
{
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* c : items) ReleaseChild(c, m_autoDestroy);
    NeedUpdate();
}

void CContainerUI::SetInset(const RECT& rc)
{
    m_rcInset = rc;
    NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding)
{
    m_childPadding = padding;
    NeedUpdate();
}

void CContainerUI::SetVisible(bool visible)
{
    if (m_visible == visible) return;
    CControlUI::SetVisible(visible);
    for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible)
{
    CControlUI::SetInternVisible(visible);
    for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    for (CControlUI* c : m_items) c->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC proc, void* data, UINT flags)
{
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) && !PtInRect(m_rcItem, *static_cast<POINT*>(data))) return nullptr;
    if (flags & UIFIND_ME_FIRST) {
        if (CControlUI* r = CControlUI::FindControl(proc, data, flags)) return r;
    }
    // The scroll strip lies over the children's right edge: it takes the mouse first.
    if ((flags & UIFIND_HITTEST) && PtInRect(ScrollStripRect(), *static_cast<POINT*>(data)))
        if (CControlUI* r = CControlUI::FindControl(proc, data, flags)) return r;
    RECT content = ContentRect();
    auto visit = [&](CControlUI* child) -> CControlUI* {
        CControlUI* r = child->FindControl(proc, data, flags);
        if (!r) return nullptr;
        if ((flags & UIFIND_HITTEST) && !child->IsFloat() && !PtInRect(content, *static_cast<POINT*>(data))) return nullptr;
        return r;
    };
    if (flags & UIFIND_TOP_FIRST) {
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
            if (CControlUI* r = visit(*it)) return r;
    } else {
        for (CControlUI* c : m_items)
            if (CControlUI* r = visit(c)) return r;
    }
    if (!(flags & UIFIND_ME_FIRST)) return CControlUI::FindControl(proc, data, flags);
    return nullptr;
}

static CControlUI* FindByName(CControlUI* control, void* data)
{
    return control->GetName() == *static_cast<const std::wstring*>(data) ? control : nullptr;
}

CControlUI* CContainerUI::FindSubControl(const std::wstring& name)
{
    std::wstring key = name;
    for (CControlUI* c : m_items)
        if (CControlUI* r = c->FindControl(FindByName, &key, UIFIND_ALL)) return r;
    return nullptr;
}

RECT CContainerUI::ContentRect() const
{
    return MakeRect(m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top,
                    m_rcItem.right - m_rcInset.right, m_rcItem.bottom - m_rcInset.bottom);
}

void CContainerUI::SetFloatPos(CControlUI* child)
{
    POINT off = child->GetFloatOffset();
    RECT rc = MakeRect(m_rcItem.left + off.x, m_rcItem.top + off.y, 0, 0);
    rc.right = rc.left + child->GetFixedWidth();
    rc.bottom = rc.top + child->GetFixedHeight();
    child->SetPos(rc, false);
}

bool CContainerUI::IsFlowChild(CControlUI* child)
{
    if (!child->IsVisible()) return false;
    if (!child->IsFloat()) return true;
    SetFloatPos(child);
    return false;
}

void CContainerUI::SetPos(RECT rc, bool needInvalidate)
{
    if (KeepsLayout(rc)) {
        if (needInvalidate) Invalidate();
        return;
    }
    CControlUI::SetPos(rc, needInvalidate);
    m_childLayoutPending = false;
    RECT content = ContentRect();
    for (CControlUI* c : m_items) {
        if (!IsFlowChild(c)) continue;
        RECT p = c->GetPadding();
        c->SetPos(MakeRect(content.left + p.left, content.top + p.top, content.right - p.right, content.bottom - p.bottom), false);
    }
}

void CContainerUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    if (event.Type == UIEVENT_SCROLLWHEEL && m_scrollRange > 0) {
        const int step = CPaintManagerUI::Scale(30);
        SetScrollPos(m_scrollY + (LOWORD(event.wParam) == SB_LINEUP ? -step : step));
        return;
    }
    if (DoScrollBarEvent(event)) return;
    CControlUI::DoEvent(event);
}

RECT CContainerUI::ScrollStripRect() const
{
    if (!m_vscroll || m_scrollRange <= 0) return RECT{};
    const RECT content = ContentRect();
    return MakeRect(content.right - CPaintManagerUI::Scale(8), content.top, content.right, content.bottom);
}

RECT CContainerUI::ScrollThumbRect() const
{
    const RECT strip = ScrollStripRect();
    const int track = strip.bottom - strip.top;
    if (track <= 0) return RECT{};
    const int thumb = std::min(track, std::max(16, track * track / (track + m_scrollRange)));
    const int top = strip.top + static_cast<int>(static_cast<long long>(track - thumb) * m_scrollY / m_scrollRange);
    return MakeRect(strip.left, top, strip.right, top + thumb);
}

bool CContainerUI::DoScrollBarEvent(const TEventUI& event)
{
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK: {
        if (!PtInRect(ScrollStripRect(), event.ptMouse)) return false;
        const RECT thumb = ScrollThumbRect();
        const RECT content = ContentRect();
        const int page = std::max(1, content.bottom - content.top);
        if (PtInRect(thumb, event.ptMouse)) {
            m_thumbDragging = true;
            m_dragStartY = event.ptMouse.y;
            m_dragStartScroll = m_scrollY;
        } else {
            SetScrollPos(m_scrollY + (event.ptMouse.y < thumb.top ? -page : page));
        }
        return true;
    }
    case UIEVENT_MOUSEMOVE: {
        if (!m_thumbDragging) return false;
        const RECT strip = ScrollStripRect();
        const RECT thumb = ScrollThumbRect();
        const int travel = (strip.bottom - strip.top) - (thumb.bottom - thumb.top);
        if (travel > 0)
            SetScrollPos(m_dragStartScroll +
                         static_cast<int>(static_cast<long long>(event.ptMouse.y - m_dragStartY) * m_scrollRange / travel));
        return true;
    }
    case UIEVENT_BUTTONUP:
        if (!m_thumbDragging) return false;
        m_thumbDragging = false;
        return true;
    default:
        return false;
    }
}

void CContainerUI::SetScrollPos(int y)
{
    y = std::clamp(y, 0, std::max(0, m_scrollRange));
    if (y == m_scrollY) return;
    m_scrollY = y;
    NeedUpdate();
}

void CContainerUI::DoPaint(QPainter& painter, const RECT& rcPaint)
{
    RECT rcTemp;
    if (!IntersectRect(&rcTemp, rcPaint, m_rcItem)) return;
    CPaintClip clip(painter, rcTemp);
    CControlUI::DoPaint(painter, rcPaint);
    RECT rcChildren;
    bool anyArea = IntersectRect(&rcChildren, rcTemp, ContentRect());
    for (CControlUI* c : m_items) {
        if (!c->IsVisible()) continue;
        RECT dummy;
        if (!IntersectRect(&dummy, rcPaint, c->GetPos())) continue;
        if (c->IsFloat()) {
            c->DoPaint(painter, rcPaint);
        } else if (anyArea) {
            CPaintClip childClip(painter, rcChildren);
            c->DoPaint(painter, rcChildren);
        }
    }
    if (const RECT thumb = ScrollThumbRect(); !IsRectEmpty(thumb) && anyArea) {
        // Where the view is within the children.
        const bool wide = m_thumbDragging;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(wide ? QColor(0x5F, 0x6F, 0x84, 0xE0) : QColor(0x8A, 0x97, 0xA8, 0xC0));
        const int width = wide ? 6 : 4;
        painter.drawRoundedRect(QRectF(thumb.right - width - 1, thumb.top + 1, width, thumb.bottom - thumb.top - 2), 2, 2);
    }
}

void CContainerUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"inset") SetInset(CPaintManagerUI::Scale(ParseRect(value)));
    else if (name == L"childpadding") SetChildPadding(CPaintManagerUI::Scale(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10))));
    else if (name == L"vscrollbar") m_vscroll = ParseBool(value);
    else CControlUI::SetAttribute(name, value);
}

// Shared by both linear layouts: `vertical` picks the main axis. Fixed
// children get their size, the others share what is left equally.
void CContainerUI::LayoutLinear(bool vertical)
{
    const RECT content = ContentRect();
    const int childPadding = m_childPadding;
    std::vector<CControlUI*>& items = m_items;
    const int mainSize = vertical ? content.bottom - content.top : content.right - content.left;
    const int crossSize = vertical ? content.right - content.left : content.bottom - content.top;
    SIZE available;
    available.cx = content.right - content.left;
    available.cy = content.bottom - content.top;

    int fixedTotal = 0, stretchCount = 0, visibleCount = 0;
    std::vector<SIZE> wanted(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        CControlUI* c = items[i];
        if (!c->IsVisible() || c->IsFloat()) continue;
        ++visibleCount;
        wanted[i] = c->EstimateSize(available);
        RECT p = c->GetPadding();
        int main = vertical ? wanted[i].cy : wanted[i].cx;
        if (main == 0) {
            ++stretchCount;
        } else {
            main = c->ClampSize(main, vertical);
            if (vertical) wanted[i].cy = main; else wanted[i].cx = main;
            fixedTotal += main;
        }
        fixedTotal += vertical ? p.top + p.bottom : p.left + p.right;
    }
    if (visibleCount > 1) fixedTotal += (visibleCount - 1) * childPadding;
    // Stretching children share what is left; one held by its minimum or
    // maximum takes that size, and the others share the rest.
    int remaining = std::max(0, mainSize - fixedTotal);
    std::vector<int> held(items.size(), -1);  // -1: shares
    int free = stretchCount;
    for (bool again = true; again && free > 0;) {
        again = false;
        const int fair = remaining / free;
        for (size_t i = 0; i < items.size(); ++i) {
            if (!items[i]->IsVisible() || items[i]->IsFloat() || held[i] >= 0 || (vertical ? wanted[i].cy : wanted[i].cx) != 0) continue;
            const int size = items[i]->ClampSize(fair, vertical);
            if (size == fair) continue;
            held[i] = size;
            remaining = std::max(0, remaining - size);
            --free;
            again = true;
            break;
        }
    }
    const int share = free > 0 ? remaining / free : 0;
    const int leftover = free > 0 ? remaining - share * free : 0;

    // A scrolling layout moves its children up by the scroll position.
    m_scrollRange = m_vscroll && vertical ? std::max(0, fixedTotal - mainSize) : 0;
    m_scrollY = std::clamp(m_scrollY, 0, m_scrollRange);
    int pos = vertical ? content.top - m_scrollY : content.left;
    int stretchSeen = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        CControlUI* c = items[i];
        if (!IsFlowChild(c)) continue;
        RECT p = c->GetPadding();
        int main = vertical ? wanted[i].cy : wanted[i].cx;
        if (main == 0 && held[i] >= 0) {
            main = held[i];
        } else if (main == 0) {
            ++stretchSeen;
            main = c->ClampSize(share + (stretchSeen == free ? leftover : 0), vertical);
        }
        int cross = vertical ? wanted[i].cx : wanted[i].cy;
        int crossAvail = crossSize - (vertical ? p.left + p.right : p.top + p.bottom);
        if (cross == 0 || cross > crossAvail) cross = std::max(0, crossAvail);
        RECT rc;
        if (vertical) {
            pos += p.top;
            rc = MakeRect(content.left + p.left, pos, content.left + p.left + cross, pos + main);
            pos += main + p.bottom + childPadding;
        } else {
            pos += p.left;
            rc = MakeRect(pos, content.top + p.top, pos + main, content.top + p.top + cross);
            pos += main + p.right + childPadding;
        }
        c->SetPos(rc, false);
    }
}

void CLinearLayoutUI::SetPos(RECT rc, bool needInvalidate)
{
    if (KeepsLayout(rc)) {
        if (needInvalidate) Invalidate();
        return;
    }
    CControlUI::SetPos(rc, needInvalidate);
    m_childLayoutPending = false;
    LayoutLinear(m_vertical);
}

std::wstring CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }
void* CVerticalLayoutUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CLinearLayoutUI>(this, name, L"VerticalLayout");
}

std::wstring CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }
void* CHorizontalLayoutUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CLinearLayoutUI>(this, name, L"HorizontalLayout");
}

std::wstring CTabLayoutUI::GetClass() const { return L"TabLayoutUI"; }
void* CTabLayoutUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CContainerUI>(this, name, L"TabLayout");
}

bool CTabLayoutUI::Add(CControlUI* control)
{
    return AddAt(control, GetCount());
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index)
{
    if (!CContainerUI::AddAt(control, index)) return false;
    if (m_curSel == -1 && control->IsVisible()) {
        m_curSel = GetItemIndex(control);
    } else {
        if (m_curSel >= index && m_curSel != -1 && GetItemAt(m_curSel) != control) ++m_curSel;
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control, bool doNotDestroy)
{
    int index = GetItemIndex(control);
    if (index < 0) return false;
    bool wasCurrent = index == m_curSel;
    if (!CContainerUI::Remove(control, doNotDestroy)) return false;
    if (wasCurrent) {
        m_curSel = -1;
        if (GetCount() > 0) SelectItem(std::min(index, GetCount() - 1));
    } else if (index < m_curSel) {
        --m_curSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAll()
{
    m_curSel = -1;
    CContainerUI::RemoveAll();
}

bool CTabLayoutUI::SelectItem(int index)
{
    if (index < 0 || index >= GetCount()) return false;
    if (index == m_curSel) return true;
    int old = m_curSel;
    m_curSel = index;
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == index);
    NeedParentUpdate();
    if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_TABSELECT, static_cast<WPARAM>(m_curSel), static_cast<LPARAM>(old));
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control)
{
    return SelectItem(GetItemIndex(control));
}

void CTabLayoutUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"selectedid") SelectItem(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
    else CContainerUI::SetAttribute(name, value);
}
