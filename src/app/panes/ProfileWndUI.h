// The profile chooser of the convert pane and the burn pane: a pop-up with a
// column of category buttons and, for the current category, its groups each
// followed by its profiles. The catalogue objects stay the profile manager's.
//
// The choice is posted to the parent window as WM_VXM_PROFILE_SELECTED
// (ProfileChooserMessages.h). The window object has one owner, its creator:
// it never deletes itself; a destroyed window is created again by the owner.
#pragma once
#include "ProfileChooserMessages.h"
#include "ProfileWndRows.h"
#include "ui/UIDlgBuilder.h"
#include "ui/UIWindowImplBase.h"

class IProfileManager;

// The category the burn chooser shows, and the one the convert chooser leaves out.
constexpr int kBurnCategoryIndex = 13;

class CProfileWndUI : public WindowImplBase {
public:
    // categoryIndex: the category to open (manager order, -1 none);
    // groupId: kept only; profileId: the profile to pre-select (-1: the first
    // profile of the first group); burnMode: the burn pane's chooser.
    CProfileWndUI(int categoryIndex, int groupId, int profileId, bool burnMode);
    ~CProfileWndUI() override;

    // Creates the window and remembers its parent, which receives the result.
    HWND Create(HWND parent, const std::wstring& name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT);
    HWND Create(HWND parent, const std::wstring& name, DWORD style, DWORD exStyle, const RECT& rc);
    HWND GetParentWindow() const { return m_parent; }

    std::wstring GetSkinFolder() override { return L"skin"; }

    void InitWindow() override;
    void OnFinalMessage(HWND hwnd) override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
    LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    CControlUI* CreateControl(const std::wstring& className) override;

    virtual void ClearLists();
    virtual void Reload();
    virtual void SelectCategory(CProfileCategoryItemUI* row);
    virtual void SelectProfile(CProfileItemUI* row);
    virtual void FillProfiles(CProfileCategoryItemUI* row, int profileId);
    virtual void FillCategories(int categoryIndex, int profileId);
    virtual void OnWindowInit(TNotifyUI& msg) {}

    // Expands or collapses one group row (at `index` in the profile list) and shows or hides its profiles.
    void ExpandGroup(CProfileGroupItemUI* row, int index, bool expand);
    void ExpandAll(bool expand);

    bool IsBurnMode() const { return m_burnMode; }
    int GetInitialCategory() const { return m_initialCategory; }
    void SetInitialCategory(int index) { m_initialCategory = index; }
    int GetInitialGroup() const { return m_initialGroup; }
    int GetCurrentProfileId() const { return m_currentProfileId; }
    void SetCurrentProfileId(int id) { m_currentProfileId = id; }
    CProfileCategoryItemUI* GetCurrentCategoryRow() const { return m_currentCategoryRow; }
    CProfileGroupItemUI* GetCurrentGroupRow() const { return m_currentGroupRow; }
    CProfileItemUI* GetCurrentProfileRow() const { return m_currentProfileRow; }
    CListUI* GetProfileList() const { return m_profileList; }
    CListUI* GetCategoryList() const { return m_categoryList; }
    // The receiver of the result reads the "apply to all" choice here.
    COptionUI* GetApplyToAllOption() const { return m_applyToAll; }
    bool IsApplyToAllSelected() const { return m_applyToAll && m_applyToAll->IsSelected(); }

    // The catalogue to show; null (the default) takes the media handler's.
    void SetProfileManager(IProfileManager* manager) { m_manager = manager; }

protected:
    IProfileManager* ProfileManager() const;
    // The ids of the current choice; false when no profile is current.
    bool CurrentSelection(SProfileSelection& out) const;
    // Remembers a reported choice so that a refill shows it again.
    void RememberChoice(const SProfileSelection& choice);
    // The current choice, remembered for a refill; false when no profile is current.
    bool TakeCurrentChoice(SProfileSelection& choice);
    void FindControls();
    void Hide();

    CProfileCategoryItemUI* AddCategoryRow(IProfileCategory* category, int index);
    CProfileGroupItemUI* AddGroupRow(IProfileGroup* group);
    CProfileItemUI* AddProfileRow(IProfile* profile, CProfileGroupItemUI* groupRow);
    void MakeCurrent(CProfileGroupItemUI* groupRow, CProfileItemUI* profileRow);
    // Fills the profile list with the category's groups and profiles and marks
    // profileId's row; with no profile id (-1), the very first profile when
    // firstWhenNone, else none.
    void FillProfileRows(CProfileCategoryItemUI* row, int profileId, bool firstWhenNone);

    bool m_burnMode;
    CListUI* m_profileList = nullptr;
    CListUI* m_categoryList = nullptr;
    COptionUI* m_applyToAll = nullptr;
    int m_initialCategory;
    int m_initialGroup;
    int m_currentProfileId;
    CProfileCategoryItemUI* m_currentCategoryRow = nullptr;
    CProfileGroupItemUI* m_currentGroupRow = nullptr;
    CProfileItemUI* m_currentProfileRow = nullptr;

private:
    // Takes the current choice and posts it to the parent window.
    void PostCurrentChoice();
    CControlUI* BuildRow(CDialogBuilder& builder, bool& parsed, const wchar_t* file);
    // Builds a row from its template and adds it to the list: the row's
    // rowInterface, or null (nothing added) when either step fails.
    void* AddListRow(CListUI* list, CDialogBuilder& builder, bool& parsed, const wchar_t* file,
                     const wchar_t* rowInterface);

    HWND m_parent = nullptr;
    IProfileManager* m_manager = nullptr;
    CDialogBuilder m_categoryBuilder, m_groupBuilder, m_profileBuilder;
    bool m_categoryParsed = false, m_groupParsed = false, m_profileParsed = false;

    DUI_DECLARE_MESSAGE_MAP()
};
