#include "ui/UIProgress.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include <QPainter>
#include <QRegion>
#include <algorithm>

CProgressUI::CProgressUI()
{
    m_textStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
}

std::wstring CProgressUI::GetClass() const { return L"ProgressUI"; }

void* CProgressUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CLabelUI>(this, name, L"Progress");
}

void CProgressUI::SetMinValue(int min)
{
    m_min = min;
    m_value = std::max(m_value, m_min);
    Invalidate();
}

void CProgressUI::SetMaxValue(int max)
{
    m_max = max;
    m_value = std::min(m_value, std::max(m_min, m_max));
    Invalidate();
}

void CProgressUI::SetValue(int value)
{
    value = std::clamp(value, m_min, std::max(m_min, m_max));
    if (value == m_value) return;
    m_value = value;
    Invalidate();
}

void CProgressUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    auto toInt = [&](const std::wstring& v) { return static_cast<int>(std::wcstol(v.c_str(), nullptr, 10)); };
    if (name == L"foreimage") SetForeImage(value);
    else if (name == L"forecolor") { m_foreColor = ParseColor(value); Invalidate(); }
    else if (name == L"hor") SetHorizontal(ParseBool(value));
    else if (name == L"min") SetMinValue(toInt(value));
    else if (name == L"max") SetMaxValue(toInt(value));
    else if (name == L"value") SetValue(toInt(value));
    else CLabelUI::SetAttribute(name, value);
}

RECT CProgressUI::FilledRect() const
{
    RECT rc = m_rcItem;
    if (m_max <= m_min) return MakeRect(rc.left, rc.top, rc.left, rc.top);
    double part = static_cast<double>(m_value - m_min) / (m_max - m_min);
    if (m_horizontal) rc.right = rc.left + static_cast<LONG>((rc.right - rc.left) * part);
    else rc.top = rc.bottom - static_cast<LONG>((rc.bottom - rc.top) * part);
    return rc;
}

void CProgressUI::PaintStatusImage(QPainter& painter)
{
    if (DrawsOwnBar()) {
        RECT clip;
        if (!IntersectRect(&clip, m_rcItem, m_rcPaint)) return;
        CPaintClip clipScope(painter, clip);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const QRectF track = QRectF(ToQRect(m_rcItem)).adjusted(0.5, 0.5, -0.5, -0.5);
        if (!m_bkColor) {
            painter.setBrush(QColor(0xE3, 0xE8, 0xEF));
            painter.drawRoundedRect(track, 3, 3);
        }
        const RECT filled = FilledRect();
        if (!IsRectEmpty(filled)) {
            painter.setBrush(IsEnabled() ? QColor(0x3A, 0x6E, 0xA5) : QColor(0xA8, 0xB4, 0xC3));
            painter.drawRoundedRect(QRectF(ToQRect(filled)).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        }
        return;
    }
    RECT filled = FilledRect();
    RECT clip;
    if (!IntersectRect(&clip, filled, m_rcPaint)) return;
    if (m_foreColor) CRenderEngine::DrawColor(painter, clip, m_foreColor);
    if (!m_foreImage.empty()) {
        CPaintClip clipScope(painter, clip);
        DrawImage(painter, m_foreImage);
    }
}

void CProgressUI::PaintText(QPainter& painter) { DrawBarText(painter, m_text, TextMarks()); }

void CProgressUI::DrawBarText(QPainter& painter, const std::wstring& text, UINT marks)
{
    if (text.empty()) return;
    const DWORD colour = EffectiveTextColor(m_textColor);
    const RECT rc = TextRect();
    if (!DrawsOwnBar()) {
        CRenderEngine::DrawText(painter, m_manager, rc, text, colour, m_font, m_textStyle | DT_SINGLELINE | marks);
        return;
    }
    const QRect fill = ToQRect(FilledRect());
    painter.save();
    QRegion beside = QRegion(ToQRect(m_rcItem)).subtracted(QRegion(fill));
    painter.setClipRegion(beside, Qt::IntersectClip);
    CRenderEngine::DrawText(painter, m_manager, rc, text, colour, m_font, m_textStyle | DT_SINGLELINE | marks);
    painter.restore();
    if (fill.isEmpty()) return;
    CPaintClip clip(painter, fill);
    CRenderEngine::DrawText(painter, m_manager, rc, text, 0xFFFFFFFF, m_font, m_textStyle | DT_SINGLELINE | marks);
}

CSliderUI::CSliderUI()
{
    m_thumbSize.cx = m_thumbSize.cy = 10;
}

std::wstring CSliderUI::GetClass() const { return L"SliderUI"; }

void* CSliderUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CProgressUI>(this, name, L"Slider");
}

UINT CSliderUI::GetControlFlags() const
{
    return IsEnabled() ? UIFLAG_SETCURSOR : 0;
}

void CSliderUI::SetEnabled(bool enabled)
{
    CProgressUI::SetEnabled(enabled);
    if (!enabled) m_buttonState = 0;
}

RECT CSliderUI::GetThumbRect() const
{
    RECT rc = m_rcItem;
    double part = m_max > m_min ? static_cast<double>(m_value - m_min) / (m_max - m_min) : 0.0;
    if (m_horizontal) {
        int left = rc.left + static_cast<int>((rc.right - rc.left - m_thumbSize.cx) * part);
        int top = (rc.bottom + rc.top - m_thumbSize.cy) / 2;
        return MakeRect(left, top, left + m_thumbSize.cx, top + m_thumbSize.cy);
    }
    int top = rc.bottom - m_thumbSize.cy - static_cast<int>((rc.bottom - rc.top - m_thumbSize.cy) * part);
    int left = (rc.right + rc.left - m_thumbSize.cx) / 2;
    return MakeRect(left, top, left + m_thumbSize.cx, top + m_thumbSize.cy);
}

int CSliderUI::ValueAt(POINT pt) const
{
    if (m_max <= m_min) return m_min;
    double part;
    if (m_horizontal) {
        int span = std::max(1L, static_cast<long>(m_rcItem.right - m_rcItem.left - m_thumbSize.cx));
        part = static_cast<double>(pt.x - m_rcItem.left - m_thumbSize.cx / 2) / span;
    } else {
        int span = std::max(1L, static_cast<long>(m_rcItem.bottom - m_rcItem.top - m_thumbSize.cy));
        part = static_cast<double>(m_rcItem.bottom - pt.y - m_thumbSize.cy / 2) / span;
    }
    part = std::clamp(part, 0.0, 1.0);
    return m_min + static_cast<int>(part * (m_max - m_min) + 0.5);
}

void CSliderUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled() && PtInRect(m_rcItem, event.ptMouse)) {
            m_buttonState |= UISTATE_CAPTURED | UISTATE_PUSHED;
            int v = ValueAt(event.ptMouse);
            if (v != m_value) {
                SetValue(v);
                if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_VALUECHANGING);
            }
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_buttonState & UISTATE_CAPTURED) {
            int v = ValueAt(event.ptMouse);
            if (v != m_value) {
                SetValue(v);
                if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_VALUECHANGING);
            }
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_buttonState & UISTATE_CAPTURED) {
            m_buttonState &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
            SetValue(ValueAt(event.ptMouse));
            Invalidate();
            if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_VALUECHANGED);
        }
        return;
    case UIEVENT_SCROLLWHEEL:
        if (IsEnabled()) {
            int before = m_value;
            SetValue(m_value + (LOWORD(event.wParam) == SB_LINEUP ? m_step : -m_step));
            if (m_value != before && m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_VALUECHANGED);
        }
        return;
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) { m_buttonState |= UISTATE_HOT; Invalidate(); }
        return;
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled()) { m_buttonState &= ~UISTATE_HOT; Invalidate(); }
        return;
    default:
        break;
    }
    CProgressUI::DoEvent(event);
}

void CSliderUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"thumbimage") m_thumbImage = value;
    else if (name == L"thumbhotimage") m_thumbHotImage = value;
    else if (name == L"thumbpushedimage") m_thumbPushedImage = value;
    else if (name == L"thumbcolor") m_thumbColor = ParseColor(value);
    else if (name == L"thumbsize") {
        SIZE s = ParseSize(value);
        s.cx = CPaintManagerUI::Scale(s.cx);
        s.cy = CPaintManagerUI::Scale(s.cy);
        SetThumbSize(s);
    } else if (name == L"step") SetChangeStep(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
    else CProgressUI::SetAttribute(name, value);
}

void CSliderUI::PaintStatusImage(QPainter& painter)
{
    CProgressUI::PaintStatusImage(painter);
    RECT thumb = GetThumbRect();
    const std::wstring* image = &m_thumbImage;
    if ((m_buttonState & UISTATE_PUSHED) && !m_thumbPushedImage.empty()) image = &m_thumbPushedImage;
    else if ((m_buttonState & UISTATE_HOT) && !m_thumbHotImage.empty()) image = &m_thumbHotImage;
    if (!image->empty()) {
        CRenderEngine::DrawImageString(painter, m_manager, thumb, m_rcPaint, *image);
    } else if (m_thumbColor) {
        RECT clip;
        if (IntersectRect(&clip, thumb, m_rcPaint)) CRenderEngine::DrawColor(painter, clip, m_thumbColor);
    }
}
