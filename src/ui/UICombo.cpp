#include "ui/UICombo.h"
#include "ui/UIManager.h"
#include "ui/UIMenu.h"
#include "ui/UIRender.h"
#include <QPainter>
#include <QWidget>
#include <algorithm>

CComboUI::CComboUI()
{
    m_textPadding = MakeRect(4, 0, 16, 0);
    m_bkColor = 0xFFFFFFFF;
    m_borderColor = 0xFFB0B8C4;
    m_borderSize = 1;
}

std::wstring CComboUI::GetClass() const { return L"ComboUI"; }

void* CComboUI::GetInterface(const std::wstring& name)
{
    if (name == L"Combo") return static_cast<CComboUI*>(this);
    if (name == L"IListOwner" || name == L"ListOwner") return static_cast<IListOwnerUI*>(this);
    return CListOwnerUI::GetInterface(name);
}

std::wstring CComboUI::GetText() const
{
    CControlUI* current = GetItemAt(m_curSel);
    return current ? current->GetText() : m_text;
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool triggerEvent)
{
    CDispatchScope scope(m_manager);
    if (takeFocus) SetFocus();
    if (index == m_curSel) return true;
    IListItemUI* target = index >= 0 ? AsListItem(GetItemAt(index)) : nullptr;
    if (index >= 0 && !target) return false;
    const int old = m_curSel;
    if (IListItemUI* previous = AsListItem(GetItemAt(old))) previous->Select(false);
    m_curSel = index;
    if (target) target->Select(true);
    Invalidate();
    if (triggerEvent && m_manager)
        m_manager->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(m_curSel), static_cast<LPARAM>(old));
    return true;
}

void CComboUI::ItemPressed(int index, WORD) { SelectItem(index, false, true); }

namespace {
// Rows the drop-down list shows at once; a longer list scrolls.
constexpr int kDropRows = 16;
}  // namespace

bool CComboUI::Activate()
{
    if (!IsVisible() || !IsEnabled() || !m_manager) return false;
    CDispatchScope scope(m_manager);
    m_manager->SendNotify(this, DUI_MSGTYPE_DROPDOWN);
    // The handler may have emptied, hidden or removed the combo.
    if (!IsVisible() || !IsEnabled() || GetCount() == 0 || !m_manager) return true;
    CMenu choices;
    choices.SetVisibleRows(kDropRows);
    choices.SetListWidth(m_rcItem.right - m_rcItem.left);
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* row = GetItemAt(i);
        CMenuItem item;
        item.id = static_cast<UINT>(i + 1);
        item.text = row->GetText();
        item.marked = row->IsSkinText();
        item.enabled = row->IsEnabled() && row->IsVisible();
        item.checked = i == m_curSel;
        choices.Append(std::move(item));
    }
    POINT pt;
    pt.x = m_rcItem.left;
    pt.y = m_rcItem.bottom;
    if (QWidget* host = m_manager->GetHostWidget()) {
        QPoint g = host->mapToGlobal(QPoint(pt.x, pt.y));
        pt.x = g.x();
        pt.y = g.y();
    }
    UINT id = GetMenuRunner()->Run(choices, pt, {});
    // The rows may have changed while the list was open.
    if (IsChoosable(choices, id) && static_cast<int>(id) <= GetCount()) SelectItem(static_cast<int>(id) - 1, true, true);
    return true;
}

void CComboUI::SetPos(RECT rc, bool needInvalidate)
{
    // The rows live in the drop-down list, not in the control.
    CControlUI::SetPos(rc, needInvalidate);
}

void CComboUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled()) {
            m_pushed = true;
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_pushed) {
            m_pushed = false;
            Invalidate();
            if (PtInRect(m_rcItem, event.ptMouse)) Activate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        return;
    case UIEVENT_MOUSEENTER:
        m_hot = true;
        Invalidate();
        return;
    case UIEVENT_MOUSELEAVE:
        m_hot = false;
        Invalidate();
        return;
    case UIEVENT_KEYDOWN:
        switch (event.chKey) {
        case VK_UP: if (m_curSel > 0) SelectItem(m_curSel - 1); return;
        case VK_DOWN: if (m_curSel + 1 < GetCount()) SelectItem(m_curSel + 1); return;
        case VK_SPACE:
        case VK_RETURN: Activate(); return;
        default: break;
        }
        break;
    case UIEVENT_SCROLLWHEEL:
        if (LOWORD(event.wParam) == SB_LINEUP) {
            if (m_curSel > 0) SelectItem(m_curSel - 1);
        } else if (m_curSel + 1 < GetCount()) {
            SelectItem(m_curSel + 1);
        }
        return;
    default:
        break;
    }
    CContainerUI::DoEvent(event);
}

RECT CComboUI::TextRect() const
{
    return MakeRect(m_rcItem.left + m_textPadding.left, m_rcItem.top + m_textPadding.top,
                    m_rcItem.right - m_textPadding.right, m_rcItem.bottom - m_textPadding.bottom);
}

std::wstring CComboUI::GetHoverTip() const
{
    if (!m_toolTip.empty()) return m_toolTip;
    const std::wstring text = GetText();
    const RECT rc = TextRect();
    if (text.empty() || CRenderEngine::MeasureText(m_manager, text, m_font, DT_SINGLELINE, 0).cx <= rc.right - rc.left)
        return std::wstring();
    return text;
}

void CComboUI::DoPaint(QPainter& painter, const RECT& rcPaint)
{
    RECT rcTemp;
    if (!IntersectRect(&rcTemp, rcPaint, m_rcItem)) return;
    CPaintClip clip(painter, rcTemp);
    CControlUI::DoPaint(painter, rcPaint);
    if (m_hot && !m_hotImage.empty()) DrawImage(painter, m_hotImage);
    else if (!m_normalImage.empty()) DrawImage(painter, m_normalImage);
    const RECT rc = TextRect();
    DWORD color = m_textColor ? m_textColor : (m_manager ? m_manager->GetDefaultFontColor() : 0xFF000000);
    if (!IsEnabled() && m_manager) color = m_manager->GetDefaultDisabledColor();
    CControlUI* current = GetItemAt(m_curSel);
    CRenderEngine::DrawText(painter, m_manager, rc, GetText(), color, m_font,
                            DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | (current ? current : this)->TextMarks());
    // The drop-down arrow.
    const int cx = m_rcItem.right - 9, cy = (m_rcItem.top + m_rcItem.bottom) / 2;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(color));
    const QPointF arrow[3] = {QPointF(cx - 4, cy - 2), QPointF(cx + 4, cy - 2), QPointF(cx, cy + 3)};
    painter.drawPolygon(arrow, 3);
}

CControlUI* CComboUI::FindControl(FINDCONTROLPROC proc, void* data, UINT flags)
{
    // The rows are found by name but never under the mouse.
    if (flags & UIFIND_HITTEST) return CControlUI::FindControl(proc, data, flags);
    return CContainerUI::FindControl(proc, data, flags);
}

void CComboUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (SetListInfoAttribute(m_info, name, value)) return;
    if (name == L"font") m_font = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
    else if (name == L"textcolor") m_textColor = ParseColor(value);
    else if (name == L"textpadding") m_textPadding = CPaintManagerUI::Scale(ParseRect(value));
    else if (name == L"normalimage") m_normalImage = value;
    else if (name == L"hotimage") m_hotImage = value;
    else if (name == L"dropbox" || name == L"dropboxsize" || name == L"vscrollbar") {
        // Looks of the drop-down list; the runner draws it.
    } else CContainerUI::SetAttribute(name, value);
}
