// A vertical scroll bar: range, position, line and page steps, a thumb to
// drag. Its owner learns every change of the position.
#pragma once
#include "ui/UIControl.h"
#include <functional>

class CScrollBarUI : public CControlUI {
public:
    CScrollBarUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    int GetScrollRange() const { return m_range; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return m_pos; }
    void SetScrollPos(int pos);
    void SetLineSize(int size) { m_lineSize = size > 0 ? size : 1; }
    void SetPageSize(int size) { m_pageSize = size > 0 ? size : 1; }
    void LineUp() { SetScrollPos(m_pos - m_lineSize); }
    void LineDown() { SetScrollPos(m_pos + m_lineSize); }
    void PageUp() { SetScrollPos(m_pos - m_pageSize); }
    void PageDown() { SetScrollPos(m_pos + m_pageSize); }
    // Called with the new position after every change.
    void SetOnScroll(std::function<void(int)> onScroll) { m_onScroll = std::move(onScroll); }
    RECT GetThumbRect() const;

    void DoEvent(TEventUI& event) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintStatusImage(QPainter& painter) override;

private:
    int m_range = 0;
    int m_pos = 0;
    int m_lineSize = 8;
    int m_pageSize = 100;
    bool m_dragging = false;
    int m_dragStartY = 0;
    int m_dragStartPos = 0;
    DWORD m_thumbColor = 0xFFB0B8C4;
    std::function<void(int)> m_onScroll;
};
