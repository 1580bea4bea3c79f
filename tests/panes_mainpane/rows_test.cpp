// The rows the pane makes for new media: DVD titles and their main title,
// segment rows of a parent, rows of a removed drive.
#include "pane_fakes.h"
#include "../panes_props/props_fakes.h"

#include "MainPaneUI.h"
#include "MediaListUI.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "ui/UIMessagePump.h"
#include "ui/UITimeEdit.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace {

class CTitle : public CFakeDVDTitle {
public:
    CTitle(int clipMs, bool main, std::wstring disc = L"/dev/sr0") : clip(clipMs), main(main), disc(std::move(disc)) {}
    int GetClipLength() const override { return clip; }
    int IsMainTitle() const override { return main ? 1 : 0; }
    std::wstring GetDiscPath() const override { return disc; }
    void SetEndTime(int ms) override { end = ms; }
    void Release() override { ++released; }
    int clip;
    bool main;
    std::wstring disc;
    int end = 0;
    int released = 0;
};

class CDisc : public CStubDVDFile {
public:
    int GetTitleCount() const override { return static_cast<int>(titles.size()); }
    IVXMDVDTitle* GetTitleAt(unsigned int index) override { return index < titles.size() ? titles[index] : nullptr; }
    std::vector<IVXMDVDTitle*> titles;
};

// A removed row's media is released once the list's queued release runs.
bool Settle(const std::function<bool()>& done)
{
    while (!done()) {
        CEvent tick(true, false);
        WaitWithMessageLoop(tick, 5);
    }
    return done();
}

class CRowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pane = std::make_unique<CMainPaneUI>(nullptr, nullptr, false);
        pane->BuildPane();
        list = pane->GetMediaList();
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override { pane.reset(); }

    CFakeDesktop desktop;
    std::unique_ptr<CMainPaneUI> pane;
    CMediaListUI* list = nullptr;
};

TEST_F(CRowsTest, ADVDTitleOfTenSecondsIsAddedAndOneMillisecondShorterIsReleased)
{
    CTitle enough(10000, false), shorter(9999, false);
    CDisc disc;
    TOwnerEndsFirst end(pane);
    disc.titles = {&shorter, &enough};
    EXPECT_TRUE(pane->AddDVDTitles(&disc));
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_EQ(list->GetMediaItem(0)->GetMedia(), &enough);
    EXPECT_EQ(enough.end, 10000);
    EXPECT_EQ(shorter.released, 1);
    EXPECT_EQ(enough.released, 0);
}

TEST_F(CRowsTest, ADiscWithoutTitlesShowsAnErrorAndAddsNothing)
{
    CDisc disc;
    EXPECT_FALSE(pane->AddDVDTitles(&disc));
    EXPECT_EQ(list->GetCount(), 0);
    bool shown = false;
    for (const std::wstring& call : desktop.Calls()) shown |= call.rfind(L"MessageBox", 0) == 0;
    EXPECT_TRUE(shown);
}

TEST_F(CRowsTest, OnlyAMainTitleLongerThanThreeMinutesComesChecked)
{
    CTitle longMain(180001, true), exactMain(180000, true), longOther(500000, false);
    TOwnerEndsFirst end(pane);
    EXPECT_TRUE(pane->AddDVDRow(-1, &longMain)->IsChecked());
    EXPECT_FALSE(pane->AddDVDRow(-1, &exactMain)->IsChecked());
    EXPECT_FALSE(pane->AddDVDRow(-1, &longOther)->IsChecked());
}

TEST_F(CRowsTest, ASegmentRowGoesUnderItsParentNamedAfterItAndTheParentIsUnchecked)
{
    CQueueMedia parent(L"concert"), other(L"other"), first(L"seg0"), second(L"seg1");
    TOwnerEndsFirst end(pane);
    pane->AddFileRow(-1, &parent);
    pane->AddFileRow(-1, &other);
    ASSERT_TRUE(list->GetMediaItem(0)->IsChecked());
    CMediaListItemUI* a = pane->AddChildRow(&first, 0, &parent, 0, 60000, 0);
    CMediaListItemUI* b = pane->AddChildRow(&second, 0, &parent, 60000, 90000, 1);
    ASSERT_TRUE(a && b);
    EXPECT_FALSE(list->GetMediaItem(0)->IsChecked());
    EXPECT_EQ(list->GetItemIndex(a), 1);
    EXPECT_EQ(list->GetItemIndex(b), 2);
    EXPECT_EQ(list->GetMediaItem(3)->GetMedia(), &other);
    EXPECT_EQ(first.outputName, L"concert_Segment_0");
    EXPECT_EQ(second.outputName, L"concert_Segment_1");
    EXPECT_TRUE(a->IsChecked());
    EXPECT_EQ(a->GetParentMedia(), &parent);
}

TEST_F(CRowsTest, TheRowsOfARemovedDriveGoAndOthersStay)
{
    CTitle fromDrive(200000, false, L"/dev/sr0"), fromOther(200000, false, L"/dev/sr1");
    CQueueMedia file(L"file");
    TOwnerEndsFirst end(pane);
    pane->AddDVDRow(-1, &fromDrive);
    pane->AddDVDRow(-1, &fromOther);
    pane->AddFileRow(-1, &file);
    pane->RemoveDriveRows(L"/dev/sr0");
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetMediaItem(0)->GetMedia(), &fromOther);
    EXPECT_TRUE(Settle([&] { return fromDrive.released == 1; }));
}

TEST_F(CRowsTest, TheRowsOfAFolderOpenedAgainGoButNotThoseOfALookAlikeFolder)
{
    CTitle same(200000, false, L"/media/DVD"), lookAlike(200000, false, L"/media/DVD2");
    TOwnerEndsFirst end(pane);
    pane->AddDVDRow(-1, &same);
    pane->AddDVDRow(-1, &lookAlike);
    EXPECT_TRUE(pane->RemoveRowsOfPath(L"/media/DVD/VIDEO_TS"));
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_EQ(list->GetMediaItem(0)->GetMedia(), &lookAlike);
    EXPECT_TRUE(Settle([&] { return same.released == 1; }));
    EXPECT_FALSE(pane->RemoveRowsOfPath(L""));
}

TEST_F(CRowsTest, TrimTimesFromTheSettingsPaneReachTheSelectedRowOfTheirOwnPaneOnly)
{
    CQueueMedia first(L"first"), second(L"second");
    TOwnerEndsFirst end(pane);
    pane->AddFileRow(-1, &first);
    pane->AddFileRow(-1, &second);
    list->SelectItem(1);
    CTimeEditUI time;
    time.SetValue(1500);
    TNotifyUI msg;
    msg.sType = L"prop_start_changed";
    msg.wParam = reinterpret_cast<WPARAM>(&time);
    msg.lParam = 1;  // from the burner's settings pane
    pane->Notify(msg);
    EXPECT_EQ(second.start, 0);
    msg.lParam = 0;
    pane->Notify(msg);
    EXPECT_EQ(second.start, 1500);
    msg.sType = L"prop_end_changed";
    time.SetValue(4000);
    pane->Notify(msg);
    EXPECT_EQ(second.end, 4000);
    EXPECT_EQ(first.start, 0);
}

TEST_F(CRowsTest, AMediaNoRowCanTakeIsReleased)
{
    CMainPaneUI bare(nullptr, nullptr, false);  // never built: no list
    CQueueMedia media(L"m");
    bare.AddMedia(&media, -1, 0);
    EXPECT_EQ(media.released, 1);
}

}  // namespace

namespace {

// Segments of a real media object, as the clip editor leaves them.
class CSegmentRowsTest : public CRowsTest {
protected:
    CVXMMediaBase* Parent()
    {
        IVXMMedia* media = CreateVXMMediaObject(nullptr);
        media->SetSourcePath(Utf8ToWide(vxmtest::GetTestMedia().mp4));
        EXPECT_GE(media->Probe(), 0);
        pane->AddFileRow(-1, media);  // the list owns it from here
        parent = media;
        return dynamic_cast<CVXMMediaBase*>(media);
    }
    int Children() const
    {
        int n = 0;
        for (int i = 0; i < list->GetCount(); ++i) n += list->GetMediaItem(i)->IsChildItem() ? 1 : 0;
        return n;
    }
    IVXMMedia* parent = nullptr;
};

TEST_F(CSegmentRowsTest, EachSegmentGetsAChildRowAndAGoneSegmentLosesItAtTheNextChange)
{
    CVXMMediaBase* data = Parent();
    ASSERT_NE(data, nullptr);
    data->m_lstClipSegments = {{0, 500}, {700, 1500}};
    pane->RebuildSegments(parent);
    ASSERT_EQ(Children(), 2);
    auto* second = dynamic_cast<CChildListItemUI*>(list->GetMediaItem(2));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetSegmentIndex(), 1);
    EXPECT_EQ(second->GetMedia()->GetStartTime(), 700);
    EXPECT_EQ(second->GetMedia()->GetEndTime(), 1500);

    // The second segment moves, then the last one goes.
    data->m_lstClipSegments = {{0, 500}, {800, 1200}};
    pane->RebuildSegments(parent);
    ASSERT_EQ(Children(), 2);
    EXPECT_EQ(list->GetMediaItem(2)->GetMedia()->GetStartTime(), 800);
    data->m_lstClipSegments = {{0, 500}};
    pane->RebuildSegments(parent);
    EXPECT_EQ(Children(), 1);
    data->m_lstClipSegments.clear();
    pane->RebuildSegments(parent);
    EXPECT_EQ(Children(), 0);
}

TEST_F(CSegmentRowsTest, ACloneOfARowIsACopyOfItsMediaAtTheEnd)
{
    Parent();
    CQueueMedia other(L"other");
    TOwnerEndsFirst end(pane);
    pane->AddFileRow(-1, &other);
    TNotifyUI msg;
    msg.sType = L"item_clone";
    msg.pSender = list->GetMediaItem(0);
    pane->Notify(msg);
    ASSERT_EQ(list->GetCount(), 3);
    IVXMMedia* copy = list->GetMediaItem(2)->GetMedia();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, parent);
    EXPECT_EQ(copy->GetSourcePath(), parent->GetSourcePath());
    EXPECT_TRUE(list->GetMediaItem(2)->IsChecked());
}

}  // namespace
