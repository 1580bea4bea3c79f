#include "PropListItemUI.h"

#include "PropComboValueUI.h"
#include "platform/text.h"

#include <cwctype>

namespace {

CControlUI* FindByName(CControlUI* control, void* data)
{
    return control->GetName() == *static_cast<const std::wstring*>(data) ? control : nullptr;
}

template <class T>
T* FindSub(CControlUI* root, const wchar_t* name)
{
    std::wstring key = name;
    CControlUI* found = root->FindControl(FindByName, &key, UIFIND_ALL);
    return found ? dynamic_cast<T*>(found) : nullptr;
}

// Leading blanks, a sign and the digits that follow, as C's wtoi reads them.
int LeadingInt(const std::wstring& text)
{
    size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long long n = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        n = n * 10 + (text[i] - L'0');
        if (n > 0x7FFFFFFFLL) return negative ? -0x7FFFFFFF - 1 : 0x7FFFFFFF;
    }
    return static_cast<int>(negative ? -n : n);
}

bool IsBlank(const std::wstring& text)
{
    for (wchar_t c : text)
        if (!std::iswspace(static_cast<wint_t>(c))) return false;
    return true;
}

}  // namespace

CPropListItemUI::CPropListItemUI(CPaintManagerUI* manager) : m_pManager(manager) {}

std::wstring CPropListItemUI::GetClass() const { return L"PropListItemUI"; }

void* CPropListItemUI::GetInterface(const std::wstring& name)
{
    if (name == L"PropListItem") return this;
    return CListContainerElementUI::GetInterface(name);
}

void CPropListItemUI::SetVisible(bool visible)
{
    m_shown = visible;
    CListContainerElementUI::SetVisible(visible);
}

void CPropListItemUI::DoInit()
{
    if (!m_pManager) m_pManager = GetManager();
    m_nameLabel = FindSub<CLabelUI>(this, L"ID_PROP_NAME");
    m_checkBoxLabel = FindSub<CLabelUI>(this, L"ID_PROP_CHECKBOX_LABEL");
    m_textValue = FindSub<CEditUI>(this, L"ID_PROP_TEXT_VALUE");
    m_rangeFrom = FindSub<CEditUI>(this, L"ID_PROP_TEXT_VALUE_FROM");
    m_rangeTo = FindSub<CEditUI>(this, L"ID_PROP_TEXT_VALUE_TO");
    m_timeValue = FindSub<CTimeEditUI>(this, L"ID_PROP_TIME_VALUE");
    m_combo = FindSub<CComboUI>(this, L"ID_PROP_COMBO_VALUE");
    m_comboButton = FindSub<CControlUI>(this, L"ID_PROP_COMBO_BTN");
    m_textButton = FindSub<CControlUI>(this, L"ID_PROP_TEXT_BTN");
    m_checkBox = FindSub<COptionUI>(this, L"ID_PROP_CHECKBOX_VALUE");

    const CDelegate notify = MakeDelegate(this, &CPropListItemUI::OnSubNotify);
    for (CControlUI* c : {static_cast<CControlUI*>(m_combo), static_cast<CControlUI*>(m_nameLabel),
                          static_cast<CControlUI*>(m_checkBoxLabel), static_cast<CControlUI*>(m_checkBox)})
        if (c) c->OnNotify += notify;
    const CDelegate event = MakeDelegate(this, &CPropListItemUI::OnSubEvent);
    for (CControlUI* c : {static_cast<CControlUI*>(m_textValue), static_cast<CControlUI*>(m_rangeFrom),
                          static_cast<CControlUI*>(m_rangeTo), static_cast<CControlUI*>(m_timeValue), m_comboButton,
                          m_textButton})
        if (c) c->OnEvent += event;
}

void CPropListItemUI::Send(const wchar_t* type, WPARAM wParam, LPARAM lParam)
{
    CPaintManagerUI* manager = m_pManager ? m_pManager : GetManager();
    if (manager) manager->SendNotify(this, type, wParam, lParam);
}

bool CPropListItemUI::OnSubEvent(void* param)
{
    DoEvent(*static_cast<TEventUI*>(param));
    return true;  // the sub-control goes on with its own handling
}

bool CPropListItemUI::OnSubNotify(void* param)
{
    auto* msg = static_cast<TNotifyUI*>(param);
    if (msg->pSender == m_combo && msg->sType == DUI_MSGTYPE_ITEMSELECT) {
        const int index = static_cast<int>(msg->wParam);
        const int old = static_cast<int>(msg->lParam);
        // A first selection (from none) is the row being filled, not a change.
        if (old >= 0 && index >= 0) Send(L"prop_combo_changed", static_cast<WPARAM>(index));
    } else if (msg->pSender == m_checkBox && msg->sType == DUI_MSGTYPE_SELECTCHANGED) {
        Send(L"prop_checked", m_checkBox->IsSelected() ? 1 : 0);
    }
    return true;
}

void CPropListItemUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_SETCURSOR) return;
    if (event.pSender && event.pSender != this) {
        CControlUI* sender = event.pSender;
        switch (event.Type) {
        case UIEVENT_KILLFOCUS:
            if (sender == m_rangeFrom || sender == m_rangeTo) {
                if (CheckRange()) Send(L"prop_killfocus");
            } else if (sender == m_textValue) {
                if (CheckText()) Send(L"prop_killfocus");
            } else if (sender == m_timeValue) {
                Send(L"prop_killfocus");
            }
            break;
        case UIEVENT_SETFOCUS:
            if (sender == m_timeValue || sender == m_comboButton)
                if (IListOwnerUI* owner = GetOwner()) owner->SelectItem(GetIndex());
            break;
        case UIEVENT_BUTTONDOWN:
            if (sender == m_comboButton && m_comboButton->IsEnabled()) Send(L"prop_custom_show");
            else if (sender == m_textButton && m_textButton->IsEnabled()) Send(L"prop_textbtn");
            break;
        default:
            break;
        }
        return;
    }
    CListContainerElementUI::DoEvent(event);
}

bool CPropListItemUI::CheckRange()
{
    if (!m_rangeFrom || !m_rangeTo) return true;
    const int from = LeadingInt(m_rangeFrom->GetText());
    const int to = LeadingInt(m_rangeTo->GetText());
    if (from != 0 && to != 0 && from >= m_rangeMin && to <= m_rangeMax && to >= from) return true;
    SetRangeFrom(m_rangeMin);
    SetRangeTo(m_rangeMax);
    return false;
}

bool CPropListItemUI::CheckText()
{
    if (!m_textValue) return true;
    if (!IsBlank(m_textValue->GetText())) return true;
    m_textValue->SetText(m_savedText);
    return false;
}

void CPropListItemUI::SetValueText(const std::wstring& text)
{
    m_savedText = text;
    if (m_textValue) m_textValue->SetText(text);
}

std::wstring CPropListItemUI::GetValueText() const { return m_textValue ? m_textValue->GetText() : std::wstring(); }

void CPropListItemUI::SetValueToolTip(const std::wstring& text)
{
    if (m_textValue) m_textValue->SetToolTip(text);
}

std::wstring CPropListItemUI::GetNameText() const { return m_nameLabel ? m_nameLabel->GetText() : std::wstring(); }

void CPropListItemUI::SetNameText(const std::wstring& text)
{
    if (m_nameLabel) m_nameLabel->SetText(text);
}

void CPropListItemUI::SetCheckBoxText(const std::wstring& text)
{
    if (m_checkBoxLabel) m_checkBoxLabel->SetText(text);
}

std::wstring CPropListItemUI::GetComboText() const { return m_combo ? m_combo->GetText() : std::wstring(); }

void CPropListItemUI::SetValueEnabled(bool enabled)
{
    for (CControlUI* c : {static_cast<CControlUI*>(m_textValue), static_cast<CControlUI*>(m_timeValue),
                          static_cast<CControlUI*>(m_combo), m_comboButton, static_cast<CControlUI*>(m_checkBox),
                          static_cast<CControlUI*>(m_checkBoxLabel)})
        if (c) c->SetEnabled(enabled);
}

void CPropListItemUI::SetTextButtonEnabled(bool enabled)
{
    if (m_textButton) m_textButton->SetEnabled(enabled);
}

int CPropListItemUI::GetCurSel() const { return m_combo ? m_combo->GetCurSel() : -1; }

int CPropListItemUI::GetValueCount() const { return m_combo ? m_combo->GetCount() : 0; }

std::wstring CPropListItemUI::GetEntryText(int index) const
{
    CControlUI* entry = m_combo ? m_combo->GetItemAt(index) : nullptr;
    return entry ? entry->GetText() : std::wstring();
}

bool CPropListItemUI::SelectIndex(int index) { return m_combo && m_combo->SelectItem(index, false, true); }

int CPropListItemUI::FindValue(const std::wstring& text) const
{
    for (int i = 0; i < GetValueCount(); ++i)
        if (GetEntryText(i) == text) return i;
    return -1;
}

bool CPropListItemUI::SelectValue(const std::wstring& text)
{
    const int index = FindValue(text);
    return index >= 0 && SelectIndex(index);
}

void CPropListItemUI::ClearValues()
{
    if (m_combo) m_combo->RemoveAll();
}

int CPropListItemUI::AddValue(const std::wstring& text, bool removable)
{
    if (!m_combo) return -1;
    CControlUI* entry = nullptr;
    if (removable) {
        entry = new CPropComboValueUI(m_pManager, this, text);
    } else {
        auto* label = new CListLabelElementUI;
        label->SetText(text);
        label->SetFixedHeight(CPaintManagerUI::Scale(25));
        entry = label;
    }
    if (!m_combo->Add(entry)) {
        delete entry;
        return -1;
    }
    return m_combo->GetCount() - 1;
}

int CPropListItemUI::AddUserValue(const std::wstring& text)
{
    if (!m_combo) return -1;
    const int existing = FindValue(text);
    if (existing >= 0) {
        SelectIndex(existing);
        return existing;
    }
    const int index = AddValue(text, true);
    Send(L"prop_custom_add", static_cast<WPARAM>(index));
    return index;
}

int CPropListItemUI::ReplaceWithUserValue(const std::wstring& text)
{
    if (!m_combo) return -1;
    const int existing = FindValue(text);
    const bool wasSelected = existing >= 0 && existing == m_combo->GetCurSel();
    if (existing >= 0) m_combo->RemoveAt(existing);
    const int index = AddValue(text, true);
    if (wasSelected && index >= 0) m_combo->SelectItem(index, false, false);
    return index;
}

bool CPropListItemUI::RemoveValueAt(int index) { return m_combo && m_combo->RemoveAt(index); }

void CPropListItemUI::SetTicked(bool ticked)
{
    if (m_checkBox) m_checkBox->Selected(ticked, false);  // the editor sets it: no "prop_checked"
}

bool CPropListItemUI::IsTicked() const { return m_checkBox && m_checkBox->IsSelected(); }

void CPropListItemUI::SetTime(int ms)
{
    if (m_timeValue) m_timeValue->SetValue(ms);
}

int CPropListItemUI::GetTime() const { return m_timeValue ? m_timeValue->GetValue() : 0; }

void CPropListItemUI::SetTimeLimit(int ms)
{
    if (m_timeValue) m_timeValue->SetTimeLimit(ms);
}

void CPropListItemUI::SetRangeLimits(int minimum, int maximum)
{
    m_rangeMin = minimum;
    m_rangeMax = maximum;
}

void CPropListItemUI::SetRangeFrom(int n)
{
    if (m_rangeFrom) m_rangeFrom->SetText(FormatW(L"%02d", n));
}

void CPropListItemUI::SetRangeTo(int n)
{
    if (m_rangeTo) m_rangeTo->SetText(FormatW(L"%02d", n));
}

int CPropListItemUI::GetRangeFrom() const { return m_rangeFrom ? LeadingInt(m_rangeFrom->GetText()) : 0; }

int CPropListItemUI::GetRangeTo() const { return m_rangeTo ? LeadingInt(m_rangeTo->GetText()) : 0; }

void CPropListItemUI::SetLimits(const std::wstring& minimum, const std::wstring& maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
}
