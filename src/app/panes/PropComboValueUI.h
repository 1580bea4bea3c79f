// A list entry of a parameter row's combo that the user added himself: a
// label and a "Remove" button. Pressing the button moves the combo's
// selection off the entry (when it was selected) and sends "prop_custom_del"
// (sender = the owning row, wParam = the entry's index); the row's editor then
// takes the entry out, and it is destroyed once its own event has finished.
#pragma once
#include "ui/UILib.h"

class CPropListItemUI;

class CPropComboValueUI : public CListContainerElementUI {
public:
    CPropComboValueUI(CPaintManagerUI* manager, CPropListItemUI* row, const std::wstring& text);

    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    // The label's text ("" without a label).
    std::wstring GetText() const override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(QPainter& painter, const RECT& rcPaint) override;

    CButtonUI* GetRemoveButton() const { return m_removeButton; }

private:
    bool OnButtonEvent(void* param);
    void RemovePressed();

    CLabelUI* m_label = nullptr;
    CButtonUI* m_removeButton = nullptr;
    CPaintManagerUI* m_pManager;
    CPropListItemUI* m_row;
};
