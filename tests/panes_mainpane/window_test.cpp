// The pane in the program's main window: its skin, what the list shows as
// rows come and go, the status line, the chooser's answer and the actions
// at the end of a batch.
#include "pane_fakes.h"

#include "DBHelper.h"
#include "IProfile.h"
#include "MainFrameCommands.h"
#include "MainFrameDialogs.h"
#include "MainPaneMaker.h"
#include "MainPaneUI.h"
#include "MediaHandler.h"
#include "MediaListUI.h"
#include "MediaTags.h"
#include "PreviewPaneUI.h"
#include "ProfileChooserMessages.h"
#include "ProfileSettingsPaneUI.h"
#include "PropListItemUI.h"
#include "ProfileWndRows.h"
#include "ProfileWndUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "VXMMessages.h"
#include "VXMSettings.h"
#include "VXMStats.h"
#include "platform/desktop.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/UILanguage.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"
#include "FakeDesktop.h"
#include "UIMenuScript.h"
#include "ui/UIMenu.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWidget>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

namespace {

bool Pump(const std::function<bool()>& done) { return vxmtest::PumpUntil(done); }
using vxmtest::PumpPending;

class CPaneWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMainPaneMaker(nullptr);
        settings = CVXMSettings::GetInstance();
        settings->SimConversionTasks = 1;
        settings->UseNVidiaCUDA = 0;
        settings->ShutdownFlag = 0;
        settings->OpenOutputFolderAfterConvertingFinished = 0;
        window = new CVXMMainFrameWnd(L"");
        hwnd = window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655);
        ASSERT_NE(hwnd, nullptr);
        window->ShowWindow(true);
        pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        ASSERT_NE(pane, nullptr);
        list = pane->GetMediaList();
        ASSERT_NE(list, nullptr);
        list->SetConverter([this](IVXMMedia* media, IProfile*) {
            auto* m = static_cast<CQueueMedia*>(media);
            starts.push_back(m->title);
            m->state = 1;
            return true;
        });
    }
    void TearDown() override
    {
        // The rows' media belong to the test.
        if (list) list->RemoveAll();
        if (window) window->DestroyWindow();
        PumpPending();
    }

    CMediaListItemUI* Add(const std::wstring& title)
    {
        media.push_back(std::make_unique<CQueueMedia>(title));
        pane->AddMedia(media.back().get(), -1, 0);
        return list->FindItem(media.back().get());
    }
    CControlUI* Find(const wchar_t* name) { return window->GetPaintManager()->FindControl(name); }
    std::wstring RowText(CMediaListItemUI* row, const wchar_t* name)
    {
        CControlUI* c = window->GetPaintManager()->FindSubControlByName(row, name);
        return c && c->IsVisible() ? c->GetText() : std::wstring();
    }
    std::wstring StatusLine() { return Find(L"ID_LABEL_STATUS_BOTTOM")->GetText(); }

    CFakeDesktop desktop;
    CVXMSettings* settings = nullptr;
    CVXMMainFrameWnd* window = nullptr;
    HWND hwnd = nullptr;
    CMainPaneUI* pane = nullptr;
    CMediaListUI* list = nullptr;
    std::vector<std::unique_ptr<CQueueMedia>> media;
    std::vector<std::wstring> starts;
};

TEST_F(CPaneWindowTest, TheListPageShowsOnlyWithRowsAndTheJoinBarFromTwoRows)
{
    auto* tab = dynamic_cast<CTabLayoutUI*>(Find(L"ID_TAB_LISTS"));
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_FALSE(Find(L"ID_LAYOUT_MERGE_TOOLBAR")->IsVisible());
    Add(L"a");
    EXPECT_EQ(tab->GetCurSel(), 1);
    EXPECT_FALSE(Find(L"ID_LAYOUT_MERGE_TOOLBAR")->IsVisible());
    Add(L"b");
    EXPECT_TRUE(Find(L"ID_LAYOUT_MERGE_TOOLBAR")->IsVisible());
    EXPECT_EQ(list->GetCurSel(), 0);
    pane->RemoveMedia(media[0].get());
    pane->RemoveMedia(media[1].get());
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_EQ(StatusLine(), L"");
}

TEST_F(CPaneWindowTest, TheSelectedRowsSourceIsOnTheStatusLine)
{
    Add(L"first");
    Add(L"second");
    list->SelectItem(1);
    EXPECT_EQ(StatusLine(), L"/nowhere/second.avi");
}

TEST_F(CPaneWindowTest, WaitingRowsSayWaitingAndTheFinishedRowSaysCompleted)
{
    CMediaListItemUI* a = Add(L"a");
    CMediaListItemUI* b = Add(L"b");
    window->GetPaintManager()->SendNotify(Find(L"ID_BTN_CONVERT"), L"click");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(RowText(b, L"ID_LABEL_ITEM_STATUS"), L"Waiting...");
    media[0]->state = 0;
    PostMessageW(hwnd, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(media[0].get()));
    ASSERT_TRUE(Pump([&] { return starts.size() == 2; }));
    EXPECT_EQ(RowText(a, L"ID_LABEL_ITEM_STATUS"), L"Completed");
    EXPECT_EQ(a->GetStatus(), ITEM_STATUS_DONE);
}

TEST_F(CPaneWindowTest, OnlyAJobEndingWithZeroIsCompletedAndRecordedInTheHistory)
{
    CDBHelper* db = CDBHelper::GetInstance();
    ASSERT_NE(db, nullptr);
    // The name the history keeps the profile under.
    const std::wstring profile = CDBHelper::HistoryProfileName(pane->GetProfileManager(), pane->GetCurrentProfile());
    const int before = db->GetConvertedCount(profile);
    CMediaListItemUI* a = Add(L"a");
    CMediaListItemUI* b = Add(L"b");
    ASSERT_TRUE(pane->ConvertAll());
    // A failed step of the job: a positive code.
    media[0]->state = 0;
    PostMessageW(hwnd, WM_VXM_JOB_FINISHED, 1, reinterpret_cast<LPARAM>(media[0].get()));
    ASSERT_TRUE(Pump([&] { return starts.size() == 2; }));
    EXPECT_EQ(a->GetStatus(), ITEM_STATUS_FAILED);
    EXPECT_NE(RowText(a, L"ID_LABEL_ITEM_STATUS"), L"Completed");
    EXPECT_EQ(db->GetConvertedCount(profile), before);
    media[1]->state = 0;
    PostMessageW(hwnd, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(media[1].get()));
    ASSERT_TRUE(Pump([&] { return b->GetStatus() == ITEM_STATUS_DONE; }));
    EXPECT_EQ(RowText(b, L"ID_LABEL_ITEM_STATUS"), L"Completed");
    EXPECT_EQ(db->GetConvertedCount(profile), before + 1);
}

// Removes the row whose job ended as soon as the end is announced.
class CRemoveOnFinish : public INotifyUI {
public:
    explicit CRemoveOnFinish(CMediaListUI* list) : list(list) {}
    void Notify(TNotifyUI& msg) override
    {
        if (msg.sType == L"transfinished")
            if (auto* row = dynamic_cast<CMediaListItemUI*>(msg.pSender)) list->RemoveItem(row);
    }
    CMediaListUI* list;
};

TEST_F(CPaneWindowTest, ARowRemovedWhenItsEndIsAnnouncedStillLetsTheNextRowStart)
{
    Add(L"a");
    Add(L"b");
    CRemoveOnFinish remover(list);
    window->GetPaintManager()->AddNotifier(&remover);
    ASSERT_TRUE(pane->ConvertAll());
    media[0]->state = 0;
    PostMessageW(hwnd, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(media[0].get()));
    EXPECT_TRUE(Pump([&] { return starts.size() == 2; }));
    EXPECT_EQ(list->GetCount(), 1);
    EXPECT_EQ(starts.back(), L"b");
    window->GetPaintManager()->RemoveNotifier(&remover);
}

TEST_F(CPaneWindowTest, AtTheEndOfTheBatchTheOutputFolderOpensOnceAndTheButtonsComeBack)
{
    vxmtest::CTempDir dir;
    std::ofstream(dir.File("a.mp4")) << "x";
    std::ofstream(dir.File("b.mp4")) << "x";
    settings->OpenOutputFolderAfterConvertingFinished = 1;
    Add(L"a");
    Add(L"b");
    const std::string a = dir.File("a.mp4"), b = dir.File("b.mp4");
    media[0]->outputPath = std::wstring(a.begin(), a.end());
    media[1]->outputPath = std::wstring(b.begin(), b.end());
    ASSERT_TRUE(pane->ConvertAll());
    pane->OnConversionStarted(media[0].get());
    EXPECT_FALSE(Find(L"ID_BTN_MERGE_ON")->IsEnabled());
    for (int i = 0; i < 2; ++i) {
        media[i]->state = 0;
        PostMessageW(hwnd, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(media[i].get()));
        ASSERT_TRUE(Pump([&] { return list->GetMediaItem(i)->GetStatus() == ITEM_STATUS_DONE; }));
    }
    int shown = 0;
    for (const std::wstring& call : desktop.Calls()) shown += call.rfind(L"Shell.ShowInFolder", 0) == 0;
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(Find(L"ID_BTN_MERGE_ON")->IsEnabled());
    EXPECT_TRUE(Find(L"ID_BTN_CONVERT")->IsEnabled());
}

// After its conversion a row with tags says "Saving..." while its long output
// gets them off the UI thread; it is Completed, and the next row starts, only
// then. An output that cannot take them: Completed, with the reason, untouched.
TEST_F(CPaneWindowTest, AConvertedRowSaysSavingUntilItsOutputHasItsTags)
{
    vxmtest::CTempDir dir;
    const std::vector<std::string> outputs = {dir.File("\xe6\x9d\xb1\xe4\xba\xac\xe3\x81\xae\xe5\xa4\x9c 2.wav"),
                                              dir.File("Caf\xc3\xa9 d\xc3\xa9j\xc3\xa0 vu.wav")};
    for (size_t i = 0; i < outputs.size(); ++i) {
        ASSERT_TRUE(vxmtest::MakeSparseSilence(outputs[i], 3u << 30));
        const std::string name = outputs[i].substr(outputs[i].rfind('/') + 1);
        CMediaListItemUI* row = Add(Utf8ToWide(name.substr(0, name.size() - 4)));
        media[i]->outputPath = Utf8ToWide(outputs[i]);
        VXM_MEDIA_TAGS tags;
        tags.title = L"Nuit \u00e0 Montmartre";
        row->SetTags(tags);
    }
    ASSERT_EQ(chmod(outputs[1].c_str(), 0444), 0);
    const std::string untouched = vxmtest::FileFingerprint(outputs[1]);
    ASSERT_TRUE(pane->ConvertAll());
    for (size_t i = 0; i < outputs.size(); ++i) {
        CMediaListItemUI* row = list->GetMediaItem(static_cast<int>(i));
        pane->OnConversionStarted(media[i].get());
        media[i]->state = 0;
        SendMessage(hwnd, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(media[i].get()));
        EXPECT_EQ(RowText(row, L"ID_LABEL_ITEM_STATUS"), L"Saving...");
        EXPECT_EQ(row->GetStatus(), ITEM_STATUS_CONVERTING);
        EXPECT_EQ(starts.size(), i + 1);
        EXPECT_FALSE(Find(L"ID_BTN_CONVERT")->IsEnabled());
        ASSERT_TRUE(Pump([&] { return row->GetStatus() == ITEM_STATUS_DONE; }));
        EXPECT_EQ(RowText(row, L"ID_LABEL_ITEM_STATUS"), L"Completed");
    }
    EXPECT_EQ(starts.size(), 2u);
    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTagsFromFile(Utf8ToWide(outputs[0]), read, L""), 1);
    EXPECT_EQ(read.title, L"Nuit \u00e0 Montmartre");
    EXPECT_EQ(list->GetMediaItem(0)->GetStatusToolTip(), L"");
    EXPECT_TRUE(vxmtest::FileFingerprint(outputs[1]) == untouched);
    const std::wstring why = list->GetMediaItem(1)->GetStatusToolTip();
    EXPECT_NE(why.find(L"could not be written into " + Utf8ToWide(outputs[1])), std::wstring::npos) << WideToUtf8(why);
    EXPECT_TRUE(Find(L"ID_BTN_CONVERT")->IsEnabled());
}

TEST_F(CPaneWindowTest, ARowRemovedWhileItsOutputGetsItsTagsLetsTheNextRowStartAndTheBatchEnd)
{
    vxmtest::CTempDir dir;
    const std::string output = dir.File("Caf\xc3\xa9 d\xc3\xa9j\xc3\xa0 vu.wav");
    ASSERT_TRUE(vxmtest::MakeSparseSilence(output, 3u << 30));
    CMediaListItemUI* row = Add(L"Caf\u00e9 d\u00e9j\u00e0 vu");
    Add(L"\u6771\u4eac\u306e\u591c 2");
    media[0]->outputPath = Utf8ToWide(output);
    VXM_MEDIA_TAGS tags;
    tags.title = L"Nuit \u00e0 Montmartre";
    row->SetTags(tags);
    ASSERT_TRUE(pane->ConvertAll());
    pane->OnConversionStarted(media[0].get());
    media[0]->state = 0;
    SendMessage(hwnd, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(media[0].get()));
    ASSERT_TRUE(row->IsSavingTags());
    list->RemoveItem(row);
    ASSERT_TRUE(Pump([&] { return starts.size() == 2; }));
    pane->OnConversionStarted(media[1].get());
    media[1]->state = 0;
    SendMessage(hwnd, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(media[1].get()));
    EXPECT_TRUE(Find(L"ID_BTN_CONVERT")->IsEnabled());
    EXPECT_TRUE(Find(L"ID_BTN_MERGE_ON")->IsEnabled());
}

TEST_F(CPaneWindowTest, TheChoosersAnswerBecomesTheListsProfileAndIsRemembered)
{
    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    ASSERT_NE(catalogue, nullptr);
    IProfileGroup* webm = catalogue->FindGroupByName(L"webm");
    ASSERT_NE(webm, nullptr);
    IProfile* profile = webm->GetProfile(0);
    ASSERT_NE(profile, nullptr);
    PostMessageW(hwnd, WM_VXM_PROFILE_SELECTED, MakeProfileSelectionWParam(profile->GetId()),
                 MakeProfileSelectionLParam(0, webm->GetId()));
    ASSERT_TRUE(Pump([&] { return pane->GetCurrentProfile() == profile; }));
    EXPECT_EQ(pane->GetCurrentGroup(), webm);
    EXPECT_EQ(settings->nProfile, profile->GetId());
    EXPECT_EQ(settings->nProfileGroup, webm->GetId());
    EXPECT_EQ(Find(L"ID_BTN_PROFILE")->GetText(), profile->GetDesc());
}

TEST_F(CPaneWindowTest, AnIdMissingFromTheCatalogueChangesNothing)
{
    IProfile* before = pane->GetCurrentProfile();
    ASSERT_NE(before, nullptr);
    PostMessageW(hwnd, WM_VXM_PROFILE_SELECTED, MakeProfileSelectionWParam(987654), MakeProfileSelectionLParam(0, 987));
    PumpPending();
    EXPECT_EQ(pane->GetCurrentProfile(), before);
}

TEST_F(CPaneWindowTest, AProfilePickedInTheChooserOpenedByTheProfileButtonBecomesTheListsProfile)
{
    window->GetPaintManager()->SendNotify(Find(L"ID_BTN_PROFILE"), L"click");
    auto* chooser = dynamic_cast<CProfileWndUI*>(pane->GetProfileWnd());
    ASSERT_NE(chooser, nullptr);
    ASSERT_NE(chooser->GetHWND(), nullptr);
    EXPECT_EQ(chooser->GetParentWindow(), hwnd);
    // The user picks the last profile the chooser lists.
    auto* rows = dynamic_cast<CListUI*>(chooser->GetPaintManager()->FindControl(L"ID_LIST_PROFILE"));
    ASSERT_NE(rows, nullptr);
    CProfileItemUI* pick = nullptr;
    for (int i = 0; i < rows->GetCount(); ++i)
        if (auto* row = dynamic_cast<CProfileItemUI*>(rows->GetItemAt(i))) pick = row;
    ASSERT_NE(pick, nullptr);
    ASSERT_NE(pick->GetProfile(), pane->GetCurrentProfile());
    chooser->SelectProfile(pick);
    EXPECT_TRUE(Pump([&] { return pane->GetCurrentProfile() == pick->GetProfile(); }));
}

TEST_F(CPaneWindowTest, ARowsChosenProfileIsTheOneTheSettingsPaneEditsThroughALanguageSwitch)
{
    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    IProfileGroup* webm = catalogue ? catalogue->FindGroupByName(L"webm") : nullptr;
    ASSERT_NE(webm, nullptr);
    ASSERT_GE(webm->GetProfileCount(), 2);
    auto* settingsPane = dynamic_cast<CProfileSettingsPaneUI*>(pane->GetProfileSettingsPane());
    ASSERT_NE(settingsPane, nullptr);
    CMediaListItemUI* row = Add(L"a");
    ASSERT_EQ(list->GetCurSel(), 0);
    // The row's chooser answers twice: each answer replaces the row's profile.
    for (int i : {0, 1}) {
        const int id = webm->GetProfile(i)->GetId();
        window->GetPaintManager()->SendNotify(row, kNotifyItemProfileChanged, MakeProfileSelectionWParam(id),
                                              MakeProfileSelectionLParam(0, webm->GetId()));
        ASSERT_EQ(row->GetProfileId(), id);
        EXPECT_EQ(row->GetGroupId(), webm->GetId());
        EXPECT_EQ(row->GetCategoryId(), 0);
        EXPECT_EQ(settingsPane->GetProfile(), row->GetProfile()) << "answer " << i;
    }
    CControlUI* root = window->GetPaintManager()->GetRoot();
    window->GetPaintManager()->SendNotify(root, L"language_changed");
    ASSERT_EQ(settingsPane->GetProfile(), row->GetProfile());
    // An edit of a parameter reaches the row's profile.
    CPropListItemUI* bitrate = settingsPane->GetRow(CProfileSettingsPaneUI::kAudioBitrate);
    ASSERT_NE(bitrate, nullptr);
    ASSERT_GE(bitrate->GetValueCount(), 2);
    const int pick = bitrate->GetCombo()->GetCurSel() == 0 ? 1 : 0;
    {
        CDispatchScope scope(window->GetPaintManager());
        bitrate->GetCombo()->SelectItem(pick, false, true);
    }
    EXPECT_EQ(row->GetProfile()->GetAudioBitrate(), bitrate->GetEntryText(pick));
}

}  // namespace

namespace {

class CNamedProfile : public CExtProfile {
public:
    explicit CNamedProfile(std::wstring name) : CExtProfile(L"m4v"), name(std::move(name)) {}
    std::wstring GetName() const override { return name; }
    std::wstring name;
};

TEST_F(CPaneWindowTest, AnOutputOfAnAppleProfileGoesToTheMusicLibraryWhenAsked)
{
    const std::vector<std::wstring>& apple = list->GetAppleProfileNames();
    ASSERT_FALSE(apple.empty());
    vxmtest::CTempDir dir;
    const std::string out = dir.File("a.m4v");
    std::ofstream(out) << "x";
    CNamedProfile profile(apple.front());
    list->SetCurrentProfile(&profile);
    Add(L"a");
    media[0]->outputPath = std::wstring(out.begin(), out.end());

    settings->IsExportToiTunes = 0;
    ASSERT_TRUE(pane->ConvertAll());
    media[0]->state = 0;
    pane->OnJobFinished(media[0].get(), 0);
    const std::wstring notInstalled = CLanguageManager::GetInstance()->LoadStringW(182);
    PumpPending();
    EXPECT_NE(StatusLine(), notInstalled);

    // Asked for: this system has no music library, which the status line says.
    settings->IsExportToiTunes = 1;
    list->GetMediaItem(0)->SetChecked(true);
    ASSERT_TRUE(pane->ConvertAll());
    media[0]->state = 0;
    pane->OnJobFinished(media[0].get(), 0);
    EXPECT_TRUE(Pump([&] { return StatusLine() == notInstalled; }));
    settings->IsExportToiTunes = 0;
}

}  // namespace

namespace {

TEST_F(CPaneWindowTest, TheBurnerPaneStartsWithADiscProfileThoughTheStoredChoiceIsNone)
{
    auto* burn = dynamic_cast<CMainPaneUI*>(window->GetBurnPane());
    ASSERT_NE(burn, nullptr);
    EXPECT_TRUE(burn->IsBurnMode());
    ASSERT_NE(burn->GetMediaList(), nullptr);
    EXPECT_TRUE(burn->GetMediaList()->IsBurnList());
    EXPECT_FALSE(list->IsBurnList());
    ASSERT_NE(burn->GetCurrentGroup(), nullptr);
    EXPECT_NE(burn->GetCurrentGroup()->GetBurn(), 0);
    ASSERT_NE(pane->GetCurrentGroup(), nullptr);
    EXPECT_EQ(pane->GetCurrentGroup()->GetBurn(), 0);
}

}  // namespace

namespace {

COptionUI* Heading(CMainPaneUI* owner, const wchar_t* name)
{
    CControlUI* settings = owner->GetProfileSettingsPane();
    return dynamic_cast<COptionUI*>(settings->GetManager()->FindSubControlByName(settings, name));
}

// The settings pages sent as usage actions so far.
std::vector<int> PageActions()
{
    std::vector<int> pages;
    for (const CStatsAction& a : GetRecordedStatsActions())
        if (a.action == 32 && a.value >= 120 && a.value < 150) pages.push_back(a.value);
    return pages;
}

TEST_F(CPaneWindowTest, TheSettingsHeadingsShowOneSectionAtATimeAndEachChangeCounts)
{
    settings->UseSendAction = 1;
    ClearRecordedStatsActions();
    auto* settingsPane = dynamic_cast<CProfileSettingsPaneUI*>(pane->GetProfileSettingsPane());
    ASSERT_NE(settingsPane, nullptr);
    auto shown = [](CProfileSettingsPaneUI* p) {
        std::vector<bool> out;
        for (int i = 0; i < 3; ++i) out.push_back(p->GetSection(i)->IsVisible());
        return out;
    };
    using Shown = std::vector<bool>;
    EXPECT_EQ(shown(settingsPane), (Shown{true, false, false}));
    for (const wchar_t* name : {L"ID_OPTION_AUDIO_OPTIONS", L"ID_OPTION_VIDEO_OPTIONS", L"ID_OPTION_BASIC_SETTINGS"})
        ASSERT_NE(Heading(pane, name), nullptr) << WideToUtf8(name);

    Heading(pane, L"ID_OPTION_AUDIO_OPTIONS")->Activate();
    EXPECT_EQ(shown(settingsPane), (Shown{false, true, false}));
    EXPECT_TRUE(Heading(pane, L"ID_OPTION_AUDIO_OPTIONS")->IsSelected());
    EXPECT_FALSE(Heading(pane, L"ID_OPTION_BASIC_SETTINGS")->IsSelected());
    // The pane's rows are laid out where the section shows.
    window->GetPaintManager()->UpdateLayout();
    CPropListItemUI* codec = settingsPane->GetRow(CProfileSettingsPaneUI::kAudioCodec);
    ASSERT_NE(codec, nullptr);
    EXPECT_TRUE(codec->IsVisible());
    EXPECT_GT(codec->GetPos().bottom, codec->GetPos().top);

    Heading(pane, L"ID_OPTION_VIDEO_OPTIONS")->Activate();
    EXPECT_EQ(shown(settingsPane), (Shown{false, false, true}));
    // The heading of the page shown stays pressed and counts nothing more.
    Heading(pane, L"ID_OPTION_VIDEO_OPTIONS")->Activate();
    EXPECT_EQ(shown(settingsPane), (Shown{false, false, true}));
    EXPECT_TRUE(Heading(pane, L"ID_OPTION_VIDEO_OPTIONS")->IsSelected());
    EXPECT_EQ(pane->GetSettingsPage(), 2);
    EXPECT_EQ(PageActions(), (std::vector<int>{121, 122}));

    // The burn page's headings switch its own settings only.
    auto* burn = dynamic_cast<CMainPaneUI*>(window->GetBurnPane());
    ASSERT_NE(burn, nullptr);
    auto* burnSettings = dynamic_cast<CProfileSettingsPaneUI*>(burn->GetProfileSettingsPane());
    ASSERT_NE(burnSettings, nullptr);
    window->SelectPage(1);
    Heading(burn, L"ID_OPTION_AUDIO_OPTIONS")->Activate();
    EXPECT_EQ(shown(burnSettings), (Shown{false, true, false}));
    EXPECT_EQ(settingsPane->GetShownSection(), 2);
    // Its burner page leaves the profile's page as it is.
    auto* burnerOptions = dynamic_cast<COptionUI*>(Find(L"ID_OPTION_CONFIG_BURNER_OPTIONS"));
    ASSERT_NE(burnerOptions, nullptr);
    burnerOptions->Activate();
    EXPECT_TRUE(Find(L"ID_CON_BURNER_OPTIONS")->IsVisible());
    EXPECT_FALSE(Find(L"ID_CON_BURNER_DVD_MENU")->IsVisible());
    EXPECT_EQ(shown(burnSettings), (Shown{false, true, false}));
    EXPECT_EQ(PageActions(), (std::vector<int>{121, 122, 141, 143}));
    settings->UseSendAction = 0;
}

// A clip the preview can start, whose file exists.
class CPreviewMedia : public CQueueMedia {
public:
    CPreviewMedia(std::wstring title, std::wstring path) : CQueueMedia(std::move(title)), path(std::move(path)) {}
    std::wstring GetSourcePath() const override { return path; }
    int StartPreview(HWND) override
    {
        ++previews;
        return 0;
    }
    std::wstring path;
    int previews = 0;
};

TEST_F(CPaneWindowTest, ADoubleClickedRowPlaysInThePreviewUnlessItsFileIsLookedUpInTheMusicLibrary)
{
    vxmtest::CTempDir dir;
    const std::string file = dir.File("clip.mp4");
    std::ofstream(file) << "x";
    CPreviewMedia clip(L"clip", Utf8ToWide(file));
    pane->AddMedia(&clip, -1, 0);
    CMediaListItemUI* row = list->FindItem(&clip);
    ASSERT_NE(row, nullptr);
    CPreviewPaneUI* preview = pane->GetPreviewPane();
    ASSERT_NE(preview, nullptr);

    settings->IsExportToiTunes = 0;
    row->OnDoubleClick();
    EXPECT_EQ(clip.previews, 1);
    EXPECT_EQ(preview->GetMedia(), &clip);
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PLAYING);
    preview->Stop();

    // A converting row does not play.
    clip.state = 1;
    row->OnDoubleClick();
    EXPECT_EQ(clip.previews, 1);
    clip.state = 0;

    // With the export on, the file is looked up instead; this system has no
    // music library, which the status line says.
    settings->IsExportToiTunes = 1;
    row->OnDoubleClick();
    const std::wstring notInstalled = CLanguageManager::GetInstance()->LoadStringW(182);
    EXPECT_TRUE(Pump([&] { return StatusLine() == notInstalled; }));
    EXPECT_EQ(clip.previews, 1);
    settings->IsExportToiTunes = 0;
    list->RemoveAll();
}

TEST_F(CPaneWindowTest, TheSettingsAudioSwitchMovesTheRowsChoiceAndTheUserCanPickTheTrackAgain)
{
    IVXMMedia* clip = CreateVXMMediaObject(nullptr);
    clip->SetSourcePath(Utf8ToWide(vxmtest::GetTestMedia().mp4));
    ASSERT_GE(clip->Probe(), 0);
    pane->AddMedia(clip, -1, 0);  // the list owns it from here
    CMediaListItemUI* row = list->FindItem(clip);
    ASSERT_NE(row, nullptr);
    IProfile* listProfile = pane->GetCurrentProfile();
    ASSERT_NE(listProfile, nullptr);
    // The row converts with a profile of its own, which the settings pane shows.
    list->SelectItem(0);
    window->GetPaintManager()->SendNotify(row, kNotifyItemProfileChanged, MakeProfileSelectionWParam(listProfile->GetId()),
                                          MakeProfileSelectionLParam(0, pane->GetCurrentGroup()->GetId()));
    ASSERT_NE(row->GetOwnProfile(), nullptr);
    auto* settingsPane = dynamic_cast<CProfileSettingsPaneUI*>(pane->GetProfileSettingsPane());
    ASSERT_EQ(settingsPane->GetProfile(), row->GetProfile());
    auto* combo = dynamic_cast<CComboUI*>(window->GetPaintManager()->FindSubControlByName(row, L"ID_COMBO_AUDIO_TRACK"));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->GetCount(), 3) << "one track, no audio, add a file";

    // The user turns the sound off on the audio page of the settings.
    Heading(pane, L"ID_OPTION_AUDIO_OPTIONS")->Activate();
    CPropListItemUI* audioOff = settingsPane->GetRow(CProfileSettingsPaneUI::kAudioOff);
    ASSERT_NE(audioOff, nullptr);
    {
        CDispatchScope scope(window->GetPaintManager());
        audioOff->GetCheckBox()->Selected(true);
    }
    EXPECT_EQ(row->GetOwnProfile()->IsAudioDisabled(), 1);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(row->GetAudioChoice(), 1);

    // Picking the track again brings the sound back.
    row->SelectAudio(0);
    EXPECT_EQ(row->GetOwnProfile()->IsAudioDisabled(), 0);
    EXPECT_FALSE(audioOff->IsTicked());
    list->RemoveAllItems();  // releases the clip, which the fixture's end would not
}

TEST_F(CPaneWindowTest, ALanguageSwitchFillsTheOpenChooserAndTheBurnersChoicesInTheNewLanguage)
{
    auto* burn = dynamic_cast<CMainPaneUI*>(window->GetBurnPane());
    ASSERT_NE(burn, nullptr);
    window->SelectPage(1);
    burn->ShowProfileWnd();
    auto* chooser = dynamic_cast<CProfileWndUI*>(burn->GetProfileWnd());
    ASSERT_TRUE(chooser && chooser->GetHWND());
    const std::wstring desc = burn->GetCurrentProfile()->GetDesc();
    auto shownDesc = [&] {
        auto* rows = dynamic_cast<CListUI*>(chooser->GetPaintManager()->FindControl(L"ID_LIST_PROFILE"));
        for (int i = 0; rows && i < rows->GetCount(); ++i)
            if (auto* r = dynamic_cast<CProfileItemUI*>(rows->GetItemAt(i)); r && r->GetProfile()->GetDesc() == desc)
                return r->GetLabel()->GetText();
        return std::wstring(L"(no row)");
    };
    auto* speeds = dynamic_cast<CComboUI*>(window->GetPaintManager()->FindControl(L"ID_COMBO_WRITE_SPEED"));
    ASSERT_TRUE(speeds && speeds->GetCount() > 0);
    EXPECT_EQ(shownDesc(), desc);

    vxmtest::CTempDir dir;
    std::filesystem::create_directories(dir.File("xx"));
    std::ofstream(dir.File("xx/pro.xml"))
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Language id=\"xx\" name=\"Test\">\n"
        << "  <Text key=\"" << WideToUtf8(desc) << "\" text=\"Scheibe XX\"/>\n"
        << "  <Text key=\"ID_STRING_BURN_SPEED_MAX\" text=\"Schnellste\"/>\n"
        << "  <Control name=\"ID_BUTTON_ALL_EXPAND\" attributes='tooltip=\"Alle aufklappen\"'/>\n"
        << "</Language>\n";
    CLanguageManager* language = CLanguageManager::GetInstance();
    const std::wstring folder = language->GetLanguageFolder();
    const std::wstring was = language->GetLangID();
    language->SetLanguageFolder(Utf8ToWide(dir.Path()));
    ASSERT_EQ(language->SetLang(L"xx"), L"xx");
    CControlUI* root = window->GetPaintManager()->GetRoot();
    window->GetPaintManager()->SendNotify(root, L"language_changed");
    EXPECT_EQ(shownDesc(), L"Scheibe XX");
    EXPECT_EQ(chooser->GetPaintManager()->FindControl(L"ID_BUTTON_ALL_EXPAND")->GetToolTip(), L"Alle aufklappen");
    EXPECT_EQ(speeds->GetItemAt(0)->GetText(), L"Schnellste");

    language->SetLanguageFolder(folder);
    language->SetLang(was);
    window->GetPaintManager()->SendNotify(root, L"language_changed");
    EXPECT_EQ(shownDesc(), desc);
}

}  // namespace

namespace {

// The row context menu opened over the list tab, answered by the script.
void OpenRowMenu(CVXMMainFrameWnd* window, CControlUI* over)
{
    const RECT& rc = over->GetPos();
    const QPoint screen = window->GetWidget()->mapToGlobal(QPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
    TNotifyUI msg;
    msg.sType = L"media_contextmenu";
    msg.wParam = static_cast<WPARAM>(screen.x());
    msg.lParam = static_cast<LPARAM>(screen.y());
    window->Notify(msg);
}

TEST_F(CPaneWindowTest, ACompletedRowsOutputIsShownSelectedFromTheRowMenuAndTheHistoryMenuNeverConverts)
{
    vxmtest::CTempDir dir;
    const std::string out = dir.File("a.mp4");
    std::ofstream(out) << "x";
    Add(L"a");
    media[0]->outputPath = Utf8ToWide(out);
    ASSERT_TRUE(pane->ConvertAll());
    media[0]->state = 0;
    PostMessageW(hwnd, WM_VXM_JOB_FINISHED, 0, reinterpret_cast<LPARAM>(media[0].get()));
    ASSERT_TRUE(Pump([&] { return list->GetMediaItem(0)->GetStatus() == ITEM_STATUS_DONE; }));
    list->SelectItem(0);
    window->GetPaintManager()->UpdateLayout();

    CScriptedMenuRunner runner;
    CMenuRunnerScope scope(&runner);
    runner.Choose(ID_LIST_OPEN_DESTINATION);
    OpenRowMenu(window, Find(L"ID_TAB_LISTS"));
    ASSERT_EQ(runner.shown.size(), 1u);
    CMenu* menu = window->GetMenus()->GetSubMenu(MENU_MEDIA_LIST);
    EXPECT_TRUE(menu->IsEnabled(ID_LIST_OPEN_DESTINATION));
    EXPECT_TRUE(menu->IsEnabled(ID_START_CONVERTING));
    EXPECT_FALSE(menu->IsEnabled(ID_STOP_CONVERTING));
    EXPECT_NE(std::find(desktop.Calls().begin(), desktop.Calls().end(), L"Shell.ShowInFolder: " + Utf8ToWide(out)),
              desktop.Calls().end());

    // The history page: its rows are never converted from the menu.
    auto* tab = dynamic_cast<CTabLayoutUI*>(Find(L"ID_TAB_LISTS"));
    ASSERT_NE(tab, nullptr);
    tab->SelectItem(2);
    window->GetPaintManager()->UpdateLayout();
    runner.Choose(0);
    OpenRowMenu(window, tab);
    ASSERT_EQ(runner.shown.size(), 2u);
    EXPECT_FALSE(menu->IsEnabled(ID_START_CONVERTING));
    EXPECT_FALSE(menu->IsEnabled(ID_STOP_CONVERTING));
}

TEST_F(CPaneWindowTest, DeleteRemovesEverySelectedRowButNotWhileANameIsTyped)
{
    for (const wchar_t* title : {L"a", L"b", L"c", L"d"}) Add(title);
    list->SelectItem(0, true);
    list->SelectMultiItem(2, true);
    ASSERT_EQ(list->GetSelectedItems(), (std::vector<int>{0, 2}));
    auto pressDelete = [this] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(window->GetWidget(), &press);
    };

    CMediaListItemUI* b = list->GetMediaItem(1);
    b->ShowNameEdit(true);
    pressDelete();
    EXPECT_EQ(list->GetCount(), 4);
    b->ShowNameEdit(false);

    list->GetMediaItem(2)->SetFocus();
    pressDelete();
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetMediaItem(0)->GetMedia(), media[1].get());
    EXPECT_EQ(list->GetMediaItem(1)->GetMedia(), media[3].get());
}

TEST_F(CPaneWindowTest, TheOutputFolderFieldFollowsSetOutputFolderAtOnce)
{
    vxmtest::CTempDir dir;
    const std::wstring chosen = Utf8ToWide(dir.Path());
    auto* settingsPane = dynamic_cast<CProfileSettingsPaneUI*>(pane->GetProfileSettingsPane());
    ASSERT_NE(settingsPane, nullptr);
    CPropListItemUI* folder = settingsPane->GetRow(CProfileSettingsPaneUI::kFolder);
    ASSERT_NE(folder, nullptr);
    ASSERT_NE(folder->GetValueText().rfind(chosen, 0), 0u);
    desktop.files.folderAnswer = chosen;
    window->OnCommand(ID_SET_OUTPUT_FOLDER);
    EXPECT_EQ(settings->OutputFolder, chosen);
    EXPECT_EQ(folder->GetValueText().rfind(chosen, 0), 0u) << WideToUtf8(folder->GetValueText());

    // The options dialog's OK, likewise.
    const std::wstring other = chosen + L"/other";
    CMainFrameDialogs dialogs;
    dialogs.options = [&](HWND) {
        settings->OutputFolder = other;
        return 0;
    };
    SetMainFrameDialogs(&dialogs);
    window->OnCommand(ID_OPTIONS);
    SetMainFrameDialogs(nullptr);
    // The language applied again built the rows anew.
    folder = settingsPane->GetRow(CProfileSettingsPaneUI::kFolder);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->GetValueText().rfind(other, 0), 0u) << WideToUtf8(folder->GetValueText());
}

// A user's road through the list's right-click menu: each entry, picked by
// the text it shows, runs its own command, and is offered exactly when the
// list's state allows it.
class CRowMenuTest : public CPaneWindowTest {
protected:
    // Right-clicks the row and picks the entry shown with `text`; false when
    // the entry was greyed (nothing runs then).
    bool Pick(CMediaListItemUI* row, const wchar_t* text)
    {
        runner.ChooseText(text);
        window->GetPaintManager()->UpdateLayout();
        const RECT& rc = row->GetPos();
        const QPoint local((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        QContextMenuEvent click(QContextMenuEvent::Mouse, local, window->GetWidget()->mapToGlobal(local));
        QApplication::sendEvent(window->GetWidget(), &click);
        EXPECT_TRUE(runner.found) << WideToUtf8(text) << " is not in the menu";
        return runner.offered;
    }
    std::vector<bool> Ticks()
    {
        std::vector<bool> ticks;
        for (int i = 0; i < list->GetCount(); ++i) ticks.push_back(list->GetMediaItem(i)->IsChecked());
        return ticks;
    }
    bool Logged(const std::wstring& call)
    {
        return std::find(desktop.Calls().begin(), desktop.Calls().end(), call) != desktop.Calls().end();
    }

    CScriptedMenuRunner runner;
    CMenuRunnerScope scope{&runner};
};

TEST_F(CRowMenuTest, EveryEntryRunsItsOwnCommandWhenItsStateAllowsIt)
{
    vxmtest::CTempDir dir;
    const std::string source = dir.File("Café déjà vu.mp4");
    const std::string output = dir.File("Café déjà vu (converted).mp4");
    std::ofstream(source) << "x";
    std::ofstream(output) << "x";
    CMediaListItemUI* cafe = Add(L"Café déjà vu");
    media[0]->source = Utf8ToWide(source);
    media[0]->outputPath = Utf8ToWide(output);
    CMediaListItemUI* tokyo = Add(L"東京の夜 2");
    Add(L"🎬 clip");
    list->SelectItem(0);
    ASSERT_EQ(Ticks(), (std::vector<bool>{true, true, true}));

    EXPECT_FALSE(Pick(cafe, L"&Paste Video URL\tCtrl+V"));  // nothing on the clipboard
    desktop.clipboard.ExternalChange(L"https://video.example.com/watch?v=night-cafe");
    EXPECT_TRUE(Pick(cafe, L"&Paste Video URL\tCtrl+V"));
    ASSERT_TRUE(vxmtest::PumpUntil([&] { return list->GetCount() == 4; }));
    EXPECT_TRUE(list->GetMediaItem(3)->IsOnlineItem());
    list->RemoveItem(list->GetMediaItem(3));
    list->SelectItem(0);

    EXPECT_FALSE(Pick(cafe, L"Chec&k"));  // already ticked
    EXPECT_TRUE(Pick(cafe, L"&Uncheck"));
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, true}));
    EXPECT_FALSE(Pick(cafe, L"&Uncheck"));
    EXPECT_TRUE(Pick(cafe, L"Chec&k"));
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(Pick(cafe, L"Uncheck All"));
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(Pick(cafe, L"Uncheck All"));  // nothing ticked
    EXPECT_TRUE(Pick(cafe, L"&Check All\tCtrl+A"));
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, true}));

    EXPECT_TRUE(Pick(cafe, L"Re&name"));
    EXPECT_TRUE(cafe->IsNameEditShown());
    EXPECT_FALSE(tokyo->IsNameEditShown());
    cafe->ShowNameEdit(false);

    EXPECT_TRUE(Pick(cafe, L"&Copy Video URL to ClipBoard\tCtrl+C"));
    EXPECT_EQ(desktop.clipboard.GetText(), Utf8ToWide(source));
    EXPECT_TRUE(Pick(cafe, L"Open Source File &Location..."));
    EXPECT_TRUE(Logged(L"Shell.ShowInFolder: " + Utf8ToWide(source)));
    EXPECT_TRUE(Pick(cafe, L"Open &Destination File Location..."));
    EXPECT_TRUE(Logged(L"Shell.ShowInFolder: " + Utf8ToWide(output)));
    // A desktop where no program shows folders: the user hears of it.
    desktop.shell.answer = false;
    EXPECT_TRUE(Pick(cafe, L"Open &Destination File Location..."));
    EXPECT_TRUE(Logged(L"MessageBox.Show: Vexmora|No program on this desktop shows folders, so " + Utf8ToWide(output) +
                       L" cannot be opened.|16"));
    desktop.shell.answer = true;
    list->SelectItem(1);
    EXPECT_FALSE(Pick(tokyo, L"Open &Destination File Location..."));  // nothing converted yet

    // Joining: the selected rows, then all rows and back.
    EXPECT_FALSE(Pick(tokyo, L"Join Selected Files"));  // one row selected
    list->SelectItem(0, true);
    list->SelectMultiItem(1, true);
    EXPECT_TRUE(Pick(cafe, L"Join Selected Files"));
    EXPECT_EQ(media[0]->joinedWith, (std::vector<IVXMMedia*>{media[1].get()}));
    EXPECT_FALSE(Pick(cafe, L"Unjoin All Files"));
    EXPECT_TRUE(Pick(cafe, L"Join All Files"));
    EXPECT_TRUE(list->IsJoinMode());
    EXPECT_FALSE(Pick(cafe, L"Join All Files"));
    EXPECT_TRUE(Pick(cafe, L"Unjoin All Files"));
    EXPECT_FALSE(list->IsJoinMode());

    // Converting the ticked rows, and stopping them.
    EXPECT_FALSE(Pick(cafe, L"Sto&p Converting"));
    EXPECT_TRUE(Pick(cafe, L"&Start Converting"));
    EXPECT_FALSE(starts.empty());
    EXPECT_EQ(media[0]->state, 1);
    EXPECT_FALSE(Pick(cafe, L"&Start Converting"));
    EXPECT_TRUE(Pick(cafe, L"Sto&p Converting"));
    // The stop is waited for off the UI thread.
    vxmtest::PumpUntil([&] { return media[0]->state == 0 && !list->IsConverting(); });

    // Removing the selected row, then all.
    list->SelectItem(2);
    EXPECT_TRUE(Pick(list->GetMediaItem(2), L"&Remove"));
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetMediaItem(1)->GetMedia(), media[1].get());
    EXPECT_TRUE(Pick(cafe, L"Remove &All"));
    EXPECT_EQ(list->GetCount(), 0);
}

// The name box takes the name's place in the row: every button stays in
// view. Escape leaves the name as it was; the tick, like Enter, renames.
TEST_F(CPaneWindowTest, TheNameBoxClosesByEscapeUnchangedAndByItsTickRenamed)
{
    CMediaListItemUI* row = Add(L"Café déjà vu");
    CPaintManagerUI* pm = window->GetPaintManager();
    auto sub = [&](const wchar_t* name) { return pm->FindSubControlByName(row, name); };
    auto click = [&](CControlUI* control) {
        pm->UpdateLayout();
        const RECT& rc = control->GetPos();
        const QPointF pt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, pt, window->GetWidget()->mapToGlobal(pt), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(window->GetWidget(), &e);
        }
    };
    auto type = [&](const QString& text, int key = 0) {
        // Keys go to the line editor the name box lays over itself.
        QWidget* editor = nullptr;
        for (QLineEdit* e : window->GetWidget()->findChildren<QLineEdit*>())
            if (e->isVisible()) editor = e;
        ASSERT_NE(editor, nullptr);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(editor, &press);
    };
    auto inRow = [&](const wchar_t* name) {
        const RECT& rc = sub(name)->GetPos();
        const RECT& rowRc = row->GetPos();
        return sub(name)->IsVisible() && rc.left >= rowRc.left && rc.right <= rowRc.right && rc.right > rc.left;
    };

    for (bool byEscape : {true, false}) {
        click(sub(L"ID_BUTTON_ITEM_CHANGE_FILENAME"));
        ASSERT_TRUE(row->IsNameEditShown());
        pm->UpdateLayout();
        EXPECT_FALSE(sub(L"ID_LABEL_ITEM_SHORT_NAME")->IsVisible());
        EXPECT_TRUE(inRow(L"ID_BUTTON_ITEM_OUTPUT_FORMAT"));
        EXPECT_TRUE(inRow(L"ID_BUTTON_ITEM_EDIT_OK"));
        EXPECT_LE(sub(L"ID_EDIT_ITEM_CHANGE_FILENAME")->GetPos().right,
                  sub(L"ID_BUTTON_ITEM_OUTPUT_FORMAT")->GetPos().left);
        type({}, Qt::Key_End);
        type(QStringLiteral(" 2"));
        if (byEscape) type({}, Qt::Key_Escape);
        else click(sub(L"ID_BUTTON_ITEM_EDIT_OK"));
        EXPECT_FALSE(row->IsNameEditShown()) << byEscape;
        EXPECT_TRUE(sub(L"ID_LABEL_ITEM_SHORT_NAME")->IsVisible());
        EXPECT_TRUE(inRow(L"ID_BUTTON_ITEM_REMOVE"));
        EXPECT_EQ(media[0]->outputName, byEscape ? L"" : L"Café déjà vu 2");
        EXPECT_EQ(sub(L"ID_LABEL_ITEM_SHORT_NAME")->GetText(), byEscape ? L"Café déjà vu" : L"Café déjà vu 2");
    }
}

}  // namespace
