// A busy ring: ticks around a centre whose alpha fades from tick to tick;
// the owner turns it by a timer (id 100) and may show a percentage beside it.
#pragma once
#include "ui/UIContainer.h"
#include <QPointF>
#include <utility>
#include <vector>

class CCircularProgressUI : public CContainerUI {
public:
    static constexpr UINT kAnimationTimerId = 100;

    CCircularProgressUI();

    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(QPainter& painter, const RECT& rcPaint) override;

    // 0 counter-clockwise, 1 clockwise.
    void SetDirection(int direction) { m_direction = direction ? 1 : 0; m_ticks.clear(); }
    void SetTickColor(DWORD argb) { m_tickColor = argb; Invalidate(); }
    void SetTransparent(bool transparent) { m_transparent = transparent; Invalidate(); }
    // Width of the percentage text right of the ring (0: no text).
    void SetTextWidth(int width) { m_textWidth = width; m_ticks.clear(); Invalidate(); }
    void SetPercent(int value) { m_percent = value; Invalidate(); }
    int GetPercent() const { return m_percent; }
    // Milliseconds between two steps (attribute "interval").
    UINT GetInterval() const { return m_interval; }

    // One animation step: the alpha of the first tick moves on.
    void Step();
    // Recomputes the ticks for the control's size (nothing for an empty size).
    void CalcTicks();

    int GetCurrentAlpha() const { return m_alpha; }
    // Alpha of tick i for the current step.
    int TickAlpha(int index) const;
    int GetPenWidth() const { return m_penWidth; }
    double GetInnerRadius() const { return m_inner; }
    double GetOuterRadius() const { return m_outer; }
    // Segments in control coordinates, one per tick.
    const std::vector<std::pair<QPointF, QPointF>>& GetTicks() const { return m_ticks; }

private:
    int NextAlpha(int alpha) const;

    UINT m_interval = 80;
    int m_tickCount = 12;
    double m_angleStep = 30.0;
    int m_alpha = 255;
    int m_alphaStep = 20;
    int m_minAlpha = 15;
    int m_direction = 0;
    DWORD m_tickColor = 0xFF003399;
    int m_penWidth = 2;
    int m_minPenWidth = 2;
    double m_innerFactor = 0.175;
    double m_minInner = 4.0;
    double m_outerFactor = 0.3125;
    double m_minOuter = 8.0;
    double m_inner = 0.0;
    double m_outer = 0.0;
    bool m_transparent = false;
    int m_textWidth = 0;
    int m_percent = 0;
    double m_centreX = 0.0;
    double m_centreY = 0.0;
    std::vector<std::pair<QPointF, QPointF>> m_ticks;
};
