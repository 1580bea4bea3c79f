#include "PropComboValueUI.h"

#include "PropListItemUI.h"

CPropComboValueUI::CPropComboValueUI(CPaintManagerUI* manager, CPropListItemUI* row, const std::wstring& text)
    : m_pManager(manager), m_row(row)
{
    SetFixedHeight(CPaintManagerUI::Scale(25));
    auto* layout = new CHorizontalLayoutUI;
    layout->SetMouseEnabled(false);
    m_label = new CLabelUI;
    m_label->SetText(text);
    m_label->SetAttribute(L"textcolor", L"#FF111111");
    m_label->SetAttribute(L"textpadding", L"6,0,0,0");
    m_label->SetMouseEnabled(false);
    m_removeButton = new CButtonUI;
    m_removeButton->SetAttribute(L"width", L"18");
    m_removeButton->SetAttribute(L"normalimage", L"media_list\\remove.png");
    m_removeButton->SetAttribute(L"padding", L"0,5,0,4");
    m_removeButton->SetToolTip(L"Remove");
    m_removeButton->OnEvent += MakeDelegate(this, &CPropComboValueUI::OnButtonEvent);
    layout->Add(m_label);
    layout->Add(m_removeButton);
    Add(layout);
}

std::wstring CPropComboValueUI::GetClass() const { return L"PropComboValueUI"; }

void* CPropComboValueUI::GetInterface(const std::wstring& name)
{
    if (name == L"PropComboValue") return this;
    return CListContainerElementUI::GetInterface(name);
}

std::wstring CPropComboValueUI::GetText() const { return m_label ? m_label->GetText() : std::wstring(); }

bool CPropComboValueUI::OnButtonEvent(void* param)
{
    auto* event = static_cast<TEventUI*>(param);
    if (event->Type != UIEVENT_BUTTONDOWN) return true;
    if (!m_removeButton->IsEnabled()) return true;
    RemovePressed();
    return false;  // the button's own handling is over: the entry is on its way out
}

void CPropComboValueUI::RemovePressed()
{
    // The editor takes the entry out while this runs: the scope keeps it
    // (and its button) alive until the event is over.
    CDispatchScope scope(m_pManager);
    const int index = GetIndex();
    if (IListOwnerUI* owner = GetOwner(); owner && owner->GetCurSel() == index) {
        const int above = index > 0 ? index - 1 : -1;
        if (above >= 0) owner->SelectItem(above);
    }
    if (m_pManager && m_row) m_pManager->SendNotify(m_row, L"prop_custom_del", static_cast<WPARAM>(index), 0);
}

void CPropComboValueUI::DoEvent(TEventUI& event)
{
    if (event.pSender == m_removeButton && event.Type == UIEVENT_BUTTONDOWN) {
        if (m_removeButton->IsEnabled()) RemovePressed();
        return;
    }
    CListContainerElementUI::DoEvent(event);
}

void CPropComboValueUI::DoPaint(QPainter& painter, const RECT& rcPaint)
{
    // The label draws in the colours the list gives its plain entries.
    if (IListOwnerUI* owner = GetOwner(); owner && m_label) {
        const TListInfoUI* info = owner->GetListInfo();
        DWORD colour = info->textColor;
        if (!IsEnabled() && info->disabledTextColor) colour = info->disabledTextColor;
        else if (IsSelected() && info->selectedTextColor) colour = info->selectedTextColor;
        else if (IsHot() && info->hotTextColor) colour = info->hotTextColor;
        // Only real changes: a setter repaints.
        if (colour && colour != m_label->GetTextColor()) m_label->SetTextColor(colour);
        if (info->font >= 0 && info->font != m_label->GetFont()) m_label->SetFont(info->font);
    }
    CListContainerElementUI::DoPaint(painter, rcPaint);
}
