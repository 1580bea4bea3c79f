#include "ui/UIScrollBar.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include <algorithm>

CScrollBarUI::CScrollBarUI()
{
    m_bkColor = 0xFFE8ECF1;
}

std::wstring CScrollBarUI::GetClass() const { return L"ScrollBarUI"; }

void* CScrollBarUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CControlUI>(this, name, L"ScrollBar");
}

void CScrollBarUI::SetScrollRange(int range)
{
    m_range = std::max(0, range);
    if (m_pos > m_range) SetScrollPos(m_range);
    Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos)
{
    pos = std::clamp(pos, 0, m_range);
    if (pos == m_pos) return;
    m_pos = pos;
    Invalidate();
    if (m_onScroll) m_onScroll(m_pos);
}

RECT CScrollBarUI::GetThumbRect() const
{
    const int height = GetHeight();
    if (height <= 0) return m_rcItem;
    const int total = height + m_range;
    int thumb = std::max(std::min(height, 16), height * height / std::max(1, total));
    int travel = height - thumb;
    int top = m_range > 0 ? static_cast<int>(static_cast<long long>(travel) * m_pos / m_range) : 0;
    return MakeRect(m_rcItem.left, m_rcItem.top + top, m_rcItem.right, m_rcItem.top + top + thumb);
}

void CScrollBarUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK: {
        RECT thumb = GetThumbRect();
        if (PtInRect(thumb, event.ptMouse)) {
            m_dragging = true;
            m_dragStartY = event.ptMouse.y;
            m_dragStartPos = m_pos;
        } else if (event.ptMouse.y < thumb.top) {
            PageUp();
        } else {
            PageDown();
        }
        return;
    }
    case UIEVENT_MOUSEMOVE:
        if (m_dragging) {
            RECT thumb = GetThumbRect();
            int travel = GetHeight() - (thumb.bottom - thumb.top);
            if (travel > 0)
                SetScrollPos(m_dragStartPos + static_cast<int>(static_cast<long long>(event.ptMouse.y - m_dragStartY) * m_range / travel));
        }
        return;
    case UIEVENT_BUTTONUP:
        m_dragging = false;
        return;
    case UIEVENT_SCROLLWHEEL:
        if (LOWORD(event.wParam) == SB_LINEUP) LineUp();
        else LineDown();
        return;
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
        return;
    default:
        break;
    }
    CControlUI::DoEvent(event);
}

void CScrollBarUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"range") SetScrollRange(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
    else if (name == L"value") SetScrollPos(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
    else if (name == L"linesize") SetLineSize(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
    else if (name == L"thumbcolor") m_thumbColor = ParseColor(value);
    else CControlUI::SetAttribute(name, value);
}

void CScrollBarUI::PaintStatusImage(QPainter& painter)
{
    if (m_range <= 0) return;
    RECT thumb = GetThumbRect();
    thumb.left += 2;
    thumb.right -= 2;
    CRenderEngine::DrawColor(painter, thumb, m_thumbColor);
}
