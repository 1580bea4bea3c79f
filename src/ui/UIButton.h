// Buttons: the push button, the option (with groups) and the check box.
#pragma once
#include "ui/UILabel.h"
#include <QRectF>

class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    UINT GetControlFlags() const override;
    // Sends "click" (visible and enabled controls only).
    bool Activate() override;
    void SetEnabled(bool enabled = true) override;

    void SetNormalImage(const std::wstring& image) { m_normalImage = image; Invalidate(); }
    void SetHotImage(const std::wstring& image) { m_hotImage = image; Invalidate(); }
    void SetPushedImage(const std::wstring& image) { m_pushedImage = image; Invalidate(); }
    void SetFocusedImage(const std::wstring& image) { m_focusedImage = image; Invalidate(); }
    void SetDisabledImage(const std::wstring& image) { m_disabledImage = image; Invalidate(); }
    UINT GetButtonState() const { return m_buttonState; }
    bool HasImage() const { return !m_normalImage.empty(); }
    const std::wstring& GetNormalImage() const { return m_normalImage.Get(); }

    void DoEvent(TEventUI& event) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintText(QPainter& painter) override;
    void PaintStatusImage(QPainter& painter) override;

protected:
    UINT m_buttonState = 0;
    DWORD m_hotTextColor = 0;
    DWORD m_pushedTextColor = 0;
    DWORD m_focusedTextColor = 0;
    DWORD m_hotBkColor = 0;
    CSharedText m_normalImage;
    CSharedText m_hotImage;
    CSharedText m_pushedImage;
    CSharedText m_focusedImage;
    CSharedText m_disabledImage;
};

// A button with a selected state. Options of one group select exclusively.
// A click sends "click" first; then the state flips and "selectchanged"
// follows. A grouped option whose skin gives it neither picture nor selected
// background draws a radio circle (with its dot when selected) at its left
// edge, with the text beside it.
class COptionUI : public CButtonUI {
public:
    ~COptionUI() override;
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    bool Activate() override;

    const std::wstring& GetGroup() const { return m_group.Get(); }
    void SetGroup(const std::wstring& group);
    bool IsSelected() const { return m_selected; }
    virtual void Selected(bool selected, bool triggerEvent = true);

    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintStatusImage(QPainter& painter) override;
    void PaintText(QPainter& painter) override;
    SIZE EstimateSize(SIZE available) override;

    // Width and gap of a drawn box or circle, and whether this option draws
    // one (then its text starts right of it).
    static constexpr int kBoxSize = 14;
    static constexpr int kBoxGap = 6;
    virtual bool DrawsOwnMark() const;

protected:
    // The mark's square at the left edge, centred vertically.
    QRectF MarkRect() const;
    // The text beside the drawn mark.
    void PaintTextBesideMark(QPainter& painter);

    bool m_selected = false;
    CSharedText m_group;
    CSharedText m_selectedImage;
    CSharedText m_selectedHotImage;
    DWORD m_selectedTextColor = 0;
    DWORD m_selectedBkColor = 0;
};

// A check box whose skin names no picture draws its own box and tick at
// its left edge, with the text beside it.
class CCheckBoxUI : public COptionUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    void SetCheck(bool check, bool triggerEvent = true) { Selected(check, triggerEvent); }
    bool GetCheck() const { return IsSelected(); }
    void PaintStatusImage(QPainter& painter) override;
    bool DrawsOwnMark() const override { return DrawsOwnBox(); }
    bool DrawsOwnBox() const { return m_normalImage.empty() && m_selectedImage.empty(); }
};
