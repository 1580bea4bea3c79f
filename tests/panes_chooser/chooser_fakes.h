// A small catalogue for the chooser tests: categories by index, their groups
// and profiles, with any ids the test wants.
#pragma once
#include "support/fake_media.h"

#include <deque>
#include <memory>
#include <vector>

class CFakeChooserProfile : public CStubProfile {
public:
    CFakeChooserProfile(int id, std::wstring desc) : id(id), desc(std::move(desc)) {}
    std::unique_ptr<IProfile> Clone() const override { return std::make_unique<CFakeChooserProfile>(id, desc); }
    int GetId() const override { return id; }
    std::wstring GetDesc() const override { return desc; }
    std::wstring GetName() const override { return desc; }
    int id;
    std::wstring desc;
};

class CFakeChooserGroup : public IProfileGroup {
public:
    CFakeChooserGroup(int id, std::wstring desc) : id(id), desc(std::move(desc)) {}
    int ContainsCode(int) const override { return 1; }
    std::wstring GetName() const override { return desc; }
    std::wstring GetDesc() const override { return desc; }
    std::wstring GetIcon() const override { return L"group.png"; }
    int GetId() const override { return id; }
    int GetReservedB() const override { return 0; }
    int GetReservedA() const override { return 0; }
    int GetBurn() const override { return 0; }
    int GetHtml5() const override { return 0; }
    int GetAudio() const override { return 0; }
    int GetProfileCount() const override { return static_cast<int>(profiles.size()); }
    IProfile* GetProfile(unsigned i) const override { return i < profiles.size() ? profiles[i] : nullptr; }
    IProfile* FindProfileById(int pid) const override
    {
        for (IProfile* p : profiles)
            if (p->GetId() == pid) return p;
        return nullptr;
    }
    int id;
    std::wstring desc;
    std::vector<IProfile*> profiles;
};

class CFakeChooserCategory : public CStubCategory {
public:
    CFakeChooserCategory(int id, std::wstring desc) : CStubCategory(id, std::move(desc), L"category.png") {}
};

class CFakeCatalogue : public CRecordingProfileManager {
public:
    CFakeChooserCategory* AddCategory(int id)
    {
        categoryStore.push_back(std::make_unique<CFakeChooserCategory>(id, L"Category " + std::to_wstring(id)));
        categories.push_back(categoryStore.back().get());
        return categories.back();
    }
    CFakeChooserGroup* AddGroup(CFakeChooserCategory* category, int id)
    {
        groupStore.push_back(std::make_unique<CFakeChooserGroup>(id, L"Group " + std::to_wstring(id)));
        category->groups.push_back(groupStore.back().get());
        return groupStore.back().get();
    }
    CFakeChooserProfile* AddProfile(CFakeChooserGroup* group, int id)
    {
        profileStore.push_back(std::make_unique<CFakeChooserProfile>(id, L"Profile " + std::to_wstring(id)));
        group->profiles.push_back(profileStore.back().get());
        return profileStore.back().get();
    }
    IProfile* FindProfileById(int id) const override
    {
        for (const auto& p : profileStore)
            if (p->id == id) return p.get();
        return nullptr;
    }
    int GetCategoryCount() const override { return static_cast<int>(categories.size()); }
    IProfileCategory* GetCategory(int i) const override
    {
        return i >= 0 && i < GetCategoryCount() ? categories[static_cast<size_t>(i)] : nullptr;
    }

    std::vector<CFakeChooserCategory*> categories;
    std::deque<std::unique_ptr<CFakeChooserCategory>> categoryStore;
    std::deque<std::unique_ptr<CFakeChooserGroup>> groupStore;
    std::deque<std::unique_ptr<CFakeChooserProfile>> profileStore;
};
