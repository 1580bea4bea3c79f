// Progress bars with text: the percentage with the time still to go, and
// the disc-size meter that warns when the output no longer fits.
#pragma once
#include "ui/UIProgress.h"

class CTextProgressUI : public CProgressUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    // Tick count (ms) from which the rate is measured, with the value the bar
    // has then; 0 shows no time estimate. The time left is shown once the
    // value has moved on from there.
    void SetStartTick(DWORD tick) { m_startTick = tick; m_startValue = m_value; Invalidate(); }
    DWORD GetStartTick() const { return m_startTick; }
    // Percentage of the range, 0 for an empty range.
    int GetPercent() const;
    // The text shown at tick count `now`.
    std::wstring MakeText(DWORD now) const;

    void PaintText(QPainter& painter) override;

private:
    DWORD m_startTick = 0;
    int m_startValue = 0;
};

class CSizeProgressUI : public CProgressUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    // True above 90 % of the range.
    bool IsOverLimit() const;
    // Where the warning goes, in window coordinates.
    static RECT WarningRect();

    void DoPaint(QPainter& painter, const RECT& rcPaint) override;

private:
    bool m_warned = false;
};
