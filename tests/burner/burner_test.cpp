// The burner: two converted clips authored into a DVD-Video image that the
// engine's DVD reader reads back, and a burn to a drive through a stand-in
// writing tool whose arguments and failure are checked.
#include "../../src/vxmtranscode/libvxmmedia/dvd/DvdInfo.h"
#include "BurnCommands.h"
#include "BurnWindow.h"
#include "Burner.h"
#include "BurnerTools.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "ui/UICombo.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::wstring W(const std::string& s) { return Utf8ToWide(s); }

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CBurnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetBurnWindowAutoClose(true);
        SetBurnToolFolder({});
        const std::string source = vxmtest::GetTestMedia().mp4;
        ASSERT_FALSE(source.empty());
        // Two rows as the DVD profile converts them: MPEG-2 program streams,
        // in a folder whose paths are longer than 260 characters.
        const std::string deep = dir.File(std::string(120, 'd') + "/" + std::string(120, 'e'));
        fs::create_directories(deep);
        const std::string first = deep + "/first clip.mpg";
        const std::string second = deep + "/second & last.mpg";
        ASSERT_GT(first.size(), 260u);
        ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", source, "-target", "ntsc-dvd", first}));
        ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", source, "-t", "1", "-target", "ntsc-dvd", second}));
        files.resize(2);
        files[0] = {W(first), 0, 2.0, L"First clip"};
        files[1] = {W(second), 0, 1.0, L"Second & last"};
        menu.templateFile = W(std::string(VXM_SOURCE_DIR) + "/data/template/basic.xml");
        menu.menuTitle = L"Holiday";
        menu.musicDuration = 2;
        temp = dir.File("dvd_temp");

        recorder = new CComboUI;
        record.recorder = recorder;
        record.discLabel = &label;
        record.burnStatus = &status;
        label.SetText(L"Holiday 2026");
    }
    void TearDown() override
    {
        SetBurnWindowAutoClose(false);
        SetBurnToolFolder({});
        delete recorder;
    }
    int Burn(bool ntsc = true)
    {
        InitDUI(nullptr, 0, &menu, &record, 0, 0, L"en", 1, 0, ntsc, false);
        return ShowDUI(nullptr, files.data(), &menu, W(temp).c_str(), 0, L"en", 1, static_cast<int>(files.size()), ntsc,
                       false, 0);
    }
    void ChooseRecorder(const std::wstring& device)
    {
        for (int i = 0; i < recorder->GetCount(); ++i)
            if (recorder->GetItemAt(i)->GetUserData() == device) recorder->SelectItem(i, false, false);
    }

    vxmtest::CTempDir dir;
    CFakeDesktop desktop;
    std::vector<VXM_BURN_FILE> files;
    VXM_DVD_MENU_SETTINGS menu;
    VXM_BURNER_RECORD record;
    CComboUI* recorder = nullptr;
    CLabelUI label;
    CLabelUI status;
    std::string temp;
};

TEST_F(CBurnerTest, TwoClipsBecomeAnImageWhoseTitlesTheDvdReaderFinds)
{
    ASSERT_FALSE(FindBurnTool(EBurnTool::Author).empty());
    ASSERT_FALSE(FindBurnTool(EBurnTool::ImageMaker).empty());
    const std::string image = dir.File("holiday.iso");
    desktop.files.saveAnswer = W(image);
    ASSERT_EQ(Burn(), 1) << WideToUtf8(status.GetText());
    EXPECT_EQ(status.GetText(), L"Completed");
    EXPECT_FALSE(fs::exists(temp)) << "intermediate files left behind";
    EXPECT_FALSE(fs::exists(image + ".part"));

    dvd_info info;
    ASSERT_EQ(parse_dvd(info, image.c_str(), 0), 0);
    ASSERT_EQ(info.titles.size(), 2u);
    EXPECT_EQ(info.volume_label, "HOLIDAY_2026");
    EXPECT_NEAR(info.titles[0].LengthMs() / 1000.0, 2.0, 0.25);
    EXPECT_NEAR(info.titles[1].LengthMs() / 1000.0, 1.0, 0.25);
    EXPECT_EQ(info.titles[0].video_standard, "NTSC");
    // The title set's menu is on the disc.
    std::string listing;
    ASSERT_EQ(vxmtest::RunProgram({"isoinfo", "-f", "-i", image}, &listing), 0);
    EXPECT_NE(listing.find("VTS_01_0.VOB"), std::string::npos) << listing;
}

TEST_F(CBurnerTest, ADiscWriteGoesToTheChosenDriveAndItsFailureIsShown)
{
    // A writing tool that keeps its arguments and refuses.
    const std::string tools = dir.File("tools");
    fs::create_directories(tools);
    const std::string fake = tools + "/growisofs";
    {
        std::ofstream script(fake);
        script << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" << dir.File("args.txt")
               << "'\necho ':-( /dev/sr0: media is not recognized as recordable DVD' >&2\nexit 5\n";
    }
    ::chmod(fake.c_str(), 0755);
    SetBurnToolFolder(W(tools));
    desktop.drives.drives = {COpticalDrive{L"/dev/sr0", L""}};
    menu.menuEnabled = false;
    menu.writeSpeed = 4;
    InitDUI(nullptr, 0, &menu, &record, 0, 0, L"en", 1, 0, true, false);
    ChooseRecorder(L"/dev/sr0");
    ASSERT_EQ(Burn(), -1);

    const std::string expected = "-dvd-compat\n-speed=4\n-Z\n/dev/sr0=" + temp + "/disc.iso\n";
    EXPECT_EQ(ReadFile(dir.File("args.txt")), expected);
    const std::wstring shown = status.GetText();
    EXPECT_NE(shown.find(L"Burning failed"), std::wstring::npos) << WideToUtf8(shown);
    EXPECT_NE(shown.find(L"not recognized as recordable"), std::wstring::npos) << WideToUtf8(shown);
    EXPECT_EQ(shown.find(L"Completed"), std::wstring::npos);
    EXPECT_FALSE(fs::exists(temp));
}

TEST_F(CBurnerTest, TheMenuReturnsOrPlaysOnAsChosen)
{
    SBurnJob job;
    job.files = files;
    job.tempFolder = L"/t";
    job.menu.menuEnabled = true;
    job.menu.menuNavigation = MENU_NAVI_BACK_TO_MENU;
    const std::vector<SMenuButton> buttons(2);
    std::wstring plan = DvdAuthorPlan(job, buttons);
    EXPECT_NE(plan.find(L"<fpc>jump titleset 1 menu;</fpc>"), std::wstring::npos);
    EXPECT_EQ(plan.find(L"jump title 2;</post>"), std::wstring::npos);
    EXPECT_NE(plan.find(L"second &amp; last.mpg"), std::wstring::npos);
    job.menu.menuNavigation = MENU_NAVI_PLAY_ALL;
    plan = DvdAuthorPlan(job, buttons);
    EXPECT_NE(plan.find(L"<fpc>jump title 1;</fpc>"), std::wstring::npos);
    EXPECT_NE(plan.find(L"<post>jump title 2;</post>"), std::wstring::npos);
    EXPECT_NE(plan.find(L"<post>call menu;</post>"), std::wstring::npos);
    job.menu.menuEnabled = false;
    plan = DvdAuthorPlan(job, {});
    EXPECT_EQ(plan.find(L"<menus>"), std::wstring::npos);
    EXPECT_EQ(plan.find(L"call menu"), std::wstring::npos);
}

TEST(MenuPreview, EachPreviewIsItsCallersOwnSoRemovingOneLeavesTheOthers)
{
    const std::wstring templ = W(std::string(VXM_SOURCE_DIR) + "/data/template/basic.xml");
    const std::wstring first = GetXMLImg(templ.c_str());
    const std::wstring second = GetXMLImg(templ.c_str());
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_FALSE(QImage(QString::fromStdWString(first)).isNull());
    fs::remove(PathFromWide(first));
    EXPECT_FALSE(QImage(QString::fromStdWString(second)).isNull());
    fs::remove(PathFromWide(second));
}

}  // namespace
