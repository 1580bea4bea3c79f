// Rows of the profile chooser's two lists. Each row carries its catalogue
// object (owned by the profile manager) in its tag and reports the user's
// action as a notification through the chooser's paint manager, the row
// being the sender:
//   "category_changed"  category row, its option was selected (0, 0);
//   "group_expand"      group row, its expand button toggled (wParam the
//                       row's index in the profile list, lParam 1 to expand,
//                       0 to collapse);
//   "profile_changed"   profile row clicked (0, 0).
#pragma once
#include "ui/UIButton.h"
#include "ui/UIList.h"

class IProfile;
class IProfileCategory;
class IProfileGroup;

inline constexpr const wchar_t* kNotifyCategoryChanged = L"category_changed";
inline constexpr const wchar_t* kNotifyGroupExpand = L"group_expand";
inline constexpr const wchar_t* kNotifyProfileChanged = L"profile_changed";

class CProfileCategoryItemUI : public CListContainerElementUI {
public:
    explicit CProfileCategoryItemUI(CPaintManagerUI* chooserManager) : m_chooserManager(chooserManager) {}
    ~CProfileCategoryItemUI() override;

    std::wstring GetClass() const override { return L"ProfileCategoryItemUI"; }
    void* GetInterface(const std::wstring& name) override;
    void DoInit() override;

    IProfileCategory* GetCategory() const { return reinterpret_cast<IProfileCategory*>(GetTag()); }
    void SetCategory(IProfileCategory* category) { SetTag(reinterpret_cast<UINT_PTR>(category)); }
    COptionUI* GetCategoryButton() const { return m_button; }
    // Position of the category in the profile manager's order.
    int GetCategoryIndex() const { return m_categoryIndex; }
    void SetCategoryIndex(int index) { m_categoryIndex = index; }

private:
    bool OnButtonNotify(void* param);

    CPaintManagerUI* m_chooserManager;
    COptionUI* m_button = nullptr;
    int m_categoryIndex = -1;
};

class CProfileGroupItemUI : public CListContainerElementUI {
public:
    explicit CProfileGroupItemUI(CPaintManagerUI* chooserManager) : m_chooserManager(chooserManager) {}
    ~CProfileGroupItemUI() override;

    std::wstring GetClass() const override { return L"ProfileGroupItemUI"; }
    void* GetInterface(const std::wstring& name) override;
    void DoInit() override;

    IProfileGroup* GetGroup() const { return reinterpret_cast<IProfileGroup*>(GetTag()); }
    void SetGroup(IProfileGroup* group) { SetTag(reinterpret_cast<UINT_PTR>(group)); }
    bool IsExpanded() const { return m_expanded; }
    // Stores the state and shows it on the expand button (selected = collapsed).
    void Expand(bool expand);

    CControlUI* GetIconControl() const { return m_icon; }
    CLabelUI* GetNameLabel() const { return m_name; }
    COptionUI* GetExpandButton() const { return m_expandButton; }

private:
    bool OnButtonNotify(void* param);

    CPaintManagerUI* m_chooserManager;
    bool m_expanded = true;
    CControlUI* m_icon = nullptr;
    CLabelUI* m_name = nullptr;
    COptionUI* m_expandButton = nullptr;
};

class CProfileItemUI : public CListContainerElementUI {
public:
    explicit CProfileItemUI(CPaintManagerUI* chooserManager);
    ~CProfileItemUI() override;

    std::wstring GetClass() const override { return L"ProfileItemUI"; }
    void* GetInterface(const std::wstring& name) override;
    void DoInit() override;

    IProfile* GetProfile() const { return reinterpret_cast<IProfile*>(GetTag()); }
    void SetProfile(IProfile* profile) { SetTag(reinterpret_cast<UINT_PTR>(profile)); }
    CProfileGroupItemUI* GetGroupItem() const { return m_groupItem; }
    void SetGroupItem(CProfileGroupItemUI* group) { m_groupItem = group; }
    CLabelUI* GetLabel() const { return m_label; }

private:
    bool OnOwnNotify(void* param);

    CPaintManagerUI* m_chooserManager;
    CProfileGroupItemUI* m_groupItem = nullptr;
    CLabelUI* m_label = nullptr;
};
