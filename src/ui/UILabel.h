// Text controls: the single-line label and the multi-line text.
#pragma once
#include "ui/UIControl.h"

class CLabelUI : public CControlUI {
public:
    CLabelUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    UINT GetTextStyle() const { return m_textStyle; }
    void SetTextStyle(UINT style);
    // A label that sizes itself to its text asks for a new layout.
    void SetText(const std::wstring& text) override;
    DWORD GetTextColor() const { return m_textColor; }
    void SetTextColor(DWORD argb);
    void SetDisabledTextColor(DWORD argb);
    int GetFont() const { return m_font; }
    void SetFont(int index);
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetTextPadding(const RECT& rc);

    SIZE EstimateSize(SIZE available) override;
    // Its tooltip, else the whole text when the label shows it cut short.
    std::wstring GetHoverTip() const override;
    // True when the text does not fit the text rectangle on one line.
    bool IsTextCut() const;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintText(QPainter& painter) override;

protected:
    // Text rectangle: the item less the text padding.
    RECT TextRect() const;
    // Colour to draw with: own, else the manager's default (or disabled) colour.
    DWORD EffectiveTextColor(DWORD own) const;

    UINT m_textStyle;
    DWORD m_textColor = 0;
    DWORD m_disabledTextColor = 0;
    int m_font = -1;
    RECT m_rcTextPadding;
    bool m_autoCalcWidth = false;
};

class CTextUI : public CLabelUI {
public:
    CTextUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
};
