// The row kinds as the skin builds them: DVD titles with angles and a lazy
// thumbnail, online rows, child rows, and the joined layout.
#include "list_fixture.h"
#include "dvd_fakes.h"
#include "panes/OnlineMediaListItemUI.h"
#include "MainFrameMessages.h"
#include "platform/messages.h"
#include "ui/UICustomControls.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace {

std::wstring Skin(const char* file)
{
    const std::string path = std::string(VXM_SOURCE_DIR "/skin/") + file;
    return std::wstring(path.begin(), path.end());
}

class RowKinds : public ConvertList {
protected:
    CMediaListItemUI* Built(EMediaRowKind kind, const char* skin, IVXMMedia* media)
    {
        list->SetRowTemplate(kind, Skin(skin));
        return list->AddMedia(media, kind, false);
    }
};

TEST_F(RowKinds, EachSkinBuildsItsRowKindWithTheNamedControls)
{
    CMediaListItemUI* file = Built(EMediaRowKind::File, "convertlist_item.xml", NewMedia(L"a"));
    EXPECT_EQ(typeid(*file), typeid(CMediaListItemUI));
    CFakeDVDTitle title;
    CMediaListItemUI* dvd = Built(EMediaRowKind::DVD, "list_item_dvd.xml", &title);
    EXPECT_NE(dynamic_cast<CDVDMediaListItemUI*>(dvd), nullptr);
    list->SetDownloader([](IVXMMedia*, int) { return true; }, [](IVXMMedia*) {});
    CMediaListItemUI* online = Built(EMediaRowKind::Online, "list_item_online.xml", NewMedia(L"web"));
    EXPECT_TRUE(online->IsOnlineItem());
    EXPECT_NE(dynamic_cast<CCircularProgressUI*>(Sub(online, L"ID_CIRCULAR_PROGRESS")), nullptr);
    EXPECT_NE(Sub(online, L"ID_LABEL_DOWNLOAD_STATUS"), nullptr);
    CMediaListItemUI* child = Built(EMediaRowKind::Child, "list_item_child.xml", NewMedia(L"track"));
    EXPECT_TRUE(child->IsChildItem());
    EXPECT_FALSE(child->IsDraggable());
    for (CMediaListItemUI* row : {file, dvd, online, child})
        for (const wchar_t* name : {L"ID_LABEL_ITEM_SHORT_NAME", L"ID_COMBO_AUDIO_TRACK", L"ID_BUTTON_ITEM_CONVER_START",
                                    L"ID_PROGRESS_ITEM_CONVERT", L"ID_ITEM_CHECKED"})
            EXPECT_NE(Sub(row, name), nullptr) << name;
    list->RemoveItem(dvd);  // the title is the test's
    Pump();
}

TEST_F(RowKinds, DvdTitleOffersItsAnglesAndMakesItsThumbnailWhenFirstSelected)
{
    CFakeDVDTitle title;
    title.angles = 3;
    CMediaListItemUI* row = Built(EMediaRowKind::DVD, "list_item_dvd.xml", &title);
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_SHORT_NAME"), L"16:9 Title Disc");
    EXPECT_EQ(Text(row, L"ID_LABEL_MEDIA_INFO"), L"MPEG2 | 720x576 | 25 FPS");
    EXPECT_TRUE(Sub(row, L"ID_LAYOUT_DVDANGLE")->IsVisible());
    auto* angles = static_cast<CComboUI*>(Sub(row, L"ID_COMBO_DVDANGLE"));
    ASSERT_EQ(angles->GetCount(), 3);
    EXPECT_EQ(angles->GetItemAt(2)->GetText(), L"2");
    static_cast<CDVDMediaListItemUI*>(row)->SelectAngle(2);
    EXPECT_EQ(title.chosenAngle, 2);

    EXPECT_FALSE(row->IsThumbnailRunning());
    EXPECT_EQ(title.thumbnails.load(), 0);
    list->SelectItem(0);
    while (title.thumbnails.load() == 0) {
        Pump();  // the worker's result comes through the UI thread's queue
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(title.thumbnails.load(), 1);
    row->CancelThumbnail();
    // Selected again: no second picture.
    list->SelectItem(-1);
    row->Select(true);
    row->CancelThumbnail();
    EXPECT_EQ(title.thumbnails.load(), 1);
    list->RemoveItem(row);
    Pump();
}

TEST_F(RowKinds, DvdTitleWithOneAngleHidesTheAngleChoice)
{
    CFakeDVDTitle title;
    CMediaListItemUI* row = Built(EMediaRowKind::DVD, "list_item_dvd.xml", &title);
    EXPECT_FALSE(Sub(row, L"ID_LAYOUT_DVDANGLE")->IsVisible());
    list->RemoveItem(row);
    Pump();
}

TEST_F(RowKinds, JoinedRowsAreSlimIndentedAndWithoutTheirOwnProfile)
{
    Built(EMediaRowKind::File, "convertlist_item.xml", NewMedia(L"a", 1000));
    CMediaListItemUI* second = list->AddMedia(NewMedia(L"b", 2000), EMediaRowKind::File, false);
    list->SetJoinMode(true);
    EXPECT_TRUE(second->IsJoinedItem());
    EXPECT_FALSE(list->GetMediaItem(0)->IsJoinedItem());
    EXPECT_EQ(second->GetFixedHeight(), CMediaListItemUI::kJoinedRowHeight);
    EXPECT_EQ(second->GetPadding().left, 20);
    EXPECT_EQ(second->GetBorderSize(), 1);
    EXPECT_EQ(Sub(second, L"ID_LAYOUT_THUMBNAIL_H")->GetFixedWidth(), 55);
    EXPECT_FALSE(Sub(second, L"ID_BUTTON_ITEM_OUTPUT_FORMAT")->IsVisible());
    // Its buttons are off only while the joined conversion runs.
    EXPECT_TRUE(Sub(second, L"ID_BUTTON_ITEM_CONVER_START")->IsEnabled());
    list->SetJoinedRunning(list->GetMediaItem(0)->GetMedia());
    EXPECT_FALSE(Sub(second, L"ID_BUTTON_ITEM_REMOVE")->IsEnabled());
    list->SetJoinMode(false);
    EXPECT_FALSE(second->IsJoinedItem());
    EXPECT_EQ(second->GetFixedHeight(), CMediaListItemUI::kRowHeight);
    EXPECT_EQ(second->GetPadding().left, 0);
    EXPECT_TRUE(Sub(second, L"ID_BUTTON_ITEM_OUTPUT_FORMAT")->IsVisible());
}

TEST_F(RowKinds, OnlineRowDoubleClickDownloadsAgain)
{
    int downloads = 0;
    list->SetDownloader([&](IVXMMedia*, int) { return ++downloads > 0; }, [](IVXMMedia*) {});
    CMediaListItemUI* row = Built(EMediaRowKind::Online, "list_item_online.xml", NewMedia(L"web"));
    EXPECT_EQ(downloads, 1);
    row->OnDoubleClick();
    EXPECT_EQ(downloads, 2);
}

}  // namespace

namespace {

TEST_F(RowKinds, BurnRowStartsOnlyWhenTheBurnPaneAllows)
{
    int answer = 0;
    int asked = 0;
    HWND window = CreateMessageWindow([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg != WM_VXM_CHECK_BURN) return 0;
        ++asked;
        return answer;
    });
    auto* burn = new CMediaListUI(true);
    CPaintManagerUI burnManager;
    burnManager.Init(window, nullptr);
    burnManager.AttachDialog(burn);
    burn->SetConverter([this](IVXMMedia* m, IProfile*) {
        converted.push_back(m);
        return true;
    });
    CMediaListItemUI* row = burn->AddMedia(NewMedia(L"a"), EMediaRowKind::File, false);
    row->StartConvert();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(converted.empty());
    answer = 1;
    row->StartConvert();
    EXPECT_EQ(converted.size(), 1u);
    burn->RemoveAll();
    DestroyMessageWindow(window);
}

TEST_F(RowKinds, ProgressCountsTheRemainingTimeFromTheStart)
{
    CMediaListItemUI* row = Built(EMediaRowKind::File, "convertlist_item.xml", NewMedia(L"a"));
    auto* bar = dynamic_cast<CTextProgressUI*>(Sub(row, L"ID_PROGRESS_ITEM_CONVERT"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetStartTick(), 0u);
    row->SetProgress(10);
    EXPECT_NE(bar->GetStartTick(), 0u);
    EXPECT_EQ(bar->GetMaxValue(), 1000);
}

// A paused row tells no time left; after the resume it is measured from there.
TEST_F(RowKinds, TheTimeLeftAfterAPauseIsMeasuredFromTheResume)
{
    CMediaListItemUI* row = Built(EMediaRowKind::File, "convertlist_item.xml", NewMedia(L"a"));
    auto* bar = dynamic_cast<CTextProgressUI*>(Sub(row, L"ID_PROGRESS_ITEM_CONVERT"));
    ASSERT_NE(bar, nullptr);
    row->SetProgress(100);
    row->SetProgress(500);
    EXPECT_NE(bar->MakeText(bar->GetStartTick() + 10000).find(L"Time left"), std::wstring::npos);
    const DWORD before = bar->GetStartTick();
    row->PauseConvert();
    EXPECT_EQ(bar->MakeText(before + 10000), L"50%");
    row->ResumeConvert();
    // A minute after the resume without progress: no rate yet, so no estimate
    // (the minutes paused would have made it far too long).
    EXPECT_EQ(bar->MakeText(bar->GetStartTick() + 60000), L"50%");
}

}  // namespace
