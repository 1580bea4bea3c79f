// Every skin file and window of the program at the design size 1024x655 with
// long sample texts: every picture a skin names loads, every button shows a
// picture or a text, no visible text is cut off unless it elides, and no two
// visible controls overlap. Every page follows a resize to full screen
// without uncovered areas, and the program shows its own mark on its
// windows and in its desktop entry.
#include "AboutDlgUI.h"
#include "MainPaneUI.h"
#include "MediaListUI.h"
#include "SkinFolders.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "support/fake_media.h"
#include "support/main_window_environment.h"
#include "support/skin_check.h"
#include "ui/UILanguage.h"
#include "ui/UIMarkup.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

std::string Joined(const std::vector<std::string>& problems)
{
    std::string text;
    for (const std::string& p : problems) text += "\n  " + p;
    return text;
}

bool EndsWith(std::wstring text, const std::wstring& end)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void CheckElement(const CMarkupElement& e, CPaintManagerUI& pm, const std::string& file, std::vector<std::string>& problems)
{
    bool picture = false;
    for (const auto& [name, value] : e.attributes) {
        if (!EndsWith(name, L"image") || value.empty()) continue;
        picture = true;
        const std::wstring image = ParseImageString(value).file;
        if (!pm.GetImage(image)) problems.push_back(file + ": " + WideToUtf8(e.GetAttribute(L"name")) + " " + WideToUtf8(name) + " '" + WideToUtf8(image) + "' does not load");
    }
    if (e.name == L"Button" && !picture && e.GetAttribute(L"text").empty())
        problems.push_back(file + ": button " + WideToUtf8(e.GetAttribute(L"name")) + " has neither picture nor text");
    for (const auto& child : e.children) CheckElement(*child, pm, file, problems);
}

TEST(SkinFiles, EveryPictureLoadsAndEveryButtonShowsAPictureOrAText)
{
    CPaintManagerUI pm;
    ApplySkinImageFolders(pm, kDefaultSkin);
    std::vector<std::string> problems;
    const int files = vxmtest::ForEachSkinFile(std::string(VXM_SOURCE_DIR) + "/skin", problems,
                                               [&](const std::string& file, const CMarkupElement& root) {
                                                   CheckElement(root, pm, file, problems);
                                               });
    EXPECT_GT(files, 20);
    EXPECT_TRUE(problems.empty()) << Joined(problems);
    // Pictures the code sets: a user value's remove button, a folded media-manager node.
    for (const wchar_t* picture : {L"media_list\\remove.png", L"common\\chevron_right.png"})
        EXPECT_NE(pm.GetImage(picture), nullptr) << WideToUtf8(picture);
    // Every skin's pictures stand in for the default's or add to them.
    for (const std::wstring& skin : FindSkinNames()) {
        ApplySkinImageFolders(pm, skin);
        pm.RemoveAllImages();
        EXPECT_NE(pm.GetImage(L"preview\\bk_preview.png"), nullptr) << WideToUtf8(skin);
    }
}

// Rows: a long-named video, a long-named piece of music and a DVD title.
class CWindowSkins : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
                  nullptr);
        window->ShowWindow(true);
        window->ResizeClient(1024, 655);
        pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        ASSERT_NE(pane, nullptr);
    }
    void TearDown() override
    {
        if (pane && pane->GetMediaList()) pane->GetMediaList()->RemoveAll();
        if (window) window->DestroyWindow();
        vxmtest::PumpPending();
    }
    std::vector<std::string> Problems()
    {
        vxmtest::PumpPending();
        return vxmtest::CheckLayout(*window->GetPaintManager());
    }

    CFakeDesktop desktop;
    CVXMMainFrameWnd* window = nullptr;
    CMainPaneUI* pane = nullptr;
    CSampleMedia video{L"A very long name of a holiday video filmed high up in the mountains at sunrise", true};
    CSampleMedia audio{L"Symphony No. 9 in D minor, Op. 125 - IV. Presto - Allegro assai (live recording)", false};
    CStubDVDTitle dvd;
};

TEST_F(CWindowSkins, TheConvertBurnAndPlayPagesFitAtTheDesignSize)
{
    pane->AddMedia(&video, -1, 0);
    pane->AddMedia(&audio, -1, 0);
    pane->AddMedia(&dvd, -1, 0);
    EXPECT_TRUE(Problems().empty()) << "convert page:" << Joined(Problems());
    EXPECT_EQ(window->GetPaintManager()->GetRoot()->GetWidth(), 1024);
    window->SelectPage(1);
    EXPECT_TRUE(Problems().empty()) << "burn page:" << Joined(Problems());
    window->SelectPage(2);
    EXPECT_TRUE(Problems().empty()) << "play page:" << Joined(Problems());
    window->SelectPage(0);
}

// Pixels of the window's own background: where no control draws.
int Uncovered(CPaintManagerUI& pm)
{
    const QImage image = pm.RenderToImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == 0xFFFF00FFu;
    return count;
}

TEST_F(CWindowSkins, EveryPageFollowsAResizeToFullScreenWithoutUncoveredAreas)
{
    pane->AddMedia(&video, -1, 0);
    pane->AddMedia(&audio, -1, 0);
    pane->AddMedia(&dvd, -1, 0);
    CPaintManagerUI& pm = *window->GetPaintManager();
    // The window's background in a colour no control uses shows what no control covers.
    pm.GetRoot()->SetBkColor(0xFFFF00FF);
    for (int page : {0, 1, 2}) {
        window->SelectPage(page);
        window->ResizeClient(1024, 655);
        vxmtest::PumpPending();
        pm.UpdateLayout();
        const int designSize = Uncovered(pm);
        window->ResizeClient(1920, 1080);
        vxmtest::PumpPending();
        ASSERT_EQ(pm.GetRoot()->GetWidth(), 1920) << "page " << page;
        ASSERT_EQ(pm.GetRoot()->GetHeight(), 1080) << "page " << page;
        EXPECT_TRUE(Problems().empty()) << "page " << page << " at full screen:" << Joined(Problems());
        // Seams between areas may lengthen with the window, no area may open up.
        const int fullScreen = Uncovered(pm);
        EXPECT_LE(fullScreen, designSize * 2 + 2000) << "page " << page << ": " << designSize << " uncovered pixels at "
                                                     << "1024x655, " << fullScreen << " at 1920x1080";
    }
    window->SelectPage(0);
    window->ResizeClient(1024, 655);
}

TEST_F(CWindowSkins, TheWindowsCarryTheProgramsOwnMarkAtEverySize)
{
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    // Drawn from the drawing, not blown up from a small picture.
    const QImage large = icon.pixmap(256, 256).toImage();
    EXPECT_EQ(large.width(), 256);
    EXPECT_EQ(QApplication::windowIcon().pixmap(16, 16).width(), 16);
    EXPECT_NE(large.pixel(128, 40), large.pixel(4, 128)) << "the mark is drawn, not a blank square";
}

TEST(DesktopEntry, StartsTheProgramOfThisBuildWithItsOwnMark)
{
    const std::string folder = VXM_BIN_DIR;
    std::ifstream file(folder + "/vexmora-professional.desktop");
    ASSERT_TRUE(file.good());
    std::map<std::string, std::string> keys;
    std::string line;
    ASSERT_TRUE(std::getline(file, line));
    EXPECT_EQ(line, "[Desktop Entry]");
    while (std::getline(file, line))
        if (const size_t eq = line.find('='); eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Name"], "Vexmora Professional");
    EXPECT_EQ(keys["Exec"], folder + "/VXMPro %f");
    const std::string icon = keys["Icon"];
    ASSERT_TRUE(std::filesystem::exists(icon)) << icon;
    EXPECT_EQ(std::filesystem::path(icon).extension(), ".svg");
    EXPECT_EQ(std::filesystem::weakly_canonical(icon), std::filesystem::weakly_canonical(std::string(VXM_SOURCE_DIR) +
                                                                                        "/skin/skin-blue/about/logo.svg"));
    const QImage drawn = QIcon(QString::fromStdString(icon)).pixmap(128, 128).toImage();
    EXPECT_EQ(drawn.width(), 128);
}

// The same window in German, whose texts are the longest.
class CGermanWindowSkins : public CWindowSkins {
protected:
    void SetUp() override
    {
        CVXMSettings::GetInstance()->LangID = L"de";
        CWindowSkins::SetUp();
    }
    void TearDown() override
    {
        CWindowSkins::TearDown();
        CVXMSettings::GetInstance()->LangID = L"auto";
        CLanguageManager::GetInstance()->SetLang(L"en");
    }
};

TEST_F(CGermanWindowSkins, TheConvertBurnAndPlayPagesFitInGerman)
{
    ASSERT_EQ(CLanguageManager::GetInstance()->GetLangID(), L"de");
    pane->AddMedia(&video, -1, 0);
    pane->AddMedia(&audio, -1, 0);
    pane->AddMedia(&dvd, -1, 0);
    for (int page : {0, 1, 2}) {
        window->SelectPage(page);
        EXPECT_TRUE(Problems().empty()) << "page " << page << ":" << Joined(Problems());
    }
    window->SelectPage(0);
}

TEST_F(CWindowSkins, TheAboutBoxFits)
{
    auto* about = new CAboutDlgUI;
    ASSERT_NE(about->Create(window->GetHWND(), L"VXMAboutDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    const std::vector<std::string> problems = vxmtest::CheckLayout(*about->GetPaintManager());
    EXPECT_TRUE(problems.empty()) << Joined(problems);
    about->DestroyWindow();
    vxmtest::PumpPending();
    delete about;
}

}  // namespace
