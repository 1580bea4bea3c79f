// What a row shows of its media (info line, icons, buttons by source kind)
// and how added audio and subtitle files reach the row and the media.
#include "list_fixture.h"
#include "MainFrameMessages.h"
#include "platform/messages.h"
#include "FakeDesktop.h"
#include "ui/desktop/Desktop.h"


namespace {

// A row with every control the details read.
void AddDetailControls(CMediaListItemUI* row)
{
    auto add = [row](CControlUI* c, const wchar_t* name) {
        c->SetName(name);
        row->Add(c);
    };
    add(new CLabelUI, L"ID_LABEL_MEDIA_INFO");
    add(new CVerticalLayoutUI, L"ID_LAYOUT_EFFECT_ICONR");
    add(new CHorizontalLayoutUI, L"TRACKANDSUBTITLE");
    add(new CButtonUI, L"ID_BUTTON_ITEM_EFFECT");
    add(new CButtonUI, L"ID_BUTTON_ITEM_EDIT");
    auto* subs = new CComboUI;
    for (const wchar_t* n : {L"ID_NO_SUBTITLE", L"ID_ADD_SUBTITLE"}) {
        auto* item = new CListLabelElementUI;
        item->SetName(n);
        subs->Add(item);
    }
    add(subs, L"ID_COMBO_SUBTITLE");
}

class RowDetails : public ConvertList {
protected:
    void SetUp() override
    {
        ConvertList::SetUp();
        window = CreateMessageWindow([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            posted.push_back({msg, wParam, lParam});
            return 0;
        });
        manager.Init(window, nullptr);
    }
    void TearDown() override
    {
        ConvertList::TearDown();
        DestroyMessageWindow(window);
    }
    CMediaListItemUI* DetailRow(CFakeMedia* m, bool thumbnail)
    {
        CMediaListItemUI* row = list->AddMedia(m, EMediaRowKind::File, false);
        AddRowControls(row);
        AddDetailControls(row);
        row->DoInit();
        row->SetMedia(m, thumbnail);
        return row;
    }
    void Drain()
    {
        MSG msg;
        while (PeekMessage(&msg, window, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    }
    CComboUI* Combo(CMediaListItemUI* row, const wchar_t* name) { return static_cast<CComboUI*>(Sub(row, name)); }

    struct Posted {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    HWND window = nullptr;
    std::vector<Posted> posted;
};

TEST_F(RowDetails, VideoSourceShowsCodecSizeAndRateAndItsTypeIcon)
{
    CFakeMedia* m = NewMedia(L"film");
    m->hasVideo = true;
    CMediaListItemUI* row = DetailRow(m, false);
    // "h264" upper-cased; 640x360 at 25 frames.
    EXPECT_EQ(Text(row, L"ID_LABEL_MEDIA_INFO"), L"H264 | 640x360 | 25 FPS");
    EXPECT_EQ(Sub(row, L"ID_LAYOUT_EFFECT_ICONR")->GetBkImage(), L"music_thumb/mp4.png");
}

TEST_F(RowDetails, VideoRowsOfferTracksAndEffectsAudioRowsTheTagEditor)
{
    CFakeMedia* film = NewMedia(L"film");
    film->hasVideo = true;
    film->thumbResult = 1;  // the worker's failure is only logged
    CMediaListItemUI* video = DetailRow(film, true);
    EXPECT_TRUE(Sub(video, L"TRACKANDSUBTITLE")->IsVisible());
    EXPECT_TRUE(Sub(video, L"ID_BUTTON_ITEM_EFFECT")->IsVisible());
    EXPECT_FALSE(Sub(video, L"ID_BUTTON_ITEM_EDIT")->IsVisible());
    video->CancelThumbnail();

    CMediaListItemUI* song = DetailRow(NewMedia(L"song"), true);
    EXPECT_FALSE(Sub(song, L"TRACKANDSUBTITLE")->IsVisible());
    EXPECT_FALSE(Sub(song, L"ID_BUTTON_ITEM_EFFECT")->IsVisible());
    EXPECT_TRUE(Sub(song, L"ID_BUTTON_ITEM_EDIT")->IsVisible());
    EXPECT_TRUE(Sub(song, L"ID_BUTTON_ITEM_EDIT")->IsEnabled());
    EXPECT_FALSE(song->IsThumbnailRunning());

    CFakeMedia* track = NewMedia(L"cd track");
    track->kind = 2;
    CMediaListItemUI* cd = DetailRow(track, true);
    EXPECT_FALSE(Sub(cd, L"ID_BUTTON_ITEM_EDIT")->IsEnabled());

    CMediaListItemUI* off = list->AddMedia(NewMedia(L"off"), EMediaRowKind::File, false);
    AddRowControls(off);
    AddDetailControls(off);
    off->DoInit();
    off->SetTagEditOff(true);
    off->SetMedia(off->GetMedia(), true);
    EXPECT_FALSE(Sub(off, L"ID_BUTTON_ITEM_EDIT")->IsVisible());
}

TEST_F(RowDetails, AddAudioChoiceAsksTheMainWindowAndCancelRestoresTheCombo)
{
    CFakeMedia* m = NewMedia(L"film");
    m->audio = {CFakeAudio(L"Stereo", L"en"), CFakeAudio(L"Surround", L"")};
    CMediaListItemUI* row = DetailRow(m, false);
    CComboUI* combo = Combo(row, L"ID_COMBO_AUDIO_TRACK");
    ASSERT_EQ(combo->GetCount(), 4);
    EXPECT_EQ(combo->GetItemAt(0)->GetText(), L"Stereo (en)");
    // The user picks the second track, then opens the list again.
    combo->SelectItem(1, false, false);
    row->SelectAudio(1);
    row->OnComboDropDown(combo);
    EXPECT_EQ(row->GetAudioChoiceBeforeDropDown(), 1);
    combo->SelectItem(3, false, false);
    row->SelectAudio(3);  // ID_ADD_AUDIO
    Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, WM_VXM_ADD_AUDIO_TRACK);
    EXPECT_EQ(posted[0].wParam, reinterpret_cast<WPARAM>(row));
    EXPECT_EQ(posted[0].lParam, 1);
    row->AddAudioFile(nullptr, 1);  // the file dialog was cancelled
    EXPECT_EQ(combo->GetCurSel(), 1);
    // Choosing the same row again now does nothing.
    const size_t selections = m->selected.size();
    row->SelectAudio(1);
    EXPECT_EQ(m->selected.size(), selections);
}

TEST_F(RowDetails, AddedAudioFileBecomesATrackRowAheadOfTheTemplateRows)
{
    CFakeMedia* m = NewMedia(L"film");
    m->audio = {CFakeAudio(L"Stereo", L"")};
    CMediaListItemUI* row = DetailRow(m, false);
    CComboUI* combo = Combo(row, L"ID_COMBO_AUDIO_TRACK");
    row->AddAudioFile(L"/music/commentary track.mp3", 0);
    ASSERT_EQ(combo->GetCount(), 4);
    EXPECT_EQ(combo->GetItemAt(1)->GetText(), L"commentary track");
    EXPECT_EQ(combo->GetItemAt(1)->GetToolTip(), L"/music/commentary track.mp3");
    EXPECT_EQ(combo->GetItemAt(2)->GetName(), L"ID_NO_AUDIO");
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(m->selected.back(), 100);  // audio 1, subtitle kept
    // A file the media refuses adds no row.
    m->refuseFiles = true;
    row->AddAudioFile(L"/music/broken.txt", 1);
    EXPECT_EQ(combo->GetCount(), 4);
    EXPECT_EQ(combo->GetCurSel(), 1);
}

TEST_F(RowDetails, AddedSubtitleKeepsTheAudioChoice)
{
    CFakeMedia* m = NewMedia(L"film");
    m->audio = {CFakeAudio(L"Stereo", L""), CFakeAudio(L"Surround", L"")};
    CMediaListItemUI* row = DetailRow(m, false);
    row->SelectAudio(1);
    row->SelectSubtitle(1);  // ID_ADD_SUBTITLE
    Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, WM_VXM_ADD_SUBTITLE);
    row->AddSubtitleFile(0, L"/subs/film.en.srt");
    CComboUI* combo = Combo(row, L"ID_COMBO_SUBTITLE");
    EXPECT_EQ(combo->GetItemAt(0)->GetText(), L"film.en");
    EXPECT_EQ(m->selected.back(), 100);  // audio 1, subtitle 0
}

TEST_F(RowDetails, NoSubtitleChoiceGivesTheRowItsOwnProfileOnly)
{
    CFakeMedia* m = NewMedia(L"film");
    CMediaListItemUI* row = DetailRow(m, false);
    row->SelectSubtitle(0);  // ID_NO_SUBTITLE
    auto* own = dynamic_cast<CFakeProfile*>(row->GetOwnProfile());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->skipTracks, 1);
    EXPECT_EQ(profile.skipTracks, 0);
}

TEST_F(RowDetails, DoubleClickNamesTheOwnerList)
{
    std::vector<WPARAM> seen;
    struct CSeen : INotifyUI {
        std::vector<WPARAM>* out;
        void Notify(TNotifyUI& msg) override
        {
            if (msg.sType == L"item_dbclick") out->push_back(msg.wParam);
        }
    } notifier;
    notifier.out = &seen;
    manager.AddNotifier(&notifier);
    CMediaListItemUI* row = DetailRow(NewMedia(L"a"), false);
    row->OnDoubleClick();
    manager.RemoveNotifier(&notifier);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], reinterpret_cast<WPARAM>(static_cast<IListOwnerUI*>(list)));
}

TEST_F(RowDetails, ABlurayDiscIsNamedAfterItsLabelElseAfterItsDrive)
{
    CFakeDesktopLog log;
    CFakeOpticalDrives drives(log);
    drives.drives = {COpticalDrive{L"/dev/sr0", L"/media/me/BD"}, COpticalDrive{L"/dev/sr1", L"/media/me/DISC"}};
    drives.labels[L"/dev/sr0"] = L"HOLIDAY: PART 1/2";
    CDesktopServices services;
    services.drives = &drives;
    SetDesktopServices(&services);
    auto named = [&](const std::wstring& source) {
        CFakeMedia* m = NewMedia(L"BDMV");
        m->source = source;
        CMediaListItemUI* row = DetailRow(m, false);
        EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_SHORT_NAME"), m->outputName.empty() ? L"BDMV" : m->outputName);
        return m->outputName;
    };
    // The label, cleaned of what a file name cannot hold.
    EXPECT_EQ(named(L"bluray:/media/me/BD/"), L"HOLIDAY_ PART 1_2");
    // A disc whose label cannot be read: the drive and "_".
    EXPECT_EQ(named(L"bluray:/media/me/DISC"), L"sr1_");
    EXPECT_EQ(named(L"bluray:/dev/sr1"), L"sr1_");
    // A Blu-ray folder on no drive keeps its own name, and so does a file.
    EXPECT_EQ(named(L"bluray:/home/me/BD"), L"");
    EXPECT_EQ(named(L"/media/me/BD/film.m2ts"), L"");
    SetDesktopServices(nullptr);
}

}  // namespace
