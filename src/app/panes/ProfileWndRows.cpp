#include "ProfileWndRows.h"

#include "ui/UIManager.h"

namespace {

template <class T>
T* FindChild(CControlUI* row, const wchar_t* name, const wchar_t* face)
{
    CPaintManagerUI* manager = row->GetManager();
    CControlUI* control = manager ? manager->FindSubControlByName(row, name) : nullptr;
    return control ? static_cast<T*>(control->GetInterface(face)) : nullptr;
}

}  // namespace

// ---- category row

CProfileCategoryItemUI::~CProfileCategoryItemUI()
{
    if (m_button) m_button->OnNotify -= MakeDelegate(this, &CProfileCategoryItemUI::OnButtonNotify);
}

void* CProfileCategoryItemUI::GetInterface(const std::wstring& name)
{
    if (name == L"ProfileCategoryItem") return this;
    return CListContainerElementUI::GetInterface(name);
}

void CProfileCategoryItemUI::DoInit()
{
    if (m_button) return;
    m_button = FindChild<COptionUI>(this, L"ID_BTN_CATEGORY", L"Option");
    if (m_button) m_button->OnNotify += MakeDelegate(this, &CProfileCategoryItemUI::OnButtonNotify);
}

bool CProfileCategoryItemUI::OnButtonNotify(void* param)
{
    auto* msg = static_cast<TNotifyUI*>(param);
    if (msg->pSender != m_button || msg->sType != DUI_MSGTYPE_SELECTCHANGED) return true;
    // Only a selection counts; the option losing its selection is not a choice.
    if (m_button->IsSelected() && m_chooserManager) m_chooserManager->SendNotify(this, kNotifyCategoryChanged, 0, 0);
    return true;
}

// ---- group row

CProfileGroupItemUI::~CProfileGroupItemUI()
{
    if (m_expandButton) m_expandButton->OnNotify -= MakeDelegate(this, &CProfileGroupItemUI::OnButtonNotify);
}

void* CProfileGroupItemUI::GetInterface(const std::wstring& name)
{
    if (name == L"ProfileGroupItem") return this;
    return CListContainerElementUI::GetInterface(name);
}

void CProfileGroupItemUI::DoInit()
{
    if (m_expandButton || m_name || m_icon) return;
    m_icon = FindChild<CControlUI>(this, L"ID_CTRL_GROUP_ICON", L"Control");
    m_name = FindChild<CLabelUI>(this, L"ID_LABEL_GROUP_NAME", L"Label");
    m_expandButton = FindChild<COptionUI>(this, L"ID_BTN_GROUP_EXPAND", L"Option");
    if (m_expandButton) {
        m_expandButton->Selected(!m_expanded, false);
        m_expandButton->OnNotify += MakeDelegate(this, &CProfileGroupItemUI::OnButtonNotify);
    }
}

void CProfileGroupItemUI::Expand(bool expand)
{
    m_expanded = expand;
    if (m_expandButton) m_expandButton->Selected(!expand, false);
}

bool CProfileGroupItemUI::OnButtonNotify(void* param)
{
    auto* msg = static_cast<TNotifyUI*>(param);
    if (msg->pSender != m_expandButton || msg->sType != DUI_MSGTYPE_SELECTCHANGED) return true;
    if (m_chooserManager)
        m_chooserManager->SendNotify(this, kNotifyGroupExpand, static_cast<WPARAM>(GetIndex()), m_expanded ? 0 : 1);
    return true;
}

// ---- profile row

CProfileItemUI::CProfileItemUI(CPaintManagerUI* chooserManager) : m_chooserManager(chooserManager)
{
    OnNotify += MakeDelegate(this, &CProfileItemUI::OnOwnNotify);
}

CProfileItemUI::~CProfileItemUI()
{
    OnNotify -= MakeDelegate(this, &CProfileItemUI::OnOwnNotify);
}

void* CProfileItemUI::GetInterface(const std::wstring& name)
{
    if (name == L"ProfileItem") return this;
    return CListContainerElementUI::GetInterface(name);
}

void CProfileItemUI::DoInit()
{
    if (!m_label) m_label = FindChild<CLabelUI>(this, L"ID_LABEL_PROFILE", L"Label");
}

bool CProfileItemUI::OnOwnNotify(void* param)
{
    auto* msg = static_cast<TNotifyUI*>(param);
    if (msg->pSender == this && msg->sType == DUI_MSGTYPE_ITEMCLICK && m_chooserManager)
        m_chooserManager->SendNotify(this, kNotifyProfileChanged, 0, 0);
    return true;
}
