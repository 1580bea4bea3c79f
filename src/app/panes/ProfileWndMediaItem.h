// The profile chooser of one row of a conversion list. It reports the choice
// as the notification "item_profile_changed" through the list's paint manager
// with the row as sender (ids as in ProfileChooserMessages.h). The list keeps
// the chooser (one owner) and refills it before every showing:
//   SetInitialCategory, SetCurrentProfileId, FillCategories, SetOwner, SetTargetRow.
#pragma once
#include "ProfileWndUI.h"

class CMediaItemProfileWndUI : public CProfileWndUI {
public:
    explicit CMediaItemProfileWndUI(bool burnMode);
    ~CMediaItemProfileWndUI() override;

    void InitWindow() override;
    void SelectCategory(CProfileCategoryItemUI* row) override;
    void SelectProfile(CProfileItemUI* row) override;
    void FillProfiles(CProfileCategoryItemUI* row, int profileId) override;

    // The list whose paint manager sends the result, and the row named as
    // its sender. Either is forgotten when that control is destroyed.
    void SetOwner(CControlUI* owner);
    CControlUI* GetOwner() const { return m_owner; }
    void SetTargetRow(CControlUI* row);
    CControlUI* GetTargetRow() const { return m_targetRow; }

private:
    bool OnOwnerDestroyed(void* control);
    bool OnTargetDestroyed(void* control);

    CControlUI* m_owner = nullptr;
    CControlUI* m_targetRow = nullptr;
};
