#include "ProfileWndMediaItem.h"

#include "IProfile.h"
#include "ui/UIManager.h"

CMediaItemProfileWndUI::CMediaItemProfileWndUI(bool burnMode) : CProfileWndUI(-1, -1, -1, burnMode) {}

CMediaItemProfileWndUI::~CMediaItemProfileWndUI()
{
    SetOwner(nullptr);
    SetTargetRow(nullptr);
}

void CMediaItemProfileWndUI::InitWindow()
{
    CProfileWndUI::InitWindow();
    if (CControlUI* layout = m_PaintManager.FindControl(L"ID_LAYOUT_PROFILE_APPLY_TO_ALL")) layout->SetVisible(false);
}

void CMediaItemProfileWndUI::SetOwner(CControlUI* owner)
{
    if (owner == m_owner) return;
    if (m_owner) m_owner->OnDestroy -= MakeDelegate(this, &CMediaItemProfileWndUI::OnOwnerDestroyed);
    m_owner = owner;
    if (m_owner) m_owner->OnDestroy += MakeDelegate(this, &CMediaItemProfileWndUI::OnOwnerDestroyed);
}

void CMediaItemProfileWndUI::SetTargetRow(CControlUI* row)
{
    if (row == m_targetRow) return;
    if (m_targetRow) m_targetRow->OnDestroy -= MakeDelegate(this, &CMediaItemProfileWndUI::OnTargetDestroyed);
    m_targetRow = row;
    if (m_targetRow) m_targetRow->OnDestroy += MakeDelegate(this, &CMediaItemProfileWndUI::OnTargetDestroyed);
}

bool CMediaItemProfileWndUI::OnOwnerDestroyed(void* control)
{
    if (control == m_owner) m_owner = nullptr;
    return true;
}

bool CMediaItemProfileWndUI::OnTargetDestroyed(void* control)
{
    if (control == m_targetRow) m_targetRow = nullptr;
    return true;
}

void CMediaItemProfileWndUI::FillProfiles(CProfileCategoryItemUI* row, int profileId)
{
    // Only the row's own profile is marked; -1 marks none.
    FillProfileRows(row, profileId, false);
}

void CMediaItemProfileWndUI::SelectCategory(CProfileCategoryItemUI* row)
{
    if (!row || row == m_currentCategoryRow) return;
    FillProfiles(row, -1);
    m_currentCategoryRow = row;
}

void CMediaItemProfileWndUI::SelectProfile(CProfileItemUI* row)
{
    if (!row || row == m_currentProfileRow) return;
    Hide();
    m_currentProfileRow = row;
    m_currentGroupRow = row->GetGroupItem();
    SProfileSelection choice;
    if (!TakeCurrentChoice(choice)) return;
    CPaintManagerUI* manager = m_owner ? m_owner->GetManager() : nullptr;
    if (!manager || !m_targetRow) return;
    manager->SendNotify(m_targetRow, kNotifyItemProfileChanged, MakeProfileSelectionWParam(choice.profileId),
                        MakeProfileSelectionLParam(choice.categoryId, choice.groupId));
}
