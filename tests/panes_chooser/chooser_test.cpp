#include "chooser_fakes.h"
#include "MediaHandler.h"
#include "panes/MediaListUI.h"
#include "panes/ProfileWndMediaItem.h"
#include "panes/ProfileWndUI.h"
#include "platform/messages.h"
#include "ui/UILib.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr DWORD kPopupStyle = WS_POPUP | WS_VISIBLE | WS_OVERLAPPEDWINDOW;

// Collects the notifications of the list that owns a row chooser.
class CRecordingList : public INotifyUI {
public:
    void Notify(TNotifyUI& msg) override
    {
        if (msg.sType == kNotifyItemProfileChanged) {
            senders.push_back(msg.pSender);
            choices.push_back(DecodeProfileSelection(msg.wParam, msg.lParam));
        }
    }
    std::vector<CControlUI*> senders;
    std::vector<SProfileSelection> choices;
};

// A list window holding one row, its notifications recorded: the owner and
// target row of a row chooser.
struct CRowChooserOwner {
    CRowChooserOwner()
    {
        list->Add(row);
        manager.AttachDialog(list);
        manager.AddNotifier(&recorder);
    }
    void Attach(CMediaItemProfileWndUI& wnd)
    {
        wnd.SetOwner(list);
        wnd.SetTargetRow(row);
    }
    CPaintManagerUI manager;
    CVerticalLayoutUI* list = new CVerticalLayoutUI;
    CControlUI* row = new CControlUI;
    CRecordingList recorder;
};

std::vector<int> CategoryIds(CProfileWndUI& wnd)
{
    std::vector<int> ids;
    CListUI* list = wnd.GetCategoryList();
    for (int i = 0; list && i < list->GetCount(); ++i) {
        auto* row = static_cast<CProfileCategoryItemUI*>(list->GetItemAt(i)->GetInterface(L"ProfileCategoryItem"));
        ids.push_back(row ? row->GetCategory()->GetId() : -100);
    }
    return ids;
}

CProfileCategoryItemUI* CategoryRow(CProfileWndUI& wnd, int id)
{
    CListUI* list = wnd.GetCategoryList();
    for (int i = 0; list && i < list->GetCount(); ++i) {
        auto* row = static_cast<CProfileCategoryItemUI*>(list->GetItemAt(i)->GetInterface(L"ProfileCategoryItem"));
        if (row && row->GetCategory()->GetId() == id) return row;
    }
    return nullptr;
}

CProfileItemUI* ProfileRow(CProfileWndUI& wnd, int id)
{
    CListUI* list = wnd.GetProfileList();
    for (int i = 0; list && i < list->GetCount(); ++i) {
        auto* row = static_cast<CProfileItemUI*>(list->GetItemAt(i)->GetInterface(L"ProfileItem"));
        if (row && row->GetProfile()->GetId() == id) return row;
    }
    return nullptr;
}

// "g<id>" for a group row, "p<id>" for a profile row, in list order.
std::vector<std::string> ProfileListRows(CProfileWndUI& wnd)
{
    std::vector<std::string> rows;
    CListUI* list = wnd.GetProfileList();
    for (int i = 0; list && i < list->GetCount(); ++i) {
        CControlUI* item = list->GetItemAt(i);
        if (auto* g = static_cast<CProfileGroupItemUI*>(item->GetInterface(L"ProfileGroupItem")))
            rows.push_back("g" + std::to_string(g->GetGroup()->GetId()));
        else if (auto* p = static_cast<CProfileItemUI*>(item->GetInterface(L"ProfileItem")))
            rows.push_back("p" + std::to_string(p->GetProfile()->GetId()));
    }
    return rows;
}

// A press of the left button on a list row, as the window routes it.
void ClickRow(CControlUI* row)
{
    ASSERT_NE(row, nullptr);
    TEventUI event;
    event.Type = UIEVENT_BUTTONDOWN;
    event.pSender = row;
    event.ptMouse.x = row->GetX() + 2;
    event.ptMouse.y = row->GetY() + 2;
    row->Event(event);
}

void ClickCategory(CProfileCategoryItemUI* row)
{
    ASSERT_NE(row, nullptr);
    ASSERT_NE(row->GetCategoryButton(), nullptr);
    row->GetCategoryButton()->Activate();
}

class ProfileChooser : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Categories 0..14 (ids equal indexes). 0: two groups; 1: one group;
        // 2: no groups; 3: a group without profiles; 13: the burn profiles.
        for (int i = 0; i < 15; ++i) catalogue.AddCategory(i);
        auto* mp4 = catalogue.AddGroup(catalogue.categories[0], 100);
        catalogue.AddProfile(mp4, 1000);
        catalogue.AddProfile(mp4, 1001);
        auto* mkv = catalogue.AddGroup(catalogue.categories[0], 101);
        catalogue.AddProfile(mkv, 1010);
        auto* phones = catalogue.AddGroup(catalogue.categories[1], 110);
        catalogue.AddProfile(phones, 1100);
        catalogue.AddProfile(phones, 1101);
        catalogue.AddGroup(catalogue.categories[3], 130);
        auto* dvd = catalogue.AddGroup(catalogue.categories[13], 136);
        catalogue.AddProfile(dvd, 1360);
        catalogue.AddProfile(dvd, 1361);
    }
    void TearDown() override { PumpThreadMessages(); }

    template <class W>
    void Open(W& wnd)
    {
        wnd.SetProfileManager(&catalogue);
        ASSERT_NE(wnd.Create(parent.Get(), L"VXMProfileWnd", kPopupStyle, 0, 0, 0, 300, 500), nullptr);
    }
    std::vector<SProfileSelection> Received()
    {
        PumpThreadMessages();
        return posted;
    }

    CFakeCatalogue catalogue;
    std::vector<SProfileSelection> posted;
    CMessageWindow parent{[this](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_VXM_PROFILE_SELECTED) posted.push_back(DecodeProfileSelection(w, l));
        return 0;
    }};
};

// ---- which categories each chooser shows

TEST_F(ProfileChooser, ConvertChooserShowsEveryCategoryButTheBurnOne)
{
    CProfileWndUI wnd(0, 100, 1000, false);
    Open(wnd);
    EXPECT_EQ(CategoryIds(wnd), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14}));
    EXPECT_TRUE(wnd.GetCategoryList()->GetParent()->IsVisible());
    EXPECT_TRUE(wnd.GetPaintManager()->FindControl(L"ID_LAYOUT_PROFILE_APPLY_TO_ALL")->IsVisible());
    ASSERT_NE(wnd.GetApplyToAllOption(), nullptr);
    EXPECT_FALSE(wnd.IsApplyToAllSelected());
}

TEST_F(ProfileChooser, BurnChooserShowsOnlyTheBurnCategoryWithItsColumnHidden)
{
    CProfileWndUI wnd(kBurnCategoryIndex, 136, 1361, true);
    Open(wnd);
    EXPECT_EQ(CategoryIds(wnd), (std::vector<int>{13}));
    EXPECT_FALSE(wnd.GetCategoryList()->GetParent()->IsVisible());
    EXPECT_FALSE(wnd.GetPaintManager()->FindControl(L"ID_LAYOUT_PROFILE_APPLY_TO_ALL")->IsVisible());
    EXPECT_EQ(ProfileListRows(wnd), (std::vector<std::string>{"g136", "p1360", "p1361"}));
    ASSERT_NE(wnd.GetCurrentProfileRow(), nullptr);
    EXPECT_EQ(wnd.GetCurrentProfileRow()->GetProfile()->GetId(), 1361);
}

TEST_F(ProfileChooser, RowChooserNeverOffersApplyToAll)
{
    CMediaItemProfileWndUI wnd(false);
    Open(wnd);
    EXPECT_FALSE(wnd.GetPaintManager()->FindControl(L"ID_LAYOUT_PROFILE_APPLY_TO_ALL")->IsVisible());
    EXPECT_EQ(CategoryIds(wnd).size(), 14u);
}

TEST_F(ProfileChooser, BurnRowChooserShowsOnlyTheBurnCategory)
{
    CMediaItemProfileWndUI wnd(true);
    Open(wnd);
    wnd.FillCategories(kBurnCategoryIndex, 1360);
    EXPECT_EQ(CategoryIds(wnd), (std::vector<int>{13}));
    ASSERT_NE(wnd.GetCurrentProfileRow(), nullptr);
    EXPECT_EQ(wnd.GetCurrentProfileRow()->GetProfile()->GetId(), 1360);
}

TEST_F(ProfileChooser, GroupsAreEachFollowedByTheirProfilesWithTranslatedTexts)
{
    CProfileWndUI wnd(0, -1, 1000, false);
    Open(wnd);
    EXPECT_EQ(ProfileListRows(wnd), (std::vector<std::string>{"g100", "p1000", "p1001", "g101", "p1010"}));
    CProfileItemUI* row = ProfileRow(wnd, 1010);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetLabel()->GetText(), L"Profile 1010");
    EXPECT_EQ(row->GetGroupItem()->GetGroup()->GetId(), 101);
    EXPECT_EQ(row->GetGroupItem()->GetNameLabel()->GetText(), L"Group 101");
    EXPECT_EQ(CategoryRow(wnd, 1)->GetCategoryButton()->GetToolTip(), L"Category 1");
}

// ---- what is selected on opening

TEST_F(ProfileChooser, ProfileIdMinusOneSelectsTheFirstProfileOfTheFirstGroup)
{
    CProfileWndUI wnd(0, -1, -1, false);
    Open(wnd);
    ASSERT_NE(wnd.GetCurrentProfileRow(), nullptr);
    EXPECT_EQ(wnd.GetCurrentProfileRow()->GetProfile()->GetId(), 1000);
    EXPECT_EQ(wnd.GetCurrentGroupRow()->GetGroup()->GetId(), 100);
    EXPECT_TRUE(wnd.GetCurrentProfileRow()->IsSelected());
    EXPECT_TRUE(CategoryRow(wnd, 0)->GetCategoryButton()->IsSelected());
    EXPECT_TRUE(Received().empty());
}

TEST_F(ProfileChooser, KnownProfileIdIsSelectedInItsGroup)
{
    CProfileWndUI wnd(0, -1, 1010, false);
    Open(wnd);
    ASSERT_NE(wnd.GetCurrentProfileRow(), nullptr);
    EXPECT_EQ(wnd.GetCurrentProfileRow()->GetProfile()->GetId(), 1010);
    EXPECT_EQ(wnd.GetCurrentGroupRow()->GetGroup()->GetId(), 101);
    EXPECT_EQ(wnd.GetProfileList()->GetCurSel(), 4);
}

TEST_F(ProfileChooser, ProfileIdOutsideTheCategorySelectsNothing)
{
    CProfileWndUI wnd(0, -1, 1100, false);
    Open(wnd);
    EXPECT_EQ(wnd.GetCurrentProfileRow(), nullptr);
    EXPECT_EQ(wnd.GetCurrentGroupRow(), nullptr);
    EXPECT_EQ(wnd.GetProfileList()->GetCurSel(), -1);
    EXPECT_EQ(ProfileListRows(wnd).size(), 5u);
}

TEST_F(ProfileChooser, RowChooserWithMinusOneSelectsNothing)
{
    CMediaItemProfileWndUI wnd(false);
    Open(wnd);
    wnd.FillCategories(0, -1);
    EXPECT_EQ(ProfileListRows(wnd).size(), 5u);
    EXPECT_EQ(wnd.GetCurrentProfileRow(), nullptr);
    EXPECT_EQ(wnd.GetProfileList()->GetCurSel(), -1);
}

TEST_F(ProfileChooser, NoInitialCategoryLeavesTheProfileListEmpty)
{
    CProfileWndUI wnd(-1, -1, -1, false);
    Open(wnd);
    EXPECT_EQ(CategoryIds(wnd).size(), 14u);
    EXPECT_EQ(wnd.GetCurrentCategoryRow(), nullptr);
    EXPECT_EQ(wnd.GetProfileList()->GetCount(), 0);
}

// ---- choosing a category

TEST_F(ProfileChooser, ClickingACategoryReportsItsFirstProfileAndStaysOpen)
{
    CProfileWndUI wnd(0, 100, 1001, false);
    Open(wnd);
    ClickCategory(CategoryRow(wnd, 1));
    auto got = Received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].profileId, 1100);
    EXPECT_EQ(got[0].groupId, 110);
    EXPECT_EQ(got[0].categoryId, 1);
    EXPECT_EQ(ProfileListRows(wnd), (std::vector<std::string>{"g110", "p1100", "p1101"}));
    EXPECT_TRUE(wnd.IsVisible());
    EXPECT_TRUE(CategoryRow(wnd, 1)->GetCategoryButton()->IsSelected());
    EXPECT_FALSE(CategoryRow(wnd, 0)->GetCategoryButton()->IsSelected());
}

TEST_F(ProfileChooser, ReclickingTheSelectedCategorySendsNothing)
{
    CProfileWndUI wnd(0, 100, 1001, false);
    Open(wnd);
    ClickCategory(CategoryRow(wnd, 0));
    EXPECT_TRUE(Received().empty());
    ClickCategory(CategoryRow(wnd, 1));
    ClickCategory(CategoryRow(wnd, 1));
    EXPECT_EQ(Received().size(), 1u);
    // The list was not rebuilt either: the same current row.
    CProfileItemUI* current = wnd.GetCurrentProfileRow();
    wnd.SelectCategory(CategoryRow(wnd, 1));
    EXPECT_EQ(wnd.GetCurrentProfileRow(), current);
    EXPECT_EQ(Received().size(), 1u);
}

TEST_F(ProfileChooser, CategoryWithoutGroupsGivesAnEmptyListAndNoMessage)
{
    CProfileWndUI wnd(0, 100, 1000, false);
    Open(wnd);
    ClickCategory(CategoryRow(wnd, 2));
    EXPECT_EQ(wnd.GetProfileList()->GetCount(), 0);
    EXPECT_EQ(wnd.GetCurrentProfileRow(), nullptr);
    EXPECT_EQ(wnd.GetCurrentCategoryRow(), CategoryRow(wnd, 2));
    EXPECT_TRUE(Received().empty());
}

TEST_F(ProfileChooser, CategoryWithAnEmptyGroupShowsTheGroupAndSendsNothing)
{
    CProfileWndUI wnd(0, 100, 1000, false);
    Open(wnd);
    ClickCategory(CategoryRow(wnd, 3));
    EXPECT_EQ(ProfileListRows(wnd), (std::vector<std::string>{"g130"}));
    EXPECT_TRUE(Received().empty());
    // Back to a full category: its first profile is reported.
    ClickCategory(CategoryRow(wnd, 0));
    auto got = Received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].profileId, 1000);
}

TEST_F(ProfileChooser, RowChooserCategoryClickRefillsWithoutReporting)
{
    CMediaItemProfileWndUI wnd(false);
    Open(wnd);
    CRowChooserOwner owner;
    wnd.FillCategories(0, 1001);
    owner.Attach(wnd);

    ClickCategory(CategoryRow(wnd, 1));
    EXPECT_EQ(ProfileListRows(wnd), (std::vector<std::string>{"g110", "p1100", "p1101"}));
    EXPECT_EQ(wnd.GetCurrentProfileRow(), nullptr);
    EXPECT_TRUE(owner.recorder.choices.empty());
    EXPECT_TRUE(Received().empty());
    EXPECT_TRUE(wnd.IsVisible());
}

// ---- choosing a profile

TEST_F(ProfileChooser, ClickingAProfileHidesTheChooserAndReportsItsIds)
{
    CProfileWndUI wnd(0, 100, 1000, false);
    Open(wnd);
    ClickRow(ProfileRow(wnd, 1010));
    EXPECT_FALSE(wnd.IsVisible());
    auto got = Received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].profileId, 1010);
    EXPECT_EQ(got[0].groupId, 101);
    EXPECT_EQ(got[0].categoryId, 0);
    EXPECT_EQ(wnd.GetCurrentProfileId(), 1010);
    EXPECT_EQ(wnd.GetCurrentProfileRow(), ProfileRow(wnd, 1010));
}

TEST_F(ProfileChooser, ReclickingTheSelectedProfileOnlyHidesTheChooser)
{
    CProfileWndUI wnd(0, 100, 1001, false);
    Open(wnd);
    ASSERT_TRUE(wnd.IsVisible());
    ClickRow(ProfileRow(wnd, 1001));
    EXPECT_FALSE(wnd.IsVisible());
    EXPECT_TRUE(Received().empty());
}

TEST_F(ProfileChooser, ClickingAGroupRowReportsNothing)
{
    CProfileWndUI wnd(0, 100, 1001, false);
    Open(wnd);
    ClickRow(wnd.GetProfileList()->GetItemAt(0));
    EXPECT_TRUE(wnd.IsVisible());
    EXPECT_TRUE(Received().empty());
    EXPECT_EQ(wnd.GetCurrentProfileRow(), ProfileRow(wnd, 1001));
}

TEST_F(ProfileChooser, ChooserWithoutParentPostsNothing)
{
    CProfileWndUI wnd(0, 100, 1000, false);
    wnd.SetProfileManager(&catalogue);
    ASSERT_NE(wnd.Create(nullptr, L"VXMProfileWnd", kPopupStyle, 0, 0, 0, 300, 500), nullptr);
    ClickRow(ProfileRow(wnd, 1010));
    EXPECT_EQ(wnd.GetCurrentProfileId(), 1010);
    EXPECT_TRUE(Received().empty());
}

TEST_F(ProfileChooser, RowChooserSendsTheChoiceToTheListOnBehalfOfTheRow)
{
    CMediaItemProfileWndUI wnd(false);
    Open(wnd);
    CRowChooserOwner owner;
    wnd.SetInitialCategory(0);
    wnd.SetCurrentProfileId(1000);
    wnd.FillCategories(0, 1000);
    owner.Attach(wnd);

    // The row's own profile again: nothing, and the chooser stays open.
    ClickRow(ProfileRow(wnd, 1000));
    EXPECT_TRUE(wnd.IsVisible());
    EXPECT_TRUE(owner.recorder.choices.empty());

    ClickRow(ProfileRow(wnd, 1001));
    EXPECT_FALSE(wnd.IsVisible());
    ASSERT_EQ(owner.recorder.choices.size(), 1u);
    EXPECT_EQ(owner.recorder.senders[0], owner.row);
    EXPECT_EQ(owner.recorder.choices[0].profileId, 1001);
    EXPECT_EQ(owner.recorder.choices[0].groupId, 100);
    EXPECT_EQ(owner.recorder.choices[0].categoryId, 0);
    EXPECT_TRUE(Received().empty());
}

TEST_F(ProfileChooser, RowChooserForgetsARowThatWasDestroyed)
{
    CMediaItemProfileWndUI wnd(false);
    Open(wnd);
    CRowChooserOwner owner;
    wnd.FillCategories(0, 1000);
    owner.Attach(wnd);

    owner.list->Remove(owner.row);
    EXPECT_EQ(wnd.GetTargetRow(), nullptr);
    ClickRow(ProfileRow(wnd, 1001));
    EXPECT_TRUE(owner.recorder.choices.empty());
}

// ---- ids travel whole

TEST_F(ProfileChooser, IdsAbove65535ArriveWhole)
{
    CFakeCatalogue big;
    for (int i = 0; i < 2; ++i) big.AddCategory(0x10000 + i);
    auto* group = big.AddGroup(big.categories[1], 0x20003);
    big.AddProfile(group, 0x7FFF0001);
    big.AddProfile(group, 65536 + 7);
    CProfileWndUI wnd(0, -1, -1, false);
    wnd.SetProfileManager(&big);
    ASSERT_NE(wnd.Create(parent.Get(), L"VXMProfileWnd", kPopupStyle, 0, 0, 0, 300, 500), nullptr);

    ClickCategory(CategoryRow(wnd, 0x10001));
    ClickRow(ProfileRow(wnd, 65536 + 7));
    auto got = Received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].profileId, 0x7FFF0001);
    EXPECT_EQ(got[0].groupId, 0x20003);
    EXPECT_EQ(got[0].categoryId, 0x10001);
    EXPECT_EQ(got[1].profileId, 65536 + 7);
    EXPECT_EQ(got[1].groupId, 0x20003);
    EXPECT_EQ(got[1].categoryId, 0x10001);
}

// The row's new profile is set as the main window sets it.
class CListNotifyForwarder : public INotifyUI {
public:
    explicit CListNotifyForwarder(CMediaListUI*) {}
    void Notify(TNotifyUI& msg) override
    {
        auto* row = dynamic_cast<CMediaListItemUI*>(msg.pSender);
        if (msg.sType != kNotifyItemProfileChanged || !row) return;
        const SProfileSelection choice = DecodeProfileSelection(msg.wParam, msg.lParam);
        row->SetProfile(choice.profileId, choice.groupId, choice.categoryId);
    }
};

TEST_F(ProfileChooser, ChosenLargeIdsReachTheConversionListRow)
{
    CFakeCatalogue big;
    auto* category = big.AddCategory(0x30000);
    auto* group = big.AddGroup(category, 0x40000);
    big.AddProfile(group, 0x50000);
    big.AddProfile(group, 0x60001);

    CStubMedia media;  // outlives the list, which releases it
    CPaintManagerUI listManager;
    auto* list = new CMediaListUI(false);
    listManager.AttachDialog(list);
    list->SetProfileManager(&big);
    CListNotifyForwarder forward(list);
    listManager.AddNotifier(&forward);
    CMediaListItemUI* row = list->AddMedia(&media, EMediaRowKind::File, false);
    ASSERT_NE(row, nullptr);

    CMediaItemProfileWndUI wnd(false);
    Open(wnd);
    wnd.SetProfileManager(&big);
    wnd.FillCategories(0, 0x50000);
    wnd.SetOwner(list);
    wnd.SetTargetRow(row);
    ClickRow(ProfileRow(wnd, 0x60001));

    EXPECT_EQ(row->GetProfileId(), 0x60001);
    EXPECT_EQ(row->GetGroupId(), 0x40000);
    EXPECT_EQ(row->GetCategoryId(), 0x30000);
    ASSERT_NE(row->GetProfile(), nullptr);
    EXPECT_EQ(row->GetProfile()->GetId(), 0x60001);
}

TEST(ProfileSelectionMessage, NegativeIdsSurviveTheRoundTrip)
{
    const SProfileSelection s = DecodeProfileSelection(MakeProfileSelectionWParam(-1), MakeProfileSelectionLParam(-1, -2));
    EXPECT_EQ(s.profileId, -1);
    EXPECT_EQ(s.categoryId, -1);
    EXPECT_EQ(s.groupId, -2);
}

// ---- expanding groups

TEST_F(ProfileChooser, GroupExpandButtonHidesAndShowsOnlyItsProfiles)
{
    CProfileWndUI wnd(0, 100, 1000, false);
    Open(wnd);
    auto* mp4 = static_cast<CProfileGroupItemUI*>(wnd.GetProfileList()->GetItemAt(0)->GetInterface(L"ProfileGroupItem"));
    ASSERT_NE(mp4, nullptr);
    ASSERT_NE(mp4->GetExpandButton(), nullptr);
    EXPECT_TRUE(mp4->IsExpanded());

    mp4->GetExpandButton()->Activate();
    EXPECT_FALSE(mp4->IsExpanded());
    EXPECT_FALSE(ProfileRow(wnd, 1000)->IsVisible());
    EXPECT_FALSE(ProfileRow(wnd, 1001)->IsVisible());
    EXPECT_TRUE(ProfileRow(wnd, 1010)->IsVisible());

    mp4->GetExpandButton()->Activate();
    EXPECT_TRUE(mp4->IsExpanded());
    EXPECT_TRUE(ProfileRow(wnd, 1000)->IsVisible());
    EXPECT_TRUE(Received().empty());
}

TEST_F(ProfileChooser, CollapseAllAndExpandAllButtons)
{
    CProfileWndUI wnd(0, 100, 1000, false);
    Open(wnd);
    auto* collapse = static_cast<CButtonUI*>(wnd.GetPaintManager()->FindControl(L"ID_BUTTON_ALL_COLLAPSE"));
    auto* expand = static_cast<CButtonUI*>(wnd.GetPaintManager()->FindControl(L"ID_BUTTON_ALL_EXPAND"));
    ASSERT_NE(collapse, nullptr);
    ASSERT_NE(expand, nullptr);
    collapse->Activate();
    for (int id : {1000, 1001, 1010}) {
        EXPECT_FALSE(ProfileRow(wnd, id)->IsVisible()) << id;
    }
    EXPECT_TRUE(wnd.GetProfileList()->GetItemAt(0)->IsVisible());
    expand->Activate();
    for (int id : {1000, 1001, 1010}) {
        EXPECT_TRUE(ProfileRow(wnd, id)->IsVisible()) << id;
    }
}

// ---- hiding and the window's owner

TEST_F(ProfileChooser, EnterEscapeAndFocusLossHideTheChooser)
{
    CProfileWndUI wnd(0, 100, 1000, false);
    Open(wnd);
    const std::vector<std::function<void()>> hiders = {
        [&] { EXPECT_EQ(wnd.DeliverMessage(WM_KEYDOWN, VK_RETURN, 0, true), TRUE); },
        [&] { EXPECT_EQ(wnd.DeliverMessage(WM_KEYDOWN, VK_ESCAPE, 0, true), TRUE); },
        [&] { wnd.DeliverMessage(WM_KILLFOCUS, 0, 0); },
    };
    for (size_t i = 0; i < hiders.size(); ++i) {
        wnd.ShowWindow(true, false);
        ASSERT_TRUE(wnd.IsVisible());
        hiders[i]();
        EXPECT_FALSE(wnd.IsVisible()) << i;
        EXPECT_NE(wnd.GetHWND(), nullptr) << "hiding keeps the window";
    }
    EXPECT_EQ(ProfileListRows(wnd).size(), 5u);
    EXPECT_TRUE(Received().empty());
}

TEST_F(ProfileChooser, DestroyedWindowLeavesTheObjectToItsOwner)
{
    auto wnd = std::make_unique<CProfileWndUI>(0, 100, 1000, false);
    Open(*wnd);
    ClickRow(ProfileRow(*wnd, 1010));
    wnd->DestroyWindow();
    EXPECT_EQ(wnd->GetHWND(), nullptr);
    EXPECT_EQ(wnd->GetCurrentProfileRow(), nullptr);

    // The owner makes the window again; it opens on the last choice.
    Open(*wnd);
    ASSERT_NE(wnd->GetCurrentProfileRow(), nullptr);
    EXPECT_EQ(wnd->GetCurrentProfileRow()->GetProfile()->GetId(), 1010);
    wnd->DestroyWindow();
    wnd.reset();  // the one deletion
    EXPECT_EQ(Received().size(), 1u);
}

TEST_F(ProfileChooser, ReloadShowsTheLastChoice)
{
    CProfileWndUI wnd(0, 100, 1000, false);
    Open(wnd);
    ClickCategory(CategoryRow(wnd, 1));
    ClickRow(ProfileRow(wnd, 1101));
    wnd.Reload();
    ASSERT_NE(wnd.GetCurrentCategoryRow(), nullptr);
    EXPECT_EQ(wnd.GetCurrentCategoryRow()->GetCategory()->GetId(), 1);
    ASSERT_NE(wnd.GetCurrentProfileRow(), nullptr);
    EXPECT_EQ(wnd.GetCurrentProfileRow()->GetProfile()->GetId(), 1101);
}

// ---- the program's own catalogue, through the media handler

TEST(ProfileChooserCatalogue, ChoosersOfTheShippedCatalogue)
{
    ASSERT_TRUE(CMediaHandler::GetInstance()->Init(nullptr));
    ASSERT_NE(CMediaHandler::GetInstance()->GetProfileManager(), nullptr);
    CMessageWindow parent([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    {
        CProfileWndUI convert(0, -1, -1, false);
        ASSERT_NE(convert.Create(parent.Get(), L"VXMProfileWnd", kPopupStyle, 0, 0, 0, 300, 500), nullptr);
        std::vector<int> ids = CategoryIds(convert);
        EXPECT_EQ(ids.size(), 13u);
        for (int id : ids) {
            EXPECT_NE(id, 13);
        }
        ASSERT_NE(convert.GetCurrentProfileRow(), nullptr);

        CProfileWndUI burn(kBurnCategoryIndex, -1, -1, true);
        ASSERT_NE(burn.Create(parent.Get(), L"VXMProfileWnd", kPopupStyle, 0, 0, 0, 300, 500), nullptr);
        EXPECT_EQ(CategoryIds(burn), (std::vector<int>{13}));
        ASSERT_NE(burn.GetCurrentGroupRow(), nullptr);
        EXPECT_NE(burn.GetCurrentGroupRow()->GetGroup()->GetBurn(), 0);
        convert.DestroyWindow();
        burn.DestroyWindow();
    }
    PumpThreadMessages();
    CMediaHandler::DeleteInstance();
}

}  // namespace
