// The burn page: the disc-size meter and the bit-rate fit over rows of known
// sizes, the checks before converting, and the burn flag of its media.
#include "../../src/vxmtranscode/libvxmmedia/dvd/DvdInfo.h"
#include "BurnWindow.h"
#include "BurnerRecords.h"
#include "IProfile.h"
#include "MainPaneMaker.h"
#include "MainPaneUI.h"
#include "MediaListUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "support/fake_media.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "platform/text.h"
#include "VXMGlobal.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cwchar>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

// A clip of known length whose estimate follows the profile's rates, as the
// engine's does: seconds x (video + audio kbit/s) / 8.
class CSizedMedia : public CStubMedia {
public:
    explicit CSizedMedia(int seconds) : seconds(seconds) {}
    std::uint64_t EstimateOutputSize(IProfile* profile) override
    {
        if (!profile) return 0;
        const long video = std::wcstol(profile->GetVideoBitrate().c_str(), nullptr, 10);
        const long audio = std::wcstol(profile->GetAudioBitrate().c_str(), nullptr, 10);
        return static_cast<std::uint64_t>(seconds) * static_cast<std::uint64_t>(video + audio) / 8;
    }
    std::wstring GetSourceTitle() const override { return L"clip"; }
    std::wstring GetOutputPath() const override { return output; }
    std::wstring GetOutputName() const override { return name; }
    int GetClipLength() const override { return seconds * 1000; }
    int seconds;
    std::wstring output;
    std::wstring name;
};

class CBurnPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The window closed by the test before asked the program to quit: each test is a run of its own.
        ResetUIQuit();
        SetMainPaneMaker(nullptr);
        CVXMSettings* s = CVXMSettings::GetInstance();
        s->nBurnerProfile = 89;  // DVD video (NTSC)
        s->nBurnerProfileGroup = 36;
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655), nullptr);
        window->ShowWindow(true);
        window->SelectPage(1);
        pane = dynamic_cast<CMainPaneUI*>(window->GetBurnPane());
        ASSERT_NE(pane, nullptr);
        list = pane->GetMediaList();
        ASSERT_NE(list, nullptr);
        profile = pane->GetCurrentProfile();
        ASSERT_NE(profile, nullptr);
        ASSERT_EQ(profile->GetTvSystem(), L"NTSC");
        audioKbps = std::wcstol(profile->GetAudioBitrate().c_str(), nullptr, 10);
        // A burner that can burn, whatever this machine has.
        pane->BurnerRecord().devicePresent = true;
        pane->BurnerRecord().message.clear();
    }
    void TearDown() override
    {
        if (list) list->RemoveAll();
        if (window) window->DestroyWindow();
        vxmtest::PumpPending();
    }
    CMediaListItemUI* Add(int seconds)
    {
        media.push_back(std::make_unique<CSizedMedia>(seconds));
        pane->AddMedia(media.back().get(), -1, 0);
        return list->FindItem(media.back().get());
    }
    CControlUI* Find(const wchar_t* name) { return window->GetPaintManager()->FindControl(name); }
    int Bar() { return dynamic_cast<CProgressUI*>(Find(L"ID_SLIDER_DISC_SIZE"))->GetValue(); }
    std::wstring MeterText() { return Find(L"ID_LABEL_DISC_SIZE")->GetText(); }
    int Rate() { return static_cast<int>(std::wcstol(profile->GetVideoBitrate().c_str(), nullptr, 10)); }

    CFakeDesktop desktop;
    CVXMMainFrameWnd* window = nullptr;
    CMainPaneUI* pane = nullptr;
    CMediaListUI* list = nullptr;
    IProfile* profile = nullptr;
    long audioKbps = 0;
    std::vector<std::unique_ptr<CSizedMedia>> media;
};

TEST_F(CBurnPaneTest, ContentThatFitsKeepsTheHighRateAndTheMeterShowsItsShare)
{
    Add(600);
    EXPECT_EQ(Rate(), 8000);
    const int expected = static_cast<int>(600 * (8000 + audioKbps) / 8);
    EXPECT_EQ(pane->GetProjectedSize(), expected);
    wchar_t text[64];
    std::swprintf(text, 64, L"%2.3fGb/4.500Gb", expected / 1048576.0);
    EXPECT_EQ(MeterText(), text);
    EXPECT_EQ(Bar(), expected / (0x480000 >> 8));
    EXPECT_TRUE(Find(L"ID_LAYOUT_BURNER_SIZE_FOOTER")->IsVisible());
    EXPECT_FALSE(Find(L"ID_LAYOUT_BURNER_FOOTER")->IsVisible());
}

TEST_F(CBurnPaneTest, ContentBetweenTheTwoRatesIsFittedUnderNinetyPercentOfTheDisc)
{
    for (int i = 0; i < 4; ++i) Add(1500);
    const long long limit = 0x480000LL * 9 / 10;
    const long long total8000 = 4LL * 1500 * (8000 + audioKbps) / 8;
    const long long total2000 = 4LL * 1500 * (2000 + audioKbps) / 8;
    ASSERT_GT(total8000, limit);
    ASSERT_LT(total2000, limit);
    const long long rate = ((limit - total2000) >> 10) * 6000 / (((total8000 - total2000) >> 10) + 1) + 2000;
    EXPECT_EQ(Rate(), rate);
    EXPECT_GT(Rate(), 2000);
    EXPECT_LT(Rate(), 8000);
    EXPECT_LE(pane->GetProjectedSize(), limit);
    EXPECT_TRUE(pane->CheckBurn());

    // The dual-layer disc takes all of it at the high rate.
    auto* size = dynamic_cast<CComboUI*>(Find(L"ID_COMBO_BURN_DVD_SIZE"));
    size->SelectItem(1);
    EXPECT_EQ(pane->GetDiscCapacity(), 0x880000);
    EXPECT_EQ(Rate(), 8000);
    EXPECT_NE(MeterText().find(L"/8.500Gb"), std::wstring::npos);
}

TEST_F(CBurnPaneTest, TooMuchContentStaysAtTheFloorFillsTheBarAndIsRefused)
{
    for (int i = 0; i < 3; ++i) Add(6 * 3600);
    EXPECT_EQ(Rate(), 2000);
    EXPECT_GT(pane->GetProjectedSize(), pane->GetDiscCapacity());
    EXPECT_EQ(Bar(), 256);
    desktop.log.entries.clear();
    EXPECT_FALSE(pane->CheckBurn());
    ASSERT_FALSE(desktop.log.entries.empty());
    EXPECT_NE(desktop.log.entries.back().find(L"larger than the disc"), std::wstring::npos);

    // Unchecked rows do not count.
    for (int i = 0; i < list->GetCount(); ++i) list->GetMediaItem(i)->SetChecked(false);
    pane->UpdateSizeMeter();
    EXPECT_EQ(pane->GetProjectedSize(), 0);
    EXPECT_EQ(Bar(), 0);
}

TEST_F(CBurnPaneTest, TheDiscInTheBurnerFixesTheSizeAndSmallDiscsFallBackToSingleLayer)
{
    Add(600);
    auto* size = dynamic_cast<CComboUI*>(Find(L"ID_COMBO_BURN_DVD_SIZE"));
    pane->SetDiscSize(0x880000);
    EXPECT_EQ(size->GetCurSel(), 1);
    EXPECT_FALSE(size->IsEnabled());
    pane->SetDiscSize(0x240000);  // still fitted
    EXPECT_EQ(pane->GetDiscCapacity(), 0x240000);
    EXPECT_FALSE(size->IsEnabled());
    pane->SetDiscSize(0x23FFFF);
    EXPECT_EQ(pane->GetDiscCapacity(), 0x480000);
    EXPECT_TRUE(size->IsEnabled());
    EXPECT_EQ(size->GetCurSel(), 0);
    pane->SetDiscSize(-5);
    EXPECT_EQ(pane->GetDiscCapacity(), 0x480000);
}

TEST_F(CBurnPaneTest, NoBurnerOrABurnerMessageStopsTheConversionUnlessTheUserGoesOn)
{
    Add(600);
    pane->BurnerRecord().devicePresent = false;
    pane->BurnerRecord().message = L"No burner here";
    desktop.log.entries.clear();
    EXPECT_FALSE(pane->CheckBurn());
    ASSERT_EQ(desktop.log.entries.size(), 1u);
    EXPECT_NE(desktop.log.entries[0].find(L"No burner here"), std::wstring::npos);

    pane->BurnerRecord().devicePresent = true;
    pane->BurnerRecord().message = L"The disc is full!";
    desktop.messageBox.answers = {IDNO};
    EXPECT_FALSE(pane->CheckBurn());
    EXPECT_NE(desktop.log.entries.back().find(L"The disc is full, do you want to continue burning?"), std::wstring::npos);
    desktop.messageBox.answers = {IDYES};
    EXPECT_TRUE(pane->CheckBurn());
}

TEST_F(CBurnPaneTest, RowsOfDifferentTvSystemsAreRefusedForOneDisc)
{
    Add(600);
    CMediaListItemUI* pal = Add(600);
    pal->SetProfile(90, 37, 13);  // DVD video (PAL)
    ASSERT_NE(pal->GetOwnProfile(), nullptr);
    ASSERT_EQ(pal->GetOwnProfile()->GetTvSystem(), L"PAL");
    desktop.log.entries.clear();
    EXPECT_FALSE(pane->CheckBurn());
    ASSERT_FALSE(desktop.log.entries.empty());
    EXPECT_NE(desktop.log.entries.back().find(L"TV systems"), std::wstring::npos) << desktop.log.entries.back();
    pal->SetChecked(false);
    EXPECT_TRUE(pane->CheckBurn());
}

TEST_F(CBurnPaneTest, MediaAddedToABurnPageAreMarkedForTheBurner)
{
    IVXMMedia* burnMedia = CreateVXMMediaObject(nullptr);
    IVXMMedia* convertMedia = CreateVXMMediaObject(nullptr);
    ASSERT_NE(burnMedia, nullptr);
    ASSERT_NE(convertMedia, nullptr);
    auto* burnBase = dynamic_cast<CVXMMediaBase*>(burnMedia);
    auto* convertBase = dynamic_cast<CVXMMediaBase*>(convertMedia);
    convertBase->m_bBurnNaming = 1;  // a copy of a burn row's media
    pane->AddMedia(burnMedia, -1, 0);
    window->GetMainPane()->AddMedia(convertMedia, -1, 0);
    EXPECT_EQ(burnBase->m_bBurnNaming, 1);
    EXPECT_EQ(convertBase->m_bBurnNaming, 0);
    list->RemoveAll();
    if (auto* mainPane = dynamic_cast<CMainPaneUI*>(window->GetMainPane())) mainPane->GetMediaList()->RemoveAll();
    burnMedia->Release();
    convertMedia->Release();
}

TEST_F(CBurnPaneTest, AfterTheLastJobTheConvertedRowsGoToTheBurnerAndItsFilesAreCleanedUp)
{
    vxmtest::CTempDir dir;
    const std::string source = vxmtest::GetTestMedia().mp4;
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", source, "-target", "ntsc-dvd", dir.File("a.mpg")}));
    CMediaListItemUI* first = Add(2);
    CMediaListItemUI* missing = Add(2);
    CMediaListItemUI* second = Add(2);
    ASSERT_TRUE(first && missing && second);
    media[0]->output = Utf8ToWide(dir.File("a.mpg"));
    media[0]->name = L"Beach";
    media[1]->output = Utf8ToWide(dir.File("never made.mpg"));  // left out
    media[2]->output = media[0]->output;
    media[2]->name = L"Dunes";
    desktop.files.saveAnswer = Utf8ToWide(dir.File("disc.iso"));
    Find(L"ID_EDIT_MUSIC_DURATION")->SetText(L"1");  // a short menu
    SetBurnWindowAutoClose(true);
    pane->OnAllJobsFinished(nullptr, 0);
    SetBurnWindowAutoClose(false);

    dvd_info info;
    ASSERT_EQ(parse_dvd(info, dir.File("disc.iso").c_str(), 0), 0);
    EXPECT_EQ(info.titles.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(WideToUtf8(JoinPath(GetAppDataFolder(), L"dvd_temp"))));
    EXPECT_FALSE(pane->IsBurning());
    EXPECT_EQ(Find(L"ID_EDIT_BURNSTATUS")->GetText(), L"Completed");
    EXPECT_TRUE(Find(L"ID_BTN_DVD_CONVERT")->IsEnabled());
}

// The burn window stays until it is closed; the footer's clock stops when the
// work ends, and the image file is asked for in the output folder.
TEST_F(CBurnPaneTest, TheClockStopsAtCompletedAndTheImageIsAskedForInTheOutputFolder)
{
    vxmtest::CTempDir dir;
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", vxmtest::GetTestMedia().mp4, "-target", "ntsc-dvd", dir.File("Café.mpg")}));
    CMediaListItemUI* row = Add(2);
    ASSERT_NE(row, nullptr);
    media[0]->output = Utf8ToWide(dir.File("Café.mpg"));
    media[0]->name = L"Café";
    CVXMSettings::GetInstance()->OutputFolder = Utf8ToWide(dir.File("Vidéos converties"));
    desktop.files.saveAnswer = Utf8ToWide(dir.File("disc.iso"));
    Find(L"ID_EDIT_MUSIC_DURATION")->SetText(L"1");
    bool clockRanDuringTheBurn = false, clockStoppedAtTheEnd = false;
    QTimer look;
    look.callOnTimeout([&] {
        CPaintManagerUI* pm = window->GetPaintManager();
        if (Find(L"ID_EDIT_BURNSTATUS")->GetText() != L"Completed") {
            clockRanDuringTheBurn |= pm->HasTimer(pane, CMainPaneUI::kBurnClockTimer);
            return;
        }
        look.stop();
        clockStoppedAtTheEnd = !pm->HasTimer(pane, CMainPaneUI::kBurnClockTimer);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == QStringLiteral("VXMBurnWnd"))
                if (CWindowWnd* burn = CWindowWnd::FromWidget(w)) burn->Close(0);
    });
    look.start(10);
    pane->OnAllJobsFinished(nullptr, 0);
    EXPECT_TRUE(clockRanDuringTheBurn);
    EXPECT_TRUE(clockStoppedAtTheEnd);
    ASSERT_FALSE(desktop.files.requests.empty());
    EXPECT_EQ(desktop.files.requests.back().folder, CVXMSettings::GetInstance()->OutputFolder);
}

TEST_F(CBurnPaneTest, ABurnCancelledAtTheImageDialogLeavesNoIntermediateFolder)
{
    vxmtest::CTempDir dir;
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", vxmtest::GetTestMedia().mp4, "-target", "ntsc-dvd", dir.File("a.mpg")}));
    ASSERT_NE(Add(2), nullptr);
    media[0]->output = Utf8ToWide(dir.File("a.mpg"));
    desktop.files.saveAnswer.clear();  // the user cancels the image's name
    pane->OnAllJobsFinished(nullptr, 0);
    EXPECT_FALSE(std::filesystem::exists(WideToUtf8(JoinPath(GetAppDataFolder(), L"dvd_temp"))));
    EXPECT_FALSE(pane->IsBurning());
}

}  // namespace
