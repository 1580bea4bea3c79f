// Categories, groups and their membership links.
#include "ProfileCategories.h"

#include <algorithm>

#include "OutputProfile.h"
#include "VXMUtils.h"

namespace {

template <typename List>
int FindByName(const List& list, const std::wstring& name)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] && list[i]->m_strName == name)
            return static_cast<int>(i);
    }
    return -1;
}

// Calls link(index) for each name of the comma-separated text found in list.
template <typename List, typename Link>
void ForEachNamedEntry(const List& list, const std::wstring& names, Link link)
{
    if (names.empty())
        return;
    std::vector<std::wstring> parts;
    SplitString(parts, L",", names);
    for (const std::wstring& name : parts) {
        if (name.empty())
            continue;
        int index = FindByName(list, name);
        if (index >= 0)
            link(index);
    }
}

// Links `entry` both ways with each entry of `list` that `names` names: the
// index goes to the entry's `indexes`, the entry to that list entry's `members`.
template <typename List, typename Entry, typename Owner, typename Members>
void LinkNamedEntries(List& list, Entry* entry, std::vector<int> Entry::*indexes, Members Owner::*members,
                      const std::wstring& names)
{
    if (!entry)
        return;
    ForEachNamedEntry(list, names, [&](int index) {
        (entry->*indexes).push_back(index);
        (list[static_cast<std::size_t>(index)].get()->*members).push_back(entry);
    });
}

}  // namespace

IProfileGroup* _PROFILE_CATEGORY::GetGroup(unsigned index) const
{
    return CatalogueEntryAt(m_lstGroups, index);
}

IProfileGroup* _PROFILE_CATEGORY::FindGroupById(int id) const
{
    return CatalogueEntryWithId(m_lstGroups, id);
}

int _PROFILE_GROUP::ContainsCode(int categoryIndex) const
{
    return std::find(m_lstCategoryIndexes.begin(), m_lstCategoryIndexes.end(), categoryIndex) !=
                   m_lstCategoryIndexes.end()
               ? 1
               : 0;
}

IProfile* _PROFILE_GROUP::GetProfile(unsigned index) const
{
    return CatalogueEntryAt(m_lstProfiles, index);
}

IProfile* _PROFILE_GROUP::FindProfileById(int id) const
{
    return CatalogueEntryWithId(m_lstProfiles, id);
}

int FindEntryIndexByName(const PROFILE_CATEGORY_LIST& list, const std::wstring& name)
{
    return FindByName(list, name);
}

int FindEntryIndexByName(const PROFILE_GROUP_LIST& list, const std::wstring& name)
{
    return FindByName(list, name);
}

void AssignGroupToCategories(PROFILE_CATEGORY_LIST& categories, _PROFILE_GROUP* group, const std::wstring& names)
{
    LinkNamedEntries(categories, group, &_PROFILE_GROUP::m_lstCategoryIndexes, &_PROFILE_CATEGORY::m_lstGroups, names);
}

void AssignProfileToGroups(PROFILE_GROUP_LIST& groups, COutputProfile* profile, const std::wstring& names)
{
    LinkNamedEntries(groups, profile, &COutputProfile::m_lstGroupIndexes, &_PROFILE_GROUP::m_lstProfiles, names);
}
