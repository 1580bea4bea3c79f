// The combo box: owns list rows (label rows or custom container rows),
// shows the current one and drops a choice list through the menu runner.
// "dropdown" goes out before the list opens; "itemselect" (wParam new
// index, lParam old) follows a change unless the caller asks for none.
#pragma once
#include "ui/UIList.h"

class CComboUI : public CListOwnerUI<CContainerUI> {
public:
    CComboUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    UINT GetControlFlags() const override { return IsEnabled() ? UIFLAG_TABSTOP : 0; }
    // Opens the drop-down list.
    bool Activate() override;

    std::wstring GetText() const override;
    // The tooltip, else the whole choice when the box shows it cut.
    std::wstring GetHoverTip() const override;
    bool SelectItem(int index, bool takeFocus = false) override { return SelectItem(index, takeFocus, true); }
    // triggerEvent false: the selection changes without a notification.
    bool SelectItem(int index, bool takeFocus, bool triggerEvent);
    void ItemPressed(int index, WORD keyState) override;

    void SetPos(RECT rc, bool needInvalidate = true) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(QPainter& painter, const RECT& rcPaint) override;
    CControlUI* FindControl(FINDCONTROLPROC proc, void* data, UINT flags) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;

private:
    RECT TextRect() const;

    bool m_pushed = false;
    bool m_hot = false;
    int m_font = -1;
    DWORD m_textColor = 0;
    RECT m_textPadding;
    CSharedText m_normalImage;
    CSharedText m_hotImage;
};
