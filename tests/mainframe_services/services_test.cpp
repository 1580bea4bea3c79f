// The main window's language and skin menus filled from the files the
// program has, switching both at run time, and the About box.
#include "AboutDlgUI.h"
#include "MainFrameCommands.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "support/main_window_environment.h"
#include "ui/UILanguage.h"
#include "ui/UIMenu.h"
#include "UIMenuScript.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class CServicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = CVXMSettings::GetInstance();
        settings->LangID = L"auto";
        settings->SkinDir = L"skin-blue";
        CLanguageManager::GetInstance()->SetLang(L"en");
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
                  nullptr);
        ASSERT_NE(window->GetMenus(), nullptr);
    }
    void TearDown() override
    {
        if (window) window->DestroyWindow();
        vxmtest::PumpPending();
        settings->LangID = L"auto";
        settings->SkinDir = L"skin-blue";
        CLanguageManager::GetInstance()->SetLang(L"en");
    }
    CControlUI* Find(const wchar_t* name) { return window->GetPaintManager()->FindControl(name); }
    CMenu* Popup(UINT commandInside) { return window->GetMenus()->GetSubMenu(MENU_MAIN)->FindOwner(commandInside); }
    // The main menu as it opens under its button, with a choice made in it.
    std::vector<std::wstring> OpenMainMenu(UINT choice = 0, std::vector<int> path = {})
    {
        CScriptedMenuRunner runner;
        CMenuRunnerScope scope(&runner);
        if (choice) runner.Choose(choice, path);
        window->GetPaintManager()->SendNotify(Find(L"ID_BTN_MENU_MAIN"), L"click");
        return runner.shown.empty() ? std::vector<std::wstring>() : runner.shown.front();
    }
    int PositionOf(const std::vector<std::wstring>& texts, const std::wstring& text)
    {
        auto it = std::find(texts.begin(), texts.end(), text);
        return it == texts.end() ? -1 : static_cast<int>(it - texts.begin());
    }

    CFakeDesktop desktop;
    CVXMSettings* settings = nullptr;
    CVXMMainFrameWnd* window = nullptr;
};

TEST_F(CServicesTest, TheLanguageMenuListsTheLanguageFilesAndChecksAutoAlone)
{
    CMenu* languages = Popup(ID_LANGUAGE_AUTO);
    ASSERT_NE(languages, nullptr);
    ASSERT_EQ(languages->GetItemCount(), 4);
    EXPECT_EQ(languages->GetItemId(0), static_cast<int>(ID_LANGUAGE_AUTO));
    EXPECT_EQ(languages->GetItemText(ID_LANGUAGE_FIRST, EMenuBy::Command), L"English");
    EXPECT_EQ(languages->GetItemText(ID_LANGUAGE_FIRST + 1, EMenuBy::Command), L"Deutsch");
    EXPECT_TRUE(languages->IsChecked(ID_LANGUAGE_AUTO));
    EXPECT_FALSE(languages->IsChecked(ID_LANGUAGE_FIRST));
    EXPECT_FALSE(languages->IsChecked(ID_LANGUAGE_FIRST + 1));
}

TEST_F(CServicesTest, GermanChosenFromTheMenuRelabelsTheWindowAndItsMenusAndEnglishComesBack)
{
    const std::vector<std::wstring> english = OpenMainMenu();
    const int languagePopup = PositionOf(english, L"&Language");
    ASSERT_GE(languagePopup, 0);
    EXPECT_GE(PositionOf(english, L"&Options..."), 0);
    EXPECT_EQ(Find(L"ID_BTN_ADD_VIDEO")->GetText(), L"Add Files");

    OpenMainMenu(ID_LANGUAGE_FIRST + 1, {languagePopup});
    EXPECT_EQ(settings->LangID, L"de");
    EXPECT_EQ(Find(L"ID_BTN_ADD_VIDEO")->GetText(), L"Hinzufügen");
    EXPECT_EQ(Find(L"ID_BTN_CONVERT")->GetText(), L"Konvertieren");
    EXPECT_EQ(Find(L"ID_BTN_CLOSE_WINDOW")->GetToolTip(), L"Schließen");
    const std::vector<std::wstring> german = OpenMainMenu();
    EXPECT_EQ(german.size(), english.size());
    EXPECT_GE(PositionOf(german, L"&Sprache"), 0);
    EXPECT_GE(PositionOf(german, L"&Optionen..."), 0);
    EXPECT_EQ(PositionOf(german, L"&Options..."), -1);
    EXPECT_TRUE(Popup(ID_LANGUAGE_AUTO)->IsChecked(ID_LANGUAGE_FIRST + 1));
    EXPECT_FALSE(Popup(ID_LANGUAGE_AUTO)->IsChecked(ID_LANGUAGE_AUTO));

    OpenMainMenu(ID_LANGUAGE_FIRST, {PositionOf(german, L"&Sprache")});
    EXPECT_EQ(settings->LangID, L"en");
    EXPECT_EQ(Find(L"ID_BTN_ADD_VIDEO")->GetText(), L"Add Files");
    EXPECT_EQ(Find(L"ID_BTN_CLOSE_WINDOW")->GetToolTip(), L"Close");
    EXPECT_EQ(OpenMainMenu(), english);
}

TEST_F(CServicesTest, TheSkinMenuListsTheSkinFoldersAndSwitchesTheImageFolder)
{
    CMenu* main = window->GetMenus()->GetSubMenu(MENU_MAIN);
    CMenu* skins = nullptr;
    for (int i = 0; i < main->GetItemCount() && !skins; ++i)
        if (CMenu* sub = main->GetSubMenu(i); sub && sub->GetItemCount() > 0 && sub->GetItemId(0) == static_cast<int>(ID_SKIN_FIRST))
            skins = sub;
    ASSERT_NE(skins, nullptr);
    ASSERT_EQ(skins->GetItemCount(), 2);
    EXPECT_EQ(skins->GetItemText(ID_SKIN_FIRST, EMenuBy::Command), L"Blue");
    EXPECT_EQ(skins->GetItemText(ID_SKIN_FIRST + 1, EMenuBy::Command), L"Dark");
    EXPECT_TRUE(skins->IsChecked(ID_SKIN_FIRST));

    const std::wstring before = window->GetPaintManager()->ResolveImagePath(L"preview\\bk_preview.svg");
    EXPECT_NE(before.find(L"/skin/skin-blue/"), std::wstring::npos);
    EXPECT_TRUE(window->OnCommand(ID_SKIN_FIRST + 1));
    EXPECT_EQ(settings->SkinDir, L"skin-dark");
    EXPECT_NE(window->GetPaintManager()->ResolveImagePath(L"preview\\bk_preview.svg").find(L"/skin/skin-dark/"),
              std::wstring::npos);
    // What the dark skin leaves out comes from the default one.
    EXPECT_NE(window->GetPaintManager()->ResolveImagePath(L"preview\\btn_snapshot.svg").find(L"/skin/skin-blue/"),
              std::wstring::npos);
    EXPECT_NE(window->GetPaintManager()->GetImage(L"preview\\btn_snapshot.png"), nullptr);
    CMenu* main2 = window->GetMenus()->GetSubMenu(MENU_MAIN);
    EXPECT_TRUE(main2->FindOwner(ID_SKIN_FIRST + 1)->IsChecked(ID_SKIN_FIRST + 1));
    EXPECT_FALSE(main2->FindOwner(ID_SKIN_FIRST)->IsChecked(ID_SKIN_FIRST));
    // Past the last skin: ignored.
    window->OnCommand(ID_SKIN_FIRST + 7);
    EXPECT_EQ(settings->SkinDir, L"skin-dark");
}

TEST_F(CServicesTest, MenuCommandsCarryTheirThemeIcons)
{
    CMenu* main = window->GetMenus()->GetSubMenu(MENU_MAIN);
    const CMenuItem* options = main->GetItem(ID_OPTIONS, EMenuBy::Command);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->icon, L"icon:preferences-system");
    EXPECT_NE(window->GetPaintManager()->GetImage(options->icon), nullptr);
    EXPECT_FALSE(window->GetMenus()->GetSubMenu(MENU_OPENDVD)->GetItem(ID_OPEN_DVD_DRIVE, EMenuBy::Command)->icon.empty());
}

TEST_F(CServicesTest, TheAboutBoxShowsTheVersionOpensItsPagesAndCloses)
{
    auto* about = new CAboutDlgUI;
    ASSERT_NE(about->Create(window->GetHWND(), L"VXMAboutDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    HWND handle = about->GetHWND();
    CPaintManagerUI* pm = about->GetPaintManager();
    EXPECT_EQ(pm->FindControl(L"ID_LABEL_ABOUT_VERSION")->GetText(), L"Version 1.0.0");
    const size_t before = desktop.Calls().size();
    pm->SendNotify(pm->FindControl(L"ID_BTN_CREDITS"), L"click");
    pm->SendNotify(pm->FindControl(L"ID_BTN_LEGAL_NOTICE"), L"click");
    ASSERT_EQ(desktop.Calls().size(), before + 2);
    EXPECT_NE(desktop.Calls()[before].find(L"Shell.Open: https://"), std::wstring::npos);
    EXPECT_NE(desktop.Calls()[before].find(L"credits"), std::wstring::npos);
    EXPECT_NE(desktop.Calls()[before + 1].find(L"legal"), std::wstring::npos);
    // Every image of the box loads.
    EXPECT_NE(pm->GetImage(L"about\\logo.png"), nullptr);
    pm->SendNotify(pm->FindControl(L"ID_BUTTON_OK"), L"click");
    EXPECT_TRUE(vxmtest::PumpUntil([&] { return CWindowWnd::FromHandle(handle) == nullptr; }));
    delete about;
}

}  // namespace
