#include "ui/UIList.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "ui/UIScrollBar.h"
#include "ui/UIWindow.h"
#include <QPainter>
#include <QTextDocument>
#include <algorithm>

IListItemUI* AsListItem(CControlUI* control)
{
    return control ? static_cast<IListItemUI*>(control->GetInterface(L"ListItem")) : nullptr;
}

void AttachListItem(CControlUI* control, IListOwnerUI* owner)
{
    if (IListItemUI* item = AsListItem(control)) {
        item->SetOwner(owner);
        item->Select(false);
    }
}

void ReindexListItems(CContainerUI& rows, int from)
{
    for (int i = std::max(0, from); i < rows.GetCount(); ++i)
        if (IListItemUI* item = AsListItem(rows.GetItemAt(i))) item->SetIndex(i);
}

void DetachListItem(CControlUI* control)
{
    if (IListItemUI* item = AsListItem(control)) {
        item->Select(false);
        item->SetOwner(nullptr);
        item->SetIndex(-1);
    }
}

namespace {
int ToInt(const std::wstring& v) { return static_cast<int>(std::wcstol(v.c_str(), nullptr, 10)); }
}  // namespace

bool SetListInfoAttribute(TListInfoUI& info, const std::wstring& name, const std::wstring& value)
{
    static const std::pair<const wchar_t*, DWORD TListInfoUI::*> kColours[] = {
        {L"itemtextcolor", &TListInfoUI::textColor},
        {L"itembkcolor", &TListInfoUI::bkColor},
        {L"itemselectedtextcolor", &TListInfoUI::selectedTextColor},
        {L"itemselectedbkcolor", &TListInfoUI::selectedBkColor},
        {L"itemhottextcolor", &TListInfoUI::hotTextColor},
        {L"itemhotbkcolor", &TListInfoUI::hotBkColor},
        {L"itemdisabledtextcolor", &TListInfoUI::disabledTextColor},
    };
    for (const auto& [key, field] : kColours) {
        if (name != key) continue;
        info.*field = ParseColor(value);
        return true;
    }
    if (name == L"itemfont") info.font = ToInt(value);
    else if (name == L"itemshowhtml") info.showHtml = ParseBool(value);
    else return false;
    return true;
}

// ---- rows ---------------------------------------------------------------

bool CListItemBase::HandleItemEvent(CControlUI* self, TEventUI& event)
{
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_RBUTTONDOWN: {
        if (!self->IsEnabled() || !m_owner) return true;
        CPaintManagerUI* manager = self->GetManager();
        CDispatchScope scope(manager);
        if (event.Type == UIEVENT_RBUTTONDOWN) {
            if (!m_selected) m_owner->ItemPressed(m_index, 0);
            return true;
        }
        m_owner->ItemPressed(m_index, event.wKeyState);
        // A handler of the selection may have taken the row out of its list.
        if (m_owner && manager) manager->SendNotify(self, DUI_MSGTYPE_ITEMCLICK, static_cast<WPARAM>(m_index));
        return true;
    }
    case UIEVENT_DBLCLICK:
        if (self->IsEnabled() && m_owner && self->GetManager())
            self->GetManager()->SendNotify(self, DUI_MSGTYPE_ITEMDBCLICK, static_cast<WPARAM>(m_index));
        return true;
    case UIEVENT_BUTTONUP:
        return true;
    case UIEVENT_MOUSEENTER:
        m_hot = true;
        self->Invalidate();
        return true;
    case UIEVENT_MOUSELEAVE:
        m_hot = false;
        self->Invalidate();
        return true;
    case UIEVENT_KEYDOWN:
    case UIEVENT_CHAR:
    case UIEVENT_SCROLLWHEEL:
        if (m_owner) {
            m_owner->ItemEvent(event);
            return true;
        }
        return false;
    default:
        return false;
    }
}

DWORD CListItemBase::StateBkColor(const CControlUI* self) const
{
    TListInfoUI* info = m_owner ? m_owner->GetListInfo() : nullptr;
    if (!info) return self->GetBkColor();
    if (m_selected && info->selectedBkColor) return info->selectedBkColor;
    if (m_hot && info->hotBkColor) return info->hotBkColor;
    return self->GetBkColor() ? self->GetBkColor() : info->bkColor;
}

DWORD CListItemBase::StateTextColor(const CControlUI* self) const
{
    TListInfoUI* info = m_owner ? m_owner->GetListInfo() : nullptr;
    if (!info) return 0;
    if (!self->IsEnabled()) return info->disabledTextColor;
    if (m_selected && info->selectedTextColor) return info->selectedTextColor;
    if (m_hot && info->hotTextColor) return info->hotTextColor;
    return info->textColor;
}

void CListItemBase::PaintStateBkColor(const CControlUI* self, QPainter& painter) const
{
    DWORD color = StateBkColor(self);
    if (color) CRenderEngine::DrawColor(painter, self->GetPos(), color);
}

std::wstring CListContainerElementUI::GetClass() const { return L"ListContainerElementUI"; }
void* CListContainerElementUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CListElementUI<CHorizontalLayoutUI>>(this, name, L"ListContainerElement");
}

std::wstring CListLabelElementUI::GetClass() const { return L"ListLabelElementUI"; }
void* CListLabelElementUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CListElementUI<CLabelUI>>(this, name, L"ListLabelElement");
}

void CListLabelElementUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"showhtml") m_showHtml = ParseBool(value);
    else CLabelUI::SetAttribute(name, value);
}

void CListLabelElementUI::PaintText(QPainter& painter)
{
    if (m_text.empty()) return;
    TListInfoUI* info = m_owner ? m_owner->GetListInfo() : nullptr;
    DWORD color = m_textColor ? m_textColor : StateTextColor(this);
    color = EffectiveTextColor(color);
    int font = m_font >= 0 ? m_font : (info ? info->font : -1);
    RECT rc = TextRect();
    if (m_showHtml || (info && info->showHtml)) {
        // Simple html (bold, italics, colours, line breaks) in the row's font.
        QTextDocument doc;
        doc.setDefaultFont(m_manager ? m_manager->GetFont(font) : QFont());
        doc.setDocumentMargin(0);
        doc.setTextWidth(rc.right - rc.left);
        doc.setDefaultStyleSheet(QStringLiteral("body{color:#%1;}").arg(color & 0xFFFFFF, 6, 16, QLatin1Char('0')));
        doc.setHtml(QStringLiteral("<body>") + QString::fromStdWString(m_text) + QStringLiteral("</body>"));
        int top = rc.top;
        if (m_textStyle & DT_VCENTER) top += std::max(0, (rc.bottom - rc.top - static_cast<int>(doc.size().height())) / 2);
        CPaintClip clip(painter, rc);
        painter.translate(rc.left, top);
        doc.drawContents(&painter);
        return;
    }
    CRenderEngine::DrawText(painter, m_manager, rc, m_text, color, font, m_textStyle | TextMarks());
}

// ---- the list -----------------------------------------------------------

CListUI::CListUI() : m_scroll(std::make_unique<CScrollBarUI>())
{
    m_scroll->SetVisible(false);
    m_scroll->SetOnScroll([this](int) {
        m_updateNeeded = true;  // the rows move
        SetPos(m_rcItem, false);
        Invalidate();
    });
}

CListUI::~CListUI()
{
    if (m_manager) m_manager->ReapObjects(m_scroll.get());
}

std::wstring CListUI::GetClass() const { return L"ListUI"; }

void* CListUI::GetInterface(const std::wstring& name)
{
    if (name == L"List") return static_cast<CListUI*>(this);
    if (name == L"IList" || name == L"ListOwner") return static_cast<IListOwnerUI*>(this);
    return CListOwnerUI::GetInterface(name);
}

void CListUI::RemoveAll()
{
    CListOwnerUI::RemoveAll();
    if (m_scroll) m_scroll->SetScrollPos(0);
}

void CListUI::SetMultiSelect(bool multi)
{
    m_multiSelect = multi;
    if (!multi && GetSelCount() > 1) SelectItem(m_curSel);
}

bool CListUI::ClearSelection()
{
    bool changed = false;
    for (int i = 0; i < GetCount(); ++i) {
        IListItemUI* item = GetListItem(i);
        if (item && item->IsSelected()) {
            item->Select(false);
            changed = true;
        }
    }
    return changed;
}

void CListUI::NotifySelection(int oldCurSel, bool changed)
{
    if (!changed && oldCurSel == m_curSel) return;
    if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(m_curSel), static_cast<LPARAM>(oldCurSel));
}

bool CListUI::SelectItem(int index, bool takeFocus)
{
    CDispatchScope scope(m_manager);
    IListItemUI* target = index >= 0 ? GetListItem(index) : nullptr;
    if (index >= 0 && !target) return false;
    if (target && index == m_curSel && target->IsSelected() && GetSelCount() == 1) {
        if (takeFocus) GetItemAt(index)->SetFocus();
        return true;
    }
    const int old = m_curSel;
    bool changed = ClearSelection();
    m_curSel = index;
    if (target) {
        target->Select(true);
        changed = true;
        EnsureVisible(index);
        if (takeFocus) GetItemAt(index)->SetFocus();
    } else {
        m_curSel = -1;
    }
    NotifySelection(old, changed);
    return true;
}

bool CListUI::SelectMultiItem(int index, bool takeFocus)
{
    if (!m_multiSelect) return SelectItem(index, takeFocus);
    CDispatchScope scope(m_manager);
    IListItemUI* target = GetListItem(index);
    if (!target) return false;
    const int old = m_curSel;
    bool changed = !target->IsSelected();
    target->Select(true);
    m_curSel = index;
    EnsureVisible(index);
    if (takeFocus) GetItemAt(index)->SetFocus();
    NotifySelection(old, changed);
    return true;
}

bool CListUI::UnSelectItem(int index)
{
    IListItemUI* target = GetListItem(index);
    if (!target || !target->IsSelected()) return false;
    CDispatchScope scope(m_manager);
    const int old = m_curSel;
    target->Select(false);
    if (m_curSel == index) m_curSel = GetNextSelItem(-1);
    NotifySelection(old, true);
    return true;
}

bool CListUI::SelectAllItems()
{
    if (!m_multiSelect) return false;
    CDispatchScope scope(m_manager);
    const int old = m_curSel;
    bool changed = false;
    for (int i = 0; i < GetCount(); ++i) {
        IListItemUI* item = GetListItem(i);
        if (item && !item->IsSelected()) {
            item->Select(true);
            changed = true;
        }
    }
    if (m_curSel < 0) m_curSel = GetNextSelItem(-1);
    NotifySelection(old, changed);
    return true;
}

void CListUI::UnSelectAllItems()
{
    CDispatchScope scope(m_manager);
    const int old = m_curSel;
    bool changed = ClearSelection();
    m_curSel = -1;
    NotifySelection(old, changed);
}

int CListUI::GetSelCount() const
{
    int n = 0;
    for (int i = 0; i < GetCount(); ++i) {
        IListItemUI* item = GetListItem(i);
        n += item && item->IsSelected();
    }
    return n;
}

std::vector<int> CListUI::GetSelectedItems() const
{
    std::vector<int> out;
    for (int i = GetNextSelItem(-1); i >= 0; i = GetNextSelItem(i)) out.push_back(i);
    return out;
}

void CListUI::ItemPressed(int index, WORD keyState)
{
    if (!GetListItem(index)) return;
    CDispatchScope scope(m_manager);
    if (m_multiSelect && (keyState & MK_CONTROL)) {
        IListItemUI* item = GetListItem(index);
        if (item->IsSelected() && GetSelCount() > 1) UnSelectItem(index);
        else SelectMultiItem(index, true);
        return;
    }
    if (m_multiSelect && (keyState & MK_SHIFT) && m_curSel >= 0) {
        const int old = m_curSel;
        const int lo = std::min(old, index), hi = std::max(old, index);
        ClearSelection();
        for (int i = lo; i <= hi; ++i)
            if (IListItemUI* item = GetListItem(i)) item->Select(true);
        m_curSel = index;
        EnsureVisible(index);
        NotifySelection(old, true);
        return;
    }
    SelectItem(index, true);
}

int CListUI::GetScrollPos() const { return m_scroll ? m_scroll->GetScrollPos() : 0; }
void CListUI::SetScrollPos(int pos) { if (m_scroll) m_scroll->SetScrollPos(pos); }
void CListUI::LineUp() { if (m_scroll) m_scroll->LineUp(); }
void CListUI::LineDown() { if (m_scroll) m_scroll->LineDown(); }

int CListUI::RowHeight(CControlUI* row, int width)
{
    if (row->GetFixedHeight() > 0) return row->GetFixedHeight();
    SIZE s;
    s.cx = width;
    s.cy = 0;
    int cy = row->EstimateSize(s).cy;
    return cy > 0 ? cy : m_defaultRowHeight;
}

void CListUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    CVerticalLayoutUI::SetManager(manager, parent, init);
    m_scroll->SetManager(manager, this, false);
}

void CListUI::SetPos(RECT rc, bool needInvalidate)
{
    if (KeepsLayout(rc)) {
        if (needInvalidate) Invalidate();
        return;
    }
    CControlUI::SetPos(rc, needInvalidate);
    m_childLayoutPending = false;
    const RECT content = ContentRect();
    const int viewHeight = std::max(0, static_cast<int>(content.bottom - content.top));
    int width = content.right - content.left;
    // Rows of a fixed height (all of a long list, as a rule) are summed once:
    // the scroll bar's width changes nothing for them.
    bool widthMatters = false;
    auto total = [&](int w) {
        int sum = 0;
        bool first = true;
        for (CControlUI* c : m_items) {
            if (!c->IsVisible() || c->IsFloat()) continue;
            RECT p = c->GetPadding();
            widthMatters |= c->GetFixedHeight() <= 0;
            sum += (first ? 0 : m_childPadding) + p.top + RowHeight(c, w - p.left - p.right) + p.bottom;
            first = false;
        }
        return sum;
    };
    int needed = total(width);
    const bool scrolling = needed > viewHeight;
    if (scrolling) {
        width = std::max(0, width - m_scrollWidth);
        if (widthMatters) needed = total(width);
    }
    m_scroll->SetVisible(scrolling);
    m_scroll->SetLineSize(m_defaultRowHeight);
    m_scroll->SetPageSize(std::max(1, viewHeight));
    m_scroll->SetOnScroll(nullptr);
    m_scroll->SetScrollRange(scrolling ? needed - viewHeight : 0);
    m_scroll->SetOnScroll([this](int) {
        m_updateNeeded = true;  // the rows move
        SetPos(m_rcItem, false);
        Invalidate();
    });
    m_scroll->SetPos(MakeRect(content.right - m_scrollWidth, content.top, content.right, content.bottom), false);

    int y = content.top - m_scroll->GetScrollPos();
    bool first = true;
    for (CControlUI* c : m_items) {
        if (!IsFlowChild(c)) continue;
        RECT p = c->GetPadding();
        if (!first) y += m_childPadding;
        first = false;
        int h = RowHeight(c, width - p.left - p.right);
        y += p.top;
        const RECT place = MakeRect(content.left + p.left, y, content.left + width - p.right, y + h);
        // Rows out of view are laid out when they come into it: a list of
        // thousands lays out the few it shows.
        if (place.bottom <= content.top || place.top >= content.bottom) c->SetPosOutOfView(place);
        else c->SetPos(place, false);
        y += h + p.bottom;
    }
}

void CListUI::EnsureVisible(int index)
{
    CControlUI* row = GetItemAt(index);
    if (!row || !m_scroll->IsVisible()) return;
    const RECT content = ContentRect();
    RECT pos = row->GetPos();
    if (pos.top < content.top) SetScrollPos(GetScrollPos() - (content.top - pos.top));
    else if (pos.bottom > content.bottom) SetScrollPos(GetScrollPos() + (pos.bottom - content.bottom));
}

int CListUI::HitTestRow(POINT pt) const
{
    RECT content = ContentRect();
    if (m_scroll->IsVisible()) content.right -= m_scrollWidth;
    if (!PtInRect(content, pt)) return -1;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* c = m_items[static_cast<size_t>(i)];
        if (c->IsVisible() && AsListItem(c) && PtInRect(c->GetPos(), pt)) return i;
    }
    return -1;
}

void CListUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    switch (event.Type) {
    case UIEVENT_SCROLLWHEEL:
        if (m_scroll->IsVisible()) {
            if (LOWORD(event.wParam) == SB_LINEUP) LineUp();
            else LineDown();
            return;
        }
        break;
    case UIEVENT_KEYDOWN: {
        const int count = GetCount();
        if (count == 0) break;
        switch (event.chKey) {
        case VK_UP: SelectItem(std::max(0, m_curSel - 1), true); return;
        case VK_DOWN: SelectItem(std::min(count - 1, m_curSel + 1), true); return;
        case VK_HOME: SelectItem(0, true); return;
        case VK_END: SelectItem(count - 1, true); return;
        case 'A':
            if (m_multiSelect && GetKeyState(static_cast<int>(VK_CONTROL)) < 0) {
                SelectAllItems();
                return;
            }
            break;
        default: break;
        }
        break;
    }
    default:
        break;
    }
    CVerticalLayoutUI::DoEvent(event);
}

void CListUI::DoPaint(QPainter& painter, const RECT& rcPaint)
{
    CVerticalLayoutUI::DoPaint(painter, rcPaint);
    if (m_scroll->IsVisible()) m_scroll->DoPaint(painter, rcPaint);
}

CControlUI* CListUI::FindControl(FINDCONTROLPROC proc, void* data, UINT flags)
{
    if ((flags & UIFIND_HITTEST) && m_scroll->IsVisible() && IsVisible() &&
        PtInRect(m_scroll->GetPos(), *static_cast<POINT*>(data)))
        return m_scroll->FindControl(proc, data, flags);
    return CVerticalLayoutUI::FindControl(proc, data, flags);
}

void CListUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (SetListInfoAttribute(m_info, name, value)) return;
    if (name == L"multiselect") SetMultiSelect(ParseBool(value));
    else if (name == L"itemheight") m_defaultRowHeight = CPaintManagerUI::Scale(ToInt(value));
    else if (name == L"scrollwidth") m_scrollWidth = CPaintManagerUI::Scale(ToInt(value));
    else if (name == L"vscrollbar") {
        // Scrolling follows the content; the attribute is accepted for skins.
    } else CVerticalLayoutUI::SetAttribute(name, value);
}
