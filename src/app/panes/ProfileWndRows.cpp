#include "ProfileWndRows.h"

#include "ui/UIManager.h"
#include "ui/UIRender.h"

#include <algorithm>

namespace {

template <class T>
T* FindChild(CControlUI* row, const wchar_t* name, const wchar_t* face)
{
    CPaintManagerUI* manager = row->GetManager();
    CControlUI* control = manager ? manager->FindSubControlByName(row, name) : nullptr;
    return control ? static_cast<T*>(control->GetInterface(face)) : nullptr;
}

}  // namespace

// ---- what every row does

CProfileRowUI::~CProfileRowUI()
{
    if (m_watched) m_watched->OnNotify -= MakeDelegate(this, &CProfileRowUI::OnOptionNotify);
}

void* CProfileRowUI::GetInterface(const std::wstring& name)
{
    if (name == m_interfaceName) return this;
    return CListContainerElementUI::GetInterface(name);
}

SIZE CProfileRowUI::EstimateSize(SIZE available)
{
    SIZE size = CListContainerElementUI::EstimateSize(available);
    CLabelUI* name = NameLabel();
    if (!name || available.cx <= 0) return size;
    // The name's width: the row's, less its inset and what its other children take.
    const RECT inset = GetInset();
    int width = available.cx - inset.left - inset.right;
    int shown = 0;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        ++shown;
        const RECT padding = child->GetPadding();
        width -= padding.left + padding.right + (child == name ? 0 : child->GetFixedWidth());
    }
    width -= std::max(0, shown - 1) * GetChildPadding();
    const RECT pad = name->GetTextPadding();
    const SIZE text = CRenderEngine::MeasureText(GetManager(), name->GetText(), name->GetFont(),
                                                 name->GetTextStyle() | name->TextMarks(), width - pad.left - pad.right);
    size.cy = ClampSize(std::max<int>(size.cy, text.cy + pad.top + pad.bottom + inset.top + inset.bottom + 4), true);
    return size;
}

void CProfileRowUI::Report(const wchar_t* type, WPARAM wParam, LPARAM lParam)
{
    if (m_chooserManager) m_chooserManager->SendNotify(this, type, wParam, lParam);
}

void CProfileRowUI::WatchOption(COptionUI* option)
{
    m_watched = option;
    if (m_watched) m_watched->OnNotify += MakeDelegate(this, &CProfileRowUI::OnOptionNotify);
}

bool CProfileRowUI::OnOptionNotify(void* param)
{
    auto* msg = static_cast<TNotifyUI*>(param);
    if (msg->pSender == m_watched && msg->sType == DUI_MSGTYPE_SELECTCHANGED) OnOptionChanged(m_watched);
    return true;
}

// ---- category row

void CProfileCategoryItemUI::DoInit()
{
    if (m_button) return;
    m_button = FindChild<COptionUI>(this, L"ID_BTN_CATEGORY", L"Option");
    WatchOption(m_button);
}

void CProfileCategoryItemUI::OnOptionChanged(COptionUI* option)
{
    // Only a selection counts; the option losing its selection is not a choice.
    if (option->IsSelected()) Report(kNotifyCategoryChanged);
}

// ---- group row

void CProfileGroupItemUI::DoInit()
{
    if (m_expandButton || m_name || m_icon) return;
    m_icon = FindChild<CControlUI>(this, L"ID_CTRL_GROUP_ICON", L"Control");
    m_name = FindChild<CLabelUI>(this, L"ID_LABEL_GROUP_NAME", L"Label");
    m_expandButton = FindChild<COptionUI>(this, L"ID_BTN_GROUP_EXPAND", L"Option");
    if (m_expandButton) m_expandButton->Selected(!m_expanded, false);
    WatchOption(m_expandButton);
}

void CProfileGroupItemUI::Expand(bool expand)
{
    m_expanded = expand;
    if (m_expandButton) m_expandButton->Selected(!expand, false);
}

void CProfileGroupItemUI::OnOptionChanged(COptionUI*)
{
    Report(kNotifyGroupExpand, static_cast<WPARAM>(GetIndex()), m_expanded ? 0 : 1);
}

// ---- profile row

CProfileItemUI::CProfileItemUI(CPaintManagerUI* chooserManager) : CProfileRowUI(chooserManager, L"ProfileItem")
{
    OnNotify += MakeDelegate(this, &CProfileItemUI::OnOwnNotify);
}

CProfileItemUI::~CProfileItemUI()
{
    OnNotify -= MakeDelegate(this, &CProfileItemUI::OnOwnNotify);
}

void CProfileItemUI::DoInit()
{
    if (!m_label) m_label = FindChild<CLabelUI>(this, L"ID_LABEL_PROFILE", L"Label");
}

bool CProfileItemUI::OnOwnNotify(void* param)
{
    auto* msg = static_cast<TNotifyUI*>(param);
    if (msg->pSender == this && msg->sType == DUI_MSGTYPE_ITEMCLICK) Report(kNotifyProfileChanged);
    return true;
}
