// Progress bar and slider.
#pragma once
#include "ui/UILabel.h"

class CProgressUI : public CLabelUI {
public:
    CProgressUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    void SetHorizontal(bool horizontal = true) { m_horizontal = horizontal; Invalidate(); }
    int GetMinValue() const { return m_min; }
    void SetMinValue(int min);
    int GetMaxValue() const { return m_max; }
    void SetMaxValue(int max);
    int GetValue() const { return m_value; }
    // Clamped to the range.
    void SetValue(int value);
    void SetForeImage(const std::wstring& image) { m_foreImage = image; Invalidate(); }

    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    // Without a fore colour or image the bar draws its own track and fill.
    void PaintStatusImage(QPainter& painter) override;
    void PaintText(QPainter& painter) override;

protected:
    // The filled part of the bar.
    RECT FilledRect() const;
    bool DrawsOwnBar() const { return !m_foreColor && m_foreImage.empty(); }
    // Text on the bar: light over the fill, the text colour beside it;
    // `marks` is DT_HIDEPREFIX for a skin text.
    void DrawBarText(QPainter& painter, const std::wstring& text, UINT marks = 0);

    bool m_horizontal = true;
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    CSharedText m_foreImage;
    DWORD m_foreColor = 0;
};

// A progress bar the user drags: "valuechanging" while dragging,
// "valuechanged" when released or moved by the wheel.
class CSliderUI : public CProgressUI {
public:
    CSliderUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    UINT GetControlFlags() const override;
    void SetEnabled(bool enabled = true) override;

    void SetChangeStep(int step) { m_step = step; }
    void SetThumbSize(SIZE size) { m_thumbSize = size; }
    RECT GetThumbRect() const;
    // The thumb is held by the mouse.
    bool IsDragging() const { return (m_buttonState & UISTATE_CAPTURED) != 0; }

    void DoEvent(TEventUI& event) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintStatusImage(QPainter& painter) override;

private:
    int ValueAt(POINT pt) const;

    SIZE m_thumbSize;
    int m_step = 1;
    UINT m_buttonState = 0;
    std::wstring m_thumbImage;
    std::wstring m_thumbHotImage;
    std::wstring m_thumbPushedImage;
    DWORD m_thumbColor = 0;
};
