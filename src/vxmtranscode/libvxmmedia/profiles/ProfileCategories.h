// Categories and groups of the profile catalogue, and the links the loader
// makes between them and the profiles. The manager owns every object; the
// lists inside a category or a group only point at them.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "IProfile.h"

class COutputProfile;
struct _PROFILE_GROUP;

struct _PROFILE_CATEGORY : public IProfileCategory {
    std::wstring GetName() const override { return m_strName; }
    std::wstring GetDesc() const override { return m_strDesc; }
    std::wstring GetIcon() const override { return m_strIcon; }
    int GetId() const override { return m_nId; }
    IProfileGroup* GetGroup(unsigned index) const override;
    IProfileGroup* FindGroupById(int id) const override;
    int GetGroupCount() const override { return static_cast<int>(m_lstGroups.size()); }

    std::wstring m_strName;
    std::wstring m_strIcon;
    std::wstring m_strDesc;
    int m_nId = -1;
    std::vector<_PROFILE_GROUP*> m_lstGroups;  // in load order; not owned
};

struct _PROFILE_GROUP : public IProfileGroup {
    int ContainsCode(int categoryIndex) const override;
    std::wstring GetName() const override { return m_strName; }
    std::wstring GetDesc() const override { return m_strDesc; }
    std::wstring GetIcon() const override { return m_strIcon; }
    int GetId() const override { return m_nId; }
    int GetReservedB() const override { return m_nReservedB; }
    int GetReservedA() const override { return m_nReservedA; }
    int GetBurn() const override { return m_nBurn; }
    int GetHtml5() const override { return m_nHtml5; }
    int GetAudio() const override { return m_nAudio; }
    int GetProfileCount() const override { return static_cast<int>(m_lstProfiles.size()); }
    IProfile* GetProfile(unsigned index) const override;
    IProfile* FindProfileById(int id) const override;

    std::wstring m_strName;
    std::wstring m_strIcon;
    std::wstring m_strDesc;
    int m_nId = -1;
    int m_nReservedA = 0;  // never set
    int m_nReservedB = 0;  // never set
    int m_nBurn = 0;
    int m_nHtml5 = 0;
    int m_nAudio = 0;
    std::vector<int> m_lstCategoryIndexes;  // indexes in the manager's category list
    std::vector<IProfile*> m_lstProfiles;   // in load order; not owned
};

using PROFILE_CATEGORY_LIST = std::vector<std::unique_ptr<_PROFILE_CATEGORY>>;
using PROFILE_GROUP_LIST = std::vector<std::unique_ptr<_PROFILE_GROUP>>;

// Lookups in the catalogue's lists, owning (unique_ptr) or not (plain pointers).
template <class T>
T* CatalogueEntry(T* entry)
{
    return entry;
}

template <class T>
T* CatalogueEntry(const std::unique_ptr<T>& entry)
{
    return entry.get();
}

// The entry at `index`, or null outside the list.
template <class List>
auto CatalogueEntryAt(const List& list, long long index) -> decltype(CatalogueEntry(list[0]))
{
    if (index < 0 || index >= static_cast<long long>(list.size()))
        return nullptr;
    return CatalogueEntry(list[static_cast<std::size_t>(index)]);
}

// The first entry whose id is `id`, or null.
template <class List>
auto CatalogueEntryWithId(const List& list, int id) -> decltype(CatalogueEntry(list[0]))
{
    for (const auto& entry : list) {
        if (entry && entry->GetId() == id)
            return CatalogueEntry(entry);
    }
    return nullptr;
}

// Index of the first entry whose name equals name exactly; -1 when none.
int FindEntryIndexByName(const PROFILE_CATEGORY_LIST& list, const std::wstring& name);
int FindEntryIndexByName(const PROFILE_GROUP_LIST& list, const std::wstring& name);

// names: comma-separated; each name found in the list links both ways, names
// that match nothing are skipped, and a name given twice links twice.
void AssignGroupToCategories(PROFILE_CATEGORY_LIST& categories, _PROFILE_GROUP* group, const std::wstring& names);
void AssignProfileToGroups(PROFILE_GROUP_LIST& groups, COutputProfile* profile, const std::wstring& names);
