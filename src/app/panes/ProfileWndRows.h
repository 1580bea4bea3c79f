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

// What the three rows share: the interface name they answer to (their class
// name is that name with "UI"), the report to the chooser and the watch on
// one option button of the row.
class CProfileRowUI : public CListContainerElementUI {
public:
    std::wstring GetClass() const override { return std::wstring(m_interfaceName) + L"UI"; }
    void* GetInterface(const std::wstring& name) override;
    // A name too long for one line wraps: the row is as high as its name
    // needs in the row's width, at least its least height.
    SIZE EstimateSize(SIZE available) override;

protected:
    CProfileRowUI(CPaintManagerUI* chooserManager, const wchar_t* interfaceName)
        : m_chooserManager(chooserManager), m_interfaceName(interfaceName)
    {
    }
    ~CProfileRowUI() override;

    // Sends `type` through the chooser's paint manager, the row being the sender.
    void Report(const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0);
    // OnOptionChanged runs on each selection change of `option` (a child of the row).
    void WatchOption(COptionUI* option);
    virtual void OnOptionChanged(COptionUI*) {}
    // The label of the row's name, which may wrap; none by default.
    virtual CLabelUI* NameLabel() const { return nullptr; }

private:
    bool OnOptionNotify(void* param);

    CPaintManagerUI* m_chooserManager;
    const wchar_t* m_interfaceName;
    COptionUI* m_watched = nullptr;
};

class CProfileCategoryItemUI : public CProfileRowUI {
public:
    explicit CProfileCategoryItemUI(CPaintManagerUI* chooserManager) : CProfileRowUI(chooserManager, L"ProfileCategoryItem")
    {
    }

    void DoInit() override;

    IProfileCategory* GetCategory() const { return reinterpret_cast<IProfileCategory*>(GetTag()); }
    void SetCategory(IProfileCategory* category) { SetTag(reinterpret_cast<UINT_PTR>(category)); }
    COptionUI* GetCategoryButton() const { return m_button; }
    // Position of the category in the profile manager's order.
    int GetCategoryIndex() const { return m_categoryIndex; }
    void SetCategoryIndex(int index) { m_categoryIndex = index; }

private:
    void OnOptionChanged(COptionUI* option) override;

    COptionUI* m_button = nullptr;
    int m_categoryIndex = -1;
};

class CProfileGroupItemUI : public CProfileRowUI {
public:
    explicit CProfileGroupItemUI(CPaintManagerUI* chooserManager) : CProfileRowUI(chooserManager, L"ProfileGroupItem") {}

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
    void OnOptionChanged(COptionUI* option) override;
    CLabelUI* NameLabel() const override { return m_name; }

    bool m_expanded = true;
    CControlUI* m_icon = nullptr;
    CLabelUI* m_name = nullptr;
    COptionUI* m_expandButton = nullptr;
};

class CProfileItemUI : public CProfileRowUI {
public:
    explicit CProfileItemUI(CPaintManagerUI* chooserManager);
    ~CProfileItemUI() override;

    void DoInit() override;

    IProfile* GetProfile() const { return reinterpret_cast<IProfile*>(GetTag()); }
    void SetProfile(IProfile* profile) { SetTag(reinterpret_cast<UINT_PTR>(profile)); }
    CProfileGroupItemUI* GetGroupItem() const { return m_groupItem; }
    void SetGroupItem(CProfileGroupItemUI* group) { m_groupItem = group; }
    CLabelUI* GetLabel() const { return m_label; }

private:
    bool OnOwnNotify(void* param);
    CLabelUI* NameLabel() const override { return m_label; }

    CProfileGroupItemUI* m_groupItem = nullptr;
    CLabelUI* m_label = nullptr;
};
