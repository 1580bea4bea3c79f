#include "ui/UICircularProgress.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "platform/text.h"
#include <QImage>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

CCircularProgressUI::CCircularProgressUI()
{
    m_angleStep = 360.0 / m_tickCount;
    m_alphaStep = (255 - m_minAlpha) / m_tickCount;
}

void CCircularProgressUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"tickcolor") {
        std::wstring v = value;
        if (!v.empty() && v[0] == L'#') v.erase(0, 1);
        SetTickColor(static_cast<DWORD>(std::wcstoul(v.c_str(), nullptr, 16)));
    } else if (name == L"transparent") {
        SetTransparent(CompareNoCaseW(value, L"true") == 0);
    } else if (name == L"interval") {
        const long ms = std::wcstol(value.c_str(), nullptr, 10);
        if (ms >= 10) m_interval = static_cast<UINT>(ms);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

int CCircularProgressUI::NextAlpha(int alpha) const
{
    alpha -= m_alphaStep;
    if (alpha < m_minAlpha) alpha = 255 - m_alphaStep;
    return alpha;
}

int CCircularProgressUI::TickAlpha(int index) const
{
    int a = m_alpha;
    for (int i = 0; i < index; ++i) a = NextAlpha(a);
    return a;
}

void CCircularProgressUI::Step()
{
    m_alpha = NextAlpha(m_alpha);
    Invalidate();
}

void CCircularProgressUI::CalcTicks()
{
    const int width = GetWidth();
    const int height = GetHeight();
    if (width <= 0 || height <= 0) return;
    const int size = std::min(width, height);
    m_centreX = (width - m_textWidth) / 2.0;
    m_centreY = height / 2.0;
    m_penWidth = std::max(size / 15, m_minPenWidth);
    m_inner = std::max(size * m_innerFactor, m_minInner);
    m_outer = std::max(size * m_outerFactor, m_minOuter);
    m_ticks.clear();
    const double pi = std::acos(-1.0);
    double angle = 0.0;
    for (int i = 0; i < m_tickCount; ++i) {
        const double rad = angle * pi / 180.0;
        const double c = std::cos(rad), s = std::sin(rad);
        m_ticks.emplace_back(QPointF(m_centreX + m_inner * c, m_centreY + m_inner * s),
                             QPointF(m_centreX + m_outer * c, m_centreY + m_outer * s));
        angle += m_direction == 0 ? -m_angleStep : m_angleStep;
    }
}

void CCircularProgressUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    if (event.Type == UIEVENT_WINDOWSIZE) {
        CalcTicks();
    } else if (event.Type == UIEVENT_TIMER && event.wParam == kAnimationTimerId) {
        Step();
        return;
    }
    CContainerUI::DoEvent(event);
}

void CCircularProgressUI::DoPaint(QPainter& painter, const RECT& rcPaint)
{
    if (!IntersectRect(&m_rcPaint, rcPaint, m_rcItem)) return;
    if (m_ticks.empty()) CalcTicks();
    const int width = GetWidth();
    const int height = GetHeight();
    if (width <= 0 || height <= 0) return;

    // The ring is drawn off screen first, then copied in one piece.
    QImage buffer(width, height, QImage::Format_ARGB32_Premultiplied);
    const DWORD bk = m_transparent ? 0 : m_bkColor;
    buffer.fill(QColor((bk >> 16) & 0xFF, (bk >> 8) & 0xFF, bk & 0xFF, (bk >> 24) & 0xFF));
    {
        QPainter p(&buffer);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        int alpha = m_alpha;
        for (const auto& seg : m_ticks) {
            QPen pen(QColor((m_tickColor >> 16) & 0xFF, (m_tickColor >> 8) & 0xFF, m_tickColor & 0xFF, alpha));
            pen.setWidth(m_penWidth);
            pen.setCapStyle(Qt::RoundCap);
            p.setPen(pen);
            p.drawLine(seg.first, seg.second);
            alpha = NextAlpha(alpha);
        }
        if (m_textWidth > 0 && m_percent > 0) {
            const int size = std::min(width, height);
            const int left = static_cast<int>(m_centreX) + size;
            const int top = static_cast<int>(m_centreY) - 9;
            RECT rc = MakeRect(left, top, left + m_textWidth, static_cast<int>(m_centreY) + 11);
            DWORD colour = m_manager ? m_manager->GetDefaultFontColor() : 0xFF000000;
            CRenderEngine::DrawText(p, m_manager, rc, FormatW(L"%d%%", m_percent), colour, -1,
                                    DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
        }
    }
    CPaintClip clip(painter, m_rcPaint);
    painter.drawImage(QPoint(m_rcItem.left, m_rcItem.top), buffer);
}
