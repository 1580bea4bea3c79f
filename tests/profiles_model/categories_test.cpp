// Categories and groups: membership from name lists, order, and lookups.
#include "ProfileCategories.h"
#include "profile_fixture.h"

#include <gtest/gtest.h>

using namespace profiletest;

namespace {

struct Catalogue {
    PROFILE_CATEGORY_LIST categories;
    PROFILE_GROUP_LIST groups;
    std::vector<std::unique_ptr<COutputProfile>> profiles;

    _PROFILE_CATEGORY* AddCategory(const wchar_t* name, int id)
    {
        auto c = std::make_unique<_PROFILE_CATEGORY>();
        c->m_strName = name;
        c->m_nId = id;
        categories.push_back(std::move(c));
        return categories.back().get();
    }
    _PROFILE_GROUP* AddGroup(const wchar_t* name, int id, const wchar_t* inCategory)
    {
        auto g = std::make_unique<_PROFILE_GROUP>();
        g->m_strName = name;
        g->m_nId = id;
        AssignGroupToCategories(categories, g.get(), inCategory);
        groups.push_back(std::move(g));
        return groups.back().get();
    }
    COutputProfile* AddProfile(const wchar_t* name, int id, const wchar_t* inGroups)
    {
        auto p = std::make_unique<COutputProfile>();
        p->m_strName = name;
        p->m_nId = id;
        AssignProfileToGroups(groups, p.get(), inGroups);
        profiles.push_back(std::move(p));
        return profiles.back().get();
    }
};

}  // namespace

TEST(CatalogueMembership, CategoriesAndGroupsListTheirMembersInLoadOrder)
{
    Catalogue cat;
    IProfileCategory* devices = cat.AddCategory(L"devices", 0);
    cat.AddCategory(L"formats", 1);
    cat.AddGroup(L"apple", 10, L"devices");
    cat.AddGroup(L"video", 11, L"formats, devices");
    cat.AddGroup(L"sony", 12, L"devices");
    ASSERT_EQ(devices->GetGroupCount(), 3);
    EXPECT_EQ(devices->GetGroup(0)->GetName(), L"apple");
    EXPECT_EQ(devices->GetGroup(1)->GetName(), L"video");
    EXPECT_EQ(devices->GetGroup(2)->GetName(), L"sony");
    EXPECT_EQ(devices->GetGroup(3), nullptr);

    IProfile* a = cat.AddProfile(L"ipod", 100, L"apple");
    IProfile* b = cat.AddProfile(L"mp4", 101, L"video,apple");
    IProfile* c = cat.AddProfile(L"iphone", 102, L"apple");
    IProfileGroup* apple = cat.groups[0].get();
    ASSERT_EQ(apple->GetProfileCount(), 3);
    EXPECT_EQ(apple->GetProfile(0), a);
    EXPECT_EQ(apple->GetProfile(1), b);
    EXPECT_EQ(apple->GetProfile(2), c);
    EXPECT_EQ(apple->GetProfile(3), nullptr);
    EXPECT_EQ(apple->FindProfileById(102), c);
    EXPECT_EQ(apple->FindProfileById(5), nullptr);
}

TEST(CatalogueMembership, UnknownNamesAreSkippedAndIndexesFollowTheText)
{
    Catalogue cat;
    cat.AddCategory(L"all", 0);
    cat.AddGroup(L"first", 1, L"all");
    cat.AddGroup(L"second", 2, L"all");
    COutputProfile* p = cat.AddProfile(L"p", 5, L" second , nowhere,first ");
    EXPECT_EQ(p->m_lstGroupIndexes, (std::vector<int>{1, 0}));
    EXPECT_EQ(cat.groups[0]->GetProfileCount(), 1);
    EXPECT_EQ(cat.groups[1]->GetProfileCount(), 1);

    COutputProfile* q = cat.AddProfile(L"q", 6, L"Second,first");
    EXPECT_EQ(q->m_lstGroupIndexes, (std::vector<int>{0}));
}

TEST(CatalogueMembership, AGroupWithoutCategoriesBelongsToNone)
{
    Catalogue cat;
    cat.AddCategory(L"all", 0);
    _PROFILE_GROUP* g = cat.AddGroup(L"lonely", 3, L"");
    EXPECT_TRUE(g->m_lstCategoryIndexes.empty());
    for (int i = -1; i < 3; ++i)
        EXPECT_EQ(g->ContainsCode(i), 0);
    EXPECT_EQ(cat.categories[0]->GetGroupCount(), 0);
}

TEST(CatalogueMembership, ANameGivenTwiceLinksTwice)
{
    Catalogue cat;
    cat.AddCategory(L"a", 0);
    cat.AddCategory(L"b", 1);
    _PROFILE_GROUP* g = cat.AddGroup(L"g", 1, L"b,b");
    EXPECT_EQ(g->m_lstCategoryIndexes, (std::vector<int>{1, 1}));
    EXPECT_EQ(g->ContainsCode(1), 1);
    EXPECT_EQ(g->ContainsCode(0), 0);
    EXPECT_EQ(cat.categories[1]->GetGroupCount(), 2);
}

TEST(CatalogueLookups, FindEntryIndexByNameIsExactAndTakesTheFirst)
{
    Catalogue cat;
    cat.AddCategory(L"apple", 0);
    cat.AddCategory(L"Apple", 1);
    cat.AddCategory(L"apple", 2);
    EXPECT_EQ(FindEntryIndexByName(cat.categories, L"apple"), 0);
    EXPECT_EQ(FindEntryIndexByName(cat.categories, L"Apple"), 1);
    EXPECT_EQ(FindEntryIndexByName(cat.categories, L"APPLE"), -1);
    EXPECT_EQ(FindEntryIndexByName(cat.categories, L"apple "), -1);
    EXPECT_EQ(FindEntryIndexByName(cat.groups, L"apple"), -1);
}

TEST(CatalogueLookups, GroupsByIdAndTheirFixedFields)
{
    Catalogue cat;
    IProfileCategory* c = cat.AddCategory(L"c", 4);
    cat.AddGroup(L"x", 20, L"c");
    cat.AddGroup(L"y", 21, L"c");
    cat.AddGroup(L"z", 20, L"c");
    EXPECT_EQ(c->FindGroupById(20)->GetName(), L"x");
    EXPECT_EQ(c->FindGroupById(99), nullptr);
    _PROFILE_GROUP* g = cat.groups[1].get();
    g->m_nBurn = 1;
    g->m_nAudio = 1;
    EXPECT_EQ(g->GetReservedA(), 0);
    EXPECT_EQ(g->GetReservedB(), 0);
    EXPECT_EQ(g->GetBurn(), 1);
    EXPECT_EQ(g->GetHtml5(), 0);
    EXPECT_EQ(g->GetAudio(), 1);
    EXPECT_EQ(c->GetId(), 4);
}
