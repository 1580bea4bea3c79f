// Menus: the menu file, edits by id and by position, popups run by a
// scripted runner for a window, and the id spaces of dynamic entries.
#include "ui_test_support.h"
#include "UIMenuScript.h"
#include <gtest/gtest.h>
#include <set>

namespace {
const wchar_t* kMenuFile = LR"(<?xml version="1.0" encoding="UTF-8"?>
<Menus>
  <Popup text="_MAIN_">
    <Item id="32771" text="&amp;Add Video Files..." icon="add.png" />
    <Item id="32786" text="&amp;Batch Add Video Files..." />
    <Separator />
    <Popup text="&amp;Language">
      <Item id="50000" text="&amp;Auto" checked="true" />
      <Separator />
    </Popup>
    <Item id="32803" text="E&amp;xit" />
  </Popup>
  <Popup text="_SNAPSHOT_">
    <Item id="32772" text="Take a Snapshot" enabled="false" />
  </Popup>
</Menus>)";

std::unique_ptr<CMenu> LoadMenu()
{
    std::wstring error;
    auto menu = CMenu::LoadText(kMenuFile, &error);
    EXPECT_NE(menu, nullptr) << std::string(error.begin(), error.end());
    return menu;
}
}  // namespace

TEST(CMenuModel, TheMenuFileGivesPopupsByPositionWithIdsStatesAndIcons)
{
    auto menu = LoadMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->GetItemCount(), 2);
    CMenu* main = menu->GetSubMenu(0);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->GetText(), L"_MAIN_");
    EXPECT_EQ(main->GetItemCount(), 5);
    EXPECT_EQ(main->GetItemId(0), 32771);
    EXPECT_EQ(main->GetItemId(2), 0);   // separator
    EXPECT_EQ(main->GetItemId(3), 0);   // popup
    EXPECT_EQ(main->GetItemId(9), -1);
    EXPECT_EQ(main->GetItem(32771, EMenuBy::Command)->icon, L"add.png");
    EXPECT_TRUE(main->IsChecked(50000));
    EXPECT_FALSE(menu->GetSubMenu(1)->IsEnabled(32772));
    EXPECT_EQ(main->FindOwner(50000), main->GetSubMenu(3));
}

TEST(CMenuModel, BrokenMenuFilesAreRefusedWithAReason)
{
    std::wstring error;
    EXPECT_EQ(CMenu::LoadText(L"<Menus><Popup text=\"x\"><Item text=\"no id\"/></Popup></Menus>", &error), nullptr);
    EXPECT_NE(error.find(L"no id"), std::wstring::npos);
    EXPECT_EQ(CMenu::LoadText(L"<Menus><Popup>", &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(CMenu::LoadFile(L"/nonexistent/menu.xml", &error), nullptr);
    EXPECT_NE(error.find(L"/nonexistent/menu.xml"), std::wstring::npos);
}

TEST(CMenuModel, EnableCheckInsertAndRemoveByIdReachSubMenusAndByPositionStayLocal)
{
    auto menu = LoadMenu();
    CMenu* main = menu->GetSubMenu(0);
    EXPECT_TRUE(main->Enable(32786, false));
    EXPECT_FALSE(main->IsEnabled(32786));
    EXPECT_TRUE(main->Enable(0, false, EMenuBy::Position));
    EXPECT_FALSE(main->IsEnabled(32771));
    EXPECT_FALSE(main->Enable(12345, false));

    // Language entries go in after "&Auto" and its separator.
    CMenu* lang = main->GetSubMenu(3);
    CMenuItem english;
    english.id = 50001;
    english.text = L"English";
    EXPECT_TRUE(lang->Insert(2, EMenuBy::Position, std::move(english)));
    EXPECT_TRUE(main->Check(50001, true));
    EXPECT_TRUE(lang->IsChecked(50001));
    CMenuItem before;
    before.id = 32790;
    before.text = L"O&pen Output Folder...";
    EXPECT_TRUE(main->Insert(32803, EMenuBy::Command, std::move(before)));
    EXPECT_EQ(main->GetItemId(4), 32790);
    EXPECT_EQ(main->GetItemId(5), 32803);

    EXPECT_TRUE(main->Remove(50001));
    EXPECT_EQ(lang->GetItemCount(), 2);
    EXPECT_FALSE(main->Remove(50001));
    EXPECT_TRUE(main->Remove(3, EMenuBy::Position));
    EXPECT_EQ(main->GetSubMenu(3), nullptr);
    EXPECT_FALSE(main->Remove(40, EMenuBy::Position));
}

TEST(CMenuModel, EveryIdOfTheDynamicSpacesMapsToExactlyOneRange)
{
    CMenuIdSpace space;
    ASSERT_TRUE(space.Reserve(L"language", 50000, 200));
    ASSERT_TRUE(space.Reserve(L"audio", 50201, 100));
    ASSERT_TRUE(space.Reserve(L"subtitle", 50301, 100));
    ASSERT_TRUE(space.Reserve(L"skin", 50601, 100));
    // Overlaps and doubles are refused.
    EXPECT_FALSE(space.Reserve(L"more", 50150, 10));
    EXPECT_FALSE(space.Reserve(L"audio", 51000, 10));
    EXPECT_FALSE(space.Reserve(L"wide", 50100, 1000));
    EXPECT_FALSE(space.Reserve(L"empty", 52000, 0));

    // Every id of every range resolves back to its own range and entry.
    std::set<UINT> seen;
    for (const auto& r : space.GetRanges()) {
        for (UINT i = 0; i < r.count; ++i) {
            UINT id = space.IdOf(r.name, i);
            ASSERT_NE(id, 0u);
            EXPECT_TRUE(seen.insert(id).second) << id;
            std::wstring name;
            UINT index = 0;
            ASSERT_TRUE(space.Resolve(id, &name, &index));
            EXPECT_EQ(name, r.name);
            EXPECT_EQ(index, i);
        }
    }
    EXPECT_EQ(space.IdOf(L"language", 200), 0u);
    EXPECT_FALSE(space.Resolve(50200, nullptr, nullptr));
    EXPECT_FALSE(space.Resolve(32803, nullptr, nullptr));

    // The fixed ids of the menu file never fall into a dynamic range.
    auto menu = LoadMenu();
    for (UINT id : menu->CollectIds())
        if (id != 50000) {
            EXPECT_FALSE(space.Resolve(id, nullptr, nullptr)) << id;
        }
}

namespace {
struct CMenuWindowFixture : ::testing::Test {
    void SetUp() override
    {
        CPaintManagerUI::SetResourcePath(TestSkinFolder());
        wnd = std::make_unique<CTestWindow>(L"controls.xml");
        ASSERT_NE(wnd->Create(nullptr, L"Menus", UI_WNDSTYLE_FRAME, 0), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return wnd->Count(L"windowinit:root") > 0; }));
        wnd->onMessage = [this](UINT msg, WPARAM wParam, LPARAM, BOOL& handled) -> LRESULT {
            if (msg == WM_COMMAND) commands.push_back(static_cast<UINT>(LOWORD(wParam)));
            if (msg == WM_INITMENUPOPUP) {
                auto* m = reinterpret_cast<CMenu*>(wParam);
                opened.push_back(m->GetText());
                // The owner fills and enables the popup as it opens.
                if (m->GetText() == L"_MAIN_") m->Enable(32786, false);
            }
            handled = msg == WM_COMMAND || msg == WM_INITMENUPOPUP;
            return 0;
        };
        menu = LoadMenu();
    }
    std::unique_ptr<CTestWindow> wnd;
    std::unique_ptr<CMenu> menu;
    std::vector<UINT> commands;
    std::vector<std::wstring> opened;
    CScriptedMenuRunner runner;
};
}  // namespace

TEST_F(CMenuWindowFixture, AScriptedChoiceReachesOnCommandWithItsId)
{
    CMenuRunnerScope scope(&runner);
    runner.Choose(32803);
    UINT id = TrackPopupMenu(menu->GetSubMenu(0), TPM_LEFTALIGN, 100, 120, wnd->GetHWND());
    EXPECT_EQ(id, 32803u);
    ASSERT_TRUE(PumpUntil([&] { return !commands.empty(); }));
    EXPECT_EQ(commands, (std::vector<UINT>{32803}));
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"_MAIN_"}));
    ASSERT_EQ(runner.points.size(), 1u);
    EXPECT_EQ(runner.points[0].x, 100);
    EXPECT_EQ(runner.points[0].y, 120);
}

TEST_F(CMenuWindowFixture, OpeningASubMenuSendsItsInitMessageAndReturnCmdPostsNothing)
{
    CMenuRunnerScope scope(&runner);
    runner.Choose(50000, {3});
    UINT id = TrackPopupMenu(menu->GetSubMenu(0), TPM_RETURNCMD, 0, 0, wnd->GetHWND());
    EXPECT_EQ(id, 50000u);
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"_MAIN_", L"&Language"}));
    PumpPending();
    EXPECT_TRUE(commands.empty());
}

TEST_F(CMenuWindowFixture, DisabledUnknownOrCancelledChoicesGiveNoCommand)
{
    CMenuRunnerScope scope(&runner);
    runner.Choose(32786);  // disabled by the owner when the popup opened
    runner.Choose(32772);  // an id of another popup
    runner.Choose(0);      // closed without a choice
    for (int i = 0; i < 3; ++i) EXPECT_EQ(TrackPopupMenu(menu->GetSubMenu(0), 0, 0, 0, wnd->GetHWND()), 0u);
    PumpPending();
    EXPECT_TRUE(commands.empty());
}
