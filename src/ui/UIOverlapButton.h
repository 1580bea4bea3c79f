// A strip of equal-width buttons drawn side by side, one of them selected
// (the page switch of the main window). A press sends "overlap_buttondown".
#pragma once
#include "ui/UIControl.h"
#include <map>

class COverlapButton : public CControlUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    bool GetTextAttribute(const std::wstring& name, std::wstring& value) const override;
    void Event(TEventUI& event) override;
    void PaintStatusImage(QPainter& painter) override;
    void PaintText(QPainter& painter) override;

    int GetButtonCount() const { return m_count; }
    void SetButtonCount(int count) { m_count = count < 0 ? 0 : count; Invalidate(); }
    int GetHotIndex() const { return m_hotIndex; }
    int GetSelectedIndex() const { return m_selectedIndex; }
    void SetSelectedIndex(int index) { m_selectedIndex = index; Invalidate(); }
    UINT GetButtonState() const { return m_buttonState; }
    // Button under a point of the window; -1 outside or without buttons.
    int ButtonAt(POINT pt) const;
    // Cell of button i.
    RECT ButtonRect(int index) const;

private:
    struct TButton {
        std::wstring image;
        std::wstring hotImage;
        std::wstring text;
        RECT textPadding;
    };

    int m_count = 0;
    std::map<int, TButton> m_buttons;
    int m_font = -1;
    int m_checkedFont = -1;
    DWORD m_textColor = 0;
    DWORD m_checkedTextColor = 0;
    int m_bannerHeight = 0;
    int m_hotIndex = -1;
    int m_selectedIndex = 0;
    UINT m_buttonState = 0;
};
